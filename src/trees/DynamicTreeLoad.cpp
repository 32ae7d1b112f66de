// The dynamic tree's loading: the top node, the child queries (in the calling thread or on a
// query thread) and the nodes they add. Every step that touches the view asks CanWork first; a
// deactivation clears the view, so a node held across a step that may deactivate is touched again
// only while the view's clear count is unchanged.
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
    const quint64 clears = ClearCount();
    std::unique_ptr<TNodeItem> node(new TNodeItem);
    TItemInfoClass cls = TItemInfoClassOf;
    if (OnBeforAddNode) OnBeforAddNode(this, nullptr, node.get(), cls);
    try {
        TItemInfo *info = cls();
        node->Data = info;
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
        try {
            if (OnAfterAddNode) OnAfterAddNode(this, nullptr, top, info);
            LoadChildren(top);
            AutoExpand();
        } catch (...) {
            RemoveFailedNode(top, clears);
        }
    } catch (...) {
        // A failure while the top level is built leaves an empty view; the tree stays active.
    }
}

void TDynamicTree::LoadChildren(TNodeItem *node) {
    if (!CanWork() || !node || !ItemInfoOf(node)) return;
    if (node->HasChildren()) node->DeleteChildren();
    const QString sql = BuildChildSql(sqlTable_, FieldPid, FieldOrderBy, ItemInfoOf(node)->Id);
    node->ChildrenLoaded = true;
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
    while (!rows->Eof()) {
        if (!CanWork()) return;
        AddDataNode(node, nullptr, *rows);
        rows->Next();
    }
}

void TDynamicTree::LoadChildrenAsync(TNodeItem *node, const QString &sql) {
    // The statement runs on a connection of the thread's own; the trace is written here.
    if (TDbManager *manager = adoConn_->Manager()) manager->TraceSql(sql);
    auto *thread = new TQueryThread(true, std::make_unique<TMemDataSet>(adoConn_->ConnectionString, sql));
    queryThreads_.append(thread);
    thread->OnTerminate = [this](TQueryThread *t) { QueryThreadTerminated(t); };
    thread->OnQueryDone = [this](TQueryThread *t, TMemDataSet *rows) { QueryDone(t, rows); };
    thread->ParentNode = node;
    node->Loading = thread;
    if (!CanWork()) thread->Terminate();
    thread->start();
}

void TDynamicTree::AddDataNode(TNodeItem *parent, TQueryThread *thread, const TFields &fields) {
    if (!CanWork() || (thread && thread->IsTerminated())) return;
    std::unique_ptr<TNodeItem> node(new TNodeItem);
    TItemInfoClass cls = TItemInfoClassOf;
    if (OnBeforAddNode) OnBeforAddNode(this, &fields, node.get(), cls);
    std::unique_ptr<TItemInfo> info(cls());
    if (!ItemInfoOf(parent)) {
        if (!CanWork() || (thread && thread->IsTerminated())) return;
        throw TExceptDynamicTree(SNodeInfoLost());
    }
    node->Data = info.release();
    const quint64 clears = ClearCount();
    try {
        FillDataNode(node.get(), fields);
        if (!CanWork()) return;
        TNodeItem *added = node.release();
        treeView_->AddChildObject(parent, added, added->Text(), added->Data);
        try {
            if (parent->ExpandOnLoad) {
                parent->ExpandOnLoad = false;
                parent->SetExpanded(true);
            }
            if (OnAfterAddNode) OnAfterAddNode(this, &fields, added, ItemInfoOf(added));
            if (ClearCount() != clears) return;
            TItemInfo *addedInfo = ItemInfoOf(added);
            if (addedInfo->IsLeaf || RepeatsAncestor(added)) added->ChildrenLoaded = true;
            else if (loadAll_) LoadChildren(added);
            else AddPlaceholder(added, cls);
            AutoExpand();
        } catch (...) {
            RemoveFailedNode(added, clears);
        }
    } catch (...) {
        // The row is dropped (the node not yet in the view goes with its unique pointer); the next
        // row is still read.
    }
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
    placeholder->Data = info;
    placeholder->OwnerPos = placeholders_.insert(placeholders_.end(), placeholder);
    placeholder->OwnerList = &placeholders_;
    if (!CanWork()) {
        delete placeholder;  // takes itself out of the list
        return;
    }
    treeView_->AddChildObject(node, placeholder, PlaceholderText(), info);
    AutoExpand();
}

// A node whose id is already the id of one of its ancestors would only repeat that ancestor's
// subtree, endlessly: it is shown, but never loaded.
bool TDynamicTree::RepeatsAncestor(const TNodeItem *node) const {
    const QString &id = ItemInfoOf(node)->Id;
    for (const TTreeNode *p = node->Parent(); p; p = p->Parent())
        if (const TItemInfo *info = ItemInfoOf(p); info && info->Kind != ikPlaceholder && info->Id == id) return true;
    return false;
}

void TDynamicTree::RemoveFailedNode(TNodeItem *node, quint64 clearCount) {
    if (treeView_ && ClearCount() == clearCount) delete node;
}

void TDynamicTree::QueryDone(TQueryThread *thread, TMemDataSet *dataSet) {
    struct CloseAtEnd {
        TMemDataSet *rows;
        ~CloseAtEnd() { rows->Close(); }
    } closeAtEnd{dataSet};
    if (thread->IsTerminated() || !CanWork()) return;
    // The user's input is answered between rows; the pending messages are taken every few
    // milliseconds rather than after every row, which would repaint the view once per row.
    QElapsedTimer sinceMessages;
    sinceMessages.start();
    try {
        for (dataSet->First(); !dataSet->Eof() && !thread->IsTerminated(); dataSet->Next()) {
            if (!CanWork()) return;
            AddDataNode(thread->ParentNode, thread, *dataSet);
            if (!CanWork()) return;
            if (sinceMessages.elapsed() < kMessageSliceMs) continue;
            if (authpay::Application) authpay::Application->ProcessMessages();
            sinceMessages.restart();
            if (!CanWork()) return;
        }
    } catch (...) {
        // A lost parent ends this load without a message.
    }
}

void TDynamicTree::QueryThreadTerminated(TQueryThread *thread) {
    if (CanWork()) queryThreads_.removeOne(thread);
}
