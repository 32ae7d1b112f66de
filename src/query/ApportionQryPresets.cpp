// Saved condition sets ("查询方案") of the query window: the tool button and menu, saving the
// window's conditions under a name, recalling a set through the window's own controls, deleting.
#include "query/ApportionQry.h"

#include "authpay/UserContext.h"
#include "data/DefaultConn.h"
#include "data/SqlQuote.h"
#include "frame/ModuleGlobals.h"
#include "query/CodeEdit.h"
#include "query/ConditionSets.h"
#include "query/ReportOutput.h"

#include <QCheckBox>
#include <QComboBox>
#include <QInputDialog>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace {

// The codes of `codes` that the code table has: `selectCode` ends with the code column, and the
// quoted list follows it. A database error keeps them all (the Refresh will say what is wrong).
QStringList ExistingCodes(const QString &selectCode, const QStringList &codes) {
    if (codes.isEmpty()) return codes;
    IARQueryPtr q;
    if (!OpenDefaultQuery(selectCode + QStringLiteral(" in (") + QuotedList(codes) + QLatin1Char(')'), q) || !q.Query())
        return codes;
    QStringList found;
    for (TARQuery *rows = q.Query(); !rows->Eof(); rows->Next()) found << rows->Fields(0).AsString();
    QStringList kept;
    for (const QString &c : codes)
        if (found.contains(c)) kept << c;
    return kept;
}

// Chooses the entry as a user would; false when the list has no such entry.
bool ChooseEntry(QComboBox *box, const QString &text) {
    const int i = box->findText(text);
    if (i < 0) return false;
    box->setCurrentIndex(i);
    emit box->activated(i);
    return true;
}

bool ChooseIndex(QComboBox *box, int index) {
    if (index < 0 || index >= box->count()) return false;
    box->setCurrentIndex(index);
    emit box->activated(index);
    return true;
}

// The codes a code box filters by: those picked, or else those its text lists.
QStringList BoxCodes(const TCodeEdit *box) {
    const QStringList picked = box->PickedCodes();
    if (!picked.isEmpty()) return picked;
    QStringList codes;
    for (const QString &c : box->text().split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!c.trimmed().isEmpty()) codes << c.trimmed();
    return codes;
}

// The unit codes a set filters by: its codes, or else its unit box's text (a list of codes, or the
// one code typed in single-unit mode), so that a typed code is checked like a picked one.
QStringList SetUnitCodes(const TConditionSet &set) {
    if (!set.unitCodes.isEmpty() || set.unitText.trimmed().isEmpty()) return set.unitCodes;
    if (!set.unitList) return {set.unitText.trimmed()};
    QStringList codes;
    for (const QString &c : set.unitText.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!c.trimmed().isEmpty()) codes << c.trimmed();
    return codes;
}

QStringList Dropped(const QString &what, const QStringList &before, const QStringList &after) {
    QStringList gone;
    for (const QString &c : before)
        if (!after.contains(c)) gone << what + QStringLiteral("“%1”").arg(c);
    return gone;
}

// A set's name as a menu entry: the name comes from a file the user may edit, so it is shown as
// written. "&" marks no mnemonic, a tab starts no shortcut column and a line break no new line.
QString MenuText(QString name) {
    name.replace(QLatin1Char('&'), QLatin1String("&&"));
    for (QChar &c : name)
        if (c.category() == QChar::Other_Control) c = QChar(0xFFFD);
    return name;
}

}  // namespace

QString TbfrmApportionQry::PresetFile() const { return TConditionSetFile::DefaultFileName(); }

TConditionSet TbfrmApportionQry::CurrentConditionSet() const {
    TConditionSet c;
    for (QComboBox *box : cmbNum)
        if (box->isEnabled() && !box->currentText().isEmpty()) c.dimensions << box->currentText();
    c.unitLevel = cobClass->currentText();
    c.indicatorType = cobType->currentIndex();
    c.indicatorSubtype = cobTypeChild->currentIndex();
    c.secrecy = cobSecret->currentIndex();
    c.fundNature = cobMid->currentText();
    c.payKind = cobPid->currentText();
    c.expenditureType = cobIPid->currentText();
    c.unitList = chbEidType->isChecked();
    c.unitText = edtEid->text();
    c.unitCodes = chbEidType->isChecked() ? BoxCodes(edtEid) : edtEid->PickedCodes();
    c.subjectCodes = BoxCodes(edtBid);
    c.itemCodes = BoxCodes(edtIid);
    c.subtotals = chbSubtotal->isChecked();
    c.compareYear = cobCompareYear->currentText().toInt();
    c.columnDimension = cobColumnDim->currentText();
    return c;
}

