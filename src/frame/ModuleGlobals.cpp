#include "frame/ModuleGlobals.h"

namespace authpay {
TPlugInHostInfo *HostInfo = nullptr;
TUserContext *UserContext = nullptr;
TApplication *Application = nullptr;
TScreen *Screen = nullptr;
TResRefManager *ResRefManager = nullptr;
}  // namespace authpay
