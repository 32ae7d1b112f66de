#include "report/SheetTemplate.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {
const QLatin1String kFormatName("authpay-sheet-template");

// Reads one template document into a fresh sheet, checking every value before it is used.
class TTemplateReader {
public:
    explicit TTemplateReader(TSheetModel &sheet) : sheet_(sheet) {}

    bool Read(const QJsonObject &root) {
        return Header(root) && Size(root) && Fonts(root["fonts"]) && Defaults(root) &&
               Spans(root["columnWidths"], "columnWidths", true) &&
               Spans(root["rowHeights"], "rowHeights", false) && Formats(root["formats"]) &&
               Cells(root["cells"]) && Merges(root["merges"]) && Grid(root["gridLines"]) &&
               Page(root["page"]);
    }
    // A part over the sheet as it stands: the columns it needs (never fewer than the sheet has),
    // then its entries in the template's order.
    bool ReadPart(const QJsonObject &part) {
        int columns = 0;
        if (!Int(part["columns"], "columns", 1, kSheetMaxColumns, &columns)) return false;
        if (columns > sheet_.ColumnCount()) sheet_.SetColumnCount(columns);
        return Spans(part["columnWidths"], "columnWidths", true) && Formats(part["formats"]) &&
               Cells(part["cells"]) && Merges(part["merges"]) && Grid(part["gridLines"]);
    }
    QString error;

private:
    // Every entry that formats a range counts the cells (or rows and columns) it covers against
    // one budget, so that no template holds the window for longer than a moment.
    bool Spend(const QString &where, qint64 cells) {
        spent_ += cells;
        if (spent_ <= kTemplateMaxFormattedCells) return true;
        return Fail(where, QStringLiteral("使模板格式化的单元格合计超过%1个").arg(kTemplateMaxFormattedCells));
    }
    static qint64 CellsIn(const TCellRect &a) { return qint64(a.right - a.left + 1) * (a.bottom - a.top + 1); }

    bool Fail(const QString &where, const QString &what) {
        error = QStringLiteral("模板内容有误：%1 %2").arg(where, what);
        return false;
    }

    bool Int(const QJsonValue &v, const QString &where, int lo, int hi, int *out) {
        const double d = v.toDouble(std::nan(""));
        if (!v.isDouble() || d != std::floor(d) || d < lo || d > hi)
            return Fail(where, QStringLiteral("应是%1到%2之间的整数").arg(lo).arg(hi));
        *out = int(d);
        return true;
    }
    bool Number(const QJsonValue &v, const QString &where, double lo, double hi, double *out) {
        if (!v.isDouble() || !(v.toDouble() >= lo && v.toDouble() <= hi))
            return Fail(where, QStringLiteral("应是%1到%2之间的数").arg(lo).arg(hi));
        *out = v.toDouble();
        return true;
    }
    bool Text(const QJsonValue &v, const QString &where, int maxLength, QString *out) {
        if (!v.isString() || v.toString().size() > maxLength)
            return Fail(where, QStringLiteral("应是不超过%1个字符的文字").arg(maxLength));
        *out = v.toString();
        return true;
    }
    bool Array(const QJsonValue &v, const QString &where, QJsonArray *out) {
        if (v.isUndefined()) return true;  // every list may be left out
        if (!v.isArray()) return Fail(where, QStringLiteral("应是列表"));
        *out = v.toArray();
        return true;
    }
    int Column(const QJsonValue &v, const QString &where, bool *ok) {
        int c = 0;
        *ok = *ok && Int(v, where, 1, sheet_.ColumnCount(), &c);
        return c;
    }
    int Row(const QJsonValue &v, const QString &where, bool *ok) {
        int r = 0;
        *ok = *ok && Int(v, where, 1, sheet_.RowCount(), &r);
        return r;
    }
    // [first column, first row, last column, last row] inside the sheet.
    bool Rect(const QJsonValue &v, const QString &where, TCellRect *out) {
        const QJsonArray a = v.toArray();
        if (!v.isArray() || a.size() < 4) return Fail(where, QStringLiteral("应是[首列,首行,末列,末行]"));
        bool ok = true;
        const int c1 = Column(a[0], where + "[0]", &ok), r1 = Row(a[1], where + "[1]", &ok);
        const int c2 = Column(a[2], where + "[2]", &ok), r2 = Row(a[3], where + "[3]", &ok);
        *out = TCellRect::Normalized(c1, r1, c2, r2);
        return ok;
    }

