#pragma once
// The host's configuration: an INI file (--config) overridden by command-line options, read in
// one parse (QCommandLineParser) of the options --help lists.
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

struct HostConfig {
    QString modulePath;            // --module, else $AUTHPAY_MODULE, else beside the host
    QString connectionString;      // --db (ADO form)
    int dataYear = 2010;           // --year
    QString unitCode = QStringLiteral("003001");  // --unit
    QString unitName = QStringLiteral("市财政局机关");  // --unit-name
    QString secretFlag = QStringLiteral("0");     // --secret-flag
    QString deptMode = QStringLiteral("0");       // --dept-mode
    int indicatorKind = 0;                        // --indicator-kind (0, 1 or 2)
    QString templatesDir;                         // --templates (system parameter 11)
    QString openClass;                            // --open
    QString sqlTrace;                             // --sql-trace
    QString qtLocale;                             // --qt-locale: empty (Chinese), "system" or a name
    QString scope;                                // --scope: "unit" keeps reports inside the unit
    bool debugMenu = false;                       // --debug-menu
    bool batch = false;                           // --batch
    // The report options the window's batch run reads: name (without dashes) → value, "" for a flag.
    QHash<QString, QString> extra;
    QStringList warnings;                         // said once on stderr before the run
};

struct HostConfigResult {
    std::optional<HostConfig> config;
    QString error;  // set when config is empty: a bad option or an unreadable file
};

// Parses the arguments (without the program name). Defaults come first, then the INI file named
// by --config (section [host], keys as the option names without dashes), then the options.
HostConfigResult ParseHostConfig(const QStringList &args, const QString &defaultsDir);
// The usage text printed for --help and after a bad option.
QString HostUsage();
