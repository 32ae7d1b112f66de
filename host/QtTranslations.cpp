#include "QtTranslations.h"

#include <QCoreApplication>
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
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}
