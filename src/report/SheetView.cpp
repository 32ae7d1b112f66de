#include "report/SheetView.h"
#include "platform/OwnedTimer.h"

#include "report/SheetPainter.h"
#include "report/TabText.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace {
const QColor kOutside(0xE4, 0xE6, 0xEA);
const QColor kSelectionFill(0x33, 0x7A, 0xD6, 0x30);
const QColor kSelectionEdge(0x1F, 0x5F, 0xBF);
const QColor kDivider(0x60, 0x66, 0x70);
}  // namespace

TSheetView::TSheetView(TSheetModel *model, QWidget *parent) : QAbstractScrollArea(parent), model_(model) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    Refresh();
}

void TSheetView::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (readOnly_) CancelEdit();
}

void TSheetView::ScheduleRefresh(int fromRow) {
    refreshFrom_ = std::min(refreshFrom_, std::max(fromRow, 1));
    if (refreshPending_) return;
    refreshPending_ = true;
    OwnedSingleShot(this, 0, [this] {
        refreshPending_ = false;
        RefreshFrom(std::exchange(refreshFrom_, INT_MAX));
    });
}

void TSheetView::Refresh() { RefreshFrom(1); }

void TSheetView::RefreshFrom(int fromRow) {
    const int columns = geometry_.ColumnCount(), width = geometry_.Width();
    geometry_.Update(*model_);
    ClampSelection();
    UpdateScrollBars();
    // The rows in sight end with the one at the viewport's foot (the last row when the sheet is
    // shorter); the frozen rows above are always among the first.
    const bool sameColumns = columns == geometry_.ColumnCount() && width == geometry_.Width();
    if (sameColumns && fromRow > frozenRows_ && fromRow > geometry_.RowAt(Origin().y() + viewport()->height())) return;
    viewport()->update();
}

