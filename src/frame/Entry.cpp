// The module's one export and its load/unload handling. Start-up runs in a fixed order from the
// one initialisation object below, not from scattered static constructors.
#include "frame/PlugInEntry.h"

#include "query/ApportionQryRegistration.h"
#include "trees/QueryThread.h"

namespace {
struct ModuleInit {
    ModuleInit() { authpay::ModuleStartup(RegisterApportionQryClasses); }
    ~ModuleInit() {
        // Background tree loads still running finish (and deliver nothing) before the code they
        // run goes away with the module.
        TQueryThread::WaitForAll(10000);
        authpay::ModuleShutdown();
    }
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
