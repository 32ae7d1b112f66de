#include "report/xlsx/XlsxChartSheet.h"

#include "report/SafeText.h"
#include "report/xlsx/XlsxPage.h"

#include <QStringList>
#include <algorithm>
#include <xlsxwriter.h>

namespace {

// What a spreadsheet program takes as one formula's string literal, in characters.
constexpr int kMaxFormulaText = 255;
constexpr int kChartWidth = 760;

QString ColumnName(int col) {
    char name[8] = {};
    lxw_col_to_name(name, lxw_col_t(col - 1), LXW_FALSE);
    return QString::fromLatin1(name);
}

// The width a column needs for the texts, in characters of the standard font: a wide (CJK)
// character takes two, and a little room is left; at most 80.
int ColumnChars(const QStringList &texts) {
    int widest = 0;
    for (const QString &text : texts) {
        int chars = 0;
        for (QChar c : text) chars += c.unicode() >= 0x1100 ? 2 : 1;
        widest = std::max(widest, chars);
    }
    return std::min(80, widest + 2);
}

// The chart's kind: with a compared year two bars per group, else stacked by the second
// dimension when there is one, else one bar per group.
enum class TChartKind { Plain, Compared, Stacked };

class TChartSheetWriter {
public:
    TChartSheetWriter(lxw_workbook *book, lxw_worksheet *sheet, const TSheetModel &model, const TChartData &data,
                      const QString &dataSheet, const QString &chartSheet)
        : book_(book), sheet_(sheet), model_(model), layout_(model.Chart.layout), data_(data),
          dataSheet_(dataSheet), chartSheet_(chartSheet.toUtf8()),
          kind_(data.compared ? TChartKind::Compared
                : data.stackLabels.isEmpty() ? TChartKind::Plain
                                              : TChartKind::Stacked) {
        lastRow_ = std::max(layout_.firstRow, model.RowCount());
    }

    void Write() {
        heading_ = workbook_add_format(book_);
        format_set_bold(heading_);
        amount_ = workbook_add_format(book_);
        format_set_num_format(amount_, "#,##0.00");
        // The table and the chart under it printed on one page, with the data sheet's footer.
        worksheet_set_landscape(sheet_);
        worksheet_fit_to_pages(sheet_, 1, 1);
        SetXlsxFooter(sheet_, model_.Page());
        WriteHeadings();
        for (int g = 0; g < int(data_.groups.size()); ++g) WriteGroup(g);
        InsertChart();
    }

private:
    // Table columns (0-based): the label, the group's sum, then the compared sum or the stacks.
    int LastColumn() const {
        return kind_ == TChartKind::Compared  ? 2
               : kind_ == TChartKind::Stacked ? 1 + int(data_.stackLabels.size())
                                              : 1;
    }
    int FirstSeriesColumn() const { return kind_ == TChartKind::Stacked ? 2 : 1; }
    int TopCount() const { return int(data_.groups.size()) - (data_.groups.back().other ? 1 : 0); }

    void WriteHeadings();
    void WriteGroup(int g);
    void WriteSum(int row, int col, const std::optional<QString> &formula, double value);
    std::optional<QString> MatchSum(const QList<std::pair<int, QString>> &matches, int amountColumn) const;
    QString ResultTotal(int amountColumn) const;
    QString TableSum(int col, int firstRow, int lastRow) const;
    QString RowSum(int row, int firstCol, int lastCol) const;
    void InsertChart();

