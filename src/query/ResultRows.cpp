#include "query/ResultRows.h"

#include <algorithm>
#include <cmath>

#include "report/AmountText.h"
#include "report/ReportSheet.h"
#include "report/ReportLayout.h"

using namespace ReportLayout;

TResultRowWriter::TResultRowWriter(TReportSheet *sheet, bool comparison) : sheet_(sheet), comparison_(comparison) {
    sheet_->SetAmountColumns(comparison ? std::vector<int>{kAmountColumn, kComparedColumn, kChangeColumn} : std::vector<int>{kAmountColumn});
}

namespace {
// The rate ChangeRateText shows, in hundredths of a percent; none where it shows none (or the
// rate is beyond what a workbook's number keeps exactly).
std::optional<qint64> ChangeRate(double amount, double compared) {
    if (std::fabs(compared) < 0.005) return std::nullopt;
    const double hundredths = std::round((amount - compared) / compared * 10000.0);
    if (!std::isfinite(hundredths) || std::fabs(hundredths) > 9e15) return std::nullopt;
    return qint64(hundredths);
}
}  // namespace

namespace {
// A rate of a whole number of hundredths of a percent, written from its last digit backwards:
// the text the general way below gives such a rate, without its conversions (one per row).
void PutHundredthsRate(qint64 hundredths, TFigureText &out) {
    out.Put(u'%');
    qint64 rest = hundredths < 0 ? -hundredths : hundredths;
    out.Put(char16_t(u'0' + rest % 10));
    out.Put(char16_t(u'0' + rest / 10 % 10));
    out.Put(u'.');
    rest /= 100;
    do {
        out.Put(char16_t(u'0' + rest % 10));
        rest /= 10;
    } while (rest > 0);
    if (hundredths < 0) out.Put(u'-');
}

// A row's running number (from 1), as QString::number writes it.
QStringView RowNumberText(int number, TFigureText &room) {
    room.Clear();
    do {
        room.Put(char16_t(u'0' + number % 10));
        number /= 10;
    } while (number > 0);
    return room.View();
}

// Below this many hundredths the rate's nearest double is far closer to it than the half
// hundredth a two-decimal text rounds by, so that text shows exactly the hundredths.
constexpr double kPlainRateLimit = 1e12;
}  // namespace

QStringView ChangeRateText(double amount, double compared, TFigureText &room) {
    room.Clear();
    if (std::fabs(compared) < 0.005) return room.View();
    // Rounded first, so that a change a hair below zero shows as 0.00%, not -0.00%.
    const double hundredths = std::round((amount - compared) / compared * 10000.0);
    if (std::fabs(hundredths) < kPlainRateLimit) PutHundredthsRate(qint64(hundredths), room);
    else room.spilled = QString::number(hundredths / 100.0 + 0.0, 'f', 2) + QLatin1Char('%');
    return room.View();
}

QString ChangeRateText(double amount, double compared) {
    TFigureText room;
    return ChangeRateText(amount, compared, room).toString();
}

void TResultRowWriter::WriteAmounts(int r, double amount, double compared) {
    TReportSheet &s = *sheet_;
    const double amounts[] = {amount, compared, amount - compared};
    // Written ruled: the row's grid lines come over them later and find them in place.
    constexpr int right = AlignCode::RightMiddle;
    for (int col = kAmountColumn; col <= (comparison_ ? kRateColumn : kAmountColumn); ++col) {
        if (col == kRateColumn) {
            s.SheetSetAlignedText(col, r, ChangeRateText(amount, compared, figure_), right, true);
            if (const std::optional<qint64> rate = ChangeRate(amount, compared)) s.SheetSetRate(col, r, *rate);
        } else {
            const double value = amounts[col - kAmountColumn];
            s.SheetSetAlignedText(col, r, ReportAmountText(value, figure_), right, true);
            if (const std::optional<qint64> cents = ReportAmountCents(value)) s.SheetSetAmount(col, r, *cents);
        }
        FitColumn(col, r);
    }
}

int TResultRowWriter::AppendRow() {
    TReportSheet &s = *sheet_;
    s.SheetSetRowCount(s.SheetRowCount(0) + 1, 0);
    const int r = s.SheetRowCount(0) - 1;
    if (firstRow_ == 0) firstRow_ = r;
    return r;
}

