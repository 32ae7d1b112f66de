#include "platform/VectorIcon.h"

#include <QPainter>
#include <QPixmap>

// The drawing is rendered into pixmaps for the usual sizes at every common screen scale, and
// Qt's own icon engine picks the nearest. A QIcon of Qt's own engine also stays valid in caches
// (a style's item option, for one) after the module that drew it has been unloaded, which an
// engine class of the module's would not.
QIcon VectorIcon(TVectorDrawing drawing) {
    QIcon icon;
    for (int side : {16, 20, 24, 32}) {
        for (qreal scale : {1.0, 1.25, 1.5, 2.0, 3.0, 4.0}) {
            const int pixels = qRound(side * scale);
            QPixmap pm(pixels, pixels);
            pm.fill(Qt::transparent);
            {
                QPainter p(&pm);
                p.setRenderHint(QPainter::Antialiasing);
                p.scale(pixels / 16.0, pixels / 16.0);
                drawing(&p);
            }
            pm.setDevicePixelRatio(scale);
            icon.addPixmap(pm);
        }
    }
    return icon;
}
