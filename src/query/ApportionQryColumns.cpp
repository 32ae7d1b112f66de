// "列维度" of the query window: the box beside the grouping boxes that names a dimension to spread
// across the sheet's columns (empty: the list as ever), its entries the dimensions no grouping box
// holds; the heading put back to the list's when a spread result goes; and the drill-down of one
// cell of a spread result.
#include "query/ApportionQry.h"

#include "query/SummaryFill.h"
#include "report/ReportLayout.h"
#include "report/ReportSheet.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

using namespace ReportLayout;

void TbfrmApportionQry::BuildColumnDimensionBox(QGridLayout *grid) {
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("列维度"), gbxNum);
    label->setObjectName(QStringLiteral("lblColumnDim"));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cobColumnDim = new QComboBox(gbxNum);
    cobColumnDim->setObjectName(QStringLiteral("cobColumnDim"));
    cobColumnDim->setProperty("Tag", 0);  // not a grouping: the grouping boxes still offer its dimension
    cobColumnDim->setMinimumWidth(110);
    cobColumnDim->setToolTip(QStringLiteral("按此维度的编码分列显示金额；为空时按行列出"));
    cobColumnDim->addItem(QString());
    label->setBuddy(cobColumnDim);
    row->addWidget(label);
    row->addWidget(cobColumnDim);
    grid->addLayout(row, 0, 7);
}

// The dimensions left beside the groupings; the chosen one stays while it is among them.
void TbfrmApportionQry::FillColumnDimensions() {
    QStringList chosen;
    for (QComboBox *box : cmbNum)
        if (box->isEnabled() && !box->currentText().trimmed().isEmpty()) chosen << box->currentText().trimmed();
    const QString current = cobColumnDim->currentText();
    cobColumnDim->clear();
    cobColumnDim->addItem(QString());
    for (const QString &d : FDimensionList.split(QLatin1Char('@'), Qt::SkipEmptyParts))
        if (!chosen.contains(d.trimmed())) cobColumnDim->addItem(d.trimmed());
    cobColumnDim->setCurrentIndex(std::max(0, cobColumnDim->findText(current)));
}

bool TbfrmApportionQry::ChooseColumnDimension(const QString &caption) {
    const int index = cobColumnDim->findText(caption);
    cobColumnDim->setCurrentIndex(std::max(0, index));
    return caption.isEmpty() || index > 0;
}

void TbfrmApportionQry::SetAllColumns(bool on) { allColumns_ = on; }

// The template's own heading again once a spread result has gone: the spread columns' captions,
// widths and merges are no list's.
QString TbfrmApportionQry::PrepareListHeading(int year, const QStringList &dimensions) {
    if (spread_.heading) {
        if (const QString failed = ReopenTemplate(false, dimensions); !failed.isEmpty()) return failed;
        spread_.heading = false;
    }
    return PrepareComparisonColumns(year, dimensions);
}

// A cell of a code's column: the row's group within that code. The row total opens the row as a
// list's row does; "其他" holds several codes and an empty cell no rows: they open nothing.
std::optional<TDrillRequest> TbfrmApportionQry::SpreadDrillRequest(TDrillRequest request, int col, int row) const {
    const int column = col - kAmountColumn;
    if (column == spread_.columns) return request;  // "合计"
    const bool other = spread_.folded > 0 && column == spread_.columns - 1;
    const std::optional<qint64> cents = cllBudget->Model().Amount(col, row);
    if (column < 0 || column > spread_.columns || other || !cents) return std::nullopt;
    const int level = int(request.Values.size()) / 2;
    request.Base.Dimensions = request.Base.Dimensions.mid(0, level) << spread_.dimension;
    request.Values << cllBudget->SheetCellText(col, kHeadingRow) << cllBudget->SheetCellText(col, kSubHeadingRow);
    request.Figure = cllBudget->SheetCellText(col, row);
    request.FigureCents = cents;
    return request;
}