// Running number and the dimensions' codes and names of a new row, every cell up to the amounts
// written ruled; the row's number.
int TResultRowWriter::WriteRowLabels(const QStringList &values) {
    TReportSheet &s = *sheet_;
    const int r = AppendRow();
    // Each cell is written in its final style (aligned, ruled) at once.
    s.SheetSetAlignedText(kNumberColumn, r, RowNumberText(count_ + 1, figure_), -1, true);
    FitColumn(kNumberColumn, r);
    if (fittedCodes_.size() < size_t(values.size())) fittedCodes_.resize(size_t(values.size()));
    const bool follows = r == lastLabelRow_ + 1;
    for (int i = 0; i < values.size(); ++i) {
        // The same text as the row above, which was fitted to already.
        const bool same = follows && i < lastLabels_.size() && values[i].size() == lastLabels_[i].size() &&
                          values[i].constData() == lastLabels_[i].constData();
        s.SheetSetAlignedText(DimensionColumn(1) + i, r, values[i], AlignCode::LeftMiddle, true, same);
        QString &fitted = fittedCodes_[size_t(i)];
        if (!same && values[i] != fitted && IsUnbreakable(values[i])) {
            FitColumn(DimensionColumn(1) + i, r);
            fitted = values[i];
        }
    }
    // The row's empty cells get their lines too: the whole row is ruled as it is written.
    for (int col = DimensionColumn(1) + int(values.size()); col < kAmountColumn; ++col) s.SheetSetAlignedText(col, r, QString(), -1, true);
    lastLabels_ = values;
    lastLabelRow_ = r;
    return r;
}

void TResultRowWriter::AddRow(const QStringList &values, double amount, double compared) {
    TReportSheet &s = *sheet_;
    const int r = WriteRowLabels(values);
    WriteAmounts(r, amount, compared);
    for (int col = (comparison_ ? kRateColumn : kAmountColumn) + 1; col <= LastColumn(); ++col)
        s.SheetSetAlignedText(col, r, QString(), -1, true);
    s.SheetMarkRow(r, TRowKind::Result);
    total_ += amount;
    comparedTotal_ += compared;
    ++count_;
    s.SheetRowHeight(1, s.SheetPreferredRowHeight(r), r, 0);
}

void TResultRowWriter::SetSpread(int columns) {
    spread_ = std::max(0, columns);
    comparison_ = false;
    std::vector<int> amounts;
    for (int col = kAmountColumn; col <= kAmountColumn + spread_; ++col) amounts.push_back(col);
    sheet_->SetAmountColumns(amounts);
    columnTotals_.assign(size_t(spread_), std::nullopt);
}

// A spread row's cells from column 14 (none: empty, but ruled) and its total after them.
void TResultRowWriter::WriteSpreadAmounts(int r, const std::vector<std::optional<double>> &cells, double total) {
    TReportSheet &s = *sheet_;
    for (int c = 0; c <= spread_; ++c) {
        const int col = kAmountColumn + c;
        const std::optional<double> value = c < spread_ ? cells.at(size_t(c)) : std::optional<double>(total);
        if (!value) {
            s.SheetSetAlignedText(col, r, QString(), -1, true);
            continue;
        }
        s.SheetSetAlignedText(col, r, ReportAmountText(*value, figure_), AlignCode::RightMiddle, true);
        if (const std::optional<qint64> cents = ReportAmountCents(*value)) s.SheetSetAmount(col, r, *cents);
        FitColumn(col, r);
    }
}

void TResultRowWriter::AddSpreadRow(const QStringList &values, const std::vector<std::optional<double>> &cells,
                                    double total) {
    TReportSheet &s = *sheet_;
    const int r = WriteRowLabels(values);
    WriteSpreadAmounts(r, cells, total);
    for (size_t c = 0; c < columnTotals_.size() && c < cells.size(); ++c)
        if (cells[c]) columnTotals_[c] = columnTotals_[c].value_or(0) + *cells[c];
    s.SheetMarkRow(r, TRowKind::Result);
    total_ += total;
    ++count_;
    s.SheetRowHeight(1, s.SheetPreferredRowHeight(r), r, 0);
}

void TResultRowWriter::AddSubtotal(int level, const QStringList &values, double sum, double compared,
                                   const std::vector<std::optional<double>> &cells) {
    TReportSheet &s = *sheet_;
    const int r = AppendRow();
    unruled_.push_back(r);
    s.SheetSetText(1, r, 0, QString(std::max(0, level - 1), QChar(0x3000)) + QStringLiteral("小计"));
    s.SheetAlign(kNumberColumn, r, 0, AlignCode::LeftMiddle);
    for (int i = 0; i < values.size(); ++i) {
        s.SheetSetText(DimensionColumn(1) + i, r, 0, values[i]);
        s.SheetAlign(DimensionColumn(1) + i, r, 0, AlignCode::LeftMiddle);
    }
    s.SheetEmphasise(1, r, LastColumn(), r);
    FitColumn(1, r);  // in their bold font
    if (spread_) WriteSpreadAmounts(r, cells, sum);
    else WriteAmounts(r, sum, compared);
    s.SheetMarkRow(r, TRowKind::Subtotal, level);
    s.SheetRowHeight(1, s.SheetPreferredRowHeight(r), r, 0);
}

