#pragma once
// The host program: builds the host record from its configuration, loads the module, opens
// windows through the module's export, and unloads the module when it closes down.
#include "HostConfig.h"
#include "HostContext.h"
#include "ModuleLoader.h"

#include <QStringList>
#include <memory>

class HostMainWindow;
class QWidget;

class HostApp {
public:
    explicit HostApp(const HostConfig &config);
    ~HostApp();

    // Loads the module if needed and asks it for the window. False when the module cannot be
    // loaded, the call fails, or the module reported an error through the exception hook.
    bool OpenClass(const QString &className);
    // Runs the interactive host (main window, event loop); answers the exit status.
    int RunInteractive();
    // Runs headless: opens --open (or the query window) and runs the report options. Status and
    // errors go to stderr; stdout carries only the data asked for (--print-sheet).
    int RunBatch();

    QStringList errors;  // what the exception hook showed, in order
    HostContext &context() { return *context_; }
    ModuleLoader &loader() { return loader_; }
    int releases = 0;  // how often the module said its last window was gone

private:
    void OnException(const Exception &e);
    void OnModuleReleased();
    void ShowAboutModules();
    QWidget *FindWindow(const char *className) const;
    int RunReport();
    void PreloadModule();

    HostConfig config_;
    std::unique_ptr<HostContext> context_;
    ModuleLoader loader_;
    std::unique_ptr<HostMainWindow> main_;
};
