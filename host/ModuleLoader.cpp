#include "ModuleLoader.h"

#include <QFileInfo>

bool ModuleLoader::Load(const QString &path) {
    if (IsLoaded()) return true;
    if (!QFileInfo::exists(path)) {
        error_ = QStringLiteral("module file not found: %1").arg(path);
        return false;
    }
    lib_.setFileName(QFileInfo(path).absoluteFilePath());
    if (!lib_.load()) {
        error_ = QStringLiteral("cannot load module %1: %2").arg(path, lib_.errorString());
        return false;
    }
    show_ = reinterpret_cast<ShowPlugInWindowFn>(lib_.resolve(AUTHPAY_EXPORT_NAME));
    if (!show_) {
        error_ = QStringLiteral("module %1 has no export %2").arg(path, QStringLiteral(AUTHPAY_EXPORT_NAME));
        lib_.unload();
        return false;
    }
    return true;
}

int32_t ModuleLoader::ShowPlugInWindow(const QString &className, TPlugInHostInfo *info) {
    const QByteArray name = className.toLocal8Bit();
    return show_(name.constData(), info);
}

void ModuleLoader::Unload() {
    if (!IsLoaded()) return;
    show_ = nullptr;
    lib_.unload();
}
