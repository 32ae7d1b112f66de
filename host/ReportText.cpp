#include "ReportText.h"

#include "report/ReportLayout.h"
#include "report/SafeText.h"

using namespace ReportLayout;

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace {

// The heading of a spread result's last column, the rows' totals.
const QString kRowTotalHeader = QStringLiteral("合计");

QStringList Pick(const QStringList &cells, const QList<int> &columns) {
    QStringList out;
    for (int c : columns) out << cells.value(c);
    return out;
}

TRowCents Pick(const TRowCents &cents, const QList<int> &columns) {
    TRowCents out;
    for (int c : columns) out.push_back(size_t(c) < cents.size() ? cents[size_t(c)] : std::nullopt);
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
    for (qsizetype i = 0; i < widths.size() && i < t.cellWidths.size(); ++i) widths[i] = std::max(widths[i], t.cellWidths[i]);
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

// Amounts as numbers (the double nearest to their cents), every other cell as its text.
QJsonArray JsonCells(const QStringList &cells, const TRowCents &cents, const QList<int> &amountColumns) {
    QJsonArray out;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const bool number = amountColumns.contains(int(i)) && size_t(i) < cents.size() && cents[size_t(i)];
        if (number) out << double(*cents[size_t(i)]) / 100.0;
        else out << cells[i];
    }
    return out;
}

// A spread row: its labels, then its amounts by column header (cells without rows left out), then
// its total.
QJsonObject JsonSpreadRow(const TReportTable &t, const QStringList &cells, const TRowCents &cents) {
    QJsonObject amounts;
    for (int i = t.spreadFrom; i < t.amountColumn; ++i)
        if (size_t(i) < cents.size() && cents[size_t(i)]) amounts.insert(t.columns.value(i), double(*cents[size_t(i)]) / 100.0);
    QJsonValue total;  // null: the row has no total
    if (size_t(t.amountColumn) < cents.size() && cents[size_t(t.amountColumn)])
        total = double(*cents[size_t(t.amountColumn)]) / 100.0;
    return {{QStringLiteral("labels"), QJsonArray::fromStringList(cells.mid(0, t.spreadFrom))},
            {QStringLiteral("amounts"), amounts},
            {QStringLiteral("total"), total}};
}

// A row of the JSON form: an array of cells, or a spread row's object.
QJsonDocument JsonRow(const TReportTable &t, const QStringList &cells, const TRowCents &cents) {
    if (t.spreadFrom >= 0) return QJsonDocument(JsonSpreadRow(t, cells, cents));
    return QJsonDocument(JsonCells(cells, cents, t.amountColumns));
}

}  // namespace

void TReportScan::Add(const authpay::SheetRow &row) {
    const QStringList &cells = row.texts;
    const qsizetype r = lines_++;
    if (!cells.join(QString()).isEmpty()) usedLines_ = lines_;
    if (r < kSubHeadingRow) top_ << cells;
    if (r < kDateRow) return;
    if (used_.size() < cells.size()) used_.resize(cells.size(), false);
    for (qsizetype c = 0; c < cells.size(); ++c)
        if (!used_[c] && !cells[c].trimmed().isEmpty()) used_[c] = true;
    if (row.kind == authpay::RowKind::Totals) {
        totals_ = cells;
        totalsCents_ = row.cents;
        return;
    }
    if (!IsResultRow(row)) return;
    ++results_;
    if (!measure_) return;
    if (widths_.size() < cells.size()) widths_.resize(cells.size(), 0);
    for (qsizetype c = 0; c < cells.size(); ++c) widths_[c] = std::max(widths_[c], DisplayWidth(Flat(cells[c])));
}

bool TReportScan::IsResultRow(const authpay::SheetRow &row) {
    return row.kind == authpay::RowKind::Result || row.kind == authpay::RowKind::Subtotal;
}

QStringList TReportScan::Pick(const QStringList &cells) const { return ::Pick(cells, picked_); }
TRowCents TReportScan::Pick(const TRowCents &cents) const { return ::Pick(cents, picked_); }

