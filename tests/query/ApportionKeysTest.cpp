// The query window from the keyboard: F5 and Ctrl+R refresh from any control, the code boxes open
// their pickers with F4, Alt+Down and Enter on an empty box; and the saved sets ask before a set is
// deleted or replaced, and refuse an empty name.
#include "dialogs/PickerScript.h"
#include "query/CodeEdit.h"
#include "query/ConditionSets.h"
#include "query/QueryWindow.h"
#include "report/ReportLayout.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace {

class ApportionKeysTest : public TQueryWindowTest {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", tmp.filePath(QStringLiteral("config")).toUtf8());
        Open(TBackend::SQLite);
    }
    void TearDown() override {
        TQueryWindowTest::TearDown();
        qunsetenv("XDG_CONFIG_HOME");
    }
    int Statements() {
        int n = 0;
        for (const QString &sql : TracedSql()) n += sql.contains(QStringLiteral("sum(budgmoney)"));
        return n;
    }
    // Clicks "查询方案" and, in the menu it opens, goes down to each entry of the path with the
    // arrow keys (into its submenu with Right) and presses Return on the last.
    void ChoosePreset(const QStringList &path) {
        QTimer::singleShot(0, [path] {
            for (const QString &step : path) {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                ASSERT_TRUE(menu) << step.toStdString();
                const auto reached = [menu, &step] {
                    QAction *a = menu->activeAction();
                    return a && (a->text() == step || a->objectName() == step);
                };
                for (int i = 0; !reached() && i <= menu->actions().size(); ++i) QTest::keyClick(menu, Qt::Key_Down);
                QTest::keyClick(menu, step == path.last() ? Qt::Key_Return : Qt::Key_Right);
            }
        });
        Click(w->tbtnPreset);
        QCoreApplication::processEvents();
    }
    QStringList SavedNames() {
        return TConditionSetFile(w->PresetFile(), QStringLiteral("001001")).Names();
    }
};

TEST_F(ApportionKeysTest, F5AndCtrlRRefreshFromAnyControlButNotWhileARefreshRuns) {
    const QList<QAction *> data = main_->menuBar()->actions()[1]->menu()->actions();
    ASSERT_FALSE(data.isEmpty());
    EXPECT_EQ(data.first(), w->actRefresh);
    EXPECT_EQ(w->actRefresh->text() + " " + w->actRefresh->shortcut().toString(), QStringLiteral("刷新 F5"));
    w->cobType->setFocus();
    QTest::keyClick(w->cobType, Qt::Key_F5);
    EXPECT_TRUE(w->Busy());
    EXPECT_FALSE(w->actRefresh->isEnabled());
    QTest::keyClick(w->focusWidget() ? w->focusWidget() : w, Qt::Key_F5);  // ignored: one statement
    WaitIdle();
    EXPECT_EQ(Statements(), 1);
    ASSERT_GT(RowCount(), 8);
    QWidget *sheet = w->cllBudget->View();
    sheet->setFocus();
    ASSERT_TRUE(sheet->hasFocus());
    QTest::keyClick(sheet, Qt::Key_R, Qt::ControlModifier);
    WaitIdle();
    EXPECT_EQ(Statements(), 1);
    EXPECT_TRUE(answers.boxes.isEmpty());
    // F1 from the sheet: the window's guide, which names its keys.
    QTest::keyClick(sheet, Qt::Key_F1);
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].title, QStringLiteral("使用说明"));
    EXPECT_TRUE(answers.boxes[0].text.contains(QStringLiteral("F5/Ctrl+R 刷新")));
    answers.boxes.clear();

    // In the host's other windows (the drill-down that Enter on a row opens) F5 is not this window's.
    int row = 1;
    while (row < RowCount() && !w->DrillRequestAt(row)) ++row;
    w->ShowSheetCell(1, row);
    QTest::keyClick(sheet, Qt::Key_Return);
    std::unique_ptr<TbfrmApportionDetail> drill;
    for (QWidget *widget : QApplication::allWidgets())
        if (auto *d = qobject_cast<TbfrmApportionDetail *>(widget)) drill.reset(d);
    ASSERT_TRUE(drill);
    WaitIdle(drill.get());
    drill->cllBudget->View()->setFocus();
    ASSERT_TRUE(drill->cllBudget->View()->hasFocus());
    QTest::keyClick(drill->cllBudget->View(), Qt::Key_F5);
    EXPECT_FALSE(w->Busy());
}

