#include "BatchDriver.h"

#include "BatchChart.h"
#include "HostOutput.h"
#include "PickerDriver.h"
#include "PictureFile.h"
#include "SheetStream.h"

#include "authpay/CodePicker.h"
#include "data/SqlQuote.h"
#include "report/SafeText.h"
#include "report/ReportLayout.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDateTime>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <algorithm>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
// The terminal's width when stdout is one (else $COLUMNS, else 0: no terminal).
int TerminalColumns() {
    winsize size{};
    if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return qEnvironmentVariableIntValue("COLUMNS");
}

// The name an export is written under: a name without a known extension gets ".xls", the type
// the save dialog offers first.
QString WrittenExportName(const QString &path) {
    static const QStringList known = {QStringLiteral("xls"), QStringLiteral("xlsx"), QStringLiteral("csv")};
    return known.contains(QFileInfo(path).suffix().toLower()) ? path : path + QStringLiteral(".xls");
}
}  // namespace

BatchDriver::BatchDriver(QWidget *window, const QHash<QString, QString> &options)
    : window_(window), query_(window), values_(options) {
    clock_.start();
    printSheet_ = values_.contains(QStringLiteral("print-sheet"));
    subtotals_ = values_.contains(QStringLiteral("subtotals"));
    fitWidth_ = values_.contains(QStringLiteral("fit-width"));
    watcher_.setInterval(10);
    QObject::connect(&watcher_, &QTimer::timeout, [this] { AnswerModal(); });
    watcher_.start();
}

BatchDriver::~BatchDriver() { watcher_.stop(); }

// Past the time --timeout gives, whatever runs is cancelled as a user would cancel it: the
// Refresh's (or the drill-down's read's) "取消" button, or the cancel button of a long output's
// progress dialog.
void BatchDriver::CheckDeadline() {
    if (deadline_ <= 0 || clock_.elapsed() < deadline_ || timedOut_ || !Report()) return;
    bool output = false;  // a long output's progress dialog is up
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<QProgressDialog *>(w) && w->isVisible()) output = true;
    if (!Report()->Busy() && !output) return;
    timedOut_ = true;
    StatusLine(QStringLiteral("budget-host: --timeout: still running after %1 s; cancelled").arg(Value("timeout")));
    Report()->Cancel();
}

// Lets the window work until its Refresh (or the drill-down's read) has ended, or the window has
// gone; false when it was cancelled. Between events the host sleeps (the watcher's timer wakes it
// at least every 10 ms), leaving the cores to the statement's thread and the database.
bool BatchDriver::WaitIdle() {
    for (bool busy = true; busy && window_;) {
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (Report()) busy = Report()->Busy();
    }
    return !timedOut_;
}

// A modal box of the window is up: report a message and press OK; answer the save dialog.
void BatchDriver::AnswerModal() {
    CheckDeadline();
    QWidget *modal = QApplication::activeModalWidget();
    if (!pickOption_.isEmpty() && modal && modal->isVisible()
        && qobject_cast<authpay::ICodePicker *>(modal)) {
        DriveTicker(modal);
        return;
    }
    if (auto *preview = qobject_cast<authpay::IPrintPreview *>(modal); preview && modal->isVisible()) {
        SavePreviewPicture(preview->Dialog());
        return;
    }
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        QAbstractButton *yes = box->button(QMessageBox::Yes);
        // --save-preset names the set it writes: a saved set of that name is replaced.
        if (yes && savingPreset_) {
            StatusLine(box->text());
            yes->click();
            return;
        }
        messages << box->text();
        StatusLine(box->text());
        box->accept();
    } else if (auto *input = qobject_cast<QInputDialog *>(modal); input && !presetAnswer_.isEmpty()) {
        input->setTextValue(presetAnswer_);
        presetAnswer_.clear();
        QMetaObject::invokeMethod(input, [input] { input->accept(); }, Qt::QueuedConnection);
    }
}

static QString Entries(const QStringList &entries) { return entries.join(QStringLiteral(", ")); }

bool BatchDriver::ChooseText(authpay::ChoiceBox box, const QString &text, const QString &option) {
    const QStringList entries = Query()->Entries(box);
    if (!entries.contains(text)) {
        errors << QStringLiteral("--%1: no entry \"%2\"; valid: %3").arg(option, text, Entries(entries));
        return false;
    }
    return Query()->Choose(box, int(entries.indexOf(text)));
}

