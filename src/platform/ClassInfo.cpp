#include "platform/ClassInfo.h"

#include "authpay/Application.h"

#include "platform/Form.h"

#include <QVariant>

const TClassInfo TPersistentClass{"TPersistent", nullptr, nullptr};
const TClassInfo TComponentClass{"TComponent", &TPersistentClass, nullptr};
const TClassInfo TControlClass{"TControl", &TComponentClass, nullptr};
const TClassInfo TWinControlClass{"TWinControl", &TControlClass, nullptr};
const TClassInfo TScrollingWinControlClass{"TScrollingWinControl", &TWinControlClass, nullptr};
const TClassInfo TCustomFormClass{"TCustomForm", &TScrollingWinControlClass, nullptr};
const TClassInfo TFormClass{"TForm", &TCustomFormClass, nullptr};

static const char kClassProperty[] = "_authpay_class";

bool TClassInfo::InheritsFrom(const TClassInfo &ancestor) const {
    for (const TClassInfo *c = this; c; c = c->Parent)
        if (c == &ancestor) return true;
    return false;
}

const TClassInfo *ClassOf(const QObject *obj) {
    if (!obj) return nullptr;
    const QVariant v = obj->property(kClassProperty);
    return v.isValid() ? static_cast<const TClassInfo *>(v.value<void *>()) : nullptr;
}

QString ClassNameOf(const QObject *obj) {
    if (!obj) return QString();
    if (const TClassInfo *c = ClassOf(obj)) return QString::fromLatin1(c->Name);
    return QString::fromLatin1(obj->metaObject()->className());
}

void AttachToOwner(QObject *obj, const TClassInfo &cls, const TComponentOwner &owner) {
    obj->setProperty(kClassProperty, QVariant::fromValue(static_cast<void *>(const_cast<TClassInfo *>(&cls))));
    if (owner.Application) owner.Application->InsertComponent(obj);
    else if (owner.Component && !obj->parent() && !obj->isWidgetType())
        obj->setParent(owner.Component);
}

bool IsBeingDestroyed(const QObject *obj) {
    if (auto *form = qobject_cast<const TForm *>(obj)) return form->IsDestroying();
    return false;
}
