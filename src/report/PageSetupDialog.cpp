#include "report/PageSetupDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
QDoubleSpinBox *MarginBox(double mm, const char *name, QWidget *parent) {
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(0, 100);
    box->setDecimals(1);
    box->setSuffix(QStringLiteral(" 毫米"));
    box->setValue(mm);
    return box;
}
}  // namespace

TPageSetupDialog::TPageSetupDialog(const TPageChoice &choice, QWidget *parent)
    : QDialog(parent), paper_(new QComboBox(this)), portrait_(new QRadioButton(QStringLiteral("纵向(&P)"), this)),
      landscape_(new QRadioButton(QStringLiteral("横向(&L)"), this)),
      left_(MarginBox(choice.marginLeft, "marginLeft", this)), top_(MarginBox(choice.marginTop, "marginTop", this)),
      right_(MarginBox(choice.marginRight, "marginRight", this)),
      bottom_(MarginBox(choice.marginBottom, "marginBottom", this)) {
    setObjectName(QStringLiteral("authpayPageSetup"));
    setWindowTitle(QStringLiteral("页面设置"));
    paper_->setObjectName(QStringLiteral("paper"));
    paper_->addItems(PageChoicePapers());
    paper_->setCurrentText(choice.paper);
    portrait_->setObjectName(QStringLiteral("portrait"));
    landscape_->setObjectName(QStringLiteral("landscape"));
    (choice.orientation == TPageOrientation::Landscape ? landscape_ : portrait_)->setChecked(true);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("纸张(&S)："), paper_);
    auto *turn = new QHBoxLayout;
    turn->addWidget(portrait_);
    turn->addWidget(landscape_);
    turn->addStretch(1);
    form->addRow(QStringLiteral("方向："), turn);
    auto *margins = new QGroupBox(QStringLiteral("页边距"), this);
    auto *grid = new QFormLayout(margins);
    grid->addRow(QStringLiteral("上(&T)："), top_);
    grid->addRow(QStringLiteral("下(&B)："), bottom_);
    grid->addRow(QStringLiteral("左(&E)："), left_);
    grid->addRow(QStringLiteral("右(&R)："), right_);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(margins);
    layout->addWidget(buttons);
    paper_->setFocus();
}

TPageChoice TPageSetupDialog::Choice() const {
    return {paper_->currentText(), landscape_->isChecked() ? TPageOrientation::Landscape : TPageOrientation::Portrait,
            left_->value(), top_->value(), right_->value(), bottom_->value()};
}
