// The version-resource reader on any file: the PE headers, the resource
// directory and the version block are all taken from the input. Reading from
// memory and reading from a file must agree, and what comes back must keep
// within its stated limits.
#include <vector>

#include "brenwick/platform/byte_source.h"
#include "brenwick/platform/pe_version_reader.h"
#include "brenwick/platform/portable_platform.h"
#include "brenwick/platform/version_info_block.h"
#include "fuzz_support.h"
#include "version_string_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    // An exact copy, so that a read one byte past the end shows.
    const std::vector<uint8_t> bytes(pData, pData + nSize);
    const CMemoryByteSource source(bytes.data(), bytes.size());
    std::vector<uint8_t> resource;
    uint32_t nLanguage = 0;
    const bool bFound = ReadPeVersionResource(source, &resource, &nLanguage);
    if (bFound && (resource.empty() || resource.size() > 0x10000)) Fail("resource size out of bounds");

    FixedFileInfo info{};
    const bool bHasRoot = bFound && ReadVersionRootBlock(resource, &info);
    if (bFound) {
        VersionStringTable table;
        ReadVersionStrings(resource, &table);
    }

    const std::string path = WriteScratchFile("version.dll", pData, nSize);
    std::vector<uint8_t> fromFile;
    uint32_t nFileLanguage = 0;
    const bool bFoundInFile = ReadPeVersionResource(path, &fromFile, &nFileLanguage);
    if (bFoundInFile != bFound || (bFound && (fromFile != resource || nFileLanguage != nLanguage)))
        Fail("the file and the memory reader disagree");

    uint32_t dwMS = 0;
    uint32_t dwLS = 0;
    const bool bVersion = CPortablePlatform().ReadFileVersion(path.c_str(), &dwMS, &dwLS);
    if (bVersion != bHasRoot || (bVersion && (dwMS != info.dwFileVersionMS || dwLS != info.dwFileVersionLS)))
        Fail("the platform's file version differs from the root block");
    return 0;
}
