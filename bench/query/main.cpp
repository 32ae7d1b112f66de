// Query window benchmark. Run it with
//
//   bench/query/run.sh            (SQLite; generates build-dev/demo-1m.sqlite when missing)
//   bench/query/run.sh --pg       (also PostgreSQL: a throwaway cluster loaded with 1M rows)
//
// or directly:
//
//   build-dev/bench/query/bench_query --sqlite FILE [--reps N]
//   build-dev/bench/query/bench_query --pg "Provider=PostgreSQL;Host=..;Port=..;..." [--reps N]
//   build-dev/bench/query/bench_query --writer-only
//
// What it measures, in one process and one run:
//  1. The apportion summary query window opened as the host opens it, grouped as a user would
//     (预算单位 at unit level 2, 资金性质, 预算科目): Refresh from the click to the totals row
//     (the click itself, and the click plus the events it left pending), against the database's
//     command-line shell (sqlite3 FILE < statement.sql > /dev/null, or psql -f statement.sql)
//     running the statement the window ran, captured with the manager's SQL trace. Repetitions
//     alternate between the two; medians and the ratio are printed (target: within 1.1 times).
//  2. Where Refresh spends its time: the same statement opened and read through the data layer
//     as the window reads it, and the rows it gave written into a sheet by TResultRowWriter.
//  3. TResultRowWriter writing 10,000 rows of realistic values into a TReportSheet loaded with
//     the window's template, then the totals row (target: under 100 ms).
#include "BenchStats.h"
#include "authpay/Application.h"
#include "authpay/DbManager.h"
#include "authpay/PlugIn.h"
#include "authpay/Screen.h"
#include "authpay/UserContext.h"
#include "data/DefaultConn.h"
#include "data/AdoConn.h"
#include "frame/PlugInEntry.h"
#include "query/ApportionQry.h"
#include "query/QueryBuild.h"
#include "query/ResultRows.h"
#include "report/ReportSheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#ifndef AUTHPAY_TEMPLATES
#define AUTHPAY_TEMPLATES ""
#endif

namespace {

QString ListMs(const std::vector<double> &v) {
    QStringList parts;
    for (double x : v) parts << QString::number(x, 'f', 1);
    return parts.join(QLatin1Char(' '));
}

void Print(const QString &line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

struct TUnit : TUnitRecord {
    TUnit() : fields(20) {
        fields[0].Value = QStringLiteral("003001");
        fields[3].Value = QStringLiteral("市财政局");
        fields[17].Value = QStringLiteral("0");
    }
    TUnitField *Field(int index) override { return &fields[size_t(std::clamp(index, 0, 19))]; }
    std::vector<TUnitField> fields;
};

// The parts of an ADO-style connection string ("Key=Value;...").
QString ConnPart(const QString &conn, const QString &key) {
    for (const QString &part : conn.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq > 0 && part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) return part.mid(eq + 1);
    }
    return QString();
}

// The database's command-line shell on the statement file, output discarded.
struct TShell {
    QString program;
    QStringList arguments;
    QString stdinFile;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString label;

    double Run() const {
        QProcess p;
        p.setProcessEnvironment(environment);
        if (!stdinFile.isEmpty()) p.setStandardInputFile(stdinFile);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer t;
        t.start();
        p.start(program, arguments);
        if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            Print(QStringLiteral("shell failed: %1 %2 (exit %3)").arg(program, arguments.join(' ')).arg(p.exitCode()));
            return -1;
        }
        return Ms(t);
    }
};

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

struct THost {
    TApplication application{QStringLiteral("bench_query")};
    TScreen screen;
    TPlugInModuleInfo moduleInfo{};
    TSysParams params;
    TSettings settings;
    TUnit unit;
    TUserContext context;
    TDbManager *manager = nullptr;
    TPlugInHostInfo record{&context, &moduleInfo, nullptr, &application, &screen};
    QMainWindow main;
    QMdiArea *mdi = nullptr;

    THost(const QString &connectionString, const QString &templates) {
        screen.SetFixedSize(QSize(1280, 800));
        moduleInfo.ModuleId = 71;
        params.Lines << QStringLiteral("11=%1").arg(templates);
        manager = new TDbManager(connectionString);
        context.DataYear = 2010;
        context.DbManager = manager;
        context.SysParams = &params;
        context.Settings = &settings;
        context.CurrentUnit = &unit;
        application.OnException = [](QObject *, const Exception &e) {
            Print(QStringLiteral("exception: ") + e.Message);
        };
        mdi = new QMdiArea;
        main.setCentralWidget(mdi);
        main.resize(1280, 800);
        application.MainForm = &main;
        main.show();
    }
};

