#include "query/ApportionDetail.h"
#include "platform/OwnedTimer.h"

#include "authpay/UserContext.h"
#include "frame/ModuleGlobals.h"
#include "frame/UserContextOps.h"
#include "query/DrillRun.h"
#include "query/QueryDimensions.h"
#include "query/ReportOutput.h"
#include "query/ResultRows.h"
#include "query/SheetCommands.h"
#include "query/ToolButtons.h"
#include "report/AmountText.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"
#include "report/ReportLayout.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

const TClassInfo TbfrmApportionDetail::ClassInfo{"TbfrmApportionDetail", &TfrmBsCld::ClassInfo,
                                                 &ConstructComponent<TbfrmApportionDetail>};

namespace {
// How long one slice of writing rows may hold the user-interface thread, in milliseconds.
constexpr int kFillSliceMs = 20;
const QString kTemplateName = QStringLiteral("查询_支付范围汇总组合查询明细表cll5.cll");
// The sheet is no wider than the window shows beside its vertical scroll bar, in a host of
// 1,024 pixels: the name columns give way (their names wrap), so the amounts stay in view.
constexpr int kSheetWidth = 940;
const std::vector<int> kNameColumns{3, 5, 7, 8, 9, 10};
constexpr int kNameColumnMinimum = 64;
// The heading rows stay in place while the rows scroll, with the running number, unit code and
// unit name when the sheet is wider than the window.
constexpr int kFrozenColumns = 3;

// "预算单位：001001 财政局　资金性质：一般公共预算": the group a drill-down shows; the dimensions
// the summary shows by name only are named here by name only too.
QString GroupText(const QStringList &dimensions, const QStringList &values) {
    QStringList parts;
    for (qsizetype j = 0; 2 * j + 1 < values.size() && j < dimensions.size(); ++j) {
        const QString &code = values[2 * j], &name = values[2 * j + 1];
        const QString shown = IsNameOnlyDimension(dimensions[j]) ? name : (code + QLatin1Char(' ') + name).trimmed();
        parts << dimensions[j] + QStringLiteral("：") + shown;
    }
    return parts.isEmpty() ? QStringLiteral("全部") : parts.join(QChar(0x3000));
}

// The first code that cannot be matched in a condition, or a null text: bytes that were no valid
// text in the database were read as U+FFFD, and that character matches none of the rows.
QString UnmatchableCode(const QStringList &codes) {
    for (const QString &code : codes)
        if (code.contains(QChar(QChar::ReplacementCharacter))) return code;
    return QString();
}

// The drill-down's total against the figure it was opened on: they differ when budget rows were
// written or removed after the summary was run.
QString ChangeNote(double total, const TDrillRequest &request) {
    if (request.Figure.isEmpty() || ReportAmountCents(total) == request.FigureCents) return {};
    return QStringLiteral("数据在汇总后有变动：明细合计 %1，汇总数 %2").arg(ReportAmountText(total), request.Figure);
}
}  // namespace

// "明细 - 001001 市教育局机关": the window's title names its group as the summary's row reads (names
// only for the dimensions shown by name); a subtotal's group ends in "小计", the totals row is
// "合计". Control and direction characters from the data become blanks; a long title is cut.
QString DrillTitle(const QStringList &dimensions, const QStringList &values) {
    QStringList parts;
    for (qsizetype j = 0; 2 * j + 1 < values.size() && j < dimensions.size(); ++j)
        parts << (IsNameOnlyDimension(dimensions[j]) ? values[2 * j + 1] : values[2 * j] + QLatin1Char(' ') + values[2 * j + 1])
                     .trimmed();
    QString group = parts.isEmpty() ? QStringLiteral("合计") : parts.join(QStringLiteral(" / "));
    if (!parts.isEmpty() && parts.size() < dimensions.size()) group += QStringLiteral(" 小计");
    for (QChar &c : group)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    group = group.simplified();
    constexpr qsizetype kMaxTitle = 60;
    if (group.size() > kMaxTitle) {
        group.truncate(group[kMaxTitle - 2].isHighSurrogate() ? kMaxTitle - 2 : kMaxTitle - 1);
        group += QChar(0x2026);
    }
    return QStringLiteral("明细 - ") + group;
}

TbfrmApportionDetail::TbfrmApportionDetail(const TComponentOwner &owner) : TfrmBsCld(owner) {
    setWindowTitle(QStringLiteral("明细"));
    SetBounds(0, 0, 1060, 613);
    BuildCommands();
    cllBudget = new TReportSheet(this);
    cllBudget->setObjectName(QStringLiteral("cllBudget"));
    ClientLayout()->addWidget(cllBudget, 1);
    // Find in the rows, and the sheet's context menu: copy, export.
    auto *excel = new QAction(QStringLiteral("导出Excel..."), this);
    connect(excel, &QAction::triggered, this, [this] { RunHandler([this] { tbtnExcelClick(); }); });
    AddSheetCommands(this, mitemDataVind, cllBudget, ReportLayout::kFirstDataRow, {excel});
    BuildReadControls();
    QScrollBar *bar = cllBudget->View()->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this] { FetchWhenNearEnd(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this] { FetchWhenNearEnd(); });
    // Several drill-downs stay in view: each opens in its own size, right of and below the last.
    WindowState = wsNormal;
    OpensCascaded = true;
}

