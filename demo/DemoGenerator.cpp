#include "demo/DemoGenerator.h"

#include "data/DatabaseError.h"
#include "data/DatabaseOpener.h"
#include "data/DriverConfig.h"
#include "demo/DemoSchema.h"
#include "demo/DemoWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

namespace {

QList<QPair<QString, qint64>> WriteInto(const TDriverConfig &cfg, qint64 rows,
                                        const std::function<void(qint64)> &progress) {
    const QString name = QStringLiteral("demo-gen-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QList<QPair<QString, qint64>> sizes;
    {
        QSqlDatabase db = AddConfiguredDatabase(cfg, name);
        OpenConfiguredDatabase(db, cfg);
        TDemoWriter writer(db, progress);
        writer.Write(rows);
        for (const QString &table : DemoTableNames()) sizes.append({table, writer.CountRows(table)});
        db.close();
    }
    RemoveConfiguredDatabase(name);
    return sizes;
}

QList<QPair<QString, qint64>> GenerateSQLite(const QString &file, qint64 rows,
                                             const std::function<void(qint64)> &progress) {
    const QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath()))
        throw EDatabaseError(QStringLiteral("无法创建目录：%1").arg(info.absolutePath()));
    const QString partial = info.absoluteFilePath() + QStringLiteral(".part-") +
                            QUuid::createUuid().toString(QUuid::WithoutBraces);
    QFile create(partial);
    if (!create.open(QIODevice::WriteOnly)) throw EDatabaseError(create.errorString());
    create.close();
    TDriverConfig cfg = ResolveConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + partial);
    try {
        const auto sizes = WriteInto(cfg, rows, progress);
        QFile::remove(info.absoluteFilePath());
        if (!QFile::rename(partial, info.absoluteFilePath()))
            throw EDatabaseError(QStringLiteral("无法写入：%1").arg(info.absoluteFilePath()));
        return sizes;
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
}

}  // namespace

QList<QPair<QString, qint64>> GenerateDemo(const TDemoTarget &target, qint64 budgetRows,
                                           const std::function<void(qint64)> &progress) {
    if (target.Type == TDemoTarget::SQLite) return GenerateSQLite(target.Where, budgetRows, progress);
    TDriverConfig cfg = ResolveConnectionString(target.Where);
    if (cfg.QtDriver != QLatin1String("QPSQL"))
        throw EDatabaseError(QStringLiteral("--pg需要PostgreSQL的连接字符串：%1").arg(target.Where));
    // The module's sessions only read; the generator's writes the demo.
    cfg.ConnectOptions.replace(QStringLiteral("default_transaction_read_only=on"),
                               QStringLiteral("default_transaction_read_only=off"));
    cfg.ReadOnly = false;
    return WriteInto(cfg, budgetRows, progress);
}
