// Refresh on the real databases: the statement sent, the rows and the totals row against the
// database's own sums, runs without rows, codes that try to break out of their quotes, and a
// database that fails.
#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "demo/DemoSchema.h"
#include "frame/UserContextOps.h"
#include "query/CodeEdit.h"
#include "query/QueryWindow.h"
#include "report/AmountText.h"
#include "report/ReportSheet.h"

#include <QLabel>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {

const QString kAll = QStringLiteral("<全部>");
const QString kAttack = QStringLiteral("' or '1'='1");
const QString kCodeNotFound = QStringLiteral("预算单位：编码不正确：编码信息有误，请确认！");

class ApportionRefreshTest : public TQueryWindowDbTest {
protected:
    void SetUp() override { Open(GetParam()); }
    int DataRows() const { return RowCount() - 8; }  // rows 7 to the one before the totals
    int TotalsRow() const { return RowCount() - 1; }
    double Amount(int row) const {
        double v = 0;
        EXPECT_TRUE(ParseAmountText(Cell(14, row), &v)) << Cell(14, row).toStdString();
        return v;
    }
    QString Substr() const { return GetParam() == TBackend::SQLite ? "SUBSTR" : "SUBSTRING"; }
    // Runs a statement on the window's own connection: temporary objects made there shadow the
    // demo's for the window only.
    // A statement of the test's own on the window's connection (a PostgreSQL session of the
    // module is read-only, so the test lifts that for itself first).
    void OnWindowConnection(const QString &sql) {
        QSqlDatabase db = GetDefaultConn()->Database();
        QSqlQuery q(db);
        if (db.driverName() == QLatin1String("QPSQL")) {
            ASSERT_TRUE(q.exec(QStringLiteral("set default_transaction_read_only=off")));
        }
        ASSERT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
    }
};

TEST_P(ApportionRefreshTest, UnitsAtLevelTwoByFundNature) {
    Choose(w->cmbNum[1], QStringLiteral("资金性质"));
    Choose(w->cobType, QStringLiteral("预算数"));
    Choose(w->cobMid, QStringLiteral("一般公共预算资金"));
    Refresh();
    const QStringList sql = TracedSql();
    ASSERT_FALSE(sql.isEmpty());
    const QString cut = Substr() + QStringLiteral("(vwBudgetAdj.eid,1,6)");
    EXPECT_EQ(sql.last(), " select a.*,b.ename  from ( select " + cut +
                              " as aeid,mid,mname,sum(budgmoney) as sumMoney  from  vwBudgetAdj   "
                              "where datayear=2010 and btype='1'  and  mid ='11' group by " + cut +
                              ",mid,mname) a  left join pubdept b on a.aeid=b.eid  order by  a.aeid ,mid,mname");
    EXPECT_TRUE(answers.boxes.isEmpty());

    const QString where = QStringLiteral(" from vwBudgetAdj where datayear=2010 and btype='1' and mid='11'");
    const int groups = int(DbValue("select count(*) from (select distinct substr(eid,1,6) as u, mid" + where + ") t"));
    ASSERT_GT(groups, 3);
    ASSERT_EQ(DataRows(), groups);
    double shown = 0;
    QString previous;
    for (int r = 7; r < TotalsRow(); ++r) {
        EXPECT_EQ(Cell(1, r), QString::number(r - 6));
        EXPECT_TRUE(Cell(2, r).size() == 6 && Cell(2, r) > previous) << r;  // cut codes, in order
        previous = Cell(2, r);
        EXPECT_FALSE(Cell(3, r).isEmpty()) << "no name for the unit " << Cell(2, r).toStdString();
        EXPECT_EQ(Cell(4, r) + Cell(5, r), QStringLiteral("11一般公共预算资金"));
        EXPECT_EQ(w->cllBudget->Model().Style(14, r).hAlign, THAlign::Right);
        shown += Amount(r);
    }
    const int t = TotalsRow();
    EXPECT_EQ(Cell(1, t), QStringLiteral("合  计"));
    const TCellRect *merge = w->cllBudget->Model().Merges().Find(1, t);
    EXPECT_TRUE(merge && merge->right == 12);
    EXPECT_EQ(Cell(14, t), FormatAmountText(DbValue("select sum(budgmoney)" + where)));
    EXPECT_EQ(Cell(14, t), FormatAmountText(shown));
    EXPECT_NE(w->cllBudget->Model().Style(16, t).borders, 0);
    EXPECT_NE(w->cllBudget->Model().Style(1, 4).borders, 0);

    EXPECT_EQ(Cell(1, 2), QStringLiteral("单位:001001 市教育局机关"));
    EXPECT_EQ(Cell(1, 3), "出表日期:" + GetTodayText());
    EXPECT_EQ(Cell(14, 3), QStringLiteral("单位:元"));
    EXPECT_TRUE(w->pnprocess->isHidden());
    EXPECT_EQ(screen_.Cursor(), TCursor::crDefault);
}

