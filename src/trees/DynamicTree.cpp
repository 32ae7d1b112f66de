// The dynamic tree's properties, its activation and deactivation, and the automatic expansion.
// The loading itself is in DynamicTreeLoad.cpp.
#include "trees/DynamicTree.h"

#include "authpay/Application.h"
#include "data/AdoConn.h"
#include "frame/EventGuard.h"
#include "frame/ModuleGlobals.h"
#include "trees/ChildSql.h"
#include "trees/QueryThread.h"
#include "trees/TreeErrors.h"

TDynamicTree::TDynamicTree(QObject *owner) : QObject(owner) {}

TDynamicTree::~TDynamicTree() {
    Deactivate();
    QObject::disconnect(adoConnWatch_);
    QObject::disconnect(treeViewWatch_);
}

void TDynamicTree::SetTopVirNodeTitle(const QString &title) {
    if (title == topVirNodeTitle_) return;
    const bool wasActive = active_;
    SetActive(false);
    topVirNodeTitle_ = title;
    SetActive(wasActive);
}

void TDynamicTree::SetFieldId(const QString &field) {
    fieldId_ = field;
    FieldOrderBy = field;
}

void TDynamicTree::SetAdoConn(TAdoConn *connection) {
    if (connection == adoConn_) return;
    SetActive(false);
    QObject::disconnect(adoConnWatch_);
    adoConn_ = connection;
    if (connection)
        adoConnWatch_ = connect(connection, &QObject::destroyed, this, [this] { SetAdoConn(nullptr); });
}

void TDynamicTree::SetTreeView(TTreeView *view) {
    if (view == treeView_) return;
    const bool wasActive = active_;
    SetActive(false);
    QObject::disconnect(treeViewWatch_);
    treeView_ = view;
    if (!view) return;
    treeViewWatch_ = connect(view, &TTreeView::Destroying, this, [this] { SetTreeView(nullptr); });
    SetActive(wasActive);
}

void TDynamicTree::SetActive(bool active) {
    if (active == active_) return;
    if (active) Activate();
    else Deactivate();
}

void TDynamicTree::SetLoadAll(bool loadAll) {
    const bool turnedOn = loadAll && !loadAll_;
    loadAll_ = loadAll;
    if (!turnedOn) return;
    // Each load deletes the placeholder it stands for, which leaves the list; a node whose id has
    // been loaded already only loses its placeholder.
    const TLoadGuard tree = Guard();
    while (tree.Holds() && !placeholders_.empty()) {
        TNodeItem *placeholder = placeholders_.front();
        TNodeItem *parent = NodeItemOf(placeholder->Parent());
        if (const TItemInfo *info = ItemInfoOf(parent); info && loadedIds_.contains(info->Id)) {
            parent->ChildrenLoaded = true;
            delete placeholder;
            continue;
        }
        const TLoadGuard stillThere = Guard(placeholder);
        LoadChildren(parent);
        if (stillThere.Holds()) break;  // the load did not run: the tree stopped working
    }
}

void TDynamicTree::SetAutoExpandKind(TAutoExpandKind kind) {
    if (kind == autoExpandKind_) return;
    autoExpandKind_ = kind;
    if (active_) AutoExpand();
}

bool TDynamicTree::CanWork() {
    const bool ok = active_ && adoConn_ && adoConn_->Connected() && treeView_
                    && !(authpay::Application && authpay::Application->Terminated);
    if (!ok) SetActive(false);
    return ok;
}

TItemInfo *TDynamicTree::ItemInfoOf(const TTreeNode *node) {
    const auto *item = dynamic_cast<const TNodeItem *>(node);
    return item ? item->ItemInfo() : nullptr;
}

TNodeItem *TDynamicTree::NodeItemOf(TTreeNode *node) { return dynamic_cast<TNodeItem *>(node); }

void TDynamicTree::CheckProperties() const {
    if (!treeView_) throw TExceptDynamicTree(SNoPropertyValue(QStringLiteral("TreeView")));
    if (!adoConn_) throw TExceptDynamicTree(SNoPropertyValue(QStringLiteral("AdoConn")));
    if (!adoConn_->Connected()) throw TExceptDynamicTree(SConnectionNotOpen());
    QString table;
    for (const QString &line : sqlTable_) table += line + QLatin1Char('\n');
    if (TrimText(table).isEmpty()) throw TExceptDynamicTree(SNoPropertyValue(QStringLiteral("SqlTable")));
    const std::pair<const QString *, const char *> fields[] = {
        {&fieldId_, "FieldId"}, {&FieldPid, "FieldPid"}, {&FieldIsLeaf, "FieldIsLeaf"},
        {&FieldCaption, "FieldCaption"}, {&FieldText, "FieldText"}};
    for (const auto &[value, name] : fields)
        if (TrimText(*value).isEmpty()) throw TExceptDynamicTree(SNoPropertyValue(QLatin1String(name)));
}