    bool Header(const QJsonObject &root) {
        if (root["format"].toString() != kFormatName)
            return Fail("format", QStringLiteral("应是\"%1\"").arg(kFormatName));
        int version = 0;
        return Int(root["version"], "version", 1, 1, &version);
    }
    bool Size(const QJsonObject &root) {
        int columns = 0, rows = 0;
        if (!Int(root["columns"], "columns", 1, kSheetMaxColumns, &columns) ||
            !Int(root["rows"], "rows", 0, kTemplateMaxRows, &rows))
            return false;
        sheet_.SetColumnCount(columns);
        sheet_.SetRowCount(rows);
        return true;
    }
    bool Font(const QJsonValue &v, const QString &where, TSheetFont *font) {
        const QJsonObject o = v.toObject();
        if (!v.isObject()) return Fail(where, QStringLiteral("应是字体"));
        if (!Text(o["family"], where + ".family", 64, &font->family) ||
            !Number(o["points"], where + ".points", 1, 409, &font->points))
            return false;
        if (font->family.trimmed().isEmpty()) return Fail(where + ".family", QStringLiteral("不能为空"));
        font->bold = o["bold"].toBool(false);
        font->italic = o["italic"].toBool(false);
        return true;
    }
    bool Fonts(const QJsonValue &v) {
        QJsonArray fonts;
        if (!Array(v, "fonts", &fonts)) return false;
        if (fonts.size() > kSheetMaxFonts) return Fail("fonts", QStringLiteral("最多%1种").arg(kSheetMaxFonts));
        for (qsizetype i = 0; i < fonts.size(); ++i) {
            TSheetFont font;
            if (!Font(fonts[i], QStringLiteral("fonts[%1]").arg(i), &font)) return false;
            if (i == 0) sheet_.SetDefaultFont(font);
            else sheet_.AddFont(font);
        }
        return true;
    }
    bool Defaults(const QJsonObject &root) {
        if (root.contains("sheetName") &&
            !Text(root["sheetName"], "sheetName", 31, &sheet_.SheetName))
            return false;
        int height = kSheetDefaultRowHeight, width = kSheetDefaultColumnWidth;
        if (root.contains("defaultRowHeight") &&
            !Int(root["defaultRowHeight"], "defaultRowHeight", 1, kSheetMaxRowHeight, &height))
            return false;
        if (root.contains("defaultColumnWidth") &&
            !Int(root["defaultColumnWidth"], "defaultColumnWidth", 0, kSheetMaxColumnWidth, &width))
            return false;
        sheet_.SetDefaultRowHeight(height);
        for (int c = 1; c <= sheet_.ColumnCount(); ++c) sheet_.SetColumnWidth(c, width);
        return true;
    }
    // [first, last, size] entries for column widths or row heights.
    bool Spans(const QJsonValue &v, const char *name, bool columns) {
        QJsonArray spans;
        if (!Array(v, name, &spans)) return false;
        for (qsizetype i = 0; i < spans.size(); ++i) {
            const QString where = QStringLiteral("%1[%2]").arg(QLatin1String(name)).arg(i);
            const QJsonArray a = spans[i].toArray();
            if (a.size() != 3) return Fail(where, QStringLiteral("应是[首,末,尺寸]"));
            bool ok = true;
            const int first = columns ? Column(a[0], where, &ok) : Row(a[0], where, &ok);
            const int last = columns ? Column(a[1], where, &ok) : Row(a[1], where, &ok);
            int size = 0;
            if (!ok || !Int(a[2], where + "[2]", 0, columns ? kSheetMaxColumnWidth : kSheetMaxRowHeight, &size)
                || !Spend(where, std::abs(last - first) + 1))
                return false;
            for (int k = std::min(first, last); k <= std::max(first, last); ++k)
                columns ? sheet_.SetColumnWidth(k, size) : sheet_.SetRowHeight(k, size);
        }
        return true;
    }
    // Optional "font" and "align" of a cell or range entry.
    bool Style(const QJsonObject &o, const QString &where, const TCellRect &area) {
        if ((o.contains("font") || o.contains("align")) && !Spend(where, CellsIn(area))) return false;
        if (o.contains("font")) {
            int font = 0;
            if (!Int(o["font"], where + ".font", 0, int(sheet_.Fonts().size()) - 1, &font)) return false;
            sheet_.SetFont(area, font);
        }
        if (o.contains("align")) {
            int code = 0;
            if (!Int(o["align"], where + ".align", 1, 63, &code)) return false;
            for (int r = area.top; r <= area.bottom; ++r)
                for (int c = area.left; c <= area.right; ++c) sheet_.SetAlignment(c, r, code);
        }
        return true;
    }
    bool Formats(const QJsonValue &v) {
        QJsonArray formats;
        if (!Array(v, "formats", &formats)) return false;
        for (qsizetype i = 0; i < formats.size(); ++i) {
            const QString where = QStringLiteral("formats[%1]").arg(i);
            TCellRect area;
            if (!formats[i].isObject()) return Fail(where, QStringLiteral("应是格式"));
            if (!Rect(formats[i].toObject()["cells"], where + ".cells", &area) ||
                !Style(formats[i].toObject(), where, area))
                return false;
        }
        return true;
    }
    bool Cells(const QJsonValue &v) {
        QJsonArray cells;
        if (!Array(v, "cells", &cells)) return false;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const QString where = QStringLiteral("cells[%1]").arg(i);
            const QJsonObject o = cells[i].toObject();
            if (!cells[i].isObject()) return Fail(where, QStringLiteral("应是单元格"));
            bool ok = true;
            const int col = Column(o["col"], where + ".col", &ok), row = Row(o["row"], where + ".row", &ok);
            QString text;
            if (!ok || (o.contains("text") && !Text(o["text"], where + ".text", kSheetMaxTextLength, &text)))
                return false;
            sheet_.SetText(col, row, text);
            if (!Style(o, where, {col, row, col, row})) return false;
        }
        return true;
    }
    bool Merges(const QJsonValue &v) {
        QJsonArray merges;
        if (!Array(v, "merges", &merges)) return false;
        for (qsizetype i = 0; i < merges.size(); ++i) {
            TCellRect area;
            if (!Rect(merges[i], QStringLiteral("merges[%1]").arg(i), &area)) return false;
            sheet_.Merge(area);
        }
        return true;
    }
    bool Grid(const QJsonValue &v) {
        QJsonArray grid;
        if (!Array(v, "gridLines", &grid)) return false;
        for (qsizetype i = 0; i < grid.size(); ++i) {
            const QString where = QStringLiteral("gridLines[%1]").arg(i);
            TCellRect area;
            int kind = 2;
            const QJsonArray a = grid[i].toArray();
            if (!Rect(grid[i], where, &area) || (a.size() > 4 && !Int(a[4], where + "[4]", 0, 2, &kind))
                || !Spend(where, CellsIn(area)))
                return false;
            sheet_.SetGridLines(area, kind);
        }
        return true;
    }
    bool Page(const QJsonValue &v) {
        if (v.isUndefined()) return true;
        if (!v.isObject()) return Fail("page", QStringLiteral("应是页面设置"));
        const QJsonObject o = v.toObject();
        TPageSetup &page = sheet_.Page();
        if (o.contains("paper") && !Text(o["paper"], "page.paper", 16, &page.paper)) return false;
        const QString orientation = o["orientation"].toString(QStringLiteral("portrait"));
        if (orientation != QLatin1String("portrait") && orientation != QLatin1String("landscape"))
            return Fail("page.orientation", QStringLiteral("应是portrait或landscape"));
        page.orientation = orientation == QLatin1String("landscape") ? TPageOrientation::Landscape
                                                                      : TPageOrientation::Portrait;
        page.centreHorizontally = o["centreHorizontally"].toBool(true);
        const QJsonArray margins = o["margins"].toArray();
        double *fields[4] = {&page.marginLeft, &page.marginTop, &page.marginRight, &page.marginBottom};
        if (o.contains("margins") && margins.size() != 4) return Fail("page.margins", QStringLiteral("应是[左,上,右,下]"));
        for (qsizetype i = 0; i < margins.size(); ++i)
            if (!Number(margins[i], QStringLiteral("page.margins[%1]").arg(i), 0, 100, fields[i])) return false;
        if (o.contains("repeatRows")) {
            const QJsonArray rows = o["repeatRows"].toArray();
            bool ok = rows.size() == 2 || Fail("page.repeatRows", QStringLiteral("应是[首行,末行]"));
            page.repeatFirstRow = Row(rows[0], "page.repeatRows[0]", &ok);
            page.repeatLastRow = Row(rows[1], "page.repeatRows[1]", &ok);
            if (!ok) return false;
            if (page.repeatFirstRow > page.repeatLastRow) std::swap(page.repeatFirstRow, page.repeatLastRow);
        }
        const QJsonArray text = o["text"].toArray();
        if (o.contains("text") && text.size() != 3) return Fail("page.text", QStringLiteral("应是[左,中,右]"));
        for (qsizetype i = 0; i < text.size(); ++i)
            if (!Text(text[i], QStringLiteral("page.text[%1]").arg(i), 255, &page.pageText[i])) return false;
        return true;
    }

    TSheetModel &sheet_;
    qint64 spent_ = 0;
};
}  // namespace

