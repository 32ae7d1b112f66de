#include "trees/StateImages.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// Paints one picture into any rectangle; pixmaps are painted at the device pixel ratio asked for.
class TStatePictureEngine : public QIconEngine {
public:
    explicit TStatePictureEngine(TStatePicture picture) : picture_(picture) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        // Work in a 16 x 16 design grid, centred in the rectangle.
        const qreal side = qMin(rect.width(), rect.height());
        painter->translate(rect.x() + (rect.width() - side) / 2.0, rect.y() + (rect.height() - side) / 2.0);
        painter->scale(side / 16.0, side / 16.0);
        if (mode == QIcon::Disabled) painter->setOpacity(0.45);
        Draw(painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        QPixmap pm(size * scale);
        pm.setDevicePixelRatio(scale);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        paint(&p, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    QIconEngine *clone() const override { return new TStatePictureEngine(picture_); }
    QString key() const override { return QStringLiteral("TStatePictureEngine"); }

private:
    static void Box(QPainter *p, const QColor &fill) {
        p->setPen(QPen(QColor(0x33, 0x4d, 0x80), 1.0));
        p->setBrush(fill);
        p->drawRoundedRect(QRectF(2.5, 2.5, 11, 11), 1.5, 1.5);
    }
    static void Tick(QPainter *p, const QColor &colour) {
        QPainterPath path;
        path.moveTo(4.8, 8.2);
        path.lineTo(7.0, 10.6);
        path.lineTo(11.4, 5.2);
        p->setPen(QPen(colour, 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p->setBrush(Qt::NoBrush);
        p->drawPath(path);
    }
    static void Folder(QPainter *p) {
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
    static void Door(QPainter *p) {
        p->setPen(QPen(QColor(0x5a, 0x3a, 0x1a), 0.9));
        p->setBrush(QColor(0xb0, 0x7a, 0x45));
        p->drawRect(QRectF(4.5, 1.5, 7, 13));
        p->setBrush(QColor(0xf0, 0xd0, 0x40));
        p->drawEllipse(QPointF(10, 8.5), 0.8, 0.8);
    }
    void Draw(QPainter *p) const {
        switch (picture_) {
        case spDoor: Door(p); break;
        case spEmpty: Box(p, Qt::white); break;
        case spPartly: Box(p, QColor(0xc8, 0xc8, 0xc8)); Tick(p, QColor(0x55, 0x55, 0x55)); break;
        case spTicked: Box(p, Qt::white); Tick(p, QColor(0x10, 0x7a, 0x2a)); break;
        case spOpenFolder: Folder(p); break;
        }
    }

    TStatePicture picture_;
};

}  // namespace

QIcon StatePicture(TStatePicture picture) { return QIcon(new TStatePictureEngine(picture)); }

QList<QIcon> StatePictures() {
    return {StatePicture(spDoor), StatePicture(spEmpty), StatePicture(spPartly), StatePicture(spTicked),
            StatePicture(spOpenFolder)};
}
