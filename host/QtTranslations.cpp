#include "QtTranslations.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTranslator>

bool IsQtLocaleChoice(const QString &choice) {
    static const QRegularExpression name(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z]{2,3}([_-][A-Za-z0-9]{2,8}){0,2}")));
    return choice == QLatin1String("system") || name.match(choice).hasMatch();
}

QLocale QtTextLocale(const QString &choice, const QLocale &system) {
    if (choice == QLatin1String("system")) return system;
    if (!choice.isEmpty()) return QLocale(choice);
    return system.language() == QLocale::Chinese ? system : QLocale(QLocale::Chinese, QLocale::China);
}

QTranslator *InstallQtTranslations(const QLocale &locale) {
    if (locale.language() == QLocale::English || locale.language() == QLocale::C) return nullptr;
    // Read into memory rather than mapped: the leak checker of the sanitizer builds cannot stop
    // the process's threads while the file is mapped, and the file is small.
    QTranslator probe;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!probe.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) return nullptr;
    QFile file(probe.filePath());
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    auto *data = new QByteArray(file.readAll());
    auto translator = new QTranslator(QCoreApplication::instance());
    QObject::connect(translator, &QObject::destroyed, [data] { delete data; });
    if (!translator->load(reinterpret_cast<const uchar *>(data->constData()), int(data->size()), folder)) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}
