#include "platform/Panel.h"

#include <QPainter>

TPanel::TPanel(const QString &name, QWidget *parent, bool outerBevel) : QFrame(parent), Caption(name) {
    setObjectName(name);
    // Opaque like the library's panels: a parent's caption must not show through its children.
    setAutoFillBackground(true);
    if (outerBevel) setFrameStyle(QFrame::Panel | QFrame::Raised);
    else setFrameStyle(QFrame::NoFrame);
}

void TPanel::SetCaption(const QString &caption) {
    Caption = caption;
    update();
}

void TPanel::paintEvent(QPaintEvent *event) {
    QFrame::paintEvent(event);
    if (Caption.isEmpty()) return;
    QPainter p(this);
    p.drawText(contentsRect(), Qt::AlignCenter, Caption);
}
