#include "tests/convert/program_run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

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

CProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& workingDirectory,
                       const std::string& input) {
    CProgramRun run;
    std::string streamDirectory = (std::filesystem::temp_directory_path() / "korvelt-run-XXXXXX").string();
    if (!mkdtemp(streamDirectory.data())) return run;
    const CStreamFiles files(streamDirectory);
    std::ofstream(files.in, std::ios::binary) << input;

    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const int nIn = open(files.in.c_str(), O_RDONLY);
        const int nOut = open(files.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int nErr = open(files.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (nIn < 0 || nOut < 0 || nErr < 0 || dup2(nIn, 0) < 0 || dup2(nOut, 1) < 0 || dup2(nErr, 2) < 0 ||
            chdir(workingDirectory.c_str()) != 0)
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
