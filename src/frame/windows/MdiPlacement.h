#pragma once
// Where a child window goes in the host's MDI area: plain functions of sizes and positions.
#include <QPoint>
#include <QRect>
#include <QSize>

// The designed rectangle made to lie inside an area of `area`: sized down to the area where it is
// larger, then moved left and up as far as needed, so that its frame and close box are in view.
// An empty area leaves it as designed.
QRect FitIntoArea(const QRect &designed, const QSize &area);

// A window of `size` (already fitted to the area) opened after one at `after`: `step` pixels right
// and down from it, its size cut to what remains of the area. When that would leave less than
// three quarters of its width or height, it goes back to the area's top left at its full size.
QRect CascadeAfter(const QPoint &after, const QSize &size, const QSize &area, int step);
