// "明细": a double-click or Enter on a result row, a subtotal row or the totals row opens the
// budget rows behind the figure, with a totals row equal to it and to the database's own sum;
// pages come as the user scrolls; codes holding quotes find their own rows.
#include "query/QueryWindow.h"
#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "report/AmountText.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

class ApportionDrillTest : public TQueryWindowDbTest {
protected:
    void SetUp() override {
        Open(GetParam());
        if (IsSkipped()) return;
        Choose(w->cmbNum[1], QStringLiteral("资金性质"));
        Choose(w->cobClass, QStringLiteral("1"));
    }
    void TearDown() override {
        for (TbfrmApportionDetail *d : opened_) delete d;
        TQueryWindowTest::TearDown();
    }
    // The detail window the input opened, if any, once it has read its first page.
    TbfrmApportionDetail *Opened(const std::function<void()> &input) { return DetailOpenedBy(input, opened_); }
    // The query window brought to the front first, as the user would.
    TbfrmApportionDetail *DoubleClick(int row) {
        w->Show();
        QApplication::processEvents();
        const QRect cell = w->ShowSheetCell(2, row);
        return Opened([&] { QTest::mouseDClick(w->cllBudget->View()->viewport(), Qt::LeftButton, {}, cell.center()); });
    }
    TbfrmApportionDetail *PressEnter(int row) {
        w->Show();
        QApplication::processEvents();
        w->ShowSheetCell(1, row);
        return Opened([&] { QTest::keyClick(w->cllBudget->View(), Qt::Key_Return); });
    }
    static QString Totals(const TbfrmApportionDetail *d) {
        return d->cllBudget->SheetCellText(14, d->cllBudget->SheetRowCount(0) - 1);
    }
    // Every page read first, as the outputs read them.
    void ExpectDbFigures(TbfrmApportionDetail *d, const QString &where, const QString &view = "vwBudgetAdj") {
        ASSERT_TRUE(d->FetchAll());
        const QString from = QStringLiteral(" from %1 where datayear=2010 and btype='0'").arg(view) + where;
        EXPECT_EQ(d->FetchedRows(), int(DbValue("select count(*)" + from))) << where.toStdString();
        EXPECT_EQ(Totals(d), FormatAmountText(DbValue("select sum(budgmoney)" + from))) << where.toStdString();
    }
    QString Cut(int length) const {
        return QStringLiteral(" and %1(eid,1,%2)=").arg(GetParam() == TBackend::SQLite ? "substr" : "substring").arg(length);
    }
    QList<QPointer<TbfrmApportionDetail>> opened_;
};

TEST_P(ApportionDrillTest, ResultSubtotalAndTotalsRowsOpenTheRowsBehindTheirFigures) {
    Click(w->chbSubtotal);
    Refresh();
    TracedSql();
    TbfrmApportionDetail *row = DoubleClick(7);
    ASSERT_NE(row, nullptr);
    const QStringList traced = TracedSql();
    ASSERT_EQ(traced.size(), 1);
    EXPECT_TRUE(traced[0].contains(QStringLiteral("(vwBudgetAdj.eid,1,3)='%1' and mid='%2' order by id").arg(Cell(2, 7), Cell(4, 7))))
        << traced[0].toStdString();
    // Titled by the group, fund natures by name only, as the row reads.
    EXPECT_EQ(row->windowTitle(), QStringLiteral("明细 - %1 %2 / %3").arg(Cell(2, 7), Cell(3, 7), Cell(5, 7)));
    EXPECT_TRUE(row->Complete());
    EXPECT_EQ(Totals(row), Cell(14, 7));
    ExpectDbFigures(row, Cut(3) + "'" + Cell(2, 7) + "' and mid='" + Cell(4, 7) + "'");
    for (int r = 7; r < row->cllBudget->SheetRowCount(0) - 1; ++r) {
        EXPECT_TRUE(row->cllBudget->SheetCellText(2, r).startsWith(Cell(2, 7)));
        EXPECT_EQ(row->cllBudget->SheetCellText(8, r), Cell(5, 7));
    }

    int subtotal = 7;
    while (!Cell(1, subtotal).endsWith(QStringLiteral("小计"))) ++subtotal;
    TbfrmApportionDetail *group = PressEnter(subtotal);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(Totals(group), Cell(14, subtotal));
    EXPECT_EQ(group->windowTitle(), QStringLiteral("明细 - %1 %2 小计").arg(Cell(2, subtotal), Cell(3, subtotal)));
    ExpectDbFigures(group, Cut(3) + "'" + Cell(2, subtotal) + "'");

    TbfrmApportionDetail *all = DoubleClick(RowCount() - 1);
    ASSERT_NE(all, nullptr);
    EXPECT_FALSE(all->Complete());
    EXPECT_EQ(all->windowTitle(), QStringLiteral("明细 - 合计"));
    ExpectDbFigures(all, QString());
    EXPECT_EQ(Totals(all), Cell(14, RowCount() - 1));
    // The heading rows open nothing; nor does a sheet whose rows were cleared.
    EXPECT_EQ(DoubleClick(5), nullptr);
    Choose(w->cmbNum[1], QStringLiteral("预算科目"));
    EXPECT_EQ(DoubleClick(7), nullptr);
    EXPECT_TRUE(answers.boxes.isEmpty());
    // The drill-downs close with the query window.
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    w = nullptr;
    for (const QPointer<TbfrmApportionDetail> &d : opened_) EXPECT_TRUE(d.isNull());
}

