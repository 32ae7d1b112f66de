#include "report/SafeText.h"

QString DefuseFormula(QStringView text) {
    if (text.isEmpty()) return QString();
    const char16_t first = text.front().unicode();
    const bool formula = first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t'
                         || first == u'\r';
    return formula ? QLatin1Char('\'') + text.toString() : text.toString();
}

QString CsvField(QStringView text) {
    const bool quote = text.contains(QLatin1Char('"')) || text.contains(QLatin1Char(','))
                       || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!quote) return text.toString();
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
