#pragma once
// Exceptions of the windowing library's own classes that the module meets.
#include "authpay/Exception.h"

AUTHPAY_EXCEPTION_CLASS(EFilerError, Exception);
AUTHPAY_EXCEPTION_CLASS(EStringListError, Exception);
AUTHPAY_EXCEPTION_CLASS(EConvertError, Exception);
AUTHPAY_EXCEPTION_CLASS(EOutOfMemory, Exception);

// The library's resource strings used with these exceptions.
inline QString SDuplicateClass(const QString &name) {
    return QStringLiteral("A class named %1 already exists").arg(name);
}
inline QString SListIndexError(int index) {
    return QStringLiteral("List index out of bounds (%1)").arg(index);
}
inline QString SInvalidInteger(const QString &text) {
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}
inline QString SOutOfMemory() {
    return QStringLiteral("内存不足，操作未能完成。请缩小查询条件或关闭其他窗口后再试。");
}
