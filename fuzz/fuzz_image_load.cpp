// The whole load of any bytes through CImageFile::Load, as an S-record, FPR or
// CDE file by its name, into an image that may already hold data, with the
// "Load anyway?" question answered OK or Cancel and, at times, the load
// cancelled from the status bar. A load that fails or is cancelled must leave
// the image as it was; bytes loaded raw must read back as the file holds them.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "host/recording_host.h"
#include "image/memory_image.h"
#include "imagefile/image_file.h"
#include "table_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    FuzzedDataProvider input(pData, nSize);
    static const char* const kNames[] = {"input.mot", "input.fpr", "input.cde", "input"};
    const std::string name = kNames[input.ConsumeIntegralInRange<int>(0, 3)];
    const bool bAnswerOk = input.ConsumeBool();
    const int nShape = input.ConsumeIntegralInRange<int>(0, 2);
    const bool bShowProgress = input.ConsumeBool();
    const int nCancelAtPane = input.ConsumeIntegralInRange<int>(0, 7);
    const uint32_t nFixedBase = input.ConsumeIntegral<uint16_t>();
    const uint32_t nFixedSize = 1 + input.ConsumeIntegral<uint16_t>();
    const uint32_t nOldAddress = input.ConsumeIntegral<uint16_t>();
    const uint8_t nOldValue = input.ConsumeIntegral<uint8_t>();
    const uint32_t nOldLength = input.ConsumeIntegralInRange<uint32_t>(0, 40);
    const std::vector<uint8_t> file = input.ConsumeRemainingBytes<uint8_t>();
    const std::string path = WriteScratchFile(name, file.data(), file.size());

    // Auto-grow as convert has it (0xFF runs of eight or more are gaps), auto-
    // grow with every 0xFF a gap, or a fixed range that a file may leave.
    CMemoryImage& image = FreshImage(nShape == 2 ? int32_t(nFixedSize) : 0);
    if (nShape == 0) {
        image.m_nGapThreshold = 8;
        image.m_bUseGapThreshold = 1;
    } else if (nShape == 2) {
        image.SetBase(nFixedBase);
    }
    const std::vector<uint8_t> old(nOldLength, nOldValue);
    if (nOldLength > 0) image.WriteBytes(nOldAddress, old.data(), int32_t(nOldLength));
    image.ClearHistory();
    const std::vector<CImageArea> before = ImageAreas(image, true);

    CRecordingHost host(bShowProgress);
    CImageFile imageFile;
    int nPanes = 0;
    if (nCancelAtPane > 0)
        host.m_onPaneText = [&](int, const std::string&) {
            if (++nPanes == nCancelAtPane) imageFile.Cancel();
        };
    host.QueueAnswer(bAnswerOk ? kAnswerOk : kAnswerCancel);
    SetHost(&host);
    const int nResult = imageFile.Load(path.c_str(), &image, bShowProgress ? 1 : 0);
    SetHost(nullptr);

    const std::string breach = FindTableInvariantBreach(image);
    if (!breach.empty()) Fail("after the load: " + breach);
    if (nResult != 0 && nResult != 1) Fail("result " + std::to_string(nResult));
    if (image.HasHistory()) Fail("the load left history behind");

    const std::vector<std::string> questions = host.Texts("question");
    const std::vector<std::string> boxes = host.Texts("box");
    const bool bCancelled = !boxes.empty() && boxes.back() == "Data Load Aborted.";
    // A file that can be read fails to load only when the user declines it.
    if (nResult == 0 && (questions.empty() || bAnswerOk)) Fail("a readable file failed to load");
    if (nResult == 0 || bCancelled) {
        if (ImageAreas(image, true) != before) Fail("a failed or cancelled load changed the image");
        return 0;
    }
    const bool bRaw = name == "input.cde" || !questions.empty();
    if (!questions.empty() && !bAnswerOk) Fail("a declined question gave success");
    if (bRaw && nShape != 2 && !file.empty()) {
        // The whole file from address 0: gaps and stored 0xFF both read as 0xFF.
        std::vector<uint8_t> bytes(file.size());
        if (!image.ReadBytes(0, bytes.data(), uint32_t(bytes.size())) || bytes != file)
            Fail("the bytes loaded raw differ from the file");
    }
    return 0;
}