TEST_P(ApportionDrillTest, PagesComeAsTheUserScrollsToTheEnd) {
    Refresh();
    const std::optional<TDrillRequest> request = w->DrillRequestAt(RowCount() - 1);
    ASSERT_TRUE(request);
    auto *d = static_cast<TbfrmApportionDetail *>(ConstructComponent<TbfrmApportionDetail>(TComponentOwner{}));
    opened_ << d;
    d->SetPageRows(20);
    ASSERT_TRUE(d->Load(*request)) << d->LastMessage().toStdString();
    d->Show();
    d->resize(900, 500);
    WaitIdle(d);
    // Pages until the last row read is two screens below the one shown, and no further.
    const int first = d->FetchedRows();
    EXPECT_EQ(first % 20, 0);
    EXPECT_LT(first, 200);
    EXPECT_FALSE(d->Complete());
    EXPECT_TRUE(d->lblRows->text().contains(QStringLiteral("向下滚动")));
    d->cllBudget->View()->setFocus();
    QTest::keyClick(d->cllBudget->View(), Qt::Key_End);
    WaitIdle(d);
    EXPECT_GT(d->FetchedRows(), first);
    ASSERT_TRUE(d->FetchAll());
    EXPECT_EQ(Totals(d), request->Figure);
    ExpectDbFigures(d, QString());
    EXPECT_EQ(d->lblRows->text(), QStringLiteral("共 %1 行").arg(QLocale().toString(d->FetchedRows())));
    // Every row once, in row id order, across the pages.
    for (int r = 8; r < d->cllBudget->SheetRowCount(0) - 1; ++r)
        ASSERT_LT(d->cllBudget->SheetCellText(11, r - 1).toLongLong(), d->cllBudget->SheetCellText(11, r).toLongLong()) << r;
}

// A group larger than the sheet holds is read up to the limit and no further; the outputs refuse
// it and say why, rather than print a part as the whole.
TEST_P(ApportionDrillTest, AGroupLargerThanTheSheetHoldsIsReadToTheLimitAndNotOutput) {
    Refresh();
    auto *d = static_cast<TbfrmApportionDetail *>(ConstructComponent<TbfrmApportionDetail>(TComponentOwner{}));
    opened_ << d;
    d->SetPageRows(20);
    d->SetRowLimit(30);
    ASSERT_TRUE(d->Load(*w->DrillRequestAt(RowCount() - 1)));
    EXPECT_FALSE(d->FetchAll());
    EXPECT_EQ(d->FetchedRows(), 30);
    EXPECT_FALSE(d->Complete());
    EXPECT_NE(d->cllBudget->SheetCellText(1, d->cllBudget->SheetRowCount(0) - 1), QStringLiteral("合  计"));
    answers.boxes.clear();
    d->SetPrintFile(tmp.filePath(QStringLiteral("part.pdf")));
    Click(d->tbnPrint);
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_TRUE(answers.boxes[0].text.contains(QStringLiteral("明细超出报表能容纳的行数：只读出了前 30 行")));
    EXPECT_FALSE(QFile::exists(tmp.filePath(QStringLiteral("part.pdf"))));
    EXPECT_TRUE(d->lblRows->text().contains(QStringLiteral("其余的行未读出")));
}

// The export asks for the file first: a cancelled export reads no further page and says nothing.
TEST_P(ApportionDrillTest, ACancelledExportReadsNothing) {
    Refresh();
    TbfrmApportionDetail *d = DoubleClick(RowCount() - 1);
    ASSERT_NE(d, nullptr);
    const int read = d->FetchedRows();
    ASSERT_FALSE(d->Complete());
    Click(d->tbtnExcel);
    EXPECT_EQ(answers.saveDialogs, 1);
    EXPECT_EQ(d->FetchedRows(), read);
    EXPECT_TRUE(answers.boxes.isEmpty());
}

