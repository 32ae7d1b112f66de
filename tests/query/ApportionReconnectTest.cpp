// The PostgreSQL server restarted between two Refreshes: the second one reconnects on its own and
// gives the same report. Runs when AUTHPAY_PG_RESTART holds the command that restarts the test
// cluster (the fault sweep sets it); skipped otherwise.
#include "query/QueryWindow.h"

#include <cstdlib>

namespace {

class ApportionReconnectTest : public TQueryWindowTest {};

TEST_F(ApportionReconnectTest, TheRefreshAfterAServerRestartReconnects) {
    const QByteArray restart = qgetenv("AUTHPAY_PG_RESTART");
    if (restart.isEmpty()) GTEST_SKIP() << "AUTHPAY_PG_RESTART is not set";
    Open(TBackend::PostgreSQL);
    if (!w) return;
    Refresh();
    const int rows = RowCount();
    const QString total = Cell(14, rows - 1);
    ASSERT_GT(rows, 7);
    ASSERT_EQ(std::system(restart.constData()), 0);
    Refresh();
    EXPECT_TRUE(answers.boxes.isEmpty()) << answers.boxes.value(0).text.toStdString();
    EXPECT_EQ(RowCount(), rows);
    EXPECT_EQ(Cell(14, RowCount() - 1), total);
}

}  // namespace
