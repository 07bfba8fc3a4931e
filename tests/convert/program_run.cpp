#include "tests/convert/program_run.h"

#if defined(_WIN32)
#include <windows.h>

#include "tests/support/scratch_directory.h"
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/unprivileged.h"
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The three standard streams go through files, so that a large output can
// never block the program on a full pipe.
struct CStreamFiles {
    explicit CStreamFiles(const std::filesystem::path& directory)
        : in((directory / "stdin").string()),
          out((directory / "stdout").string()),
          err((directory / "stderr").string()) {}
    std::string in, out, err;
};

}  // namespace

#if defined(_WIN32)

namespace {

// One argument as the C runtime of the started program will split it again:
// quotes around it, backslashes doubled where a quote follows them.
std::string QuoteArgument(const std::string& argument) {
    std::string quoted = "\"";
    size_t nBackslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++nBackslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * nBackslashes + 1 : nBackslashes, '\\');
        nBackslashes = 0;
        quoted += c;
    }
    quoted.append(2 * nBackslashes, '\\');
    return quoted + "\"";
}

HANDLE OpenInheritable(const std::string& path, bool bWrite) {
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, TRUE};
    return CreateFileA(path.c_str(), bWrite ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, &attributes,
                       bWrite ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The program writes its text lines in text mode, CR LF on Windows; the tests
// hold the lines, not the system's line end.
std::string WithoutCarriageReturns(std::string text) {
    std::string lines;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
    return lines;
}

}  // namespace

CProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                       const std::string& input, const CRunOptions&) {
    CProgramRun run;
    const CScratchDirectory streamDirectory;
    if (streamDirectory.Path().empty() || arguments.empty()) return run;
    const CStreamFiles files(streamDirectory.Path());
    std::ofstream(files.in, std::ios::binary) << input;

    std::string commandLine;
    for (const std::string& argument : arguments)
        commandLine += (commandLine.empty() ? "" : " ") + QuoteArgument(argument);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = OpenInheritable(files.in, false);
    startup.hStdOutput = OpenInheritable(files.out, true);
    startup.hStdError = OpenInheritable(files.err, true);
    PROCESS_INFORMATION process{};
    if (startup.hStdInput != INVALID_HANDLE_VALUE && startup.hStdOutput != INVALID_HANDLE_VALUE &&
        startup.hStdError != INVALID_HANDLE_VALUE &&
        CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       workingDirectory.c_str(), &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD dwExitCode = 0;
        // An exception that ended the program shows as an NTSTATUS error code.
        if (GetExitCodeProcess(process.hProcess, &dwExitCode) && dwExitCode < 0xC0000000)
            run.nExitStatus = static_cast<int>(dwExitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    for (HANDLE hFile : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        if (hFile != INVALID_HANDLE_VALUE) CloseHandle(hFile);
    run.strOut = WithoutCarriageReturns(ReadAll(files.out));
    run.strErr = WithoutCarriageReturns(ReadAll(files.err));
    return run;
}

bool IsOnPath(const std::string& program) {
    char szFound[MAX_PATH];
    return SearchPathA(nullptr, program.c_str(), ".exe", MAX_PATH, szFound, nullptr) != 0;
}

#else

CProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                       const std::string& input, const CRunOptions& options) {
    CProgramRun run;
    std::string streamDirectory = (std::filesystem::temp_directory_path() / "korvelt-run-XXXXXX").string();
    if (!mkdtemp(streamDirectory.data())) return run;
    const CStreamFiles files(streamDirectory);
    std::ofstream(files.in, std::ios::binary) << input;

    // The unprivileged user may be unable to reach the program where it was
    // built (a tree in a home directory of mode 0700): it runs a copy that it
    // can reach, beside the stream files.
    std::vector<std::string> command = arguments;
    const std::string reachable = streamDirectory + "/program";
    if (options.bUnprivileged && command[0].find('/') != std::string::npos) {
        std::error_code error;
        std::filesystem::copy_file(command[0], reachable, error);
        std::filesystem::permissions(streamDirectory, std::filesystem::perms(0755), error);
        if (!error) command[0] = reachable;
    }
    std::vector<char*> argv;
    for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const bool bClosedOut = options.stdoutPath == "-";
        const std::string outPath = options.stdoutPath.empty() ? files.out : options.stdoutPath;
        const int nIn = open(files.in.c_str(), O_RDONLY);
        const int nOut = bClosedOut ? -1 : open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int nErr = open(files.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (nIn < 0 || (nOut < 0 && !bClosedOut) || nErr < 0 || dup2(nIn, 0) < 0 ||
            (bClosedOut ? close(1) : dup2(nOut, 1)) < 0 || dup2(nErr, 2) < 0 ||
            (options.bUnprivileged && !BecomeUnprivileged()) || chdir(workingDirectory.c_str()) != 0)
            _exit(127);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int nStatus = 0;
    if (pid > 0 && waitpid(pid, &nStatus, 0) == pid && WIFEXITED(nStatus))
        run.nExitStatus = WEXITSTATUS(nStatus);
    run.strOut = ReadAll(files.out);
    run.strErr = ReadAll(files.err);
    std::error_code error;
    std::filesystem::remove_all(streamDirectory, error);
    return run;
}

bool IsOnPath(const std::string& program) {
    std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
    std::string directory;
    while (std::getline(path, directory, ':'))
        if (!directory.empty() && access((directory + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

#endif
