#include "frame/ObjectStringList.h"

#include "platform/PlatformErrors.h"

int TObjectStringList::AddObject(const QString &name, QObject *obj) {
    std::lock_guard lock(mutex_);
    entries_.emplace_back(name, obj);
    return static_cast<int>(entries_.size()) - 1;
}

void TObjectStringList::CheckIndex(int index) const {
    if (index < 0 || index >= static_cast<int>(entries_.size())) throw EStringListError(SListIndexError(index));
}

void TObjectStringList::Delete(int index) {
    std::lock_guard lock(mutex_);
    CheckIndex(index);
    entries_.erase(entries_.begin() + index);
}

QObject *TObjectStringList::Objects(int index) const {
    std::lock_guard lock(mutex_);
    CheckIndex(index);
    return entries_[static_cast<size_t>(index)].second;
}

QString TObjectStringList::Names(int index) const {
    std::lock_guard lock(mutex_);
    CheckIndex(index);
    return entries_[static_cast<size_t>(index)].first;
}

int TObjectStringList::IndexOf(const QString &name) const {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].first.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

int TObjectStringList::Count() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(entries_.size());
}
