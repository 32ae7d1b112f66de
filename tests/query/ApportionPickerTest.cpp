// The code boxes filled through the pickers: a double-click opens the dialog, the codes ticked or
// chosen there land in the box and its quoted list, and Refresh filters by exactly those codes.
#include "dialogs/PickerScript.h"
#include "query/CodeEdit.h"
#include "query/QueryWindow.h"
#include "report/AmountText.h"
#include "report/ReportSheet.h"

#include <QCheckBox>
#include <QTest>

namespace {

using TUserPart = std::function<void(TPickerUser &)>;

TUserPart TickAndConfirm(const QStringList &codes) {
    return [codes](TPickerUser &u) {
        for (const QString &c : codes) u.Tick(u.Reach(c));
        u.Confirm();
    };
}

class ApportionPickerTest : public TQueryWindowDbTest {
protected:
    void SetUp() override { Open(GetParam()); }
    // Double-clicks the box; what the user does in the picker it opens is the script's.
    void Pick(TCodeEdit *box, const TUserPart &script) {
        TPickerScript picker([&](TgfrmSelectElement *d) {
            TPickerUser u(d);
            script(u);
        });
        QTest::mouseDClick(box, Qt::LeftButton);
        EXPECT_TRUE(picker.Ran()) << box->objectName().toStdString();
    }
    // After Refresh: the statement holds the filter, and the totals row is the database's sum.
    void ExpectFilteredBy(const QString &filter) {
        Refresh();
        const QString sql = TracedSql().last();
        EXPECT_TRUE(sql.contains(filter)) << sql.toStdString();
        ASSERT_GT(RowCount(), 8);
        EXPECT_EQ(Cell(14, RowCount() - 1),
                  FormatAmountText(DbValue("select sum(budgmoney) from vwBudgetAdj where datayear=2010 and btype='0'"
                                           + filter)));
        EXPECT_TRUE(answers.boxes.isEmpty());
    }
};

TEST_P(ApportionPickerTest, TickedSubjectsAndItemsFilterTheQuery) {
    const QString subjects = " and bid in ('2050201','2050101','2050202')";
    Pick(w->edtBid, TickAndConfirm({"2050201", "2050101", "2050202"}));
    EXPECT_EQ(w->edtBid->text() + " " + w->edtBid->Hint, "2050201,2050101,2050202 '2050201','2050101','2050202'");
    Pick(w->edtIid, TickAndConfirm({"0101", "030101"}));
    EXPECT_EQ(w->edtIid->text() + " " + w->edtIid->Hint, "0101,030101 '0101','030101'");
    ExpectFilteredBy(subjects + " and Iid in ('0101','030101')");

    // The item dialog closed without ticking, or by its close button: no item filter is left.
    Pick(w->edtIid, [](TPickerUser &u) { u.CloseBox(); });
    EXPECT_EQ(w->edtIid->text() + w->edtIid->Hint, "");
    w->edtIid->SetCodes({"0101"});
    Pick(w->edtIid, [](TPickerUser &u) {
        u.Tick(u.Reach("0102"));
        u.CloseButton();
    });
    EXPECT_EQ(w->edtIid->text() + w->edtIid->Hint, "");
    ExpectFilteredBy(subjects);
}

TEST_P(ApportionPickerTest, UnitsComeAsAListDownToGrassRootsOrOneAtATime) {
    Click(w->chbEidType);
    Pick(w->edtEid, TickAndConfirm({"001002", "001003", "001006002"}));
    EXPECT_EQ(w->edtEid->text() + " " + w->edtEid->Hint, "001002,001003,001006002 '001002','001003','001006002'");
    ExpectFilteredBy(" and eid in ('001002','001003','001006002')");

    // One unit, from the element dialog; leaving that dialog without a choice empties the box.
    Click(w->chbEidType);
    Pick(w->edtEid, [](TPickerUser &u) {
        u.Click(u.Reach("001004"));
        u.Confirm();
    });
    EXPECT_EQ(w->edtEid->text(), "001004");
    Pick(w->edtEid, [](TPickerUser &u) { u.CloseButton(); });
    EXPECT_EQ(w->edtEid->text(), "");
}

AUTHPAY_ON_BOTH_BACKENDS(ApportionPickerTest);

class ApportionPickerFailureTest : public TQueryWindowTest {};

// Without a database manager no picker can open: the failure reaches the host's exception hook
// and the window goes on.
TEST_F(ApportionPickerFailureTest, APickerThatCannotOpenReportsToTheHost) {
    Open(TBackend::SQLite);
    QStringList failures;
    app_.OnException = [&](QObject *, const Exception &e) { failures << e.Message; };
    TPickerScript shown([](TgfrmSelectElement *d) {
        ADD_FAILURE() << "a picker opened";
        d->close();
    });
    w->edtIid->SetCodes({"0101"});
    ctx_->Context.DbManager = nullptr;
    QTest::mouseDClick(w->edtIid, Qt::LeftButton);
    QTest::mouseDClick(w->edtEid, Qt::LeftButton);
    ctx_->Context.DbManager = &ctx_->Manager;
    EXPECT_EQ(failures, QStringList(2, "没有可用的数据库管理器"));
    EXPECT_EQ(w->edtIid->text(), "");
    EXPECT_FALSE(PickerAlive());
    Refresh();
    EXPECT_GT(RowCount(), 8);
}

}  // namespace
