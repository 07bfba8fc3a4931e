// Times shell commands side by side: one run of each in turn, RUNS rounds, so
// that a slow moment of the machine hits all of them alike. Prints one line
// per command: its label, the median wall time in seconds and the median peak
// resident memory in KiB (the child's ru_maxrss, as /usr/bin/time %M).
//   run_alternating RUNS LABEL COMMAND [LABEL COMMAND...]
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct CMeasure {
    double seconds;
    long nPeakKib;
};

bool RunOnce(const std::string& command, CMeasure& measure) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        const int nNull = open("/dev/null", O_RDWR);
        dup2(nNull, STDIN_FILENO);
        dup2(nNull, STDOUT_FILENO);
        const std::string exec = "exec " + command;
        execl("/bin/sh", "sh", "-c", exec.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int nStatus = 0;
    struct rusage usage {};
    if (wait4(pid, &nStatus, 0, &usage) != pid) return false;
    measure.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    measure.nPeakKib = usage.ru_maxrss;
    if (!WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        return false;
    }
    return true;
}

template <typename T>
T Median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: run_alternating RUNS LABEL COMMAND [LABEL COMMAND...]\n");
        return 2;
    }
    const int nRuns = std::atoi(argv[1]);
    const size_t nCommands = static_cast<size_t>(argc - 2) / 2;
    std::vector<std::vector<double>> seconds(nCommands);
    std::vector<std::vector<long>> peaks(nCommands);
    for (int nRun = 0; nRun < nRuns; ++nRun) {
        for (size_t i = 0; i < nCommands; ++i) {
            CMeasure measure{};
            if (!RunOnce(argv[3 + 2 * i], measure)) return 1;
            seconds[i].push_back(measure.seconds);
            peaks[i].push_back(measure.nPeakKib);
        }
    }
    for (size_t i = 0; i < nCommands; ++i)
        std::printf("%s %.4f %ld\n", argv[2 + 2 * i], Median(seconds[i]), Median(peaks[i]));
    return 0;
}
