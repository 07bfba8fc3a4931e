#include "host/standard_streams.h"

#ifdef _WIN32

// The C runtime keeps the numbers 0 to 2 for the standard streams whether or
// not they are connected, so no file ever takes one of them.
bool ReserveStandardStreams() { return true; }

#else

#include <fcntl.h>
#include <unistd.h>

bool ReserveStandardStreams() {
    bool bOutputOpen = true;
    for (int nHandle = 0; nHandle <= 2; ++nHandle) {
        if (fcntl(nHandle, F_GETFD) != -1) continue;
        if (nHandle == 1) bOutputOpen = false;
        // The lowest free number is the one just found closed.
        open("/dev/null", nHandle == 0 ? O_RDONLY : O_WRONLY);
    }
    return bOutputOpen;
}

#endif
