#pragma once
// TTreeView and TTreeNode: the windowing library's tree view on a QTreeWidget. A node carries a
// data reference and a state-image index (the picture drawn in front of its text, taken from
// the view's state image list; -1 or an index without a picture shows none). The view offers an
// expanding handler that can refuse an expansion, a hint text, the node at a point and a hit
// test for a node's state image, and it announces its destruction while it is still whole.
#include "authpay/CodePicker.h"
#include <QIcon>
#include <QList>
#include <QPersistentModelIndex>
#include <QTreeWidget>
#include <exception>
#include <functional>

class TTreeView;

// What a node tells through the item roles, for those who read a view without knowing its nodes'
// classes (a host driving a dialog): the code of the row it shows, whether it is a bottom-level
// code, and its state index.
enum TNodeRole { NodeIdRole = authpay::CodeRole, NodeIsLeafRole = authpay::IsLeafRole, NodeStateIndexRole = authpay::CheckStateRole };

class TTreeNode : public QTreeWidgetItem {
public:
    TTreeNode();
    ~TTreeNode() override = default;

    void *Data = nullptr;  // not owned by the node itself; descendants may own what it points to

    QString Text() const { return text(0); }
    void SetText(const QString &text) { setText(0, text); }
    TTreeNode *Parent() const { return static_cast<TTreeNode *>(parent()); }
    TTreeNode *FirstChild() const { return childCount() ? Child(0) : nullptr; }
    TTreeNode *Child(int index) const { return static_cast<TTreeNode *>(child(index)); }
    TTreeNode *NextSibling() const;
    bool HasChildren() const { return childCount() > 0; }
    void DeleteChildren();
    TTreeView *TreeView() const;

    int StateIndex() const { return stateIndex_; }
    void SetStateIndex(int index);
    // The node picture from the view's Images (drawn when the node shows no state picture).
    int ImageIndex = 0;

    bool Expanded() const { return isExpanded(); }
    // Through the view's expanding handler, which may refuse (and may fail: its exception comes
    // out of this call).
    void SetExpanded(bool expanded);
    bool Selected() const;
    void SetSelected(bool selected);

    QVariant data(int column, int role) const override;

private:
    int stateIndex_ = -1;
};

class TTreeView : public QTreeWidget {
    Q_OBJECT
public:
    // Sender, the node about to open, whether it may open (in/out).
    using TExpandingEvent = std::function<void(QObject *sender, TTreeNode *node, bool &allowExpansion)>;

    explicit TTreeView(QWidget *parent = nullptr);
    ~TTreeView() override;

    TExpandingEvent OnExpanding;

    // The state image list; index i is the picture of state index i (0 and below show none).
    QList<QIcon> StateImages;
    void SetStateImages(const QList<QIcon> &images);
    // The node image list (empty: nodes show no picture of their own).
    QList<QIcon> Images;
    void SetImages(const QList<QIcon> &images);

    // Single-expand mode: selecting a node opens it and folds every open branch that does not
    // lead to it.
    bool AutoExpand() const { return autoExpand_; }
    void SetAutoExpand(bool on) { autoExpand_ = on; }

    // Node collection.
    void ClearNodes();
    // Adds the node as the last child of parent (a last root when parent is null).
    TTreeNode *AddChildObject(TTreeNode *parent, TTreeNode *node, const QString &text, void *data);
    TTreeNode *TopNode(int index) const { return static_cast<TTreeNode *>(topLevelItem(index)); }
    TTreeNode *FirstNode() const { return topLevelItemCount() ? TopNode(0) : nullptr; }
    int NodeCount() const { return topLevelItemCount(); }

    TTreeNode *Selected() const { return static_cast<TTreeNode *>(currentItem()); }
    void SetSelected(TTreeNode *node);

    // Viewport (client area) coordinates.
    TTreeNode *GetNodeAt(const QPoint &pos) const;
    bool HitTestStateIcon(const QPoint &pos) const;
    QRect StateIconRect(const TTreeNode *node) const;

    QString Hint() const { return toolTip(); }
    void SetHint(const QString &hint) { setToolTip(hint); }

    // Whether the expansion being handled was asked for by code (SetExpanded) rather than by the
    // user's mouse or keyboard.
    bool InProgrammaticExpand() const { return programmatic_ > 0; }

    // Expands or collapses through the expanding handler; a failure of the handler comes out here.
    void ExpandNode(TTreeNode *node, bool expanded);

    // How often the node collection was cleared: a handler that may have cleared the view compares
    // it before touching a node it held.
    quint64 ClearCount() const { return clearCount_; }

Q_SIGNALS:
    // Emitted first thing in the destructor, while the view and its nodes are still whole.
    void Destroying(TTreeView *view);

private:
    void NodeExpanded(const QModelIndex &index);
    void SelectionMoved(QTreeWidgetItem *current, QTreeWidgetItem *previous);
    void FoldAllBut(const QTreeWidgetItem *keep);

    bool autoExpand_ = false;
    int programmatic_ = 0;
    int refusing_ = 0;
    quint64 clearCount_ = 0;
    std::exception_ptr pending_;
};
