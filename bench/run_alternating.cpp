// Times commands side by side: one run of each in turn, RUNS rounds, so that
// a slow moment of the machine hits all of them alike. Prints one line per
// command: its label, the median wall time in seconds and the median peak
// resident memory in KiB (the child's ru_maxrss, as /usr/bin/time %M).
//   run_alternating RUNS LABEL COMMAND [LABEL COMMAND...]
// A COMMAND is a program and its arguments separated by blanks, run without a
// shell: a shell's own start would be timed with it, and on a run of a few
// milliseconds it is a large and unsteady part.
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct CMeasure {
    double seconds;
    long nPeakKib;
};

std::vector<std::string> SplitBlanks(const std::string& command) {
    std::istringstream in(command);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

bool RunOnce(const std::string& command, CMeasure& measure) {
    std::vector<std::string> words = SplitBlanks(command);
    if (words.empty()) return false;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        const int nNull = open("/dev/null", O_RDWR);
        dup2(nNull, STDIN_FILENO);
        dup2(nNull, STDOUT_FILENO);
        execvp(argv[0], argv.data());
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
