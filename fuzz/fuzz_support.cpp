#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "image/memory_image.h"
#include "table_invariants.h"

namespace {

class CScratchDirectory {
public:
    CScratchDirectory() {
        std::error_code error;
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : std::filesystem::temp_directory_path();
        std::string pattern = (base / "korvelt-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("korvelt fuzz scratch directory");
            std::abort();
        }
        m_path = pattern;
    }
    ~CScratchDirectory() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace

CMemoryImage& FreshImage(int32_t nSize, int nSlot) {
    static std::unique_ptr<CMemoryImage> apImages[2] = {CMemoryImage::Create(0), CMemoryImage::Create(0)};
    CMemoryImage& image = *apImages[nSlot];
    image.ClearAll();
    image.m_nGapThreshold = 1;
    image.m_bUseGapThreshold = 0;
    image.m_bAutoGrow = nSize <= 0 ? 1 : 0;
    image.m_nAlignment = 1;
    image.m_nBase = 0;
    image.m_nSize = nSize > 0 ? uint64_t(nSize) : 0;
    image.ClearDataLost();
    return image;
}

std::string ScratchPath(const std::string& name) {
    static CScratchDirectory directory;
    return directory.Path() + "/" + name;
}

std::string WriteScratchFile(const std::string& name, const uint8_t* pData, size_t nSize) {
    const std::string path = ScratchPath(name);
    std::FILE* pFile = std::fopen(path.c_str(), "wb");
    if (!pFile || (nSize > 0 && std::fwrite(pData, 1, nSize, pFile) != nSize) || std::fclose(pFile) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
    return path;
}

void Fail(const std::string& what, const std::string& detail) {
    if (detail.empty())
        std::fprintf(stderr, "%s\n", what.c_str());
    else
        std::fprintf(stderr, "%s:\n%s\n", what.c_str(), detail.c_str());
    std::abort();
}

std::vector<CImageArea> ImageAreas(CMemoryImage& image, bool bWithBytes) {
    std::vector<CImageArea> areas;
    for (const auto& [nFirst, nLast] : WalkAreas(image, EWalk::kData))
        areas.push_back({nFirst, nLast, bWithBytes ? ReadImageRange(image, nFirst, nLast) : std::vector<uint8_t>()});
    return areas;
}

std::vector<uint8_t> ReadImageRange(CMemoryImage& image, uint32_t nFirst, uint32_t nLast) {
    std::vector<uint8_t> bytes(uint64_t(nLast) - nFirst + 1);
    if (!image.ReadBytes(nFirst, bytes.data(), uint32_t(bytes.size()))) Fail("ReadBytes refused an area");
    return bytes;
}
