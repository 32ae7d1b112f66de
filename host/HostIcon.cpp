#include "HostIcon.h"

#include "platform/VectorIcon.h"

#include <QPainter>
#include <QPainterPath>

QIcon HostIcon() {
    return VectorIcon([](QPainter *p) {
        p->setRenderHint(QPainter::Antialiasing);
        QPainterPath tile;
        tile.addRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
        p->fillPath(tile, QColor(0x2f, 0x6d, 0xb5));
        p->setPen(Qt::NoPen);
        p->setBrush(Qt::white);
        const qreal heights[3] = {4, 7, 10};
        for (int i = 0; i < 3; ++i) p->drawRect(QRectF(3.5 + i * 3.5, 13 - heights[i], 2.5, heights[i]));
    });
}
