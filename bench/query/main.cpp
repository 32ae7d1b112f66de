// Query window benchmark. Run it with
//
//   bench/query/run.sh                 (SQLite, 1M rows; generates the database when missing)
//   bench/query/run.sh --pg            (also PostgreSQL: a throwaway cluster loaded with the rows)
//   bench/query/run.sh --scale         (1M and 10M rows, every grouping, both databases: the table)
//
// or directly:
//
//   build-dev/bench/query/bench_query --sqlite FILE [--grouping KEY] [--reps N] [--summary]
//   build-dev/bench/query/bench_query --pg "Provider=PostgreSQL;Host=..;Port=..;..." [...]
//   build-dev/bench/query/bench_query --sqlite FILE --large all-six   (a large result's outputs)
//   build-dev/bench/query/bench_query --writer-only
//   build-dev/bench/query/bench_query --sqlite FILE --drill          (the drill-down window)
//   build-dev/bench/query/bench_query --sqlite FILE --responsive [--grouping all-six]
//   build-dev/bench/query/bench_query --sqlite FILE --pdf-pages all-six [--keep-pdf FILE] [--rows N]
//   build-dev/bench/query/bench_query --sqlite FILE --drill-rest     (the drill-down's memory)
//   build-dev/bench/query/bench_query --chart [--reps N]  (the chart window on 100,000 result rows)
//   build-dev/bench/query/bench_query --sqlite FILE --compare-year 2009 [--grouping KEY] (对比年度's cost)
//
// What it measures, in one process and one run:
//  1. The apportion summary query window opened as the host opens it, grouped as a user would
//     (--grouping: unit2-fund-subject, the default, is 预算单位 at unit level 2, 资金性质, 预算科目;
//     unit-subject-item is 预算单位 at its lowest level, 预算科目, 预算项目; all-six is every
//     dimension): Refresh from the click to the totals row (the click itself, and the click plus
//     the events it left pending), against the database's command-line shell (sqlite3 FILE <
//     statement.sql > /dev/null, or psql -f statement.sql) running the statement the window ran,
//     captured with the manager's SQL trace. Repetitions alternate between the two; medians and
//     the ratio are printed (target: within 1.1 times), with the result rows and the process's
//     memory when the window opened and at its peak. --summary prints that as one RESULT line.
//  2. Where Refresh spends its time (not with --summary): the statement opened and read through the
//     data layer as the window reads it, and the rows written into a sheet by TResultRowWriter.
//  3. TResultRowWriter writing 10,000 rows of realistic values into a TReportSheet loaded with
//     the window's template, then the totals row (target: under 100 ms).
//  4. With --large: see LargeResult.cpp.
//  5. With --drill: see DrillOpen.h.
//  6. With --responsive: see Responsive.h.
//  7. With --pdf-pages or --drill-rest: see LargeOutputs.h.
//  8. With --chart: see ChartDraw.h (no database).
#include "BenchHost.h"
#include "BenchStats.h"
#include "ChartDraw.h"
#include "CompareRefresh.h"
#include "DrillOpen.h"
#include "LargeOutputs.h"
#include "LargeResult.h"
#include "Responsive.h"
#include "data/AdoConn.h"
#include "data/DefaultConn.h"
#include "frame/PlugInEntry.h"
#include "query/ApportionQry.h"
#include "query/QueryBuild.h"
#include "query/ResultRows.h"
#include "report/ReportSheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

#ifndef AUTHPAY_TEMPLATES
#define AUTHPAY_TEMPLATES ""
#endif

