#include "report/OneLineText.h"

#include <QPainter>
#include <QTextLine>

namespace {
// Characters drawText turns into something else (line breaks, tabs, the length-variant mark) and
// right-to-left or direction-changing ones: such texts are always drawn by drawText itself.
bool PlainLine(const QString &text) {
    for (QChar c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\t' || c == QChar(0x9c) || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            return false;
        switch (c.direction()) {
        case QChar::DirR: case QChar::DirAL: case QChar::DirAN: case QChar::DirRLE: case QChar::DirRLO:
        case QChar::DirLRE: case QChar::DirLRO: case QChar::DirPDF: case QChar::DirRLI: case QChar::DirLRI:
        case QChar::DirFSI: case QChar::DirPDI: return false;
        default: break;
        }
    }
    return !text.isEmpty();
}
}  // namespace

const TOneLineTexts::TLaidOut &TOneLineTexts::LaidOut(const QPainter &painter, const TKey &key) {
    if (auto found = kept_.constFind(key); found != kept_.cend()) return **found;
    if (kept_.size() >= kMaxKept) kept_.clear();
    auto made = std::make_shared<TLaidOut>();
    TLaidOut &t = *made;
    // As drawText lays a text out in a rectangle: the painter's font, left-aligned lines as wide
    // as the rectangle, the first line at the top.
    t.layout.setText(key.text);
    t.layout.setFont(painter.font());
    QTextOption option;
    option.setTextDirection(painter.layoutDirection());
    option.setAlignment(Qt::AlignLeft);
    t.layout.setTextOption(option);
    t.layout.setCacheEnabled(true);
    t.layout.beginLayout();
    QTextLine line = t.layout.createLine();
    if (line.isValid()) {
        line.setLineWidth(std::max<qreal>(0, key.width));
        line.setPosition(QPointF(0, 0));
        t.width = line.naturalTextWidth();
        t.height = line.ascent() + line.descent();
        t.advance = line.horizontalAdvance();
        t.fits = !t.layout.createLine().isValid() && t.width <= key.width;
    }
    t.layout.endLayout();
    return **kept_.insert(key, std::move(made));
}

bool TOneLineTexts::Draw(QPainter &painter, int font, const QRectF &inner, Qt::Alignment align, const QString &text) {
    if (painter.layoutDirection() == Qt::RightToLeft || !PlainLine(text)) return false;
    if (painter.device() != device_) {
        kept_.clear();
        device_ = painter.device();
    }
    const TLaidOut &t = LaidOut(painter, {text, font, inner.width()});
    if (!t.fits || t.height > inner.height()) return false;
    const qreal y = align & Qt::AlignBottom    ? inner.height() - t.height
                    : align & Qt::AlignVCenter ? (inner.height() - t.height) / 2
                                               : 0;
    const qreal x = align & Qt::AlignRight     ? inner.width() - t.advance
                    : align & Qt::AlignHCenter ? (inner.width() - t.advance) / 2
                                               : 0;
    t.layout.lineAt(0).draw(&painter, QPointF(inner.x() + x, inner.y() + y));
    return true;
}
