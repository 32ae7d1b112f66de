#include "HostConfig.h"

#include "QtTranslations.h"

#include <QFileDevice>
#include <QFileInfo>
#include <QFile>
#include <QRegularExpression>

namespace {

// Options that take a value; those after "extra" in the list belong to the window's batch run.
const QStringList kValueOptions = {
    "config", "module", "db", "year", "unit", "unit-name", "secret-flag", "dept-mode",
    "indicator-kind", "templates", "open", "sql-trace", "qt-locale", "scope",
};
const QStringList kBatchOptions = {
    "group", "level", "type", "subtype", "secret", "fund", "pay", "exp", "eid", "eid-list",
    "bid", "iid", "export", "pdf", "screenshot", "pick-unit", "pick-eid", "pick-bid", "pick-iid",
    "picker-screenshot", "preview-screenshot", "format", "max-rows", "preset", "save-preset", "drill", "timeout",
    "chart", "chart-kind",
    "compare-year",
};
const QStringList kBatchFlags = {"print-sheet", "subtotals", "fit-width"};
// The picking options take a list of codes separated by commas, which must name one.
const QStringList kPickOptions = {"pick-unit", "pick-eid", "pick-bid", "pick-iid"};

bool NamesNoCode(const QString &list) {
    for (const QString &code : list.split(QLatin1Char(',')))
        if (!code.trimmed().isEmpty()) return false;
    return true;
}

bool ToInt(const QString &text, int &out) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok) out = v;
    return ok;
}

// Applies one option; answers an error text, empty on success.
QString Apply(HostConfig &c, const QString &key, const QString &value) {
    if (key == "module") c.modulePath = value;
    else if (key == "db") c.connectionString = value;
    else if (key == "year") { if (!ToInt(value, c.dataYear) || c.dataYear < 1900 || c.dataYear > 9999) return "bad --year: " + value; }
    else if (key == "unit") c.unitCode = value;
    else if (key == "unit-name") c.unitName = value;
    else if (key == "secret-flag") c.secretFlag = value;
    else if (key == "dept-mode") c.deptMode = value;
    else if (key == "indicator-kind") {
        if (!ToInt(value, c.indicatorKind) || c.indicatorKind < 0 || c.indicatorKind > 2)
            return "bad --indicator-kind (0, 1 or 2): " + value;
    } else if (key == "templates") c.templatesDir = value;
    else if (key == "open") c.openClass = value;
    else if (key == "sql-trace") c.sqlTrace = value;
    else if (key == "scope") {
        if (value != "unit" && value != "none") return "bad --scope (unit or none): " + value;
        c.scope = value == "unit" ? value : QString();
    } else if (key == "qt-locale") {
        if (!IsQtLocaleChoice(value)) return "bad --qt-locale (system or a locale name such as zh_CN): " + value;
        c.qtLocale = value;
    }
    return QString();
}

// Whether a connection string carries a password of its own ("Password=…" or "PWD=…", not empty).
bool HoldsPassword(const QString &connectionString) {
    static const QRegularExpression password(QStringLiteral("(^|;)\\s*(Password|PWD)\\s*=\\s*[^;\\s]"),
                                             QRegularExpression::CaseInsensitiveOption);
    return password.match(connectionString).hasMatch();
}

// libpq's rule for a password file: nobody but its owner may read it.
bool OthersMayRead(const QString &path) {
    const QFileDevice::Permissions p = QFileInfo(path).permissions();
    return p & (QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

// Reads the [host] section line by line, values as written. (QSettings would cut a value at
// ';', the separator of a connection string, and turn a value with commas into a list.)
QString ApplyIni(HostConfig &c, const QString &path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return "cannot read config file: " + path;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QString section;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#'))) continue;
        const QString malformed = QStringLiteral("malformed config file: %1 (line %2)").arg(path).arg(n + 1);
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']'))) return malformed;
            section = line.mid(1, line.size() - 2).trimmed();
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) return malformed;
        if (section.compare(QLatin1String("host"), Qt::CaseInsensitive) != 0) continue;
        const QString key = line.left(eq).trimmed();
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        if (!kValueOptions.contains(key) || key == "config") return "unknown key in config file: " + key;
        if (key == "db" && HoldsPassword(value) && OthersMayRead(path))
            return QStringLiteral("config file %1 holds a password and others may read it: make it readable by its "
                                  "owner only (chmod 600)").arg(path);
        const QString err = Apply(c, key, value);
        if (!err.isEmpty()) return err;
    }
    return QString();
}

}  // namespace

QString HostUsage() {
    return QStringLiteral(
        "usage: budget-host [--config FILE] [--module PATH] [--db CONNSTR] [--year N]\n"
        "                   [--unit CODE] [--unit-name TEXT] [--secret-flag V] [--dept-mode V]\n"
        "                   [--indicator-kind N] [--templates DIR] [--sql-trace FILE]\n"
        "                   [--open CLASS] [--qt-locale system|NAME] [--scope unit|none] [--debug-menu]\n"
        "                   [--batch [report options]]\n"
        "  --qt-locale: the language of Qt's own dialogs and buttons; Chinese unless given\n"
        "               (\"system\": as LC_ALL, LC_MESSAGES or LANG say; or a name: en_US, zh_TW)\n"
        "  --scope unit: every report kept inside the user's unit (--unit) as well as the\n"
        "               database's own row scope keeps it\n"
        "  --debug-menu: shows the developers' menu \"调试\" (open a window by class name)\n"
        "  --fit-width (a report option): the sheet scaled down to put every column on one page\n"
        "               width, for --pdf, --export and the page count --print-sheet gives\n"
        "  --chart FILE.png|svg|pdf (a report option): the chart of the result (of the drill-down\n"
        "               with --drill), --chart-kind bar|pie (bar unless given)\n");
}

HostConfigResult ParseHostConfig(const QStringList &args, const QString &defaultsDir) {
    HostConfig c;
    c.templatesDir = defaultsDir;
    // The config file first, so that options given beside it win.
    for (int i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "--config") {
            const QString err = ApplyIni(c, args[i + 1]);
            if (!err.isEmpty()) return {std::nullopt, err};
        }
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        if (!a.startsWith("--")) return {std::nullopt, "unexpected argument: " + a};
        const QString key = a.mid(2);
        if (key == "batch") { c.batch = true; continue; }
        if (key == "debug-menu") { c.debugMenu = true; continue; }
        if (kBatchFlags.contains(key)) { c.extra << a; continue; }
        const bool known = kValueOptions.contains(key) || kBatchOptions.contains(key);
        if (!known) return {std::nullopt, "unknown option: " + a};
        if (i + 1 >= args.size()) return {std::nullopt, "missing value for " + a};
        const QString value = args[++i];
        if (kPickOptions.contains(key) && NamesNoCode(value)) return {std::nullopt, a + ": no code given"};
        if (kBatchOptions.contains(key)) { c.extra << a << value; continue; }
        if (key == "config") continue;
        if (key == "db" && HoldsPassword(value) && c.warnings.isEmpty())
            c.warnings << QStringLiteral("warning: a password on the command line can be read by every local user; "
                                         "put it in ~/.pgpass (or PGPASSFILE) or in the --config file");
        const QString err = Apply(c, key, value);
        if (!err.isEmpty()) return {std::nullopt, err};
    }
    return {c, QString()};
}
