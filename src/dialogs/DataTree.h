#pragma once
// TgfmDataTree: the modal dialog in which the user ticks several bottom-level codes of the budget
// items, subjects or units. Only leaves carry a check box; the ticked codes come back in the order
// they were ticked, as entries "code@name" and, for callers that need the code whole (a code may
// hold "@" itself), as code and name apart.
#include "dialogs/SelectElement.h"

#include <QStringList>
#include <memory>

class TCheckTree;
class TFields;
class TItemInfo;
class TNodeItem;
class TTreeNode;

// A ticked code and its name.
struct TPickedCode {
    QString Code, Name;
    bool operator==(const TPickedCode &) const = default;
};

class TgfmDataTree : public TgfrmSelectElement {
    Q_OBJECT
public:
    static const TClassInfo ClassInfo;
    explicit TgfmDataTree(const TComponentOwner &owner);
    ~TgfmDataTree() override;

    QList<QIcon> imglst;
    TCheckTree *ctrvIid = nullptr;

    // Created when the dialog is shown, freed when it is destroyed.
    std::unique_ptr<QStringList> FPickedList;
    // The same ticks, code and name apart.
    QList<TPickedCode> FPickedCodes;
    QString FTreeSql;
    QString FKind;
    QString FTitle;

    void btnConfirmClick() override;
    void btnCloseClick() override;
    void trvBottomDblClick() override;
    // Enter in the search box ticks or unticks the highlighted bottom-level code.
    void SearchEnter(TTreeNode *node) override;
    void BuildTreeSql();

protected:
    void FormShow() override;
    void FormDestroy() override;

private:
    void dtrvElementAfterAddNode(QObject *sender, const TFields *fields, TNodeItem *node, TItemInfo *itemInfo);
    void ctrvIidChangeStateIndex(QObject *sender, TTreeNode *node, int relationKind, int curCheckKind,
                                 int willCheckKind, bool &boolToChange);
    void ctrvIidBeforClickTreeNode(QObject *sender, TTreeNode *node, bool &handled);
};

// Runs the dialog for kind "1" (budget items), "2" (budget subjects) or "3" (budget units); sql is
// used only for another kind. The caller's list is replaced by the ticked entries; the answer is
// true whenever the dialog was shown.
bool ShowDataTreeDialog(QStringList &list, const QString &kind, const QString &sql = QString());
// The same, with the ticked codes and their names apart.
bool ShowDataTreeDialog(QList<TPickedCode> &picked, const QString &kind, const QString &sql = QString());
