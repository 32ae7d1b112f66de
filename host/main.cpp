// budget-host: a host application for the authorised-payment module.
#include "HostApp.h"
#include "HostConfig.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

namespace {

// Defaults that depend on where the host runs from (a build tree keeps the module and the demo
// database beside the host's folder).
void FillDefaults(HostConfig &c, const QString &exeDir) {
    if (c.modulePath.isEmpty()) c.modulePath = qEnvironmentVariable("AUTHPAY_MODULE");
    if (c.modulePath.isEmpty()) c.modulePath = QDir(exeDir).absoluteFilePath(QStringLiteral("../src/libauthpay.so"));
    if (c.connectionString.isEmpty())
        c.connectionString = QStringLiteral("Provider=SQLite;Data Source=%1;Mode=Read")
                                 .arg(QDir(exeDir).absoluteFilePath(QStringLiteral("../demo.sqlite")));
}

QStringList RawArguments(int argc, char **argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    return args;
}

}  // namespace

int main(int argc, char **argv) {
    // Options are checked before any window system is touched, so bad ones fail the same way
    // with or without a display.
    const QStringList args = RawArguments(argc, argv);
    if (args.contains(QStringLiteral("--help"))) {
        std::fputs(HostUsage().toUtf8().constData(), stdout);
        return 0;
    }
    const QString exeDir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
    const QString templates = QDir(exeDir).absoluteFilePath(QStringLiteral("../../templates")) + QLatin1Char('/');
    HostConfigResult parsed = ParseHostConfig(args, templates);
    if (!parsed.config) {
        std::fprintf(stderr, "budget-host: %s\n%s", parsed.error.toUtf8().constData(), HostUsage().toUtf8().constData());
        return 2;
    }
    HostConfig config = *parsed.config;
    if (config.batch && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FillDefaults(config, exeDir);
    HostApp host(config);
    return config.batch ? host.RunBatch() : host.RunInteractive();
}
