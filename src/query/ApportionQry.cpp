#include "query/ApportionQry.h"

#include "authpay/UserContext.h"
#include "authpay/Exception.h"
#include "data/AdoConn.h"
#include "data/ComboFillers.h"
#include "data/DatabaseError.h"
#include "data/DefaultConn.h"
#include "data/Lookups.h"
#include "data/SqlQuote.h"
#include "dialogs/DataTree.h"
#include "dialogs/SelectElement.h"
#include "frame/ClassRegistry.h"
#include "frame/ModuleGlobals.h"
#include "frame/TextOps.h"
#include "frame/UserContextOps.h"
#include "query/CodeEdit.h"
#include "query/QueryBuild.h"
#include "query/QueryDimensions.h"
#include "query/ReportOutput.h"
#include "report/ReportSheet.h"
#include "report/ReportLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QTimer>

const TClassInfo TbfrmApportionQry::ClassInfo{"TbfrmApportionQry", &TfrmBsTrvTC::ClassInfo,
                                              &ConstructComponent<TbfrmApportionQry>};

void RegisterApportionQryClasses() { RegisterModuleClass(TbfrmApportionQry::ClassInfo); }

namespace {
const QString kTemplateName = QStringLiteral("查询_支付范围汇总组合查询表cll5.cll");
const QString kDimensions = QStringLiteral("预算单位@资金性质@支出类型@支付方式@预算科目@预算项目@");
}  // namespace

void TbfrmApportionQry::Message(const QString &text) {
    lastMessage_ = text;
    ++messagesShown_;
    ShowQueryMessage(this, text);
}

void TbfrmApportionQry::Warn(const QString &text) {
    lastMessage_ = text;
    ++messagesShown_;
    ShowQueryMessage(this, text, TMessageKind::Failure);
}

void TbfrmApportionQry::ShowOutput(const authpay::Outcome &outcome) {
    if (!ShowsMessage(outcome)) return;
    lastMessage_ = outcome.message;
    ++messagesShown_;
    ShowOutcome(this, outcome);
}

void TbfrmApportionQry::FormShow() {
    // Loaded once: restoring a minimised child shows it again, which must not reset the user's
    // choices.
    if (loaded_) return;
    loaded_ = true;
    const TUserContext *ctx = authpay::UserContext;
    const QString templateFile = GetSysParamValue(ctx ? ctx->SysParams : nullptr, 11) + kTemplateName;
    templateFile_ = templateFile;
    // Without its template the sheet has no heading: Refresh then refuses with this text. It is
    // not shown here, where the host is still waiting for the window to open.
    templateError_.clear();
    if (const authpay::Outcome opened = cllBudget->OpenTemplate(templateFile); !opened.Ok()) {
        const QString reason = opened.message;
        if (!QFileInfo::exists(templateFile))
            templateError_ = QStringLiteral("报表模板“%1”不存在，无法打开。").arg(templateFile);
        else
            templateError_ = reason.contains(templateFile)
                                 ? reason
                                 : QStringLiteral("报表模板“%1”无法打开：%2").arg(templateFile, reason);
    }
    cllBudget->SetWorkbookReadonly(true);
    FUnitCode = GetUnitValue(0);
    FUnitPrefix = FUnitCode.size() > 3 ? FUnitCode.left(FUnitCode.size() - 3) : QString();
    TellUnreachableDatabase();
    FillUnitLevels();
    FillBudgetTypeCombo(cobType, false, true);
    cobType->setCurrentIndex(0);
    FSourceView = QStringLiteral(" vwBudgetAdj ");
    FillSecretCombo(cobSecret, true);
    cobSecret->setCurrentIndex(2);
    FillFundNatureCombo(cobMid, true, 0, false, QString());
    FillExpenditureTypeCombo(cobIPid, true, 5, QString(), false);
    FillPayKindCombo(cobPid, true, 4, false);
    PlaceFilters();  // the filled lists may need wider boxes
    FDimensionList = kDimensions;
    FillDimensionCombo(cmbNum[0], FDimensionList);
    cmbNum[0]->setCurrentIndex(0);
    WriteDimensionHeader(cllBudget, ReportLayout::DimensionColumn(1), ReportLayout::kHeadingRow, cmbNum[0]->currentText());
    cmbNum[1]->setEnabled(true);
    FillDimensionCombo(cmbNum[1], RemoveText(cmbNum[0]->currentText().trimmed() + QLatin1Char('@'), FDimensionList));
    FillColumnDimensions();
}

