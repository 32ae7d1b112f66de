#include "BatchDriver.h"

#include "BatchChart.h"
#include "HostOutput.h"
#include "PickerDriver.h"
#include "PictureFile.h"
#include "SheetStream.h"

#include "data/SqlQuote.h"
#include "report/SafeText.h"
#include "report/ReportLayout.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QInputDialog>
#include <QMenu>
#include <QLineEdit>
#include <QMessageBox>
#include <algorithm>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The terminal's width when stdout is one (else $COLUMNS, else 0: no terminal).
int TerminalColumns() {
    winsize size{};
    if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return qEnvironmentVariableIntValue("COLUMNS");
}

// The sheet's file and when it was last written: a file renamed into place is a new inode.
struct FileStamp {
    bool exists = false;
    ino_t inode = 0;
    timespec modified{};
    static FileStamp Of(const QString &path) {
        struct stat st{};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
        return {true, st.st_ino, st.st_mtim};
    }
    bool operator==(const FileStamp &o) const {
        return exists == o.exists && inode == o.inode && modified.tv_sec == o.modified.tv_sec
               && modified.tv_nsec == o.modified.tv_nsec;
    }
};

// The name an export is written under: a name without a known extension gets ".xls", the type
// the save dialog offers first.
QString WrittenExportName(const QString &path) {
    static const QStringList known = {QStringLiteral("xls"), QStringLiteral("xlsx"), QStringLiteral("csv")};
    return known.contains(QFileInfo(path).suffix().toLower()) ? path : path + QStringLiteral(".xls");
}
}  // namespace

BatchDriver::BatchDriver(QWidget *window, const QStringList &options) : window_(window) {
    clock_.start();
    for (int i = 0; i < options.size(); ++i) {
        const QString name = options[i].mid(2);
        if (name == QLatin1String("print-sheet")) printSheet_ = true;
        else if (name == QLatin1String("subtotals")) subtotals_ = true;
        else if (name == QLatin1String("fit-width")) fitWidth_ = true;
        else if (i + 1 < options.size()) values_.insert(name, options[++i]);
    }
    watcher_.setInterval(10);
    QObject::connect(&watcher_, &QTimer::timeout, [this] { AnswerModal(); });
    watcher_.start();
}

BatchDriver::~BatchDriver() { watcher_.stop(); }

// Past the time --timeout gives, whatever runs is cancelled as a user would cancel it: the
// Refresh's (or the drill-down's read's) "取消" button, or the cancel button of a long output's
// progress dialog.
void BatchDriver::CheckDeadline() {
    if (deadline_ <= 0 || clock_.elapsed() < deadline_ || timedOut_ || !window_) return;
    bool busy = false;
    QMetaObject::invokeMethod(window_, "Busy", Q_RETURN_ARG(bool, busy));
    QAbstractButton *cancel = nullptr;
    for (const char *name : {"btnCancelRun", "btnCancelRead"})
        if (busy && !cancel) cancel = window_->findChild<QAbstractButton *>(QLatin1String(name));
    for (QWidget *w : QApplication::topLevelWidgets())
        if (!cancel && w->isVisible() && w->objectName() == QLatin1String("authpayProgress"))
            cancel = w->findChild<QAbstractButton *>(QStringLiteral("btnProgressCancel"));
    if (!cancel) return;
    timedOut_ = true;
    StatusLine(QStringLiteral("budget-host: --timeout: still running after %1 s; cancelled").arg(Value("timeout")));
    cancel->click();
}

// Lets the window work until its Refresh (or the drill-down's read) has ended, or the window has
// gone; false when it was cancelled. Between events the host sleeps (the watcher's timer wakes it
// at least every 10 ms), leaving the cores to the statement's thread and the database.
bool BatchDriver::WaitIdle() {
    for (bool busy = true; busy && window_;) {
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (window_) QMetaObject::invokeMethod(window_, "Busy", Q_RETURN_ARG(bool, busy));
    }
    return !timedOut_;
}

