#pragma once
// TDynamicTree: fills a tree view with the rows of a parent/child code table. It shows one
// virtual top node, loads the rows whose parent id is the top node's id as its children, and
// loads the children of every other node the first time it is expanded (or at once, with
// LoadAll). A child query runs in the calling thread (SyncDataLoad) or on a TQueryThread of its
// own. Each node carries a TItemInfo with the row's id, parent id, caption and leaf flag.
//
// Handlers, expansions and the user's input taken between background rows may rebuild the tree,
// delete nodes or destroy the tree itself: every load step checks a TLoadGuard after such a call.
// A node whose id stands in its own ancestry is never loaded, and with LoadAll every id is loaded
// once, so rows that refer to each other end after at most rows × depth nodes.
//
// Properties whose writing has effects have setters; the others ("stored only") are plain
// members that take effect at the next load.
#include "data/ARQuery.h"
#include "trees/ItemInfo.h"
#include "trees/LoadGuard.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <functional>

class TAdoConn;
class TFields;
class TQueryThread;
class TMemDataSet;

enum TAutoExpandKind { aekNone = 0, aekTitleNode = 1, aekFirstLeaf = 2 };

// Before a row (or the top node, Fields null) is read into a new node that is not yet in the view.
// The handler may give the node a text (a non-blank one is kept) and may replace the item-info
// class.
using TOnBeforAddNode =
    std::function<void(QObject *sender, const TFields *fields, TNodeItem *node, TItemInfoClass &itemInfoClass)>;
// Right after the node was added to the view, before its own children or placeholder.
using TOnAfterAddNode =
    std::function<void(QObject *sender, const TFields *fields, TNodeItem *node, TItemInfo *itemInfo)>;

class TDynamicTree : public QObject {
    Q_OBJECT
public:
    explicit TDynamicTree(QObject *owner = nullptr);
    ~TDynamicTree() override;

    // The placeholder that gives an unloaded node its expand button.
    static QString PlaceholderText() { return QStringLiteral("【】"); }

    // Stored only.
    QString TopVirNodeIdValue;
    TOnBeforAddNode OnBeforAddNode;
    TOnAfterAddNode OnAfterAddNode;
    QString FieldPid;
    QString FieldIsLeaf;
    QString ValueIsLeaf;
    QString FieldCaption;
    QString FieldText;
    QString FieldOrderBy;
    bool SyncDataLoad = true;

    // A different text rebuilds an active tree.
    const QString &TopVirNodeTitle() const { return topVirNodeTitle_; }
    void SetTopVirNodeTitle(const QString &title);
    const QStringList &SqlTable() const { return sqlTable_; }
    void SetSqlTable(const QStringList &lines) { sqlTable_ = lines; }
    // Also sets FieldOrderBy.
    const QString &FieldId() const { return fieldId_; }
    void SetFieldId(const QString &field);
    // A different connection deactivates the tree.
    TAdoConn *AdoConn() const { return adoConn_; }
    void SetAdoConn(TAdoConn *connection);
    // A different view deactivates the tree and activates it again on the new view if it was
    // active.
    TTreeView *TreeView() const { return treeView_; }
    void SetTreeView(TTreeView *view);
    // Activation checks the properties (TExceptDynamicTree) and builds the top node.
    bool Active() const { return active_; }
    void SetActive(bool active);
    // Turning it on loads every node that still waits for its children.
    bool LoadAll() const { return loadAll_; }
    void SetLoadAll(bool loadAll);
    // Changing it on an active tree runs the automatic expansion at once.
    TAutoExpandKind AutoExpandKind() const { return autoExpandKind_; }
    void SetAutoExpandKind(TAutoExpandKind kind);

    // The guard before every step that touches the view: deactivates the tree when it answers false.
    bool CanWork();
    // The node's item info: null for nodes that carry none, a node of the view that is not a
    // TNodeItem or whose data no longer points at its own record included.
    static TItemInfo *ItemInfoOf(const TTreeNode *node);
    // The node as one of the tree's own, or null.
    static TNodeItem *NodeItemOf(TTreeNode *node);
    // Changes with every activation and deactivation: the nodes of an older generation are gone.
    quint64 Generation() const { return generation_; }
    // A guard of the tree, its generation and (when given) one node of it.
    TLoadGuard Guard(TNodeItem *node = nullptr) const { return TLoadGuard(this, generation_, node); }

    // Internal state, readable for those who watch the tree.
    const TPlaceholderList &Placeholders() const { return placeholders_; }
    const QList<QPointer<TQueryThread>> &QueryThreads() const { return queryThreads_; }

    void LoadChildren(TNodeItem *node);
    void AutoExpand();
    TNodeItem *FirstLeafNode() const;

private:
    void CheckProperties() const;
    void Activate();
    void Deactivate();
    void LoadTopNode();
    void BuildTopNode();
    void LoadChildrenSync(TNodeItem *node, const QString &sql);
    void LoadChildrenAsync(TNodeItem *node, const QString &sql);
    // Source: the parent node in synchronous mode, the thread in asynchronous mode.
    void AddDataNode(TNodeItem *parent, TQueryThread *thread, const TFields &fields);
    void FillDataNode(TNodeItem *node, const TFields &fields);
    void FinishAddedNode(TNodeItem *parent, TNodeItem *added, const TFields &fields, TItemInfoClass cls);
    bool WaitsForChildren(const TNodeItem *node, const TItemInfo &info) const;
    void AddPlaceholder(TNodeItem *node, TItemInfoClass cls);
    bool RepeatsAncestor(const TNodeItem *node) const;
    void TreeViewExpanding(QObject *sender, TTreeNode *node, bool &allowExpansion);
    void ExpandTitleNode();
    void ExpandFirstLeaf();
    bool ExpandHeld(TNodeItem *node);
    void QueryDone(TQueryThread *thread, TMemDataSet *dataSet);
    void QueryThreadTerminated(TQueryThread *thread);

    QString topVirNodeTitle_;
    QStringList sqlTable_;
    QString fieldId_;
    TAdoConn *adoConn_ = nullptr;
    QMetaObject::Connection adoConnWatch_;
    TTreeView *treeView_ = nullptr;
    QMetaObject::Connection treeViewWatch_;
    bool active_ = false;
    bool loadAll_ = false;
    TAutoExpandKind autoExpandKind_ = aekTitleNode;

    TTreeView::TExpandingEvent savedOnExpanding_;
    TPlaceholderList placeholders_;
    QList<QPointer<TQueryThread>> queryThreads_;
    quint64 generation_ = 0;
    // The ids whose children this activation has loaded.
    QSet<QString> loadedIds_;
};
