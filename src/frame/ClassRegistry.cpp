#include "frame/ClassRegistry.h"

#include "platform/PlatformErrors.h"

namespace authpay {
TRegGroups *ClassRegistry = nullptr;
}

TRegGroup::TRegGroup(const TClassInfo *baseClass) { BaseClasses.push_back(baseClass); }

const TClassInfo *TRegGroup::MostDerivedBase(const TClassInfo *cls) const {
    const TClassInfo *best = nullptr;
    for (const TClassInfo *base : BaseClasses)
        if (cls->InheritsFrom(*base) && (!best || base->InheritsFrom(*best))) best = base;
    return best;
}

TRegGroup *TRegGroup::PreferGroup(TRegGroup *candidate, TRegGroup *current, const TClassInfo *cls) {
    const TClassInfo *a = candidate ? candidate->MostDerivedBase(cls) : nullptr;
    const TClassInfo *b = current ? current->MostDerivedBase(cls) : nullptr;
    if (a) return (!b || a->InheritsFrom(*b)) ? candidate : current;
    return b ? current : nullptr;
}

// Class names compare with only the ASCII letters' case ignored.
bool SameClassName(QStringView a, QStringView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= u'a' && x <= u'z') x -= 32;
        if (y >= u'a' && y <= u'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

const TClassInfo *TRegGroup::FindClassEntry(const QString &name) const {
    for (const TClassInfo *c : ClassEntries)
        if (SameClassName(QString::fromLatin1(c->Name), name)) return c;
    for (const auto &[alias, c] : AliasEntries)
        if (SameClassName(alias, name)) return c;
    return nullptr;
}

void TRegGroup::AddClassEntry(const TClassInfo *cls) {
    const QString name = QString::fromLatin1(cls->Name);
    if (FindClassEntry(name)) throw EFilerError(SDuplicateClass(name));
    ClassEntries.push_back(cls);
}

bool TRegGroup::HoldsClass(const TClassInfo *cls) const {
    for (const TClassInfo *c : ClassEntries)
        if (c == cls) return true;
    return false;
}

void TRegGroup::AddAlias(const QString &alias, const TClassInfo *cls) { AliasEntries.emplace_back(alias, cls); }

TRegGroups::TRegGroups() {
    auto *base = new TRegGroup(&TPersistentClass);
    base->IsActive = true;
    GroupEntries.push_back(base);
}

TRegGroups::~TRegGroups() {
    for (TRegGroup *g : GroupEntries) delete g;
}

TRegGroup *TRegGroups::GroupForClass(const TClassInfo *cls) const {
    TRegGroup *choice = nullptr;
    for (TRegGroup *g : GroupEntries) choice = TRegGroup::PreferGroup(g, choice, cls);
    return choice;
}

bool TRegGroups::HoldsClass(const TClassInfo *cls) const {
    for (const TRegGroup *g : GroupEntries)
        if (g->HoldsClass(cls)) return true;
    return false;
}

const TClassInfo *TRegGroups::FindClassEntry(const QString &name) const {
    for (const TRegGroup *g : GroupEntries) {
        if (!g->IsActive) continue;
        if (const TClassInfo *c = g->FindClassEntry(name)) return c;
    }
    return nullptr;
}

void RegisterModuleClass(const TClassInfo &cls) {
    TRegGroups &reg = *authpay::ClassRegistry;
    TRegGroups::Guard guard(reg);
    const TClassInfo *c = &cls;
    while (c && !reg.HoldsClass(c)) {
        if (TRegGroup *group = reg.GroupForClass(c)) group->AddClassEntry(c);
        if (c == &TPersistentClass) break;
        c = c->Parent;
    }
}

const TClassInfo *FindRegisteredClass(const QString &name) {
    if (!authpay::ClassRegistry) return nullptr;
    TRegGroups &reg = *authpay::ClassRegistry;
    TRegGroups::Guard guard(reg);
    return reg.FindClassEntry(name);
}
