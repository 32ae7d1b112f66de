#pragma once
// Class references: a small metaclass for the classes the module can create by name. Each class
// knows its name, its parent class and, when it can be instantiated, how to construct an instance
// for an owner. The root of every chain is TPersistent; TComponent, TControl, TWinControl and
// TScrollingWinControl stand for the windowing library's classes (its forms' are in Form.h).
#include <QObject>

class TApplication;

// Who owns a new component: the application object (windows) or another component.
struct TComponentOwner {
    TApplication *Application = nullptr;
    QObject *Component = nullptr;
};

struct TClassInfo {
    const char *Name;
    const TClassInfo *Parent;
    QObject *(*Construct)(const TComponentOwner &owner);  // null for classes never instantiated

    bool InheritsFrom(const TClassInfo &ancestor) const;
};

// The windowing library's ancestors, root first.
extern const TClassInfo TPersistentClass;
extern const TClassInfo TComponentClass;
extern const TClassInfo TControlClass;
extern const TClassInfo TWinControlClass;
extern const TClassInfo TScrollingWinControlClass;

// The metaclass of an object made through TClassInfo::Construct (recorded by the constructor
// helper below), or null for any other object.
const TClassInfo *ClassOf(const QObject *obj);
// The class name the module uses for an object: its metaclass name, else Qt's class name.
QString ClassNameOf(const QObject *obj);

// Constructs a T for the owner: a widget owned by a widget becomes its child; anything owned by
// the application object is put on the application's component list.
void AttachToOwner(QObject *obj, const TClassInfo &cls, const TComponentOwner &owner);

template <class T>
QObject *ConstructComponent(const TComponentOwner &owner) {
    auto *obj = new T(owner);
    try {
        AttachToOwner(obj, T::ClassInfo, owner);
        if constexpr (requires { obj->AfterConstruction(); }) obj->AfterConstruction();
    } catch (...) {
        // The caller never sees the instance: a failing create handler must not leave it alive
        // on the owner's list.
        delete obj;
        throw;
    }
    return obj;
}