TReportTable TReportScan::Table() {
    TReportTable t;
    for (qsizetype r = 0; r < std::min<qsizetype>(kDateRow, usedLines_); ++r) {
        QStringList parts;
        for (const QString &c : top_[r])
            if (!c.trimmed().isEmpty()) parts << c.trimmed();
        if (!parts.isEmpty()) t.heading << parts.join(QStringLiteral("  "));
    }
    picked_.clear();
    if (usedLines_ < kSubHeadingRow) return t;
    QList<int> columns;
    for (qsizetype c = 0; c < used_.size(); ++c)
        if (used_[c]) columns << int(c);
    // A column without a header is one the sheet keeps out of sight (a code beside its name).
    const QStringList headers = Headers(top_[kHeadingRow - 1], top_[kSubHeadingRow - 1], columns);
    for (qsizetype k = 0; k < columns.size(); ++k)
        if (!headers[k].isEmpty()) {
            picked_ << columns[k];
            t.columns << headers[k];
        }
    if (!totals_.isEmpty()) {
        t.totals = Pick(totals_);
        t.totalsCents = Pick(totalsCents_);
    }
    if (measure_)
        for (int c : picked_) t.cellWidths << std::max(int(widths_.value(c)), DisplayWidth(Flat(totals_.value(c))));
    // The amount, compared, change and rate columns (counted from 0 here) as they are among those shown.
    const qsizetype amount = picked_.indexOf(kAmountColumn - 1), rate = picked_.indexOf(kRateColumn - 1);
    // A spread result: every column from the amount column on holds amounts, the row totals last.
    if (amount >= 0 && top_[kHeadingRow - 1].value(picked_.last()) == kRowTotalHeader) {
        t.amountColumn = int(picked_.size()) - 1;
        t.spreadFrom = int(amount);
        for (qsizetype k = amount; k < picked_.size(); ++k) t.amountColumns << int(k);
        return t;
    }
    t.amountColumn = amount >= 0 ? int(amount) : int(picked_.size()) - 1;
    if (t.amountColumn >= 0) t.amountColumns << t.amountColumn;
    for (int c : {kComparedColumn - 1, kChangeColumn - 1})
        if (amount >= 0 && picked_.contains(c)) t.amountColumns << int(picked_.indexOf(c));
    if (amount >= 0 && rate >= 0) t.rateColumn = int(rate);
    return t;
}

TReportTable ReportTableFromSheet(const QList<authpay::SheetRow> &sheet) {
    TReportScan scan(false);
    for (const authpay::SheetRow &row : sheet) scan.Add(row);
    TReportTable t = scan.Table();
    if (t.columns.isEmpty()) return t;
    for (const authpay::SheetRow &row : sheet)
        if (TReportScan::IsResultRow(row)) {
            t.rows << scan.Pick(row.texts);
            t.rowCents << scan.Pick(row.cents);
        }
    return t;
}

int DisplayWidth(QStringView text) {
    int width = 0;
    for (char32_t u : text.toUcs4()) width += Wide(u) ? 2 : (u < 0x20 ? 0 : 1);
    return width;
}

int ReportTableWidth(const TReportTable &t) {
    int widest = RuleWidth(Widths(t));
    for (const QString &h : t.heading) widest = std::max(widest, DisplayWidth(Flat(h)));
    return widest;
}

namespace {
// A line of cells as `field` writes them, joined by `separator`. Texts are defused before that;
// the amounts and rates the report computed ("-12.00", "-5.00%") are numbers and stay as they are.
QString Delimited(const TReportTable &t, const QStringList &cells, bool amounts, TReportForm form) {
    QStringList fields;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const QString cell = amounts && t.RightAligned(i) ? cells[i] : DefuseFormula(cells[i]);
        fields << (form == TReportForm::Csv ? CsvField(cell) : EscapeSeparators(cell));
    }
    return form == TReportForm::Csv ? fields.join(QLatin1Char(',')) + QStringLiteral("\r\n")
                                    : fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

// An array (or object) as QJsonDocument writes it indented, its lines after the first indented by
// `indent` more: the same text as the array nested that deep in a document.
QString Indented(const QJsonDocument &document, int indent) {
    QString text = QString::fromUtf8(document.toJson(QJsonDocument::Indented));
    text.chop(1);
    return text.replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(indent, QLatin1Char(' ')));
}
}  // namespace

