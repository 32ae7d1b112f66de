#pragma once
// Hints and hover texts are plain text. Qt takes a tool tip that looks like markup for rich text,
// so a name such as "<b>粗</b>" or "<img src=...>" would be drawn as markup, pictures included;
// a hint goes to Qt as rich text that shows exactly its own characters, line breaks kept.
#include <QString>
#include <QTextDocument>

inline QString PlainTip(const QString &text) {
    return text.isEmpty() ? text : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}
