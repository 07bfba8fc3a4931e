// end_probe: ends convert.exe while it writes its output, as a Ctrl-C or a
// closed console would, and says what it left: the old output must be whole
// and no new file may stay beside it.
//
//   end_probe CONVERT DIRECTORY
//
// Writes DIRECTORY\big.mot (16 MiB in S3 records) and an old big.cde, starts
// CONVERT on it, waits until its new file appears beside the output, and sends
// the console a Ctrl-C; where the console takes none (Wine without one), the
// process is ended outright, which leaves its handler no chance at all.
// Prints "ended by ...", "old output ..." and "left beside it ..." lines.

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

void WriteInput(const std::string& path) {
    std::ofstream file(path, std::ios::binary);
    char szLine[64];
    for (uint32_t nAddress = 0; nAddress < (16u << 20); nAddress += 16) {
        unsigned nSum = 21 + (nAddress >> 24) + (nAddress >> 16 & 0xFF) + (nAddress >> 8 & 0xFF) + (nAddress & 0xFF);
        int n = std::snprintf(szLine, sizeof szLine, "S315%08X", static_cast<unsigned>(nAddress));
        for (int i = 0; i < 16; ++i) {
            const unsigned nByte = (nAddress + i) * 7 & 0xFF;
            nSum += nByte;
            n += std::snprintf(szLine + n, sizeof szLine - n, "%02X", nByte);
        }
        std::snprintf(szLine + n, sizeof szLine - n, "%02X\r\n", ~nSum & 0xFF);
        file << szLine;
    }
}

// The new file beside the output, once bytes have reached it: the file is
// set up to remove itself before it is written.
std::string NewFileBeside(const std::string& directory, bool bWritten = false) {
    WIN32_FIND_DATAA found;
    const HANDLE hFind = FindFirstFileA((directory + "\\.korvelt-*").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE) return std::string();
    FindClose(hFind);
    return !bWritten || found.nFileSizeLow > 0 ? found.cFileName : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: end_probe CONVERT DIRECTORY\n");
        return 2;
    }
    const std::string directory = argv[2];
    WriteInput(directory + "\\big.mot");
    std::ofstream(directory + "\\big.cde", std::ios::binary) << "old output";
    // The Ctrl-C is for the child alone.
    SetConsoleCtrlHandler(nullptr, TRUE);
    std::string command = std::string("\"") + argv[1] + "\" big.mot";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &startup,
                        &process)) {
        std::printf("convert could not be started\n");
        return 1;
    }
    bool bWriting = false;
    while (!bWriting && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
        bWriting = !NewFileBeside(directory, true).empty();
    if (!bWriting)
        std::printf("ended by nothing: convert finished before its new file was seen\n");
    else if (GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0))
        std::printf("ended by Ctrl-C\n");
    else if (TerminateProcess(process.hProcess, 3))
        std::printf("ended by the end of its process\n");
    WaitForSingleObject(process.hProcess, 60000);
    std::ifstream old(directory + "\\big.cde", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
    std::printf("old output %s\n", bytes == "old output" ? "whole" : "changed");
    const std::string left = NewFileBeside(directory);
    std::printf("left beside it %s\n", left.empty() ? "nothing" : left.c_str());
    return 0;
}