// A database that cannot be opened (a file that is not there, a server that refuses) is told once,
// as soon as the window has opened, not first at F5; the lists then stay empty, and F5 tells it
// again. The message waits for the event loop: the host is still waiting for the window to open.
void TbfrmApportionQry::TellUnreachableDatabase() {
    QString reason;
    try {
        TAdoConn *connection = GetDefaultConn();
        if (!connection->Connected()) connection->Open();
    } catch (const Exception &e) {
        reason = e.Message;
    }
    // Only to a window someone sees: a host that runs it unseen (a scheduled report) hears the
    // reason from the Refresh.
    if (!reason.isEmpty())
        QTimer::singleShot(0, this, [this, reason] {
            if (isVisible()) Warn(reason);
        });
}

void TbfrmApportionQry::FillUnitLevels() {
    // Levels in ascending order, so that the preselected third entry is the same on every
    // database.
    const QString sql = QStringLiteral("select distinct Class  as id from pubdept where eid like ")
                        + QuotedLikePrefix(FUnitPrefix, DefaultSqlBackend()) + QStringLiteral(" order by id");
    IARQueryPtr q;
    if (!OpenDefaultQuery(sql, q) || !q.Query() || q.Query()->IsEmpty()) return;
    QStringList levels;
    try {
        for (TARQuery *r = q.Query(); !r->Eof(); r->Next()) levels << r->FieldByName(QStringLiteral("id")).AsString();
    } catch (const EDatabaseError &) {
        return;  // a list broken off is no list: the box stays as a failed query leaves it
    }
    cobClass->clear();
    cobClass->addItem(kAllEntry);
    cobClass->addItems(levels);
    cobClass->setCurrentIndex(cobClass->count() > 2 ? 2 : -1);
}

void TbfrmApportionQry::FillDimensionCombo(QComboBox *box, const QString &list) {
    box->clear();
    QString collected;
    for (QChar c : list) {
        if (c == QLatin1Char('@')) {
            box->addItem(collected);
            collected.clear();
        } else {
            collected += c;
        }
    }
    box->setCurrentIndex(-1);
}

QString TbfrmApportionQry::RemainingDimensions() const {
    QString list = FDimensionList;
    for (QComboBox *box : findChildren<QComboBox *>()) {
        if (box->property("Tag").toInt() != 0 && !box->currentText().isEmpty())
            list = RemoveText(box->currentText().trimmed() + QLatin1Char('@'), list);
    }
    return list;
}

void TbfrmApportionQry::ClearDataRows() {
    drillReady_ = false;
    ShowOrder({});
    cllBudget->SheetDeleteRows(ReportLayout::kFirstDataRow, cllBudget->SheetRowCount(0) - ReportLayout::kFirstDataRow, 0);
    // A spread heading goes with its rows: the list's heading for the groupings on screen.
    if (spread_.heading) {
        QStringList dimensions;
        for (QComboBox *box : cmbNum)
            if (box->isEnabled() && !box->currentText().isEmpty()) dimensions << box->currentText();
        const QString failed = PrepareListHeading(0, dimensions);
        if (!failed.isEmpty()) templateError_ = failed;
    }
    spread_ = {};
    SetResultConditions(std::nullopt, false);
    ChartFollowsSheet();
}

void TbfrmApportionQry::cmbNum1Change(int n) {
    QComboBox *box = cmbNum[n - 1];
    if (!box->currentText().isEmpty()) {
        WriteDimensionHeader(cllBudget, ReportLayout::DimensionColumn(n), ReportLayout::kHeadingRow, box->currentText());
        for (int i = n; i < 6; ++i) {
            cmbNum[i]->clear();
            cmbNum[i]->setEnabled(false);
        }
        if (n < 6) {
            cmbNum[n]->setEnabled(true);
            FillDimensionCombo(cmbNum[n], RemainingDimensions());
        }
        ClearDataRows();
    }
    for (int i = n; i <= 5; ++i) HideDimensionColumns(cllBudget, ReportLayout::DimensionColumn(i + 1), true);
    FillColumnDimensions();
}

