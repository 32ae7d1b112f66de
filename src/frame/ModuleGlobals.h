#pragma once
// The module's globals. None is exported; all are set by the entry (and by module start-up).
#include "authpay/PlugIn.h"
#include "authpay/UserContext.h"

class TApplication;
class TScreen;
class TResRefManager;

namespace authpay {
// The host record and user context of the latest ShowPlugInWindow call.
extern TPlugInHostInfo *HostInfo;
extern TUserContext *UserContext;
// The application and screen objects the module's windows use: the module's own until the
// first call adopts the host's, the module's own again after unload handling.
extern TApplication *Application;
extern TScreen *Screen;
// The single window keeper.
extern TResRefManager *ResRefManager;
}  // namespace authpay
