#pragma once
// The workbook's shared string table: every distinct cell text once, numbered in order of first
// use, written as the SST record (with CONTINUE records where it outgrows one record) and its
// EXTSST index.
//
// The table holds views: the texts must outlive it (they live in the sheet model).
#include "report/xls/BiffBuffer.h"

#include <QHash>
#include <QStringView>
#include <vector>

namespace biff {

class TSharedStrings {
public:
    // The number of the text in the table; counts one more reference to it.
    uint32_t Add(QStringView text);
    uint32_t UniqueCount() const { return uint32_t(strings_.size()); }
    uint32_t ReferenceCount() const { return references_; }

    // Writes SST, CONTINUE and EXTSST records. `streamBase` is the stream position of the buffer's
    // first byte; EXTSST records absolute positions.
    void Write(TBiffBuffer &out, size_t streamBase) const;

    // Strings per EXTSST bucket for a table of `count` strings (at least 8, at most 128 buckets).
    static uint16_t BucketSize(uint32_t count);

private:
    QHash<QStringView, uint32_t> index_;
    std::vector<QStringView> strings_;
    uint32_t references_ = 0;
};

}  // namespace biff