void TbfrmApportionQry::WriteDimensionHeader(TReportSheet *s, int c, int r, const QString &caption) {
    if (IsNameOnlyDimension(caption)) {
        // The code column is out of sight and has no heading; nor has the name under its caption
        // (the template's own headings of box 1 would otherwise stay in those cells).
        s->SheetColumnWidth(1, 0, c, 0);
        for (auto [col, row] : {std::pair{c, r}, std::pair{c, r + 1}, std::pair{c + 1, r + 1}})
            s->SheetSetText(col, row, 0, QString());
        s->SheetMerge(c + 1, r, c + 1, r + 1);
        s->SheetSetText(c + 1, r, 0, caption);
        s->SheetColumnWidth(1, 120, c + 1, 0);
        s->SheetAlign(c + 1, r, 0, AlignCode::CentreMiddle);
        return;
    }
    s->SheetMerge(c, r, c + 1, r);
    s->SheetSetText(c, r, 0, caption);
    s->SheetAlign(c, r, 0, AlignCode::CentreMiddle);
    s->SheetSetText(c, r + 1, 0, QStringLiteral("编码"));
    s->SheetColumnWidth(1, 80, c, 0);
    s->SheetAlign(c, r + 1, 0, AlignCode::CentreMiddle);
    s->SheetSetText(c + 1, r + 1, 0, QStringLiteral("名称"));
    s->SheetColumnWidth(1, 160, c + 1, 0);
    s->SheetAlign(c + 1, r + 1, 0, AlignCode::CentreMiddle);
}

void TbfrmApportionQry::HideDimensionColumns(TReportSheet *s, int c, bool pair) {
    s->SheetColumnWidth(1, 0, c, 0);
    if (pair) s->SheetColumnWidth(1, 0, c + 1, 0);
}

void TbfrmApportionQry::cobTypeChange() {
    const bool show = cobType->currentIndex() == 1;
    cobTypeChild->setVisible(show);
    lblChild->setVisible(show);
}

void TbfrmApportionQry::cobMidChange() {
    QString code;
    authpay::Outcome ran;
    // The lists below depend on the code: a lookup that failed is not "no code".
    if (!GetFundNatureId(cobMid->currentText(), code, &ran) && !ran.Ok()) throw EDatabaseError(ran.message);
    edtBid->clear();
    if (code == QLatin1String("31")) {
        cobPid->setCurrentIndex(1);
        FillExpenditureTypeCombo(cobIPid, true, 3, QString(), false);
    } else {
        FillExpenditureTypeCombo(cobIPid, true, 1, QString(), false);
    }
}

// The data tree dialog's picks into the box of the kind: codes joined by "," and, as its hint,
// the quoted list for the query. The dialog hands codes over apart from their names, so a code
// that holds "@" stays whole.
void TbfrmApportionQry::PickCodes(const QString &kind) {
    QList<TPickedCode> picked;
    ShowDataTreeDialog(picked, kind);
    QStringList codes;
    for (const TPickedCode &p : picked) codes << p.Code;
    TCodeEdit *box = kind == QLatin1String("1") ? edtIid : kind == QLatin1String("2") ? edtBid : edtEid;
    box->SetCodes(codes);
}

void TbfrmApportionQry::edtIidDblClick() {
    edtIid->clear();
    PickCodes(QStringLiteral("1"));
}

void TbfrmApportionQry::edtBidDblClick() {
    edtBid->clear();
    PickCodes(QStringLiteral("2"));
}

// A picked list of units while "单位到基层" is checked, else one unit from the element dialog.
void TbfrmApportionQry::edtEidDblClick() {
    if (chbEidType->isChecked()) {
        edtEid->clear();
        PickCodes(QStringLiteral("3"));
        return;
    }
    QString code, name, text;
    const int year = authpay::UserContext ? authpay::UserContext->DataYear : 0;
    if (SelectBudgetUnit(code, name, text, false, true, year)) edtEid->setText(code);
    else edtEid->clear();
}

void TbfrmApportionQry::edtEidExit() {
    if (chbEidType->isChecked() || holdingFocus_ || Busy()) return;
    const QString code = edtEid->text().trimmed();
    if (code.isEmpty()) return;
    QString name;
    authpay::Outcome ran;
    if (GetUnitName(code, name, &ran)) {
        edtEid->setText(code);
        return;
    }
    // A code that could not be checked is not a wrong code: it stays, and the user is told why.
    if (!ran.Ok()) {
        Warn(QStringLiteral("无法核对预算单位编码：") + ran.message);
        return;
    }
    edtEid->clear();
    edtEid->setFocus();
    Message(LabEid->text() + QStringLiteral("编码不正确：编码信息有误，请确认！"));
}

void TbfrmApportionQry::chbEidTypeClick() {
    edtEid->setReadOnly(chbEidType->isChecked());
    edtEid->ClearCodes();
}

void TbfrmApportionQry::tbnExitClick() { close(); }
