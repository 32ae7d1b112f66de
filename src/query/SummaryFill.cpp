#include "query/SummaryFill.h"

#include <QElapsedTimer>
#include <algorithm>

TSummaryFill::TSummaryFill(TReportSheet *sheet, std::shared_ptr<TSummaryRows> rows, bool subtotals)
    : rows_(std::move(rows)), writer_(sheet, rows_->built.CompareYear != 0),
      subtotals_(subtotals ? int(rows_->built.FieldNames().size()) / 2 - 1 : 0) {}

bool TSummaryFill::Step(int msecs, size_t rowLimit) {
    if (finished_) return true;
    const auto writeSubtotals = [this](const std::vector<TSubtotal> &closed) {
        for (const TSubtotal &s : closed) writer_.AddSubtotal(s.level, s.values, s.sum, s.compared);
    };
    QElapsedTimer clock;
    clock.start();
    const size_t total = rows_->values.size(), first = next_;
    const size_t end = total - next_ > rowLimit ? next_ + std::max<size_t>(rowLimit, 1) : total;
    while (next_ < end) {
        QStringList &values = rows_->values[next_];
        const double amount = rows_->amounts[next_];
        const double compared = next_ < rows_->compared.size() ? rows_->compared[next_] : 0;
        writeSubtotals(subtotals_.Add(values, amount, compared));
        writer_.AddRow(values, amount, compared);
        values = QStringList();
        // The clock is read every few rows: reading it costs more than writing a short row.
        if ((++next_ & 63) == 0 && clock.elapsed() >= msecs) break;
    }
    if (next_ < total) {
        writer_.RuleWritten();
        return false;
    }
    // The last subtotals and the totals row get a slice of their own when this one is half spent.
    if (next_ > first && clock.elapsed() >= msecs / 2) {
        writer_.RuleWritten();
        return false;
    }
    writeSubtotals(subtotals_.Finish());
    writer_.AddTotals();
    finished_ = true;
    return true;
}
