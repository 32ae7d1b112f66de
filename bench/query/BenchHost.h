#pragma once
#include <functional>
// The query window benchmark's stand-in host: the module's window opened as budget-host opens it,
// user choices made through the window's own boxes and buttons, the database's command-line shell
// for the reference times, and the process's memory.
#include "authpay/Application.h"
#include "authpay/DbManager.h"
#include "authpay/PlugIn.h"
#include "authpay/Screen.h"
#include "authpay/UserContext.h"

#include <QMainWindow>
#include <QProcessEnvironment>
#include <QStringList>
#include <vector>

class QComboBox;
class QMdiArea;
class TbfrmApportionQry;

void Print(const QString &line);
QString ListMs(const std::vector<double> &v);
// The resident memory now, and the most the process has had, in MiB.
double CurrentRssMb();
double PeakRssMb();

// A part of an ADO-style connection string ("Key=Value;...").
QString ConnPart(const QString &conn, const QString &key);

// The database's command-line shell on a statement file, output discarded. "@statement" in the
// arguments or as the input file stands for the file.
struct TShell {
    QString program;
    QStringList arguments;
    QString stdinFile;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString label;

    static TShell Sqlite(const QString &file);
    static TShell Psql(const QString &connectionString);
    TShell WithStatement(const QString &statementFile) const;
    double Run() const;  // milliseconds, or -1 when the shell failed
};

struct TUnit : TUnitRecord {
    TUnit();
    TUnitField *Field(int index) override;
    std::vector<TUnitField> fields;
};

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

    THost(const QString &connectionString, const QString &templates);
    TbfrmApportionQry *OpenWindow();
};

// The grouping boxes as a user fills them: the dimensions in order, the unit level.
struct TGrouping {
    QString key;
    QStringList dimensions;
    QString level;
};
const std::vector<TGrouping> &Groupings();
const TGrouping *FindGrouping(const QString &key);

bool Choose(QComboBox *box, const QString &text);
bool ChooseGrouping(TbfrmApportionQry *w, const TGrouping &g);

struct TRefreshTime {
    double click = 0;  // tbtnRefresh->click() returned: the totals row is in the sheet
    double shown = 0;  // and the events it left (the sheet's repaint) processed
    double statement = 0, sheet = 0;  // the window's own split: to the last row read, then to the totals row
};
TRefreshTime Refresh(TbfrmApportionQry *w);
// Lets the window work until `busy` says it is done, sleeping between events: a loop that polls
// would keep a processor busy and slow the statement that runs on the worker thread.
void WaitWhile(const std::function<bool()> &busy);
// Lets the window work for that long, sleeping between events.
void Pump(int msecs);
// The running number of the last result row, just above the totals row.
int ResultRows(TbfrmApportionQry *w);
// The grouped statement of the last Refresh run with the manager's trace on, written to a file
// that the shells can read; empty on failure.
QString CaptureStatement(THost &host, TbfrmApportionQry *w, const QString &workDir, TRefreshTime *first);
void CloseWindow(TbfrmApportionQry *w);
