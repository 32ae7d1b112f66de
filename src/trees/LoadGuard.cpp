#include "trees/LoadGuard.h"

#include "trees/ItemInfo.h"

TLoadGuard::TLoadGuard(const QObject *tree, const quint64 &generation, TNodeItem *node)
    : tree_(tree), counter_(&generation), generation_(generation), watchesNode_(node != nullptr) {
    if (node) node_ = node->LifeToken();
}

bool TLoadGuard::Holds() const {
    return tree_ && *counter_ == generation_ && !(watchesNode_ && node_.expired());
}
