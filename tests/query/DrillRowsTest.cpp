// The drill-down's read rows kept in blocks: each row's values and amount come back as added
// (empty values, texts of any length, rows across block edges), and releasing the written rows
// leaves the rows after them readable.
#include "query/DrillRun.h"

#include <gtest/gtest.h>

TEST(DrillRowsTest, RowsComeBackAsAddedAcrossBlocksAndReleases) {
    TDrillRows rows;
    const size_t count = 2 * TDrillRows::kBlockRows + 5;
    auto values = [](size_t r) {
        return QStringList{QString::number(r), QString(), QString(int(r % 7), QChar(0x4E00 + int(r % 50))),
                           QStringLiteral("id%1").arg(r)};
    };
    for (size_t r = 0; r < count; ++r) rows.Add(values(r), double(r) / 4);
    ASSERT_EQ(rows.Size(), count);
    for (size_t r : {size_t(0), TDrillRows::kBlockRows - 1, TDrillRows::kBlockRows, count - 1}) {
        EXPECT_EQ(rows.Values(r), values(r)) << r;
        EXPECT_EQ(rows.Amount(r), double(r) / 4);
    }
    rows.Release(TDrillRows::kBlockRows + 1);  // the first block is written: it goes
    for (size_t r = TDrillRows::kBlockRows; r < count; ++r) ASSERT_EQ(rows.Values(r), values(r)) << r;
    rows.Release(count);
    EXPECT_EQ(rows.Values(count - 1), values(count - 1));  // the last block stays until the read ends
}
