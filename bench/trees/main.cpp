// Dynamic tree benchmark: bench/trees/run.sh [--pg] (builds it, runs it on SQLite and with --pg
// also on a throwaway PostgreSQL cluster), or directly
//
//   build-dev/bench/trees/bench_trees --sqlite FILE [--pg CONNSTR] [--reps N] [--verbose]
//                                     [--only activate|expand|background|loadall]
//
// It writes a code table "codes" (id, pid, name, leaf) of 100,000 budget codes in five levels
// (code lengths 2, 2, 2, 3, 4; leaf '0' on the bottom level; one parent with exactly 1,000
// children) when the database lacks it, then measures on a shown tree view, each against the raw
// statements through Qt SQL on the same connection in the same run (alternating; medians):
//  1. activating the tree until the first level is shown, against the top node's child statement;
//  2. expanding the node with 1,000 children, against its child statement;
//  3. a background load of that node on a statement that takes about a second: the largest gap
//     between the ticks of a 5 ms timer until the rows are in, against the statement's duration;
//  4. LoadAll over the whole table, against every child statement of the table read raw.
#include "BenchStats.h"
#include "authpay/Application.h"
#include "authpay/DbManager.h"
#include "data/AdoConn.h"
#include "data/DatabaseOpener.h"
#include "data/SqlQuote.h"
#include "frame/ModuleGlobals.h"
#include "platform/TreeView.h"
#include "trees/ChildSql.h"
#include "trees/DynamicTree.h"
#include "trees/QueryThread.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int kTotalRows = 100000;
constexpr int kBigChildren = 1000;
// The parent with 1,000 children and the ancestors that lead to it.
const QStringList kBigPath = {QStringLiteral("07"), QStringLiteral("0703"), QStringLiteral("070305"),
                              QStringLiteral("070305001")};
const QString kBigParent = kBigPath.last();

bool verbose = false;
QString only;  // one measurement by name, else all

template <class F>
double Timed(F &&f) {
    QElapsedTimer t;
    t.start();
    f();
    return Ms(t);
}

