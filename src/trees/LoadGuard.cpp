#include "trees/LoadGuard.h"

#include "trees/DynamicTree.h"

TLoadGuard::TLoadGuard(TDynamicTree *tree, TNodeItem *node)
    : tree_(tree), generation_(tree->Generation()), watchesNode_(node != nullptr) {
    if (node) node_ = node->LifeToken();
}

bool TLoadGuard::Holds() const {
    return tree_ && tree_->Generation() == generation_ && !(watchesNode_ && node_.expired());
}