// A modal box of the window is up: report a message and press OK; answer the save dialog.
void BatchDriver::AnswerModal() {
    CheckDeadline();
    QWidget *modal = QApplication::activeModalWidget();
    if (!pickOption_.isEmpty() && modal && modal->isVisible()
        && (modal->objectName() == QLatin1String("gfrmSelectElement") || modal->objectName() == QLatin1String("gfmDataTree"))) {
        DriveTicker(modal);
        return;
    }
    if (modal && modal->isVisible() && modal->inherits("TSheetPreviewDialog")) {
        SavePreviewPicture(static_cast<QDialog *>(modal));
        return;
    }
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        // The save dialog asks whether to replace a file that exists: the run names the file it
        // writes, so yes (the workbook is written aside and then renamed over the old one).
        QAbstractButton *yes = box->button(QMessageBox::Yes);
        if (yes && qobject_cast<QFileDialog *>(box->parentWidget())) {
            yes->click();
            return;
        }
        // --save-preset names the set it writes: a saved set of that name is replaced.
        if (yes && savingPreset_ && box->objectName() == QLatin1String("authpayQuestion")) {
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
    } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        // Still up after it was answered: it refused the name (a folder that does not exist, a
        // name too long). Nothing can be saved there.
        if (saveAnswer_.isEmpty() || answeredDialog_ == dialog) {
            saveRefused_ = answeredDialog_ == dialog;
            answeredDialog_ = nullptr;
            dialog->reject();
            return;
        }
        // The file type whose extension the name has is chosen in the dialog too, as a user would.
        const QString suffix = QStringLiteral("*.") + QFileInfo(saveAnswer_).suffix().toLower();
        for (const QString &filter : dialog->nameFilters())
            if (!QFileInfo(saveAnswer_).suffix().isEmpty() && filter.endsWith(QLatin1Char('(') + suffix + QLatin1Char(')')))
                dialog->selectNameFilter(filter);
        dialog->selectFile(saveAnswer_);
        // selectFile leaves the name box alone while it has the focus, and whether it has it yet
        // depends on when this watcher runs: the name goes into the box itself.
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) name->setText(saveAnswer_);
        answeredDialog_ = dialog;
        // Accepted from the event loop, not from inside this watcher: the dialog may ask a
        // question of its own (replace the file?), which the watcher must be free to answer.
        QMetaObject::invokeMethod(dialog, [dialog] { static_cast<QDialog *>(dialog)->accept(); }, Qt::QueuedConnection);
    }
}

bool BatchDriver::Activate(QComboBox *box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);  // the same signal a user's choice sends
    return true;
}

static QString Entries(const QComboBox *box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items.join(QStringLiteral(", "));
}

bool BatchDriver::ChooseText(const QString &boxName, const QString &text, const QString &option) {
    auto *box = window_->findChild<QComboBox *>(boxName);
    const int index = box ? box->findText(text) : -1;
    if (index < 0) {
        errors << QStringLiteral("--%1: no entry \"%2\"; valid: %3").arg(option, text, box ? Entries(box) : QString());
        return false;
    }
    return Activate(box, index);
}

bool BatchDriver::ChooseIndex(const QString &boxName, const QString &position, const QString &option) {
    auto *box = window_->findChild<QComboBox *>(boxName);
    bool ok = false;
    const int index = position.toInt(&ok);
    if (!box || !ok || index < 0 || index >= box->count()) {
        errors << QStringLiteral("--%1: no position %2; valid: 0 to %3 (%4)")
                      .arg(option, position)
                      .arg(box ? box->count() - 1 : -1)
                      .arg(box ? Entries(box) : QString());
        return false;
    }
    return Activate(box, index);
}

bool BatchDriver::ChooseGroups(const QString &captions) {
    const QStringList list = captions.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (list.size() > 6) {
        errors << QStringLiteral("--group: at most six dimensions");
        return false;
    }
    for (int k = 0; k < list.size(); ++k)
        if (!ChooseText(QStringLiteral("cmbNum%1").arg(k + 1), list[k].trimmed(), QStringLiteral("group"))) return false;
    return true;
}

// Types the code into the unit box and leaves it, which validates it.
bool BatchDriver::TypeUnitCode(const QString &code) {
    auto *edit = window_->findChild<QLineEdit *>(QStringLiteral("edtEid"));
    const qsizetype before = messages.size();
    edit->setText(code);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &out);
    QApplication::processEvents();
    if (messages.size() > before) {
        errors << messages.last();
        return false;
    }
    return true;
}

