#include "dialogs/DataTree.h"

#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "data/ElementKinds.h"
#include "dialogs/PickerSql.h"
#include "frame/ModuleGlobals.h"
#include "frame/UserContextOps.h"
#include "platform/PlatformErrors.h"
#include "trees/CheckTree.h"
#include "trees/DynamicTree.h"
#include "trees/StateImages.h"

#include <QPushButton>

const TClassInfo TgfmDataTree::ClassInfo{"TgfmDataTree", &TgfrmSelectElement::ClassInfo,
                                         &ConstructComponent<TgfmDataTree>};

TgfmDataTree::TgfmDataTree(const TComponentOwner &owner) : TgfrmSelectElement(owner) {
    setObjectName(QStringLiteral("gfmDataTree"));
    setWindowTitle(QStringLiteral("gfmDataTree"));
    imglst = StatePictures();
    trvBottom->SetImages({});
    trvBottom->SetStateImages(imglst);
    trvBottom->SetAutoExpand(true);
    dtrvElement->SetAutoExpandKind(aekNone);
    dtrvElement->OnAfterAddNode = [this](QObject *sender, const TFields *fields, TNodeItem *node, TItemInfo *info) {
        dtrvElementAfterAddNode(sender, fields, node, info);
    };
    ctrvIid = new TCheckTree(this);
    ctrvIid->setObjectName(QStringLiteral("ctrvIid"));
    ctrvIid->Active = true;
    ctrvIid->TreeViewWindow = trvBottom;
    ctrvIid->SetStateIdxEmpty(1);
    ctrvIid->SetStateIdxChecked(3);
    ctrvIid->SetStateIdxGrayed(2);
    ctrvIid->NodeTextAsHint = true;
    ctrvIid->OnChangeStateIndex = [this](QObject *sender, TTreeNode *node, TRelationKind relation, TCheckKind cur,
                                         TCheckKind will, bool &allow) {
        ctrvIidChangeStateIndex(sender, node, relation, cur, will, allow);
    };
    ctrvIid->OnBeforClickTreeNode = [this](QObject *sender, TTreeNode *node, bool &handled) {
        ctrvIidBeforClickTreeNode(sender, node, handled);
    };
}

TgfmDataTree::~TgfmDataTree() {
    BeforeDestruction();
    // The check tree holds a plain reference to the view, which goes before it.
    ctrvIid->TreeViewWindow = nullptr;
}

void TgfmDataTree::FormDestroy() {
    TgfrmSelectElement::FormDestroy();
    FPickedList.reset();
}

void TgfmDataTree::BuildTreeSql() {
    bool ok = false;
    const int kind = FKind.toInt(&ok);
    if (!ok) throw EConvertError(SInvalidInteger(FKind));
    const int year = authpay::UserContext ? authpay::UserContext->DataYear : 0;
    const auto built = DataTreeSql(kind, GetDefaultConn()->GetConcatOperator(), year, UnitPrefix(GetUnitValue(0)),
                                   DefaultSqlBackend());
    if (!built) return;
    FTreeSql = built->Sql;
    FTitle = built->Title;
}

// Nothing is preselected, and the base's show step (centring, first selection) does not run.
void TgfmDataTree::FormShow() {
    FPickedList = std::make_unique<QStringList>();
    FPickedCodes.clear();
    BuildTreeSql();
    setWindowTitle(FTitle);
    // The tree's activation requires an open connection: it is opened here when nothing has used
    // it yet. One that cannot be opened still fails the activation below with the tree's error.
    try {
        GetDefaultConn()->Open();
    } catch (const std::exception &) {
    }
    SetUpTree(FTreeSql, QStringLiteral("aText"), QString(), FTitle);
    dtrvElement->SetTreeView(trvBottom);
    dtrvElement->SetActive(true);
}

// Leaves get an empty check box, every other node the open folder, which is no check state.
void TgfmDataTree::dtrvElementAfterAddNode(QObject *, const TFields *fields, TNodeItem *node, TItemInfo *info) {
    if (info->IsLeaf) {
        if (fields) fields->FieldByName(QStringLiteral("useflag")).AsString();  // a row without it is dropped
        node->SetStateIndex(spEmpty);
    } else {
        node->SetStateIndex(spOpenFolder);
    }
}

void TgfmDataTree::ctrvIidBeforClickTreeNode(QObject *, TTreeNode *node, bool &handled) {
    handled = true;
    try {
        ctrvIid->ToggleNode(node);
    } catch (...) {
        // A failing toggle is dropped without a message.
    }
}

// Ticking appends the node's entry, unticking removes its first occurrence: the lists keep the
// ticked codes in ticking order.
void TgfmDataTree::ctrvIidChangeStateIndex(QObject *, TTreeNode *node, int, int curCheckKind, int, bool &) {
    const TItemInfo *info = TDynamicTree::ItemInfoOf(node);
    if (!info || !FPickedList) return;
    FSelId = info->Id;
    FSelName = info->Caption;
    const QString entry = info->Id + QLatin1Char('@') + info->Caption;
    const TPickedCode picked{info->Id, info->Caption};
    if (curCheckKind == ckChecked) {
        FPickedList->removeOne(entry);
        FPickedCodes.removeOne(picked);
    } else {
        FPickedList->append(entry);
        FPickedCodes.append(picked);
    }
}

void TgfmDataTree::btnConfirmClick() {
    // The element dialog's confirmation; the bottom-level rule never applies here.
    TgfrmSelectElement::btnConfirmClick();
}

void TgfmDataTree::btnCloseClick() {
    FConfirmed = false;
    if (FPickedList) FPickedList->clear();
    FPickedCodes.clear();
    close();
}

void TgfmDataTree::trvBottomDblClick() {}

void TgfmDataTree::SearchEnter(TTreeNode *node) {
    const TItemInfo *info = TDynamicTree::ItemInfoOf(node);
    if (info && info->IsLeaf) ctrvIid->ToggleNode(node);
}

namespace {
// Runs the dialog of the kind and hands it, closed, to read.
template <class Read>
void RunDataTreeDialog(const QString &kind, const QString &sql, Read read) {
    std::unique_ptr<TgfmDataTree> dialog(
        static_cast<TgfmDataTree *>(ConstructComponent<TgfmDataTree>(TComponentOwner{})));
    dialog->FKind = kind;
    if (!sql.isEmpty()) dialog->FTreeSql = sql;
    dialog->ShowModal();
    read(*dialog);
}
}  // namespace

bool ShowDataTreeDialog(QStringList &list, const QString &kind, const QString &sql) {
    RunDataTreeDialog(kind, sql, [&](const TgfmDataTree &d) { list = d.FPickedList ? *d.FPickedList : QStringList(); });
    return true;
}

bool ShowDataTreeDialog(QList<TPickedCode> &picked, const QString &kind, const QString &sql) {
    RunDataTreeDialog(kind, sql, [&](const TgfmDataTree &d) { picked = d.FPickedCodes; });
    return true;
}
