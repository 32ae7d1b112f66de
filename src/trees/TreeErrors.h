#pragma once
// The failures of the tree components, with the messages they carry.
#include "authpay/Exception.h"

AUTHPAY_EXCEPTION_CLASS(TExceptDynamicTree, Exception);
AUTHPAY_EXCEPTION_CLASS(TExceptCheckTree, Exception);

// "没有指定%S属性值！": a property that activation needs has no value.
inline QString SNoPropertyValue(const QString &property) {
    return QStringLiteral("没有指定%1属性值！").arg(property);
}
inline QString SConnectionNotOpen() { return QStringLiteral("指定的AdoConnection没有打开！"); }
inline QString SNodeInfoLost() { return QStringLiteral("节点信息丢失！"); }
// "%s属性的值必须大于0": a state index below 1.
inline QString SMustBePositive(const QString &property) {
    return QStringLiteral("%1属性的值必须大于0").arg(property);
}
