#pragma once
// Amounts as the report shows them: thousands separated by ",", at least one integer digit and
// two decimals ("#,##0.00": 1234567.5 -> 1,234,567.50, -1234.5 -> -1,234.50, 0 -> 0.00).
#include <QString>
#include <QStringView>

QString FormatAmountText(double value);

// True when the text is exactly how FormatAmountText shows some number, and then that number.
// Codes such as "001" or "201", plain integers and amounts whose digits a double cannot carry stay
// texts (false).
bool ParseAmountText(QStringView text, double *value);
