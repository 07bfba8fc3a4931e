// The two INI exports on the portable platform, on files of growing size:
// CleanZOVToolbars on a zov.ini of N toolbar sections, and MergeINI (mode I)
// of a source of N keys into a destination that has every other one. Each
// export call must cost time in proportion to its files, so doubling N about
// doubles the time. Prints the best of three runs and the growth from the
// size before, on files written just before the call, on files written long
// enough before that their time stamps vouch for them, and on files whose
// modification time lies an hour ahead of the clock, in whole seconds, as an
// archive or a skewed file server leaves it (a file that its times cannot
// vouch for yet is read again at every call for 50 ms, a cost that does not
// grow with the calls).
//
//   ini_export_bench [N...]      (default 1000 2000 4000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "brenwick/brenwick_exports.h"
#include "brenwick/installer_call_block.h"
#include "brenwick/platform/portable_platform.h"

namespace {

constexpr int kRuns = 3;
constexpr std::chrono::milliseconds kSettleTime(100);

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A zov.ini as the application leaves it: the bars, their manager, the
// summary, and settings that must stay.
std::string ZovIni(int nBars) {
    std::string text = "[Window]\r\nX=10\r\nY=20\r\n";
    for (int n = 0; n < nBars; ++n)
        text += "[ToolBarState-Bar" + std::to_string(n) + "]\r\nBarID=" + std::to_string(59392 + n) +
                "\r\nVisible=1\r\nXPos=" + std::to_string(n % 800) + "\r\nYPos=-2\r\nDocking=1\r\n";
    text += "[ToolBarState-ToolBarManager]\r\nBars=" + std::to_string(nBars) + "\r\n";
    text += "[ToolBarState-Summary]\r\nBars=" + std::to_string(nBars) + "\r\nScreenCX=1024\r\n";
    return text;
}

// Keys in sections of a hundred, so that every list fits the 2048 bytes that
// MergeINI reads it into; the destination has the even ones.
std::string MergeIni(int nKeys, bool bDestination) {
    std::string text;
    for (int n = 0; n < nKeys; ++n) {
        if (n % 100 == 0) text += "[S" + std::to_string(n / 100) + "]\r\n";
        if (bDestination && n % 2) continue;
        text += "K" + std::to_string(n) + "=" + (bDestination ? "kept" : "value of key ") + std::to_string(n) +
                "\r\n";
    }
    return text;
}

struct CallBlock {
    std::string names = std::string(8 * 16, '\0');
    std::string values = std::string(8 * 512, '\0');
    InstallerCallBlock block{};
    CallBlock() {
        block.maxVariables = 8;
        block.nameWidth = 16;
        block.valueWidth = 512;
        block.variableNames = names.data();
        block.variableValues = values.data();
    }
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

enum class EFiles { kFresh, kSettled, kFuture };

void SetFutureTime(const std::filesystem::path& path) {
    using Clock = std::filesystem::file_time_type::clock;
    const auto future = std::chrono::floor<std::chrono::seconds>(Clock::now() + std::chrono::hours(1));
    std::filesystem::last_write_time(path, future);
}

// The best of kRuns, each on fresh files made by prepare.
template <typename Prepare, typename Run>
double Best(EFiles files, const std::vector<std::filesystem::path>& paths, Prepare prepare, Run run) {
    double dBest = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        prepare();
        if (files == EFiles::kSettled) std::this_thread::sleep_for(kSettleTime);
        if (files == EFiles::kFuture)
            for (const std::filesystem::path& path : paths) SetFutureTime(path);
        const auto start = std::chrono::steady_clock::now();
        run();
        const double d = Seconds(start);
        if (d < dBest) dBest = d;
    }
    return dBest;
}

constexpr EFiles kFiles[] = {EFiles::kFresh, EFiles::kSettled, EFiles::kFuture};
const char* const kFileNames[] = {"fresh", "settled", "future"};

struct Timing {
    double dSeconds[3] = {0, 0, 0};  // by EFiles
};

void Report(const char* pszWhat, int n, const Timing& timing, const Timing& before) {
    std::printf("%-17s N=%5d", pszWhat, n);
    for (size_t i = 0; i < 3; ++i) {
        std::printf("   %s %7.3f s", kFileNames[i], timing.dSeconds[i]);
        if (before.dSeconds[i] > 0) std::printf(" x%.2f", timing.dSeconds[i] / before.dSeconds[i]);
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {1000, 2000, 4000};

    std::random_device random;
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("brenwick-bench-" + std::to_string(random()));
    std::filesystem::create_directories(directory);
    CPortablePlatform platform;
    platform.SetWindowsDirectory(directory.string());
    SetPlatform(&platform);

    Timing cleanBefore;
    Timing mergeBefore;
    for (int n : sizes) {
        Timing clean;
        for (EFiles files : kFiles) {
            clean.dSeconds[static_cast<int>(files)] = Best(
                files, {directory / "zov.ini"}, [&] { WriteText(directory / "zov.ini", ZovIni(n)); },
                [] { CleanZOVToolbars(nullptr); });
            if (ReadText(directory / "zov.ini") != "[Window]\r\nX=10\r\nY=20\r\n") {
                std::fprintf(stderr, "CleanZOVToolbars left toolbar sections\n");
                return 1;
            }
        }
        Report("CleanZOVToolbars", n, clean, cleanBefore);
        cleanBefore = clean;

        CallBlock call;
        SetInstallerVariable(&call.block, "MI_MODE", "I");
        SetInstallerVariable(&call.block, "MI_SRC", (directory / "source.ini").string().c_str());
        SetInstallerVariable(&call.block, "MI_DEST", (directory / "destination.ini").string().c_str());
        Timing merge;
        for (EFiles files : kFiles) {
            merge.dSeconds[static_cast<int>(files)] = Best(
                files, {directory / "source.ini", directory / "destination.ini"},
                [&] {
                    WriteText(directory / "source.ini", MergeIni(n, false));
                    WriteText(directory / "destination.ini", MergeIni(n, true));
                },
                [&] { MergeINI(&call.block); });
            if (ReadText(directory / "destination.ini").find("K" + std::to_string(n - 1) + "=value") ==
                std::string::npos) {
                std::fprintf(stderr, "MergeINI did not insert the last key\n");
                return 1;
            }
        }
        Report("MergeINI", n, merge, mergeBefore);
        mergeBefore = merge;
    }
    SetPlatform(nullptr);
    std::error_code error;
    std::filesystem::remove_all(directory, error);
    return 0;
}
