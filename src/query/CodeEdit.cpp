#include "query/CodeEdit.h"

#include "data/SqlQuote.h"

#include <QApplication>
#include <QKeyEvent>

TCodeEdit::TCodeEdit(const QString &name, QWidget *parent) : QLineEdit(parent) { setObjectName(name); }

void TCodeEdit::SetCodes(const QStringList &codes) {
    setText(codes.join(QLatin1Char(',')));
    Hint = QuotedList(codes);
}

void TCodeEdit::ClearCodes() {
    clear();
    Hint.clear();
}

void TCodeEdit::mouseDoubleClickEvent(QMouseEvent *event) {
    if (OnDblClick) OnDblClick();
    else QLineEdit::mouseDoubleClickEvent(event);
}

void TCodeEdit::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    // A click on something that takes no focus (a tool button, an empty spot) hands the focus to
    // the enclosing frame, such as the MDI child's: the box is not left, so it takes it back.
    QWidget *next = QApplication::focusWidget();
    if (event->reason() == Qt::MouseFocusReason && next && next != this && next->isAncestorOf(this)) {
        setFocus(Qt::OtherFocusReason);
        return;
    }
    // Losing the focus to another window (a message box) is not leaving the box.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason && OnExit) OnExit();
}

void TCodeEdit::keyPressEvent(QKeyEvent *event) {
    if (OnKeyPress && !event->text().isEmpty()) {
        QChar key = event->key() == Qt::Key_Backspace ? QChar(8) : event->text().at(0);
        OnKeyPress(key);
        if (key.isNull()) return;
    }
    QLineEdit::keyPressEvent(event);
}
