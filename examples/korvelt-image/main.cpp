#include <iostream>
#include <string>
#include <vector>

#include "host/host_interface.h"
#include "image_tool.h"
#include "interrupt.h"
#include "terminal_host.h"
#include "tool_options.h"

int main(int argc, char* argv[]) {
    CToolOptions options;
    const std::string error = ParseArguments(std::vector<std::string>(argv + 1, argv + argc), options);
    if (!error.empty()) {
        std::cerr << "korvelt-image: " << error << "\nTry 'korvelt-image --help'.\n";
        return kExitBadArguments;
    }
    if (options.bHelp) {
        PrintUsage(std::cout);
        return kExitDone;
    }
    if (options.bVersion) {
        std::cout << "korvelt-image (Korvelt tools) " KORVELT_VERSION "\n";
        return kExitDone;
    }

    // Boxes as the console host shows them, with a status bar of our own.
    CTerminalHost host(GetHost(), std::cout, IsStandardOutputTerminal());
    SetHost(&host);
    InstallInterruptHandler();
    const int nStatus = RunImageTool(options, host.Bar());
    SetHost(nullptr);
    return nStatus;
}