void TDynamicTree::Activate() {
    CheckProperties();
    savedOnExpanding_ = treeView_->OnExpanding;
    TTreeView *view = treeView_;
    // An expansion asked for by code passes its failure back to that code (through the view); the
    // user's goes to the application's exception handling.
    treeView_->OnExpanding = [this, view](QObject *sender, TTreeNode *node, bool &allow) {
        if (view->InProgrammaticExpand()) TreeViewExpanding(sender, node, allow);
        else GuardedEvent(this, [&] { TreeViewExpanding(sender, node, allow); });
    };
    active_ = true;
    ++generation_;
    LoadTopNode();
}

void TDynamicTree::Deactivate() {
    if (!active_) return;
    active_ = false;
    ++generation_;
    loadedIds_.clear();
    // No row of a load that is still running may reach the view once it is cleared.
    while (!queryThreads_.isEmpty()) {
        TQueryThread *thread = queryThreads_.takeLast();
        if (!thread) continue;
        thread->Terminate();
        thread->OnQueryDone = nullptr;
        thread->OnTerminate = nullptr;
    }
    if (treeView_) {
        treeView_->OnExpanding = savedOnExpanding_;
        savedOnExpanding_ = nullptr;
        treeView_->ClearNodes();
    }
}

// The handler found on the view runs first and may refuse; it may also rebuild the tree or delete
// the node.
void TDynamicTree::TreeViewExpanding(QObject *sender, TTreeNode *node, bool &allowExpansion) {
    TNodeItem *item = NodeItemOf(node);
    const TLoadGuard held = Guard(item);
    if (const TTreeView::TExpandingEvent saved = savedOnExpanding_) {
        saved(sender, node, allowExpansion);
        if (!held.Holds()) return;
    }
    if (!allowExpansion || !ItemInfoOf(item) || item->ChildrenLoaded) return;
    item->ExpandOnLoad = true;
    LoadChildren(item);
}

void TDynamicTree::AutoExpand() {
    if (!treeView_) return;
    if (autoExpandKind_ == aekTitleNode) ExpandTitleNode();
    else if (autoExpandKind_ == aekFirstLeaf) ExpandFirstLeaf();
}

// Selecting and expanding run code of others (the single-expand mode, the view's handlers), which
// may clear the view: the node is touched again only while it stands.
void TDynamicTree::ExpandTitleNode() {
    TNodeItem *top = NodeItemOf(treeView_->FirstNode());
    if (!top || top->AutoExpanded || (top->Expanded() && top->Selected())) return;
    const TLoadGuard held = Guard(top);
    top->SetSelected(true);
    if (held.Holds() && ExpandHeld(top)) top->AutoExpanded = true;
}

// Expands the node; answers whether it (and the tree's generation) still stands afterwards.
bool TDynamicTree::ExpandHeld(TNodeItem *node) {
    const TLoadGuard held = Guard(node);
    node->SetExpanded(true);
    return held.Holds();
}

TNodeItem *TDynamicTree::FirstLeafNode() const {
    TTreeNode *node = treeView_ ? treeView_->FirstNode() : nullptr;
    while (node && node->FirstChild()) node = node->FirstChild();
    return NodeItemOf(node);
}

// Opens the chain of first children level by level (loading on the way) down to a node without
// children and selects it. Children that have not arrived yet end the walk early; the expansion
// that runs when they arrive takes it up again. The walk goes through the tree's own nodes only.
void TDynamicTree::ExpandFirstLeaf() {
    TNodeItem *leaf = FirstLeafNode();
    if (!leaf || leaf->AutoExpanded || leaf->Selected()) return;
    TNodeItem *target = leaf;
    TNodeItem *cursor = leaf;
    for (;;) {
        TTreeNode *up = cursor->Parent();
        if (!up) break;
        cursor = NodeItemOf(up);
        if (!cursor || !ExpandHeld(cursor)) return;
        cursor = NodeItemOf(cursor->FirstChild());
        if (!cursor) return;
        target = cursor;
        if (!ExpandHeld(cursor)) return;
        TTreeNode *down = cursor->FirstChild();
        if (!down) break;
        cursor = NodeItemOf(down);
        if (!cursor) return;
    }
    const TLoadGuard held = Guard(target);
    target->SetSelected(true);
    if (held.Holds()) target->AutoExpanded = true;
}
