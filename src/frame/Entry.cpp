// The module's one export and its load/unload handling. Start-up runs in a fixed order from the
// one initialisation object below, not from scattered static constructors.
#include "frame/PlugInEntry.h"

#if __has_include("query/ApportionQryRegistration.h")
#include "query/ApportionQryRegistration.h"
#define AUTHPAY_REGISTER_WINDOWS RegisterApportionQryClasses
#else
#define AUTHPAY_REGISTER_WINDOWS nullptr
#endif

namespace {
struct ModuleInit {
    ModuleInit() { authpay::ModuleStartup(AUTHPAY_REGISTER_WINDOWS); }
    ~ModuleInit() { authpay::ModuleShutdown(); }
};
ModuleInit moduleInit;
}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t ShowPlugInWindow(const char *className,
                                                                            TPlugInHostInfo *hostInfo) {
    try {
        return authpay::ShowPlugInWindowImpl(className, hostInfo);
    } catch (...) {
        return 1;
    }
}
