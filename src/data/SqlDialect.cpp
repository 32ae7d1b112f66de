#include "data/SqlDialect.h"

#include <initializer_list>

namespace {

bool ContainsAny(const QString &provider, std::initializer_list<const char *> markers) {
    const QString upper = provider.toUpper();
    for (const char *marker : markers)
        if (upper.contains(QLatin1String(marker))) return true;
    return false;
}

}  // namespace

bool ProviderIsOracle(const QString &provider) {
    return ContainsAny(provider, {"ORACLE", "ORAOLEDB", "MSDAORA"});
}

// The Access database engine is reached through Jet ("Microsoft.Jet.OLEDB.4.0") or its successor
// ACE ("Microsoft.ACE.OLEDB.12.0"); both speak the same SQL, which has no SUBSTRING.
bool ProviderIsAccess(const QString &provider) {
    return ContainsAny(provider, {"ACCESS", "JET.OLEDB", "ACE.OLEDB"});
}

TSqlBackend SqlBackendOf(const QString &provider) {
    if (ProviderIsOracle(provider)) return TSqlBackend::Oracle;
    if (ProviderIsAccess(provider)) return TSqlBackend::Access;
    if (ContainsAny(provider, {"SQLITE"})) return TSqlBackend::SQLite;
    if (ContainsAny(provider, {"POSTGRES", "PGNP"})) return TSqlBackend::PostgreSQL;
    return TSqlBackend::SqlServer;
}

QString ConcatOperatorOf(TSqlBackend backend) {
    switch (backend) {
    case TSqlBackend::Access: return QStringLiteral("&");
    case TSqlBackend::SqlServer: return QStringLiteral("+");
    default: return QStringLiteral("||");
    }
}

QString SubstringFunctionOf(TSqlBackend backend) {
    switch (backend) {
    case TSqlBackend::Oracle:
    case TSqlBackend::SQLite: return QStringLiteral("SUBSTR");
    case TSqlBackend::Access: return QStringLiteral("MID");
    default: return QStringLiteral("SUBSTRING");
    }
}
