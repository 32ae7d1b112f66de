#include "report/AmountText.h"

#include <algorithm>
#include <cmath>

namespace {
// The text of a whole number of cents below 10^15, written from the last digit backwards: the
// same text as the general way below, without its conversions (a report writes one per row).
void PutSmallAmount(qint64 cents, bool negative, TFigureText &out) {
    out.Put(char16_t(u'0' + cents % 10));
    out.Put(char16_t(u'0' + cents / 10 % 10));
    out.Put(u'.');
    qint64 whole = cents / 100;
    int written = 0;
    do {
        if (written && written % 3 == 0) out.Put(u',');
        out.Put(char16_t(u'0' + whole % 10));
        whole /= 10;
        ++written;
    } while (whole > 0);
    if (negative && cents != 0) out.Put(u'-');
}

// The amount's whole cents, of its magnitude.
double RoundedCents(double value) {
    // Rounded as the decimal amount reads, half away from zero: 2.675 is stored as 2.67499… in
    // binary, but the amount is 2.675 and shows as 2.68. A nudge of a few units in the last
    // place lifts such a value back to its half before the cents are rounded; amounts are kept to
    // four decimals, far coarser than the nudge. The sign is decided on the rounded text, so
    // -0.001 shows as 0.00 and not -0.00.
    const double x = std::fabs(value) * 100.0;
    // The nudge is kept below a thousandth of a cent: grown with the amount it would add a whole
    // cent to amounts of ten thousand billion and more.
    return std::floor(x + 0.5 + std::min(x * 8.9e-16, 1e-3));
}
}  // namespace

QString FormatAmountText(double value) {
    if (!std::isfinite(value)) return QString::number(value);
    const double cents = RoundedCents(value);
    if (cents < 1e15) {
        TFigureText text;
        PutSmallAmount(qint64(cents), value < 0, text);
        return text.View().toString();
    }
    QString digits = QString::number(cents / 100.0, 'f', 2);
    const qsizetype point = digits.indexOf(QLatin1Char('.'));
    for (qsizetype at = point - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
    const bool zero = digits == QLatin1String("0.00");
    return (value < 0 && !zero) ? QLatin1Char('-') + digits : digits;
}

QString ReportAmountText(double value) {
    if (std::fabs(value) > kExactAmountLimit) return QString::fromUtf16(kInexactAmountText);
    return FormatAmountText(value);
}

QStringView ReportAmountText(double value, TFigureText &room) {
    room.Clear();
    const double cents = std::isfinite(value) ? RoundedCents(value) : 1e15;
    if (cents < 1e15) PutSmallAmount(qint64(cents), value < 0, room);
    else room.spilled = ReportAmountText(value);
    return room.View();
}

std::optional<qint64> ReportAmountCents(double value) {
    if (!std::isfinite(value) || std::fabs(value) > kExactAmountLimit) return std::nullopt;
    const auto cents = qint64(RoundedCents(value));
    return value < 0 ? -cents : cents;
}

namespace {
bool IsDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Checks the shape ^-?\d{1,3}(,\d{3})*\.\d\d$ and collects the digits without separators.
bool ReadShape(QStringView text, QString *plain) {
    qsizetype i = 0;
    if (text.startsWith(QLatin1Char('-'))) {
        plain->append(QLatin1Char('-'));
        ++i;
    }
    qsizetype group = 0;
    bool first = true;
    for (; i < text.size() && text[i] != QLatin1Char('.'); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char(',')) {
            if (group == 0 || (!first && group != 3)) return false;
            first = false;
            group = 0;
        } else if (IsDigit(c)) {
            if (++group > 3) return false;
            plain->append(c);
        } else {
            return false;
        }
    }
    if (group == 0 || (!first && group != 3)) return false;
    if (i + 3 != text.size() || !IsDigit(text[i + 1]) || !IsDigit(text[i + 2])) return false;
    plain->append(text.mid(i));
    return true;
}
}  // namespace

bool ParseAmountText(QStringView text, double *value) {
    // Cheap test first: every amount ends in a point and two digits.
    if (text.size() < 4 || text[text.size() - 3] != QLatin1Char('.')) return false;
    QString plain;
    plain.reserve(text.size());
    if (!ReadShape(text, &plain)) return false;
    bool ok = false;
    const double v = plain.toDouble(&ok);
    // The number must show exactly as the text did: this refuses "01.00" and digits beyond what a
    // double holds.
    if (!ok || FormatAmountText(v) != text) return false;
    *value = v;
    return true;
}
