// The rows of a Refresh handed to the window in batches while the statement goes on: the first
// screen's worth at once, then batch by batch; together they are the rows read in one go, with
// each repeated text shared with the row before across the batches' seams too.
#include "query/QueryWindow.h"
#include "query/SummaryRun.h"

#include <gtest/gtest.h>

namespace {

class SummaryHandoverTest : public TQueryWindowDbTest {};

TEST_P(SummaryHandoverTest, BatchesTogetherAreTheRowsReadInOneGo) {
    Open(GetParam());
    if (IsSkipped()) return;
    const QStringList dimensions{"资金性质", "支出类型", "支付方式", "预算科目", "预算项目"};
    for (int i = 0; i < dimensions.size(); ++i) Choose(w->cmbNum[size_t(i + 1)], dimensions[i]);
    Choose(w->cobClass, QStringLiteral("<全部>"));  // units of every level
    const std::atomic<bool> never{false};
    TSummaryRows whole, reader, taken;
    ReadSummary(w->Conditions(), whole, never);
    ASSERT_GT(whole.values.size(), 2048u + 200u);
    std::vector<size_t> batches;
    TRowHandover *given = nullptr;
    TRowHandover handover([&] { batches.push_back(given->Take(taken)); });
    given = &handover;
    ReadSummary(w->Conditions(), reader, never, &handover);
    EXPECT_TRUE(reader.values.empty());
    EXPECT_EQ(reader.built.Sql, whole.built.Sql);
    EXPECT_EQ(taken.built.Sql, whole.built.Sql);
    ASSERT_GE(batches.size(), 3u);
    EXPECT_EQ(batches[0], 200u);
    EXPECT_EQ(batches[1], 2048u - 200u);
    ASSERT_EQ(taken.values, whole.values);
    EXPECT_EQ(taken.amounts, whole.amounts);
    for (size_t r = 1; r < taken.values.size(); ++r)
        for (qsizetype c = 0; c < taken.values[r].size(); ++c)
            if (taken.values[r][c] == taken.values[r - 1][c] && !taken.values[r][c].isEmpty()) {
                ASSERT_EQ(taken.values[r][c].constData(), taken.values[r - 1][c].constData()) << r << "," << c;
            }
}

INSTANTIATE_TEST_SUITE_P(Backends, SummaryHandoverTest, ::testing::Values(TBackend::SQLite, TBackend::PostgreSQL),
                         [](const auto &info) { return BackendName(info.param); });

}  // namespace