// Fills a code box as a picker would: the codes joined by "," and the quoted list as its hint.
void BatchDriver::FillCodeBox(const QString &boxName, const QString &codes) {
    auto *edit = window_->findChild<QLineEdit *>(boxName);
    QStringList list;
    for (const QString &c : codes.split(QLatin1Char(','), Qt::SkipEmptyParts)) list << c.trimmed();
    edit->setText(list.join(QLatin1Char(',')));
    edit->setProperty("Hint", QuotedList(list));
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

static void DoubleClick(QWidget *target, QPoint pos) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, pos, target->mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

// Double-clicks the box and lets the watcher drive the picker it opens; then checks that the box
// holds exactly the codes asked for.
bool BatchDriver::PickInto(const QString &option, const QString &boxName, bool unitList) {
    pickCodes_.clear();
    for (const QString &c : Value(option).split(QLatin1Char(','), Qt::SkipEmptyParts)) pickCodes_ << c.trimmed();
    if (boxName == QLatin1String("edtEid")) {
        auto *check = window_->findChild<QCheckBox *>(QStringLiteral("chbEidType"));
        if (check->isChecked() != unitList) check->click();
    }
    auto *edit = window_->findChild<QLineEdit *>(boxName);
    pickOption_ = option;
    pickError_.clear();
    DoubleClick(edit, edit->rect().center());
    if (!pickOption_.isEmpty()) {
        pickOption_.clear();
        errors << QStringLiteral("--%1: the picker did not open").arg(option);
        return false;
    }
    if (!pickError_.isEmpty()) {
        errors << pickError_;
        return false;
    }
    if (edit->text() != pickCodes_.join(QLatin1Char(','))) {
        errors << QStringLiteral("--%1: the box holds \"%2\" after picking").arg(option, edit->text());
        return false;
    }
    return true;
}

// A saved set chosen from the window's "调用查询方案" menu, as a user would.
bool BatchDriver::RecallPreset(const QString &name) {
    auto *menu = window_->findChild<QMenu *>(QStringLiteral("mnuPreset"));
    auto *recall = window_->findChild<QMenu *>(QStringLiteral("mnuPresetRecall"));
    emit menu->aboutToShow();  // the menu lists the sets when it opens
    QStringList names;
    QString listed;  // the menu's own word when it lists no set (none, or why the file is unusable)
    for (QAction *a : recall->actions()) {
        if (a->objectName() == name) {
            a->trigger();
            QApplication::processEvents();
            return true;
        }
        if (!a->objectName().isEmpty()) names << a->objectName();
        else if (a->isVisible()) listed = a->text();
    }
    // Names are the user's own: a line feed in one must not start a line of its own on stderr.
    for (QString &n : names) n = EscapeSeparators(n);
    errors << QStringLiteral("--preset: no saved set \"%1\"; saved: %2")
                  .arg(EscapeSeparators(name), names.isEmpty() ? listed : names.join(", "));
    return false;
}

// "保存查询方案..." with the name typed into its question.
bool BatchDriver::SavePreset(const QString &name) {
    const qsizetype before = messages.size();
    presetAnswer_ = name;
    savingPreset_ = true;
    QAction *save = Control<QAction>("actPresetSave");
    if (save) save->trigger();
    savingPreset_ = false;
    if (!save) return false;
    presetAnswer_.clear();
    QApplication::processEvents();
    if (messages.size() > before && messages.last() == QStringLiteral("查询方案“%1”已保存。").arg(name.trimmed())) return true;
    errors << QStringLiteral("--save-preset: the set \"%1\" was not saved").arg(EscapeSeparators(name));
    return false;
}

// --compare-year N: N among the years the window lists, once it has read them.
bool BatchDriver::ChooseCompareYear(const QString &year) {
    // The box reads its years when a user first goes to it.
    if (auto *box = window_ ? window_->findChild<QComboBox *>(QStringLiteral("cobCompareYear")) : nullptr) {
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(box, &in);
    }
    for (bool pending = true; pending && window_;) {
        QMetaObject::invokeMethod(window_, "CompareYearsPending", Q_RETURN_ARG(bool, pending));
        if (pending) QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return window_ && ChooseText(QStringLiteral("cobCompareYear"), year, QStringLiteral("compare-year"));
}

bool BatchDriver::Apply() {
    if (values_.contains("preset") && !RecallPreset(Value("preset"))) return false;
    if (values_.contains("compare-year") && !ChooseCompareYear(Value("compare-year"))) return false;
    struct Choice { const char *option, *box; bool byIndex; };
    static const Choice choices[] = {
        {"type", "cobType", true}, {"subtype", "cobTypeChild", true}, {"secret", "cobSecret", true},
        {"fund", "cobMid", false}, {"pay", "cobPid", false}, {"exp", "cobIPid", false}, {"level", "cobClass", false},
    };
    if (values_.contains("group") && !ChooseGroups(Value("group"))) return false;
    if (subtotals_) {
        auto *check = window_->findChild<QCheckBox *>(QStringLiteral("chbSubtotal"));
        if (!check->isChecked()) check->click();
    }
    for (const Choice &c : choices) {
        const QString option = QString::fromLatin1(c.option);
        if (!values_.contains(option)) continue;
        const QString box = QString::fromLatin1(c.box);
        if (!(c.byIndex ? ChooseIndex(box, Value(option), option) : ChooseText(box, Value(option), option))) return false;
    }
    if (values_.contains("eid") && !TypeUnitCode(Value("eid"))) return false;
    if (values_.contains("eid-list")) {
        auto *check = window_->findChild<QCheckBox *>(QStringLiteral("chbEidType"));
        if (!check->isChecked()) check->click();
        FillCodeBox(QStringLiteral("edtEid"), Value("eid-list"));
    }
    if (values_.contains("bid")) FillCodeBox(QStringLiteral("edtBid"), Value("bid"));
    if (values_.contains("iid")) FillCodeBox(QStringLiteral("edtIid"), Value("iid"));
    const struct { const char *option, *box; bool list; } picks[] = {
        {"pick-unit", "edtEid", false}, {"pick-eid", "edtEid", true}, {"pick-bid", "edtBid", true},
        {"pick-iid", "edtIid", true}};
    for (const auto &p : picks)
        if (values_.contains(QLatin1String(p.option))
            && !PickInto(QLatin1String(p.option), QLatin1String(p.box), p.list && QLatin1String(p.box) == QLatin1String("edtEid")))
            return false;
    return !values_.contains("save-preset") || SavePreset(Value("save-preset"));
}

bool BatchDriver::Export(const QString &file) {
    const QString path = QFileInfo(file).absoluteFilePath();
    const QString writtenName = WrittenExportName(path);
    // A file already there stays as it is unless the export succeeds: success is told by the
    // window's message and a file that is new since the click.
    const FileStamp before = FileStamp::Of(writtenName);
    saveAnswer_ = path;
    answeredDialog_ = nullptr;
    saveRefused_ = false;
    const qsizetype messagesBefore = messages.size();
    auto *excel = Control<QAbstractButton>("tbtnExcel");
    if (!excel) return false;
    excel->click();
    saveAnswer_.clear();
    answeredDialog_ = nullptr;
    const QFileInfo written(writtenName);
    const bool ok = !saveRefused_ && messages.size() > messagesBefore
                    && messages.last() == QStringLiteral("数据导出成功。") && written.size() > 0
                    && !(FileStamp::Of(writtenName) == before);
    if (saveRefused_) errors << QStringLiteral("export to %1 failed: the save dialog refused the name").arg(file);
    else if (!ok) errors << QStringLiteral("export to %1 failed").arg(file);
    else if (writtenName != path) StatusLine(QStringLiteral("budget-host: exported to %1").arg(writtenName));
    return ok;
}

// The PDF is written beside its name and renamed over it when complete: a print that fails (the
// window says why) leaves an old file as it was.
bool BatchDriver::PrintPdf(const QString &file) {
    const QString path = QFileInfo(file).absoluteFilePath();
    const FileStamp before = FileStamp::Of(path);
    const qsizetype messagesBefore = messages.size();
    auto *print = Control<QAbstractButton>("tbnPrint");
    if (!print) return false;
    QMetaObject::invokeMethod(window_, "SetPrintFile", Q_ARG(QString, path));
    print->click();
    QMetaObject::invokeMethod(window_, "SetPrintFile", Q_ARG(QString, QString()));
    if (messages.size() == messagesBefore && QFileInfo(path).size() > 0 && !(FileStamp::Of(path) == before))
        return true;
    errors << (messages.size() > messagesBefore ? QStringLiteral("printing to %1 failed: %2").arg(file, messages.last())
                                                : QStringLiteral("printing to %1 failed").arg(file));
    return false;
}

// --preview-screenshot: the preview opened with the window's own button, as the user sees it
// first; the watcher saves its picture and closes it.
bool BatchDriver::PreviewPicture(const QString &file) {
    previewPicture_ = QFileInfo(file).absoluteFilePath();
    previewError_.clear();
    previewSaved_ = false;
    auto *preview = Control<QAbstractButton>("tbnPrintView");
    if (!preview) return false;
    preview->click();
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
    previewSaved_ = SavePicture(preview->grab(), previewPicture_, &previewError_);
    previewPicture_.clear();
    preview->reject();
}

// A drill-down reads its remaining pages before its sheet is read for an output or its summary;
// a page it cannot read it says in a message box.
void BatchDriver::ReadAllRows() const {
    if (window_->metaObject()->indexOfMethod("FetchAll()") < 0) return;
    bool whole = false;
    QMetaObject::invokeMethod(window_, "FetchAll", Q_RETURN_ARG(bool, whole));
}

// The window's control of that name, or null with the reason in errors: a window built without
// it fails the run instead of crashing the host.
template <typename T> T *BatchDriver::Control(const char *name) {
    T *control = window_ ? window_->findChild<T *>(QLatin1String(name)) : nullptr;
    if (!control) errors << QStringLiteral("budget-host: the window has no control \"%1\"").arg(QLatin1String(name));
    return control;
}

// The report sheet of the window the outputs come from.
QWidget *BatchDriver::Sheet() const { return window_->findChild<QWidget *>(QStringLiteral("cllBudget")); }

// Its rows as the window hands them to hosts; null (and said) when the window has no such sheet.
const authpay::IResultSheet *BatchDriver::SheetRows() {
    QWidget *sheet = window_ ? Sheet() : nullptr;
    const auto *rows = sheet ? qobject_cast<authpay::IResultSheet *>(sheet) : nullptr;
    if (!rows) errors << QStringLiteral("budget-host: the window has no report sheet to read");
    return rows;
}

// Double-clicks result row N of the sheet (subtotal rows not counted) and makes the drill-down
// window that opens the one the outputs come from.
bool BatchDriver::Drill(int n) {
    const authpay::IResultSheet *rows = SheetRows();
    if (!rows) return false;
    const std::vector<authpay::RowKind> kinds = rows->RowKinds();
    int row = 0, results = 0;
    for (size_t i = 0; i < kinds.size() && row == 0; ++i)
        if (kinds[i] == authpay::RowKind::Result && ++results == n) row = int(i) + 1;
    if (row == 0) {
        errors << QStringLiteral("--drill: no result row %1 (the report has %2)").arg(n).arg(results);
        return false;
    }
    QRect cell;
    QMetaObject::invokeMethod(window_, "ShowSheetCell", Q_RETURN_ARG(QRect, cell), Q_ARG(int, 2), Q_ARG(int, row));
    auto *view = Sheet()->findChild<QAbstractScrollArea *>();
    if (!view) {
        errors << QStringLiteral("--drill: the report sheet has no view to double-click");
        return false;
    }
    const QList<QWidget *> before = QApplication::allWidgets();
    const qsizetype messagesBefore = messages.size();
    DoubleClick(view->viewport(), cell.center());
    QApplication::processEvents();
    QWidget *summary = window_;
    for (QWidget *w : QApplication::allWidgets())
        if (qstrcmp(w->metaObject()->className(), "TbfrmApportionDetail") == 0 && !before.contains(w)) window_ = w;
    // The drill-down reads its first page while it is shown; a page it cannot read it says and closes.
    if (window_ != summary && !WaitIdle()) {
        errors << QStringLiteral("--timeout: the drill-down ran past %1 s and was cancelled").arg(Value("timeout"));
        return false;
    }
    if (window_ != summary && window_ && messages.size() == messagesBefore) {
        StatusLine(QStringLiteral("budget-host: drill-down on result row %1 (sheet row %2)").arg(n).arg(row));
        return true;
    }
    window_ = summary;
    errors << (messages.size() > messagesBefore ? messages.last()
                                                : QStringLiteral("--drill: result row %1 opened no drill-down").arg(n));
    return false;
}

// Says on stderr what the Refresh (or the drill-down) produced: the number of result rows above
// the totals row and the total, the totals row's last used cell, as the sheet marks its rows.
// Only the rows' kinds and that cell are read, not a copy of every cell.
void BatchDriver::ReportSummary(const char *what) {
    ReadAllRows();
    const authpay::IResultSheet *rows = SheetRows();
    if (!rows) return;
    const std::vector<authpay::RowKind> kinds = rows->RowKinds();
    const int usedColumns = rows->UsedColumns();
    qsizetype totalsAt = usedColumns > 0 ? qsizetype(kinds.size()) - 1 : -1;
    while (totalsAt >= 0 && kinds[size_t(totalsAt)] != authpay::RowKind::Totals) --totalsAt;
    if (totalsAt < 0) {
        StatusLine(QStringLiteral("budget-host: %1: no rows").arg(QLatin1String(what)));
        return;
    }
    const auto results = std::count(kinds.begin(), kinds.begin() + totalsAt, authpay::RowKind::Result);
    // The query window's amount column is 14; with a compared year the compared columns follow it.
    const int totalColumn = qstrcmp(what, "drill-down") == 0 ? usedColumns : std::min(usedColumns, ReportLayout::kAmountColumn);
    const QList<authpay::SheetRow> totals = rows->Rows(int(totalsAt) + 1, 1, totalColumn);
    const QString total = totals.isEmpty() ? QString() : totals.first().texts.value(totalColumn - 1);
    StatusLine(QStringLiteral("budget-host: %1: %2 rows, total %3").arg(QLatin1String(what)).arg(results).arg(total));
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
    QString error;
    const int maxRows = values_.contains("max-rows") ? Value("max-rows").toInt() : 40;
    const authpay::IResultSheet *rows = SheetRows();
    if (rows && !WriteSheetReport(*rows, forms.value(Value("format")), maxRows, TerminalColumns(), &error)) errors << error;
}

int BatchDriver::Run() {
    if (!CheckFormat() || !Apply()) return 1;
    auto *refresh = Control<QAbstractButton>("tbtnRefresh");
    if (!refresh || !Control<QWidget>("cllBudget")) return 1;
    const qsizetype before = messages.size();
    refresh->click();
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
        QString changed;  // the drill-down's word when its total is no longer the figure it was opened on
        QMetaObject::invokeMethod(window_, "DataChangeNote", Q_RETURN_ARG(QString, changed));
        if (!changed.isEmpty()) StatusLine(QStringLiteral("budget-host: drill-down: ") + changed);
    }
    // The window's (or drill-down's) report sheet prints fitted to the page width, as the
    // preview's "适合页宽" makes it print.
    if (fitWidth_) Sheet()->setProperty("FitToWidth", true);
    if (values_.contains("export") && !Export(Value("export"))) return 1;
    if (values_.contains("pdf") && !PrintPdf(Value("pdf"))) return 1;
    if (values_.contains("preview-screenshot") && !PreviewPicture(Value("preview-screenshot"))) return 1;
    if (values_.contains("chart") && !WriteBatchChart(window_, values_, errors)) return 1;
    if (printSheet_) {
        int pages = 0;
        QMetaObject::invokeMethod(Sheet(), "SheetPageCount", Q_RETURN_ARG(int, pages));
        StatusLine(QStringLiteral("budget-host: the sheet prints on %1 page(s)").arg(pages));
        QString error;
        ReadAllRows();
        const authpay::IResultSheet *rows = SheetRows();
        if (!rows) return 1;
        if (!WriteSheetCells(*rows, &error)) {
            errors << error;
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