    lxw_workbook *book_;
    lxw_worksheet *sheet_;
    const TSheetModel &model_;
    const TChartLayout &layout_;
    const TChartData &data_;
    QString dataSheet_;
    QByteArray chartSheet_;
    TChartKind kind_;
    int lastRow_;
    lxw_format *heading_ = nullptr, *amount_ = nullptr;
};

void TChartSheetWriter::WriteHeadings() {
    QStringList captions{layout_.title.isEmpty() ? QStringLiteral("分组") : layout_.title,
                         layout_.amountCaption.isEmpty() ? QStringLiteral("金额") : layout_.amountCaption};
    if (kind_ == TChartKind::Compared)
        captions << (layout_.compareCaption.isEmpty() ? QStringLiteral("对比年度") : layout_.compareCaption);
    if (kind_ == TChartKind::Stacked) captions << data_.stackLabels;
    // Each column as wide as its heading (and the first as its labels), so that no heading runs
    // into the next one.
    QStringList labels;
    for (const TChartGroup &g : data_.groups) labels << g.label;
    for (int c = 0; c < captions.size(); ++c) {
        const int least = c == 0 ? std::max(30, ColumnChars(labels)) : 16;
        worksheet_set_column(sheet_, lxw_col_t(c), lxw_col_t(c), std::max(least, ColumnChars({captions[c]})), nullptr);
        worksheet_write_string(sheet_, 0, lxw_col_t(c), XmlSafe(captions[c]).toUtf8().constData(), heading_);
    }
}

// The rows of the data sheet whose first column holds a number and whose cells in the given
// columns hold exactly the given texts, summed over the amount column.
std::optional<QString> TChartSheetWriter::MatchSum(const QList<std::pair<int, QString>> &matches,
                                                   int amountColumn) const {
    QString product;
    for (const auto &[col, text] : matches) {
        if (col <= 0) continue;
        const std::optional<QString> literal = FormulaTextLiteral(text);
        if (!literal) return std::nullopt;
        product += QStringLiteral("EXACT(%1,%2)*").arg(FormulaRange(dataSheet_, col, layout_.firstRow, lastRow_), *literal);
    }
    const QString first = FormulaRange(dataSheet_, 1, layout_.firstRow, lastRow_);
    return QStringLiteral("SUMPRODUCT(%1ISNUMBER(VALUE(%2))*(%2<>\"\"),%3)")
        .arg(product, first, FormulaRange(dataSheet_, amountColumn, layout_.firstRow, lastRow_));
}

QString TChartSheetWriter::ResultTotal(int amountColumn) const { return *MatchSum({}, amountColumn); }

// SUM over the table's column `col`, rows firstRow..lastRow; "0" when empty (all 0-based).
QString TChartSheetWriter::TableSum(int col, int firstRow, int lastRow) const {
    if (lastRow < firstRow) return QStringLiteral("0");
    return QStringLiteral("SUM(%1%2:%1%3)").arg(ColumnName(col + 1)).arg(firstRow + 1).arg(lastRow + 1);
}

// SUM over the table's row `row`, columns firstCol..lastCol; "0" when empty (all 0-based).
QString TChartSheetWriter::RowSum(int row, int firstCol, int lastCol) const {
    if (lastCol < firstCol) return QStringLiteral("0");
    return QStringLiteral("SUM(%1%3:%2%3)").arg(ColumnName(firstCol + 1), ColumnName(lastCol + 1)).arg(row + 1);
}

// The sums are array formulas: EXACT and VALUE over a range must be taken element by element, and a
// program that applies implicit intersection to an ordinary formula would compute #VALUE! or 0.
void TChartSheetWriter::WriteSum(int row, int col, const std::optional<QString> &formula, double value) {
    if (formula)
        worksheet_write_array_formula_num(sheet_, lxw_row_t(row), lxw_col_t(col), lxw_row_t(row), lxw_col_t(col),
                                          ("{=" + *formula + "}").toUtf8().constData(), amount_, value);
    else
        worksheet_write_number(sheet_, lxw_row_t(row), lxw_col_t(col), value, amount_);
}

void TChartSheetWriter::WriteGroup(int g) {
    const TChartGroup &group = data_.groups[size_t(g)];
    const int row = g + 1, tops = TopCount();
    worksheet_write_string(sheet_, lxw_row_t(row), 0, XmlSafe(group.label).toUtf8().constData(), nullptr);
    const QList<std::pair<int, QString>> own{{layout_.firstCode, group.code}, {layout_.firstName, group.name}};
    // "其他": the result rows' sum, less the top groups' sums in the same column.
    const auto sumOf = [&](int col, int amountColumn, const QList<std::pair<int, QString>> &matches) {
        if (!group.other) return MatchSum(own + matches, amountColumn);
        const std::optional<QString> all = matches.isEmpty() ? ResultTotal(amountColumn) : MatchSum(matches, amountColumn);
        return all ? std::optional<QString>(*all + QLatin1Char('-') + TableSum(col, 1, tops)) : std::nullopt;
    };
    WriteSum(row, 1, sumOf(1, layout_.amountColumn, {}), group.amount);
    if (kind_ == TChartKind::Compared) WriteSum(row, 2, sumOf(2, layout_.compareColumn, {}), group.compare);
    if (kind_ != TChartKind::Stacked) return;
    const int stacks = int(data_.stackLabels.size());
    for (int s = 0; s < stacks; ++s) {
        const int col = 2 + s;
        const double value = group.stack[size_t(s)];
        if (data_.stackOther && s == stacks - 1) {  // the group's sum less its other parts
            WriteSum(row, col, QStringLiteral("B%1-%2").arg(row + 1).arg(RowSum(row, 2, col - 1)), value);
            continue;
        }
        WriteSum(row, col,
                 sumOf(col, layout_.amountColumn,
                       {{layout_.secondCode, data_.stackCodes[s]}, {layout_.secondName, data_.stackNames[s]}}),
                 value);
    }
}

void TChartSheetWriter::InsertChart() {
    lxw_chart *chart =
        workbook_add_chart(book_, kind_ == TChartKind::Stacked ? LXW_CHART_BAR_STACKED : LXW_CHART_BAR);
    if (!chart) return;
    const auto groups = lxw_row_t(data_.groups.size());
    for (int col = FirstSeriesColumn(); col <= LastColumn(); ++col) {
        lxw_chart_series *series = chart_add_series(chart, nullptr, nullptr);
        chart_series_set_categories(series, chartSheet_.constData(), 1, 0, groups, 0);
        chart_series_set_values(series, chartSheet_.constData(), 1, lxw_col_t(col), groups, lxw_col_t(col));
        chart_series_set_name_range(series, chartSheet_.constData(), 0, lxw_col_t(col));
    }
    // The font of the sheet, so that the labels show as the report's texts do.
    QByteArray family = model_.Fonts()[0].family.toUtf8();
    lxw_chart_font font{};
    font.name = family.data();
    font.size = 9;
    // A title is taken as a reference when it begins with "=": it never does here.
    QString title = layout_.title;
    if (title.startsWith(QLatin1Char('='))) title.prepend(QLatin1Char(' '));
    if (!title.isEmpty()) {
        chart_title_set_name(chart, XmlSafe(title).toUtf8().constData());
        lxw_chart_font titleFont = font;
        titleFont.size = 12;
        titleFont.bold = LXW_TRUE;
        chart_title_set_name_font(chart, &titleFont);
    }
    // The axes are named by where they lie: in a bar chart the groups are on the vertical one.
    // Largest first from the top: the groups run downwards, the amounts stay below them.
    chart_axis_set_reverse(chart->y_axis);
    chart_axis_set_crossing_max(chart->y_axis);
    chart_axis_set_num_font(chart->x_axis, &font);
    chart_axis_set_num_font(chart->y_axis, &font);
    chart_axis_set_num_format(chart->x_axis, "#,##0");
    if (LastColumn() == FirstSeriesColumn()) {
        chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
    } else {
        chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);
        chart_legend_set_font(chart, &font);
    }
    const int bars = int(groups) * (kind_ == TChartKind::Compared ? 2 : 1);
    const int height = std::clamp(110 + bars * 22, 300, 2400);
    lxw_chart_options options{};
    // At least as wide as the table (a column of 30 characters, then 16 each, about 7 pixels).
    options.x_scale = double(std::max(kChartWidth, 215 + 117 * LastColumn())) / 480;
    options.y_scale = double(height) / 288;
    // Below the table, as wide as a page holds it beside nothing else.
    worksheet_insert_chart_opt(sheet_, groups + 2, 0, chart, &options);
}

}  // namespace

