#pragma once
// Fonts and cell formats (XF records) of the exported workbook. The sheet's styles become cell XFs
// on demand, once for each kind of cell that uses them (text, amount with number format #,##0.00,
// rate with 0.00%; texts wrapped or not), and the workbook globals then write exactly the fonts and XFs that the cells use.
#include "report/ExportCells.h"
#include "report/SheetModel.h"
#include "report/xls/BiffBuffer.h"

#include <vector>

namespace biff {

class TXlsStyles {
public:
    explicit TXlsStyles(const TSheetModel &model);

    // The XF index for a cell of the given sheet style holding a text (TCellNumber::None, wrapped
    // or not) or a number.
    uint16_t CellXf(uint16_t styleId, TCellNumber number, bool wrap = false);
    // The XF of cells and rows without a format of their own.
    static constexpr uint16_t kDefaultXf = 15;

    // FONT, XF and STYLE records, in the order the globals need them.
    void Write(TBiffBuffer &out) const;

private:
    static uint16_t FontIndex(int font) { return uint16_t(font < 4 ? font : font + 1); }
    void WriteFont(TBiffBuffer &out, const TSheetFont &font) const;
    struct TCellXf {
        uint16_t styleId;
        TCellNumber number;
        bool wrap;
    };
    void WriteXf(TBiffBuffer &out, const TCellStyle *style, const TCellXf &kind, bool styleXf) const;

    const TSheetModel &model_;
    std::vector<int32_t> xfOf_;  // per sheet style and kind: XF index, or -1 when not yet used
    std::vector<TCellXf> cellXfs_;  // XF 16 onwards
};

}  // namespace biff