namespace {
// Beyond this a column does not widen for a text: such a text is no code.
constexpr int kFitWidthLimit = 400;
}  // namespace

// Codes and row ids: printable ASCII without blanks, which the painter cannot wrap.
bool TResultRowWriter::IsUnbreakable(const QString &text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 32 && c.unicode() < 127; });
}

void TResultRowWriter::FitColumn(int col, int row) {
    const int width = sheet_->Model().ColumnWidth(col);
    if (width == 0) return;  // a hidden column stays hidden
    const int needs = std::min(sheet_->SheetTextWidth(col, row), kFitWidthLimit);
    if (needs > width) sheet_->SheetColumnWidth(1, needs, col, 0);
}

void TResultRowWriter::AddTotals() {
    TReportSheet &s = *sheet_;
    const int r = AppendRow();
    unruled_.push_back(r);
    s.SheetMerge(kNumberColumn, r, kTotalsLabelColumns, r);
    s.SheetAlign(kNumberColumn, r, 0, AlignCode::CentreMiddle);
    s.SheetSetText(kNumberColumn, r, 0, QStringLiteral("合  计"));
    if (spread_) WriteSpreadAmounts(r, columnTotals_, total_);
    else WriteAmounts(r, total_, comparedTotal_);
    s.SheetMarkRow(r, TRowKind::Totals);
    RuleWritten();
}

// Every cell of the ruled area gets all four lines, so ruling it in parts leaves the same cells as
// ruling it at once.
void TResultRowWriter::RuleWritten() {
    if (!headingRuled_ && firstRow_ > 0) {
        sheet_->SheetGridLines(kNumberColumn, kHeadingRow, LastColumn(), firstRow_ - 1, 0, 2, -1);
        headingRuled_ = true;
    }
    for (int r : unruled_) sheet_->SheetGridLines(kNumberColumn, r, LastColumn(), r, 0, 2, -1);
    unruled_.clear();
}

TProgressTicker::TProgressTicker(int maximum, std::function<void(int)> show, int percentStep)
    : step_(std::max(1, maximum * percentStep / 100)), show_(std::move(show)) {
    next_ = step_;
}

void TProgressTicker::Advance() {
    ++done_;
    if (done_ >= next_) {
        next_ = done_ + step_;
        if (show_) show_(done_);
    }
}

std::vector<int> NarrowedWidths(std::vector<int> widths, int excess, int minimum) {
    for (; excess > 0; --excess) {
        const auto widest = std::max_element(widths.begin(), widths.end());
        if (widest == widths.end() || *widest <= minimum) break;
        --*widest;
    }
    return widths;
}

void NarrowColumnsTo(TReportSheet *sheet, const std::vector<int> &columns, int width, int minimum) {
    const TSheetModel &m = sheet->Model();
    int total = 0;
    for (int c = 1; c <= m.ColumnCount(); ++c) total += m.ColumnWidth(c);
    std::vector<int> widths;
    for (int c : columns) widths.push_back(m.ColumnWidth(c));
    widths = NarrowedWidths(std::move(widths), total - width, minimum);
    for (size_t i = 0; i < columns.size(); ++i)
        if (widths[i] != m.ColumnWidth(columns[i])) sheet->SheetColumnWidth(1, widths[i], columns[i], 0);
}

int DrillLevelOfRow(TRowKind kind, int level, int dimensions) {
    switch (kind) {
    case TRowKind::Result:
        return dimensions;
    case TRowKind::Totals:
        return 0;
    case TRowKind::Subtotal:
        return level >= 1 && level < dimensions ? level : -1;
    case TRowKind::Other:
        break;
    }
    return -1;
}

QList<QStringList> SheetUsedCells(const TReportSheet *sheet) {
    return sheet->SheetRowTexts(1, sheet->SheetUsedRows(), sheet->SheetUsedColumns());
}

QString SheetUsedCellsText(const TReportSheet *sheet) {
    QString out;
    for (const QStringList &cells : SheetUsedCells(sheet)) out += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    return out;
}
