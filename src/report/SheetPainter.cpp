#include "report/SheetPainter.h"

#include "platform/HeapText.h"

#include <QFontMetrics>
#include <cmath>

QFont MakeSheetFont(const TSheetFont &f) {
    QFont font;
    font.setFamilies(HeapCopies({f.family, u"SimSun", u"WenQuanYi Micro Hei", u"Noto Sans CJK SC", u"Noto Sans CJK"}));
    font.setPixelSize(std::max(1, int(std::lround(f.points * 96.0 / 72.0))));
    font.setBold(f.bold);
    font.setItalic(f.italic);
    // Metrics must not depend on the screen's hinting, or the printout would differ from the view.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

TSheetPainter::TSheetPainter(const TSheetModel &model, const TSheetGeometry &geometry)
    : model_(model), geometry_(geometry) {
    for (const TSheetFont &f : model.Fonts()) fonts_.push_back(MakeSheetFont(f));
}

namespace {
Qt::Alignment TextFlags(const TCellStyle &s) {
    Qt::Alignment a = s.hAlign == THAlign::Left     ? Qt::AlignLeft
                      : s.hAlign == THAlign::Centre ? Qt::AlignHCenter
                                                    : Qt::AlignRight;
    a |= s.vAlign == TVAlign::Top ? Qt::AlignTop : s.vAlign == TVAlign::Centre ? Qt::AlignVCenter : Qt::AlignBottom;
    // A text wider than its cell wraps at the cell's edge; the row's preferred height shows it.
    return a | Qt::Alignment(Qt::TextWordWrap);
}

void PaintBorders(QPainter &p, const QRect &r, uint8_t borders) {
    if (!borders) return;
    // Lines lie on the cell's edges, so neighbours share them.
    const qreal l = r.left(), t = r.top(), rt = r.left() + r.width(), b = r.top() + r.height();
    if (borders & Border::Left) p.drawLine(QLineF(l, t, l, b));
    if (borders & Border::Top) p.drawLine(QLineF(l, t, rt, t));
    if (borders & Border::Right) p.drawLine(QLineF(rt, t, rt, b));
    if (borders & Border::Bottom) p.drawLine(QLineF(l, b, rt, b));
}
}  // namespace

void TSheetPainter::PaintCell(QPainter &p, const QRect &rect, int col, int row) const {
    const TCellStyle &style = model_.Style(col, row);
    const QStringView text = model_.Text(col, row);
    if (style.filled) p.fillRect(rect, QColor(QRgb(kSheetFillRgb)));
    if (!text.isEmpty()) {
        const int font = style.font < fonts_.size() ? style.font : 0;
        if (font != currentFont_) {
            p.setFont(fonts_[size_t(font)]);
            currentFont_ = font;
        }
        const QRect inner = rect.adjusted(kPadding, 1, -kPadding, -1);
        const QString s = text.toString();
        if (!texts_.Draw(p, font, inner, TextFlags(style), s)) {
            p.save();
            p.setClipRect(rect, Qt::IntersectClip);
            p.drawText(inner, int(TextFlags(style)), s);
            p.restore();
        }
    }
    PaintBorders(p, rect, style.borders);
}

int TSheetPainter::Paint(QPainter &p, const TCellRect &requested, QPoint origin) const {
    const TCellRect area = requested.Intersected({1, 1, model_.ColumnCount(), model_.RowCount()});
    if (area.IsEmpty()) return 0;
    const QRect cells = geometry_.Rect(area).translated(-origin);
    p.save();
    // One pixel more to the right and below: the lines on the area's far edges belong to it.
    p.setClipRect(cells.adjusted(0, 0, 1, 1), Qt::IntersectClip);
    p.fillRect(cells, Qt::white);
    p.setPen(QPen(Qt::black, 1.0));
    currentFont_ = -1;
    int painted = 0;
    const std::vector<TCellRect> merges = model_.Merges().Intersecting(area);
    for (const TCellRect &m : merges) {
        const QRect r = geometry_.Rect(m).translated(-origin);
        if (r.isEmpty()) continue;
        PaintCell(p, r, m.left, m.top);
        ++painted;
    }
    for (int row = area.top; row <= area.bottom; ++row) {
        if (model_.RowHeight(row) == 0) continue;
        for (int col = area.left; col <= area.right; ++col) {
            if (model_.ColumnWidth(col) == 0) continue;
            if (!merges.empty() && std::any_of(merges.begin(), merges.end(),
                                               [&](const TCellRect &m) { return m.Contains(col, row); }))
                continue;
            PaintCell(p, geometry_.Rect({col, row, col, row}).translated(-origin), col, row);
            ++painted;
        }
    }
    p.restore();
    return painted;
}
