#pragma once
// TObjectStringList: name-to-object entries (unsorted, duplicates allowed, names compared without
// regard to letter case) whose every operation holds the list's own lock. The list does not own
// its objects. A caller that needs find-then-use to be atomic takes Lock/Unlock around it.
#include <QObject>
#include <QString>
#include <mutex>
#include <utility>
#include <vector>

class TObjectStringList {
public:
    TObjectStringList() = default;
    TObjectStringList(const TObjectStringList &) = delete;
    TObjectStringList &operator=(const TObjectStringList &) = delete;

    int AddObject(const QString &name, QObject *obj);
    void Delete(int index);             // EStringListError for a bad index
    QObject *Objects(int index) const;  // EStringListError for a bad index
    QString Names(int index) const;     // EStringListError for a bad index
    int IndexOf(const QString &name) const;
    int Count() const;

    void Lock() const { mutex_.lock(); }
    void Unlock() const { mutex_.unlock(); }

private:
    void CheckIndex(int index) const;

    mutable std::recursive_mutex mutex_;
    std::vector<std::pair<QString, QObject *>> entries_;
};
