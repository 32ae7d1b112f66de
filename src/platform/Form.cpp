#include "platform/Form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <cstdio>
#include <utility>

namespace {
template <const TClassInfo &Cls> QObject *ConstructForm(const TComponentOwner &owner) {
    auto *form = new TForm(owner);
    AttachToOwner(form, Cls, owner);
    form->AfterConstruction();
    return form;
}
}  // namespace

const TClassInfo TCustomFormClass{"TCustomForm", &TScrollingWinControlClass, &ConstructForm<TCustomFormClass>};
const TClassInfo TFormClass{"TForm", &TCustomFormClass, &ConstructForm<TFormClass>};

bool IsBeingDestroyed(const QObject *obj) {
    if (auto *form = qobject_cast<const TForm *>(obj)) return form->IsDestroying();
    return false;
}


TForm::TForm(const TComponentOwner &owner) : QDialog(qobject_cast<QWidget *>(owner.Component)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
}

TForm::~TForm() {
    destroying_ = true;
    if (previewInstalled_ && qApp) qApp->removeEventFilter(this);
}

void TForm::AfterConstruction() {
    FormState |= fsCreating;
    FormCreate();
    FormState &= ~fsCreating;
}

void TForm::BeforeDestruction() {
    if (destroyHandled_) return;
    destroyHandled_ = true;
    destroying_ = true;
    RunHandler([this] { FormDestroy(); });
}

void TForm::HandlerFailed() {
    try {
        throw;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "unknown failure in a window's handler\n");
    }
}

void TForm::Release() {
    // Marked at once, so that the window keeper no longer hands it out; its destroy handler runs
    // when the deletion happens.
    destroying_ = true;
    deleteLater();
}

void TForm::SetKeyPreview(bool on) {
    KeyPreview = on;
    if (on && !previewInstalled_ && qApp) {
        qApp->installEventFilter(this);
        previewInstalled_ = true;
    } else if (!on && previewInstalled_) {
        qApp->removeEventFilter(this);
        previewInstalled_ = false;
    }
}

void TForm::SetModalResult(int result) {
    modalResult_ = result;
    if (result != mrNone && inModalLoop_) done(result);
}

int TForm::ShowModal() {
    modalResult_ = mrNone;
    inModalLoop_ = true;
    FormState |= fsModal;
    setModal(true);
    showFailure_ = nullptr;
    exec();
    // Modality belongs to this show only: a later Show() must not block the other windows.
    setModal(false);
    inModalLoop_ = false;
    FormState &= ~fsModal;
    if (std::exception_ptr failure = std::exchange(showFailure_, nullptr)) std::rethrow_exception(failure);
    return modalResult_;
}

void TForm::Show() {
    show();
    raise();
    activateWindow();
}

// A form shown as an MDI child is placed by its sub-window, in the MDI area's coordinates;
// moving the form itself would shift its contents inside the sub-window's frame.
static QWidget *PlacedWidget(const TForm *form) {
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget())) return sub;
    return const_cast<TForm *>(form);
}

void TForm::SetBounds(int left, int top, int width, int height) {
    resize(width, height);
    move(left, top);
}

int TForm::Left() const { return PlacedWidget(this)->pos().x(); }
int TForm::Top() const { return PlacedWidget(this)->pos().y(); }
void TForm::SetLeft(int left) { PlacedWidget(this)->move(left, Top()); }
void TForm::SetTop(int top) { PlacedWidget(this)->move(Left(), top); }

void TForm::ApplyPosition() {
    if (positioned_ || parentWidget()) return;
    positioned_ = true;
    if (Position != poScreenCenter && Position != poDesktopCenter) return;
    if (QScreen *s = QGuiApplication::primaryScreen()) {
        const QRect g = s->geometry();
        move((g.width() - width()) / 2, (g.height() - height()) / 2);
    }
}

