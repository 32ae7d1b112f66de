// The dynamic tree's loading: the top node, the child queries (in the calling thread or on a
// query thread) and the nodes they add. Every step that touches the view asks CanWork first, and
// every step that called code of others (a handler, an expansion, the user's input) asks its
// TLoadGuard before it touches the tree or a node it held again.
#include "trees/DynamicTree.h"

#include "authpay/Application.h"
#include "authpay/DbManager.h"
#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "frame/ModuleGlobals.h"
#include "trees/ChildSql.h"
#include "trees/QueryThread.h"
#include "trees/TreeErrors.h"

#include <QElapsedTimer>
#include <memory>

namespace {
// How long rows of a background load are added before the user's pending input is taken.
constexpr qint64 kMessageSliceMs = 8;
}  // namespace

void TDynamicTree::LoadTopNode() {
    treeView_->ClearNodes();
    const TLoadGuard tree = Guard();
    std::unique_ptr<TNodeItem> node(new TNodeItem);
    TItemInfoClass cls = TItemInfoClassOf;
    if (const TOnBeforAddNode before = OnBeforAddNode) before(this, nullptr, node.get(), cls);
    if (!tree.Holds()) return;
    try {
        TItemInfo *info = cls();
        node->SetItemInfo(info);
        info->Kind = ikTopNode;
        info->Node = node.get();
        info->Id = TopVirNodeIdValue;
        info->Pid = QStringLiteral("★");
        info->Caption = QStringLiteral("^_^");
        info->IsLeaf = false;
        if (TrimText(node->Text()).isEmpty()) node->SetText(topVirNodeTitle_);
        if (!CanWork()) return;  // the node and its info go with the unique pointer
        TNodeItem *top = node.release();
        treeView_->AddChildObject(nullptr, top, top->Text(), top->Data);
        const TLoadGuard held = Guard(top);
        try {
            if (const TOnAfterAddNode after = OnAfterAddNode) after(this, nullptr, top, info);
            if (!held.Holds()) return;
            LoadChildren(top);
            if (held.Holds()) AutoExpand();
        } catch (...) {
            if (held.Holds()) delete top;
        }
    } catch (...) {
        // A failure while the top level is built leaves an empty view; the tree stays active.
    }
}

void TDynamicTree::LoadChildren(TNodeItem *node) {
    if (!CanWork() || !ItemInfoOf(node)) return;
    if (node->HasChildren()) node->DeleteChildren();
    const QString id = ItemInfoOf(node)->Id;
    const QString sql = BuildChildSql(sqlTable_, FieldPid, FieldOrderBy, id);
    node->ChildrenLoaded = true;
    loadedIds_.insert(id);
    if (SyncDataLoad) LoadChildrenSync(node, sql);
    else LoadChildrenAsync(node, sql);
}

void TDynamicTree::LoadChildrenSync(TNodeItem *node, const QString &sql) {
    // The query is released however the loop ends; its failure goes on to the caller.
    IARQueryPtr query = OpenQuery(adoConn_, sql);
    TARQuery *rows = query.Query();
    // The rows are read ahead first: a node added on the way may load its own children (LoadAll,
    // the automatic expansion, a handler) on the same connection, and a backend that streams a
    // forward-only result (PostgreSQL) drops the rest of this one when another statement starts.
    rows->RecordCount();
    const TLoadGuard parent = Guard(node);
    while (!rows->Eof()) {
        if (!parent.Holds() || !CanWork()) return;
        AddDataNode(node, nullptr, *rows);
        rows->Next();
    }
}

void TDynamicTree::LoadChildrenAsync(TNodeItem *node, const QString &sql) {
    // The statement runs on a connection of the thread's own; the trace is written here.
    adoConn_->TraceSql(sql);
    auto *thread = new TQueryThread(true, std::make_unique<TMemDataSet>(adoConn_->ConnectionString, sql));
    queryThreads_.append(thread);
    thread->OnTerminate = [this](TQueryThread *t) { QueryThreadTerminated(t); };
    thread->OnQueryDone = [this](TQueryThread *t, TMemDataSet *rows) { QueryDone(t, rows); };
    thread->ParentNode = node;
    // The node's destruction ends the load it waits for; a load of the node that replaces an
    // earlier one ends that one (its rows would come twice).
    if (node->Loading) node->Loading->Terminate();
    node->Loading = thread;
    if (!CanWork()) thread->Terminate();
    thread->start();
}

void TDynamicTree::AddDataNode(TNodeItem *parent, TQueryThread *thread, const TFields &fields) {
    if (!CanWork() || (thread && thread->IsTerminated())) return;
    const TLoadGuard parentHeld = Guard(parent);
    std::unique_ptr<TNodeItem> node(new TNodeItem);
    TItemInfoClass cls = TItemInfoClassOf;
    if (const TOnBeforAddNode before = OnBeforAddNode) before(this, &fields, node.get(), cls);
    if (!parentHeld.Holds()) return;
    std::unique_ptr<TItemInfo> info(cls());
    if (!ItemInfoOf(parent)) {
        if (!CanWork() || (thread && thread->IsTerminated())) return;
        throw TExceptDynamicTree(SNodeInfoLost());
    }
    node->SetItemInfo(info.release());
    try {
        FillDataNode(node.get(), fields);
        if (!CanWork()) return;
        TNodeItem *added = node.release();
        treeView_->AddChildObject(parent, added, added->Text(), added->Data);
        const TLoadGuard held = Guard(added);
        try {
            FinishAddedNode(parent, added, fields, cls);
        } catch (...) {
            if (held.Holds()) delete added;
        }
    } catch (...) {
        // The row is dropped (the node not yet in the view goes with its unique pointer); the next
        // row is still read.
    }
}