TbfrmApportionQry *OpenWindow(THost &host) {
    if (authpay::ShowPlugInWindowImpl("TbfrmApportionQry", &host.record) != 0) return nullptr;
    QApplication::processEvents();
    for (QMdiSubWindow *sub : host.mdi->subWindowList())
        if (auto *w = qobject_cast<TbfrmApportionQry *>(sub->widget())) {
            sub->showMaximized();
            QApplication::processEvents();
            return w;
        }
    return nullptr;
}

bool Choose(QComboBox *box, const QString &text) {
    const int i = box->findText(text);
    if (i < 0) {
        Print(QStringLiteral("%1 has no entry %2").arg(box->objectName(), text));
        return false;
    }
    box->setCurrentIndex(i);
    emit box->activated(i);  // what a user's choice sends
    QApplication::processEvents();
    return true;
}

struct TRefreshTime {
    double click = 0;  // tbtnRefresh->click() returned: the totals row is in the sheet
    double shown = 0;  // and the events it left (the sheet's repaint) processed
};

TRefreshTime Refresh(TbfrmApportionQry *w) {
    QElapsedTimer t;
    t.start();
    w->tbtnRefresh->click();
    TRefreshTime r;
    r.click = Ms(t);
    QApplication::processEvents();
    r.shown = Ms(t);
    TReportSheet *s = w->cllBudget;
    if (s->SheetCellText(1, s->SheetRowCount(0) - 1) != QStringLiteral("合  计")) Print("Refresh wrote no totals row");
    return r;
}

