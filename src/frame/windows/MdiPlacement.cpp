#include "frame/windows/MdiPlacement.h"

#include <algorithm>

QRect FitIntoArea(const QRect &designed, const QSize &area) {
    if (area.isEmpty()) return designed;
    const QSize size = designed.size().boundedTo(area);
    const int x = std::clamp(designed.x(), 0, area.width() - size.width());
    const int y = std::clamp(designed.y(), 0, area.height() - size.height());
    return QRect(QPoint(x, y), size);
}

QRect CascadeAfter(const QPoint &after, const QSize &size, const QSize &area, int step) {
    const QPoint at(std::max(0, after.x()) + step, std::max(0, after.y()) + step);
    const QSize cut = size.boundedTo(QSize(area.width() - at.x(), area.height() - at.y()));
    if (cut.width() * 4 < size.width() * 3 || cut.height() * 4 < size.height() * 3)
        return QRect(QPoint(0, 0), size.boundedTo(area));
    return QRect(at, cut);
}
