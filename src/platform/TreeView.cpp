#include "platform/TreeView.h"

#include <QHeaderView>
#include <QSet>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QStyledItemDelegate>

namespace {

// Exposes the delegate's own option set-up, so that hit tests measure what painting draws.
class TNodeDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void InitOption(QStyleOptionViewItem *option, const QModelIndex &index) const {
        initStyleOption(option, index);
    }
};

}  // namespace

TTreeNode::TTreeNode() : QTreeWidgetItem(QTreeWidgetItem::UserType) {}

TTreeNode *TTreeNode::NextSibling() const {
    if (TTreeNode *p = Parent()) {
        const int i = p->indexOfChild(const_cast<TTreeNode *>(this));
        return i + 1 < p->childCount() ? p->Child(i + 1) : nullptr;
    }
    QTreeWidget *w = treeWidget();
    if (!w) return nullptr;
    const int i = w->indexOfTopLevelItem(const_cast<TTreeNode *>(this));
    return i >= 0 && i + 1 < w->topLevelItemCount() ? static_cast<TTreeNode *>(w->topLevelItem(i + 1)) : nullptr;
}

void TTreeNode::DeleteChildren() {
    const QList<QTreeWidgetItem *> children = takeChildren();
    qDeleteAll(children);
}

TTreeView *TTreeNode::TreeView() const { return qobject_cast<TTreeView *>(treeWidget()); }

void TTreeNode::SetStateIndex(int index) {
    if (stateIndex_ == index) return;
    stateIndex_ = index;
    emitDataChanged();
}

void TTreeNode::SetExpanded(bool expanded) {
    if (TTreeView *view = TreeView()) view->ExpandNode(this, expanded);
    else setExpanded(expanded);
}

bool TTreeNode::Selected() const {
    QTreeWidget *w = treeWidget();
    return w && w->currentItem() == this;
}

void TTreeNode::SetSelected(bool selected) {
    QTreeWidget *w = treeWidget();
    if (!w) return;
    if (selected) w->setCurrentItem(this);
    else if (w->currentItem() == this) w->setCurrentItem(nullptr);
}

QVariant TTreeNode::data(int column, int role) const {
    if (role == NodeStateIndexRole) return stateIndex_;
    if (column == 0 && role == Qt::DecorationRole) {
        const TTreeView *view = TreeView();
        if (!view) return QTreeWidgetItem::data(column, role);
        if (stateIndex_ > 0 && stateIndex_ < view->StateImages.size()) return view->StateImages.at(stateIndex_);
        if (ImageIndex >= 0 && ImageIndex < view->Images.size()) return view->Images.at(ImageIndex);
    }
    return QTreeWidgetItem::data(column, role);
}

TTreeView::TTreeView(QWidget *parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setItemDelegate(new TNodeDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setAnimated(false);
    // The view hears every move of the mouse over it, as a native tree view does.
    viewport()->setMouseTracking(true);
    header()->setStretchLastSection(true);
    connect(this, &QTreeView::expanded, this, &TTreeView::NodeExpanded);
    connect(this, &QTreeWidget::currentItemChanged, this, &TTreeView::SelectionMoved);
}

TTreeView::~TTreeView() { Q_EMIT Destroying(this); }

void TTreeView::SetStateImages(const QList<QIcon> &images) {
    StateImages = images;
    viewport()->update();
}

void TTreeView::SetImages(const QList<QIcon> &images) {
    Images = images;
    viewport()->update();
}

// The user moved the selection: every open branch that does not lead to the new node folds, then
// the node opens (the expanding handler deals with failures of the user's expansions).
void TTreeView::SelectionMoved(QTreeWidgetItem *current, QTreeWidgetItem *) {
    if (!autoExpand_ || !current) return;
    FoldAllBut(current);
    if (current->treeWidget() == this) current->setExpanded(true);
}

// Folds every expanded node that is neither the node nor one of its ancestors, hidden ones too.
void TTreeView::FoldAllBut(const QTreeWidgetItem *keep) {
    QSet<const QTreeWidgetItem *> path;
    for (const QTreeWidgetItem *p = keep; p; p = p->parent()) path.insert(p);
    QList<QTreeWidgetItem *> pending;
    for (int i = 0; i < topLevelItemCount(); ++i) pending << topLevelItem(i);
    while (!pending.isEmpty()) {
        QTreeWidgetItem *item = pending.takeLast();
        if (item->childCount() == 0) continue;
        if (!path.contains(item) && item->isExpanded()) item->setExpanded(false);
        for (int i = 0; i < item->childCount(); ++i) pending << item->child(i);
    }
}

void TTreeView::ClearNodes() {
    ++clearCount_;
    clear();
}

TTreeNode *TTreeView::AddChildObject(TTreeNode *parent, TTreeNode *node, const QString &text, void *data) {
    node->SetText(text);
    node->Data = data;
    if (parent) parent->addChild(node);
    else addTopLevelItem(node);
    return node;
}

void TTreeView::SetSelected(TTreeNode *node) { setCurrentItem(node); }

TTreeNode *TTreeView::GetNodeAt(const QPoint &pos) const { return static_cast<TTreeNode *>(itemAt(pos)); }

QRect TTreeView::StateIconRect(const TTreeNode *node) const {
    if (!node || node->treeWidget() != this) return {};
    const QModelIndex index = indexFromItem(node);
    QStyleOptionViewItem option;
    const_cast<TTreeView *>(this)->initViewItemOption(&option);
    option.rect = visualRect(index);
    static_cast<const TNodeDelegate *>(itemDelegate())->InitOption(&option, index);
    if (!(option.features & QStyleOptionViewItem::HasDecoration)) return {};
    return style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
}

bool TTreeView::HitTestStateIcon(const QPoint &pos) const { return StateIconRect(GetNodeAt(pos)).contains(pos); }

void TTreeView::ExpandNode(TTreeNode *node, bool expanded) {
    std::exception_ptr outer = std::exchange(pending_, nullptr);
    ++programmatic_;
    node->setExpanded(expanded);
    --programmatic_;
    std::exception_ptr failure = std::exchange(pending_, outer);
    if (failure) std::rethrow_exception(failure);
}

// The view has opened the node: the handler may still refuse, and then the node closes again
// before anything is painted. No failure may unwind through Qt: one from an expansion asked for
// by code goes back to that caller; the handler itself deals with the user's.
void TTreeView::NodeExpanded(const QModelIndex &index) {
    if (refusing_ || !OnExpanding) return;
    const QPersistentModelIndex alive(index);
    auto *node = static_cast<TTreeNode *>(itemFromIndex(index));
    bool allow = true;
    // A copy: the handler may replace itself (a tree that deactivates puts back the one it found).
    const TExpandingEvent handler = OnExpanding;
    try {
        handler(this, node, allow);
    } catch (...) {
        if (programmatic_) pending_ = std::current_exception();
        else qWarning("TTreeView: an expanding handler failed");
    }
    if (!allow && alive.isValid()) {
        ++refusing_;
        collapse(alive);
        --refusing_;
    }
}