namespace {

// Realistic result values: unit codes and names at level 2, fund natures, budget subjects.
struct TRowValues {
    QStringList values;
    double amount;
};

std::vector<TRowValues> RealisticRows(int count) {
    const QStringList units = {QStringLiteral("市财政局"), QStringLiteral("市教育局"), QStringLiteral("市第一中学"),
                               QStringLiteral("市人民医院"), QStringLiteral("市政务服务中心"), QStringLiteral("市公安局交通警察支队"),
                               QStringLiteral("市农业农村局"), QStringLiteral("市住房和城乡建设局")};
    const QStringList funds = {QStringLiteral("一般公共预算"), QStringLiteral("政府性基金预算"), QStringLiteral("财政专户管理资金"),
                               QStringLiteral("单位自有资金")};
    const QStringList subjects = {QStringLiteral("行政运行"), QStringLiteral("一般行政管理事务"), QStringLiteral("机关服务"),
                                  QStringLiteral("提租补贴"), QStringLiteral("购房补贴"), QStringLiteral("普通教育其他支出"),
                                  QStringLiteral("住房公积金"), QStringLiteral("机关事业单位基本养老保险缴费支出")};
    std::vector<TRowValues> rows;
    rows.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const int u = i / 40, f = (i / 10) % 4, s = i % 10;
        rows.push_back({{QStringLiteral("%1").arg(3001 + u, 6, 10, QLatin1Char('0')), units[u % units.size()],
                         QString::number(11 + 10 * f), funds[f],
                         QStringLiteral("%1").arg(2010101 + 97 * s + u % 7), subjects[(s + u) % subjects.size()]},
                        double((i * 7919) % 100000) * 1234.5 + 0.25 * (i % 4)});
    }
    return rows;
}

QString TemplateFile(const QString &templates) {
    return QDir(templates).filePath(QStringLiteral("查询_支付范围汇总组合查询表cll5.cll"));
}

// Writes the rows into a fresh sheet loaded with the window's template and shown at the window's
// size; the time of the writes and the totals row, and of the repaint that follows.
std::pair<double, double> WriteRows(const std::vector<TRowValues> &rows, const QString &templates) {
    TReportSheet sheet;
    sheet.resize(1200, 600);
    sheet.SheetOpen(TemplateFile(templates), QString());
    sheet.show();
    QApplication::processEvents();
    QElapsedTimer t;
    t.start();
    TResultRowWriter writer(&sheet);
    for (const TRowValues &r : rows) writer.AddRow(r.values, r.amount);
    writer.AddTotals();
    const double write = Ms(t);
    t.restart();
    QApplication::processEvents();
    const double paint = Ms(t);
    if (sheet.SheetCellText(1, sheet.SheetRowCount(0) - 1) != QStringLiteral("合  计")) Print("no totals row written");
    return {write, paint};
}

int WriterBench(const QString &templates, int reps) {
    constexpr int kRows = 10000;
    const std::vector<TRowValues> rows = RealisticRows(kRows);
    WriteRows(rows, templates);  // warm-up
    std::vector<double> write, paint;
    for (int i = 0; i < reps; ++i) {
        const auto [w, p] = WriteRows(rows, templates);
        write.push_back(w);
        paint.push_back(p);
    }
    const double m = Median(write);
    Print(QStringLiteral("\n== TResultRowWriter: %1 rows into the template sheet ==").arg(kRows));
    Print(QStringLiteral("write + totals, ms:        %1   median %2").arg(ListMs(write)).arg(m, 0, 'f', 1));
    Print(QStringLiteral("repaint afterwards, ms:    %1   median %2").arg(ListMs(paint)).arg(Median(paint), 0, 'f', 1));
    Print(QStringLiteral("ratio to the 100 ms target: %1  (%2)")
              .arg(m / 100.0, 0, 'f', 3)
              .arg(m < 100.0 ? QStringLiteral("met") : QStringLiteral("MISSED")));
    return 0;
}

struct TRefreshBench {
    QString label;
    QString connectionString;
    TShell shell;
    const TGrouping *grouping = nullptr;
    QString templates;
    int reps = 7;
    QString workDir;
    bool summary = false;
};

struct TRefreshFigures {
    double window = 0, clickOnly = 0, shell = 0, paired = 0, best = 0;
    std::vector<double> clicks, shown, shells, statements, sheets;
};

