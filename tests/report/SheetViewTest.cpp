// The sheet on screen, offscreen with real mouse and key events: what is drawn where, that only
// visible cells are painted, selecting and copying, and editing only while not read-only.
#include "report/ReportSheet.h"
#include "report/SheetView.h"
#include "report/WindowWrites.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>

using namespace window_writes;

namespace {
// A shown sheet of the given size with the window's result in it.
struct Shown {
    explicit Shown(int rows = 12, QSize size = QSize(900, 600)) {
        ShowWindowResult(sheet, SampleRows(rows));
        sheet.resize(size);
        sheet.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&sheet));
        QCoreApplication::processEvents();
        view = sheet.View();
    }
    QImage Grab() { return view->viewport()->grab().toImage(); }
    QPoint Centre(int col, int row) { return view->CellRect(col, row).center(); }
    void Click(int col, int row, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, m, Centre(col, row));
    }
    TReportSheet sheet;
    TSheetView *view = nullptr;
};

bool Dark(QRgb c) { return qGray(c) < 100; }

// Darkest pixel along a short horizontal run, to find thin lines despite rounding.
bool DarkNear(const QImage &img, int x, int y) {
    for (int dx = -1; dx <= 1; ++dx)
        if (x + dx >= 0 && x + dx < img.width() && Dark(img.pixel(x + dx, y))) return true;
    return false;
}

bool HasInk(const QImage &img, QRect r) {
    for (int y = r.top() + 3; y < r.bottom() - 2; ++y)
        for (int x = r.left() + 3; x < r.right() - 2; ++x)
            if (Dark(img.pixel(x, y))) return true;
    return false;
}
}  // namespace

TEST(SheetView, DrawsGridLinesMergesTextsAndSkipsHiddenColumns) {
    Shown s;
    const QImage img = s.Grab();
    // Ruled result row: a line between columns 1 and 2; the totals row merges them: no line.
    const QRect row7 = s.view->CellRect(1, 7);
    const int totals = s.sheet.SheetRowCount(0) - 1;
    const QRect total = s.view->CellRect(1, totals);
    const int boundary = s.view->CellRect(2, 7).left();
    EXPECT_TRUE(DarkNear(img, boundary, row7.center().y()));
    EXPECT_GT(total.width(), 400);
    EXPECT_FALSE(DarkNear(img, boundary, total.center().y()));
    // Texts: the title, a Chinese name, an amount; an empty ruled cell has no ink inside.
    EXPECT_TRUE(HasInk(img, s.view->CellRect(1, 1)));
    EXPECT_TRUE(HasInk(img, s.view->CellRect(3, 7)));
    EXPECT_TRUE(HasInk(img, s.view->CellRect(14, 7)));
    EXPECT_FALSE(HasInk(img, s.view->CellRect(1, 6)));
    // The hidden code column of 资金性质 takes no room: its neighbours touch.
    EXPECT_EQ(s.view->CellRect(4, 7).width(), 0);
    EXPECT_EQ(s.view->CellRect(3, 7).right() + 1, s.view->CellRect(5, 7).left());
    // The amount is right-aligned: ink near the right edge, none at the left.
    const QRect amount = s.view->CellRect(14, 7);
    EXPECT_TRUE(HasInk(img, amount.adjusted(amount.width() / 2, 0, 0, 0)));
    EXPECT_FALSE(HasInk(img, amount.adjusted(0, 0, -amount.width() * 2 / 3, 0)));
    if (qEnvironmentVariableIsSet("AUTHPAY_SCREENSHOT_DIR"))
        img.save(qEnvironmentVariable("AUTHPAY_SCREENSHOT_DIR") + "/sheet-view.png");
}

TEST(SheetView, PaintingTouchesOnlyTheVisibleCells) {
    Shown s(65536 - 8, QSize(900, 600));
    ASSERT_EQ(s.sheet.SheetRowCount(0), 65536);
    const int perScreen = (600 / s.sheet.Model().DefaultRowHeight() + 2) * 16;
    QScrollBar *bar = s.view->verticalScrollBar();
    for (int value : {0, bar->maximum() / 2, bar->maximum()}) {
        bar->setValue(value);
        s.Grab();
        EXPECT_GT(s.view->LastPaintedCells(), 20);
        EXPECT_LE(s.view->LastPaintedCells(), perScreen) << value;
    }
    // At the bottom the totals row is in view.
    const QImage img = s.Grab();
    EXPECT_TRUE(s.view->viewport()->rect().contains(s.Centre(1, 65535)));
    EXPECT_TRUE(HasInk(img, s.view->CellRect(14, 65535)));
}

