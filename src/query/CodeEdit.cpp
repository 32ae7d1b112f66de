#include "query/CodeEdit.h"

#include "data/SqlQuote.h"
#include "platform/Form.h"

#include <QApplication>
#include <QKeyEvent>

TCodeEdit::TCodeEdit(const QString &name, QWidget *parent) : QLineEdit(parent) { setObjectName(name); }

void TCodeEdit::SetCodes(const QStringList &codes) {
    setText(codes.join(QLatin1Char(',')));
    Hint = QuotedList(codes);
    codes_ = codes;
}

void TCodeEdit::ClearCodes() {
    clear();
    Hint.clear();
    codes_.clear();
}

QStringList TCodeEdit::PickedCodes() const {
    return !codes_.isEmpty() && codes_.join(QLatin1Char(',')) == text() ? codes_ : QStringList();
}

void TCodeEdit::mouseDoubleClickEvent(QMouseEvent *event) {
    if (OnDblClick) OnDblClick();
    else QLineEdit::mouseDoubleClickEvent(event);
}

// The form the box sits on (its MDI child, not the host's main window).
static QWidget *OwningForm(QWidget *w) {
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<TForm *>(p)) return p;
    return w->window();
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
    // Losing the focus to another window (a message box, another child window) or because the
    // window is closing is not leaving the box: only a move to another control of this form is.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
    QWidget *form = OwningForm(this);
    if (!form->isVisible() || (next && !form->isAncestorOf(next))) return;
    if (OnExit) OnExit();
}

// The key's character: Backspace by its key, which comes with or without a text, and otherwise
// the first character of the text (none for keys without one).
static QChar KeyChar(const QKeyEvent *event) {
    if (event->key() == Qt::Key_Backspace) return QChar(8);
    const QString text = event->text();
    return text.isEmpty() || text.at(0) == QChar(8) ? QChar() : text.at(0);
}

bool TCodeEdit::OpensPicker(int key, Qt::KeyboardModifiers modifiers, bool boxEmpty) {
    modifiers &= ~Qt::KeypadModifier;  // the keypad's Enter and arrows are the same keys
    if (key == Qt::Key_F4) return modifiers == Qt::NoModifier;  // Alt+F4 and Ctrl+F4 close windows
    if (key == Qt::Key_Down) return modifiers == Qt::AltModifier;
    return (key == Qt::Key_Return || key == Qt::Key_Enter) && modifiers == Qt::NoModifier && boxEmpty;
}

void TCodeEdit::keyPressEvent(QKeyEvent *event) {
    if (OnDblClick && OpensPicker(event->key(), event->modifiers(), text().trimmed().isEmpty())) {
        event->accept();
        OnDblClick();
        return;
    }
    QChar key = KeyChar(event);
    if (OnKeyPress && !key.isNull()) {
        OnKeyPress(key);
        if (key.isNull()) return;
    }
    QLineEdit::keyPressEvent(event);
}