bool BatchDriver::ChooseIndex(authpay::ChoiceBox box, const QString &position, const QString &option) {
    const QStringList entries = Query()->Entries(box);
    bool ok = false;
    const int index = position.toInt(&ok);
    if (!ok || index < 0 || index >= entries.size()) {
        errors << QStringLiteral("--%1: no position %2; valid: 0 to %3 (%4)")
                      .arg(option, position)
                      .arg(entries.size() - 1)
                      .arg(Entries(entries));
        return false;
    }
    return Query()->Choose(box, index);
}

bool BatchDriver::ChooseGroups(const QString &captions) {
    const QStringList list = captions.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (list.size() > 6) {
        errors << QStringLiteral("--group: at most six dimensions");
        return false;
    }
    for (int k = 0; k < list.size(); ++k)
        if (!ChooseText(authpay::ChoiceBox(int(authpay::ChoiceBox::Dimension1) + k), list[k].trimmed(), QStringLiteral("group")))
            return false;
    return true;
}

// Types the code into the unit box and leaves it, which checks it.
bool BatchDriver::TypeUnitCode(const QString &code) {
    const qsizetype before = messages.size();
    if (Query()->TypeUnitCode(code)) return true;
    errors << (messages.size() > before ? messages.last() : QStringLiteral("--eid: the code was refused"));
    return false;
}

static QStringList CodeList(const QString &codes) {
    QStringList list;
    for (const QString &c : codes.split(QLatin1Char(','), Qt::SkipEmptyParts)) list << c.trimmed();
    return list;
}

// Runs the picker that is up: one code selected in the element dialog, or codes ticked in the
// data tree dialog. A code the tree does not show ends the dialog with its close button.
void BatchDriver::DriveTicker(QWidget *dialog) {
    const QString option = std::exchange(pickOption_, QString());
    PickerDriver driver(static_cast<QDialog *>(dialog), Value(QStringLiteral("picker-screenshot")));
    const bool ok = option == QLatin1String("pick-unit") ? driver.PickOne(pickCodes_.value(0)) : driver.TickAll(pickCodes_);
    if (ok) return;
    pickError_ = QStringLiteral("--%1: %2").arg(option, driver.error);
    driver.CloseDialog();
}

// Opens the box's picker as a double-click does and lets the watcher drive it; then checks that
// the box holds exactly the codes asked for.
bool BatchDriver::PickInto(const QString &option, authpay::CodeBox box, bool unitList) {
    pickCodes_ = CodeList(Value(option));
    if (box == authpay::CodeBox::Unit) Query()->SetUnitList(unitList);
    pickOption_ = option;
    pickError_.clear();
    Query()->OpenPicker(box);
    if (!pickOption_.isEmpty()) {
        pickOption_.clear();
        errors << QStringLiteral("--%1: the picker did not open").arg(option);
        return false;
    }
    if (!pickError_.isEmpty()) {
        errors << pickError_;
        return false;
    }
    const QString text = Query()->CodeText(box);
    if (text != pickCodes_.join(QLatin1Char(','))) {
        errors << QStringLiteral("--%1: the box holds \"%2\" after picking").arg(option, text);
        return false;
    }
    return true;
}

// A saved set recalled as the window's "调用查询方案" menu recalls it.
bool BatchDriver::RecallPreset(const QString &name) {
    QString none;  // the menu's own word when it lists no set (none, or why the file is unusable)
    QStringList names = Query()->ConditionSetNames(&none);
    if (Query()->RecallConditionSet(name)) {
        QApplication::processEvents();
        return true;
    }
    // Names are the user's own: a line feed in one must not start a line of its own on stderr.
    for (QString &n : names) n = EscapeSeparators(n);
    errors << QStringLiteral("--preset: no saved set \"%1\"; saved: %2")
                  .arg(EscapeSeparators(name), names.isEmpty() ? none : names.join(", "));
    return false;
}

// "保存查询方案..." with the name typed into its question.
bool BatchDriver::SavePreset(const QString &name) {
    presetAnswer_ = name;
    savingPreset_ = true;
    const bool saved = Query()->SaveConditionSet();
    savingPreset_ = false;
    presetAnswer_.clear();
    QApplication::processEvents();
    if (saved) return true;
    errors << QStringLiteral("--save-preset: the set \"%1\" was not saved").arg(EscapeSeparators(name));
    return false;
}

