#include "HostContext.h"

#include <QTimer>
#include <cstring>

#include "authpay/DbManager.h"

HostUnitRecord::HostUnitRecord(const QString &code, const QString &name, const QString &secretFlag) : fields_(20) {
    fields_[0].Value = code;
    fields_[3].Value = name;
    fields_[17].Value = secretFlag;
}

TUnitField *HostUnitRecord::Field(int index) {
    if (index < 0 || index >= static_cast<int>(fields_.size())) return &null_;
    return &fields_[static_cast<size_t>(index)];
}

int32_t HostNotifier::QueryInterface(const void *, void **obj) {
    if (obj) *obj = nullptr;
    return static_cast<int32_t>(0x80004002u);  // no such interface
}

int32_t HostNotifier::ModuleReleased(int32_t moduleId) {
    ++releases;
    lastModuleId = moduleId;
    // The notice arrives while the module is still on the stack: act on it later.
    if (onReleased) QTimer::singleShot(0, onReleased);
    return 0;
}

HostContext::HostContext(const HostConfig &config) : application(QStringLiteral("budget-host")) {
    moduleInfo.ModuleId = 71;
    sysParams.Lines << QStringLiteral("11=%1").arg(config.templatesDir);
    if (config.scope == QLatin1String("unit")) sysParams.Lines << QStringLiteral("901=unit");
    settings.DefaultIndicatorKind = config.indicatorKind;
    settings.DeptModeFlag = config.deptMode;
    unit = std::make_unique<HostUnitRecord>(config.unitCode, config.unitName, config.secretFlag);
    dbManager = new TDbManager();
    dbManager->ConnectionString = config.connectionString;
    if (!config.sqlTrace.isEmpty()) traceError = dbManager->SetSqlTrace(config.sqlTrace).message;
    userContext.DataYear = config.dataYear;
    userContext.DbManager = dbManager;
    userContext.SysParams = &sysParams;
    userContext.Settings = &settings;
    userContext.CurrentUnit = unit.get();
    record_ = TPlugInHostInfo{&userContext, &moduleInfo, &notifier, &application, &screen};
}

HostContext::~HostContext() {
    delete dbManager;
}
