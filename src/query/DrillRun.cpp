#include "query/DrillRun.h"

#include "data/ARQuery.h"
#include "data/AdoConn.h"
#include "data/DatabaseError.h"
#include "data/DefaultConn.h"
#include "query/DrillSql.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

void TDrillRows::Add(const QStringList &values, double amount) {
    if (columns_ < 0) columns_ = values.size();
    if (size_ % kBlockRows == 0) {
        // The block before is complete: give back what its text reserved for growing.
        if (!blocks_.empty()) blocks_.back().texts.squeeze();
        blocks_.emplace_back();
        blocks_.back().ends.reserve(kBlockRows * size_t(columns_));
        blocks_.back().amounts.reserve(kBlockRows);
    }
    TBlock &block = blocks_.back();
    for (qsizetype i = 0; i < columns_; ++i) {
        if (i < values.size()) block.texts.append(values[i]);
        block.ends.push_back(uint32_t(block.texts.size()));
    }
    block.amounts.push_back(amount);
    ++size_;
}

QStringList TDrillRows::Values(size_t row) const {
    const TBlock &block = BlockOf(row);
    const size_t first = (row % kBlockRows) * size_t(columns_);
    QStringList values;
    values.reserve(columns_);
    uint32_t start = first ? block.ends[first - 1] : 0;
    for (size_t i = first; i < first + size_t(columns_); ++i) {
        values << QStringView(block.texts).mid(start, block.ends[i] - start).toString();
        start = block.ends[i];
    }
    return values;
}

double TDrillRows::Amount(size_t row) const { return BlockOf(row).amounts[row % kBlockRows]; }

void TDrillRows::Release(size_t row) {
    const size_t before = released_;
    for (; released_ < row / kBlockRows && released_ < blocks_.size(); ++released_) blocks_[released_] = TBlock();
#ifdef __GLIBC__
    // The blocks were taken on the reading thread, from its own heap, whose pages the C library
    // keeps while any block on them lives: without a trim the sheet's growth would come on top of
    // every row read. Every few blocks, so that the trims cost little.
    constexpr size_t kTrimEvery = 8;
    if (released_ / kTrimEvery != before / kTrimEvery || (released_ == blocks_.size() && released_ != before))
        malloc_trim(0);
#endif
}

void ReadDrillRows(const QString &sql, TDrillRows &out, const std::atomic<bool> &cancelled) {
    const TTunedStatement tuned(GetDefaultConn());
    IARQueryPtr q;
    if (const authpay::Outcome opened = TryOpenDefaultQuery(sql, q); !opened.Ok()) throw EDatabaseError(opened.message);
    TARQuery *rows = q.Query();
    if (rows->IsEmpty()) return;
    std::vector<int> columns;  // looked up once, not on every row
    for (const QString &f : DrillColumns()) columns.push_back(rows->FieldIndex(f));
    const int amountColumn = columns.back();
    columns.pop_back();
    QStringList values;
    values.reserve(qsizetype(columns.size()));
    for (int n = 0; !rows->Eof(); rows->Next(), ++n) {
        if ((n & 1023) == 0 && cancelled) return;
        values.clear();
        for (int c : columns) values << rows->Value(c).toString();
        out.Add(values, TField(QString(), rows->Value(amountColumn)).AsCurrency());
    }
}