std::optional<QString> FormulaTextLiteral(QStringView text) {
    if (text.size() > kMaxFormulaText || XmlSafe(text) != text) return std::nullopt;
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return std::nullopt;
        out += c;
        if (c == QLatin1Char('"')) out += c;
    }
    return out + QLatin1Char('"');
}

QString FormulaRange(const QString &sheetName, int col, int firstRow, int lastRow) {
    QString quoted = sheetName;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QStringLiteral("'%1'!$%2$%3:$%2$%4").arg(quoted, ColumnName(col)).arg(firstRow).arg(lastRow);
}

QString ChartSheetName(const QString &dataSheetName) {
    const QString name = QStringLiteral("图表");
    return dataSheetName.compare(name, Qt::CaseInsensitive) == 0 ? name + QStringLiteral("2") : name;
}

lxw_worksheet *AddChartWorksheet(lxw_workbook *book, const TSheetModel &model, const QString &dataSheetName) {
    if (!model.Chart.enabled) return nullptr;
    const TChartData data = ChartDataOfSheet(model, model.Chart.layout);
    if (data.groups.empty()) return nullptr;
    const QString name = ChartSheetName(dataSheetName);
    lxw_worksheet *sheet = workbook_add_worksheet(book, name.toUtf8().constData());
    if (sheet) TChartSheetWriter(book, sheet, model, data, dataSheetName, name).Write();
    return sheet;
}
