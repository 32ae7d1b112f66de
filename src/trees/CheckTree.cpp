#include "trees/CheckTree.h"

#include "frame/EventGuard.h"
#include "frame/ModuleGlobals.h"
#include "platform/TreeView.h"
#include "trees/TreeErrors.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

TCheckTree::TCheckTree(QObject *owner) : QObject(owner), application_(authpay::Application) {
    if (!application_) return;
    savedOnMessage_ = application_->OnMessage();
    application_->SetOnMessage([this](QObject *receiver, QEvent *event, bool &handled) {
        AppMessage(receiver, event, handled);
    });
}

TCheckTree::~TCheckTree() {
    if (application_) application_->SetOnMessage(savedOnMessage_);
}

void TCheckTree::SetIndex(int &field, int index, const char *property) {
    if (index < 1) throw TExceptCheckTree(SMustBePositive(QLatin1String(property)));
    field = index;
}

void TCheckTree::SetStateIdxEmpty(int index) { SetIndex(idxEmpty_, index, "StateIdxEmpty"); }
void TCheckTree::SetStateIdxChecked(int index) { SetIndex(idxChecked_, index, "StateIdxChecked"); }
void TCheckTree::SetStateIdxGrayed(int index) { SetIndex(idxGrayed_, index, "StateIdxGrayed"); }

// Tested in this order, so with two equal indexes the later kind wins.
TCheckKind TCheckTree::StateIdxToCheckKind(int index) const {
    TCheckKind kind = ckNone;
    if (index == idxEmpty_) kind = ckEmpty;
    if (index == idxChecked_) kind = ckChecked;
    if (index == idxGrayed_) kind = ckGrayed;
    return kind;
}

int TCheckTree::CheckKindToStateIdx(TCheckKind kind) const {
    switch (kind) {
    case ckEmpty: return idxEmpty_;
    case ckChecked: return idxChecked_;
    case ckGrayed: return idxGrayed_;
    case ckNone: break;
    }
    return idxEmpty_;
}

bool TCheckTree::ChangeStateIndex(TTreeNode *node, TRelationKind relation, int newIndex) {
    const int present = node->StateIndex();
    if (present != idxEmpty_ && present != idxChecked_ && present != idxGrayed_) return false;
    bool allowed = true;
    if (OnChangeStateIndex)
        OnChangeStateIndex(this, node, relation, StateIdxToCheckKind(present), StateIdxToCheckKind(newIndex), allowed);
    if (allowed) node->SetStateIndex(newIndex);
    return allowed;
}

void TCheckTree::ToggleNode(TTreeNode *node) {
    if (!node) return;
    const TCheckKind kind = StateIdxToCheckKind(node->StateIndex());
    const TCheckKind next = (kind == ckEmpty || kind == ckGrayed) ? ckChecked : ckEmpty;
    if (!ChangeStateIndex(node, rkClkNode, CheckKindToStateIdx(next))) return;
    UpdateChildNodes(node);
    UpdateParentNodes(node);
}

// Depth first: each child's subtree is finished before its next sibling.
void TCheckTree::UpdateChildNodes(TTreeNode *node) {
    const int index = node->StateIndex();
    if (index != idxEmpty_ && index != idxChecked_) return;
    for (int i = 0; i < node->childCount(); ++i) {
        TTreeNode *child = node->Child(i);
        if (ChangeStateIndex(child, rkCldNode, index)) UpdateChildNodes(child);
    }
}

void TCheckTree::UpdateParentNodes(TTreeNode *node) {
    for (;;) {
        TTreeNode *parent = node->Parent();
        if (!parent || node->StateIndex() == parent->StateIndex()) return;
        const int wanted = ChildrenStateIndex(parent);
        if (wanted == parent->StateIndex() || !ChangeStateIndex(parent, rkParNode, wanted)) return;
        node = parent;
    }
}

