#include "dialogs/PickerPictures.h"

#include "platform/VectorIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

QIcon ElementNodePicture() {
    return VectorIcon([](QPainter *p) {
        p->setPen(QPen(QColor(0x1b, 0x3f, 0x8f), 0.8));
        p->setBrush(QColor(0x3f, 0x7f, 0xe0));
        p->drawPolygon(QPolygonF({{8, 0.6}, {15.4, 8}, {8, 15.4}, {0.6, 8}}));
        // The pen: a thin bar from lower left to upper right with a point.
        p->setPen(QPen(QColor(0xf5, 0xd0, 0x30), 1.6, Qt::SolidLine, Qt::RoundCap));
        p->drawLine(QPointF(5, 11), QPointF(10.5, 5.5));
        // The hammer: a handle across the other way and a head.
        p->setPen(QPen(QColor(0xf2, 0xf2, 0xf2), 1.3, Qt::SolidLine, Qt::RoundCap));
        p->drawLine(QPointF(5.5, 5.5), QPointF(11, 11));
        p->setPen(Qt::NoPen);
        p->setBrush(QColor(0xe8, 0xe8, 0xe8));
        p->save();
        p->translate(5.2, 5.2);
        p->rotate(45);
        p->drawRect(QRectF(-2.4, -1.1, 4.8, 2.2));
        p->restore();
    });
}

QIcon ConfirmPicture() {
    return VectorIcon([](QPainter *p) {
        QPainterPath tick;
        tick.moveTo(2.5, 8.5);
        tick.lineTo(6.3, 12.2);
        tick.lineTo(13.5, 3.8);
        p->setPen(QPen(QColor(0x10, 0x8a, 0x2a), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p->drawPath(tick);
    });
}

QIcon ClosePicture() {
    return VectorIcon([](QPainter *p) {
        p->setPen(QPen(QColor(0xc0, 0x20, 0x20), 2.2, Qt::SolidLine, Qt::RoundCap));
        p->drawLine(QPointF(4, 4), QPointF(12, 12));
        p->drawLine(QPointF(12, 4), QPointF(4, 12));
    });
}