TRefreshFigures TimeRefreshes(TbfrmApportionQry *w, const TShell &shell, int reps) {
    TRefreshFigures f;
    for (int i = 0; i < reps; ++i) {
        // Alternate which goes first, so that neither always meets a warmer cache.
        if (i % 2) f.shells.push_back(shell.Run());
        const TRefreshTime r = Refresh(w);
        f.clicks.push_back(r.click);
        f.shown.push_back(r.shown);
        f.statements.push_back(r.statement);
        f.sheets.push_back(r.sheet);
        if (i % 2 == 0) f.shells.push_back(shell.Run());
    }
    f.window = Median(f.shown);
    f.clickOnly = Median(f.clicks);
    f.shell = Median(f.shells);
    // The machine may be shared: the ratio of each repetition's pair, and of the fastest runs,
    // are less disturbed by load that comes and goes than the ratio of the medians.
    std::vector<double> paired;
    for (size_t i = 0; i < f.shown.size(); ++i) paired.push_back(f.shown[i] / f.shells[i]);
    f.paired = Median(paired);
    f.best = *std::min_element(f.shown.begin(), f.shown.end()) / *std::min_element(f.shells.begin(), f.shells.end());
    return f;
}

// Where the time goes: the statement through the data layer as the window reads it, then the rows
// it gave written into a fresh template sheet.
int SplitRefresh(TbfrmApportionQry *w, const QString &sql, const QString &templates, int reps, double window,
                 double shell) {
    TQueryConditions conditions = w->Conditions();
    conditions.SubstringFunction = GetDefaultConn()->GetSubstringFunction();
    const QStringList fields = BuildQuerySql(conditions).FieldNames();
    std::vector<double> open, read, write;
    std::vector<TRowValues> rows;
    for (int i = 0; i < std::max(3, reps / 2); ++i) {
        rows.clear();
        QElapsedTimer t;
        t.start();
        IARQueryPtr q;
        if (!OpenDefaultQuery(sql, q) || !q.Query()) {
            Print(QStringLiteral("open failed: ") + LastDbError());
            return 1;
        }
        TARQuery *query = q.Query();
        query->RecordCount();
        open.push_back(Ms(t));
        t.restart();
        for (; !query->Eof(); query->Next()) {
            TRowValues row;
            for (const QString &f : fields) row.values << query->FieldByName(f).AsString();
            row.amount = query->FieldByName(QStringLiteral("sumMoney")).AsCurrency();
            rows.push_back(std::move(row));
        }
        read.push_back(Ms(t));
        write.push_back(WriteRows(rows, templates).first);
    }
    const double mo = Median(open), mrd = Median(read), mw = Median(write);
    Print(QStringLiteral("split (medians): open + RecordCount %1 ms, reading %2 rows %3 ms, writing them %4 ms, "
                         "rest of Refresh %5 ms")
              .arg(mo, 0, 'f', 1)
              .arg(rows.size())
              .arg(mrd, 0, 'f', 1)
              .arg(mw, 0, 'f', 1)
              .arg(window - mo - mrd - mw, 0, 'f', 1));
    Print(QStringLiteral("data layer (open+read) / shell: %1").arg((mo + mrd) / shell, 0, 'f', 3));
    return 0;
}

