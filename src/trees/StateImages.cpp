#include "trees/StateImages.h"

#include "platform/VectorIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void Box(QPainter *p, const QColor &fill) {
    p->setPen(QPen(QColor(0x33, 0x4d, 0x80), 1.0));
    p->setBrush(fill);
    p->drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 1.5, 1.5);
}

void Tick(QPainter *p, const QColor &colour) {
    QPainterPath path;
    path.moveTo(4.8, 8.2);
    path.lineTo(7.0, 10.6);
    path.lineTo(11.4, 5.2);
    p->setPen(QPen(colour, 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p->setBrush(Qt::NoBrush);
    p->drawPath(path);
}

void Folder(QPainter *p) {
    p->setPen(QPen(QColor(0x9a, 0x6b, 0x12), 0.9));
    p->setBrush(QColor(0xf2, 0xc4, 0x4f));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.3, 5);
    back.lineTo(13.5, 5);
    back.lineTo(13.5, 13);
    back.lineTo(1.5, 13);
    back.closeSubpath();
    p->drawPath(back);
    p->setBrush(QColor(0xfb, 0xdc, 0x80));
    QPainterPath front;
    front.moveTo(1.5, 13);
    front.lineTo(3.6, 7.2);
    front.lineTo(15.2, 7.2);
    front.lineTo(13.5, 13);
    front.closeSubpath();
    p->drawPath(front);
}

void Door(QPainter *p) {
    p->setPen(QPen(QColor(0x5a, 0x3a, 0x1a), 0.9));
    p->setBrush(QColor(0xb0, 0x7a, 0x45));
    p->drawRect(QRectF(4.5, 1.5, 7, 13));
    p->setBrush(QColor(0xf0, 0xd0, 0x40));
    p->drawEllipse(QPointF(10, 8.5), 0.8, 0.8);
}

void Draw(TStatePicture picture, QPainter *p) {
    switch (picture) {
    case spDoor: Door(p); break;
    case spEmpty: Box(p, Qt::white); break;
    case spPartly:
        Box(p, QColor(0xc8, 0xc8, 0xc8));
        Tick(p, QColor(0x55, 0x55, 0x55));
        break;
    case spTicked:
        Box(p, Qt::white);
        Tick(p, QColor(0x10, 0x7a, 0x2a));
        break;
    case spOpenFolder: Folder(p); break;
    }
}

}  // namespace

QIcon StatePicture(TStatePicture picture) {
    return VectorIcon([picture](QPainter *p) { Draw(picture, p); });
}

QList<QIcon> StatePictures() {
    return {StatePicture(spDoor), StatePicture(spEmpty), StatePicture(spPartly), StatePicture(spTicked),
            StatePicture(spOpenFolder)};
}
