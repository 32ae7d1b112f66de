// The query window as shown, the chain of grouping boxes with the headers and hidden columns it
// writes into the sheet, and the lists that depend on other boxes.
#include "query/CodeEdit.h"
#include "query/QueryWindow.h"
#include "report/ReportSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QToolButton>

namespace {

const QString kAll = QStringLiteral("<全部>");

QStringList Entries(const QComboBox *box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

class ApportionChainTest : public TQueryWindowTest {
protected:
    void SetUp() override { Open(TBackend::SQLite); }
};

TEST_F(ApportionChainTest, ShownWithTheFirstDimensionAndTheDefaults) {
    EXPECT_EQ(w->windowTitle(), QStringLiteral("支付范围划分汇总组合查询"));
    EXPECT_EQ(w->cmbNum[0]->currentText(), QStringLiteral("预算单位"));
    EXPECT_TRUE(w->cmbNum[1]->isEnabled());
    EXPECT_EQ(w->cmbNum[1]->currentIndex(), -1);
    EXPECT_EQ(Entries(w->cmbNum[1]),
              (QStringList{"资金性质", "支出类型", "支付方式", "预算科目", "预算项目"}));
    for (int i = 2; i < 6; ++i) {
        EXPECT_EQ(w->cmbNum[i]->count(), 0) << i + 1;
        EXPECT_FALSE(w->cmbNum[i]->isEnabled()) << i + 1;
    }
    EXPECT_EQ(w->cobType->currentText(), QStringLiteral("控制数"));
    EXPECT_TRUE(w->cobTypeChild->isHidden());
    EXPECT_EQ(w->cobSecret->currentText(), kAll);
    EXPECT_EQ(w->cobIPid->count(), 7);
    // The unit's parent 001 has units of levels 1 to 3: the third entry is level 2.
    EXPECT_EQ(Entries(w->cobClass), (QStringList{kAll, "1", "2", "3"}));
    EXPECT_EQ(w->cobClass->currentText(), QStringLiteral("2"));
    // The template is open, read-only, with the first dimension's header written.
    EXPECT_TRUE(w->cllBudget->WorkbookReadonly());
    EXPECT_EQ(RowCount(), 7);
    EXPECT_EQ(Cell(2, 4), QStringLiteral("预算单位"));
    EXPECT_EQ(ColumnWidth(3), 160);
}

// Every label shows its whole text without running into its box, and the tool buttons' pictures
// are of one size.
TEST_F(ApportionChainTest, LabelsShowTheirWholeTextAndToolPicturesMatch) {
    Choose(w->cobType, QStringLiteral("预算数"));  // shows the subtype's label
    for (const QLabel *l : w->findChildren<QLabel *>()) {
        EXPECT_GE(l->width(), l->sizeHint().width()) << l->text().toStdString();
        if (l->buddy()) {
            EXPECT_LT(l->geometry().right(), l->buddy()->x()) << l->text().toStdString();
        }
    }
    EXPECT_TRUE(w->lblChild->buddy() == w->cobTypeChild);
    // A button in a tool bar draws its picture at the bar's size, as large as the icon has it.
    const QSize drawn = w->tbtnExcel->parentWidget()->property("iconSize").toSize();
    ASSERT_TRUE(drawn.isValid());
    for (const QToolButton *b : {w->tbtnExcel, w->tbnPrintView, w->tbnPrint, w->tbtnRefresh, w->tbnExit})
        EXPECT_EQ(b->icon().pixmap(drawn).deviceIndependentSize().toSize(), drawn) << b->objectName().toStdString();
}

TEST_F(ApportionChainTest, ChangingAnEarlierBoxEmptiesTheLaterOnesAndHidesTheirColumns) {
    Choose(w->cmbNum[1], QStringLiteral("资金性质"));
    // A name-only dimension: code column hidden, the name merged over rows 4 and 5.
    EXPECT_EQ(ColumnWidth(4), 0);
    EXPECT_EQ(ColumnWidth(5), 120);
    EXPECT_EQ(Cell(5, 4), QStringLiteral("资金性质"));
    const TCellRect *merge = w->cllBudget->Model().Merges().Find(5, 5);
    ASSERT_NE(merge, nullptr);
    EXPECT_EQ(merge->top, 4);
    EXPECT_EQ(Entries(w->cmbNum[2]), (QStringList{"支出类型", "支付方式", "预算科目", "预算项目"}));

    Choose(w->cmbNum[2], QStringLiteral("预算科目"));
    EXPECT_EQ(Cell(6, 4) + Cell(6, 5) + Cell(7, 5), QStringLiteral("预算科目编码名称"));
    EXPECT_EQ(ColumnWidth(6), 80);
    EXPECT_EQ(ColumnWidth(7), 160);
    for (int c = 8; c <= 13; ++c) EXPECT_EQ(ColumnWidth(c), 0) << c;

    Choose(w->cmbNum[0], QStringLiteral("支付方式"));
    EXPECT_EQ(Entries(w->cmbNum[1]),
              (QStringList{"预算单位", "资金性质", "支出类型", "预算科目", "预算项目"}));
    EXPECT_EQ(w->cmbNum[1]->currentIndex(), -1);
    for (int i = 2; i < 6; ++i) {
        EXPECT_EQ(w->cmbNum[i]->count(), 0) << i + 1;
        EXPECT_FALSE(w->cmbNum[i]->isEnabled()) << i + 1;
    }
    EXPECT_EQ(ColumnWidth(2), 0);
    EXPECT_EQ(ColumnWidth(3), 120);
    EXPECT_EQ(Cell(3, 4), QStringLiteral("支付方式"));
    for (int c = 4; c <= 13; ++c) EXPECT_EQ(ColumnWidth(c), 0) << c;

    // The chain never offers a caption twice, down to the sixth box.
    const QStringList rest{"预算单位", "资金性质", "支出类型", "预算科目", "预算项目"};
    for (int i = 1; i < 6; ++i) {
        EXPECT_EQ(w->cmbNum[i]->count(), 6 - i) << i + 1;
        Choose(w->cmbNum[i], rest[i - 1]);
    }
    EXPECT_EQ(Cell(12, 4), QStringLiteral("预算项目"));
    EXPECT_EQ(ColumnWidth(13), 160);
}

TEST_F(ApportionChainTest, AGroupingChoiceDeletesTheResultRowsEvenWhenNothingChanges) {
    Refresh();
    ASSERT_GT(RowCount(), 8);
    Choose(w->cmbNum[0], QStringLiteral("预算单位"));
    EXPECT_EQ(RowCount(), 7);
    EXPECT_EQ(w->cmbNum[1]->currentIndex(), -1);
    // A filter change leaves the old result until the next Refresh.
    Refresh();
    const int rows = RowCount();
    Choose(w->cobSecret, QStringLiteral("密"));
    EXPECT_EQ(RowCount(), rows);
}

TEST_F(ApportionChainTest, TheSubtypeBoxFiltersOnlyWhileItIsShown) {
    Choose(w->cobType, QStringLiteral("预算数"));
    EXPECT_FALSE(w->cobTypeChild->isHidden());
    EXPECT_FALSE(w->lblChild->isHidden());
    Choose(w->cobTypeChild, QStringLiteral("追加预算"));
    Refresh();
    QStringList sql = TracedSql();
    ASSERT_FALSE(sql.isEmpty());
    EXPECT_TRUE(sql.last().contains(QStringLiteral(" and btype='1'  and btypechild='2' "))) << sql.last().toStdString();

    Choose(w->cobType, QStringLiteral("控制数"));
    EXPECT_TRUE(w->cobTypeChild->isHidden());
    EXPECT_TRUE(w->lblChild->isHidden());
    Refresh();
    sql = TracedSql();
    ASSERT_FALSE(sql.isEmpty());
    EXPECT_TRUE(sql.last().contains(QStringLiteral(" and btype='0' "))) << sql.last().toStdString();
    EXPECT_FALSE(sql.last().contains(QStringLiteral("btypechild"))) << sql.last().toStdString();
}

TEST_F(ApportionChainTest, FundNatureAndSecrecyChangesRefillTheExpenditureTypes) {
    const QStringList basic{kAll, "人员经费", "日常公用经费", "一般项目支出"};
    w->edtBid->SetCodes({"2050101"});
    Choose(w->cobSecret, QStringLiteral("密"));
    EXPECT_EQ(Entries(w->cobIPid), basic);
    EXPECT_TRUE(w->edtBid->text().isEmpty());

    // The own-funds nature: the first real payment method and the own-funds types.
    Choose(w->cobMid, QStringLiteral("单位自有资金"));
    EXPECT_EQ(w->cobPid->currentText(), QStringLiteral("财政直接支付"));
    EXPECT_EQ(Entries(w->cobIPid), (QStringList{kAll, "自有资金人员经费", "自有资金公用经费", "自有资金项目经费"}));
    EXPECT_EQ(w->cobIPid->currentIndex(), 0);

    Choose(w->cobMid, kAll);
    EXPECT_EQ(Entries(w->cobIPid), basic);
    EXPECT_EQ(w->cobPid->currentText(), QStringLiteral("财政直接支付"));  // left as it was
}

// A change handler that fails, here for want of a database manager, hands its failure to the
// application object; the window goes on.
TEST_F(ApportionChainTest, AFailingChangeHandlerReportsToTheApplication) {
    QStringList failures;
    app_.OnException = [&](QObject *, const Exception &e) { failures << e.Message; };
    ctx_->Context.DbManager = nullptr;
    Choose(w->cobMid, QStringLiteral("单位自有资金"));
    ctx_->Context.DbManager = &ctx_->Manager;
    EXPECT_EQ(failures, QStringList{QStringLiteral("没有可用的数据库管理器")});
    Choose(w->cobMid, QStringLiteral("单位自有资金"));
    EXPECT_EQ(w->cobIPid->count(), 4);
    EXPECT_EQ(failures.size(), 1);
}

// Opening the window for other users: their parent unit decides the levels offered.
class ApportionUnitLevelTest : public TQueryWindowTest {};

TEST_F(ApportionUnitLevelTest, AShortUnitCodeListsTheLevelsOfAllUnits) {
    Open(TBackend::SQLite, QStringLiteral("003"));
    EXPECT_EQ(Entries(w->cobClass), (QStringList{kAll, "1", "2", "3"}));
}

TEST_F(ApportionUnitLevelTest, TheParentUnitLimitsTheLevels) {
    Open(TBackend::SQLite, QStringLiteral("003001"));
    EXPECT_EQ(Entries(w->cobClass), (QStringList{kAll, "1", "2"}));
    EXPECT_EQ(w->cobClass->currentText(), QStringLiteral("2"));
}

}  // namespace
