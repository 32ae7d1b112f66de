#include "frame/PlugInEntry.h"

#include "authpay/Application.h"
#include "authpay/Screen.h"
#include "frame/ClassRegistry.h"
#include "frame/EventGuard.h"
#include "frame/ModuleGlobals.h"
#include "frame/ModuleInfoTexts.h"
#include "frame/ResRefManager.h"
#include "platform/Form.h"

namespace authpay {

namespace {
// The module's own pair, made at start-up, and the pair saved by process attach.
TApplication *ownApplication = nullptr;
TScreen *ownScreen = nullptr;
TApplication *savedApplication = nullptr;
TScreen *savedScreen = nullptr;
}  // namespace

void PlugInDllProc(int reason) {
    if (reason == DLL_PROCESS_ATTACH) {
        savedApplication = Application;
        savedScreen = Screen;
    } else if (reason == DLL_PROCESS_DETACH) {
        Application = savedApplication;
        Screen = savedScreen;
    }
}

void ModuleStartup(void (*registerClasses)()) {
    ClassRegistry = new TRegGroups();
    ResRefManager = new TResRefManager(nullptr);
    if (registerClasses) registerClasses();
    ownApplication = new TApplication();
    ownScreen = new TScreen();
    Application = ownApplication;
    Screen = ownScreen;
    PlugInDllProc(DLL_PROCESS_ATTACH);
}

void ModuleShutdown() {
    PlugInDllProc(DLL_PROCESS_DETACH);
    delete ResRefManager;
    ResRefManager = nullptr;
    delete ClassRegistry;
    ClassRegistry = nullptr;
    if (Application == ownApplication) Application = nullptr;
    if (Screen == ownScreen) Screen = nullptr;
    delete ownApplication;
    delete ownScreen;
    ownApplication = nullptr;
    ownScreen = nullptr;
    HostInfo = nullptr;
    UserContext = nullptr;
}

void HookBeforeCreate(TResRefManager *, const QString &, bool &) {}

void HookAfterCreate(TResRefManager *, QObject *obj) {
    // Only module windows carry the show-modal flag; anything else is left alone.
    auto *form = qobject_cast<TForm *>(obj);
    if (!form) return;
    const uint8_t *flag = form->ShowModalFlag();
    if (flag && *flag) form->ShowModal();
    else form->Show();
}

void HookAllReleased(TResRefManager *manager) {
    TPlugInHostInfo *info = HostInfo;
    if (!info || !info->Notifier || !info->ModuleInfo) return;
    // Called from inside the last window's destruction: a notifier that fails is shown through the
    // application object like any other failure, never thrown on into the destructor.
    GuardedEvent(manager, [info] { info->Notifier->ModuleReleased(info->ModuleInfo->ModuleId); });
}

void HookExists(TResRefManager *, QObject *obj) {
    if (auto *form = qobject_cast<TForm *>(obj)) form->Show();
}

static void AdoptHost(TPlugInHostInfo *hostInfo) {
    HostInfo = hostInfo;
    UserContext = hostInfo->UserContext;
    TPlugInModuleInfo *mi = hostInfo->ModuleInfo;
    mi->ModuleName = kModuleNameGbk;
    mi->SystemName = kSystemNameGbk;
    mi->Description = kDescriptionGbk;
    if (hostInfo->HostApplication) Application = hostInfo->HostApplication;
    if (hostInfo->HostScreen) Screen = hostInfo->HostScreen;
    ResRefManager->OnBeforeCreate = HookBeforeCreate;
    ResRefManager->OnAfterCreate = HookAfterCreate;
    ResRefManager->OnAllReleased = HookAllReleased;
    ResRefManager->OnExists = HookExists;
}

int32_t ShowPlugInWindowImpl(const char *className, TPlugInHostInfo *hostInfo) {
    // A missing host record or module-information record would be written through: refuse.
    if (!hostInfo || !hostInfo->ModuleInfo || !ResRefManager) return 1;
    int32_t result = 1;
    try {
        AdoptHost(hostInfo);
        const QString name = className ? QString::fromLocal8Bit(className) : QString();
        ResRefManager->GetOrCreateObject(name, true);
        result = 0;
    } catch (...) {
        try {
            if (Application) Application->HandleException(nullptr);
        } catch (...) {
            // An exception hook that fails itself must not take the host down.
        }
    }
    return result;
}

}  // namespace authpay
