#include "report/xls/XlsStyles.h"

#include <cmath>

namespace biff {
namespace {
constexpr uint16_t kFont = 0x0031;
constexpr uint16_t kXf = 0x00E0;
constexpr uint16_t kStyle = 0x0293;
constexpr uint16_t kAmountFormat = 4;  // built-in format "#,##0.00"
constexpr uint16_t kRateFormat = 10;   // built-in format "0.00%"
constexpr uint16_t kFirstCellXf = 16;
constexpr uint8_t kThin = 1;
constexpr uint32_t kBlack = 8;  // palette index of black
// No fill: pattern colour "automatic foreground", background "automatic background".
constexpr uint16_t kNoFill = 0x40 | (0x41 << 7);

bool HasCjk(const QString &text) {
    for (QChar c : text)
        if (c.unicode() >= 0x2E80) return true;
    return false;
}

uint8_t AlignmentByte(const TCellStyle &s, bool wrap) {
    const uint8_t h = s.hAlign == THAlign::Left ? 1 : s.hAlign == THAlign::Centre ? 2 : 3;
    const uint8_t v = s.vAlign == TVAlign::Top ? 0 : s.vAlign == TVAlign::Centre ? 1 : 2;
    return uint8_t(h | (wrap ? 0x08 : 0) | (v << 4));
}
}  // namespace

TXlsStyles::TXlsStyles(const TSheetModel &model)
    : model_(model), xfOf_(size_t(model.StyleCount()) * 4, -1) {}

uint16_t TXlsStyles::CellXf(uint16_t styleId, TCellNumber number, bool wrap) {
    // Four kinds a style: a text, an amount, a wrapped text, a rate (numbers never wrap).
    const size_t kind = number == TCellNumber::Amount ? 1 : number == TCellNumber::Rate ? 3 : wrap ? 2 : 0;
    int32_t &xf = xfOf_[size_t(styleId) * 4 + kind];
    if (xf < 0) {
        xf = int32_t(kFirstCellXf + cellXfs_.size());
        cellXfs_.push_back({styleId, number, number == TCellNumber::None && wrap});
    }
    return uint16_t(xf);
}

void TXlsStyles::WriteFont(TBiffBuffer &out, const TSheetFont &font) const {
    const size_t h = out.OpenRecord(kFont);
    out.U16(uint16_t(std::lround(font.points * 20)));  // height in twentieths of a point
    // Bold is the weight below; older readers also look at bit 0, so it is set to match.
    out.U16(uint16_t((font.bold ? 0x0001 : 0) | (font.italic ? 0x0002 : 0)));
    out.U16(0x7FFF);  // automatic colour
    out.U16(font.bold ? 700 : 400);
    out.U16(0);  // no super- or subscript
    out.U8(0);   // no underline
    out.U8(0);   // family unknown
    out.U8(HasCjk(font.family) ? 134 : 0);  // GB2312 character set for Chinese faces
    out.U8(0);
    out.ShortString(font.family);
    out.CloseRecord(h);
}

void TXlsStyles::WriteXf(TBiffBuffer &out, const TCellStyle *style, const TCellXf &kind,
                         bool styleXf) const {
    const size_t h = out.OpenRecord(kXf);
    out.U16(style ? FontIndex(style->font) : 0);
    out.U16(kind.number == TCellNumber::Amount ? kAmountFormat : kind.number == TCellNumber::Rate ? kRateFormat : 0);
    // Locked; a style XF has no parent (0xFFF), a cell XF inherits from the Normal style (XF 0).
    out.U16(styleXf ? 0xFFF5 : 0x0001);
    out.U8(style ? AlignmentByte(*style, kind.wrap) : 0x20);  // default: general, bottom
    out.U8(0);                                       // no rotation
    out.U8(0);                                       // no indent
    // Cell XFs say which parts they set themselves; all of them for our cells.
    out.U8(style ? 0xFC : 0x00);
    const uint8_t b = style ? style->borders : 0;
    auto line = [b](uint8_t side) -> uint32_t { return (b & side) ? kThin : 0; };
    auto colour = [b](uint8_t side) -> uint32_t { return (b & side) ? kBlack : 0; };
    out.U32(line(Border::Left) | line(Border::Right) << 4 | line(Border::Top) << 8 |
            line(Border::Bottom) << 12 | colour(Border::Left) << 16 | colour(Border::Right) << 23);
    const bool filled = style && style->filled;
    // A solid pattern in the palette's pale yellow (index 26), over the automatic background.
    out.U32(colour(Border::Top) | colour(Border::Bottom) << 7 | (filled ? 1u << 26 : 0u));
    out.U16(filled ? uint16_t(26 | (0x41 << 7)) : kNoFill);
    out.CloseRecord(h);
}

void TXlsStyles::Write(TBiffBuffer &out) const {
    const auto &fonts = model_.Fonts();
    for (const TSheetFont &f : fonts) WriteFont(out, f);
    // Readers expect at least five font records; pad with the default font.
    for (size_t i = fonts.size(); i < 5; ++i) WriteFont(out, fonts[0]);

    // XF 0 is the Normal style, 1..14 further style XFs, 15 the default cell XF.
    for (int i = 0; i < 15; ++i) WriteXf(out, nullptr, {}, true);
    WriteXf(out, nullptr, {}, false);
    for (const TCellXf &kind : cellXfs_) WriteXf(out, &model_.StyleById(kind.styleId), kind, false);

    const size_t h = out.OpenRecord(kStyle);
    out.U16(0x8000);  // built-in style on XF 0
    out.U8(0);        // Normal
    out.U8(0xFF);
    out.CloseRecord(h);
}

}  // namespace biff