QStringList TbfrmApportionQry::ApplyConditionSet(const TConditionSet &set) {
    QStringList dropped;
    // The grouping boxes in order: each choice fills the next box with the dimensions left, so a
    // dimension named twice, or no longer offered, is not there to choose.
    int box = 0;
    for (const QString &d : set.dimensions) {
        if (box < int(cmbNum.size()) && ChooseEntry(cmbNum[size_t(box)], d)) {
            cmbNum1Change(box + 1);
            ++box;
        } else {
            dropped << QStringLiteral("汇总维度“%1”").arg(d);
        }
    }
    if (!ChooseIndex(cobType, set.indicatorType)) dropped << QStringLiteral("指标类型");
    else cobTypeChange();
    if (!cobTypeChild->isHidden() && !ChooseIndex(cobTypeChild, set.indicatorSubtype)) dropped << QStringLiteral("指标子类型");
    if (!ChooseIndex(cobSecret, set.secrecy)) dropped << QStringLiteral("涉密标识");
    const struct { QComboBox *box; QString text; const char *what; } entries[] = {
        {cobClass, set.unitLevel, "单位级次"}, {cobMid, set.fundNature, "资金性质"},
        {cobPid, set.payKind, "支付方式"},    {cobIPid, set.expenditureType, "支出类型"}};
    for (const auto &e : entries)
        if (!e.text.isEmpty() && !ChooseEntry(e.box, e.text))
            dropped << QString::fromUtf8(e.what) + QStringLiteral("“%1”").arg(e.text);
    if (chbEidType->isChecked() != set.unitList) chbEidType->click();
    const int year = authpay::UserContext ? authpay::UserContext->DataYear : 0;
    // Every unit code, typed or picked, must be in the unit table, as edtEidExit wants of a typed one.
    const QStringList unitCodes = SetUnitCodes(set);
    const struct { TCodeEdit *box; const QStringList &codes; QString select, what; } filters[] = {
        {edtEid, unitCodes, QStringLiteral("select eid from pubdept where eid"), QStringLiteral("预算单位")},
        {edtBid, set.subjectCodes, QStringLiteral("select bid from pubsubject where datayear=%1 and bid").arg(year),
         QStringLiteral("预算科目")},
        {edtIid, set.itemCodes, QStringLiteral("select iid from pubitem where iid"), QStringLiteral("预算项目")}};
    lostFilters_.clear();
    for (const auto &f : filters) {
        const QStringList kept = ExistingCodes(f.select, f.codes);
        const QStringList gone = Dropped(f.what, f.codes, kept);
        dropped << gone;
        if (f.codes.isEmpty()) f.box->ClearCodes();
        else f.box->SetCodes(kept.isEmpty() ? f.codes : kept);
        // A filter none of whose codes is left keeps showing them, and the Refresh refuses to run
        // while the box still does: without them it would run over everything.
        if (kept.isEmpty() && !f.codes.isEmpty()) lostFilters_.append({f.box, f.box->text(), gone});
    }
    chbSubtotal->setChecked(set.subtotals);
    if (!ChooseCompareYear(set.compareYear)) dropped << QStringLiteral("对比年度“%1”").arg(set.compareYear);
    if (!ChooseColumnDimension(set.columnDimension)) dropped << QStringLiteral("列维度“%1”").arg(set.columnDimension);
    return dropped;
}

QString TbfrmApportionQry::LostFilterMessage() const {
    QStringList lost;
    for (const TLostFilter &f : lostFilters_)
        if (f.box->text() == f.text) lost << f.codes;
    if (lost.isEmpty()) return {};
    return QStringLiteral("查询条件中以下编码都已不存在，不能按其查询：%1。请重新选择，或清空该条件后再刷新。")
        .arg(lost.join(QStringLiteral("、")));
}

// An empty name is refused; an existing set is replaced only once the user agrees.
bool TbfrmApportionQry::SavePresetClick() {
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("保存查询方案"), QStringLiteral("方案名称："),
                                               QLineEdit::Normal, QString(), &ok)
                             .trimmed();
    if (!ok) return false;
    if (name.isEmpty()) {
        Warn(QStringLiteral("方案名称不能为空"));
        return false;
    }
    TConditionSetFile file(PresetFile(), FUnitCode);
    // A file that cannot be read lists nothing: the save below then says why.
    if (file.Names().contains(name)
        && !AskQueryQuestion(this, QStringLiteral("查询方案“%1”已存在，是否覆盖？").arg(name)))
        return false;
    if (const authpay::Outcome saved = file.Save(name, CurrentConditionSet()); !saved.Ok()) {
        Warn(saved.message);
        return false;
    }
    Message(QStringLiteral("查询方案“%1”已保存。").arg(name));
    return true;
}

