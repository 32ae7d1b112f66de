#pragma once
// How much room the sheet's texts need: lines of a text in a cell of a given width, wrapped at
// the cell's edge as the painter wraps it (Chinese text breaks between characters), and the row
// height that shows every line. Widths of texts seen before are remembered per font, since the
// names of a report repeat on many rows.
#include "report/SheetModel.h"

#include <QFontMetrics>
#include <QHash>
#include <QString>
#include <array>
#include <unordered_map>
#include <vector>

class TSheetTextMeasure {
public:
    explicit TSheetTextMeasure(const TSheetModel &model);

    // True when the measure was made for other fonts than the model's now.
    bool Outdated(const TSheetModel &model) const { return fonts_ != model.Fonts(); }
    // Lines the text takes in a cell `width` pixels wide (padding included) in font `font`.
    int Lines(uint16_t font, QStringView text, int width);
    int LineHeight(uint16_t font) const;
    // The height a row needs for its texts (lines times line height plus padding), at least the
    // model's default height. Cells covered by a merge spanning several rows do not count; a merge
    // along the row counts with its whole width.
    int PreferredRowHeight(const TSheetModel &model, int row);
    // The width a cell's text needs on one line in the cell's font, padding included; 0 when empty.
    int TextWidth(const TSheetModel &model, int col, int row) const;

private:
    int AsciiWidth(uint16_t font, QStringView text) const;
    // Lines through the column's last answer: rows in order repeat a column's text row after row.
    int ColumnLines(int col, uint16_t font, QStringView text, int width);

    std::vector<TSheetFont> fonts_;
    std::vector<std::array<int, 128>> asciiAdvance_;
    std::vector<QFontMetrics> metrics_;
    std::vector<int> lineHeights_;  // asked for on every row: read once
    // Looked up by the cell's own text, without making a string of it for each lookup.
    struct TTextHash {
        using is_transparent = void;
        size_t operator()(QStringView text) const { return qHash(text); }
    };
    struct TTextEqual {
        using is_transparent = void;
        bool operator()(QStringView a, QStringView b) const { return a == b; }
    };
    using TLineCache = std::unordered_map<QString, int, TTextHash, TTextEqual>;
    std::unordered_map<quint64, TLineCache> lines_;  // nodes stay put: the last one is kept
    quint64 lastKey_ = ~quint64(0);
    TLineCache *lastCache_ = nullptr;
    struct TLastLines {
        uint16_t font = 0;
        int width = -1;
        QString text;
        int lines = 1;
    };
    std::vector<TLastLines> lastLines_;
};
