// The module's one export and its load/unload handling. Start-up runs in a fixed order from the
// one initialisation object below, not from scattered static constructors.
#include "frame/PlugInEntry.h"

#include "data/QueryJob.h"
#include "platform/WorkThread.h"
#include "query/ApportionQryRegistration.h"
#include "trees/QueryThread.h"

#include <cstdio>

namespace {
// How long the unload waits for background tree loads, and for statements, to end.
constexpr int kStopLoadsMs = 5000;

struct ModuleInit {
    ModuleInit() {
        // The list of background threads is made before this object is complete, so that it is
        // destroyed after this object's destructor has read it.
        TWorkThread::LiveCount();
        authpay::ModuleStartup(RegisterApportionQryClasses);
    }
    // The module's detach. Background tree loads are stopped and joined before the code they run
    // goes away with the module; no event is taken here, since the host's event queue may hold
    // calls into this module's code.
    ~ModuleInit() {
        if (!TQueryThread::StopAll(kStopLoadsMs))
            std::fputs("authpay: a background tree load was still running when the module was unloaded\n", stderr);
        // So are the windows' statements (a Refresh, a drill-down's pages): cancelled in the
        // database, then joined.
        if (!TQueryJob::CancelAll(kStopLoadsMs))
            std::fputs("authpay: a statement was still running when the module was unloaded\n", stderr);
        // Large results let go in the background run this module's destructors; so do PDF runs.
        if (!TWorkThread::StopAll(kStopLoadsMs))
            std::fputs("authpay: background work was still running when the module was unloaded\n", stderr);
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
