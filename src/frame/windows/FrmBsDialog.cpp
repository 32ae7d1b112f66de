#include "frame/windows/FrmBsDialog.h"

const TClassInfo TfrmBsDialog::ClassInfo{"TfrmBsDialog", &TfrmBase::ClassInfo, &ConstructComponent<TfrmBsDialog>};

TfrmBsDialog::TfrmBsDialog(const TComponentOwner &owner) : TfrmBase(owner) {
    setWindowTitle(QStringLiteral("frmBsDialog"));
    // Only the close box: no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    SetKeyPreview(true);
}

void TfrmBsDialog::FormCreate() {
    TfrmBase::FormCreate();
    FEnterAsTab = true;
}

void TfrmBsDialog::FormKeyPress(QChar &key) {
    if (key == QChar(13) && FEnterAsTab) {
        key = QChar(10);
        focusNextPrevChild(true);
    }
}

void TfrmBsDialog::FormKeyDown(int &key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_Escape) SetModalResult(mrCancel);
}
