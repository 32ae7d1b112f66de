#pragma once
// TObjectFactory: creates a component of a given class for a given owner and prepares it for
// display. Instances (rarely used) also keep owned objects and registered pointer variables that
// are freed / cleared, newest first, when the instance is destroyed.
#include "authpay/Exception.h"
#include "platform/ClassInfo.h"

#include <QObject>
#include <functional>
#include <mutex>
#include <vector>

AUTHPAY_EXCEPTION_CLASS(TObjectFactionError, Exception);

class TObjectFactory {
public:
    // Kind 0: a plain pointer variable, set to null. Kind 1: a counted reference, released (the
    // release callback) and set to null.
    struct TPointerRef {
        void **Ref;
        int Kind;
        std::function<void(void *)> ReleaseRef;
    };

    TObjectFactory() = default;
    ~TObjectFactory() noexcept(false);
    TObjectFactory(const TObjectFactory &) = delete;
    TObjectFactory &operator=(const TObjectFactory &) = delete;

    static QObject *CreateObject(const TComponentOwner &owner, const TClassInfo &cls);
    static bool CreateObjectEx(const TComponentOwner &owner, const TClassInfo &cls, QObject *&obj);

    void AddPointerRef(void **ref, int kind, std::function<void(void *)> releaseRef = {});
    void AddOwnedObject(QObject *obj);

private:
    std::mutex mutex_;
    std::vector<TPointerRef> pointerRefs_;
    std::vector<QObject *> ownedObjects_;
};
