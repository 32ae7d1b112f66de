#pragma once
// Cell texts that stand on one line inside their cell, laid out once and drawn as often as they
// recur. A laid-out text is placed exactly as QPainter::drawText places it in a rectangle with the
// same alignment (word wrap on), so pages and screens look the same whichever way a text went;
// what it saves is shaping the same text again for every cell and page it appears on.
#include <QFont>
#include <QHash>
#include <QRectF>
#include <QString>
#include <QTextLayout>
#include <memory>

class QPainter;

class TOneLineTexts {
public:
    // Draws `text` into `inner` with the painter's current font (font number `font` of the sheet)
    // when it lies on one line within `inner`; false, drawing nothing, when it would wrap, spill
    // over or holds line breaks or tabs: the caller then draws it clipped to its cell.
    bool Draw(QPainter &painter, int font, const QRectF &inner, Qt::Alignment align, const QString &text);

    // Laid-out texts kept at most; the cache is emptied when it is full.
    static constexpr int kMaxKept = 8192;

private:
    struct TKey {
        QString text;
        int font;
        qreal width;
        friend bool operator==(const TKey &, const TKey &) = default;
        friend size_t qHash(const TKey &k, size_t seed = 0) { return qHashMulti(seed, k.text, k.font, k.width); }
    };
    struct TLaidOut {
        QTextLayout layout;
        bool fits = false;
        qreal width = 0, height = 0, advance = 0;
    };
    const TLaidOut &LaidOut(const QPainter &painter, const TKey &key);

    QHash<TKey, std::shared_ptr<TLaidOut>> kept_;
    const void *device_ = nullptr;
};