TEST_P(ApportionRefreshTest, OwnFundsByExpenditureTypeGiveThreeRows) {
    Choose(w->cmbNum[0], QStringLiteral("资金性质"));
    Choose(w->cmbNum[1], QStringLiteral("支出类型"));
    Choose(w->cobMid, QStringLiteral("单位自有资金"));
    Choose(w->cobPid, kAll);
    Refresh();
    ASSERT_EQ(RowCount(), 11);
    const QStringList types{"17", "18", "19"};
    for (int k = 0; k < 3; ++k) {
        const int r = 7 + k;
        EXPECT_EQ(Cell(1, r) + Cell(2, r) + Cell(3, r) + Cell(4, r), QString::number(k + 1) + "31单位自有资金" + types[k]);
        const double sum = DbValue("select sum(budgmoney) from vwBudgetAdj where datayear=2010 and btype='0' "
                                   "and mid='31' and ipid='" + types[k] + "'");
        EXPECT_EQ(Cell(14, r), FormatAmountText(sum));
    }
    EXPECT_EQ(Cell(5, 7), QStringLiteral("自有资金人员经费"));
    EXPECT_EQ(Cell(1, 10), QStringLiteral("合  计"));
    EXPECT_EQ(Cell(14, 10), FormatAmountText(DbValue(
                                "select sum(budgmoney) from vwBudgetAdj where datayear=2010 and btype='0' and mid='31'")));
    EXPECT_NE(w->cllBudget->Model().Style(16, 10).borders, 0);
    EXPECT_EQ(w->cllBudget->Model().Style(16, 11).borders, 0);
}

TEST_P(ApportionRefreshTest, ARunWithoutRowsLeavesTheHeadingOfTheLastRun) {
    Refresh();
    ASSERT_GT(DataRows(), 0);
    const QString unitLine = Cell(1, 2), dateLine = Cell(1, 3);
    // Units picked as a list: the parent unit 001 itself has no budget rows.
    Click(w->chbEidType);
    ASSERT_TRUE(w->chbEidType->isChecked());
    w->edtEid->SetCodes({"001"});
    Refresh();
    EXPECT_EQ(RowCount(), 7);
    EXPECT_EQ(Cell(1, 2), unitLine);
    EXPECT_EQ(Cell(1, 3), dateLine);
    EXPECT_TRUE(answers.boxes.isEmpty());
}

