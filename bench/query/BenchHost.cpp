#include "BenchHost.h"

#include "BenchStats.h"
#include "frame/PlugInEntry.h"
#include "query/ApportionQry.h"
#include "report/ReportSheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

void Print(const QString &line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QString ListMs(const std::vector<double> &v) {
    QStringList parts;
    for (double x : v) parts << QString::number(x, 'f', 1);
    return parts.join(QLatin1Char(' '));
}

double CurrentRssMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

QString ConnPart(const QString &conn, const QString &key) {
    for (const QString &part : conn.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq > 0 && part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) return part.mid(eq + 1);
    }
    return QString();
}

TShell TShell::Sqlite(const QString &file) {
    TShell shell;
    shell.program = QStringLiteral("sqlite3");
    shell.arguments = {file};
    shell.stdinFile = QStringLiteral("@statement");
    shell.label = QStringLiteral("sqlite3 shell");
    return shell;
}

TShell TShell::Psql(const QString &conn) {
    TShell shell;
    shell.program = QStringLiteral("psql");
    shell.arguments = {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-h"), ConnPart(conn, "Host"),
                       QStringLiteral("-p"), ConnPart(conn, "Port"), QStringLiteral("-U"), ConnPart(conn, "User ID"),
                       QStringLiteral("-d"), ConnPart(conn, "Initial Catalog"), QStringLiteral("-v"),
                       QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-f"), QStringLiteral("@statement")};
    shell.environment.insert(QStringLiteral("PGPASSWORD"), ConnPart(conn, "Password"));
    shell.label = QStringLiteral("psql -f");
    return shell;
}

TShell TShell::WithStatement(const QString &statementFile) const {
    TShell shell = *this;
    if (shell.stdinFile == QLatin1String("@statement")) shell.stdinFile = statementFile;
    for (QString &a : shell.arguments)
        if (a == QLatin1String("@statement")) a = statementFile;
    return shell;
}

double TShell::Run() const {
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

TUnit::TUnit() : fields(20) {
    fields[0].Value = QStringLiteral("003001");
    fields[3].Value = QStringLiteral("市财政局");
    fields[17].Value = QStringLiteral("0");
}

TUnitField *TUnit::Field(int index) { return &fields[size_t(std::clamp(index, 0, 19))]; }

THost::THost(const QString &connectionString, const QString &templates) {
    screen.SetFixedSize(QSize(1280, 800));
    moduleInfo.ModuleId = 71;
    params.Lines << QStringLiteral("11=%1").arg(templates);
    manager = new TDbManager(connectionString);
    context.DataYear = 2010;
    context.DbManager = manager;
    context.SysParams = &params;
    context.Settings = &settings;
    context.CurrentUnit = &unit;
    application.OnException = [](QObject *, const Exception &e) { Print(QStringLiteral("exception: ") + e.Message); };
    mdi = new QMdiArea;
    main.setCentralWidget(mdi);
    main.resize(1280, 800);
    application.MainForm = &main;
    main.show();
}

TbfrmApportionQry *THost::OpenWindow() {
    if (authpay::ShowPlugInWindowImpl("TbfrmApportionQry", &record) != 0) return nullptr;
    QApplication::processEvents();
    for (QMdiSubWindow *sub : mdi->subWindowList())
        if (auto *w = qobject_cast<TbfrmApportionQry *>(sub->widget())) {
            sub->showMaximized();
            QApplication::processEvents();
            return w;
        }
    return nullptr;
}

const std::vector<TGrouping> &Groupings() {
    static const std::vector<TGrouping> groupings = {
        {QStringLiteral("unit2-fund-subject"),
         {QStringLiteral("预算单位"), QStringLiteral("资金性质"), QStringLiteral("预算科目")},
         QStringLiteral("2")},
        {QStringLiteral("unit-subject-item"),
         {QStringLiteral("预算单位"), QStringLiteral("预算科目"), QStringLiteral("预算项目")},
         QStringLiteral("<全部>")},
        {QStringLiteral("all-six"),
         {QStringLiteral("预算单位"), QStringLiteral("资金性质"), QStringLiteral("支出类型"), QStringLiteral("支付方式"),
          QStringLiteral("预算科目"), QStringLiteral("预算项目")},
         QStringLiteral("<全部>")},
    };
    return groupings;
}

const TGrouping *FindGrouping(const QString &key) {
    for (const TGrouping &g : Groupings())
        if (g.key == key) return &g;
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

bool ChooseGrouping(TbfrmApportionQry *w, const TGrouping &g) {
    for (qsizetype i = 0; i < g.dimensions.size(); ++i)
        if (!Choose(w->cmbNum[size_t(i)], g.dimensions[i])) return false;
    return Choose(w->cobClass, g.level);
}

void WaitWhile(const std::function<bool()> &busy) {
    QApplication::processEvents();
    while (busy()) QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void Pump(int msecs) {
    QEventLoop loop;
    QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
    loop.exec();
}

TRefreshTime Refresh(TbfrmApportionQry *w) {
    QElapsedTimer t;
    t.start();
    w->tbtnRefresh->click();
    TRefreshTime r;
    r.click = Ms(t);
    WaitWhile([w] { return w->Busy(); });
    r.shown = Ms(t);
    r.statement = double(w->LastRunTimes().statement);
    r.sheet = double(w->LastRunTimes().sheet);
    TReportSheet *s = w->cllBudget;
    if (s->SheetCellText(1, s->SheetRowCount(0) - 1) != QStringLiteral("合  计")) Print("Refresh wrote no totals row");
    return r;
}

int ResultRows(TbfrmApportionQry *w) {
    return w->cllBudget->SheetCellText(1, w->cllBudget->SheetRowCount(0) - 2).toInt();
}

QString CaptureStatement(THost &host, TbfrmApportionQry *w, const QString &workDir, TRefreshTime *first) {
    const QString tracePath = workDir + QStringLiteral("/trace.txt");
    QFile::remove(tracePath);
    host.manager->SetSqlTrace(tracePath);
    *first = Refresh(w);
    host.manager->SetSqlTrace(QString());
    QFile trace(tracePath);
    if (!trace.open(QIODevice::ReadOnly)) return QString();
    QString sql;
    for (const QByteArray &line : trace.readAll().split('\n'))
        if (line.contains("sumMoney")) sql = QString::fromUtf8(line);
    sql.replace(QLatin1String("\\n"), QLatin1String("\n")).replace(QLatin1String("\\r"), QLatin1String("\r"));
    if (sql.isEmpty()) return QString();
    const QString statementFile = workDir + QStringLiteral("/statement.sql");
    QFile out(statementFile);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return QString();
    out.write(sql.toUtf8() + ";\n");
    return statementFile;
}

void CloseWindow(TbfrmApportionQry *w) {
    w->tbnExit->click();
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
