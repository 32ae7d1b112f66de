#pragma once
// The module's own class registry: maps a class name to a class so that the host can open a
// window by name. Registering a class registers its ancestors up to TPersistent. The registry is
// private to the module; its content only grows.
#include "platform/ClassInfo.h"

#include <QString>
#include <mutex>
#include <utility>
#include <vector>

// A group of registered classes: a class belongs to the group when it descends from one of the
// group's base classes.
class TRegGroup {
public:
    explicit TRegGroup(const TClassInfo *baseClass);

    const TClassInfo *MostDerivedBase(const TClassInfo *cls) const;
    static TRegGroup *PreferGroup(TRegGroup *candidate, TRegGroup *current, const TClassInfo *cls);
    const TClassInfo *FindClassEntry(const QString &name) const;
    void AddClassEntry(const TClassInfo *cls);  // EFilerError on a duplicate name
    bool HoldsClass(const TClassInfo *cls) const;
    void AddAlias(const QString &alias, const TClassInfo *cls);

    std::vector<const TClassInfo *> ClassEntries;
    std::vector<std::pair<QString, const TClassInfo *>> AliasEntries;
    std::vector<const TClassInfo *> BaseClasses;
    bool IsActive = false;
};

class TRegGroups {
public:
    TRegGroups();  // with the active base group over TPersistent
    ~TRegGroups();
    TRegGroups(const TRegGroups &) = delete;
    TRegGroups &operator=(const TRegGroups &) = delete;

    TRegGroup *GroupForClass(const TClassInfo *cls) const;
    bool HoldsClass(const TClassInfo *cls) const;
    const TClassInfo *FindClassEntry(const QString &name) const;
    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }

    // Holds the registry's lock for a scope, released also when the scope is left by an error.
    class Guard {
    public:
        explicit Guard(TRegGroups &reg) : reg_(reg) { reg_.Lock(); }
        ~Guard() { reg_.Unlock(); }
        Guard(const Guard &) = delete;
        Guard &operator=(const Guard &) = delete;

    private:
        TRegGroups &reg_;
    };

    std::vector<TRegGroup *> GroupEntries;

private:
    std::recursive_mutex mutex_;
};

namespace authpay {
// Created at module start-up, freed at module shut-down.
extern TRegGroups *ClassRegistry;
}

// Equal but for the case of ASCII letters.
bool SameClassName(QStringView a, QStringView b);

// Registers the class and every ancestor not yet held (raises EFilerError on a name clash).
void RegisterModuleClass(const TClassInfo &cls);
// The class registered under the name (ASCII letters compared without regard to case), or null.
const TClassInfo *FindRegisteredClass(const QString &name);
