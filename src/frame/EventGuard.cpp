#include "frame/EventGuard.h"

#include "authpay/Application.h"
#include "frame/ModuleGlobals.h"

#include <cstdio>

void HandleEventException(QObject *sender) {
    try {
        if (authpay::Application) {
            authpay::Application->HandleException(sender);
            return;
        }
        throw;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "unknown failure in an event handler\n");
    }
}