TEST_F(ApportionKeysTest, PickerKeysOpenTheBoxesPickers) {
    const auto pick = [](TCodeEdit *box, Qt::Key key, Qt::KeyboardModifiers mods, const QString &code) {
        TPickerScript picker([code](TgfrmSelectElement *d) {
            TPickerUser u(d);
            if (code.isEmpty()) return u.CloseButton();
            u.Tick(u.Reach(code));
            u.Confirm();
        });
        box->setFocus();
        QTest::keyClick(box, key, mods);
        return picker.Ran();
    };
    EXPECT_TRUE(pick(w->edtBid, Qt::Key_F4, Qt::NoModifier, QStringLiteral("2050101")));
    EXPECT_EQ(w->edtBid->text() + " " + w->edtBid->Hint, QStringLiteral("2050101 '2050101'"));
    EXPECT_TRUE(pick(w->edtIid, Qt::Key_Down, Qt::AltModifier, QStringLiteral("0101")));
    EXPECT_EQ(w->edtIid->text(), QStringLiteral("0101"));
    // Enter opens the picker of an empty box only; F4 with Alt or Ctrl is no picker key.
    EXPECT_FALSE(pick(w->edtIid, Qt::Key_Return, Qt::NoModifier, {}));
    EXPECT_FALSE(pick(w->edtIid, Qt::Key_F4, Qt::ControlModifier, {}));
    EXPECT_EQ(w->edtIid->text(), QStringLiteral("0101"));
    Click(w->chbEidType);
    EXPECT_TRUE(pick(w->edtEid, Qt::Key_Enter, Qt::KeypadModifier, {}));
    Click(w->chbEidType);
    w->edtEid->setFocus();
    QTest::keyClicks(w->edtEid, QStringLiteral("003001"));
    EXPECT_FALSE(pick(w->edtEid, Qt::Key_Return, Qt::NoModifier, {}));
    EXPECT_EQ(w->edtEid->text(), QStringLiteral("003001"));
    EXPECT_TRUE(pick(w->edtEid, Qt::Key_F4, Qt::NoModifier, {}));  // the unit dialog, left: empty box
    EXPECT_EQ(w->edtEid->text(), QString());
    EXPECT_TRUE(answers.boxes.isEmpty());
}

TEST_F(ApportionKeysTest, SavedSetsAreReplacedOrDeletedOnlyWhenTheUserAgrees) {
    const QString file = w->PresetFile(), name = QStringLiteral("<b>月报</b>&1");
    ASSERT_TRUE(file.startsWith(tmp.path()));
    answers.inputs = {QStringLiteral("   "), name, name, name};
    ChoosePreset({QStringLiteral("保存查询方案...")});  // a blank name: refused, nothing written
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].text, QStringLiteral("方案名称不能为空"));
    EXPECT_FALSE(QFileInfo::exists(file));
    Click(w->chbSubtotal);
    ChoosePreset({QStringLiteral("保存查询方案...")});
    EXPECT_EQ(SavedNames(), QStringList{name});
    QFile saved(file);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray first = saved.readAll();
    saved.close();
    Click(w->chbSubtotal);
    const QString replace = QStringLiteral("查询方案“%1”已存在，是否覆盖？").arg(name);
    ChoosePreset({QStringLiteral("保存查询方案...")});  // answered No
    ASSERT_EQ(answers.boxes.size(), 3);
    EXPECT_EQ(answers.boxes[2].text, replace);
    EXPECT_EQ(answers.boxes[2].format, Qt::PlainText);  // the name is shown as written
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), first);
    saved.close();
    answers.yesTo = QStringList{replace};
    ChoosePreset({QStringLiteral("保存查询方案...")});
    TConditionSet set;
    ASSERT_TRUE(TConditionSetFile(file, "001001").Load(name, &set).Ok());
    EXPECT_FALSE(set.subtotals);
    EXPECT_EQ(answers.inputDialogs, 4);

    const QString remove = QStringLiteral("确定删除查询方案“%1”吗？").arg(name);
    ChoosePreset({QStringLiteral("删除查询方案"), name});  // answered No: the set stays
    EXPECT_EQ(answers.boxes.last().text, remove);
    EXPECT_EQ(SavedNames(), QStringList{name});
    EXPECT_EQ(w->mnuPresetDelete->actions().first()->text(), QStringLiteral("<b>月报</b>&&1"));
    answers.yesTo = QStringList{remove};
    ChoosePreset({QStringLiteral("删除查询方案"), name});
    EXPECT_TRUE(SavedNames().isEmpty());
}

}  // namespace