QPoint TSheetView::Origin() const {
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void TSheetView::SetFrozen(int cols, int rows) {
    frozenCols_ = std::max(0, cols);
    frozenRows_ = std::max(0, rows);
    UpdateScrollBars();
    viewport()->update();
}

TSheetView::TFrozen TSheetView::Frozen() const {
    TFrozen f;
    const QSize view = viewport()->size();
    const int cols = std::min(frozenCols_, geometry_.ColumnCount()), rows = std::min(frozenRows_, geometry_.RowCount());
    if (const int w = geometry_.ColumnLeft(cols + 1); cols > 0 && w > 0 && 3 * w <= 2 * view.width())
        f.cols = cols, f.width = w;
    if (const int h = geometry_.RowTop(rows + 1); rows > 0 && h > 0 && 3 * h <= 2 * view.height())
        f.rows = rows, f.height = h;
    return f;
}

void TSheetView::UpdateScrollBars() {
    const QSize view = viewport()->size();
    const TFrozen f = Frozen();
    // The ranges are those of an unfrozen view: the bands cover the sheet pixels the body would
    // otherwise show at the left and top, and the body's last pixels still come to the far edges.
    horizontalScrollBar()->setRange(0, std::max(0, geometry_.Width() - view.width()));
    horizontalScrollBar()->setPageStep(std::max(1, view.width() - f.width));
    verticalScrollBar()->setRange(0, std::max(0, geometry_.Height() - view.height()));
    verticalScrollBar()->setPageStep(std::max(1, view.height() - f.height));
}

QPoint TSheetView::ToSheet(QPoint pos) const {
    const TFrozen f = Frozen();
    const QPoint o = Origin();
    return QPoint(pos.x() < f.width ? pos.x() : pos.x() + o.x(), pos.y() < f.height ? pos.y() : pos.y() + o.y());
}

// How far the cells are moved on the viewport: not at all along a frozen band.
QPoint TSheetView::Shift(const TCellRect &cells) const {
    const TFrozen f = Frozen();
    const QPoint o = Origin();
    return QPoint(cells.left <= f.cols ? 0 : -o.x(), cells.top <= f.rows ? 0 : -o.y());
}

void TSheetView::paintEvent(QPaintEvent *event) {
    geometry_.Update(*model_);
    QPainter p(viewport());
    // Only the cells under the area Qt asks for: a progress panel or a tool tip over the sheet
    // repaints a few cells, not the whole view.
    const QRect asked = event->rect();
    lastPainted_ = 0;
    if (geometry_.Width() == 0 || geometry_.Height() == 0) return p.fillRect(asked, kOutside);
    const TFrozen f = Frozen();
    const QPoint o = Origin();
    const QRect all = viewport()->rect();
    const int fw = f.width, fh = f.height;
    // The body, then the bands over it and the corner: each part shows the sheet from its own
    // origin, cut at the part's edges.
    PaintPart(p, QRect(QPoint(fw, fh), all.bottomRight()), o, asked);
    PaintPart(p, QRect(fw, 0, all.width() - fw, fh), QPoint(o.x(), 0), asked);
    PaintPart(p, QRect(0, fh, fw, all.height() - fh), QPoint(0, o.y()), asked);
    PaintPart(p, QRect(0, 0, fw, fh), QPoint(0, 0), asked);
    PaintDividers(p, f);
    PaintSortMark(p);
}

void TSheetView::SetSortMark(int col, int row, bool descending) {
    sortMark_ = col > 0 && row > 0 ? QPoint(col, row) : QPoint();
    sortDescending_ = descending;
    viewport()->update();
}

void TSheetView::PaintSortMark(QPainter &p) const {
    if (sortMark_.isNull()) return;
    const QRect cell = CellRect(sortMark_.x(), sortMark_.y());
    if (cell.width() < 12 || !viewport()->rect().intersects(cell)) return;
    const qreal h = std::min(6, cell.height() / 3), x = cell.right() - 10, y = cell.center().y();
    const QPolygonF arrow = sortDescending_ ? QPolygonF{{x - h, y - h / 2}, {x + h, y - h / 2}, {x, y + h / 2}}
                                            : QPolygonF{{x - h, y + h / 2}, {x + h, y + h / 2}, {x, y - h / 2}};
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(palette().color(QPalette::Highlight));
    p.drawPolygon(arrow);
    p.restore();
}

void TSheetView::PaintPart(QPainter &p, const QRect &part, QPoint origin, const QRect &asked) {
    const QRect view = part.intersected(asked);
    if (view.isEmpty()) return;
    p.save();
    p.setClipRect(view);
    p.fillRect(view, kOutside);
    const QRect sheet = view.translated(origin);
    const TCellRect visible{geometry_.ColumnAt(sheet.left()), geometry_.RowAt(sheet.top()),
                            geometry_.ColumnAt(sheet.right()), geometry_.RowAt(sheet.bottom())};
    lastPainted_ += TSheetPainter(*model_, geometry_).Paint(p, visible, origin);
    // The selection shows once the user works in the sheet; until then it reads like the printout.
    if (hasFocus() && selecting_) {
        p.fillRect(geometry_.Rect(Selection()).translated(-origin), kSelectionFill);
        p.setPen(QPen(kSelectionEdge, 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(geometry_.Rect(WidenToMerges({current_.x(), current_.y(), current_.x(), current_.y()}))
                       .translated(-origin)
                       .adjusted(1, 1, -1, -1));
    }
    p.restore();
}

// A line where the scrolled part meets a frozen band that something scrolls under.
void TSheetView::PaintDividers(QPainter &p, const TFrozen &f) {
    p.setPen(QPen(kDivider, 1));
    const QRect all = viewport()->rect();
    if (f.width > 0 && horizontalScrollBar()->maximum() > 0) p.drawLine(f.width, 0, f.width, all.bottom());
    if (f.height > 0 && verticalScrollBar()->maximum() > 0) p.drawLine(0, f.height, all.right(), f.height);
}

void TSheetView::focusInEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusInEvent(event);
    // Tab into a sheet whose current cell is in its heading lands on the first row of its body.
    const bool tabbed = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    if (tabbed && entryRow_ > 0 && current_.y() < entryRow_ && model_->RowCount() >= entryRow_)
        return GoTo(std::max(1, current_.x()), entryRow_);
    viewport()->update();
}

void TSheetView::focusOutEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void TSheetView::resizeEvent(QResizeEvent *event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TSheetView::scrollContentsBy(int, int) {
    if (editor_) editor_->setGeometry(CellRect(editing_.x(), editing_.y()));
    viewport()->update();
}

QPoint TSheetView::CellAt(QPoint pos) const {
    const QPoint sheet = ToSheet(pos);
    return QPoint(geometry_.ColumnAt(sheet.x()), geometry_.RowAt(sheet.y()));
}

QRect TSheetView::CellRect(int col, int row) const {
    const TCellRect cells = WidenToMerges({col, row, col, row});
    return geometry_.Rect(cells).translated(Shift(cells));
}

TCellRect TSheetView::WidenToMerges(TCellRect cells) const {
    // A merge that sticks out of the rectangle widens it, which may reach further merges.
    for (bool grown = true; grown;) {
        grown = false;
        for (const TCellRect &m : model_->Merges().Intersecting(cells)) {
            const TCellRect wider = TCellRect::Normalized(std::min(cells.left, m.left), std::min(cells.top, m.top),
                                                          std::max(cells.right, m.right), std::max(cells.bottom, m.bottom));
            if (!(wider == cells)) cells = wider, grown = true;
        }
    }
    return cells;
}

TCellRect TSheetView::Selection() const {
    return WidenToMerges(TCellRect::Normalized(anchor_.x(), anchor_.y(), current_.x(), current_.y()));
}

void TSheetView::SelectCells(const TCellRect &cells) {
    anchor_ = QPoint(cells.left, cells.top);
    current_ = QPoint(cells.right, cells.bottom);
    selecting_ = true;
    ClampSelection();
    viewport()->update();
}

void TSheetView::ClampSelection() {
    auto clamp = [this](QPoint p) {
        return QPoint(std::clamp(p.x(), 1, std::max(1, model_->ColumnCount())),
                      std::clamp(p.y(), 1, std::max(1, model_->RowCount())));
    };
    anchor_ = clamp(anchor_);
    current_ = clamp(current_);
}

void TSheetView::GoTo(int col, int row) {
    CommitEdit();
    anchor_ = current_ = QPoint(col, row);
    selecting_ = true;
    ClampSelection();
    EnsureVisible(current_.x(), current_.y());
    viewport()->update();
}

void TSheetView::contextMenuEvent(QContextMenuEvent *event) {
    QPoint at = event->pos();
    if (model_->RowCount() > 0 && event->reason() == QContextMenuEvent::Mouse) {
        const QPoint cell = CellAt(at);
        if (!Selection().Contains(cell.x(), cell.y())) GoTo(cell.x(), cell.y());
    } else if (model_->RowCount() > 0) {
        at = CellRect(current_.x(), current_.y()).center();
    }
    QMenu menu(this);
    QAction *copy = menu.addAction(QStringLiteral("复制"), this, [this] { CopySelection(); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(model_->RowCount() > 0);
    if (!contextActions_.isEmpty()) menu.addSeparator();
    menu.addActions(contextActions_);
    menu.exec(viewport()->mapToGlobal(at));
}

void TSheetView::CopySelection() const {
    if (model_->RowCount() == 0) return;
    QGuiApplication::clipboard()->setText(CellsAsTabText(*model_, Selection()));
}

void TSheetView::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || model_->RowCount() == 0) return;
    CommitEdit();
    setFocus(Qt::MouseFocusReason);
    current_ = CellAt(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier)) anchor_ = current_;
    selecting_ = true;
    viewport()->update();
    emit CellClicked(current_.x(), current_.y());
}

void TSheetView::mouseMoveEvent(QMouseEvent *event) {
    if (!(event->buttons() & Qt::LeftButton) || model_->RowCount() == 0) return;
    const QPoint cell = CellAt(event->position().toPoint());
    if (cell == current_) return;
    current_ = cell;
    EnsureVisible(cell.x(), cell.y());
    viewport()->update();
}

void TSheetView::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || model_->RowCount() == 0) return;
    anchor_ = current_ = CellAt(event->position().toPoint());
    if (readOnly_) emit CellActivated(current_.x(), current_.y());
    else BeginEdit(nullptr);
}

