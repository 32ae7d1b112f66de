#include "HostConfig.h"

#include "QtTranslations.h"

#include <QCommandLineParser>
#include <QFileDevice>
#include <QHash>
#include <QFileInfo>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

namespace {

// Every option the host takes, in the order --help lists them: its value (empty: a flag), what it
// does, and whether the window's batch run reads it (report options, passed on in "extra").
struct TOption {
    const char *name, *value, *help;
    bool report;
};
const TOption kOptions[] = {
    {"config", "FILE", "an INI file, section [host], keys as these options without dashes", false},
    {"module", "PATH", "the module (else $AUTHPAY_MODULE, else the one beside the host)", false},
    {"db", "CONNSTR", "an ADO-style connection string (Provider=SQLite;Data Source=FILE;Mode=Read)", false},
    {"year", "N", "the data year, 1900 to 9999 (2010)", false},
    {"unit", "CODE", "the user's unit code (003001)", false},
    {"unit-name", "TEXT", "the unit's name on the sheet's heading line", false},
    {"secret-flag", "V", "the unit record's secrecy flag (0)", false},
    {"dept-mode", "V", "1: the department display (0)", false},
    {"indicator-kind", "N", "the default indicator kind: 0, 1 or 2", false},
    {"templates", "DIR", "the report-template folder", false},
    {"sql-trace", "FILE", "appends every statement the module runs to FILE", false},
    {"open", "CLASS", "opens that window class at start", false},
    {"qt-locale", "system|NAME", "the language of Qt's own dialogs; Chinese unless given", false},
    {"scope", "unit|none", "unit: every report kept inside the user's unit as well", false},
    {"debug-menu", "", "shows the developers' menu \"调试\" (open a window by class name)", false},
    {"batch", "", "no windows shown: the report options below drive the window", false},
    {"group", "CAPTIONS", "the grouping boxes in order: 预算单位,资金性质,...", true},
    {"level", "N|<全部>", "the unit level", true},
    {"type", "N", "the indicator type, a list position", true},
    {"subtype", "N", "the type's child, a list position", true},
    {"secret", "N", "the secrecy box, a list position", true},
    {"fund", "NAME", "资金性质", true},
    {"pay", "NAME", "支付方式", true},
    {"exp", "NAME", "支出类型", true},
    {"eid", "CODE", "a typed unit code, checked as the window checks it", true},
    {"eid-list", "CODES", "units, comma-separated", true},
    {"bid", "CODES", "budget subjects, comma-separated", true},
    {"iid", "CODES", "budget items, comma-separated", true},
    {"pick-unit", "CODE", "the unit picked in the unit tree, as a user picks it", true},
    {"pick-eid", "CODES", "units ticked in the unit picker", true},
    {"pick-bid", "CODES", "subjects ticked in the subject picker", true},
    {"pick-iid", "CODES", "items ticked in the item picker", true},
    {"picker-screenshot", "FILE.png", "the last picker as it was answered", true},
    {"compare-year", "YEAR", "the compared year's columns", true},
    {"subtotals", "", "ticks \"显示小计\"", true},
    {"columns", "CAPTION", "列维度: a dimension spread across the columns, one per code", true},
    {"columns-all", "", "with --columns: every code its column (else the 30 largest and 其他)", true},
    {"preset", "NAME", "recalls a saved condition set", true},
    {"save-preset", "NAME", "saves what the other options set", true},
    {"drill", "N", "opens the drill-down of result row N; outputs then come from it", true},
    {"export", "FILE", ".xls, .xlsx or .csv through the window's own export", true},
    {"pdf", "FILE.pdf", "the sheet printed to a PDF file", true},
    {"fit-width", "", "the sheet scaled down to put every column on one page width", true},
    {"chart", "FILE", "the chart of the result (.png, .svg or .pdf)", true},
    {"chart-kind", "bar|pie", "the chart's kind (bar)", true},
    {"print-sheet", "", "the sheet's cells on stdout, a tab-separated line per row", true},
    {"format", "FORM", "the report on stdout: table, tsv, csv or json", true},
    {"max-rows", "N", "--format table: the first and last N/2 rows (40)", true},
    {"screenshot", "FILE.png", "the host's window at the end of the run", true},
    {"preview-screenshot", "FILE.png", "the print preview as the window's 预览 opens it", true},
    {"timeout", "SECONDS", "cancels whatever still runs that long after the start", true},
};

QStringList Names(bool report, bool withValue) {
    QStringList names;
    for (const TOption &o : kOptions)
        if (o.report == report && (*o.value != 0) == withValue) names << QLatin1String(o.name);
    return names;
}

const QStringList kValueOptions = Names(false, true);
const QStringList kBatchOptions = Names(true, true);
const QStringList kBatchFlags = Names(true, false);
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

namespace {
// "  --name VALUE" padded to a column, Chinese counted double width, then what it does.
QString UsageLine(const char *name, const char *value, const char *help) {
    QString option = QStringLiteral("  --%1 %2").arg(QLatin1String(name), QString::fromUtf8(value)).trimmed();
    option.prepend(QStringLiteral("  "));
    int width = 0;
    for (QChar c : option) width += c.unicode() >= 0x2E80 ? 2 : 1;
    return option + QString(std::max(1, 33 - width), QLatin1Char(' ')) + QString::fromUtf8(help) + QLatin1Char('\n');
}
}  // namespace

QString HostUsage() {
    QString text = QStringLiteral("usage: budget-host [options] [--batch [report options]]\n");
    bool reportPart = false;
    for (const TOption &o : kOptions) {
        if (o.report && !reportPart) {
            text += QStringLiteral("report options (with --batch):\n");
            reportPart = true;
        }
        text += UsageLine(o.name, o.value, o.help);
    }
    return text + UsageLine("help", "", "this text");
}

namespace {
// The parser of every option kOptions lists (and --help), long forms only.
void AddOptions(QCommandLineParser &parser) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const TOption &o : kOptions)
        parser.addOption(QCommandLineOption(QLatin1String(o.name), QString::fromUtf8(o.help), QString::fromUtf8(o.value)));
    parser.addOption(QCommandLineOption(QStringLiteral("help")));
}

