#pragma once
// What the query windows offer on their report sheet besides the tool bar: find (Ctrl+F, "查找..."),
// find next (F3) in the data menu, and the sheet's context menu (复制, then the window's commands
// on the current row).
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QWidget;
class TReportSheet;

class TSheetFinder : public QObject {
    Q_OBJECT
public:
    // Finds on `sheet` from row `firstRow` down (the result rows; the heading is not searched).
    TSheetFinder(TReportSheet *sheet, int firstRow, QWidget *window);
    // Asks for the text ("查找", the last text offered), then finds it.
    void Ask();
    // The next cell holding the text after the current one; false (and the window says so) when
    // no cell holds it.
    bool Find(const QString &text);
    // F3: the last text again, or Ask when there is none yet.
    void FindNext();
    QString Text() const { return text_; }

private:
    TReportSheet *sheet_;
    int firstRow_;
    QWidget *window_;
    QString text_;
};

// Adds 查找... (Ctrl+F) and 查找下一个 (F3) to `data` (before `before`, at the end when null) and to
// the window (from any of its controls), and the context menu of the sheet with `rowActions`; Tab
// into the sheet lands on `firstRow`. The finder they use.
TSheetFinder *AddSheetCommands(QWidget *window, QMenu *data, TReportSheet *sheet, int firstRow,
                               const QList<QAction *> &rowActions, QAction *before = nullptr);
