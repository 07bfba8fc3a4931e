// Micro benchmarks of the load path and of the image's history operations.
// The sized ones report their complexity, which must stay linear or n log n:
//   build/release/bench/hot_paths_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/recording_host.h"
#include "image/memory_image.h"
#include "imagefile/image_file.h"

namespace {

constexpr uint32_t kRun = 500;

std::vector<uint8_t> RandomBytes(uint32_t nBytes) {
    std::vector<uint8_t> bytes(nBytes);
    uint64_t nState = 0x9E3779B97F4A7C15ull;
    for (auto& byte : bytes) {
        nState ^= nState << 13;
        nState ^= nState >> 7;
        nState ^= nState << 17;
        byte = static_cast<uint8_t>(nState >> 32);
    }
    return bytes;
}

std::unique_ptr<CMemoryImage> ConvertImage() {
    auto pImage = CMemoryImage::Create(0);
    pImage->m_nGapThreshold = 8;
    pImage->m_bUseGapThreshold = 1;
    return pImage;
}

// What the load driver does with a file: marked runs of 500 bytes.
void LoadRuns(CMemoryImage& image, const std::vector<uint8_t>& bytes, bool bDescending) {
    const uint32_t nRuns = uint32_t(bytes.size()) / kRun;
    for (uint32_t n = 0; n < nRuns; ++n) {
        const uint32_t nOffset = (bDescending ? nRuns - 1 - n : n) * kRun;
        image.WriteMarkedBytes(nOffset, int32_t(kRun), bytes.data() + nOffset);
    }
}

void BM_ParseSRecordLine(benchmark::State& state) {
    CImageFile file;
    const char szLine[] = "S31500000000AEB9910CE0CE442E85D3FF47F89BE87934\n";
    for (auto _ : state) benchmark::DoNotOptimize(file.ParseSRecord(szLine));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(sizeof szLine - 1));
}
BENCHMARK(BM_ParseSRecordLine);

void BM_LoadSRecordFile(benchmark::State& state) {
    const uint32_t nBytes = uint32_t(state.range(0)) << 20;
    const std::vector<uint8_t> bytes = RandomBytes(nBytes);
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("korvelt_hot_paths_" + std::to_string(getpid()) + ".mot"))
                                 .string();
    {
        auto pImage = CMemoryImage::Create(0);
        pImage->WriteBytes(0, bytes.data(), int32_t(nBytes));
        pImage->SaveToFile(path.c_str(), 0, nBytes - 1);
    }
    for (auto _ : state) {
        auto pImage = ConvertImage();
        benchmark::DoNotOptimize(pImage->LoadFromFile(path.c_str()));
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(int64_t(state.iterations()) * nBytes);
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_LoadSRecordFile)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->Complexity();

void BM_WriteMarkedRuns(benchmark::State& state) {
    const std::vector<uint8_t> bytes = RandomBytes(uint32_t(state.range(0)) << 20);
    for (auto _ : state) {
        auto pImage = ConvertImage();
        LoadRuns(*pImage, bytes, state.range(1) != 0);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WriteMarkedRuns)
    ->ArgNames({"MiB", "descending"})
    ->ArgsProduct({{1, 4, 16}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void BM_RevertChangesAfterLoad(benchmark::State& state) {
    const std::vector<uint8_t> bytes = RandomBytes(uint32_t(state.range(0)) << 20);
    for (auto _ : state) {
        state.PauseTiming();
        auto pImage = ConvertImage();
        LoadRuns(*pImage, bytes, false);
        state.ResumeTiming();
        pImage->RevertChanges();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RevertChangesAfterLoad)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->Complexity();

// An image after n writes of 16 bytes in ascending order, each 16 bytes
// apart from the last so that every write is a block and an undo step.
std::unique_ptr<CMemoryImage> ImageAfterSpacedWrites(uint32_t nWrites, const std::vector<uint8_t>& bytes) {
    auto pImage = ConvertImage();
    for (uint32_t n = 0; n < nWrites; ++n) pImage->WriteBytes(n * 32, &bytes[n * 16], 16);
    return pImage;
}

// UndoAll and then RedoAll over n writes, the case whose redo blocks all go
// in at the front of the array.
void BM_UndoAllRedoAll(benchmark::State& state) {
    const uint32_t nWrites = uint32_t(state.range(0));
    const std::vector<uint8_t> bytes = RandomBytes(nWrites * 16);
    for (auto _ : state) {
        state.PauseTiming();
        auto pImage = ImageAfterSpacedWrites(nWrites, bytes);
        state.ResumeTiming();
        pImage->UndoAll();
        pImage->RedoAll();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_UndoAllRedoAll)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

// One write over the middle half of n spaced blocks, and its undo: the write
// removes n/2 blocks from the middle of the array, the undo puts them back
// and narrows the long block away a piece at a time.
void BM_WriteOverManyBlocksAndUndo(benchmark::State& state) {
    const uint32_t nWrites = uint32_t(state.range(0));
    const std::vector<uint8_t> bytes = RandomBytes(nWrites * 16);
    const std::vector<uint8_t> cover(nWrites / 2 * 32, 0x11);
    for (auto _ : state) {
        state.PauseTiming();
        auto pImage = ImageAfterSpacedWrites(nWrites, bytes);
        pImage->ClearHistory();
        state.ResumeTiming();
        pImage->WriteBytes(nWrites / 4 * 32 + 8, cover.data(), int32_t(cover.size()));
        pImage->UndoLastStep();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WriteOverManyBlocksAndUndo)->Arg(10000)->Arg(30000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

// One step at a time, which rebuilds the range table around each block.
void BM_UndoLastStepRepeated(benchmark::State& state) {
    const uint32_t nWrites = uint32_t(state.range(0));
    const std::vector<uint8_t> bytes = RandomBytes(nWrites * 16);
    for (auto _ : state) {
        state.PauseTiming();
        auto pImage = ImageAfterSpacedWrites(nWrites, bytes);
        state.ResumeTiming();
        for (uint32_t n = 0; n < nWrites; ++n) pImage->UndoLastStep();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_UndoLastStepRepeated)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_FindPatternAbsent(benchmark::State& state) {
    const std::vector<uint8_t> bytes = RandomBytes(uint32_t(state.range(0)) << 20);
    auto pImage = ConvertImage();
    LoadRuns(*pImage, bytes, false);
    pImage->ClearHistory();
    const uint8_t pattern[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    for (auto _ : state)
        benchmark::DoNotOptimize(pImage->FindPattern(0, 0xFFFFFFFF, pattern, sizeof pattern));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FindPatternAbsent)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace

int main(int argc, char** argv) {
    // A full table's message would otherwise wait on the console.
    CRecordingHost host;
    SetHost(&host);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SetHost(nullptr);
    return 0;
}