int TCheckTree::ChildrenStateIndex(const TTreeNode *parent) const {
    bool empty = false, checked = false, grayed = false;
    for (int i = 0; i < parent->childCount() && !grayed && !(empty && checked); ++i) {
        const int index = parent->Child(i)->StateIndex();
        if (index == idxEmpty_) empty = true;
        if (index == idxChecked_) checked = true;
        if (index == idxGrayed_) grayed = true;
    }
    if (grayed || (empty && checked)) return idxGrayed_;
    if (empty) return idxEmpty_;
    if (checked) return idxChecked_;
    return idxEmpty_;
}

// Only input addressed to the view is looked at: keys reach the view itself, the mouse its
// viewport (the client area). The message always goes on to the filter that was there before
// and then to the view, which handles the same click or key as usual.
void TCheckTree::AppMessage(QObject *receiver, QEvent *event, bool &handled) {
    handled = false;
    TTreeView *view = TreeViewWindow;
    if (Active && view) {
        GuardedEvent(this, [&] {
            const QEvent::Type type = event->type();
            if (type == QEvent::KeyRelease && receiver == view) {
                auto *key = static_cast<QKeyEvent *>(event);
                const auto held = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
                if (key->key() == Qt::Key_Space && !key->isAutoRepeat() && !held) ClickTreeNode(view->Selected());
            } else if ((type == QEvent::MouseMove || type == QEvent::MouseButtonPress
                        || type == QEvent::MouseButtonRelease)
                       && receiver == view->viewport()
                       && (type == QEvent::MouseMove
                           || static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)) {
                // Moves, and the left button going down or up; other buttons are not looked at.
                auto *mouse = static_cast<QMouseEvent *>(event);
                const QPoint pos = mouse->position().toPoint();
                if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
                    TTreeNode *node = view->GetNodeAt(pos);
                    if (node && view->HitTestStateIcon(pos)) ClickTreeNode(node);
                }
                if (TreeViewWindow == view) QueueNodeHint(pos);
            }
        });
    }
    if (!handled && savedOnMessage_) savedOnMessage_(receiver, event, handled);
}

void TCheckTree::ClickTreeNode(TTreeNode *node) {
    bool handledByOwner = false;
    if (OnBeforClickTreeNode) OnBeforClickTreeNode(this, node, handledByOwner);
    if (!handledByOwner) ToggleNode(node);
}

// The hint is shown once the event has been through the filters. Showing it may create the hint
// window, which installs an application-wide filter of its own; Qt walks its filter list by
// position, so a filter added while an event is being filtered hands that same event to this
// check tree a second time: a press on a state picture would toggle the node twice.
void TCheckTree::QueueNodeHint(const QPoint &pos) {
    hintPos_ = pos;
    if (hintQueued_) return;
    hintQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this, view = QPointer<TTreeView>(TreeViewWindow)] {
            hintQueued_ = false;
            if (Active && view && view == TreeViewWindow) ShowNodeHint(hintPos_);
        },
        Qt::QueuedConnection);
}

// Where a node's hint goes: beside its text on its own row, never over the check boxes of the rows
// below (a hint there took the click meant for the next box). The hint window is put a little
// below and right of the point it is given, so the point is moved up and left by as much.
QPoint NodeHintPoint(const TTreeView &view, const TTreeNode &node, QPoint pos) {
    const QRect row = view.visualItemRect(&node);
    const int textLeft = std::max(view.StateIconRect(&node).right(), row.left()) + 4;
    const int textRight = textLeft + view.fontMetrics().horizontalAdvance(node.Text());
    return QPoint(std::max(pos.x(), textRight + 8) - 2, row.top() - 16);
}

void TCheckTree::ShowNodeHint(const QPoint &pos) {
    TTreeView *view = TreeViewWindow;
    TTreeNode *node = view->GetNodeAt(pos);
    const QString saved = view->Hint();
    if (NodeTextAsHint && node) {
        view->SetHint(node->Text());
        if (application_) application_->ActivateHint(view->viewport()->mapToGlobal(NodeHintPoint(*view, *node, pos)), node->Text());
    }
    view->SetHint(saved);
}
