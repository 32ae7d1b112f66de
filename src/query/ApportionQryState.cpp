// Whether the sheet answers the conditions on screen. A Refresh records the conditions it ran
// with; once any box differs from them the sheet is marked stale: a line under it says so, the
// sheet is dimmed, and preview, print and export ask before writing out the old result. A Refresh
// that found no rows says that in the same line instead of leaving a bare heading.
#include "query/ApportionQry.h"

#include "platform/Panel.h"
#include "query/CodeEdit.h"
#include "query/ConditionSets.h"
#include "query/ReportOutput.h"
#include "report/ReportSheet.h"
#include "report/SheetView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QVBoxLayout>

const QString TbfrmApportionQry::kStaleText = QStringLiteral("条件已改变，请刷新");
const QString TbfrmApportionQry::kNoRowsText = QStringLiteral("没有符合条件的数据");

void TbfrmApportionQry::BuildSheetStateLine() {
    lblSheetState = new QLabel(pnlRightBottom);
    lblSheetState->setObjectName(QStringLiteral("lblSheetState"));
    lblSheetState->setTextFormat(Qt::PlainText);
    lblSheetState->setStyleSheet(
        QStringLiteral("QLabel { background: #fff4ce; color: #7a4b00; border-top: 1px solid #e0c97a; padding: 3px 8px; }"));
    lblSheetState->hide();
    pnlRightBottom->layout()->addWidget(lblSheetState);
    lblResultRows = new QLabel(pnlRightBottom);
    lblResultRows->setObjectName(QStringLiteral("lblResultRows"));
    lblResultRows->setContentsMargins(8, 3, 8, 3);
    lblResultRows->hide();
    pnlRightBottom->layout()->addWidget(lblResultRows);
    // Every box that the result depends on; the checks are cheap, so every change is checked.
    const auto check = [this] { UpdateSheetState(); };
    for (QComboBox *box : findChildren<QComboBox *>()) connect(box, &QComboBox::currentIndexChanged, this, check);
    for (QLineEdit *box : findChildren<QLineEdit *>())
        if (!qobject_cast<QComboBox *>(box->parentWidget())) connect(box, &QLineEdit::textChanged, this, check);
    for (QCheckBox *box : findChildren<QCheckBox *>()) connect(box, &QCheckBox::toggled, this, check);
}

void TbfrmApportionQry::SetResultConditions(std::optional<TConditionSet> conditions, bool empty) {
    if (!conditions || empty) lblResultRows->hide();
    resultConditions_ = std::move(conditions);
    resultEmpty_ = empty;
    UpdateSheetState();
}

// The result's size and how long its Refresh took, as the drill-down counts its rows.
void TbfrmApportionQry::ShowResultRows(qint64 msecs) {
    const TSheetModel &m = cllBudget->Model();
    int rows = 0;
    for (int r = 1; r <= m.RowCount(); ++r) rows += m.RowKind(r) == TRowKind::Result;
    QString text = QStringLiteral("共 %1 行，用时 %2 秒").arg(rows).arg(double(msecs) / 1000.0, 0, 'f', 2);
    if (spread_.folded > 0) text += QStringLiteral("；“其他”列含 %1 个编码").arg(spread_.folded);
    lblResultRows->setText(text);
    lblResultRows->show();
}

bool TbfrmApportionQry::SheetStale() const {
    return resultConditions_ && !Busy() && !(*resultConditions_ == CurrentConditionSet());
}

QString TbfrmApportionQry::SheetStateText() const {
    if (!resultConditions_) return QString();
    if (SheetStale()) return kStaleText;
    return resultEmpty_ ? kNoRowsText : QString();
}

void TbfrmApportionQry::UpdateSheetState() {
    if (!lblSheetState || Busy()) return;
    const QString text = SheetStateText();
    lblSheetState->setText(text);
    lblSheetState->setVisible(!text.isEmpty());
    // A stale sheet is shown dimmed; the effect is dropped (not just made opaque) when it is not,
    // so a current sheet is painted exactly as before.
    QWidget *view = cllBudget->View();
    const bool dim = SheetStale() && !resultEmpty_;
    if (dim && !view->graphicsEffect()) {
        auto *effect = new QGraphicsOpacityEffect(view);
        effect->setOpacity(0.45);
        view->setGraphicsEffect(effect);
    } else if (!dim && view->graphicsEffect()) {
        view->setGraphicsEffect(nullptr);
    }
}

bool TbfrmApportionQry::OutputAllowed() {
    if (!SheetStale()) return true;
    return AskQueryQuestion(this, QStringLiteral("查询条件已改变，报表中仍是上次刷新的结果。\n仍要输出这份结果吗？"));
}
