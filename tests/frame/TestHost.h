#pragma once
// An in-process stand-in for the host: the objects a host record points at (application and
// screen objects, user context, a notifier that records release notices) and the record itself.
// Tests start the module with their own window classes and call the entry with this record.
#include "authpay/Application.h"
#include "authpay/PlugIn.h"
#include "authpay/Screen.h"
#include "authpay/UserContext.h"
#include "frame/ModuleGlobals.h"
#include "frame/PlugInEntry.h"
#include "frame/ResRefManager.h"

#include <QCoreApplication>
#include <QEvent>
#include <QStringList>
#include <map>
#include <vector>

namespace testhost {

class Notifier : public IPlugInNotifier {
public:
    int32_t QueryInterface(const void *, void **obj) override {
        if (obj) *obj = nullptr;
        return static_cast<int32_t>(0x80004002u);
    }
    int32_t AddRef() override { return 1; }
    int32_t Release() override { return 1; }
    int32_t ModuleReleased(int32_t moduleId) override {
        ids.push_back(moduleId);
        return 0;
    }
    std::vector<int32_t> ids;
};

class UnitRecord : public TUnitRecord {
public:
    TUnitField *Field(int index) override { return &fields[index]; }
    std::map<int, TUnitField> fields;
};

struct Host {
    Host() {
        screen.SetFixedSize(QSize(1024, 768));
        context.SysParams = &params;
        context.Settings = &settings;
        context.CurrentUnit = &unit;
        moduleInfo.ModuleId = 4711;
        application.OnException = [this](QObject *sender, const Exception &e) {
            errors << e.Message;
            senders.push_back(sender);
        };
    }
    int Open(const char *className) { return authpay::ShowPlugInWindowImpl(className, &record); }

    TApplication application{QStringLiteral("test host")};
    TScreen screen;
    Notifier notifier;
    TPlugInModuleInfo moduleInfo{};
    TSysParams params;
    TSettings settings;
    UnitRecord unit;
    TUserContext context;
    TPlugInHostInfo record{&context, &moduleInfo, &notifier, &application, &screen};
    QStringList errors;                // what the exception hook was shown
    std::vector<QObject *> senders;    // and by whom
};

// Runs the pending deferred deletions: a freed window is really gone afterwards.
inline void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

inline QString Unregistered(const QString &name) {
    return QStringLiteral("类%1没有进行注册或不存在！").arg(name);
}

}  // namespace testhost