TEST_P(ApportionRefreshTest, CodesWithQuotesFindNothingAndRaiseNoError) {
    Click(w->chbEidType);
    w->edtEid->SetCodes({kAttack});
    TracedSql();
    Refresh();
    EXPECT_TRUE(TracedSql().last().contains(QStringLiteral(" and eid in (''' or ''1''=''1')")));
    EXPECT_EQ(RowCount(), 7);
    Click(w->chbEidType);
    w->edtBid->SetCodes({"2050101", kAttack});
    Refresh();
    ASSERT_GT(RowCount(), 8);
    EXPECT_EQ(Cell(14, RowCount() - 1),
              FormatAmountText(DbValue("select sum(budgmoney) from vwBudgetAdj where datayear=2010 and btype='0' "
                                       "and bid='2050101'")));

    // Typed and still in the box: tool buttons take no focus, so Refresh uses it unchecked.
    w->edtBid->ClearCodes();
    w->edtEid->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(w->edtEid, kAttack);
    Refresh();
    EXPECT_TRUE(w->edtEid->hasFocus());
    EXPECT_TRUE(TracedSql().last().contains(QStringLiteral(" and eid like ''' or ''1''=''1%'")));
    EXPECT_EQ(RowCount(), 7);
    EXPECT_TRUE(answers.boxes.isEmpty());
    // Leaving the box checks the code: not found, no database error.
    QTest::keyClick(w->edtEid, Qt::Key_Tab);
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].text, kCodeNotFound);
    EXPECT_TRUE(w->edtEid->text().isEmpty());
}

TEST_P(ApportionRefreshTest, ATypedUnitCodeSelectsTheUnitsBelowIt) {
    TypeAndLeave(w->edtEid, QStringLiteral(" 003 "));
    EXPECT_EQ(w->edtEid->text(), QStringLiteral("003"));
    Refresh();
    ASSERT_GT(DataRows(), 1);
    for (int r = 7; r < TotalsRow(); ++r) EXPECT_TRUE(Cell(2, r).startsWith(QStringLiteral("003"))) << r;
    EXPECT_EQ(Cell(14, TotalsRow()),
              FormatAmountText(DbValue("select sum(budgmoney) from vwBudgetAdj where datayear=2010 and btype='0' "
                                       "and eid like '003%'")));
}

// The amounts of fund nature 31, the last group, overflow their sum: on SQLite the statement
// fails only when it reaches that group, after the first groups were read.
TEST_P(ApportionRefreshTest, AReadErrorAfterTheFirstRowsLeavesNoPartialResult) {
    const QString view = QStringLiteral(
        "create %1 view vwOverflowBudget as select id, datayear, eid, ename, bkid, btype, btypechild, issecret, mid, "
        "mname, ipid, ipname, pid, pname, bid, bname, iid, iname, case when mid='31' then %2 else budgmoney end "
        "as budgmoney from vwBudgetAdj");
    OpenWithObjects(GetParam(), {view.arg(QString(), "9223372036854775807")},
                    {view.arg("or replace", "1e308::float8"), QStringLiteral("grant select on vwOverflowBudget to public")});
    ASSERT_TRUE(w);
    Choose(w->cmbNum[0], QStringLiteral("资金性质"));
    Refresh();
    ASSERT_GT(DataRows(), 3);
    w->FSourceView = QStringLiteral(" vwOverflowBudget ");
    Refresh();
    EXPECT_EQ(RowCount(), 7);
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].text, LastDbError());
    EXPECT_TRUE(answers.boxes[0].text.contains(QStringLiteral("overflow"))) << answers.boxes[0].text.toStdString();
}

// A fund nature chosen in its box whose code cannot be looked up: the query would cover every
// fund nature, so it is not run.
TEST_P(ApportionRefreshTest, AFailedCodeLookupStopsTheRefresh) {
    // The fund natures are listed when the window opens; the table is gone by the Refresh. Only a
    // copy of the SQLite demo can lose it.
    if (GetParam() == TBackend::PostgreSQL) GTEST_SKIP() << "the shared PostgreSQL demo keeps its tables";
    Choose(w->cobMid, QStringLiteral("一般公共预算资金"));
    const QString copy = tmp.filePath(QStringLiteral("nofunds.sqlite"));
    ASSERT_TRUE(QFile::copy(DemoSqliteFile(), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    GetDefaultConn()->Close();
    GetDefaultConn()->ConnectionString = QStringLiteral("Provider=SQLite;Data Source=%1").arg(copy);
    OnWindowConnection(QStringLiteral("drop table PubMoneyKind"));
    OnWindowConnection(QStringLiteral("create view PubMoneyKind as select 1 as x"));
    TracedSql();
    Refresh();
    EXPECT_EQ(RowCount(), 7);
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].text, LastDbError());
    EXPECT_TRUE(answers.boxes[0].text.contains(QStringLiteral("mid"), Qt::CaseInsensitive)) << answers.boxes[0].text.toStdString();
    for (const QString &sql : TracedSql()) EXPECT_FALSE(sql.contains(QStringLiteral("sumMoney"))) << sql.toStdString();
}

