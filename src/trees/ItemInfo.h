#pragma once
// TItemInfo, the record a dynamic tree keeps for each node (the row's id, parent id, caption and
// leaf flag), and TNodeItem, the node the tree adds to its view, which owns that record.
#include "platform/TreeView.h"

#include <QPointer>
#include <QString>
#include <cstdint>
#include <list>
#include <memory>

class TQueryThread;

enum TItemKind : uint8_t { ikTopNode = 0, ikDataNode = 1, ikPlaceholder = 2 };

class TNodeItem;

class TItemInfo {
public:
    TItemInfo() = default;
    virtual ~TItemInfo() = default;
    TItemInfo(const TItemInfo &) = delete;
    TItemInfo &operator=(const TItemInfo &) = delete;

    QString Caption;
    QString Id;
    QString Pid;
    TNodeItem *Node = nullptr;
    TItemKind Kind = ikDataNode;
    bool IsLeaf = false;
};

// A class reference for item infos: a handler of OnBeforAddNode may hand the tree a class
// derived from TItemInfo, and the tree then creates that node's info (and its placeholder's)
// from it.
using TItemInfoClass = TItemInfo *(*)();
template <class T>
TItemInfo *CreateItemInfo() {
    return new T;
}
inline constexpr TItemInfoClass TItemInfoClassOf = &CreateItemInfo<TItemInfo>;

// The list of placeholders still standing for unloaded children, in the order they were added.
using TPlaceholderList = std::list<class TNodeItem *>;

class TNodeItem : public TTreeNode {
public:
    TNodeItem() = default;
    // A placeholder takes itself out of its list; every node frees its item info.
    ~TNodeItem() override;

    // The item info is the node's own record, which it frees: it answers only while the node's
    // data still points at that record (data set to something else by others reads as none).
    TItemInfo *ItemInfo() const { return Data == info_ ? info_ : nullptr; }
    void SetItemInfo(TItemInfo *info);
    // NodeIdRole and NodeIsLeafRole answer the item info's Id and IsLeaf.
    QVariant data(int column, int role) const override;

    // A token that expires when the node is destroyed: whoever holds a node across code of others
    // keeps one and asks it before touching the node again.
    std::weak_ptr<const void> LifeToken();

    TPlaceholderList *OwnerList = nullptr;  // set only on placeholders
    TPlaceholderList::iterator OwnerPos;
    bool ExpandOnLoad = false;
    bool ChildrenLoaded = false;
    bool AutoExpanded = false;
    // The background load of this node's children, while it runs.
    QPointer<TQueryThread> Loading;

private:
    TItemInfo *info_ = nullptr;
    std::shared_ptr<const bool> life_;
};