// The show handler runs when the form becomes visible: not when it reappears because its MDI
// frame or the main window was restored from minimised.
void TForm::showEvent(QShowEvent *event) {
    ApplyPosition();
    const bool becameVisible = !(FormState & fsVisible);
    FormState |= fsVisible;
    QDialog::showEvent(event);
    if (!becameVisible) return;
    try {
        FormShow();
    } catch (...) {
        if (!inModalLoop_) {
            HandlerFailed();
            return;
        }
        // The modal show ends and hands the failure to whoever asked for it.
        showFailure_ = std::current_exception();
        QMetaObject::invokeMethod(this, [this] { done(mrCancel); }, Qt::QueuedConnection);
    }
}

// Only hiding the form itself makes it invisible; a frame or main window that is minimised
// hides it for a while without changing that.
static bool FrameMinimized(const QWidget *w) {
    for (const QWidget *p = w->parentWidget(); p; p = p->parentWidget())
        if (p->windowState() & Qt::WindowMinimized) return true;
    return false;
}

void TForm::hideEvent(QHideEvent *event) {
    QDialog::hideEvent(event);
    if (isHidden() && !FrameMinimized(this)) FormState &= ~fsVisible;
}

void TForm::closeEvent(QCloseEvent *event) {
    TCloseAction action = caHide;
    if (!RunHandler([&] { FormClose(action); })) action = caNone;
    switch (action) {
    case caNone:
        event->ignore();
        return;
    case caMinimize:
        event->ignore();
        showMinimized();
        return;
    case caFree:
        event->accept();
        Release();
        break;
    case caHide:
        event->accept();
        break;
    }
    FormState &= ~fsVisible;
    // Closing a modal window by its close box ends the modal show with the cancel result.
    if (inModalLoop_) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        done(modalResult_);
    }
}

void TForm::keyPressEvent(QKeyEvent *event) {
    // Without key preview the form sees the keys that its controls left unhandled. Esc and Enter
    // are not given QDialog's meaning: a form decides that in its own key handlers.
    if (!KeyPreview && !delivering_ && PreviewKey(this, event)) return;
    QWidget::keyPressEvent(event);
}

bool TForm::event(QEvent *event) {
    if (event->type() == QEvent::DeferredDelete) BeforeDestruction();
    return QDialog::event(event);
}

bool TForm::eventFilter(QObject *watched, QEvent *event) {
    // A replaced key on its way to its control is not looked at again.
    if (KeyPreview && !delivering_ && event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        if (w->window() == this && w->hasFocus()) return PreviewKey(w, static_cast<QKeyEvent *>(event));
    }
    return QDialog::eventFilter(watched, event);
}

// Key down first, then the key's character; answers whether the key was consumed.
bool TForm::PreviewKey(QObject *target, QKeyEvent *event) {
    int key = event->key();
    if (!RunHandler([&] { FormKeyDown(key, event->modifiers()); })) return true;
    if (key == 0) return true;
    const QString text = event->text();
    if (text.size() != 1) return false;
    QChar ch = text.at(0);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) ch = QChar(13);
    const QChar typed = ch;
    const QPointer<QObject> control(target);  // the handler may move the focus, or free the control
    if (!RunHandler([&] { FormKeyPress(ch); })) return true;
    if (ch.isNull()) return true;
    if (ch != typed) {
        if (control) KeyCharReplaced(control, ch);
        return true;
    }
    return false;
}

// The replacement goes to the control the key was typed in, which may have lost the focus to the
// handler meanwhile. Qt's multi-line text controls start a new line on Return, not on a line-feed
// character, so a line feed reaches them as that key; everything else goes as the bare character,
// which a control that cannot take it (a one-line field, a button) ignores.
void TForm::KeyCharReplaced(QObject *target, QChar key) {
    if (!target) return;
    int code = 0;
    if (key == QChar(10) && target->isWidgetType()
        && (static_cast<QWidget *>(target)->inputMethodHints() & Qt::ImhMultiLine))
        code = Qt::Key_Return;
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, QString(key));
    const bool outer = std::exchange(delivering_, true);
    QCoreApplication::sendEvent(target, &press);
    delivering_ = outer;
}
