#include "host/console_host.h"
#include "host/host_interface.h"

#include <iostream>

namespace {
CHostInterface* g_pInstalledHost = nullptr;
}

CHostInterface& GetHost() {
    static CConsoleHost consoleHost(std::cin, std::cout);
    return g_pInstalledHost ? *g_pInstalledHost : consoleHost;
}

void SetHost(CHostInterface* pHost) { g_pInstalledHost = pHost; }