TReportWriter::TReportWriter(const TReportTable &table, TReportForm form, qsizetype rows, int maxRows)
    : t_(table), form_(form), rows_(rows) {
    const bool cut = form == TReportForm::Table && maxRows > 0 && rows > maxRows;
    head_ = cut ? maxRows - maxRows / 2 : rows;
    tail_ = cut ? rows - maxRows / 2 : rows;
    if (form != TReportForm::Table) return;
    widths_ = Widths(table);
    rule_ = QString(RuleWidth(widths_), QLatin1Char('-')) + QLatin1Char('\n');
}

QString TReportWriter::Begin() {
    QString out;
    switch (form_) {
    case TReportForm::Table:
        for (const QString &h : t_.heading) out += Flat(h) + QLatin1Char('\n');
        return out + QLatin1Char('\n') + Line(t_.columns, widths_, nullptr) + rule_;
    case TReportForm::Tsv:
    case TReportForm::Csv:
        return Delimited(t_, t_.columns, false, form_);
    case TReportForm::Json:
        return QStringLiteral("{\n    \"columns\": ") + Indented(QJsonDocument(QJsonArray::fromStringList(t_.columns)), 4)
               + QStringLiteral(",\n    \"heading\": ") + Indented(QJsonDocument(QJsonArray::fromStringList(t_.heading)), 4)
               + QStringLiteral(",\n    \"rows\": [\n");
    }
    return out;
}

// Rows left out of a long table are said once, where they would have begun.
QString TReportWriter::Row(const QStringList &cells, const TRowCents &cents) {
    const qsizetype i = next_++;
    switch (form_) {
    case TReportForm::Table:
        if (i < head_ || i >= tail_) return Line(cells, widths_, &t_);
        if (i > head_) return {};
        return QStringLiteral("... %1 rows not shown (--format tsv, csv or json writes every row) ...\n")
            .arg(tail_ - head_);
    case TReportForm::Tsv:
    case TReportForm::Csv:
        return Delimited(t_, cells, true, form_);
    case TReportForm::Json:
        return (i ? QStringLiteral(",\n        ") : QStringLiteral("        ")) + Indented(JsonRow(t_, cells, cents), 8);
    }
    return {};
}

QString TReportWriter::End() {
    switch (form_) {
    case TReportForm::Table:
        return t_.totals.isEmpty() ? QString() : rule_ + Line(t_.totals, widths_, &t_);
    case TReportForm::Tsv:
    case TReportForm::Csv:
        return t_.totals.isEmpty() ? QString() : Delimited(t_, t_.totals, true, form_);
    case TReportForm::Json:
        return QLatin1String(next_ ? "\n" : "") + QStringLiteral("    ],\n    \"totals\": ")
               + Indented(JsonRow(t_, t_.totals, t_.totalsCents), 4) + QStringLiteral("\n}\n");
    }
    return {};
}

namespace {
QString Whole(const TReportTable &t, TReportForm form, int maxRows = 0) {
    TReportWriter writer(t, form, t.rows.size(), maxRows);
    QString out = writer.Begin();
    for (qsizetype r = 0; r < t.rows.size(); ++r) out += writer.Row(t.rows[r], t.rowCents.value(r));
    return out + writer.End();
}
}  // namespace

QString FormatReportTable(const TReportTable &t, int maxRows) { return Whole(t, TReportForm::Table, maxRows); }
QString FormatReportTsv(const TReportTable &t) { return Whole(t, TReportForm::Tsv); }
QString FormatReportCsv(const TReportTable &t) { return Whole(t, TReportForm::Csv); }
QString FormatReportJson(const TReportTable &t) { return Whole(t, TReportForm::Json); }

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