namespace {
using authpay::Outcome;

Outcome ParseTemplate(const QByteArray &text, QJsonObject *root) {
    if (text.size() > kTemplateMaxBytes) return Outcome::Failure(QStringLiteral("模板文件过大。"));
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject())
        return Outcome::Failure(
            QStringLiteral("模板不是有效的JSON文档：%1（位置%2）").arg(parse.errorString()).arg(parse.offset));
    *root = doc.object();
    return Outcome::Success();
}

Outcome ReadTemplateFile(const QString &fileName, QByteArray *text) {
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly))
        return Outcome::Failure(QStringLiteral("无法打开模板文件“%1”：%2").arg(fileName, file.errorString()));
    if (file.size() > kTemplateMaxBytes) return Outcome::Failure(QStringLiteral("模板文件“%1”过大。").arg(fileName));
    *text = file.read(kTemplateMaxBytes + 1);
    return Outcome::Success();
}
}  // namespace

Outcome ReadSheetTemplate(const QByteArray &text, TSheetModel *sheet) {
    QJsonObject root;
    if (Outcome parsed = ParseTemplate(text, &root); !parsed.Ok()) return parsed;
    TSheetModel fresh;
    TTemplateReader reader(fresh);
    if (!reader.Read(root)) return Outcome::Failure(reader.error);
    *sheet = std::move(fresh);
    return Outcome::Success();
}

Outcome LoadSheetTemplate(const QString &fileName, TSheetModel *sheet) {
    QByteArray text;
    Outcome read = ReadTemplateFile(fileName, &text);
    return read.Ok() ? ReadSheetTemplate(text, sheet) : read;
}

Outcome ReadSheetTemplatePart(const QByteArray &text, const QString &key, TSheetModel *sheet) {
    QJsonObject root;
    if (Outcome parsed = ParseTemplate(text, &root); !parsed.Ok()) return parsed;
    if (!root[key].isObject())
        return Outcome::Failure(QStringLiteral("模板内容有误：%1 应是模板的一部分").arg(key));
    TSheetModel changed = *sheet;
    TTemplateReader reader(changed);
    if (!reader.ReadPart(root[key].toObject()))
        return Outcome::Failure(reader.error + QStringLiteral("（模板中的“%1”部分）").arg(key));
    *sheet = std::move(changed);
    return Outcome::Success();
}

Outcome LoadSheetTemplatePart(const QString &fileName, const QString &key, TSheetModel *sheet) {
    QByteArray text;
    Outcome read = ReadTemplateFile(fileName, &text);
    return read.Ok() ? ReadSheetTemplatePart(text, key, sheet) : read;
}
