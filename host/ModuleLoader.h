#pragma once
// Loads libauthpay.so at run time, resolves its export by name, and unloads it.
#include "authpay/PlugIn.h"

#include <QLibrary>
#include <QString>

class ModuleLoader {
public:
    // Loads the module; answers false with a message in error().
    bool Load(const QString &path);
    bool IsLoaded() const { return show_ != nullptr; }
    // Calls the export; the module must be loaded.
    int32_t ShowPlugInWindow(const QString &className, TPlugInHostInfo *info);
    void Unload();
    QString error() const { return error_; }

private:
    QLibrary lib_;
    ShowPlugInWindowFn show_ = nullptr;
    QString error_;
};
