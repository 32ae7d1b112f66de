#pragma once
// The module's code pickers (the unit picker and the data tree dialog) as a host answers them
// without a user: their tree and buttons, which the host works with real mouse and key events as
// a user would. A host gets it from the modal dialog with qobject_cast<authpay::ICodePicker *>.
#include <QAbstractButton>
#include <QObject>
#include <QTreeWidget>

namespace authpay {

// What a node of the tree answers: its code, whether it is a bottom-level code, its check state.
enum CodeNodeRole { CodeRole = Qt::UserRole + 1, IsLeafRole, CheckStateRole };

class ICodePicker {
public:
    virtual ~ICodePicker() = default;
    virtual QTreeWidget *CodeTree() = 0;
    virtual QAbstractButton *ConfirmButton() = 0;
    virtual QAbstractButton *CloseButton() = 0;
};

}  // namespace authpay

#define AUTHPAY_CODE_PICKER_IID "cn.budget.authpay.ICodePicker/1"
Q_DECLARE_INTERFACE(authpay::ICodePicker, AUTHPAY_CODE_PICKER_IID)