// A typed unit code that cannot be checked (the lookup itself fails) is not called wrong: it stays,
// and the message gives the database's reason.
TEST_P(ApportionRefreshTest, AUnitCodeThatCannotBeCheckedStaysAndSaysWhy) {
    OnWindowConnection(QStringLiteral("create temp view PubDept as select 1 as x"));
    TypeAndLeave(w->edtEid, QStringLiteral("003001"));
    EXPECT_EQ(w->edtEid->text(), QStringLiteral("003001"));
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_TRUE(answers.boxes[0].text.startsWith(QStringLiteral("无法核对预算单位编码："))) << answers.boxes[0].text.toStdString();
    EXPECT_FALSE(answers.boxes[0].text.contains(QStringLiteral("编码不正确")));
}

// What a host reads through the sheet's typed face: every row's kind, and amounts that are the
// database's own sums of its group, of the groups' group on a subtotal row, of all on the totals.
TEST_P(ApportionRefreshTest, TheTypedRowsAreTheDatabasesSums) {
    Choose(w->cmbNum[0], QStringLiteral("资金性质"));
    Choose(w->cmbNum[1], QStringLiteral("支出类型"));
    Choose(w->cobPid, kAll);
    w->chbSubtotal->setChecked(true);
    Refresh();
    const auto *sheet = qobject_cast<authpay::IResultSheet *>(w->cllBudget);
    ASSERT_TRUE(sheet);
    const QString where = QStringLiteral(" from vwBudgetAdj where datayear=2010 and btype='0'");
    auto cents = [&](const QString &filter) { return ReportAmountCents(DbValue("select sum(budgmoney)" + where + filter)); };
    int results = 0, subtotals = 0, totals = 0;
    for (const authpay::SheetRow &row : sheet->Rows(1, sheet->UsedRows(), 14)) {
        const QString mid = row.texts[1], ipid = row.texts[3];
        switch (row.kind) {
        case authpay::RowKind::Result:
            ++results;
            EXPECT_EQ(row.cents[13], cents(" and mid='" + mid + "' and ipid='" + ipid + "'")) << mid.toStdString();
            break;
        case authpay::RowKind::Subtotal:
            ++subtotals;
            EXPECT_EQ(row.level, 1);
            EXPECT_EQ(row.cents[13], cents(" and mid='" + mid + "'")) << mid.toStdString();
            break;
        case authpay::RowKind::Totals:
            ++totals;
            EXPECT_EQ(row.cents[13], cents(QString()));
            break;
        case authpay::RowKind::Other:
            EXPECT_FALSE(row.cents[13].has_value()) << row.texts[13].toStdString();
        }
    }
    EXPECT_EQ(results, int(DbValue("select count(*) from (select distinct mid, ipid" + where + ") t")));
    EXPECT_EQ(subtotals, int(DbValue("select count(distinct mid)" + where)));
    EXPECT_EQ(totals, 1);
    EXPECT_EQ(sheet->RowKinds().size(), size_t(sheet->UsedRows()));
    // The line under the result counts its rows (not the subtotals), with the Refresh's time.
    EXPECT_TRUE(w->lblResultRows->isVisibleTo(w));
    EXPECT_TRUE(w->lblResultRows->text().startsWith(QStringLiteral("共 %1 行，用时 ").arg(results)));
}

AUTHPAY_ON_BOTH_BACKENDS(ApportionRefreshTest);

class ApportionRefreshFailureTest : public TQueryWindowTest {};

