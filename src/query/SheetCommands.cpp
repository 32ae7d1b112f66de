#include "query/SheetCommands.h"

#include "query/ReportOutput.h"
#include "report/ReportSheet.h"
#include "report/SheetFind.h"
#include "report/SheetView.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>

TSheetFinder::TSheetFinder(TReportSheet *sheet, int firstRow, QWidget *window)
    : QObject(window), sheet_(sheet), firstRow_(firstRow), window_(window) {}

void TSheetFinder::Ask() {
    QInputDialog dialog(window_);
    dialog.setObjectName(QStringLiteral("authpayFind"));
    dialog.setWindowTitle(QStringLiteral("查找"));
    dialog.setLabelText(QStringLiteral("查找编码或名称："));
    dialog.setTextValue(text_);
    dialog.setOkButtonText(QStringLiteral("查找"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    if (dialog.exec() == QDialog::Accepted) Find(dialog.textValue());
}

bool TSheetFinder::Find(const QString &text) {
    text_ = text.trimmed();
    if (text_.isEmpty()) return false;
    const QPoint from = sheet_->View()->CurrentCell();
    const std::optional<QPoint> cell = FindInSheet(sheet_->Model(), text_, from, firstRow_);
    if (!cell) {
        ShowQueryMessage(window_, QStringLiteral("未找到“%1”。").arg(text_));
        return false;
    }
    sheet_->View()->GoTo(cell->x(), cell->y());
    sheet_->View()->setFocus(Qt::ShortcutFocusReason);
    return true;
}

void TSheetFinder::FindNext() {
    if (text_.isEmpty()) Ask();
    else Find(text_);
}

TSheetFinder *AddSheetCommands(QWidget *window, QMenu *data, TReportSheet *sheet, int firstRow,
                               const QList<QAction *> &rowActions, QAction *before) {
    auto *finder = new TSheetFinder(sheet, firstRow, window);
    auto *find = new QAction(QStringLiteral("查找..."), window);
    QObject::connect(find, &QAction::triggered, finder, [finder] { finder->Ask(); });
    find->setObjectName(QStringLiteral("actFind"));
    find->setShortcut(QKeySequence::Find);
    auto *next = new QAction(QStringLiteral("查找下一个"), window);
    QObject::connect(next, &QAction::triggered, finder, [finder] { finder->FindNext(); });
    next->setObjectName(QStringLiteral("actFindNext"));
    next->setShortcut(QKeySequence(Qt::Key_F3));
    auto *separator = new QAction(window);
    separator->setSeparator(true);
    // Beside the window's other commands on what it shows, a line apart from those after them.
    if (before) data->insertActions(before, {find, next, separator});
    else data->addActions({separator, find, next});
    for (QAction *a : {find, next}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        window->addAction(a);
    }
    sheet->View()->SetContextActions(rowActions);
    sheet->View()->SetEntryRow(firstRow);
    return finder;
}
