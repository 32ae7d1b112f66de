#pragma once
// Amounts as the report shows them: thousands separated by ",", at least one integer digit and
// two decimals ("#,##0.00": 1234567.5 -> 1,234,567.50, -1234.5 -> -1,234.50, 0 -> 0.00).
#include <QString>
#include <QStringView>
#include <optional>

QString FormatAmountText(double value);

// The largest amount a double holds to the cent (2^53 cents); beyond it the cents of a sum, and
// further on its yuan, are no longer true.
inline constexpr double kExactAmountLimit = 9007199254740992.0 / 100.0;
// What a report cell shows for an amount: FormatAmountText's text, or, for an amount beyond
// kExactAmountLimit, kInexactAmountText instead of figures that are not true.
inline constexpr char16_t kInexactAmountText[] = u"金额超出精确范围";
QString ReportAmountText(double value);

// A figure's text written where it is used, without a string of its own: the characters go into
// `chars` from the end; a text that is no plain figure (beyond the exact range, no number) is kept
// in `spilled` instead.
struct TFigureText {
    static constexpr int kRoom = 40;
    char16_t chars[kRoom];
    int at = kRoom;
    QString spilled;
    void Clear() {
        at = kRoom;
        spilled.clear();
    }
    void Put(char16_t c) { chars[--at] = c; }
    QStringView View() const { return at < kRoom ? QStringView(chars + at, kRoom - at) : QStringView(spilled); }
};
// ReportAmountText's text, in `room`; valid while `room` is and until its next use.
QStringView ReportAmountText(double value, TFigureText &room);
// The whole cents that ReportAmountText shows for the amount; none where it shows no figures
// (beyond kExactAmountLimit, or no number at all).
std::optional<qint64> ReportAmountCents(double value);
// An amount of whole cents as the double nearest to it, the number spreadsheets and JSON take.
inline double CentsAmount(qint64 cents) { return double(cents) / 100.0; }

// True when the text is exactly how FormatAmountText shows some number, and then that number.
// Codes such as "001" or "201", plain integers and amounts whose digits a double cannot carry stay
// texts (false).
bool ParseAmountText(QStringView text, double *value);
