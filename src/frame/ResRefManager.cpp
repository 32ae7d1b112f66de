#include "frame/ResRefManager.h"

#include "authpay/Application.h"
#include "frame/ClassRegistry.h"
#include "frame/EventGuard.h"
#include "frame/ModuleGlobals.h"
#include "frame/ObjectFactory.h"
#include "platform/ClassInfo.h"
#include "platform/Form.h"

TResRefManager::TResRefManager(QObject *owner) : QObject(owner) {}

// The lists only: registered objects are not freed and remaining cells are not released.
// Deleting the QObject withdraws the destruction notices it asked for.
TResRefManager::~TResRefManager() {
    for (TObjRefInfo *info : FRefInfos) delete info;
}

int32_t TResRefManager::AddRef() { return ++FRefCount; }

int32_t TResRefManager::Release() {
    const int32_t count = --FRefCount;
    if (count == 0 && OnAllReleased) OnAllReleased(this);
    return count;
}

QObject *TResRefManager::FindObject(const QString &className) const {
    const int i = FObjects.IndexOf(className);
    return i < 0 ? nullptr : FObjects.Objects(i);
}

static bool IsComponent(const QObject *obj) {
    const TClassInfo *cls = ClassOf(obj);
    return obj && (!cls || cls->InheritsFrom(TComponentClass));
}

void TResRefManager::AddObject(QObject *obj) {
    const QString name = ClassNameOf(obj);
    FObjects.AddObject(name, obj);
    if (!IsComponent(obj)) return;
    FComponents.insert(obj);
    auto *info = new TObjRefInfo{this};
    info->Manager->AddRef();
    FRefInfos.push_back(info);
    if (!FNames.contains(obj)) {
        FNames.insert(obj, name);
        // The notice comes from inside the object's destruction, where nothing may escape.
        connect(obj, &QObject::destroyed, this, [this, obj] {
            FNames.remove(obj);
            GuardedEvent(this, [&] { RemoveEntriesOf(obj, QString()); });
        });
    }
}

void TResRefManager::RemoveObject(const QString &className) {
    const int i = FObjects.IndexOf(className);
    if (i >= 0) RemoveAt(i);
}

// The cell leaves the list before its reference is released: the release may call OnAllReleased,
// which may register or drop windows, and may fail. The entry is found again afterwards by its
// object, so whatever the hook did, exactly this entry goes.
void TResRefManager::RemoveAt(int i) {
    QObject *obj = FObjects.Objects(i);
    // Whether it is a component was noted at registration: the object may be half destroyed.
    TObjRefInfo *info = nullptr;
    if (FComponents.contains(obj) && i < static_cast<int>(FRefInfos.size())) {
        info = FRefInfos[static_cast<size_t>(i)];
        FRefInfos.erase(FRefInfos.begin() + i);
    }
    std::exception_ptr failure;
    if (info) {
        try {
            info->Manager->Release();
        } catch (...) {
            failure = std::current_exception();
        }
        delete info;
    }
    if (i < FObjects.Count() && FObjects.Objects(i) == obj) FObjects.Delete(i);
    else if (const int j = IndexOfObject(obj); j >= 0) FObjects.Delete(j);
    if (failure) std::rethrow_exception(failure);
}

int TResRefManager::IndexOfObject(const QObject *obj) const {
    for (int i = 0; i < FObjects.Count(); ++i)
        if (FObjects.Objects(i) == obj) return i;
    return -1;
}

void TResRefManager::Notification(QObject *component, TOperation operation) {
    if (!component || operation != opRemove) return;
    RemoveEntriesOf(component, FNames.contains(component) ? QString() : ClassNameOf(component));
}

// A component takes the entries that hold it (one registered twice has two), found by identity:
// another window of its class may come first under the name, and that entry must stay. Only a
// component that this keeper never registered is looked up by its class name instead.
void TResRefManager::RemoveEntriesOf(QObject *component, const QString &fallbackName) {
    // While its removal runs, the dying window counts as absent to anyone asking for its class.
    FDying.insert(component);
    std::exception_ptr failure;
    auto remove = [&](int i) {
        try {
            RemoveAt(i);
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    };
    if (IndexOfObject(component) >= 0) {
        for (int i; (i = IndexOfObject(component)) >= 0;) remove(i);
    } else if (!fallbackName.isEmpty()) {
        if (const int i = FObjects.IndexOf(fallbackName); i >= 0) remove(i);
    }
    FDying.remove(component);
    if (IndexOfObject(component) < 0) FComponents.remove(component);
    if (failure) std::rethrow_exception(failure);
}

QObject *TResRefManager::FindOrCreate(const QString &className, bool fireEvents, QObject *&obj) {
    obj = FindObject(className);
    if (obj && (FDying.contains(obj) || IsBeingDestroyed(obj))) obj = nullptr;
    if (obj) {
        if (fireEvents && OnExists) OnExists(this, obj);
        return obj;
    }
    const TClassInfo *cls = FindRegisteredClass(className);
    if (!cls)
        throw TExceptResRefManager(QStringLiteral("类%1没有进行注册或不存在！").arg(className));
    bool allow = true;
    if (fireEvents && OnBeforeCreate) OnBeforeCreate(this, className, allow);
    if (!allow) return nullptr;
    obj = TObjectFactory::CreateObject(TComponentOwner{authpay::Application, nullptr}, *cls);
    AddObject(obj);
    if (fireEvents && OnAfterCreate) OnAfterCreate(this, obj);
    return obj;
}

QObject *TResRefManager::GetOrCreateObject(const QString &className, bool fireEvents) {
    QObject *obj = nullptr;
    try {
        return FindOrCreate(className, fireEvents, obj);
    } catch (...) {
        if (authpay::Application) authpay::Application->HandleException(this);
        return obj;
    }
}
