#pragma once
// TSheetView: the report sheet on screen, drawn like the printed report (white cells, grid lines
// only where the sheet rules them, merged cells, hidden columns left out). Only the visible cells
// are painted. The user selects cells with mouse and keyboard and copies them as tab-separated
// text; while the view is not read-only a double-click, F2 or typing edits the current cell, and
// while it is read-only a double-click or Enter opens it (CellActivated).
//
// Frozen panes: the first columns and rows (the report's headings and its leading code columns)
// can stay in place while the rest scrolls under them, as in spreadsheet programs. The view then
// shows four parts: the corner (frozen both ways), the top band (frozen rows, scrolled sideways),
// the left band (frozen columns, scrolled up and down) and the body. The scroll bars keep their
// ranges: a scroll value v shows sheet pixel `band + v` at the band's edge. Painting, the cell
// under the mouse and scrolling to a cell all go through the same split.
#include "report/SheetGeometry.h"
#include "report/SheetModel.h"

#include <QAbstractScrollArea>
#include <climits>
#include <QPoint>

class QPainter;

class QLineEdit;

class TSheetView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TSheetView(TSheetModel *model, QWidget *parent = nullptr);

    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return readOnly_; }

    // Measures and repaints once control returns to the event loop, however often it is called,
    // so that writing many cells costs no painting in between. Changes that all lie from
    // `fromRow` down, below the rows in sight, repaint nothing but the scroll bars: a long report
    // filling on below the first screen does not redraw that screen after every slice.
    void ScheduleRefresh(int fromRow = 1);
    // Measures again now (after the model was replaced, for example).
    void Refresh();

    // The selected cells (widened to whole merged areas) and the current cell.
    TCellRect Selection() const;
    QPoint CurrentCell() const { return current_; }
    void SelectCells(const TCellRect &cells);
    // The cell becomes the current one, alone selected and scrolled into view.
    void GoTo(int col, int row);
    void CopySelection() const;
    // What the context menu offers after "复制" (the window's commands on the current row); a
    // right click first makes the cell under it current when it is outside the selection.
    void SetContextActions(QList<QAction *> actions) { contextActions_ = std::move(actions); }
    // The first row of the sheet's body (below its heading): Tab into the sheet lands there while
    // the current cell is above it. 0: wherever the current cell is.
    void SetEntryRow(int row) { entryRow_ = row; }
    int EntryRow() const { return entryRow_; }
    // The arrow that tells the column the rows are sorted by, drawn at the right of the heading
    // cell (col, row): up rising, down falling. Column 0: none.
    void SetSortMark(int col, int row, bool descending);
    // Whether the user has selected cells (rather than only moved the current cell there).
    bool HasSelection() const { return selecting_; }

    // The cell under a point of the viewport (0, 0 when the sheet is empty), and a cell's rectangle
    // on the viewport.
    QPoint CellAt(QPoint viewportPos) const;
    QRect CellRect(int col, int row) const;
    // Cells drawn by the last paint, for checking that painting stays with the visible ones.
    int LastPaintedCells() const { return lastPainted_; }
    void CancelEdit();
    // Scrolls the least that shows the cell beside the frozen bands.
    void EnsureVisible(int col, int row);
    // The first `cols` columns and `rows` rows stay in place (0, 0: nothing frozen). A band is
    // left out while it would take more than two thirds of the view, so the body keeps room.
    void SetFrozen(int cols, int rows);
    // The frozen columns and rows as they apply now, and the bands' size in viewport pixels.
    struct TFrozen {
        int cols = 0, rows = 0;
        int width = 0, height = 0;
    };
    TFrozen Frozen() const;

signals:
    void CellEdited(int col, int row);
    // A read-only view's cell opened by a double-click or Enter: what lies behind it is asked for.
    void CellActivated(int col, int row);
    // A cell clicked with the left button (a heading, to sort by it).
    void CellClicked(int col, int row);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void RefreshFrom(int fromRow);
    QPoint Origin() const;
    // Viewport to sheet pixels and back, through the frozen bands.
    QPoint ToSheet(QPoint viewportPos) const;
    QPoint Shift(const TCellRect &cells) const;
    void PaintPart(QPainter &p, const QRect &part, QPoint origin, const QRect &asked);
    void PaintDividers(QPainter &p, const TFrozen &frozen);
    void PaintSortMark(QPainter &p) const;
    void UpdateScrollBars();
    void ClampSelection();
    void MoveCurrent(int dCol, int dRow, bool extend);
    int Step(int from, int delta, bool columns) const;
    TCellRect WidenToMerges(TCellRect cells) const;
    void BeginEdit(const QString *typed);
    void CommitEdit();
    void ClearSelection();

    TSheetModel *model_;
    TSheetGeometry geometry_;
    QList<QAction *> contextActions_;
    int entryRow_ = 0;
    QPoint sortMark_;  // (0, 0): none
    bool sortDescending_ = false;
    QPoint anchor_{1, 1};
    QPoint current_{1, 1};
    bool readOnly_ = true;
    bool selecting_ = false;  // the user has selected something: show it
    bool refreshPending_ = false;
    int refreshFrom_ = INT_MAX;  // the first row changed since the last refresh (INT_MAX: none)
    int lastPainted_ = 0;
    QLineEdit *editor_ = nullptr;
    QPoint editing_;
    int frozenCols_ = 0, frozenRows_ = 0;  // as asked; Frozen() says what applies
};
