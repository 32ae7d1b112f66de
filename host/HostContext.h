#pragma once
// Everything the host hands the module: the user context and the objects behind it, the
// notifier, the application and screen objects, and the host record that points at them.
#include "HostConfig.h"
#include "authpay/Application.h"
#include "authpay/PlugIn.h"
#include "authpay/Screen.h"
#include "authpay/UserContext.h"

#include <QVariantList>
#include <functional>
#include <memory>

// The user's unit: one value per column (0 code, 3 name, 17 secrecy flag).
class HostUnitRecord : public TUnitRecord {
public:
    HostUnitRecord(const QString &code, const QString &name, const QString &secretFlag);
    TUnitField *Field(int index) override;

private:
    std::vector<TUnitField> fields_;
    TUnitField null_;
};

// Records the module's release notice; the host acts on it once control is back in the host.
class HostNotifier : public IPlugInNotifier {
public:
    int32_t QueryInterface(const void *, void **obj) override;
    int32_t AddRef() override { return 1; }
    int32_t Release() override { return 1; }
    int32_t ModuleReleased(int32_t moduleId) override;

    int releases = 0;
    int32_t lastModuleId = -1;
    std::function<void()> onReleased;  // called after the notice, outside the module's call
};

class HostContext {
public:
    explicit HostContext(const HostConfig &config);
    ~HostContext();

    TPlugInHostInfo *Record() { return &record_; }
    TPlugInModuleInfo moduleInfo{};
    HostNotifier notifier;
    TApplication application;
    TScreen screen;
    TUserContext userContext;
    TSysParams sysParams;
    TSettings settings;
    std::unique_ptr<HostUnitRecord> unit;
    TDbManager *dbManager = nullptr;
    QString traceError;  // why the --sql-trace file could not be opened; empty when it was

private:
    TPlugInHostInfo record_{};
};
