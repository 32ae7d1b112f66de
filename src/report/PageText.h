#pragma once
// The page text printed at the foot of every page: three parts (left, centre, right) in which &P
// stands for the page number, &S for the number of pages and && for an ampersand.
#include <QString>

enum class TPageTextPart { Character, PageNumber, PageCount };

// Calls part(kind, character) for each piece of the text in order; a lone "&" is a character.
template <typename F> void ScanPageText(const QString &text, F &&part) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (text[i] != QLatin1Char('&')) {
            part(TPageTextPart::Character, text[i]);
            continue;
        }
        if (next == QLatin1Char('P')) part(TPageTextPart::PageNumber, QChar());
        else if (next == QLatin1Char('S')) part(TPageTextPart::PageCount, QChar());
        else part(TPageTextPart::Character, QLatin1Char('&'));
        if (next == QLatin1Char('P') || next == QLatin1Char('S') || next == QLatin1Char('&')) ++i;
    }
}

// The text as printed on page `page` of `pages`.
inline QString ExpandPageText(const QString &text, int page, int pages) {
    QString out;
    ScanPageText(text, [&](TPageTextPart kind, QChar c) {
        if (kind == TPageTextPart::PageNumber) out += QString::number(page);
        else if (kind == TPageTextPart::PageCount) out += QString::number(pages);
        else out += c;
    });
    return out;
}

// Where a page lies on a sheet printed more than one page across: "（纵2/5 横3/4）" for the second
// page down of the third across; empty for a sheet one page wide, whose page number says it all.
inline QString PagePlaceText(int down, int downCount, int across, int acrossCount) {
    if (acrossCount <= 1) return {};
    return QStringLiteral("（纵%1/%2 横%3/%4）").arg(down).arg(downCount).arg(across).arg(acrossCount);
}
