#include "data/DriverConfig.h"

#include "data/ConnectionString.h"
#include "data/SqlDialect.h"
#include "data/SqlQuote.h"

#include <QRegularExpression>
#include <QThread>
#include <algorithm>

#include <initializer_list>

namespace {

constexpr int kDefaultConnectTimeout = 15;  // seconds, as ADO's default

bool UpperContains(const QString &text, std::initializer_list<const char *> markers) {
    const QString upper = text.toUpper();
    for (const char *marker : markers)
        if (upper.contains(QLatin1String(marker))) return true;
    return false;
}

QString DataSource(const TConnectionString &cs) {
    return cs.Value({"Data Source", "DataSource"}).trimmed();
}

int ConnectTimeout(const TConnectionString &cs) {
    bool ok = false;
    const int seconds = cs.Value({"Connect Timeout", "Connection Timeout", "Timeout"}).toInt(&ok);
    return ok && seconds > 0 ? seconds : kDefaultConnectTimeout;
}

bool ModeIsRead(const TConnectionString &cs) {
    const QString mode = cs.Value({"Mode"}).trimmed();
    return mode.compare(QLatin1String("Read"), Qt::CaseInsensitive) == 0 || mode == QLatin1String("1");
}

void SetCredentials(TDriverConfig &cfg, const TConnectionString &cs) {
    cfg.UserName = cs.Value({"User ID", "UID", "User", "User Name", "Username"});
    cfg.Password = cs.Value({"Password", "PWD"});
}

bool TuningWanted(TDriverConfig &cfg, const TConnectionString &cs);

// Entries that a provider family understands; any other is refused by name rather than dropped,
// so that a misspelt "SSL Mode" cannot quietly connect without TLS.
const QStringList kCommonKeys{QStringLiteral("Provider"), QStringLiteral("Persist Security Info"),
                              QStringLiteral("Connect Timeout"), QStringLiteral("Connection Timeout"),
                              QStringLiteral("Timeout"), QStringLiteral("Mode"), QStringLiteral("Session Tuning"),
                              QStringLiteral("Shard Unit Level")};
const QStringList kSqliteKeys{QStringLiteral("Data Source"), QStringLiteral("DataSource")};
const QStringList kPostgresKeys{
    QStringLiteral("Data Source"), QStringLiteral("DataSource"), QStringLiteral("Server"), QStringLiteral("Host"),
    QStringLiteral("Address"), QStringLiteral("Addr"), QStringLiteral("Port"), QStringLiteral("Initial Catalog"),
    QStringLiteral("Database"), QStringLiteral("User ID"), QStringLiteral("UID"), QStringLiteral("User"),
    QStringLiteral("User Name"), QStringLiteral("Username"), QStringLiteral("Password"), QStringLiteral("PWD"),
    QStringLiteral("Work Mem"), QStringLiteral("SSL Mode"), QStringLiteral("SslMode"), QStringLiteral("SSL Root Cert"),
    QStringLiteral("SSL Cert"), QStringLiteral("SSL Key")};

void RefuseUnknownKeys(TDriverConfig &cfg, const TConnectionString &cs, const QStringList &known) {
    for (const auto &entry : cs.Entries()) {
        const QString &key = entry.first;
        if (kCommonKeys.contains(key, Qt::CaseInsensitive) || known.contains(key, Qt::CaseInsensitive)) continue;
        cfg.Error = QStringLiteral("连接字符串有不认识的项：%1").arg(key);
        return;
    }
}

void ResolveSQLite(TDriverConfig &cfg, const TConnectionString &cs) {
    cfg.QtDriver = QStringLiteral("QSQLITE");
    cfg.DatabaseName = DataSource(cs);
    cfg.FilePath = cfg.DatabaseName;
    if (cfg.DatabaseName.isEmpty()) cfg.Error = QStringLiteral("连接字符串没有指定数据库文件(Data Source)");
    cfg.ReadOnly = ModeIsRead(cs);
    if (cfg.ReadOnly) cfg.ConnectOptions = QStringLiteral("QSQLITE_OPEN_READONLY");
    // SQLite sorts with helper threads only when the connection allows them (none by default).
    if (TuningWanted(cfg, cs)) cfg.SessionStatements << QStringLiteral("PRAGMA threads=%1").arg(SqliteSortThreads());
}

// Splits "host:port" (one colon, numeric port) or "host,port"; anything else is a plain host.
void SplitHostPort(const QString &source, QChar separator, QString &host, int &port) {
    host = source;
    if (source.count(separator) != 1) return;
    const qsizetype at = source.indexOf(separator);
    bool ok = false;
    const int p = source.mid(at + 1).trimmed().toInt(&ok);
    if (!ok) return;
    host = source.left(at).trimmed();
    port = p;
}

void ResolvePort(TDriverConfig &cfg, const TConnectionString &cs) {
    if (!cs.Has({"Port"})) return;
    bool ok = false;
    const int port = cs.Value({"Port"}).trimmed().toInt(&ok);
    if (ok && port > 0 && port < 65536) cfg.Port = port;
    else cfg.Error = QStringLiteral("连接字符串的端口(Port)无效：%1").arg(cs.Value({"Port"}));
}

// "Session Tuning=none|default": whether the module's sessions are set for grouped sums.
bool TuningWanted(TDriverConfig &cfg, const TConnectionString &cs) {
    const QString tuning = cs.Value({"Session Tuning"}).trimmed();
    if (tuning.isEmpty() || tuning.compare(QLatin1String("default"), Qt::CaseInsensitive) == 0) return true;
    if (tuning.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0) return false;
    cfg.Error = QStringLiteral("连接字符串的Session Tuning无效：%1（可用none或default）").arg(tuning);
    return false;
}

// A grouped sum over many rows is mostly a sort of the rows into their groups. PostgreSQL sorts in
// memory only when work_mem holds them (its 4MB default sent a million budget rows to an on-disk
// merge): by default work_mem is raised to 64MB, never lowered; "Work Mem" sets it to exactly the
// DBA's figure. With more memory the planner would rather sort ten million rows alone than in
// parallel workers, so workers cost nothing to start or to pass rows on; and a report's statement
// runs once, so compiling it (JIT, a second of a two-second statement) is off.
QStringList PostgresStatementSettings(TDriverConfig &cfg, const TConnectionString &cs) {
    if (!TuningWanted(cfg, cs)) return {};
    const QString workMem = cs.Value({"Work Mem"}).trimmed();
    static const QRegularExpression size(QStringLiteral("^[0-9]{1,9}(kB|MB|GB|TB)?$"));
    if (!workMem.isEmpty() && !size.match(workMem).hasMatch()) {
        cfg.Error = QStringLiteral("连接字符串的Work Mem无效：%1（如64MB）").arg(workMem);
        return {};
    }
    const QString memory =
        workMem.isEmpty() ? QStringLiteral("select set_config('work_mem','64MB',true) "
                                           "where pg_size_bytes(current_setting('work_mem'))<pg_size_bytes('64MB')")
                          : QStringLiteral("select set_config('work_mem',%1,true)").arg(QuotedStr(workMem));
    return {memory, QStringLiteral("select set_config('parallel_setup_cost','0',true),"
                                   "set_config('parallel_tuple_cost','0',true),set_config('jit','off',true)")};
}

// TLS, handed to libpq as its own keywords.
void AddTlsOptions(TDriverConfig &cfg, const TConnectionString &cs, QStringList &options) {
    const QString mode = cs.Value({"SSL Mode", "SslMode"}).trimmed().toLower();
    static const QStringList modes{QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
                                   QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    if (!mode.isEmpty() && !modes.contains(mode)) {
        cfg.Error = QStringLiteral("连接字符串的SSL Mode无效：%1（可用%2）").arg(mode, modes.join(QLatin1Char(',')));
        return;
    }
    if (!mode.isEmpty()) options << QStringLiteral("sslmode=") + mode;
    const std::pair<const char *, const char *> files[] = {
        {"SSL Root Cert", "sslrootcert"}, {"SSL Cert", "sslcert"}, {"SSL Key", "sslkey"}};
    for (const auto &[key, keyword] : files) {
        const QString file = cs.Value({key}).trimmed();
        if (file.isEmpty()) continue;
        // A libpq value is quoted with its backslashes and quotes escaped.
        QString value = file;
        value.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
        options << QLatin1String(keyword) + QStringLiteral("='") + value + QLatin1Char('\'');
    }
}

void ResolvePostgreSQL(TDriverConfig &cfg, const TConnectionString &cs) {
    cfg.QtDriver = QStringLiteral("QPSQL");
    const QString server = cs.Value({"Server", "Host", "Address", "Addr"}).trimmed();
    if (!server.isEmpty()) cfg.HostName = server;
    else SplitHostPort(DataSource(cs), QLatin1Char(':'), cfg.HostName, cfg.Port);
    ResolvePort(cfg, cs);
    cfg.DatabaseName = cs.Value({"Initial Catalog", "Database"}).trimmed();
    SetCredentials(cfg, cs);
    QStringList options{QStringLiteral("connect_timeout=%1").arg(ConnectTimeout(cs))};
    // The module only reads, and its quoting doubles quotes alone: backslashes must be plain
    // characters in every string it writes, whatever the server's own default.
    cfg.ReadOnly = true;
    options << QStringLiteral("options='-c default_transaction_read_only=on -c standard_conforming_strings=on'");
    AddTlsOptions(cfg, cs, options);
    cfg.ConnectOptions = options.join(QLatin1Char(';'));
    cfg.StatementSettings = PostgresStatementSettings(cfg, cs);
}

QString OdbcEntry(const char *key, const QString &value) {
    return QLatin1String(key) + QLatin1Char('=') + OdbcValue(value) + QLatin1Char(';');
}

void ResolveSqlServer(TDriverConfig &cfg, const TConnectionString &cs) {
    cfg.QtDriver = QStringLiteral("QODBC");
    cfg.OdbcDriver = QStringLiteral("FreeTDS");
    QString server = cs.Value({"Server", "Address", "Addr"}).trimmed();
    if (server.isEmpty()) server = DataSource(cs);
    SplitHostPort(server, QLatin1Char(','), cfg.HostName, cfg.Port);
    ResolvePort(cfg, cs);
    if (cfg.HostName.isEmpty()) cfg.Error = QStringLiteral("连接字符串没有指定数据库服务器(Data Source)");
    SetCredentials(cfg, cs);
    QString odbc = QStringLiteral("DRIVER={FreeTDS};") + OdbcEntry("SERVER", cfg.HostName);
    if (cfg.Port > 0) odbc += OdbcEntry("PORT", QString::number(cfg.Port));
    const QString database = cs.Value({"Initial Catalog", "Database"}).trimmed();
    if (!database.isEmpty()) odbc += OdbcEntry("DATABASE", database);
    if (!cfg.UserName.isEmpty()) odbc += OdbcEntry("UID", cfg.UserName);
    if (!cfg.Password.isEmpty()) odbc += OdbcEntry("PWD", cfg.Password);
    odbc += QStringLiteral("TDS_Version=7.3;ClientCharset=UTF-8;");
    cfg.DatabaseName = odbc;
    cfg.ConnectOptions = QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(ConnectTimeout(cs));
}

void ResolveAccess(TDriverConfig &cfg, const TConnectionString &cs) {
    cfg.QtDriver = QStringLiteral("QODBC");
    cfg.OdbcDriver = QStringLiteral("MDBTools");
    const QString file = DataSource(cs);
    cfg.FilePath = file;
    if (file.isEmpty()) cfg.Error = QStringLiteral("连接字符串没有指定数据库文件(Data Source)");
    cfg.DatabaseName = QStringLiteral("DRIVER={MDBTools};") + OdbcEntry("DBQ", file);
    cfg.ReadOnly = true;  // the MDBTools driver only reads
}

void ResolveOracle(TDriverConfig &cfg, const TConnectionString &cs) {
    cfg.QtDriver = QStringLiteral("QOCI");
    cfg.DatabaseName = DataSource(cs);
    SetCredentials(cfg, cs);
}

// MSDASQL (or no provider): every other entry goes to the ODBC driver manager as it stands.
void ResolveOdbc(TDriverConfig &cfg, const TConnectionString &cs) {
    cfg.QtDriver = QStringLiteral("QODBC");
    if (!cs.Has({"DSN", "Driver", "FileDSN"})) {
        cfg.Error = cfg.Provider.isEmpty() ? QStringLiteral("连接字符串没有指定数据库提供者(Provider)")
                                          : QStringLiteral("连接字符串没有指定ODBC数据源(DSN)");
        return;
    }
    QString odbc;
    for (const auto &[key, value] : cs.Entries()) {
        if (key.compare(QLatin1String("Provider"), Qt::CaseInsensitive) == 0) continue;
        if (key.compare(QLatin1String("Shard Unit Level"), Qt::CaseInsensitive) == 0) continue;  // the module's own
        odbc += key + QLatin1Char('=') + OdbcValue(value) + QLatin1Char(';');
    }
    cfg.DatabaseName = odbc;
    cfg.ConnectOptions = QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(ConnectTimeout(cs));
}

}  // namespace

int SqliteSortThreads() { return std::clamp(QThread::idealThreadCount() - 1, 1, 8); }

TProviderFamily ProviderFamilyOf(const QString &provider) {
    switch (SqlBackendOf(provider)) {
    case TSqlBackend::Oracle: return TProviderFamily::Oracle;
    case TSqlBackend::Access: return TProviderFamily::Access;
    case TSqlBackend::SQLite: return TProviderFamily::SQLite;
    case TSqlBackend::PostgreSQL: return TProviderFamily::PostgreSQL;
    case TSqlBackend::SqlServer: break;
    }
    if (UpperContains(provider, {"SQLOLEDB", "SQLNCLI", "MSOLEDBSQL"})) return TProviderFamily::SqlServer;
    if (provider.trimmed().isEmpty() || UpperContains(provider, {"MSDASQL"})) return TProviderFamily::Odbc;
    return TProviderFamily::Unknown;
}

TDriverConfig ResolveConnectionString(const QString &connectionString) {
    TDriverConfig cfg;
    if (connectionString.trimmed().isEmpty()) {
        cfg.Error = QStringLiteral("没有指定数据库连接字符串");
        return cfg;
    }
    const TConnectionString cs = TConnectionString::Parse(connectionString);
    cfg.Provider = cs.Value({"Provider"}).trimmed();
    switch (ProviderFamilyOf(cfg.Provider)) {
    case TProviderFamily::SQLite:
        ResolveSQLite(cfg, cs);
        RefuseUnknownKeys(cfg, cs, kSqliteKeys);
        break;
    case TProviderFamily::PostgreSQL:
        ResolvePostgreSQL(cfg, cs);
        RefuseUnknownKeys(cfg, cs, kPostgresKeys);
        break;
    case TProviderFamily::SqlServer: ResolveSqlServer(cfg, cs); break;
    case TProviderFamily::Access: ResolveAccess(cfg, cs); break;
    case TProviderFamily::Oracle: ResolveOracle(cfg, cs); break;
    case TProviderFamily::Odbc: ResolveOdbc(cfg, cs); break;
    case TProviderFamily::Unknown:
        cfg.Error = QStringLiteral("不支持的数据库提供者：%1").arg(cfg.Provider);
        break;
    }
    return cfg;
}

QString OdbcValue(const QString &value) {
    static const QString special = QStringLiteral(";{}=");
    bool plain = value == value.trimmed();
    for (QChar c : value)
        if (special.contains(c)) plain = false;
    if (plain) return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}