void Print(const QString &line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// A measurement whose result was wrong (said on a line of its own) fails whatever its time.
bool runFailed = false, anyFailed = false;

void Fault(const QString &text) {
    Print(text);
    runFailed = anyFailed = true;
}

// ---- the code table ----

struct TCode {
    QString Id, Pid, Name;
    bool Leaf;
};

const QStringList kDepartments = {"市财政局", "市教育局", "市卫生健康委员会", "市公安局", "市民政局",
    "市人力资源和社会保障局", "市自然资源和规划局", "市生态环境局", "市住房和城乡建设局", "市交通运输局", "市水利局",
    "市农业农村局", "市商务局", "市文化广电旅游局", "市应急管理局", "市审计局", "市市场监督管理局", "市统计局",
    "市医疗保障局", "市司法局"};
const QStringList kUnitSuffixes = {"机关", "信息中心", "综合服务中心", "执法支队", "培训中心", "档案馆", "研究所",
    "监测站", "事务中心", "后勤服务中心"};
const QStringList kFunctions = {"一般公共服务支出", "公共安全支出", "教育支出", "科学技术支出", "社会保障和就业支出",
    "卫生健康支出", "节能环保支出", "城乡社区支出", "农林水支出", "住房保障支出"};
const QStringList kEconomics = {"基本工资", "津贴补贴", "奖金", "绩效工资", "办公费", "印刷费", "水电费", "差旅费",
    "维修（护）费", "会议费", "培训费", "公务接待费", "专用材料费", "劳务费", "委托业务费", "公务用车运行维护费",
    "办公设备购置", "专用设备购置", "信息网络及软件购置更新", "其他商品和服务支出"};
const QStringList kPlaces = {"城东片区", "城西片区", "城南片区", "城北片区", "高新区", "经济开发区", "滨江新区",
    "老城区", "临港园区", "东湖街道", "西山镇", "南河乡"};
const QStringList kObjects = {"校舍", "道路", "办公楼", "档案室", "信息系统", "公务车辆", "检测设备", "培训基地",
    "社区服务站", "排水管网", "卫生院", "图书馆"};
const QStringList kActions = {"维修", "改造", "购置", "运行维护", "租赁", "保洁服务", "安保服务", "检测", "监理",
    "咨询服务"};

QString Code(int n, int width) { return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0')); }

// Bottom-level codes: projects named from a place, an object and a piece of work.
void AddProjects(std::vector<TCode> &rows, const QString &item, int count) {
    for (int g = 1; g <= count; ++g) {
        const int k = int(rows.size());
        rows.push_back({item + Code(g, 4), item,
                        kPlaces[k % 12] + kObjects[(k / 12) % 12] + kActions[(k / 144) % 10] + "项目", true});
    }
}

// 20 departments, 10 units each, 10 functions each, 4 economic items each; the projects make up
// the rest of the 100,000 rows, 1,000 of them under kBigParent, the others spread evenly.
std::vector<TCode> GenerateCodes() {
    const int others = kTotalRows - (20 + 200 + 2000 + 8000) - kBigChildren;
    const int base = others / 7999, extra = others % 7999;
    std::vector<TCode> rows;
    rows.reserve(kTotalRows);
    int items = 0;
    for (int a = 1; a <= 20; ++a) {
        const QString d = Code(a, 2);
        rows.push_back({d, QString(), kDepartments[a - 1], false});
        for (int b = 1; b <= 10; ++b) {
            const QString u = d + Code(b, 2);
            rows.push_back({u, d, kDepartments[a - 1].mid(1) + kUnitSuffixes[b - 1], false});
            for (int c = 1; c <= 10; ++c) {
                const QString f = u + Code(c, 2);
                rows.push_back({f, u, kFunctions[c - 1], false});
                for (int e = 1; e <= 4; ++e) {
                    const QString item = f + Code(e, 3);
                    rows.push_back({item, f, kEconomics[(c * 4 + e + a) % kEconomics.size()], false});
                    AddProjects(rows, item, item == kBigParent ? kBigChildren : base + (items++ < extra ? 1 : 0));
                }
            }
        }
    }
    return rows;
}

void Exec(QSqlQuery &q, const QString &sql) {
    if (!q.exec(sql)) throw Exception(QStringLiteral("%1: %2").arg(sql.left(80), q.lastError().text()));
}

// Whether the table is there with the generated shape.
bool TableReady(QSqlDatabase &db) {
    QSqlQuery q(db);
    const bool read = q.exec(QStringLiteral("select count(*), sum(case when pid=%1 then 1 else 0 end) from codes")
                                 .arg(QuotedStr(kBigParent))) && q.next();
    return read && q.value(0).toInt() == kTotalRows && q.value(1).toInt() == kBigChildren;
}

void WriteCodes(QSqlDatabase &db, bool pg) {
    const std::vector<TCode> rows = GenerateCodes();
    QSqlQuery q(db);
    if (db.tables().contains(QStringLiteral("codes"), Qt::CaseInsensitive)) Exec(q, QStringLiteral("drop table codes"));
    Exec(q, QStringLiteral("create table codes (id varchar(20) not null primary key, pid varchar(20) not null, "
                           "name varchar(100) not null, leaf varchar(1) not null)"));
    QStringList values;
    for (const TCode &r : rows)
        values << QStringLiteral("(%1,%2,%3,'%4')").arg(QuotedStr(r.Id), QuotedStr(r.Pid), QuotedStr(r.Name), r.Leaf ? "0" : "1");
    db.transaction();
    for (qsizetype i = 0; i < values.size(); i += 500)
        Exec(q, QStringLiteral("insert into codes (id,pid,name,leaf) values ") + values.mid(i, 500).join(QLatin1Char(',')));
    db.commit();
    Exec(q, QStringLiteral("create index codes_pid on codes (pid)"));
    Exec(q, pg ? QStringLiteral("analyze codes") : QStringLiteral("analyze"));
}

// Writes the table through a Qt SQL connection of its own when it is not there yet.
void PrepareTable(const QString &connectionString, bool pg) {
    const TDriverConfig cfg = ResolveConnectionString(connectionString);
    // An empty file is an empty SQLite database; the opener refuses a missing one.
    if (!cfg.FilePath.isEmpty() && !QFile::exists(cfg.FilePath)) {
        QFile file(cfg.FilePath);
        if (!file.open(QIODevice::WriteOnly)) throw Exception(QStringLiteral("cannot create ") + cfg.FilePath);
    }
    const QString name = QStringLiteral("bench_trees_writer");
    {
        QSqlDatabase db = AddConfiguredDatabase(cfg, name);
        OpenConfiguredDatabase(db, cfg);
        if (!TableReady(db))
            Print(QStringLiteral("%1 codes written in %2 ms").arg(kTotalRows).arg(Timed([&] { WriteCodes(db, pg); }), 0, 'f', 0));
    }
    RemoveConfiguredDatabase(name);
}

// ---- measuring ----

struct TSetup {
    TAdoConn *Conn;
    TTreeView *View;
    bool Pg;
    int Reps, SlowReps;  // SlowReps for the measurements that take seconds
};

const QStringList kFastTable = {QStringLiteral("select id,pid,name,leaf from codes")};

std::unique_ptr<TDynamicTree> NewTree(const TSetup &s, const QStringList &table) {
    auto tree = std::make_unique<TDynamicTree>();
    tree->SetSqlTable(table);
    tree->SetFieldId(QStringLiteral("id"));
    tree->FieldPid = QStringLiteral("pid");
    tree->FieldIsLeaf = QStringLiteral("leaf");
    tree->ValueIsLeaf = QStringLiteral("0");
    tree->FieldCaption = QStringLiteral("name");
    tree->FieldText = QStringLiteral("name");
    tree->TopVirNodeIdValue = QString();
    tree->SetTopVirNodeTitle(QStringLiteral("预算单位"));
    tree->SetAdoConn(s.Conn);
    tree->SetTreeView(s.View);
    return tree;
}

QString ChildSql(const TDynamicTree &tree, const QString &id) {
    return BuildChildSql(tree.SqlTable(), tree.FieldPid, tree.FieldOrderBy, id);
}

// The statement run raw, forward only, every value of every row read; answers the row count.
int RawRead(QSqlDatabase db, const QString &sql) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    Exec(q, sql);
    const int columns = q.record().count();
    int rows = 0;
    for (; q.next(); ++rows)
        for (int i = 0; i < columns; ++i) q.value(i);
    return rows;
}

double TimeRaw(const TSetup &s, const QString &sql, int expectRows) {
    int rows = 0;
    const double ms = Timed([&] { rows = RawRead(s.Conn->Database(), sql); });
    if (rows != expectRows) Fault(QStringLiteral("raw statement gave %1 rows, not %2").arg(rows).arg(expectRows));
    return ms;
}

TNodeItem *FindChild(const TTreeNode *parent, const QString &id) {
    for (int i = 0; parent && i < parent->childCount(); ++i) {
        const TItemInfo *info = TDynamicTree::ItemInfoOf(parent->Child(i));
        if (info && info->Kind == ikDataNode && info->Id == id) return static_cast<TNodeItem *>(parent->Child(i));
    }
    return nullptr;
}

// Opens the nodes along the path and answers the last one (not opened itself).
TNodeItem *OpenPath(TDynamicTree &tree, const QStringList &ids) {
    auto *node = static_cast<TNodeItem *>(tree.TreeView()->FirstNode());
    for (const QString &id : ids) {
        if (!node) break;
        node->SetExpanded(true);
        node = FindChild(node, id);
    }
    if (!node) throw Exception(QStringLiteral("node %1 not found").arg(ids.last()));
    return node;
}

void Restart(TDynamicTree &tree) {
    tree.SetActive(false);
    tree.SetLoadAll(false);
    QCoreApplication::processEvents();
    tree.SetActive(true);
}

// Runs both reps times, alternating which goes first; a warm-up of each first.
std::pair<std::vector<double>, std::vector<double>> Alternate(int reps, const std::function<double()> &subject,
                                                              const std::function<double()> &reference) {
    subject();
    reference();
    std::vector<double> a, b;
    for (int i = 0; i < reps; ++i) {
        if (i % 2) b.push_back(reference());
        a.push_back(subject());
        if (i % 2 == 0) b.push_back(reference());
    }
    return {a, b};
}

QString ListMs(const std::vector<double> &v) {
    QStringList parts;
    for (double x : v) parts << QString::number(x, 'f', 2);
    return parts.join(QLatin1Char(' '));
}

void Report(const QString &what, const std::vector<double> &subject, const std::vector<double> &reference,
            const QString &target, bool (*met)(double, double)) {
    const double m = Median(subject), r = Median(reference);
    const QString verdict = runFailed ? QStringLiteral("failed") : met(m, r) ? QStringLiteral("met") : QStringLiteral("missed");
    runFailed = false;
    Print(QStringLiteral("%1: %2 ms, reference %3 ms, ratio %4, target %5: %6")
              .arg(what)
              .arg(m, 0, 'f', 2)
              .arg(r, 0, 'f', 2)
              .arg(r > 0 ? m / r : 0.0, 0, 'f', 2)
              .arg(target, verdict));
    if (verbose) Print(QStringLiteral("    runs: %1 | reference: %2").arg(ListMs(subject), ListMs(reference)));
}

void BenchActivate(const TSetup &s) {
    auto tree = NewTree(s, kFastTable);
    const QString sql = ChildSql(*tree, tree->TopVirNodeIdValue);
    auto timeTree = [&] {
        tree->SetActive(false);
        QCoreApplication::processEvents();
        const double ms = Timed([&] {
            tree->SetActive(true);
            QCoreApplication::processEvents();
        });
        if (!s.View->FirstNode() || s.View->FirstNode()->childCount() != 20) Fault(QStringLiteral("the first level is not shown"));
        return ms;
    };
    const auto [a, b] = Alternate(s.Reps, timeTree, [&] { return TimeRaw(s, sql, 20); });
    Report(QStringLiteral("activate and show first level"), a, b, QStringLiteral("raw+10 ms"),
           [](double m, double r) { return m <= r + 10; });
}

void BenchExpand(const TSetup &s) {
    auto tree = NewTree(s, kFastTable);
    auto timeTree = [&] {
        Restart(*tree);
        TNodeItem *node = OpenPath(*tree, kBigPath);
        QCoreApplication::processEvents();
        const double ms = Timed([&] {
            node->SetExpanded(true);
            QCoreApplication::processEvents();
        });
        if (node->childCount() != kBigChildren || !node->Expanded()) Fault(QStringLiteral("the node did not open"));
        return ms;
    };
    const QString sql = ChildSql(*tree, kBigParent);
    const auto [a, b] = Alternate(s.Reps, timeTree, [&] { return TimeRaw(s, sql, kBigChildren); });
    Report(QStringLiteral("expand node with 1000 children"), a, b, QStringLiteral("raw+20 ms"),
           [](double m, double r) { return m <= r + 20; });
}

// The table statement made to take about a second before it gives its rows.
QStringList SlowTable(const TSetup &s) {
    const QString head = QStringLiteral("select id,pid,name,leaf from codes where ");
    if (s.Pg) return {head + QStringLiteral("(select count(*) from pg_sleep(1)) > 0")};
    auto count = [](qint64 n) {
        return QStringLiteral("(with recursive c(x) as (select 1 union all select x+1 from c where x<%1) "
                              "select count(*) from c)").arg(n);
    };
    qint64 n = 100000;
    for (int i = 0; i < 3; ++i) n = qint64(double(n) * 1000.0 / std::max(TimeRaw(s, "select " + count(n), 1), 1.0));
    return {head + count(n) + QStringLiteral(" > 0")};
}

// Opens the big parent on a background load with the slow statement: the largest gap between the
// ticks of a 5 ms timer from the expansion until the rows are in and the thread is gone.
double GapOnce(const TSetup &s, const QStringList &slowTable) {
    auto tree = NewTree(s, kFastTable);
    tree->SetActive(true);
    TNodeItem *node = OpenPath(*tree, kBigPath);
    QCoreApplication::processEvents();
    tree->SetSqlTable(slowTable);
    tree->SyncDataLoad = false;
    QEventLoop loop;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(5);
    QElapsedTimer clock;
    double last = 0, gap = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const double now = Ms(clock);
        gap = std::max(gap, now - last);
        last = now;
        if (TQueryThread::LiveCount() == 0 && node->Loading.isNull()) loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    clock.start();
    ticker.start();
    node->SetExpanded(true);
    loop.exec();
    if (node->childCount() != kBigChildren) Fault(QStringLiteral("the background load gave %1 rows").arg(node->childCount()));
    if (verbose) Print(QStringLiteral("    rows in after %1 ms").arg(Ms(clock), 0, 'f', 1));
    return gap;
}

void BenchBackground(const TSetup &s) {
    const QStringList slowTable = SlowTable(s);
    const QString sql = BuildChildSql(slowTable, QStringLiteral("pid"), QStringLiteral("id"), kBigParent);
    const auto [a, b] = Alternate(s.SlowReps, [&] { return GapOnce(s, slowTable); },
                                  [&] { return TimeRaw(s, sql, kBigChildren); });
    Report(QStringLiteral("background load, largest event-loop gap"), a, b, QStringLiteral("gap <= 50 ms"),
           [](double m, double) { return m <= 50; });
}

// The child statement of every node that has children, the top node's included.
QStringList AllChildStatements(const TSetup &s, const TDynamicTree &tree) {
    QStringList statements = {ChildSql(tree, tree.TopVirNodeIdValue)};
    QSqlQuery q(s.Conn->Database());
    q.setForwardOnly(true);
    Exec(q, QStringLiteral("select id from codes where leaf <> '0' order by id"));
    while (q.next()) statements << ChildSql(tree, q.value(0).toString());
    return statements;
}

void BenchLoadAll(const TSetup &s) {
    auto tree = NewTree(s, kFastTable);
    const QStringList statements = AllChildStatements(s, *tree);
    auto timeTree = [&] {
        Restart(*tree);
        QCoreApplication::processEvents();
        const double ms = Timed([&] { tree->SetLoadAll(true); });
        int n = -1;  // the top node
        for (QTreeWidgetItemIterator it(s.View); *it; ++it) ++n;
        if (n != kTotalRows) Fault(QStringLiteral("LoadAll gave %1 nodes").arg(n));
        return ms;
    };
    auto timeRaw = [&] {
        int rows = 0;
        const double ms = Timed([&] {
            QSqlDatabase db = s.Conn->Database();
            for (const QString &sql : statements) rows += RawRead(db, sql);
        });
        if (rows != kTotalRows) Fault(QStringLiteral("the raw reads gave %1 rows").arg(rows));
        return ms;
    };
    const auto [a, b] = Alternate(s.SlowReps, timeTree, timeRaw);
    Report(QStringLiteral("LoadAll over 100,000 rows"), a, b, QStringLiteral("within 3x"),
           [](double m, double r) { return m <= 3 * r; });
}

int RunAll(const QString &label, const QString &connectionString, bool pg, int reps) {
    Print(QStringLiteral("\n== %1 ==").arg(label));
    try {
        PrepareTable(connectionString, pg);
        TDbManager manager(connectionString);
        TTreeView view;
        view.resize(420, 720);
        view.show();
        QCoreApplication::processEvents();
        const TSetup s{manager.GetConnection(QStringLiteral("Def")), &view, pg, reps, std::clamp(reps, 3, 5)};
        s.Conn->Open();
        const std::pair<const char *, void (*)(const TSetup &)> benches[] = {
            {"activate", BenchActivate}, {"expand", BenchExpand}, {"background", BenchBackground}, {"loadall", BenchLoadAll}};
        for (const auto &[name, bench] : benches)
            if (only.isEmpty() || only == QLatin1String(name)) bench(s);
        TQueryThread::WaitForAll(10000);
    } catch (const Exception &e) {
        Print(QStringLiteral("failed: ") + e.Message);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString sqliteFile, pgConn;
    int reps = 7;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--sqlite")) sqliteFile = next, ++i;
        else if (a == QLatin1String("--pg")) pgConn = next, ++i;
        else if (a == QLatin1String("--reps")) reps = std::max(1, next.toInt()), ++i;
        else if (a == QLatin1String("--verbose")) verbose = true;
        else if (a == QLatin1String("--only")) only = next, ++i;
        else {
            std::fprintf(stderr, "usage: bench_trees [--sqlite FILE] [--pg CONNSTR] [--reps N] [--verbose] "
                                 "[--only activate|expand|background|loadall]\n");
            return 2;
        }
    }
    TApplication module(QStringLiteral("bench_trees"));
    module.OnException = [](QObject *, const Exception &e) { Print(QStringLiteral("exception: ") + e.Message); };
    authpay::Application = &module;
    int rc = 0;
    if (!sqliteFile.isEmpty())
        rc |= RunAll(QStringLiteral("SQLite ") + sqliteFile, QStringLiteral("Provider=SQLite;Data Source=%1").arg(sqliteFile),
                     false, reps);
    if (!pgConn.isEmpty()) rc |= RunAll(QStringLiteral("PostgreSQL"), pgConn, true, reps);
    TQueryThread::WaitForAll(10000);
    authpay::Application = nullptr;
    return rc | (anyFailed ? 1 : 0);
}
