#include "ReportText.h"

#include "report/SafeText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace {

const QString kTotals = QStringLiteral("合  计");

QList<QStringList> TrimmedRows(QList<QStringList> lines) {
    while (!lines.isEmpty() && lines.last().join(QString()).isEmpty()) lines.removeLast();
    return lines;
}

bool AllEmpty(const QStringList &cells) {
    return std::all_of(cells.begin(), cells.end(), [](const QString &c) { return c.trimmed().isEmpty(); });
}

QStringList Pick(const QStringList &cells, const QList<int> &columns) {
    QStringList out;
    for (int c : columns) out << cells.value(c);
    return out;
}

// The header of each kept column: the heading row's text, carried over the columns that a merged
// heading spans (empty there, with a sub-heading below), then the sub-heading.
QStringList Headers(const QStringList &top, const QStringList &sub, const QList<int> &columns) {
    QStringList headers;
    QString carried;
    for (int c = 0, k = 0; k < columns.size(); ++c) {
        if (!top.value(c).isEmpty()) carried = top.value(c);
        else if (sub.value(c).isEmpty()) carried.clear();
        if (c != columns[k]) continue;
        const QString head = top.value(c).isEmpty() ? carried : top.value(c);
        headers << (sub.value(c).isEmpty() ? head : (head.isEmpty() ? sub.value(c) : head + QLatin1Char(' ') + sub.value(c)));
        ++k;
    }
    return headers;
}

// A cell as one line of a terminal: its own tabs and line breaks as blanks, control characters
// shown, not obeyed.
QString Flat(QString cell) {
    cell.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return TerminalSafe(cell.replace(QLatin1Char('\n'), QLatin1Char(' ')));
}

bool Wide(char32_t u) {
    return (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0x303E) || (u >= 0x3041 && u <= 0x33FF)
           || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xA000 && u <= 0xA4CF)
           || (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F)
           || (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6) || (u >= 0x20000 && u <= 0x3FFFD);
}

QString Pad(const QString &text, int width, bool right) {
    const QString fill(std::max(0, width - DisplayWidth(text)), QLatin1Char(' '));
    return right ? fill + text : text + fill;
}

QList<int> Widths(const TReportTable &t) {
    QList<int> widths;
    for (const QString &h : t.columns) widths << DisplayWidth(h);
    auto widen = [&widths](const QStringList &cells) {
        for (qsizetype i = 0; i < cells.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], DisplayWidth(Flat(cells[i])));
    };
    for (const QStringList &r : t.rows) widen(r);
    widen(t.totals);
    return widths;
}

// The width of a full row line (and of the rule under the header).
int RuleWidth(const QList<int> &widths) {
    int total = 0;
    for (int w : widths) total += w;
    return total + 2 * int(std::max<qsizetype>(0, widths.size() - 1));
}

QString Line(const QStringList &cells, const QList<int> &widths, const TReportTable *t) {
    QStringList padded;
    for (qsizetype i = 0; i < widths.size(); ++i)
        padded << Pad(Flat(cells.value(i)), widths[i], t && t->RightAligned(i));
    QString line = padded.join(QStringLiteral("  "));
    while (line.endsWith(QLatin1Char(' '))) line.chop(1);
    return line + QLatin1Char('\n');
}

QJsonArray JsonCells(const QStringList &cells, const QList<int> &amountColumns) {
    QJsonArray out;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        bool number = false;
        const double amount = QString(cells[i]).remove(QLatin1Char(',')).toDouble(&number);
        if (amountColumns.contains(int(i)) && number) out << amount;
        else out << cells[i];
    }
    return out;
}

}  // namespace

