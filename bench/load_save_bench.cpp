// Saves a 16 MiB image in each file format and loads it back, and prints the
// throughput of both directions in MiB/s of image data.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "image/memory_image.h"
#include "imagefile/image_file.h"

namespace {

constexpr uint32_t kImageBytes = 16u << 20;
constexpr int kRepeats = 3;

std::unique_ptr<CMemoryImage> MakeImage() {
    auto image = CMemoryImage::Create(0);
    // Bytes that never form an erased gap, so the image is one 16 MiB area.
    std::vector<uint8_t> data(kImageBytes);
    for (uint32_t i = 0; i < kImageBytes; ++i) data[i] = static_cast<uint8_t>(i % 251);
    image->WriteBytes(0, data.data(), static_cast<int32_t>(data.size()));
    image->ClearHistory();
    return image;
}

double SecondsOf(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "korvelt_load_save_bench";
    std::filesystem::create_directories(dir);
    auto image = MakeImage();
    const double mebibytes = kImageBytes / double(1 << 20);

    std::printf("%-8s %12s %12s %12s\n", "format", "file MiB", "save MiB/s", "load MiB/s");
    for (const char* pszName : {"image.mot", "image.fpr", "image.cde"}) {
        const std::string path = (dir / pszName).string();
        double bestSave = 1e9;
        double bestLoad = 1e9;
        for (int i = 0; i < kRepeats; ++i) {
            auto start = std::chrono::steady_clock::now();
            if (!image->SaveToFile(path.c_str(), 0, 0xFFFFFFFF)) {
                std::fprintf(stderr, "saving %s failed\n", path.c_str());
                return 1;
            }
            bestSave = std::min(bestSave, SecondsOf(start));

            auto loaded = CMemoryImage::Create(0);
            start = std::chrono::steady_clock::now();
            if (!loaded->LoadFromFile(path.c_str()) || loaded->CountBytes(0, 0xFFFFFFFF) != kImageBytes) {
                std::fprintf(stderr, "loading %s failed\n", path.c_str());
                return 1;
            }
            bestLoad = std::min(bestLoad, SecondsOf(start));
        }
        const double fileMebibytes = std::filesystem::file_size(path) / double(1 << 20);
        std::printf("%-8s %12.1f %12.1f %12.1f\n", pszName + 6, fileMebibytes, mebibytes / bestSave,
                    mebibytes / bestLoad);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
