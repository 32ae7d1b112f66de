#pragma once
// Pictures drawn as vectors on a 16 x 16 design grid and rendered for every usual size and screen
// scale, so that they stay sharp wherever they are shown.
#include <QIcon>
#include <functional>

class QPainter;

using TVectorDrawing = std::function<void(QPainter *painter)>;
QIcon VectorIcon(TVectorDrawing drawing);