TReportTable ReportTableFromSheet(const QList<QStringList> &cells) {
    const QList<QStringList> lines = TrimmedRows(cells);
    TReportTable t;
    for (qsizetype r = 0; r < std::min<qsizetype>(3, lines.size()); ++r) {
        QStringList parts;
        for (const QString &c : lines[r])
            if (!c.trimmed().isEmpty()) parts << c.trimmed();
        if (!parts.isEmpty()) t.heading << parts.join(QStringLiteral("  "));
    }
    if (lines.size() < 5) return t;
    QList<int> columns;
    qsizetype width = 0;
    for (qsizetype r = 3; r < lines.size(); ++r) width = std::max(width, lines[r].size());
    for (int c = 0; c < width; ++c)
        for (qsizetype r = 3; r < lines.size(); ++r)
            if (!lines[r].value(c).trimmed().isEmpty()) {
                columns << c;
                break;
            }
    // A column without a header is one the sheet keeps out of sight (a code beside its name).
    const QStringList headers = Headers(lines[3], lines[4], columns);
    QList<int> shown;
    for (qsizetype k = 0; k < columns.size(); ++k)
        if (!headers[k].isEmpty()) {
            shown << columns[k];
            t.columns << headers[k];
        }
    columns = shown;
    for (qsizetype r = 5; r < lines.size(); ++r) {
        if (AllEmpty(lines[r])) continue;
        if (lines[r].value(0) == kTotals) t.totals = Pick(lines[r], columns);
        else t.rows << Pick(lines[r], columns);
    }
    // The sheet's columns 14 to 17 (counted from 0 here) as they are among those shown.
    const qsizetype amount = columns.indexOf(13), rate = columns.indexOf(16);
    t.amountColumn = amount >= 0 ? int(amount) : int(columns.size()) - 1;
    if (t.amountColumn >= 0) t.amountColumns << t.amountColumn;
    for (int c : {14, 15})
        if (amount >= 0 && columns.contains(c)) t.amountColumns << int(columns.indexOf(c));
    if (amount >= 0 && rate >= 0) t.rateColumn = int(rate);
    return t;
}

int DisplayWidth(QStringView text) {
    int width = 0;
    for (char32_t u : text.toUcs4()) width += Wide(u) ? 2 : (u < 0x20 ? 0 : 1);
    return width;
}

QString FormatReportTable(const TReportTable &t, int maxRows) {
    const QList<int> widths = Widths(t);
    QString out;
    for (const QString &h : t.heading) out += Flat(h) + QLatin1Char('\n');
    out += QLatin1Char('\n') + Line(t.columns, widths, nullptr);
    const QString rule = QString(RuleWidth(widths), QLatin1Char('-')) + QLatin1Char('\n');
    out += rule;
    const qsizetype n = t.rows.size();
    const bool cut = maxRows > 0 && n > maxRows;
    const qsizetype head = cut ? maxRows - maxRows / 2 : n;
    for (qsizetype i = 0; i < head; ++i) out += Line(t.rows[i], widths, &t);
    if (cut) {
        out += QStringLiteral("... %1 rows not shown (--format tsv, csv or json writes every row) ...\n").arg(n - maxRows);
        for (qsizetype i = n - maxRows / 2; i < n; ++i) out += Line(t.rows[i], widths, &t);
    }
    if (!t.totals.isEmpty()) out += rule + Line(t.totals, widths, &t);
    return out;
}

int ReportTableWidth(const TReportTable &t) {
    int widest = RuleWidth(Widths(t));
    for (const QString &h : t.heading) widest = std::max(widest, DisplayWidth(Flat(h)));
    return widest;
}

namespace {
// Header, rows and totals, a line each: the cells as `field` writes them, joined by `separator`.
// Texts are defused before that; the amounts and rates the report computed ("-12.00", "-5.00%")
// are numbers and stay as they are.
QString Delimited(const TReportTable &t, QChar separator, const QString &lineEnd, QString (*field)(QStringView)) {
    QString out;
    auto line = [&](const QStringList &cells, bool amounts) {
        QStringList fields;
        for (qsizetype i = 0; i < cells.size(); ++i)
            fields << field(amounts && t.RightAligned(i) ? cells[i] : DefuseFormula(cells[i]));
        out += fields.join(separator) + lineEnd;
    };
    line(t.columns, false);
    for (const QStringList &r : t.rows) line(r, true);
    if (!t.totals.isEmpty()) line(t.totals, true);
    return out;
}
}  // namespace

QString FormatReportTsv(const TReportTable &t) {
    return Delimited(t, QLatin1Char('\t'), QStringLiteral("\n"), &EscapeSeparators);
}

QString FormatReportCsv(const TReportTable &t) {
    return Delimited(t, QLatin1Char(','), QStringLiteral("\r\n"), &CsvField);
}

QString FormatReportJson(const TReportTable &t) {
    QJsonArray rows;
    for (const QStringList &r : t.rows) rows << JsonCells(r, t.amountColumns);
    QJsonObject doc{{QStringLiteral("heading"), QJsonArray::fromStringList(t.heading)},
                    {QStringLiteral("columns"), QJsonArray::fromStringList(t.columns)},
                    {QStringLiteral("rows"), rows},
                    {QStringLiteral("totals"), JsonCells(t.totals, t.amountColumns)}};
    return QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented));
}

QString FormatSheetCells(const QList<QStringList> &cells) {
    QString out;
    for (const QStringList &row : cells) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i) out += QLatin1Char('\t');
            out += EscapeSeparators(row[i]);
        }
        out += QLatin1Char('\n');
    }
    return out;
}
