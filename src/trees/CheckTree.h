#pragma once
// TCheckTree: turns a tree view into a tree of tri-state check boxes. A node's check state is its
// state-image index: three configurable indexes stand for empty, checked and grayed, any other
// index means the node has no check box. A left press on a node's state picture, or the space bar
// released on the selected node, flips the node between empty and checked, carries the new state
// down to every descendant and recomputes the ancestors. Every single change can be vetoed and the
// click itself taken over.
//
// It watches the input through the application-wide message filter, which it takes over when it
// is created (chaining to the one it found) and puts back when it is destroyed: several check
// trees are therefore destroyed in the reverse order of their creation. It holds a plain reference
// to its view: clear TreeViewWindow, or destroy the check tree, before the view goes away.
#include <QObject>
#include <QPoint>
#include <functional>

#include "authpay/Application.h"

class TTreeNode;
class TTreeView;

enum TCheckKind { ckEmpty = 0, ckChecked = 1, ckGrayed = 2, ckNone = 3 };
enum TRelationKind { rkClkNode = 0, rkCldNode = 1, rkParNode = 2 };

// Before one node changes: setting boolToChange false vetoes this change.
using TOnChangeStateIndex = std::function<void(QObject *sender, TTreeNode *node, TRelationKind relationKind,
                                               TCheckKind curCheckKind, TCheckKind willCheckKind, bool &boolToChange)>;
// Before a click (node null for the space bar with nothing selected): setting Handled takes it over.
using TOnBeforClickTreeNode = std::function<void(QObject *sender, TTreeNode *node, bool &handled)>;

class TCheckTree : public QObject {
    Q_OBJECT
public:
    explicit TCheckTree(QObject *owner = nullptr);
    ~TCheckTree() override;

    // Stored only.
    bool Active = false;
    TTreeView *TreeViewWindow = nullptr;
    TOnChangeStateIndex OnChangeStateIndex;
    bool NodeTextAsHint = true;
    TOnBeforClickTreeNode OnBeforClickTreeNode;

    // A value below 1 raises TExceptCheckTree and keeps the old one.
    int StateIdxEmpty() const { return idxEmpty_; }
    void SetStateIdxEmpty(int index);
    int StateIdxChecked() const { return idxChecked_; }
    void SetStateIdxChecked(int index);
    int StateIdxGrayed() const { return idxGrayed_; }
    void SetStateIdxGrayed(int index);

    TCheckKind StateIdxToCheckKind(int index) const;
    int CheckKindToStateIdx(TCheckKind kind) const;

    // What a click does after OnBeforClickTreeNode.
    void ToggleNode(TTreeNode *node);
    // Answers whether the node changed.
    bool ChangeStateIndex(TTreeNode *node, TRelationKind relation, int newIndex);
    int ChildrenStateIndex(const TTreeNode *parent) const;

private:
    void SetIndex(int &field, int index, const char *property);
    void UpdateChildNodes(TTreeNode *node);
    void UpdateParentNodes(TTreeNode *node);
    void AppMessage(QObject *receiver, QEvent *event, bool &handled);
    void ClickTreeNode(TTreeNode *node);
    void QueueNodeHint(const QPoint &pos);
    void ShowNodeHint(const QPoint &pos);

    int idxEmpty_ = 1;
    int idxChecked_ = 2;
    int idxGrayed_ = 3;
    TApplication *application_ = nullptr;
    TApplication::TMessageEvent savedOnMessage_;
    QPoint hintPos_;
    bool hintQueued_ = false;
};
