#include "query/SummaryFill.h"

#include "query/SpreadHeading.h"

#include <QElapsedTimer>
#include <algorithm>

TSummaryFill::TSummaryFill(TReportSheet *sheet, std::shared_ptr<TSummaryRows> rows, bool subtotals, int spreadLimit)
    : rows_(std::move(rows)), writer_(sheet, rows_->built.CompareYear != 0),
      subtotals_(subtotals ? int(rows_->built.FieldNames().size()) / 2 - 1 : 0) {
    if (rows_->built.ColumnDimension.isEmpty()) return;
    spread_ = std::make_unique<TCrossTab>(
        SpreadColumns(rows_->values, rows_->amounts, int(rows_->built.FieldNames().size()), spreadLimit));
    rows_->values.clear();  // the spread rows hold what the sheet is written from
    rows_->amounts.clear();
    WriteSpreadHeading(sheet, *spread_);
    writer_.SetSpread(int(spread_->columns.size()));
}

void TSummaryFill::WriteSubtotals(const std::vector<TSubtotal> &closed) {
    for (const TSubtotal &s : closed) writer_.AddSubtotal(s.level, s.values, s.sum, s.compared, s.cells);
}

// Writes the next row, after the subtotals of the groups it closes.
void TSummaryFill::WriteNext() {
    if (spread_) {
        const size_t width = spread_->columns.size();
        std::vector<std::optional<double>> cells(width);
        for (size_t c = 0; c < width; ++c) cells[c] = spread_->Cell(next_, c);
        const QStringList &values = spread_->rows[next_];
        WriteSubtotals(subtotals_.AddSpread(values, cells, spread_->rowTotals[next_]));
        writer_.AddSpreadRow(values, cells, spread_->rowTotals[next_]);
        return;
    }
    QStringList &values = rows_->values[next_];
    const double amount = rows_->amounts[next_];
    const double compared = next_ < rows_->compared.size() ? rows_->compared[next_] : 0;
    WriteSubtotals(subtotals_.Add(values, amount, compared));
    writer_.AddRow(values, amount, compared);
    values = QStringList();
}

bool TSummaryFill::Step(int msecs, size_t rowLimit) {
    if (finished_) return true;
    QElapsedTimer clock;
    clock.start();
    const size_t total = size_t(Total()), first = next_;
    const size_t end = total - next_ > rowLimit ? next_ + std::max<size_t>(rowLimit, 1) : total;
    while (next_ < end) {
        WriteNext();
        // The clock is read every few rows: reading it costs more than writing a short row.
        if ((++next_ & 63) == 0 && clock.elapsed() >= msecs) break;
    }
    if (next_ < total || more_) {
        writer_.RuleWritten();
        return false;
    }
    // The last subtotals and the totals row get a slice of their own when this one is half spent.
    if (next_ > first && clock.elapsed() >= msecs / 2) {
        writer_.RuleWritten();
        return false;
    }
    WriteSubtotals(subtotals_.Finish());
    writer_.AddTotals();
    finished_ = true;
    return true;
}