int TSheetView::Step(int from, int delta, bool columns) const {
    // Moves `delta` visible rows or columns, skipping hidden ones, and stops at the sheet's edge.
    const int count = columns ? model_->ColumnCount() : model_->RowCount();
    auto visible = [&](int i) { return (columns ? model_->ColumnWidth(i) : model_->RowHeight(i)) > 0; };
    int at = from;
    for (int moved = 0, dir = delta < 0 ? -1 : 1; moved < std::abs(delta);) {
        int next = at + dir;
        while (next >= 1 && next <= count && !visible(next)) next += dir;
        if (next < 1 || next > count) break;
        at = next;
        ++moved;
    }
    return at;
}

void TSheetView::MoveCurrent(int dCol, int dRow, bool extend) {
    // Leave a merged area from its far edge, so that one key press always leaves it.
    const TCellRect here = WidenToMerges({current_.x(), current_.y(), current_.x(), current_.y()});
    const int fromCol = dCol > 0 ? here.right : dCol < 0 ? here.left : current_.x();
    const int fromRow = dRow > 0 ? here.bottom : dRow < 0 ? here.top : current_.y();
    current_ = QPoint(dCol ? Step(fromCol, dCol, true) : current_.x(), dRow ? Step(fromRow, dRow, false) : current_.y());
    if (!extend) anchor_ = current_;
    selecting_ = true;
    // Moving into a frozen band brings the body back to its start, as moving past the body's
    // first row or column would.
    const TFrozen f = Frozen();
    if (dCol && current_.x() <= f.cols) horizontalScrollBar()->setValue(0);
    if (dRow && current_.y() <= f.rows) verticalScrollBar()->setValue(0);
    EnsureVisible(current_.x(), current_.y());
    viewport()->update();
}