void TbfrmApportionDetail::BuildCommands() {
    const TReportActions run{[this] { RunHandler([this] { tbtnExcelClick(); }); },
                             [this] { RunHandler([this] { btnPrintViewClick(); }); },
                             [this] { RunHandler([this] { tbnPrintClick(); }); }, [this] { RunHandler([this] { tbnExitClick(); }); }};
    const TReportButtons b = AddReportButtons(tblChildMain, run);
    tbtnExcel = b.excel;
    tbnPrintView = b.preview;
    tbnPrint = b.print;
    tbnExit = b.exit;
    const TReportMenuEntries m = AddReportMenuEntries(mitemOption, mitemDataVind, this, run);
    N8 = m.exit;
    N4 = m.print;
    N5 = m.preview;
    Excel1 = m.excel;
}

// Every message of the drill-down reports a failure (warning icon) but the export's success.
void TbfrmApportionDetail::ShowOutput(const authpay::Outcome &outcome) {
    if (!ShowsMessage(outcome)) return;
    lastMessage_ = outcome.message;
    ShowOutcome(this, outcome);
}

void TbfrmApportionDetail::Message(const QString &text) {
    lastMessage_ = text;
    ShowQueryMessage(this, text, TMessageKind::Failure);
}

bool TbfrmApportionDetail::Load(const TDrillRequest &request) {
    request_ = request;
    codes_.clear();
    for (qsizetype i = 0; i < request.Values.size(); i += 2) codes_ << request.Values[i];
    if (const QString unmatched = UnmatchableCode(codes_); !unmatched.isNull()) {
        lastMessage_ = QStringLiteral("无法查看明细：代码“%1”含有数据库中无法识别的字符（不是有效的文字），"
                                      "无法找出汇总这一金额的数据行。").arg(unmatched);
        return false;
    }
    const TUserContext *ctx = authpay::UserContext;
    const QString templateFile = GetSysParamValue(ctx ? ctx->SysParams : nullptr, 11) + kTemplateName;
    if (const authpay::Outcome opened = cllBudget->OpenTemplate(templateFile); !opened.Ok()) {
        lastMessage_ = QStringLiteral("报表模板“%1”无法打开：%2").arg(templateFile, opened.message);
        return false;
    }
    setWindowTitle(DrillTitle(request.Base.Dimensions, request.Values));
    cllBudget->SetWorkbookReadonly(true);
    WriteHeading();
    writer_ = std::make_unique<TResultRowWriter>(cllBudget);
    lastId_.clear();
    changeNote_.clear();
    complete_ = overflow_ = false;
    return StartRead(TReadKind::FirstPage);
}

void TbfrmApportionDetail::WriteHeading() {
    cllBudget->SheetSetText(ReportLayout::kNumberColumn, ReportLayout::kUnitRow, 0, QStringLiteral("明细：") + GroupText(request_.Base.Dimensions, request_.Values)
                                         + QStringLiteral("　金额：") + request_.Figure);
    cllBudget->SheetSetText(ReportLayout::kNumberColumn, ReportLayout::kDateRow, 0, QStringLiteral("出表日期:") + GetTodayText());
    cllBudget->SheetSetText(ReportLayout::kAmountColumn, ReportLayout::kDateRow, 0, QStringLiteral("单位:元"));
    NarrowColumnsTo(cllBudget, kNameColumns, kSheetWidth, kNameColumnMinimum);
    // The group's line wraps within its merge: the row grows to show all of it.
    cllBudget->SheetRowHeight(1, cllBudget->SheetPreferredRowHeight(ReportLayout::kUnitRow), ReportLayout::kUnitRow, 0);
    // Frozen down to the column captions: the rows every printed page repeats.
    cllBudget->SheetFreeze(kFrozenColumns, cllBudget->Model().Page().repeatLastRow);
}

// The rows a read brought, written a slice at a time, at most as many as the sheet still takes;
// a row beyond that marks the overflow.
void TbfrmApportionDetail::FillSome() {
    if (readState_ != TReadState::Filling) return;
    const size_t end = std::min(readRows_->Size(), size_t(std::max(0, room_)));
    QElapsedTimer clock;
    clock.start();
    while (fillNext_ < end) {
        const QStringList values = readRows_->Values(fillNext_);
        writer_->AddRow(values, readRows_->Amount(fillNext_));
        lastId_ = values.last();
        // The rows written are not read again: their block goes, so the rows are not held twice.
        readRows_->Release(fillNext_ + 1);
        // The clock is read every few rows: reading it costs more than writing a short row.
        if ((++fillNext_ & 63) == 0 && fillNext_ < end && clock.elapsed() >= kFillSliceMs) {
            // A timer, not a posted call, so that waiting input and timers go between slices.
            OwnedSingleShot(this, 1, Qt::PreciseTimer, [this] { FillSome(); });
            return;
        }
    }
    PageWritten();
}

