#include "convert/convert_command.h"

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <istream>
#include <memory>
#include <new>
#include <ostream>
#include <string>

#include "convert/convert_image.h"
#include "convert/output_name.h"
#include "host/atomic_file_writer.h"
#include "host/console_host.h"
#include "host/file_status.h"
#include "host/interrupt_cleanup.h"

namespace {

// Runs of eight or more erased bytes are not stored, so they never reach the
// output at its ends; shorter runs are data.
constexpr int32_t kGapThreshold = 8;
// The output is copied out of the image and written in pieces of this size,
// so that a large image is never held twice.
constexpr uint32_t kChunkSize = 256 * 1024;

void PrintLine(std::ostream& out, const std::string& line) {
    out << line << '\n' << std::flush;
}

std::string Hex(uint64_t nValue) {
    char szText[24];
    std::snprintf(szText, sizeof szText, "0x%" PRIx64, nValue);
    return szText;
}

void PrintUsage(std::ostream& out) {
    PrintLine(out, "Korvelt kernel developer 'Convert' Utility.");
    PrintLine(out, "Converts S-Records to .CDE files for use with Korvelt");
    PrintLine(out,
              "Reads S1/S2/S3 records, Intel HEX, FPR and CDE files; writes the bytes as <filename>.cde");
    PrintLine(out, "");
    PrintLine(out, "Usage : CONVERT <filename.ext>");
}

// Questions of the loader go to the command's own streams while it runs.
class CConsoleHostScope {
public:
    CConsoleHostScope(std::istream& in, std::ostream& out) : m_host(in, out), m_pPrevious(&GetHost()) {
        SetHost(&m_host);
    }
    ~CConsoleHostScope() { SetHost(m_pPrevious); }

    CConsoleHostScope(const CConsoleHostScope&) = delete;
    CConsoleHostScope& operator=(const CConsoleHostScope&) = delete;

    CConsoleHost& Host() { return m_host; }

private:
    CConsoleHost m_host;
    CHostInterface* m_pPrevious;
};

int ReportWriteFailure(std::ostream& out, const std::string& outputName, const CAtomicFileWriter& writer) {
    PrintLine(out, "Cannot write '" + outputName + "': " + writer.GetError());
    return 1;
}

// Copies start..start + length - 1 out of the image, gaps as 0xFF, into the
// output file. The old file of that name is replaced only when all of it was
// written.
int WriteCde(CMemoryImage& image, uint32_t nStart, uint64_t nLength, const std::string& outputName,
             std::ostream& out) {
    const uint32_t nBufferSize = static_cast<uint32_t>(std::min<uint64_t>(nLength, kChunkSize));
    std::unique_ptr<uint8_t[]> pBuffer(new (std::nothrow) uint8_t[nBufferSize]);
    if (!pBuffer) {
        PrintLine(out, "File too big");
        return 1;
    }

    // An interrupt while the output is written leaves the old file and no
    // part of the new one.
    const CInterruptCleanup cleanup;
    CAtomicFileWriter writer;
    if (!writer.Open(outputName)) return ReportWriteFailure(out, outputName, writer);
    for (uint64_t nDone = 0; nDone < nLength;) {
        const uint32_t nPiece = static_cast<uint32_t>(std::min<uint64_t>(nLength - nDone, nBufferSize));
        if (!image.ReadBytes(static_cast<uint32_t>(nStart + nDone), pBuffer.get(), nPiece)) {
            PrintLine(out, "Conversion failed");
            return 1;
        }
        if (!writer.Write(pBuffer.get(), nPiece)) return ReportWriteFailure(out, outputName, writer);
        nDone += nPiece;
    }
    if (!writer.Commit()) return ReportWriteFailure(out, outputName, writer);
    return 0;
}

int Convert(const std::string& inputName, CConsoleHost& host, std::ostream& out) {
    const CFileStatus status = QueryFileStatus(inputName);
    if (!status.m_bRegular || status.m_nSize == 0 || status.m_strFullPath.empty()) {
        PrintLine(out, "File not found '" + inputName + "'");
        return 1;
    }

    // The loader fails without a word on a file that it cannot open; the
    // user is told why before being told that the load failed.
    std::string reason;
    if (!CanOpenForReading(inputName, reason)) {
        PrintLine(out, inputName + ": " + reason);
        PrintLine(out, "Failed to load S-Record");
        return 1;
    }

    std::unique_ptr<CConvertImage> pImage = CConvertImage::Create(0);
    pImage->m_nGapThreshold = kGapThreshold;
    pImage->m_bUseGapThreshold = 1;
    const int bLoaded = pImage->LoadFromFile(inputName.c_str());
    // The command's own lines follow the loader's.
    host.FlushRepeats();
    if (!bLoaded) {
        PrintLine(out, "Failed to load S-Record");
        return 1;
    }
    // A full block table refused some of the data; the image would read back
    // with holes of 0xFF where the file had bytes.
    if (pImage->HasDataLost()) {
        PrintLine(out, "Not all the file data could be loaded");
        return 1;
    }

    uint32_t nStart = 0;
    uint32_t nFirstAreaEnd = 0;
    if (pImage->NextArea(0, 0, nStart, nFirstAreaEnd) == -1) {
        PrintLine(out, "No data found in '" + inputName + "'");
        return 1;
    }
    const uint32_t nEnd = pImage->GetHighestAddress();
    // Data at 0 and at 0xFFFFFFFF span 2^32 bytes, one more than 32 bits hold.
    const uint64_t nLength = uint64_t{nEnd} - nStart + 1;
    PrintLine(out, "Start address = " + Hex(nStart));
    PrintLine(out, "End address = " + Hex(nEnd));
    PrintLine(out, "Code length = " + Hex(nLength));
    if (nLength > UINT32_MAX) {
        PrintLine(out, "File too big");
        return 1;
    }
    return WriteCde(*pImage, nStart, nLength, MakeOutputName(inputName), out);
}

int RunArguments(int argc, const char* const argv[], std::istream& in, std::ostream& out) {
    // "--" ends the options, so that a file named "-h" can be converted.
    const bool bEndOfOptions = argc == 3 && std::string(argv[1]) == "--";
    if (argc != 2 && !bEndOfOptions) {
        PrintUsage(out);
        return 1;
    }
    const std::string argument = argv[argc - 1];
    if (!bEndOfOptions && (argument == "-h" || argument == "--help")) {
        PrintUsage(out);
        return 0;
    }
    if (!bEndOfOptions && argument == "--version") {
        PrintLine(out, "convert (Korvelt tools) " KORVELT_VERSION);
        return 0;
    }
    CConsoleHostScope hostScope(in, out);
    return Convert(argument, hostScope.Host(), out);
}

}  // namespace

int RunConvertCommand(int argc, const char* const argv[], std::istream& in, std::ostream& out) {
    const int nStatus = RunArguments(argc, argv, in, out);
    // Lines that did not reach the user (a closed or full standard output)
    // are a failure like any other.
    out.flush();
    return out ? nStatus : 1;
}