// What follows a node's arrival in the view: the parent opened if it waited for it, the handler,
// then the node's own children (none, loaded at once, or a placeholder) and the automatic
// expansion. Each call may end the node, its parent or the tree.
void TDynamicTree::FinishAddedNode(TNodeItem *parent, TNodeItem *added, const TFields &fields, TItemInfoClass cls) {
    const TLoadGuard held = Guard(added);
    if (parent->ExpandOnLoad) {
        parent->ExpandOnLoad = false;
        parent->SetExpanded(true);
        if (!held.Holds()) return;
    }
    if (const TOnAfterAddNode after = OnAfterAddNode) after(this, &fields, added, ItemInfoOf(added));
    if (!held.Holds()) return;
    const TItemInfo *info = ItemInfoOf(added);
    if (!info || !WaitsForChildren(added, *info)) added->ChildrenLoaded = true;
    else if (loadAll_) LoadChildren(added);
    else AddPlaceholder(added, cls);
    if (held.Holds()) AutoExpand();
}

// A leaf has no children; a node whose id stands in its own ancestry would repeat that ancestor's
// subtree endlessly; with LoadAll an id already loaded elsewhere would repeat that subtree (with
// rows that refer to each other, once for every ordering of them). Such nodes are shown, never
// loaded.
bool TDynamicTree::WaitsForChildren(const TNodeItem *node, const TItemInfo &info) const {
    return !info.IsLeaf && !RepeatsAncestor(node) && !(loadAll_ && loadedIds_.contains(info.Id));
}

void TDynamicTree::FillDataNode(TNodeItem *node, const TFields &fields) {
    TItemInfo *info = ItemInfoOf(node);
    info->Kind = ikDataNode;
    info->Node = node;
    info->Id = fields.FieldByName(fieldId_).AsString();
    info->Pid = fields.FieldByName(FieldPid).AsString();
    info->Caption = fields.FieldByName(FieldCaption).AsString();
    info->IsLeaf = fields.FieldByName(FieldIsLeaf).AsString() == ValueIsLeaf;
    if (!TrimText(node->Text()).isEmpty()) return;
    if (FieldText.isEmpty()) node->SetText(info->Caption + QLatin1Char('(') + info->Id + QLatin1Char(')'));
    else node->SetText(fields.FieldByName(FieldText).AsString());
}

void TDynamicTree::AddPlaceholder(TNodeItem *node, TItemInfoClass cls) {
    auto *placeholder = new TNodeItem;
    TItemInfo *info = cls();
    info->Kind = ikPlaceholder;
    info->Node = nullptr;
    info->IsLeaf = false;
    placeholder->SetItemInfo(info);
    placeholder->OwnerPos = placeholders_.insert(placeholders_.end(), placeholder);
    placeholder->OwnerList = &placeholders_;
    if (!CanWork()) {
        delete placeholder;  // takes itself out of the list
        return;
    }
    treeView_->AddChildObject(node, placeholder, PlaceholderText(), info);
    AutoExpand();
}

bool TDynamicTree::RepeatsAncestor(const TNodeItem *node) const {
    const QString &id = ItemInfoOf(node)->Id;
    for (const TTreeNode *p = node->Parent(); p; p = p->Parent())
        if (const TItemInfo *info = ItemInfoOf(p); info && info->Kind != ikPlaceholder && info->Id == id) return true;
    return false;
}

void TDynamicTree::QueryDone(TQueryThread *thread, TMemDataSet *dataSet) {
    struct CloseAtEnd {
        TMemDataSet *rows;
        ~CloseAtEnd() { rows->Close(); }
    } closeAtEnd{dataSet};
    // A node's destruction ends its load: a load that is not ended still has its parent.
    if (thread->IsTerminated() || !CanWork()) return;
    const TLoadGuard parent = Guard(thread->ParentNode);
    // The user's input is answered between rows, which may rebuild or destroy the tree; the
    // pending messages are taken every few milliseconds rather than after every row, which would
    // repaint the view once per row.
    QElapsedTimer sinceMessages;
    sinceMessages.start();
    try {
        for (dataSet->First(); !dataSet->Eof() && !thread->IsTerminated(); dataSet->Next()) {
            if (!parent.Holds() || !CanWork()) return;
            AddDataNode(thread->ParentNode, thread, *dataSet);
            if (!parent.Holds() || !CanWork()) return;
            if (sinceMessages.elapsed() < kMessageSliceMs) continue;
            if (authpay::Application) authpay::Application->ProcessMessages();
            sinceMessages.restart();
        }
    } catch (...) {
        // A lost parent ends this load without a message.
    }
}

void TDynamicTree::QueryThreadTerminated(TQueryThread *thread) {
    if (CanWork()) queryThreads_.removeOne(thread);
}