int RefreshBench(const QString &dbLabel, const QString &connectionString, const TShell &shellBase,
                 const QString &templates, int reps, const QString &workDir) {
    THost host(connectionString, templates);
    TbfrmApportionQry *w = OpenWindow(host);
    if (!w) {
        Print("the window did not open");
        return 1;
    }
    if (!Choose(w->cmbNum[0], QStringLiteral("预算单位")) || !Choose(w->cmbNum[1], QStringLiteral("资金性质"))
        || !Choose(w->cmbNum[2], QStringLiteral("预算科目")) || !Choose(w->cobClass, QStringLiteral("2")))
        return 1;

    // The first Refresh with the trace on: the statement the window ran.
    const QString tracePath = workDir + QStringLiteral("/trace.txt");
    host.manager->SetSqlTrace(tracePath);
    const TRefreshTime first = Refresh(w);
    host.manager->SetSqlTrace(QString());
    QFile trace(tracePath);
    if (!trace.open(QIODevice::ReadOnly)) return 1;
    QString sql;
    for (const QByteArray &line : trace.readAll().split('\n'))
        if (line.contains("sumMoney")) sql = QString::fromUtf8(line);
    sql.replace(QLatin1String("\\n"), QLatin1String("\n")).replace(QLatin1String("\\r"), QLatin1String("\r"));
    if (sql.isEmpty()) {
        Print("the trace holds no grouped statement");
        return 1;
    }
    const QString statementFile = workDir + QStringLiteral("/statement.sql");
    QFile out(statementFile);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 1;
    out.write(sql.toUtf8() + ";\n");
    out.close();
    TShell shell = shellBase;
    if (shell.stdinFile == QLatin1String("@statement")) shell.stdinFile = statementFile;
    for (QString &a : shell.arguments)
        if (a == QLatin1String("@statement")) a = statementFile;

    // The running number of the last data row, just above the totals row.
    const QString resultRows = w->cllBudget->SheetCellText(1, w->cllBudget->SheetRowCount(0) - 2);
    Print(QStringLiteral("\n== Refresh on %1 ==").arg(dbLabel));
    Print(QStringLiteral("statement: %1").arg(sql.simplified()));
    Print(QStringLiteral("result rows: %1; first (cold) Refresh %2 ms").arg(resultRows).arg(first.shown, 0, 'f', 1));
    if (shell.Run() < 0) return 1;  // warm-up of the shell as well

    std::vector<double> clicks, shown, shells;
    for (int i = 0; i < reps; ++i) {
        // Alternate which goes first, so that neither always meets a warmer cache.
        if (i % 2) shells.push_back(shell.Run());
        const TRefreshTime r = Refresh(w);
        clicks.push_back(r.click);
        shown.push_back(r.shown);
        if (i % 2 == 0) shells.push_back(shell.Run());
    }
    const double mc = Median(clicks), ms = Median(shown), mr = Median(shells);
    Print(QStringLiteral("Refresh click, ms:            %1   median %2").arg(ListMs(clicks)).arg(mc, 0, 'f', 1));
    Print(QStringLiteral("Refresh click + repaint, ms:  %1   median %2").arg(ListMs(shown)).arg(ms, 0, 'f', 1));
    Print(QStringLiteral("%1, ms: %2   median %3").arg(shell.label, -27).arg(ListMs(shells)).arg(mr, 0, 'f', 1));
    // The machine may be shared: the ratio of each repetition's pair, and of the fastest runs,
    // are less disturbed by load that comes and goes than the ratio of the medians.
    std::vector<double> paired;
    for (size_t i = 0; i < shown.size(); ++i) paired.push_back(shown[i] / shells[i]);
    const double mp = Median(paired);
    const double best = *std::min_element(shown.begin(), shown.end()) / *std::min_element(shells.begin(), shells.end());
    Print(QStringLiteral("ratio Refresh/shell: medians %1 (click only %2), per-repetition median %3, fastest %4; "
                         "target 1.1: %5")
              .arg(ms / mr, 0, 'f', 3)
              .arg(mc / mr, 0, 'f', 3)
              .arg(mp, 0, 'f', 3)
              .arg(best, 0, 'f', 3)
              .arg(ms / mr <= 1.1 ? QStringLiteral("met") : QStringLiteral("MISSED")));

    // Where the time goes: the statement through the data layer as the window reads it, then
    // the rows it gave written into a fresh template sheet.
    TQueryConditions conditions = w->Conditions();
    conditions.SubstringFunction = GetDefaultConn()->GetSubstringFunction();
    const TQuerySql built = BuildQuerySql(conditions);
    const QStringList fields = built.FieldNames();
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
              .arg(ms - mo - mrd - mw, 0, 'f', 1));
    Print(QStringLiteral("data layer (open+read) / shell: %1").arg((mo + mrd) / mr, 0, 'f', 3));
    w->tbnExit->click();
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString sqliteFile, pgConn, templates = QStringLiteral(AUTHPAY_TEMPLATES);
    int reps = 7;
    bool writerOnly = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--sqlite")) sqliteFile = next, ++i;
        else if (a == QLatin1String("--pg")) pgConn = next, ++i;
        else if (a == QLatin1String("--reps")) reps = std::max(1, next.toInt()), ++i;
        else if (a == QLatin1String("--templates")) templates = next, ++i;
        else if (a == QLatin1String("--writer-only")) writerOnly = true;
        else {
            std::fprintf(stderr,
                         "usage: bench_query [--sqlite FILE] [--pg CONNSTR] [--reps N] [--templates DIR] "
                         "[--writer-only]\n");
            return 2;
        }
    }
    if (!templates.endsWith(QLatin1Char('/'))) templates += QLatin1Char('/');
    QTemporaryDir work;
    authpay::ModuleStartup(RegisterApportionQryClasses);
    int rc = 0;
    if (!writerOnly && !sqliteFile.isEmpty()) {
        TShell shell;
        shell.program = QStringLiteral("sqlite3");
        shell.arguments = {sqliteFile};
        shell.stdinFile = QStringLiteral("@statement");
        shell.label = QStringLiteral("sqlite3 shell");
        rc |= RefreshBench(QStringLiteral("SQLite ") + sqliteFile,
                           QStringLiteral("Provider=SQLite;Data Source=%1;Mode=Read").arg(sqliteFile), shell, templates,
                           reps, work.path());
    }
    if (!writerOnly && !pgConn.isEmpty()) {
        TShell shell;
        shell.program = QStringLiteral("psql");
        shell.arguments = {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-h"), ConnPart(pgConn, "Host"),
                           QStringLiteral("-p"), ConnPart(pgConn, "Port"), QStringLiteral("-U"),
                           ConnPart(pgConn, "User ID"), QStringLiteral("-d"), ConnPart(pgConn, "Initial Catalog"),
                           QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-f"),
                           QStringLiteral("@statement")};
        shell.environment.insert(QStringLiteral("PGPASSWORD"), ConnPart(pgConn, "Password"));
        shell.label = QStringLiteral("psql -f");
        rc |= RefreshBench(QStringLiteral("PostgreSQL"), pgConn, shell, templates, reps, work.path());
    }
    rc |= WriterBench(templates, reps);
    authpay::ModuleShutdown();
    return rc;
}
