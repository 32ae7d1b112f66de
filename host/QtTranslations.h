#pragma once
// The language of Qt's own texts in the host: its standard buttons (确定, 取消, 是, 否), file
// and print dialogs, the text boxes' context menus, system error texts. The module's own windows
// write their texts themselves and are not translated.
//
// `--qt-locale` chooses: absent, Qt speaks Chinese (the locale's own variant when the locale is
// Chinese, e.g. zh_TW, else zh_CN), as the windows do; "system" follows the locale (LC_ALL,
// LC_MESSAGES, LANG), so an English locale gets Qt's built-in English; any other value names the
// locale, e.g. "en_US" or "zh_TW".
#include <QLocale>
#include <QString>

class QTranslator;

// Whether a --qt-locale value can be used: "system" or a locale name ("zh", "zh_CN", "en_US").
bool IsQtLocaleChoice(const QString &choice);
// The locale Qt's texts follow for the choice (empty: the default), given the system's locale.
QLocale QtTextLocale(const QString &choice, const QLocale &system);
// Installs Qt's own translation (qtbase_<lang>.qm from Qt's translations folder) for the locale
// into the application, which owns it; answers it, null for English or when none is installed.
QTranslator *InstallQtTranslations(const QLocale &locale);
