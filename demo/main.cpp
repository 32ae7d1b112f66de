// demo-gen: builds the demo budget database.
//
//   demo-gen --sqlite FILE [--rows N]       a new SQLite file (replaced when it exists)
//   demo-gen --pg CONNSTR [--rows N]        into an existing PostgreSQL database, e.g.
//            "Provider=PostgreSQL;Host=127.0.0.1;Port=5433;Initial Catalog=budget;User ID=u;Password=p"
//
// N is the number of budget rows (default 20000). The same N gives the same data on both.
#include "demo/DemoGenerator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>
#include <cstdio>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: demo-gen (--sqlite FILE | --pg CONNSTR) [--rows N] [--quiet]\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    TDemoTarget target;
    qint64 rows = kDemoDefaultRows;
    bool quiet = false;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--sqlite") && hasValue) target = {TDemoTarget::SQLite, args[++i]};
        else if (a == QLatin1String("--pg") && hasValue) target = {TDemoTarget::PostgreSQL, args[++i]};
        else if (a == QLatin1String("--rows") && hasValue) {
            bool ok = false;
            rows = args[++i].toLongLong(&ok);
            if (!ok || rows < 0) return Usage();
        } else if (a == QLatin1String("--quiet")) quiet = true;
        else return Usage();
    }
    if (target.Where.isEmpty()) return Usage();

    QTextStream err(stderr);
    QElapsedTimer timer;
    timer.start();
    try {
        const auto progress = [&](qint64 done) {
            if (!quiet) err << "  " << done << " budget rows\n" << Qt::flush;
        };
        const QList<QPair<QString, qint64>> sizes = GenerateDemo(target, rows, progress);
        if (!quiet) {
            for (const auto &[table, count] : sizes) err << table << ": " << count << "\n";
            err << "done in " << QString::number(timer.elapsed() / 1000.0, 'f', 1) << " s\n";
        }
    } catch (const std::exception &e) {
        err << "demo-gen: " << QString::fromUtf8(e.what()) << "\n";
        return 1;
    }
    return 0;
}