// --compare-year N: N among the years the window lists, once it has read them.
bool BatchDriver::ChooseCompareYear(const QString &year) {
    // The box reads its years when a user first goes to it.
    Query()->StartCompareYears();
    while (Query() && Query()->CompareYearsPending())
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return Query() && ChooseText(authpay::ChoiceBox::CompareYear, year, QStringLiteral("compare-year"));
}

bool BatchDriver::Apply() {
    using authpay::ChoiceBox;
    using authpay::CodeBox;
    if (values_.contains("preset") && !RecallPreset(Value("preset"))) return false;
    if (values_.contains("compare-year") && !ChooseCompareYear(Value("compare-year"))) return false;
    struct Choice { const char *option; ChoiceBox box; bool byIndex; };
    static const Choice choices[] = {
        {"type", ChoiceBox::IndicatorType, true}, {"subtype", ChoiceBox::IndicatorSubtype, true},
        {"secret", ChoiceBox::Secrecy, true}, {"fund", ChoiceBox::FundNature, false},
        {"pay", ChoiceBox::PayKind, false}, {"exp", ChoiceBox::ExpenditureType, false},
        {"level", ChoiceBox::UnitLevel, false},
    };
    if (values_.contains("group") && !ChooseGroups(Value("group"))) return false;
    if (subtotals_) Query()->SetSubtotals(true);
    if (values_.contains("columns") && !ChooseText(ChoiceBox::ColumnDimension, Value("columns"), QStringLiteral("columns")))
        return false;
    if (values_.contains("columns-all")) Query()->SetAllColumns(true);
    for (const Choice &c : choices) {
        const QString option = QString::fromLatin1(c.option);
        if (!values_.contains(option)) continue;
        if (!(c.byIndex ? ChooseIndex(c.box, Value(option), option) : ChooseText(c.box, Value(option), option))) return false;
    }
    if (values_.contains("eid") && !TypeUnitCode(Value("eid"))) return false;
    if (values_.contains("eid-list")) {
        Query()->SetUnitList(true);
        Query()->FillCodes(CodeBox::Unit, CodeList(Value("eid-list")));
    }
    if (values_.contains("bid")) Query()->FillCodes(CodeBox::Subject, CodeList(Value("bid")));
    if (values_.contains("iid")) Query()->FillCodes(CodeBox::Item, CodeList(Value("iid")));
    const struct { const char *option; CodeBox box; bool list; } picks[] = {
        {"pick-unit", CodeBox::Unit, false}, {"pick-eid", CodeBox::Unit, true}, {"pick-bid", CodeBox::Subject, true},
        {"pick-iid", CodeBox::Item, true}};
    for (const auto &p : picks)
        if (values_.contains(QLatin1String(p.option)) && !PickInto(QLatin1String(p.option), p.box, p.list)) return false;
    return !values_.contains("save-preset") || SavePreset(Value("save-preset"));
}

bool BatchDriver::Export(const QString &file) {
    const QString path = QFileInfo(file).absoluteFilePath();
    const QString writtenName = WrittenExportName(path);
    if (!Report()->Export(path).Ok()) {
        errors << QStringLiteral("export to %1 failed").arg(file);
        return false;
    }
    if (writtenName != path) StatusLine(QStringLiteral("budget-host: exported to %1").arg(writtenName));
    return true;
}

// The PDF is written beside its name and renamed over it when complete: a print that fails (the
// window says why) leaves an old file as it was.
bool BatchDriver::PrintPdf(const QString &file) {
    const authpay::Outcome printed = Report()->PrintPdf(QFileInfo(file).absoluteFilePath());
    if (printed.Ok()) return true;
    errors << (printed.message.isEmpty() ? QStringLiteral("printing to %1 failed").arg(file)
                                         : QStringLiteral("printing to %1 failed: %2").arg(file, printed.message));
    return false;
}

// --preview-screenshot: the preview opened as the window's own button opens it, as the user sees
// it first; the watcher saves its picture and closes it.
bool BatchDriver::PreviewPicture(const QString &file) {
    previewPicture_ = QFileInfo(file).absoluteFilePath();
    previewError_.clear();
    previewSaved_ = false;
    Report()->OpenPreview();
    if (!previewSaved_)
        errors << QStringLiteral("--preview-screenshot: %1")
                      .arg(previewError_.isEmpty() ? QStringLiteral("the preview did not open") : previewError_);
    previewPicture_.clear();
    return previewSaved_;
}

