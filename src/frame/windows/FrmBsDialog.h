#pragma once
// TfrmBsDialog: the base of the module's modal dialogs. Enter moves the focus to the next
// control while FEnterAsTab is set; Esc ends the modal show with the cancel result.
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
