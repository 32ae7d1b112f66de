#pragma once
// The module's entry logic: start-up and shut-down in a fixed order, the attach/detach handling
// of the module's own application and screen objects, and the work behind ShowPlugInWindow.
#include "authpay/PlugIn.h"

#include <cstdint>

class QObject;
class QString;
class TResRefManager;

namespace authpay {

enum TDllReason { DLL_PROCESS_DETACH = 0, DLL_PROCESS_ATTACH = 1, DLL_THREAD_ATTACH = 2, DLL_THREAD_DETACH = 3 };

// Load: class registry, window keeper, the window classes (registerClasses), then attach.
void ModuleStartup(void (*registerClasses)());
// Unload: detach, then the window keeper and the class registry, in reverse order of creation.
void ModuleShutdown();
// Attach saves the module's own application and screen objects; detach puts them back.
void PlugInDllProc(int reason);

// Opens (or re-shows) the window of the class. 0 when the call completed; 1 when the host record
// or its module information is missing (nothing is opened then).
int32_t ShowPlugInWindowImpl(const char *className, TPlugInHostInfo *hostInfo);

// The four hooks the entry installs on the window keeper.
void HookBeforeCreate(TResRefManager *manager, const QString &className, bool &allow);
void HookAfterCreate(TResRefManager *manager, QObject *obj);
void HookAllReleased(TResRefManager *manager);
void HookExists(TResRefManager *manager, QObject *obj);

}  // namespace authpay
