#include "frame/ResRefManager.h"

#include "authpay/Application.h"
#include "frame/ClassRegistry.h"
#include "frame/ModuleGlobals.h"
#include "frame/ObjectFactory.h"
#include "platform/ClassInfo.h"

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
        connect(obj, &QObject::destroyed, this, [this, obj] { Notification(obj, opRemove); });
    }
}

void TResRefManager::RemoveObject(const QString &className) {
    const int i = FObjects.IndexOf(className);
    if (i < 0) return;
    // Whether it is a component was noted at registration: the object may be half destroyed.
    if (FComponents.contains(FObjects.Objects(i)) && i < static_cast<int>(FRefInfos.size())) {
        TObjRefInfo *info = FRefInfos[static_cast<size_t>(i)];
        // The release may call OnAllReleased, which may register new windows: they are appended,
        // so position i still names this entry afterwards.
        info->Manager->Release();
        FRefInfos.erase(FRefInfos.begin() + i);
        delete info;
    }
    FObjects.Delete(i);
}

bool TResRefManager::EntryHolds(QObject *obj) const {
    for (int i = 0; i < FObjects.Count(); ++i)
        if (FObjects.Objects(i) == obj) return true;
    return false;
}

void TResRefManager::Notification(QObject *component, TOperation operation) {
    if (!component || operation != opRemove) return;
    const QString name = FNames.take(component);
    // While its removal runs, the dying window counts as absent to anyone asking for its class.
    FDying.insert(component);
    if (!name.isEmpty() && FObjects.IndexOf(name) >= 0) RemoveObject(name);
    FDying.remove(component);
    if (!EntryHolds(component)) FComponents.remove(component);
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
