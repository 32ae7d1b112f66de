// budget-host: a host application for the authorised-payment module.
#include "HostApp.h"
#include "HostConfig.h"
#include "HostOutput.h"
#include "HostIcon.h"
#include "QtTranslations.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// The module: beside the host, in the installed library folder, else where a build tree puts it
// (named even when missing, so that the failure says where it was looked for).
QString DefaultModule(const QString &exeDir) {
    const QDir dir(exeDir);
    for (const QString &candidate :
         {dir.absoluteFilePath(QStringLiteral("libauthpay.so")),
          dir.absoluteFilePath(QStringLiteral(AUTHPAY_INSTALLED_LIBDIR "/libauthpay.so"))}) {
        if (QFileInfo::exists(candidate)) return candidate;
    }
    return dir.absoluteFilePath(QStringLiteral("../src/libauthpay.so"));
}

// The report-template folder: an installed host's data folder, else the templates/ of the source
// tree the host was built from. Either way independent of the working folder.
QString DefaultTemplates(const QString &exeDir) {
    const QString installed = QDir(exeDir).absoluteFilePath(QStringLiteral(AUTHPAY_INSTALLED_TEMPLATES));
    const QString folder = QFileInfo(installed).isDir() ? installed : QStringLiteral(AUTHPAY_SOURCE_TEMPLATES);
    return QDir::cleanPath(folder) + QLatin1Char('/');
}

// Defaults that depend on where the host runs from (a build tree keeps the module and the demo
// database beside the host's folder).
void FillDefaults(HostConfig &c, const QString &exeDir) {
    if (c.modulePath.isEmpty()) c.modulePath = qEnvironmentVariable("AUTHPAY_MODULE");
    if (c.modulePath.isEmpty()) c.modulePath = DefaultModule(exeDir);
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
        const authpay::Outcome written = WriteData(HostUsage());
        if (written.Ok()) return 0;
        StatusLine(QStringLiteral("budget-host: ") + written.message);
        return 1;
    }
    const QString exeDir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
    HostConfigResult parsed = ParseHostConfig(args, DefaultTemplates(exeDir));
    if (!parsed.config) {
        StatusLine(QStringLiteral("budget-host: ") + parsed.error);
        std::fputs(HostUsage().toUtf8().constData(), stderr);
        return 2;
    }
    HostConfig config = *parsed.config;
    for (const QString &warning : config.warnings) StatusLine(QStringLiteral("budget-host: ") + warning);
    if (config.batch && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    InstallHostMessageHandler();
    QApplication app(argc, argv);
    app.setWindowIcon(HostIcon());
    // Qt's texts and its dates and numbers (a file dialog's "12月8日") in the same language.
    const QLocale textLocale = QtTextLocale(config.qtLocale, QLocale::system());
    QLocale::setDefault(textLocale);
    InstallQtTranslations(textLocale);
    FillDefaults(config, exeDir);
    try {
        HostApp host(config);
        return config.batch ? host.RunBatch() : host.RunInteractive();
    } catch (const std::bad_alloc &) {
        // Out of memory wherever it happened: a status and a reason, never an abort; files being
        // written are replaced only when complete, so the old ones stay.
        StatusLine(QStringLiteral("budget-host: out of memory (内存不足): the run was stopped"));
        return 1;
    }
}