int RefreshBenchIn(THost &host, TbfrmApportionQry *w, const TRefreshBench &b) {
    if (!ChooseGrouping(w, *b.grouping)) return 1;
    const double rssOpen = CurrentRssMb();
    TRefreshTime first;
    const QString statementFile = CaptureStatement(host, w, b.workDir, &first);
    if (statementFile.isEmpty()) {
        Print("the trace holds no grouped statement");
        return 1;
    }
    const TShell shell = b.shell.WithStatement(statementFile);
    QFile statement(statementFile);
    statement.open(QIODevice::ReadOnly);
    const QString sql = QString::fromUtf8(statement.readAll()).chopped(2);
    const int resultRows = ResultRows(w);
    if (!b.summary) {
        Print(QStringLiteral("\n== Refresh on %1, grouping %2 ==").arg(b.label, b.grouping->key));
        Print(QStringLiteral("statement: %1").arg(sql.simplified()));
        Print(QStringLiteral("result rows: %1; first (cold) Refresh %2 ms").arg(resultRows).arg(first.shown, 0, 'f', 1));
    }
    if (shell.Run() < 0) return 1;  // warm-up of the shell as well
    const TRefreshFigures f = TimeRefreshes(w, shell, b.reps);
    const double ratio = f.window / f.shell;
    if (b.summary) {
        Print(QStringLiteral("RESULT|%1|%2|%3|%4|%5|%6|%7|%8")
                  .arg(b.label, b.grouping->key)
                  .arg(f.window, 0, 'f', 1)
                  .arg(f.shell, 0, 'f', 1)
                  .arg(ratio, 0, 'f', 3)
                  .arg(resultRows)
                  .arg(rssOpen, 0, 'f', 0)
                  .arg(PeakRssMb(), 0, 'f', 0));
        return 0;
    }
    Print(QStringLiteral("Refresh click, ms:            %1   median %2").arg(ListMs(f.clicks)).arg(f.clickOnly, 0, 'f', 1));
    Print(QStringLiteral("Refresh click + repaint, ms:  %1   median %2").arg(ListMs(f.shown)).arg(f.window, 0, 'f', 1));
    Print(QStringLiteral("%1, ms: %2   median %3").arg(shell.label, -27).arg(ListMs(f.shells)).arg(f.shell, 0, 'f', 1));
    Print(QStringLiteral("ratio Refresh/shell: medians %1 (click only %2), per-repetition median %3, fastest %4; "
                         "target 1.1: %5")
              .arg(ratio, 0, 'f', 3)
              .arg(f.clickOnly / f.shell, 0, 'f', 3)
              .arg(f.paired, 0, 'f', 3)
              .arg(f.best, 0, 'f', 3)
              .arg(ratio <= 1.1 ? QStringLiteral("met") : QStringLiteral("MISSED")));
    const double sheet = Median(f.sheets);
    Print(QStringLiteral("window's own split (medians): statement to its last row %1 ms (shell %2 ms, ratio %3); "
                         "last row to the totals row %4 ms = %5 µs a row, target 1 µs: %6")
              .arg(Median(f.statements), 0, 'f', 1)
              .arg(f.shell, 0, 'f', 1)
              .arg(Median(f.statements) / f.shell, 0, 'f', 3)
              .arg(sheet, 0, 'f', 1)
              .arg(resultRows > 0 ? sheet * 1000.0 / resultRows : 0.0, 0, 'f', 2)
              .arg(resultRows > 0 && sheet * 1000.0 / resultRows <= 1.0 ? QStringLiteral("met") : QStringLiteral("MISSED")));
    Print(QStringLiteral("memory: %1 MiB when the window opened, peak %2 MiB")
              .arg(rssOpen, 0, 'f', 0)
              .arg(PeakRssMb(), 0, 'f', 0));
    return SplitRefresh(w, sql, b.templates, b.reps, f.window, f.shell);
}