void BatchDriver::SavePreviewPicture(QDialog *preview) {
    if (previewPicture_.isEmpty()) {
        preview->reject();
        return;
    }
    QApplication::processEvents();  // laid out at its size before it is drawn
    const authpay::Outcome saved = SavePicture(preview->grab(), previewPicture_);
    previewSaved_ = saved.Ok();
    previewError_ = saved.message;
    previewPicture_.clear();
    preview->reject();
}

// A drill-down reads its remaining pages before its sheet is read for an output or its summary;
// a page it cannot read it says in a message box.
void BatchDriver::ReadAllRows() const {
    if (Report()) Report()->FetchAll();
}

// The window the outputs come from (the query window, or the drill-down it opened), and the
// query window, as the module's typed face for hosts; null once gone.
authpay::IReportWindow *BatchDriver::Report() const {
    return window_ ? qobject_cast<authpay::IReportWindow *>(window_.data()) : nullptr;
}
authpay::IQueryWindow *BatchDriver::Query() const {
    return query_ ? qobject_cast<authpay::IQueryWindow *>(query_.data()) : nullptr;
}

// Opens the drill-down of result row N (subtotal rows not counted), as a double-click on it does,
// and makes it the window the outputs come from.
bool BatchDriver::Drill(int n) {
    int results = 0, row = 0;
    authpay::IReportWindow *drill = Query()->Drill(n, &results, &row);
    if (row == 0) {
        errors << QStringLiteral("--drill: no result row %1 (the report has %2)").arg(n).arg(results);
        return false;
    }
    const qsizetype messagesBefore = messages.size();
    QApplication::processEvents();
    if (drill) window_ = drill->Widget();
    // The drill-down reads its first page while it is shown; a page it cannot read it says and closes.
    if (drill && !WaitIdle()) {
        errors << QStringLiteral("--timeout: the drill-down ran past %1 s and was cancelled").arg(Value("timeout"));
        return false;
    }
    if (drill && window_ && messages.size() == messagesBefore) {
        StatusLine(QStringLiteral("budget-host: drill-down on result row %1 (sheet row %2)").arg(n).arg(row));
        return true;
    }
    window_ = query_;
    errors << (messages.size() > messagesBefore ? messages.last()
                                                : QStringLiteral("--drill: result row %1 opened no drill-down").arg(n));
    return false;
}

// Says on stderr what the Refresh (or the drill-down) produced: the number of result rows above
// the totals row and the total, the totals row's last used cell, as the sheet marks its rows.
// Only the rows' kinds and that cell are read, not a copy of every cell.
void BatchDriver::ReportSummary(const char *what) {
    ReadAllRows();
    const authpay::IResultSheet *rows = &Report()->ResultRows();
    const std::vector<authpay::RowKind> kinds = rows->RowKinds();
    const int usedColumns = rows->UsedColumns();
    qsizetype totalsAt = usedColumns > 0 ? qsizetype(kinds.size()) - 1 : -1;
    while (totalsAt >= 0 && kinds[size_t(totalsAt)] != authpay::RowKind::Totals) --totalsAt;
    if (totalsAt < 0) {
        StatusLine(QStringLiteral("budget-host: %1: no rows").arg(QLatin1String(what)));
        return;
    }
    const auto results = std::count(kinds.begin(), kinds.begin() + totalsAt, authpay::RowKind::Result);
    // The query window's amount column is 14; with a compared year the compared columns follow it,
    // and a spread result's row totals follow its code columns.
    const int spread = qstrcmp(what, "drill-down") == 0 || !Query() ? 0 : Query()->SpreadColumns();
    const int totalColumn = qstrcmp(what, "drill-down") == 0 ? usedColumns
                            : spread > 0                     ? ReportLayout::kAmountColumn + spread
                                                             : std::min(usedColumns, ReportLayout::kAmountColumn);
    const QList<authpay::SheetRow> totals = rows->Rows(int(totalsAt) + 1, 1, totalColumn);
    const QString total = totals.isEmpty() ? QString() : totals.first().texts.value(totalColumn - 1);
    QString columns;
    if (spread > 0 && Query()->FoldedColumns() > 0)
        columns = QStringLiteral(", %1 columns, the last (其他) holding %2 codes (--columns-all: one each)")
                      .arg(spread).arg(Query()->FoldedColumns());
    else if (spread > 0)
        columns = QStringLiteral(", %1 columns").arg(spread);
    StatusLine(QStringLiteral("budget-host: %1: %2 rows, total %3%4").arg(QLatin1String(what)).arg(results).arg(total, columns));
}