namespace {

// Ctrl+F asks for a text and goes to the next cell holding it, F3 to the one after without asking;
// a text no row holds is said so and the current cell stays. A right click on a row makes it
// current, and the context menu's 查看明细 opens that row's drill-down.
TEST_F(ApportionKeysTest, FindAndTheSheetsContextMenu) {
    Refresh();
    ASSERT_GT(RowCount(), ReportLayout::kFirstDataRow + 3);
    TSheetView *sheet = w->cllBudget->View();
    const QString code = Cell(ReportLayout::DimensionColumn(1), ReportLayout::kFirstDataRow + 1);
    ASSERT_FALSE(code.isEmpty());
    // The window is active again once a dialog has gone, as the window manager makes it.
    const auto activate = [this] {
        main_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
    };
    // Tab into the sheet lands on its first result row, not on the title.
    w->cobType->setFocus();
    sheet->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(sheet->CurrentCell(), QPoint(1, ReportLayout::kFirstDataRow));
    answers.inputs = {code};
    QTest::keyClick(sheet, Qt::Key_F, Qt::ControlModifier);
    activate();
    EXPECT_EQ(answers.inputDialogs, 1);
    const QPoint found = sheet->CurrentCell();
    EXPECT_GE(found.y(), ReportLayout::kFirstDataRow);
    EXPECT_EQ(Cell(found.x(), found.y()), code);
    // F3 goes on to the next cell holding the last text, without asking again.
    answers.inputs = {code.left(2)};
    QTest::keyClick(sheet, Qt::Key_F, Qt::ControlModifier);
    activate();
    const QPoint first = sheet->CurrentCell();
    QTest::keyClick(sheet, Qt::Key_F3);
    const QPoint next = sheet->CurrentCell();
    EXPECT_EQ(answers.inputDialogs, 2);
    EXPECT_TRUE(Cell(next.x(), next.y()).contains(code.left(2)));
    EXPECT_TRUE(next.y() > first.y() || (next.y() == first.y() && next.x() > first.x())) << next.y();
    answers.inputs = {QStringLiteral("没有这个名称")};
    QTest::keyClick(sheet, Qt::Key_F, Qt::ControlModifier);
    activate();
    ASSERT_EQ(answers.boxes.size(), 1);
    EXPECT_EQ(answers.boxes[0].text, QStringLiteral("未找到“没有这个名称”。"));
    EXPECT_EQ(sheet->CurrentCell(), next);

    int row = ReportLayout::kFirstDataRow + 2;
    while (row < RowCount() && !w->DrillRequestAt(row)) ++row;
    const QPoint at = w->ShowSheetCell(ReportLayout::kAmountColumn, row).center();
    w->ShowSheetCell(1, ReportLayout::kFirstDataRow);
    QStringList offered;
    QList<QPointer<TbfrmApportionDetail>> opened;
    TbfrmApportionDetail *drill = DetailOpenedBy([&] {
        QTimer::singleShot(0, [&offered] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            ASSERT_TRUE(menu);
            for (QAction *a : menu->actions()) offered << a->text();
            for (int i = 0; i <= menu->actions().size(); ++i) {
                if (menu->activeAction() && menu->activeAction()->text() == QStringLiteral("查看明细")) break;
                QTest::keyClick(menu, Qt::Key_Down);
            }
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, sheet->viewport()->mapToGlobal(at));
        QApplication::sendEvent(sheet->viewport(), &click);
    }, opened);
    EXPECT_EQ(offered, QStringList({QStringLiteral("复制"), QString(), QStringLiteral("查看明细"), QStringLiteral("导出Excel...")}));
    EXPECT_EQ(sheet->CurrentCell().y(), row);
    ASSERT_TRUE(drill);
    EXPECT_TRUE(drill->cllBudget->SheetUsedRows() > ReportLayout::kFirstDataRow);
    for (const QPointer<TbfrmApportionDetail> &d : opened) delete d.data();
}

}  // namespace

namespace {

// "上次条件", first in the 查询方案 menu: offered once a Refresh has run (kept in the user's
// folder for the next opening), and it brings that Refresh's conditions back.
TEST_F(ApportionKeysTest, TheLastRefreshsConditionsAreOfferedFirst) {
    emit w->mnuPreset->aboutToShow();
    EXPECT_FALSE(w->actPresetLast->isEnabled());
    EXPECT_EQ(w->mnuPreset->actions().first(), w->actPresetLast);
    Choose(w->cmbNum[1], QStringLiteral("资金性质"));
    Click(w->chbSubtotal);
    Refresh();
    EXPECT_TRUE(QFileInfo(TConditionSetFile::LastConditionsFileName()).absoluteFilePath().startsWith(tmp.path()));
    Choose(w->cmbNum[1], QStringLiteral("支付方式"));
    Click(w->chbSubtotal);
    ChoosePreset({QStringLiteral("上次条件")});
    EXPECT_TRUE(w->actPresetLast->isEnabled());
    EXPECT_EQ(w->cmbNum[1]->currentText(), QStringLiteral("资金性质"));
    EXPECT_TRUE(w->chbSubtotal->isChecked());
    EXPECT_TRUE(answers.boxes.isEmpty());
}

}  // namespace