// Unit codes holding quotes (a view of the budget rows made for the test) open their own rows,
// whole and cut to a level.
TEST_P(ApportionDrillTest, CodesWithQuotesOpenTheirOwnRows) {
    const QString view = QStringLiteral(
        "view vwQuotedBudget as select id, datayear, replace(eid,'001','0''1') as eid, ename, bkid, btype, btypechild, "
        "issecret, mid, mname, ipid, ipname, pid, pname, bid, bname, iid, iname, budgmoney from vwBudgetAdj");
    OpenWithObjects(GetParam(), {"create " + view},
                    {"create or replace " + view, QStringLiteral("grant select on vwQuotedBudget to public")});
    ASSERT_TRUE(w);
    Choose(w->cmbNum[1], QStringLiteral("资金性质"));
    w->FSourceView = QStringLiteral(" vwQuotedBudget ");
    for (const QString &level : {QStringLiteral("<全部>"), QStringLiteral("2")}) {
        Choose(w->cobClass, level);
        Refresh();
        int row = 7;
        while (row < RowCount() - 1 && !Cell(2, row).contains('\'')) ++row;
        ASSERT_LT(row, RowCount() - 1);
        TbfrmApportionDetail *d = DoubleClick(row);
        ASSERT_NE(d, nullptr) << (answers.boxes.isEmpty() ? "" : answers.boxes[0].text.toStdString());
        EXPECT_EQ(Totals(d), Cell(14, row));
        QString code = Cell(2, row);
        code.replace("'", "''");
        ExpectDbFigures(d, (level == "2" ? Cut(6) : QStringLiteral(" and eid=")) + "'" + code + "' and mid='" + Cell(4, row) + "'",
                        QStringLiteral("vwQuotedBudget"));
    }
    EXPECT_TRUE(answers.boxes.isEmpty());
}

class ApportionDrillFailureTest : public TQueryWindowTest {};

// Without its template the drill-down opens no window and names the file.
TEST_F(ApportionDrillFailureTest, AMissingTemplateOpensNothingAndNamesTheFile) {
    templatesDir = tmp.filePath(QStringLiteral("summary-only/"));
    ASSERT_TRUE(QDir().mkpath(templatesDir));
    const QString summary = QStringLiteral("查询_支付范围汇总组合查询表cll5.cll");
    QString root = qEnvironmentVariable("AUTHPAY_SOURCE_DIR");
    if (root.isEmpty()) root = QStringLiteral(AUTHPAY_SOURCE_DIR_DEFAULT);
    ASSERT_TRUE(QFile::copy(root + QStringLiteral("/templates/") + summary, templatesDir + summary));
    Open(TBackend::SQLite);
    Refresh();
    const QRect cell = w->ShowSheetCell(2, 7);
    QTest::mouseDClick(w->cllBudget->View()->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(answers.boxes[0].text.contains(templatesDir + QStringLiteral("查询_支付范围汇总组合查询明细表cll5.cll")))
        << answers.boxes[0].text.toStdString();
    for (QWidget *widget : QApplication::allWidgets()) EXPECT_EQ(qobject_cast<TbfrmApportionDetail *>(widget), nullptr);
}

// A budget row written between the Refresh and the drill-down makes the drill-down's total differ
// from its figure: once every row is read the window says so under the sheet, and tells a host
// that asks. Over unchanged data it says nothing.
TEST_F(ApportionDrillFailureTest, DataChangedSinceTheRefreshIsNamedUnderTheSheet) {
    const QString file = tmp.filePath(QStringLiteral("copy.sqlite"));
    ASSERT_TRUE(QFile::copy(DemoSqliteFile(), file));
    OpenOn("Provider=SQLite;Data Source=" + file + ";Mode=Read", QStringLiteral("001001"));
    Refresh();
    const QString figure = Cell(14, 7);
    const auto drill = [this] {
        std::unique_ptr<TbfrmApportionDetail> d(
            static_cast<TbfrmApportionDetail *>(ConstructComponent<TbfrmApportionDetail>(TComponentOwner{})));
        EXPECT_TRUE(d->Load(*w->DrillRequestAt(7)) && d->FetchAll()) << d->LastMessage().toStdString();
        return d;
    };
    const auto same = drill();
    EXPECT_EQ(same->DataChangeNote(), QString());
    EXPECT_EQ(same->lblRows->text(), QStringLiteral("共 %1 行").arg(QLocale().toString(same->FetchedRows())));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        QSqlQuery insert(db);
        ASSERT_TRUE(insert.exec("insert into BusiBudgetAdj select (select max(id)+1 from BusiBudgetAdj), datayear, eid, bkid, "
                                "btype, btypechild, issecret, mid, ipid, pid, bid, iid, 100 from BusiBudgetAdj where id="
                                + same->cllBudget->SheetCellText(11, 7)))
            << insert.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    const auto changed = drill();
    const QString total = changed->cllBudget->SheetCellText(14, changed->cllBudget->SheetRowCount(0) - 1);
    double figureValue = 0, totalValue = 0;
    ASSERT_TRUE(ParseAmountText(figure, &figureValue) && ParseAmountText(total, &totalValue));
    EXPECT_NEAR(totalValue - figureValue, 100, 0.005);
    const QString note = QStringLiteral("数据在汇总后有变动：明细合计 %1，汇总数 %2").arg(total, figure);
    EXPECT_EQ(changed->DataChangeNote(), note);
    EXPECT_TRUE(changed->lblRows->text().endsWith(note)) << changed->lblRows->text().toStdString();
    EXPECT_TRUE(answers.boxes.isEmpty());
}

}  // namespace

AUTHPAY_ON_BOTH_BACKENDS(ApportionDrillTest);