// --format and --max-rows are checked before anything runs.
bool BatchDriver::CheckFormat() {
    static const QStringList formats = {"table", "tsv", "csv", "json"};
    if (values_.contains("format") && !formats.contains(Value("format"))) {
        errors << QStringLiteral("--format: no form \"%1\"; valid: %2").arg(Value("format"), formats.join(", "));
        return false;
    }
    bool number = false;
    if (values_.contains("max-rows") && (Value("max-rows").toInt(&number) < 0 || !number)) {
        errors << QStringLiteral("--max-rows: not a count of rows: %1").arg(Value("max-rows"));
        return false;
    }
    const double seconds = Value("timeout").toDouble(&number);
    if (values_.contains("timeout") && (!number || seconds <= 0)) {
        errors << QStringLiteral("--timeout: not a number of seconds: %1").arg(Value("timeout"));
        return false;
    }
    deadline_ = values_.contains("timeout") ? qint64(seconds * 1000) : 0;
    if (values_.contains("drill") && (Value("drill").toInt(&number) < 1 || !number)) {
        errors << QStringLiteral("--drill: not a result row number (1 for the first): %1").arg(Value("drill"));
        return false;
    }
    return CheckChartOptions(values_, errors);
}

// The report in the form --format asks for, on stdout, written as it is made.
void BatchDriver::WriteFormatted() {
    static const QHash<QString, TReportForm> forms = {{"table", TReportForm::Table},
                                                      {"tsv", TReportForm::Tsv},
                                                      {"csv", TReportForm::Csv},
                                                      {"json", TReportForm::Json}};
    ReadAllRows();
    const int maxRows = values_.contains("max-rows") ? Value("max-rows").toInt() : 40;
    const authpay::Outcome written =
        WriteSheetReport(Report()->ResultRows(), forms.value(Value("format")), maxRows, TerminalColumns());
    if (!written.Ok()) errors << written.message;
}

int BatchDriver::Run() {
    if (!Query()) {
        errors << QStringLiteral("budget-host: the window is no query window this host can drive");
        return 1;
    }
    if (!CheckFormat() || !Apply()) return 1;
    const qsizetype before = messages.size();
    Query()->Refresh();
    if (!WaitIdle()) {
        errors << QStringLiteral("--timeout: the Refresh ran past %1 s and was cancelled").arg(Value("timeout"));
        return 1;
    }
    if (messages.size() > before) {
        errors << messages.last();
        return 1;
    }
    ReportSummary("refreshed");
    if (values_.contains("drill")) {
        if (!Drill(Value("drill").toInt())) return 1;
        // The rest of the drill-down's pages are read for its summary: a page it cannot read
        // (out of memory, a lost connection) is a failure, not a shorter drill-down.
        const qsizetype beforePages = messages.size();
        ReportSummary("drill-down");
        if (messages.size() > beforePages) {
            errors << messages.last();
            return 1;
        }
        // The drill-down's word when its total is no longer the figure it was opened on.
        if (const QString changed = Report() ? Report()->DataChangeNote() : QString(); !changed.isEmpty())
            StatusLine(QStringLiteral("budget-host: drill-down: ") + changed);
    }
    if (!Report()) {
        errors << QStringLiteral("budget-host: the window the outputs come from has closed");
        return 1;
    }
    // The window's (or drill-down's) report sheet prints fitted to the page width, as the
    // preview's "适合页宽" makes it print.
    if (fitWidth_) Report()->SetFitToWidth(true);
    if (values_.contains("export") && !Export(Value("export"))) return 1;
    if (values_.contains("pdf") && !PrintPdf(Value("pdf"))) return 1;
    if (values_.contains("preview-screenshot") && !PreviewPicture(Value("preview-screenshot"))) return 1;
    if (values_.contains("chart") && !WriteBatchChart(*Query(), *Report(), values_, errors)) return 1;
    if (printSheet_) {
        StatusLine(QStringLiteral("budget-host: the sheet prints on %1 page(s)").arg(Report()->PageCount()));
        ReadAllRows();
        if (const authpay::Outcome written = WriteSheetCells(Report()->ResultRows()); !written.Ok()) {
            errors << written.message;
            return 1;
        }
    }
    if (values_.contains("format")) {
        const qsizetype before = errors.size();
        WriteFormatted();
        if (errors.size() > before) return 1;
    }
    return 0;
}
