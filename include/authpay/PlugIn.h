#pragma once
// The plug-in contract between the host and libauthpay.so.
//
// The host fills a TPlugInHostInfo and passes it to the one export, ShowPlugInWindow, together
// with the class name of the window to open. Field order is that of the 32-bit host's record;
// on a 64-bit platform every reference is a pointer, so the byte offsets become:
//
//   TPlugInHostInfo (40 bytes)            TPlugInModuleInfo (32 bytes)
//     0  UserContext      TUserContext*     0  ModuleId     int32 (host's, never changed)
//     8  ModuleInfo       TPlugInModuleInfo* 8  ModuleName   const char* (GBK, NUL-terminated)
//    16  Notifier         IPlugInNotifier*  16  SystemName   const char* (GBK, NUL-terminated)
//    24  HostApplication  TApplication*     24  Description  const char* (GBK, NUL-terminated)
//    32  HostScreen       TScreen*
//
// The host keeps the record, and everything it points to, alive and unchanged while the module
// is loaded: the module keeps the pointer and reads it again when its last window closes.
#include <cstddef>
#include <cstdint>

class TApplication;
class TScreen;
struct TUserContext;

struct TPlugInModuleInfo {
    int32_t ModuleId;
    const char *ModuleName;   // "授权支出模块", 12 bytes of GBK
    const char *SystemName;   // "支付管理子系统", 14 bytes of GBK
    const char *Description;  // "完成授权支付的支出、查询等功能", 30 bytes of GBK
};

// The host object told when the module's last window is gone. The three counted-interface
// operations come first; the release notice is entry 3 of the dispatch table.
class IPlugInNotifier {
public:
    virtual int32_t QueryInterface(const void *iid, void **obj) = 0;
    virtual int32_t AddRef() = 0;
    virtual int32_t Release() = 0;
    virtual int32_t ModuleReleased(int32_t moduleId) = 0;

protected:
    ~IPlugInNotifier() = default;
};

struct TPlugInHostInfo {
    TUserContext *UserContext;
    TPlugInModuleInfo *ModuleInfo;
    IPlugInNotifier *Notifier;  // may be null
    TApplication *HostApplication;
    TScreen *HostScreen;
};

static_assert(offsetof(TPlugInHostInfo, ModuleInfo) == sizeof(void *));
static_assert(offsetof(TPlugInHostInfo, HostScreen) == 4 * sizeof(void *));
static_assert(offsetof(TPlugInModuleInfo, ModuleName) == sizeof(void *));

// Opens (or re-shows) the module window of the given class. Returns 0 when the call completed;
// a non-zero result means the host record was unusable and nothing was opened.
extern "C" {
using ShowPlugInWindowFn = int32_t (*)(const char *className, TPlugInHostInfo *hostInfo);
}
#define AUTHPAY_EXPORT_NAME "ShowPlugInWindow"
