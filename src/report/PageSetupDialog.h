#pragma once
// "页面设置": the paper, orientation and margins sheets print with, as the print preview offers
// them. The choice is the user's own (PrintChoices.h) and replaces a template's for every sheet.
#include "report/PrintChoices.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QRadioButton;

class TPageSetupDialog : public QDialog {
    Q_OBJECT
public:
    explicit TPageSetupDialog(const TPageChoice &choice, QWidget *parent = nullptr);
    TPageChoice Choice() const;

private:
    QComboBox *paper_;
    QRadioButton *portrait_, *landscape_;
    QDoubleSpinBox *left_, *top_, *right_, *bottom_;
};
