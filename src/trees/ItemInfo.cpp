#include "trees/ItemInfo.h"

#include "trees/QueryThread.h"

TNodeItem::~TNodeItem() {
    // A load that still runs for this node must deliver nothing.
    if (Loading) Loading->Terminate();
    TItemInfo *info = ItemInfo();
    if (!info) return;
    if (info->Kind == ikPlaceholder && OwnerList) OwnerList->erase(OwnerPos);
    delete info;
    Data = nullptr;
}

QVariant TNodeItem::data(int column, int role) const {
    const TItemInfo *info = ItemInfo();
    if (role == NodeIdRole) return info ? QVariant(info->Id) : QVariant();
    if (role == NodeIsLeafRole) return info ? QVariant(info->IsLeaf) : QVariant();
    return TTreeNode::data(column, role);
}
