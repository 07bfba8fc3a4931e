#include "image_tool.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "host/host_interface.h"
#include "image/memory_image.h"
#include "imagefile/image_file.h"
#include "interrupt.h"

namespace {

void Tell(const std::string& text) { GetHost().MessageBox(text, kButtonsOk); }

std::string Hex(uint32_t nAddress) {
    char szText[16];
    std::snprintf(szText, sizeof szText, "0x%" PRIx32, nAddress);
    return szText;
}

// Points the bar's Ctrl-C at one file while it loads or saves.
class CWatchedFile {
public:
    CWatchedFile(CTerminalStatusBar& bar, CImageFile& file) : m_bar(bar) { m_bar.Watch(&file); }
    ~CWatchedFile() { m_bar.Watch(nullptr); }
    CWatchedFile(const CWatchedFile&) = delete;
    CWatchedFile& operator=(const CWatchedFile&) = delete;

private:
    CTerminalStatusBar& m_bar;
};

// The driver would take a directory for an S-record file that cannot be read
// and ask whether to load it raw; the user learns what is wrong instead.
bool CheckInput(const std::string& input) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(input, error);
    if (std::filesystem::is_regular_file(status)) return true;
    Tell("Cannot load '" + input + "': " +
         (std::filesystem::exists(status) ? "not a file" : "no such file"));
    return false;
}

int LoadInputs(const CToolOptions& options, CMemoryImage& image, CTerminalStatusBar& bar) {
    for (const std::string& input : options.inputs) {
        if (IsInterrupted()) return kExitCancelled;
        if (!CheckInput(input)) return kExitFailed;
        CImageFile file;
        int bLoaded = 0;
        {
            CWatchedFile watch(bar, file);
            bLoaded = file.Load(input.c_str(), &image, 1);
        }
        // A cancelled load succeeds, with the file's bytes taken back out.
        if (IsInterrupted()) return kExitCancelled;
        if (!bLoaded) {
            Tell("'" + input + "' was not loaded");
            return kExitFailed;
        }
        if (file.HasDataLost()) {
            Tell(file.GetReport());
            Tell("Not all the data of '" + input + "' could be loaded; nothing is saved");
            return kExitFailed;
        }
    }
    return kExitDone;
}

int SaveOutput(const CToolOptions& options, CMemoryImage& image, CTerminalStatusBar& bar) {
    uint32_t nFirst = options.nFirst;
    uint32_t nLast = options.nLast;
    uint32_t nAreaFirst = 0;
    uint32_t nAreaLast = 0;
    if (!options.bRange) {
        if (image.NextArea(-1, 0, nAreaFirst, nAreaLast) == -1) {
            Tell("No data was loaded; nothing is saved");
            return kExitFailed;
        }
        nFirst = nAreaFirst;
        nLast = image.GetHighestAddress();
    } else if (image.NextArea(-1, nFirst, nAreaFirst, nAreaLast) == -1 || nAreaFirst > nLast) {
        Tell("No data from " + Hex(nFirst) + " to " + Hex(nLast) + "; nothing is saved");
        return kExitFailed;
    }

    CImageFile file;
    file.m_bShowReport = 1;
    int bSaved = 0;
    {
        CWatchedFile watch(bar, file);
        bSaved = file.Save(options.output.c_str(), nFirst, nLast, &image, 1);
    }
    // A cancelled save succeeds too; its file holds what was written so far.
    if (IsInterrupted()) return kExitCancelled;
    if (!bSaved) {
        const std::string& reason = file.GetWriteError();
        Tell("Cannot write '" + options.output + "'" + (reason.empty() ? "" : ": " + reason));
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace

int RunImageTool(const CToolOptions& options, CTerminalStatusBar& bar) {
    std::unique_ptr<CMemoryImage> pImage = CMemoryImage::Create(0);
    const int nLoadStatus = LoadInputs(options, *pImage, bar);
    if (nLoadStatus != kExitDone) return nLoadStatus;
    pImage->ShowDataAreas();
    if (IsInterrupted()) return kExitCancelled;
    if (options.output.empty()) return kExitDone;
    return SaveOutput(options, *pImage, bar);
}
