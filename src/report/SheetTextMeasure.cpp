#include "report/SheetTextMeasure.h"

#include "report/SheetPainter.h"

#include <algorithm>

TSheetTextMeasure::TSheetTextMeasure(const TSheetModel &model) : fonts_(model.Fonts()) {
    for (const TSheetFont &f : fonts_) {
        metrics_.emplace_back(MakeSheetFont(f));
        lineHeights_.push_back(metrics_.back().height());
        std::array<int, 128> advance{};
        for (int c = 32; c < 127; ++c) advance[size_t(c)] = metrics_.back().horizontalAdvance(QChar(c));
        asciiAdvance_.push_back(advance);
    }
}

int TSheetTextMeasure::LineHeight(uint16_t font) const {
    if (lineHeights_.empty()) return 0;
    return lineHeights_[font < lineHeights_.size() ? font : 0];
}

// Codes and amounts are plain ASCII and mostly unique: their width is the sum of the characters'
// advances, with no measuring and nothing remembered. -1 for any other text.
int TSheetTextMeasure::AsciiWidth(uint16_t font, QStringView text) const {
    int w = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 32 || u >= 127) return -1;
        w += asciiAdvance_[font][u];
    }
    return w;
}

int TSheetTextMeasure::Lines(uint16_t font, QStringView text, int width) {
    if (metrics_.empty() || text.isEmpty()) return 1;
    if (font >= metrics_.size()) font = 0;
    const int room = std::max(1, width - 2 * TSheetPainter::kPadding);
    if (const int ascii = AsciiWidth(font, text); ascii >= 0 && ascii <= room) return 1;
    // Remembered per font and width: a report's names repeat on many rows.
    const quint64 key = (quint64(font) << 32) | quint32(room);
    if (key != lastKey_) {
        lastCache_ = &lines_[key];
        lastKey_ = key;
    }
    TLineCache &cache = *lastCache_;
    if (auto it = cache.find(text); it != cache.end()) return it->second;
    const QString copy = text.toString();
    const QFontMetrics &m = metrics_[font];
    int lines = 1;
    if (text.contains(QLatin1Char('\n')) || m.horizontalAdvance(copy) > room) {
        const QRect r = m.boundingRect(QRect(0, 0, room, 1 << 20), Qt::TextWordWrap, copy);
        lines = std::max(1, r.height() / std::max(1, m.height()));
    }
    if (cache.size() < 100000) cache.emplace(copy, lines);
    return lines;
}

int TSheetTextMeasure::ColumnLines(int col, uint16_t font, QStringView text, int width) {
    // ASCII that fits on one line (codes, amounts, running numbers) is told at once, without
    // comparing it with the column's last text or keeping it as that.
    if (font < metrics_.size()) {
        const int ascii = AsciiWidth(font, text);
        if (ascii >= 0 && ascii <= std::max(1, width - 2 * TSheetPainter::kPadding)) return 1;
    }
    if (lastLines_.size() <= size_t(col)) lastLines_.resize(size_t(col) + 1);
    TLastLines &last = lastLines_[size_t(col)];
    if (last.font == font && last.width == width && QStringView(last.text) == text) return last.lines;
    last.lines = Lines(font, text, width);
    last.font = font;
    last.width = width;
    last.text.resize(text.size());  // keeps its room when the text fits
    std::copy(text.begin(), text.end(), last.text.begin());
    return last.lines;
}

int TSheetTextMeasure::PreferredRowHeight(const TSheetModel &model, int row) {
    int height = model.DefaultRowHeight();
    if (row < 1 || row > model.RowCount()) return height;
    const bool merged = model.Merges().OnRow(row);  // most rows have none to look for
    model.ForEachTextInRow(row, [&](int col, QStringView text, const TCellStyle &style) {
        int width = model.ColumnWidth(col);
        if (width == 0) return;
        if (const TCellRect *merge = merged ? model.Merges().Find(col, row) : nullptr) {
            if (merge->top != merge->bottom) return;
            width = 0;
            for (int c = merge->left; c <= merge->right; ++c) width += model.ColumnWidth(c);
        }
        height = std::max(height, ColumnLines(col, style.font, text, width) * LineHeight(style.font) +
                                      2 * TSheetPainter::kPadding);
    });
    return std::min(height, kSheetMaxRowHeight);
}

int TSheetTextMeasure::TextWidth(const TSheetModel &model, int col, int row) const {
    const QStringView text = model.Text(col, row);
    if (text.isEmpty() || metrics_.empty()) return 0;
    uint16_t font = model.Style(col, row).font;
    if (font >= metrics_.size()) font = 0;
    const int ascii = AsciiWidth(font, text);
    // One line as the painter lays it out, which may round up where the advances do not.
    const int width = ascii >= 0 ? ascii : metrics_[font].boundingRect(QRect(0, 0, 1 << 20, 1 << 20), 0, text.toString()).width();
    return width + 2 * TSheetPainter::kPadding;
}
