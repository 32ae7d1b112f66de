// "对比年度" of the query window: the year box beside the grouping boxes, filled from the years the
// source view holds (read on a worker thread once the box is first used), and the sheet's comparison
// columns, which the template's "comparison" part adds for a Refresh with a year chosen.
#include "query/ApportionQry.h"

#include "authpay/Exception.h"
#include "authpay/UserContext.h"
#include "data/AdoConn.h"
#include "platform/PlainTip.h"
#include "data/DefaultConn.h"
#include "data/QueryJob.h"
#include "frame/ModuleGlobals.h"
#include "query/CompareYears.h"
#include "report/ReportSheet.h"
#include "report/ReportLayout.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QAbstractItemView>
#include <QStandardItemModel>

#include <functional>
#include <utility>

namespace {
const QString kComparedCaption = QStringLiteral("对比年度金额");
const QString kReadingYears = QStringLiteral("正在读取…");
const QString kComparisonPart = QStringLiteral("comparison");

int DataYear() { return authpay::UserContext ? authpay::UserContext->DataYear : 0; }

// Calls `read` the first time the box gets the focus, a click or a key, then leaves it. Reading the
// years costs a pass over the view on a server; a report that never opens the box does not pay
// for it while its Refresh runs.
class TReadOnFirstUse : public QObject {
public:
    TReadOnFirstUse(QObject *box, std::function<void()> read) : QObject(box), read_(std::move(read)) {
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        const QEvent::Type t = event->type();
        if (read_ && (t == QEvent::FocusIn || t == QEvent::MouseButtonPress || t == QEvent::KeyPress)) {
            watched->removeEventFilter(this);
            std::exchange(read_, nullptr)();
        }
        return false;
    }

private:
    std::function<void()> read_;
};
}  // namespace

void TbfrmApportionQry::BuildCompareYearBox(QGridLayout *grid) {
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("对比年度"), gbxNum);
    label->setObjectName(QStringLiteral("lblCompareYear"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cobCompareYear = new QComboBox(gbxNum);
    cobCompareYear->setObjectName(QStringLiteral("cobCompareYear"));
    cobCompareYear->setProperty("Tag", 0);
    cobCompareYear->setMinimumWidth(80);
    cobCompareYear->addItem(QString());
    label->setBuddy(cobCompareYear);
    new TReadOnFirstUse(cobCompareYear, [this] { ReadCompareYears(); });
    row->addWidget(label);
    row->addWidget(cobCompareYear);
    grid->addLayout(row, 1, 6);
}

// The years are read where the Refresh reads: the user-interface thread does not wait for them.
// Once per window.
void TbfrmApportionQry::ReadCompareYears() {
    if (yearsJob_) return;
    QString connectionString;
    try {
        connectionString = GetDefaultConn()->ConnectionString;
    } catch (const Exception &e) {
        cobCompareYear->setToolTip(PlainTip(QStringLiteral("无法读取对比年度：") + e.Message));
        return;
    }
    auto years = std::make_shared<QList<int>>();
    yearsJob_ = new TQueryJob(connectionString, authpay::UserContext ? authpay::UserContext->DbManager : nullptr, this);
    connect(yearsJob_, &TQueryJob::Finished, this, [this, years](const authpay::Outcome &o) {
        compareYearsPending_ = false;
        if (o.Ok()) {
            FillCompareYears(*years);
            return;
        }
        cobCompareYear->removeItem(cobCompareYear->findText(kReadingYears));
        if (!o.Stopped()) cobCompareYear->setToolTip(PlainTip(QStringLiteral("无法读取对比年度：") + o.message));
    });
    const QString view = FSourceView;
    compareYearsPending_ =
        yearsJob_->Start([view, years](const std::atomic<bool> &cancelled) { *years = ReadDataYears(view, cancelled); });
    // A list opened while the years are read says so, and fills in place when they come.
    if (compareYearsPending_) {
        cobCompareYear->addItem(kReadingYears);
        if (auto *items = qobject_cast<QStandardItemModel *>(cobCompareYear->model()))
            items->item(cobCompareYear->count() - 1)->setEnabled(false);
    }
}

// A year chosen before the list came (recalled with a condition set) stays chosen when the
// list holds it.
void TbfrmApportionQry::FillCompareYears(const QList<int> &years) {
    const QString chosen = cobCompareYear->currentText();
    const bool open = cobCompareYear->view()->isVisible();
    cobCompareYear->clear();
    cobCompareYear->addItems(CompareYearEntries(years, DataYear()));
    cobCompareYear->setCurrentIndex(std::max(0, cobCompareYear->findText(chosen)));
    cobCompareYear->setToolTip(QString());
    // An open list is opened again at its new size, so that every year shows.
    if (open) {
        cobCompareYear->hidePopup();
        cobCompareYear->showPopup();
    }
}

bool TbfrmApportionQry::CompareYearsPending() const { return compareYearsPending_; }

// A recalled year: chosen when listed; while the list is still being read it is put in for now
// (FillCompareYears keeps it if the view has it). False when the list has no such year.
bool TbfrmApportionQry::ChooseCompareYear(int year) {
    if (year > 0) ReadCompareYears();
    const QString text = year > 0 ? QString::number(year) : QString();
    int index = cobCompareYear->findText(text);
    if (index < 0 && compareYearsPending_) {
        cobCompareYear->addItem(text);
        index = cobCompareYear->count() - 1;
    }
    if (index < 0) {
        cobCompareYear->setCurrentIndex(0);
        return false;
    }
    cobCompareYear->setCurrentIndex(index);
    return true;
}

QString TbfrmApportionQry::ReopenTemplate(bool comparison, const QStringList &dimensions) {
    authpay::Outcome opened = cllBudget->OpenTemplate(templateFile_);
    if (opened.Ok() && comparison) opened = cllBudget->OpenTemplatePart(templateFile_, kComparisonPart);
    if (!opened.Ok()) return QStringLiteral("报表模板“%1”无法打开：%2").arg(templateFile_, opened.message);
    for (int i = 0; i < int(cmbNum.size()); ++i) {
        const QString caption = dimensions.value(i);
        if (caption.isEmpty()) HideDimensionColumns(cllBudget, ReportLayout::DimensionColumn(i + 1), true);
        else WriteDimensionHeader(cllBudget, ReportLayout::DimensionColumn(i + 1), ReportLayout::kHeadingRow, caption);
    }
    return {};
}

// The sheet's heading for a result with (year not 0) or without a compared year: the template
// opened afresh, with its comparison part, when the heading has to change, and the headings of
// the result's dimensions (captions in grouping order) written again. Empty, or why the template
// could not be applied.
QString TbfrmApportionQry::PrepareComparisonColumns(int year, const QStringList &dimensions) {
    const bool shown = cllBudget->SheetCellText(ReportLayout::kComparedColumn, ReportLayout::kHeadingRow) == kComparedCaption;
    if ((year != 0) != shown)
        if (const QString failed = ReopenTemplate(year != 0, dimensions); !failed.isEmpty()) return failed;
    if (year != 0) cllBudget->SheetSetText(ReportLayout::kComparedColumn, ReportLayout::kSubHeadingRow, 0, QStringLiteral("%1年").arg(year));
    return {};
}
