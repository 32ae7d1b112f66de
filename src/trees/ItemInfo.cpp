#include "trees/ItemInfo.h"

#include "trees/QueryThread.h"

TNodeItem::~TNodeItem() {
    // A load that still runs for this node must deliver nothing.
    if (Loading) Loading->Terminate();
    if (!info_) return;
    if (info_->Kind == ikPlaceholder && OwnerList) OwnerList->erase(OwnerPos);
    if (Data == info_) Data = nullptr;
    delete info_;
}

void TNodeItem::SetItemInfo(TItemInfo *info) {
    if (info_ != info) delete info_;
    info_ = info;
    Data = info;
}

std::weak_ptr<const void> TNodeItem::LifeToken() {
    if (!life_) life_ = std::make_shared<const bool>(true);
    return life_;
}

QVariant TNodeItem::data(int column, int role) const {
    const TItemInfo *info = ItemInfo();
    if (role == NodeIdRole) return info ? QVariant(info->Id) : QVariant();
    if (role == NodeIsLeafRole) return info ? QVariant(info->IsLeaf) : QVariant();
    return TTreeNode::data(column, role);
}
