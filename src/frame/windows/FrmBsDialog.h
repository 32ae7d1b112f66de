#pragma once
// TfrmBsDialog: the base of the module's modal dialogs. While FEnterAsTab is set, Enter moves the
// focus to the next control and goes on to its own control as a line feed (a new line in a
// multi-line field, nothing in a one-line field); Esc ends the modal show with the cancel result.
#include "frame/windows/FrmBase.h"

class TfrmBsDialog : public TfrmBase {
    Q_OBJECT
public:
    static const TClassInfo ClassInfo;
    explicit TfrmBsDialog(const TComponentOwner &owner);

    bool FEnterAsTab = false;

    // The form's key handlers, public so that their effect on a key can be checked directly.
    void FormKeyPress(QChar &key) override;
    void FormKeyDown(int &key, Qt::KeyboardModifiers shift) override;

protected:
    void FormCreate() override;
};