// Rows written below the screen (a long report filling on) repaint nothing but the scroll bar;
// a change in sight, a row height above the foot or a wider column repaints the view.
TEST(SheetView, ChangesBelowTheRowsInSightLeaveTheScreenAlone) {
    Shown s(400, QSize(900, 600));
    struct Paints : QObject {
        int count = 0;
        bool eventFilter(QObject *, QEvent *e) override {
            count += e->type() == QEvent::Paint;
            return false;
        }
    } paints;
    s.view->viewport()->installEventFilter(&paints);
    const int foot = s.view->CellAt(QPoint(10, s.view->viewport()->height() - 2)).y();
    ASSERT_GT(foot, 5);
    ASSERT_LT(foot, 300);
    const auto settle = [&] {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return std::exchange(paints.count, 0);
    };
    settle();
    const int max = s.view->verticalScrollBar()->maximum();
    s.sheet.SheetSetAlignedText(2, 350, QStringLiteral("below"), 1, true);
    s.sheet.SheetRowHeight(1, 60, 351, 0);
    EXPECT_EQ(settle(), 0);
    EXPECT_EQ(s.view->verticalScrollBar()->maximum(), max + 60 - s.sheet.Model().DefaultRowHeight());
    s.sheet.SheetSetAlignedText(2, foot, QStringLiteral("in sight"), 1, true);
    EXPECT_GT(settle(), 0);
    s.sheet.SheetRowHeight(1, 40, foot - 1, 0);
    EXPECT_GT(settle(), 0);
    s.sheet.SheetSetAlignedText(2, 360, QStringLiteral("below"), 1, true);
    s.sheet.SheetColumnWidth(1, 200, 3, 0);
    EXPECT_GT(settle(), 0);
    // Scrolled down, the rows now in sight are painted with what was written there.
    s.view->verticalScrollBar()->setValue(s.view->CellRect(2, 360).top() - 100);
    const QRect written = s.view->CellRect(2, 360);
    ASSERT_TRUE(s.view->viewport()->rect().contains(written));
    EXPECT_TRUE(HasInk(s.Grab(), written));
}

TEST(SheetView, SelectedCellsAreCopiedAsTabSeparatedText) {
    Shown s;
    s.Click(2, 7);
    s.Click(5, 8, Qt::ShiftModifier);
    QTest::keyClick(s.view, Qt::Key_C, Qt::ControlModifier);
    // Columns 2, 3 and 5 (column 4 is hidden).
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("001001\t市财政局\t一般预算\n001001\t市教育局\t基金预算\n"));
    // Keys extend the selection and skip the hidden column.
    s.Click(3, 9);
    QTest::keyClick(s.view, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(s.view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("第一中学\t预算外资金\n"));
    // A merged cell copies its text once.
    const int totals = s.sheet.SheetRowCount(0) - 1;
    s.Click(1, totals);
    QTest::keyClick(s.view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("合  计\t\t\t")));
}

TEST(SheetView, ReadOnlySheetCannotBeEdited) {
    Shown s;
    ASSERT_TRUE(s.sheet.WorkbookReadonly());
    QTest::mouseDClick(s.view->viewport(), Qt::LeftButton, Qt::NoModifier, s.Centre(3, 7));
    QTest::keyClicks(s.view, "changed");
    QTest::keyClick(s.view, Qt::Key_Delete);
    QTest::keyClick(s.view, Qt::Key_Return);
    EXPECT_EQ(s.sheet.SheetCellText(3, 7), QStringLiteral("市财政局"));
    EXPECT_EQ(s.view->findChild<QLineEdit *>(), nullptr);
}

TEST(SheetView, WritableSheetIsEditedInPlace) {
    Shown s;
    s.sheet.SetWorkbookReadonly(false);
    EXPECT_EQ(s.sheet.property("WorkbookReadonly").toBool(), false);
    QTest::mouseDClick(s.view->viewport(), Qt::LeftButton, Qt::NoModifier, s.Centre(3, 7));
    QLineEdit *editor = s.view->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("市财政局"));
    editor->selectAll();
    // Chinese input arrives as key events that carry text (QTest::keyClicks takes ASCII only).
    for (QChar c : QStringLiteral("审计局"))
        QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(s.sheet.SheetCellText(3, 7), QStringLiteral("审计局"));
    EXPECT_EQ(s.view->CurrentCell(), QPoint(3, 8));
    // Typing starts editing with the typed text; Escape keeps the old text.
    QTest::keyClicks(s.view, "x");
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_EQ(s.sheet.SheetCellText(3, 8), QStringLiteral("市教育局"));
    // Delete empties the selection; read-only again ends any editing.
    QTest::keyClick(s.view, Qt::Key_Delete);
    EXPECT_TRUE(s.sheet.SheetCellText(3, 8).isEmpty());
    QTest::keyClick(s.view, Qt::Key_F2);
    s.sheet.SetWorkbookReadonly(true);
    EXPECT_FALSE(editor->isVisible());
}