void TbfrmApportionQry::RecallPreset(const QString &name) { RecallFrom(TConditionSetFile(PresetFile(), FUnitCode), name); }

void TbfrmApportionQry::RecallLastConditions() {
    RecallFrom(TConditionSetFile(TConditionSetFile::LastConditionsFileName(), FUnitCode), TConditionSetFile::kLastConditions);
}

// Kept quietly: a Refresh is not the place to talk about the user's configuration folder, so a
// failed write is only logged (the host's status line).
void TbfrmApportionQry::KeepLastConditions(const TConditionSet &set) {
    const authpay::Outcome kept =
        TConditionSetFile(TConditionSetFile::LastConditionsFileName(), FUnitCode).Save(TConditionSetFile::kLastConditions, set);
    if (!kept.Ok()) qWarning("%s", qUtf8Printable(QStringLiteral("上次条件未能保存：") + kept.message));
}

void TbfrmApportionQry::RecallFrom(const TConditionSetFile &file, const QString &name) {
    TConditionSet set;
    if (const authpay::Outcome loaded = file.Load(name, &set); !loaded.Ok()) {
        Warn(loaded.message);
        return;
    }
    const QStringList dropped = ApplyConditionSet(set);
    if (!dropped.isEmpty())
        Message(QStringLiteral("查询方案“%1”中以下条件已不存在，未能恢复：%2").arg(name, dropped.join(QStringLiteral("、"))));
}

void TbfrmApportionQry::DeletePreset(const QString &name) {
    if (!AskQueryQuestion(this, QStringLiteral("确定删除查询方案“%1”吗？").arg(name))) return;
    if (const authpay::Outcome removed = TConditionSetFile(PresetFile(), FUnitCode).Remove(name); !removed.Ok())
        Warn(removed.message);
}

// The recall and delete menus list the sets of the file as it is when they open.
void TbfrmApportionQry::FillPresetMenus() {
    actPresetLast->setEnabled(TConditionSetFile(TConditionSetFile::LastConditionsFileName(), FUnitCode)
                                  .Names()
                                  .contains(TConditionSetFile::kLastConditions));
    authpay::Outcome read;
    const QStringList names = TConditionSetFile(PresetFile(), FUnitCode).Names(&read);
    for (QMenu *menu : {mnuPresetRecall, mnuPresetDelete}) {
        menu->clear();
        for (const QString &name : names) {
            QAction *a = menu->addAction(MenuText(name));
            a->setObjectName(name);
            const bool recall = menu == mnuPresetRecall;
            connect(a, &QAction::triggered, this, [this, name, recall] {
                RunHandler([this, name, recall] { recall ? RecallPreset(name) : DeletePreset(name); });
            });
        }
        QAction *none = menu->addAction(read.Ok() ? QStringLiteral("（无）") : read.message);
        none->setEnabled(false);
        none->setVisible(names.isEmpty());
    }
}

void TbfrmApportionQry::BuildPresetMenu() {
    mnuPreset = new QMenu(QStringLiteral("查询方案"), this);
    mnuPreset->setObjectName(QStringLiteral("mnuPreset"));
    // The conditions of the last Refresh (also one of an earlier opening), offered first.
    actPresetLast = mnuPreset->addAction(TConditionSetFile::kLastConditions, this,
                                         [this] { RunHandler([this] { RecallLastConditions(); }); });
    actPresetLast->setObjectName(QStringLiteral("actPresetLast"));
    mnuPreset->addSeparator();
    actPresetSave = mnuPreset->addAction(QStringLiteral("保存查询方案..."), this,
                                         [this] { RunHandler([this] { SavePresetClick(); }); });
    actPresetSave->setObjectName(QStringLiteral("actPresetSave"));
    mnuPresetRecall = mnuPreset->addMenu(QStringLiteral("调用查询方案"));
    mnuPresetRecall->setObjectName(QStringLiteral("mnuPresetRecall"));
    mnuPresetDelete = mnuPreset->addMenu(QStringLiteral("删除查询方案"));
    mnuPresetDelete->setObjectName(QStringLiteral("mnuPresetDelete"));
    connect(mnuPreset, &QMenu::aboutToShow, this, [this] { RunHandler([this] { FillPresetMenus(); }); });
    tbtnPreset->setMenu(mnuPreset);
    tbtnPreset->setPopupMode(QToolButton::InstantPopup);
    mitemDataVind->addSeparator();
    mitemDataVind->addMenu(mnuPreset);
}