// The rows written are ruled; the totals row follows the last page. A group larger than the sheet
// can hold is read up to the sheet's limit and no further: the rows beyond would be lost, and the
// totals row would not be the figure's.
void TbfrmApportionDetail::PageWritten() {
    const int read = int(readRows_->Size());
    if (std::min(read, room_) > 0)
        cllBudget->SheetGridLines(ReportLayout::kNumberColumn, fillFirstRow_, ReportLayout::kLastColumn, cllBudget->SheetRowCount(0) - 1, 0, 2, -1);
    if (read > room_) {
        overflow_ = true;
        lastMessage_ = QStringLiteral("明细超出报表能容纳的行数：只读出了前 %1 行，无法完整预览、打印或导出。"
                                      "请缩小查询条件后再查看明细。").arg(QLocale().toString(FetchedRows()));
        return EndRead(TReadEnd::Failed);
    }
    if (read < asked_) {
        complete_ = true;
        writer_->AddTotals();
        changeNote_ = ChangeNote(writer_->Total(), request_);
    }
    EndRead(TReadEnd::Done);
}

int TbfrmApportionDetail::FetchedRows() const { return writer_ ? writer_->Rows() : 0; }

void TbfrmApportionDetail::SetPageRows(int rows) { pageRows_ = std::max(1, rows); }

void TbfrmApportionDetail::SetRowLimit(int rows) { rowLimit_ = std::clamp(rows, 1, kDrillRowLimit); }

// More rows once the user scrolls to within two screens of the last row read; after a cancel, not
// before the user has scrolled again.
void TbfrmApportionDetail::FetchWhenNearEnd() {
    if (complete_ || overflow_ || !writer_ || Busy()) return;
    if (heldAt_ >= 0) {
        if (cllBudget->View()->verticalScrollBar()->value() == heldAt_) return;
        heldAt_ = -1;
    }
    if (!NearEnd()) return;
    readScheduled_ = true;
    OwnedSingleShot(this, 0, [this] {
        if (!std::exchange(readScheduled_, false) || Busy() || complete_ || !NearEnd()) return;
        if (!StartRead(TReadKind::NextPage)) Message(lastMessage_);
    });
}

bool TbfrmApportionDetail::NearEnd() const {
    const QScrollBar *bar = cllBudget->View()->verticalScrollBar();
    return bar->value() >= bar->maximum() - 2 * bar->pageStep();
}

// How many rows are shown and whether more follow; once all are read, a total that is not the
// figure's is said here too, in red.
void TbfrmApportionDetail::ShowRowCount() {
    const QString count = QLocale().toString(FetchedRows());
    QString text = complete_   ? QStringLiteral("共 %1 行").arg(count)
                   : overflow_ ? QStringLiteral("已读出 %1 行：明细超出报表能容纳的行数，其余的行未读出").arg(count)
                               : QStringLiteral("已读出 %1 行，向下滚动读出其余的行").arg(count);
    if (!changeNote_.isEmpty()) text += QChar(0x3000) + changeNote_;
    lblRows->setStyleSheet(changeNote_.isEmpty() ? QString() : QStringLiteral("color: #b00000;"));
    lblRows->setText(text);
}

void TbfrmApportionDetail::btnPrintViewClick() {
    if (!FetchAll()) return;
    ShowOutput(PreviewReport(cllBudget));
}

void TbfrmApportionDetail::tbnPrintClick() {
    if (!FetchAll()) return;
    ShowOutput(PrintReport(cllBudget));
}

// The rows still unread are read once the file is chosen, not before the dialog.
void TbfrmApportionDetail::tbtnExcelClick() {
    const int year = authpay::UserContext ? authpay::UserContext->DataYear : 0;
    const QString suggested = QString::number(year) + QStringLiteral("年范围划分建议表组合查询明细");
    ShowOutput(ExportReport(cllBudget, this, suggested, [this] { return FetchAll(); }));
}

void TbfrmApportionDetail::tbnExitClick() { close(); }

QString TbfrmApportionDetail::SheetTabText() {
    FetchAll();
    return SheetUsedCellsText(cllBudget);
}

QList<QStringList> TbfrmApportionDetail::SheetCells() {
    FetchAll();
    return SheetUsedCells(cllBudget);
}

void TbfrmApportionDetail::SetPrintFile(const QString &pdfFile) { cllBudget->SetPrintFile(pdfFile); }
