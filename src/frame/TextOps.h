#pragma once
// Text operations for the "@"-separated lists of dimension names, code strings and SQL
// fragments. None fails on short or empty input; each returns a new text.
#include <QChar>
#include <QString>

// Every occurrence of Pattern replaced, left to right without overlaps; an empty Pattern is
// never found, and the replacement is never searched again.
QString ReplaceText(const QString &source, const QString &pattern, const QString &replacement);
// Every occurrence of Pattern removed (pattern first, as callers write it).
QString RemoveText(const QString &pattern, const QString &source);
// Source up to its first Ch (with Ch when inclusive); all of Source when Ch does not occur.
QString TextBeforeChar(const QString &source, QChar ch, bool inclusive = false);
// The last N characters; all of Source when N is larger; empty when N <= 0.
QString RightText(const QString &source, int n);