void TSheetView::EnsureVisible(int col, int row) {
    const QRect cell = geometry_.Rect({col, row, col, row});
    const QSize view = viewport()->size();
    const TFrozen f = Frozen();
    QScrollBar *h = horizontalScrollBar(), *v = verticalScrollBar();
    // A frozen cell is always in view; any other must come out from under the band.
    if (col > f.cols) {
        if (cell.left() < h->value() + f.width) h->setValue(cell.left() - f.width);
        else if (cell.right() >= h->value() + view.width()) h->setValue(cell.right() + 1 - view.width());
    }
    if (row > f.rows) {
        if (cell.top() < v->value() + f.height) v->setValue(cell.top() - f.height);
        else if (cell.bottom() >= v->value() + view.height()) v->setValue(cell.bottom() + 1 - view.height());
    }
}

void TSheetView::keyPressEvent(QKeyEvent *event) {
    if (model_->RowCount() == 0) return QAbstractScrollArea::keyPressEvent(event);
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const int body = viewport()->height() - Frozen().height;
    const int page = std::max(1, body / std::max(1, model_->DefaultRowHeight()) - 1);
    if (event->matches(QKeySequence::Copy)) return CopySelection();
    if (event->matches(QKeySequence::SelectAll)) return SelectCells({1, 1, model_->ColumnCount(), model_->RowCount()});
    switch (event->key()) {
    case Qt::Key_Left: return MoveCurrent(-1, 0, shift);
    case Qt::Key_Right: return MoveCurrent(1, 0, shift);
    case Qt::Key_Up: return MoveCurrent(0, -1, shift);
    case Qt::Key_Down: return MoveCurrent(0, 1, shift);
    case Qt::Key_PageUp: return MoveCurrent(0, -page, shift);
    case Qt::Key_PageDown: return MoveCurrent(0, page, shift);
    case Qt::Key_Home: return MoveCurrent(0, -kSheetMaxRows, shift);
    case Qt::Key_End: return MoveCurrent(0, kSheetMaxRows, shift);
    default: break;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (readOnly_ && enter) return emit CellActivated(current_.x(), current_.y());
    if (readOnly_) return QAbstractScrollArea::keyPressEvent(event);
    if (event->key() == Qt::Key_F2 || enter)
        return BeginEdit(nullptr);
    if (event->key() == Qt::Key_Delete) return ClearSelection();
    const QString typed = event->text();
    if (!typed.isEmpty() && typed[0].isPrint() && !(event->modifiers() & Qt::ControlModifier))
        return BeginEdit(&typed);
    QAbstractScrollArea::keyPressEvent(event);
}

void TSheetView::ClearSelection() {
    const TCellRect s = Selection();
    for (int row = s.top; row <= s.bottom; ++row)
        for (int col = s.left; col <= s.right; ++col)
            if (!model_->Text(col, row).isEmpty()) {
                model_->SetText(col, row, u"");
                emit CellEdited(col, row);
            }
    viewport()->update();
}

void TSheetView::BeginEdit(const QString *typed) {
    const TCellRect cell = WidenToMerges({current_.x(), current_.y(), current_.x(), current_.y()});
    editing_ = QPoint(cell.left, cell.top);
    if (!editor_) {
        editor_ = new QLineEdit(viewport());
        editor_->setFrame(false);
        editor_->installEventFilter(this);
    }
    editor_->setFont(MakeSheetFont(model_->Fonts()[model_->Style(editing_.x(), editing_.y()).font]));
    editor_->setMaxLength(kSheetMaxTextLength);
    editor_->setText(typed ? *typed : model_->Text(editing_.x(), editing_.y()).toString());
    editor_->setGeometry(CellRect(editing_.x(), editing_.y()));
    editor_->show();
    editor_->setFocus();
}

void TSheetView::CommitEdit() {
    if (!editor_ || !editor_->isVisible()) return;
    editor_->hide();
    model_->SetText(editing_.x(), editing_.y(), editor_->text());
    emit CellEdited(editing_.x(), editing_.y());
    setFocus();
    viewport()->update();
}

void TSheetView::CancelEdit() {
    if (!editor_ || !editor_->isVisible()) return;
    editor_->hide();
    setFocus();
}

bool TSheetView::eventFilter(QObject *watched, QEvent *event) {
    if (watched != editor_ || !editor_->isVisible()) return QAbstractScrollArea::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape) return CancelEdit(), true;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return CommitEdit(), MoveCurrent(0, 1, false), true;
        if (key == Qt::Key_Tab) return CommitEdit(), MoveCurrent(1, 0, false), true;
    } else if (event->type() == QEvent::FocusOut) {
        CommitEdit();
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}
