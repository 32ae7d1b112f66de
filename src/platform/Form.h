#pragma once
// TForm: a designed window of the windowing library, over QDialog. It carries the form-level
// ideas the module's windows rely on: position policy, modal result and modal show, form state,
// the being-destroyed mark, key preview, and the create/destroy/show/close/key handlers that
// descendants override (a descendant calls its base handler itself when it wants its effect).
#include "platform/ClassInfo.h"

#include <QDialog>
#include <cstdint>
#include <exception>

enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly,
    poScreenCenter, poDesktopCenter, poMainFormCenter, poOwnerFormCenter
};
enum TCloseAction { caNone = 0, caHide = 1, caFree = 2, caMinimize = 3 };
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };
enum TFormStateFlag { fsCreating = 1, fsVisible = 2, fsShowing = 4, fsModal = 8, fsCreatedMDIChild = 16 };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };

// The windowing library's form classes.
extern const TClassInfo TCustomFormClass;
extern const TClassInfo TFormClass;

// Whether the object's destruction has begun (a form that is being freed).
bool IsBeingDestroyed(const QObject *obj);

class TForm : public QDialog {
    Q_OBJECT
public:
    static constexpr const TClassInfo &ClassInfo = TFormClass;

    explicit TForm(const TComponentOwner &owner);
    ~TForm() override;

    // Runs the create handler once the whole object exists (the factory and the constructor
    // helper call it right after construction).
    void AfterConstruction();
    // Runs the destroy handler while the object is still whole and marks it as being destroyed;
    // only the first call does anything. Deferred deletion calls it, and so does the destructor of
    // every form class that overrides FormDestroy (first thing), so that a direct delete, or the
    // application object freeing its windows, runs the most derived handler exactly once too.
    void BeforeDestruction();
    bool IsDestroying() const { return destroying_; }
    // Frees the window: destroy handler now, deletion when control returns to the event loop.
    void Release();

    TPosition Position = poDesktopCenter;
    TFormStyle FormStyle = fsNormal;
    TWindowState WindowState = wsNormal;
    int FormState = 0;
    bool KeyPreview = false;
    void SetKeyPreview(bool on);

    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result);
    // Shows the window modally and returns its modal result once it closes. A show handler that
    // fails ends the modal show at once, and its failure comes out of this call.
    virtual int ShowModal();
    // Shows the window modelessly and brings it to the front.
    virtual void Show();

    // The show-modal flag of module windows (null for forms that carry none): non-zero means the
    // window is shown modally when it is opened through the window keeper.
    virtual const uint8_t *ShowModalFlag() const { return nullptr; }

    // Sets left/top/width/height the way the designer does (outer frame of a top-level window).
    void SetBounds(int left, int top, int width, int height);
    int Left() const;
    int Top() const;
    void SetLeft(int left);
    void SetTop(int top);

protected:
    virtual void FormCreate() {}
    virtual void FormDestroy() {}
    virtual void FormShow() {}
    virtual void FormClose(TCloseAction &action) {}
    // Key handlers: Key is a Qt key code / the character; setting it to 0 consumes the key.
    virtual void FormKeyDown(int &key, Qt::KeyboardModifiers shift) {}
    virtual void FormKeyPress(QChar &key) {}
    // Called when the key-press handler replaced the key's character (rather than consuming it):
    // the base sends the new character on to the control the key was typed in.
    virtual void KeyCharReplaced(QObject *target, QChar key);
    // Called inside a catch block when a handler run from Qt's event loop failed: no exception
    // may unwind through Qt. The base writes the failure to stderr; the module's windows hand it to
    // the application object.
    virtual void HandlerFailed();
    // Runs a handler from an event; a failure goes to HandlerFailed. Answers whether it ran through.
    template <class Handler>
    bool RunHandler(Handler &&handler) {
        try {
            handler();
            return true;
        } catch (...) {
            HandlerFailed();
            return false;
        }
    }

    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool PreviewKey(QObject *target, QKeyEvent *event);
    void ApplyPosition();

    int modalResult_ = mrNone;
    bool destroying_ = false;
    bool destroyHandled_ = false;
    bool inModalLoop_ = false;
    bool positioned_ = false;
    bool previewInstalled_ = false;
    bool delivering_ = false;  // a replaced key is on its way to its control
    std::exception_ptr showFailure_;
};
