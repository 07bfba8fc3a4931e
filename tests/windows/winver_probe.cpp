// winver_probe: prints what GetVersionExA reports, the record that GetWinVer
// and CheckWin2000 read, so that their answers can be checked against it.

#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info)) {
        std::printf("failed\n");
        return 1;
    }
    std::printf("platform=%lu major=%lu minor=%lu build=%lu csd=\"%s\"\n", info.dwPlatformId, info.dwMajorVersion,
                info.dwMinorVersion, info.dwBuildNumber, info.szCSDVersion);
    return 0;
}
