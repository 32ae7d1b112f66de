#pragma once
// The module's descriptive texts as the host reads them: NUL-terminated GBK bytes, valid while
// the module stays loaded. Inside the module all text is Unicode.
namespace authpay {
// "授权支出模块" (12 bytes)
inline constexpr char kModuleNameGbk[] = "\xca\xda\xc8\xa8\xd6\xa7\xb3\xf6\xc4\xa3\xbf\xe9";
// "支付管理子系统" (14 bytes)
inline constexpr char kSystemNameGbk[] = "\xd6\xa7\xb8\xb6\xb9\xdc\xc0\xed\xd7\xd3\xcf\xb5\xcd\xb3";
// "完成授权支付的支出、查询等功能" (30 bytes)
inline constexpr char kDescriptionGbk[] =
    "\xcd\xea\xb3\xc9\xca\xda\xc8\xa8\xd6\xa7\xb8\xb6\xb5\xc4\xd6\xa7\xb3\xf6\xa1\xa2\xb2\xe9\xd1\xaf\xb5\xc8\xb9\xa6\xc4\xdc";
static_assert(sizeof(kModuleNameGbk) == 13 && sizeof(kSystemNameGbk) == 15 && sizeof(kDescriptionGbk) == 31);
}  // namespace authpay
