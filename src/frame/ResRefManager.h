#pragma once
// TResRefManager: the module's window keeper. Asked for a window by class name it returns the
// live window of that class, or creates one through the class registry and the object factory,
// registers it and calls its hooks. It learns of a registered window's destruction, drops its
// entry, and counts its registered windows: when the count falls back to zero it calls
// OnAllReleased. It never owns the windows.
#include "authpay/Exception.h"
#include "frame/ObjectStringList.h"

#include <QHash>
#include <QSet>
#include <QObject>
#include <QString>
#include <atomic>
#include <vector>

AUTHPAY_EXCEPTION_CLASS(TExceptResRefManager, Exception);

// The counted interface that every registered window's cell holds on the manager.
class IResRefManager {
public:
    virtual int32_t AddRef() = 0;
    virtual int32_t Release() = 0;

protected:
    ~IResRefManager() = default;
};

struct TObjRefInfo {
    IResRefManager *Manager;
};

enum TOperation { opInsert, opRemove };

class TResRefManager : public QObject, public IResRefManager {
public:
    using TAllReleasedEvent = void (*)(TResRefManager *manager);
    using TBeforeCreateEvent = void (*)(TResRefManager *manager, const QString &className, bool &allow);
    using TObjectEvent = void (*)(TResRefManager *manager, QObject *obj);

    explicit TResRefManager(QObject *owner = nullptr);
    ~TResRefManager() override;

    int32_t AddRef() override;
    int32_t Release() override;
    int32_t RefCount() const { return FRefCount.load(); }

    QObject *FindObject(const QString &className) const;
    void AddObject(QObject *obj);
    void RemoveObject(const QString &className);
    // Never raises: failures go to the application's exception handler.
    QObject *GetOrCreateObject(const QString &className, bool fireEvents);
    void Notification(QObject *component, TOperation operation);

    int EntryCount() const { return FObjects.Count(); }

    TAllReleasedEvent OnAllReleased = nullptr;
    TBeforeCreateEvent OnBeforeCreate = nullptr;
    TObjectEvent OnAfterCreate = nullptr;
    TObjectEvent OnExists = nullptr;

private:
    QObject *FindOrCreate(const QString &className, bool fireEvents, QObject *&obj);

    std::atomic<int32_t> FRefCount{0};
    std::vector<TObjRefInfo *> FRefInfos;
    TObjectStringList FObjects;
    // Class names remembered at registration (the objects whose destruction this keeper
    // watches): a destruction notice arrives when the object's own class is already gone.
    QHash<QObject *, QString> FNames;
    QSet<QObject *> FComponents;  // registered objects that hold a counted cell
    QSet<QObject *> FDying;       // objects whose destruction notice is being handled
    // Drops entry i and releases its cell; a failure of OnAllReleased comes out after the entry
    // is gone.
    void RemoveAt(int i);
    int IndexOfObject(const QObject *obj) const;
    void RemoveEntriesOf(QObject *component, const QString &fallbackName);
};