// The parser's refusal in the host's words.
QString ParseError(const QCommandLineParser &parser) {
    if (!parser.unknownOptionNames().isEmpty()) return "unknown option: --" + parser.unknownOptionNames().first();
    static const QRegularExpression missing(QStringLiteral("^Missing value after '(.*)'"));
    if (const QRegularExpressionMatch m = missing.match(parser.errorText()); m.hasMatch()) return "missing value for " + m.captured(1);
    return parser.errorText();
}
}  // namespace

HostConfigResult ParseHostConfig(const QStringList &args, const QString &defaultsDir) {
    HostConfig c;
    c.templatesDir = defaultsDir;
    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(QStringList{QStringLiteral("budget-host")} + args)) return {std::nullopt, ParseError(parser)};
    if (!parser.positionalArguments().isEmpty())
        return {std::nullopt, "unexpected argument: " + parser.positionalArguments().first()};
    // The config file first, so that options given beside it win.
    for (const QString &file : parser.values(QStringLiteral("config")))
        if (const QString err = ApplyIni(c, file); !err.isEmpty()) return {std::nullopt, err};
    QHash<QString, qsizetype> seen;  // how many values of each option were applied, in the order given
    for (const QString &key : parser.optionNames()) {
        if (key == "batch") c.batch = true;
        if (key == "debug-menu") c.debugMenu = true;
        if (kBatchFlags.contains(key)) c.extra.insert(key, QString());
        if (!kValueOptions.contains(key) && !kBatchOptions.contains(key)) continue;
        const QString value = parser.values(key).value(seen[key]++);
        if (kPickOptions.contains(key) && NamesNoCode(value)) return {std::nullopt, "--" + key + ": no code given"};
        if (kBatchOptions.contains(key)) {
            c.extra.insert(key, value);
            continue;
        }
        if (key == "config") continue;
        if (key == "db" && HoldsPassword(value) && c.warnings.isEmpty())
            c.warnings << QStringLiteral("warning: a password on the command line can be read by every local user; "
                                         "put it in ~/.pgpass (or PGPASSFILE) or in the --config file");
        const QString err = Apply(c, key, value);
        if (!err.isEmpty()) return {std::nullopt, err};
    }
    return {c, QString()};
}
