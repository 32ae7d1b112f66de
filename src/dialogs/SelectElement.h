#pragma once
// TgfrmSelectElement: the modal dialog that shows one code table as a lazily loaded tree and lets
// the user pick one code, optionally only a bottom-level one. ShowElementDialog runs it for a tree
// statement; SelectElement builds that statement for an element kind, and SelectBudgetUnit is its
// shorthand for the unit table.
#include "authpay/CodePicker.h"
#include "frame/windows/FrmBsDialog.h"

#include <QIcon>
#include <QList>

class QPushButton;
class TDynamicTree;
class TPanel;
class TPickerSearch;
class TTreeNode;
class TTreeView;

class TgfrmSelectElement : public TfrmBsDialog, public authpay::ICodePicker {
    Q_OBJECT
    Q_INTERFACES(authpay::ICodePicker)
public:
    static const TClassInfo ClassInfo;
    explicit TgfrmSelectElement(const TComponentOwner &owner);
    ~TgfrmSelectElement() override;

    QList<QIcon> ImageList1;
    TPanel *Panel1 = nullptr, *Panel2 = nullptr, *Panel3 = nullptr, *Panel4 = nullptr, *Panel5 = nullptr,
           *Panel6 = nullptr, *Panel7 = nullptr;
    QPushButton *btnConfirm = nullptr, *btnClose = nullptr;
    TTreeView *trvBottom = nullptr;
    TDynamicTree *dtrvElement = nullptr;
    // The search box above the tree.
    TPickerSearch *Search = nullptr;

    // What hosts answer the picker through.
    QTreeWidget *CodeTree() override;
    QAbstractButton *ConfirmButton() override;
    QAbstractButton *CloseButton() override;

    int FLevel = 0;
    bool FConfirmed = false;
    bool FLeafOnly = false;
    QString FElementCaption;
    QString FSelId, FSelName, FSelText;

    virtual void btnConfirmClick();
    virtual void btnCloseClick();
    virtual void trvBottomDblClick();
    // Enter in the search box on the highlighted code: chooses it.
    virtual void SearchEnter(TTreeNode *node);

    // Enter and Esc typed in the search box are the box's own (Enter does not move on as a Tab;
    // Esc empties a box that holds text before it closes the dialog).
    void FormKeyDown(int &key, Qt::KeyboardModifiers shift) override;
    void FormKeyPress(QChar &key) override;

protected:
    void FormShow() override;
    // The message of the bottom-level rule, with the dialog as its parent.
    void LeafOnlyMessage();

public:
    // Points the tree at the statement (its text column named textField) under a top node of the
    // given id and title; the tree stays inactive.
    void SetUpTree(const QString &sql, const QString &textField, const QString &topId, const QString &title);

private:
    void SelectFirstChildOf(TTreeNode *node);
    void BuildPanels();
    void BuildButtons();
};

// Runs the dialog on the tree statement. On entry code and name hold the names of the kind's code
// and name columns; on a true result code and name hold the chosen code and name, text the name
// again; otherwise all three are emptied. False without a dialog when code or name is blank. A
// connection that cannot be opened raises the tree's TExceptDynamicTree.
bool ShowElementDialog(const QString &sql, const QString &caption, QString &code, QString &name, QString &text,
                       const QString &topId, bool leafOnly, int depth);

// One code of an element kind: in-use true shows the codes in use, false the others; year 0 for
// none; extra: SQL added to the condition (may be empty). False when nothing was chosen (the
// three variables emptied) or, untouched, when the kind is unknown.
bool SelectElement(const QString &kind, QString &code, QString &name, QString &text, bool leafOnly, bool inUse,
                   int year, const QString &extra = QString());
bool SelectBudgetUnit(QString &code, QString &name, QString &text, bool leafOnly, bool inUse, int year);
