#pragma once
// Drives a picker dialog of the module without a user, through the dialog's own tree and buttons
// with real mouse and key events: the unit picker is walked down to one code, which is selected
// and confirmed; in the data tree dialog each code is reached by opening its ancestors and ticked
// by a click on its check box, in the order given, then the dialog is confirmed. Codes are found by
// their hierarchy: a node whose code begins the wanted code is opened on the way down.
#include <QString>
#include <QStringList>

namespace authpay { class ICodePicker; }
class QAbstractButton;
class QDialog;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

class PickerDriver {
public:
    // screenshot: a PNG file to save the dialog into just before it is left (may be empty).
    PickerDriver(QDialog *dialog, QString screenshot);

    // The element dialog: CODE selected and confirmed. False with the reason in error (the dialog
    // is then still up: CloseDialog).
    bool PickOne(const QString &code);
    // The data tree dialog: every code ticked in order, then confirmed. A code given twice or one
    // that carries no check box fails with the reason.
    bool TickAll(const QStringList &codes);
    // Leaves the dialog with its close button (after a failure); the dialog is closed afterwards.
    void CloseDialog();

    QString error;

private:
    QTreeWidgetItem *Find(const QString &code);
    QTreeWidgetItem *ChildOnTheWay(QTreeWidgetItem *node, const QString &code) const;
    bool Tick(QTreeWidgetItem *item, const QString &code);
    bool Confirm();
    void ClickItem(QTreeWidgetItem *item, int xOffset);
    void OpenNode(QTreeWidgetItem *item);
    void ClickButton(QAbstractButton *button);
    void SaveScreenshot();
    static QString Code(const QTreeWidgetItem *item);

    QDialog *dialog_;
    authpay::ICodePicker *picker_;  // null for a dialog that is no picker of the module
    QTreeWidget *tree_;
    QString screenshot_;
};
