#include "frame/ObjectFactory.h"

#include "platform/Form.h"

#include <QWidget>

QObject *TObjectFactory::CreateObject(const TComponentOwner &owner, const TClassInfo &cls) {
    QObject *obj = nullptr;
    CreateObjectEx(owner, cls, obj);
    return obj;
}

static void PrepareForDisplay(QObject *obj, const TComponentOwner &owner, const TClassInfo &cls) {
    if (cls.InheritsFrom(TFormClass)) {
        if (auto *form = qobject_cast<TForm *>(obj)) form->Position = poDesigned;
        return;
    }
    auto *ownerWidget = qobject_cast<QWidget *>(owner.Component);
    if (ownerWidget && cls.InheritsFrom(TControlClass) && obj->isWidgetType())
        static_cast<QWidget *>(obj)->setParent(ownerWidget);
}

bool TObjectFactory::CreateObjectEx(const TComponentOwner &owner, const TClassInfo &cls, QObject *&obj) {
    obj = nullptr;
    if (!cls.InheritsFrom(TComponentClass) || !cls.Construct)
        throw TObjectFactionError(QStringLiteral("只能创建从TComponent继承过来的类的实例！"));
    try {
        obj = cls.Construct(owner);
        PrepareForDisplay(obj, owner, cls);
    } catch (...) {
        delete obj;
        obj = nullptr;
        throw TObjectFactionError(QStringLiteral("创建对象失败！"));
    }
    return true;
}

void TObjectFactory::AddPointerRef(void **ref, int kind, std::function<void(void *)> releaseRef) {
    std::lock_guard lock(mutex_);
    pointerRefs_.push_back({ref, kind, std::move(releaseRef)});
}

void TObjectFactory::AddOwnedObject(QObject *obj) {
    std::lock_guard lock(mutex_);
    ownedObjects_.push_back(obj);
}

TObjectFactory::~TObjectFactory() noexcept(false) {
    std::vector<QObject *> owned;
    std::vector<TPointerRef> refs;
    {
        std::lock_guard lock(mutex_);
        owned.swap(ownedObjects_);
        refs.swap(pointerRefs_);
    }
    try {
        for (auto it = owned.rbegin(); it != owned.rend(); ++it) delete *it;
    } catch (...) {
        throw TObjectFactionError(QStringLiteral("释放资源失败！"));
    }
    try {
        for (auto it = refs.rbegin(); it != refs.rend(); ++it) {
            if (it->Kind == 1 && *it->Ref && it->ReleaseRef) it->ReleaseRef(*it->Ref);
            *it->Ref = nullptr;
        }
    } catch (...) {
        throw TObjectFactionError(QStringLiteral("指针操作失败！"));
    }
}
