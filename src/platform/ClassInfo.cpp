#include "platform/ClassInfo.h"

#include "authpay/Application.h"

#include <QVariant>
#include <QWidget>

namespace {
// Plain instances of the library's own classes: a component is an object, a control a widget.
template <const TClassInfo &Cls, class Q>
QObject *ConstructPlain(const TComponentOwner &owner) {
    Q *obj = new Q();
    AttachToOwner(obj, Cls, owner);
    return obj;
}
}  // namespace

const TClassInfo TPersistentClass{"TPersistent", nullptr, nullptr};
const TClassInfo TComponentClass{"TComponent", &TPersistentClass, &ConstructPlain<TComponentClass, QObject>};
const TClassInfo TControlClass{"TControl", &TComponentClass, &ConstructPlain<TControlClass, QWidget>};
const TClassInfo TWinControlClass{"TWinControl", &TControlClass, &ConstructPlain<TWinControlClass, QWidget>};
const TClassInfo TScrollingWinControlClass{"TScrollingWinControl", &TWinControlClass,
                                           &ConstructPlain<TScrollingWinControlClass, QWidget>};

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