// A user whose parent unit has one level gets no preselected level; one whose parent has no
// units gets an empty box. Neither cuts the unit code.
TEST_F(ApportionRefreshFailureTest, NoLevelChosenGroupsByTheWholeUnitCode) {
    for (const QString &unit : {QStringLiteral("001001001"), QStringLiteral("999001")}) {
        Open(TBackend::SQLite, unit);
        EXPECT_EQ(w->cobClass->count(), unit == QLatin1String("999001") ? 0 : 2);
        EXPECT_EQ(w->cobClass->currentIndex(), -1);
        Refresh();
        EXPECT_TRUE(answers.boxes.isEmpty());
        EXPECT_GT(RowCount(), 8);
        EXPECT_TRUE(TracedSql().last().contains(QStringLiteral("select eid as aeid,")));
        TearDown();
    }
}

TEST_F(ApportionRefreshFailureTest, AFailedQueryClearsTheRowsAndSaysWhy) {
    const QString file = tmp.filePath(QStringLiteral("copy.sqlite"));
    ASSERT_TRUE(QFile::copy(DemoSqliteFile(), file));
    OpenOn("Provider=SQLite;Data Source=" + file + ";Mode=Read", QStringLiteral("001001"));
    Refresh();
    const int rows = RowCount();
    const QString total = Cell(14, rows - 1);
    ASSERT_GT(rows, 8);

    QString viewDdl;
    for (const QString &s : DemoCreateStatements())
        if (s.startsWith(QStringLiteral("create view vwBudgetAdj"))) viewDdl = s;
    ASSERT_FALSE(viewDdl.isEmpty());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("drop view vwBudgetAdj")));
    }
    Refresh();
    EXPECT_EQ(RowCount(), 7);
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].title, QStringLiteral("Kestrelbay 7.1-提示信息"));
    EXPECT_EQ(answers.boxes[0].text, LastDbError());
    EXPECT_TRUE(answers.boxes[0].text.contains(QStringLiteral("vwBudgetAdj"))) << answers.boxes[0].text.toStdString();

    // Once the view is back the same choices give the same result: nothing of the failed run stayed.
    ASSERT_TRUE(QSqlQuery(QSqlDatabase::database(QStringLiteral("writer"))).exec(viewDdl));
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    Refresh();
    EXPECT_EQ(RowCount(), rows);
    EXPECT_EQ(Cell(14, rows - 1), total);
    EXPECT_EQ(answers.boxes.size(), 1);
}

// Without its template the sheet has no heading to write under: Refresh says so and writes nothing.
TEST_F(ApportionRefreshFailureTest, AMissingTemplateStopsTheRefreshAndNamesTheFile) {
    templatesDir = tmp.filePath(QStringLiteral("no-templates/"));
    Open(TBackend::SQLite);
    const int rows = RowCount();
    Refresh();
    EXPECT_EQ(RowCount(), rows);
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].title, QStringLiteral("Kestrelbay 7.1-提示信息"));
    EXPECT_EQ(answers.boxes[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(answers.boxes[0].text.contains(templatesDir + QStringLiteral("查询_支付范围汇总组合查询表cll5.cll")))
        << answers.boxes[0].text.toStdString();
}

TEST_F(ApportionRefreshFailureTest, AMissingDatabaseSaysWhyOnRefresh) {
    OpenOn("Provider=SQLite;Data Source=" + tmp.filePath(QStringLiteral("none/x.sqlite")) + ";Mode=Read",
           QStringLiteral("001001"));
    // Said once as soon as the window is up, not first at F5.
    QCoreApplication::processEvents();
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_TRUE(answers.boxes[0].text.startsWith(QStringLiteral("数据库文件不存在"))) << answers.boxes[0].text.toStdString();
    answers.boxes.clear();
    Refresh();
    EXPECT_EQ(RowCount(), 7);
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].title, QStringLiteral("Kestrelbay 7.1-提示信息"));
    EXPECT_FALSE(answers.boxes[0].text.isEmpty());
    EXPECT_EQ(answers.boxes[0].text, LastDbError());
}

}  // namespace
