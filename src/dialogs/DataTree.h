#pragma once
// TgfmDataTree: the modal dialog in which the user ticks several bottom-level codes of the budget
// items, subjects or units. Only leaves carry a check box; the ticked codes come back as entries
// "code@name" in the order they were ticked.
#include "dialogs/SelectElement.h"

#include <QStringList>
#include <memory>

class TCheckTree;
class TFields;
class TItemInfo;
class TNodeItem;
class TTreeNode;

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
    QString FTreeSql;
    QString FKind;
    QString FTitle;

    void btnConfirmClick() override;
    void btnCloseClick() override;
    void trvBottomDblClick() override;
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