int RefreshBench(const TRefreshBench &b) {
    THost host(b.connectionString, b.templates);
    TbfrmApportionQry *w = host.OpenWindow();
    if (!w) {
        Print("the window did not open");
        return 1;
    }
    const int rc = RefreshBenchIn(host, w, b);
    CloseWindow(w);
    return rc;
}

}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString sqliteFile, pgConn, templates = QStringLiteral(AUTHPAY_TEMPLATES), groupingKey, large, label;
    QString pdfPages, keepPdf;
    int reps = 7, pdfRows = 0, compareYear = 0;
    bool writerOnly = false, summary = false, drill = false, responsive = false, drillRest = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--sqlite")) sqliteFile = next, ++i;
        else if (a == QLatin1String("--pg")) pgConn = next, ++i;
        else if (a == QLatin1String("--reps")) reps = std::max(1, next.toInt()), ++i;
        else if (a == QLatin1String("--templates")) templates = next, ++i;
        else if (a == QLatin1String("--grouping")) groupingKey = next, ++i;
        else if (a == QLatin1String("--large")) large = next, ++i;
        else if (a == QLatin1String("--label")) label = next, ++i;
        else if (a == QLatin1String("--pdf-pages")) pdfPages = next, ++i;
        else if (a == QLatin1String("--keep-pdf")) keepPdf = next, ++i;
        else if (a == QLatin1String("--rows")) pdfRows = next.toInt(), ++i;
        else if (a == QLatin1String("--drill-rest")) drillRest = true;
        else if (a == QLatin1String("--summary")) summary = true;
        else if (a == QLatin1String("--drill")) drill = true;
        else if (a == QLatin1String("--responsive")) responsive = true;
        else if (a == QLatin1String("--writer-only")) writerOnly = true;
        else if (a == QLatin1String("--chart")) return ChartDrawBench(reps);
        else if (a == QLatin1String("--compare-year")) compareYear = next.toInt(), ++i;
        else {
            std::fprintf(stderr,
                         "usage: bench_query [--sqlite FILE] [--pg CONNSTR] [--grouping KEY] [--reps N] [--summary]\n"
                         "                   [--large KEY] [--drill] [--responsive] [--label TEXT] [--templates DIR]\n"
                         "                   [--writer-only] [--pdf-pages KEY [--keep-pdf FILE] [--rows N]] [--drill-rest]\n"
                         "                   [--reps N] --chart\n"
                         "groupings: unit2-fund-subject (default), unit-subject-item, all-six\n");
            return 2;
        }
    }
    const TGrouping *grouping = FindGrouping(groupingKey.isEmpty() ? QStringLiteral("unit2-fund-subject") : groupingKey);
    if (!pdfPages.isEmpty()) large = pdfPages;
    const TGrouping *largeGrouping = large.isEmpty() ? nullptr : FindGrouping(large);
    if (!grouping || (!large.isEmpty() && !largeGrouping)) {
        std::fprintf(stderr, "bench_query: no grouping %s\n", qPrintable(large.isEmpty() ? groupingKey : large));
        return 2;
    }
    if (!templates.endsWith(QLatin1Char('/'))) templates += QLatin1Char('/');
    QTemporaryDir work;
    authpay::ModuleStartup(RegisterApportionQryClasses);
    int rc = 0;
    struct TDb {
        QString label, conn;
        TShell shell;
    };
    std::vector<TDb> dbs;
    if (!sqliteFile.isEmpty())
        dbs.push_back({label.isEmpty() ? QStringLiteral("SQLite") : label, QStringLiteral("Provider=SQLite;Data Source=%1;Mode=Read").arg(sqliteFile),
                       TShell::Sqlite(sqliteFile)});
    if (!pgConn.isEmpty()) dbs.push_back({label.isEmpty() ? QStringLiteral("PostgreSQL") : label, pgConn, TShell::Psql(pgConn)});
    for (const TDb &db : writerOnly ? std::vector<TDb>{} : dbs) {
        if (!pdfPages.isEmpty()) {
            rc |= PdfPagesBench(db.label, db.conn, *largeGrouping, templates, work.path(), keepPdf, pdfRows);
        } else if (drillRest) {
            THost host(db.conn, templates);
            TbfrmApportionQry *w = host.OpenWindow();
            rc |= w ? DrillRestBench(w) : 1;
            if (w) CloseWindow(w);
        } else if (responsive) {
            THost host(db.conn, templates);
            TbfrmApportionQry *w = host.OpenWindow();
            rc |= w ? ResponsiveBench(host, w, *grouping, db.conn.startsWith(QLatin1String("Provider=PostgreSQL")), reps) : 1;
            if (w) CloseWindow(w);
        } else if (compareYear) {
            THost host(db.conn, templates);
            TbfrmApportionQry *w = host.OpenWindow();
            rc |= w ? CompareRefreshBench(w, *grouping, compareYear, reps) : 1;
            if (w) CloseWindow(w);
        } else if (drill) {
            THost host(db.conn, templates);
            TbfrmApportionQry *w = host.OpenWindow();
            rc |= w ? DrillOpenBench(host, w, db.shell, work.path()) : 1;
            if (w) CloseWindow(w);
        } else if (largeGrouping) rc |= LargeResultBench(db.label, db.conn, *largeGrouping, templates, work.path());
        else rc |= RefreshBench({db.label, db.conn, db.shell, grouping, templates, reps, work.path(), summary});
    }
    if (!summary && !largeGrouping && !drill && !responsive && !drillRest) rc |= WriterBench(templates, reps);
    authpay::ModuleShutdown();
    return rc;
}
