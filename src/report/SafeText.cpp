#include "report/SafeText.h"

#include <algorithm>

QString DefuseFormula(QStringView text) {
    if (text.isEmpty()) return QString();
    const char16_t first = text.front().unicode();
    const bool formula = first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t'
                         || first == u'\r';
    return formula ? QLatin1Char('\'') + text.toString() : text.toString();
}

QString CsvField(QStringView text, TCsvQuote quote) {
    if (text.contains(QChar(0))) return CsvField(text.toString().replace(QChar(0), QChar(0x2400)), quote);
    const bool needed = text.contains(QLatin1Char('"')) || text.contains(QLatin1Char(','))
                        || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!needed && quote == TCsvQuote::WhenNeeded) return text.toString();
    QString out = text.toString();
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString EscapeSeparators(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\t': out += QLatin1String("\\t"); break;
        case u'\n': out += QLatin1String("\\n"); break;
        case u'\r': out += QLatin1String("\\r"); break;
        case u'\\': out += QLatin1String("\\\\"); break;
        case u'\0': out += QLatin1String("\\0"); break;
        default: out += c;
        }
    }
    return out;
}

QString TerminalSafe(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\t' || u == u'\n') out += c;
        else if (u < 0x20) out += QChar(char16_t(0x2400 + u));
        else if (u == 0x7F) out += QChar(char16_t(0x2421));
        else if ((u >= 0x80 && u <= 0x9F) || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069))
            out += QChar(char16_t(0xFFFD));
        else out += c;
    }
    return out;
}

QString XmlSafe(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r') {
            out += QChar(char16_t(0x2400 + u));
        } else if (c.isSurrogate() || u == 0xFFFE || u == 0xFFFF) {
            out += QChar(char16_t(0xFFFD));
        } else {
            out += c;
        }
    }
    return out;
}

QString CutWhole(QStringView text, qsizetype units) {
    if (text.size() <= units) return text.toString();
    if (units > 0 && text[units - 1].isHighSurrogate() && text[units].isLowSurrogate()) --units;
    return text.left(std::max<qsizetype>(units, 0)).toString();
}
