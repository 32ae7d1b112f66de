#pragma once
// The host's own picture for its windows (and, through the application, the module's): a blue
// ledger tile with three rising bars, in place of Qt's logo.
#include <QIcon>

QIcon HostIcon();