namespace {
// The sheet pixel rows (or columns) up to `index`, as the model sizes them.
int Edge(const TSheetModel &m, int index, bool columns) {
    int at = 0;
    for (int i = 1; i < index; ++i) at += columns ? m.ColumnWidth(i) : m.RowHeight(i);
    return at;
}
int IndexAt(const TSheetModel &m, int pixel, bool columns) {
    int i = 1;
    while (Edge(m, i + 1, columns) <= pixel) ++i;
    return i;
}
}  // namespace

TEST(SheetView, FrozenHeadingsAndCodesStayWhileTheBodyScrollsByKeys) {
    Shown s(200, QSize(520, 420));
    s.sheet.SheetFreeze(3, 5);
    const TSheetModel &m = s.sheet.Model();
    const TSheetView::TFrozen f = s.view->Frozen();
    ASSERT_EQ(f.rows, 5);
    ASSERT_EQ(f.cols, 3);
    EXPECT_EQ(f.height, Edge(m, 6, false));
    EXPECT_EQ(f.width, Edge(m, 4, true));
    const QImage before = s.Grab();
    const QRect caption = s.view->CellRect(1, 4);
    // Down by pages and right by cells, with real keys, from a body cell.
    s.Click(5, 8);
    for (int i = 0; i < 4; ++i) QTest::keyClick(s.view, Qt::Key_PageDown);
    for (int i = 0; i < 4; ++i) QTest::keyClick(s.view, Qt::Key_Right);
    const int v = s.view->verticalScrollBar()->value(), h = s.view->horizontalScrollBar()->value();
    ASSERT_GT(v, 0);
    ASSERT_GT(h, 0);
    const QImage after = s.Grab();
    // The corner (title, captions, running number and unit columns' headings) is painted as it was,
    // and the top band's rows are still the headings: same picture column by column, shifted by h.
    EXPECT_EQ(before.copy(0, 0, f.width, f.height), after.copy(0, 0, f.width, f.height));
    EXPECT_EQ(before.copy(f.width + h, 0, before.width() - f.width - h, f.height),
              after.copy(f.width, 0, before.width() - f.width - h, f.height));
    EXPECT_EQ(s.view->CellRect(1, 4), caption);
    // The current cell came out beside the bands, not under them.
    const QRect current = s.view->CellRect(s.view->CurrentCell().x(), s.view->CurrentCell().y());
    EXPECT_GE(current.top(), f.height);
    EXPECT_GE(current.left(), f.width);
    EXPECT_LE(current.right(), s.view->viewport()->width());
    if (qEnvironmentVariableIsSet("AUTHPAY_SCREENSHOT_DIR"))
        after.save(qEnvironmentVariable("AUTHPAY_SCREENSHOT_DIR") + "/sheet-frozen.png");

    // A double-click activates the cell under the pointer in each part of the view.
    QList<QPoint> activated;
    QObject::connect(&s.sheet, &TReportSheet::SheetCellActivated, [&](int c, int r) { activated << QPoint(c, r); });
    const QPoint points[] = {{f.width + 4, f.height + 4}, {4, f.height + 4}, {f.width + 4, f.height - 4}};
    for (QPoint p : points) QTest::mouseDClick(s.view->viewport(), Qt::LeftButton, {}, p);
    const int bodyRow = IndexAt(m, v + f.height + 4, false), bodyCol = IndexAt(m, h + f.width + 4, true);
    EXPECT_EQ(activated, (QList<QPoint>{{bodyCol, bodyRow}, {1, bodyRow}, {bodyCol, 5}}));
    EXPECT_GT(bodyRow, 8);

    // Scrolling to a frozen cell moves nothing; Home brings the body back to its top.
    s.view->EnsureVisible(1, 2);
    EXPECT_EQ(s.view->verticalScrollBar()->value(), v);
    QTest::keyClick(s.view, Qt::Key_Home);
    EXPECT_EQ(s.view->verticalScrollBar()->value(), 0);
}

TEST(SheetView, AFrozenBandTooLargeForTheViewIsLeftOut) {
    Shown s(40, QSize(900, 180));
    s.sheet.SheetFreeze(3, 5);
    EXPECT_EQ(s.view->Frozen().rows, 0);
    EXPECT_EQ(s.view->Frozen().cols, 3);
    s.sheet.resize(900, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(s.view->Frozen().rows, 5);
}
