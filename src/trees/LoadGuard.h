#pragma once
// TLoadGuard: the one liveness rule of the dynamic tree's loads. A load step that calls code of
// others (an event handler, an expansion, the user's input taken between rows) may come back to a
// tree that was destroyed with its form, rebuilt (every node of the old generation freed) or a
// node deleted by someone else. The step takes a guard before such a call and asks Holds() after
// it: false means that the tree, its node generation or the guarded node is gone, and the step
// touches none of them again.
#include <QObject>
#include <QPointer>
#include <memory>

class TNodeItem;

class TLoadGuard {
public:
    // tree: the tree, and generation: its node generation counter (read only while the tree
    // lives). node may be null: then only the tree and its generation are watched.
    TLoadGuard(const QObject *tree, const quint64 &generation, TNodeItem *node = nullptr);
    bool Holds() const;

private:
    QPointer<const QObject> tree_;
    const quint64 *counter_;
    quint64 generation_;
    std::weak_ptr<const void> node_;
    bool watchesNode_;
};
