// Decodes the input as a sequence of memory-image operations and holds the
// image against the plain per-address model after every one of them.
#include <fuzzer/FuzzedDataProvider.h>

#include <deque>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "tests/support/recording_host.h"
#include "image/memory_image.h"
#include "image_model.h"
#include "model_comparison.h"

namespace {

constexpr size_t kLogLength = 16;

class CImageSession {
public:
    explicit CImageSession(FuzzedDataProvider& input) : m_input(input) {
        const uint32_t nWindowSize = 64 + m_input.ConsumeIntegralInRange<uint32_t>(0, 960);
        const uint32_t nPlace = m_input.ConsumeIntegralInRange<uint32_t>(0, 2);
        if (m_input.ConsumeBool()) {
            static const uint32_t kAlignments[] = {1, 2, 16, 0x100};
            const uint32_t nAlignment = kAlignments[m_input.ConsumeIntegralInRange<uint32_t>(0, 3)];
            const uint32_t nFirst = nPlace == 0 ? 0 : nPlace == 1 ? 0x7FFFFF00u : uint32_t(kAddressSpaceEnd - nWindowSize);
            m_pImage = &FreshImage(0);
            m_pImage->SetAlignment(nAlignment);
            m_pModel = std::make_unique<CImageModel>(nFirst, nWindowSize, true, 0, 0, nAlignment);
        } else {
            // The window reaches 64 addresses past each end of the range, where
            // that is inside the address space, so that writes are clipped.
            const uint32_t nSize = 1 + m_input.ConsumeIntegralInRange<uint32_t>(0, nWindowSize - 1);
            const uint32_t nBase = nPlace == 0 ? m_input.ConsumeIntegralInRange<uint32_t>(0, 64)
                                 : nPlace == 1 ? 0x20000u
                                               : uint32_t(kAddressSpaceEnd - nSize);
            const uint32_t nFirst = nBase >= 64 ? nBase - 64 : 0;
            const uint64_t nEnd = std::min<uint64_t>(uint64_t(nBase) + nSize + 64, kAddressSpaceEnd);
            m_pImage = &FreshImage(int32_t(nSize));
            m_pImage->SetBase(nBase);
            m_pModel = std::make_unique<CImageModel>(nFirst, uint32_t(nEnd - nFirst), false, nBase, nSize, 1);
        }
        SetGapRule();
    }

    void Run() {
        Check("start");
        while (m_input.remaining_bytes() > 0) Check(Step());
    }

private:
    uint32_t WindowOffset() { return m_input.ConsumeIntegralInRange<uint32_t>(0, m_pModel->WindowSize() - 1); }
    uint32_t WindowAddress() { return m_pModel->WindowFirst() + WindowOffset(); }

    // A stretch that starts in the window and ends in it, or, rarely, past it
    // (only where that does not reach another address the model ignores).
    std::pair<uint32_t, uint32_t> Stretch(uint32_t nMaxLength) {
        const uint32_t nAddress = WindowAddress();
        const uint64_t nWindowEnd = uint64_t(m_pModel->WindowFirst()) + m_pModel->WindowSize();
        uint64_t nLength = 1 + m_input.ConsumeIntegralInRange<uint32_t>(0, nMaxLength - 1);
        if (nAddress + nLength > nWindowEnd) nLength = nWindowEnd - nAddress;
        // A write past the top of the address space has no addresses to reach.
        if (nWindowEnd == kAddressSpaceEnd && m_input.ConsumeIntegralInRange<uint32_t>(0, 7) == 0)
            nLength += m_input.ConsumeIntegralInRange<uint32_t>(0, 64);
        return {nAddress, uint32_t(nLength)};
    }

    // Runs of 0xFF, runs of one value and single bytes, so that the gap rule
    // meets runs on both sides of its threshold.
    std::vector<uint8_t> Bytes(uint32_t nLength) {
        std::vector<uint8_t> bytes;
        while (bytes.size() < nLength) {
            const uint8_t control = m_input.ConsumeIntegral<uint8_t>();
            const uint32_t nRun = 1 + (control & 0x1F);
            uint8_t value = 0xFF;
            if (control >= 0x40) value = control >= 0xC0 ? control : m_input.ConsumeIntegral<uint8_t>();
            const uint32_t nCount = control >= 0xC0 ? 1 : nRun;
            for (uint32_t i = 0; i < nCount && bytes.size() < nLength; ++i) bytes.push_back(value);
        }
        return bytes;
    }

    void SetGapRule() {
        const bool bUseThreshold = m_input.ConsumeBool();
        const int32_t nThreshold = m_input.ConsumeIntegralInRange<int32_t>(-1, 12);
        m_pImage->m_bUseGapThreshold = bUseThreshold ? 1 : 0;
        m_pImage->m_nGapThreshold = nThreshold;
        m_pModel->SetGapRule(bUseThreshold, nThreshold);
    }

    std::string Write(bool bMarked) {
        const auto stretch = Stretch(600);
        const std::vector<uint8_t> bytes = Bytes(stretch.second);
        const int32_t nLength = int32_t(stretch.second);
        const int nExpected = m_pModel->WriteBytes(stretch.first, bytes.data(), nLength, bMarked);
        const int nResult = bMarked ? m_pImage->WriteMarkedBytes(stretch.first, nLength, bytes.data())
                                    : m_pImage->WriteBytes(stretch.first, bytes.data(), nLength);
        std::ostringstream op;
        op << (bMarked ? "WriteMarkedBytes " : "WriteBytes ") << std::hex << stretch.first << " +" << std::dec
           << nLength << " result " << nResult;
        if (nResult != nExpected) m_resultMismatch = op.str() + ", expected " + std::to_string(nExpected);
        return op.str();
    }

    std::string BadWrite() {
        const uint32_t nAddress = WindowAddress();
        const uint8_t byte = 0x42;
        const int nKind = m_input.ConsumeIntegralInRange<int>(0, 2);
        const int32_t nLength = nKind == 0 ? 0 : nKind == 1 ? m_input.ConsumeIntegralInRange<int32_t>(INT32_MIN, -1) : 1;
        const uint8_t* pData = nKind == 2 ? nullptr : &byte;
        const int nExpected = m_pModel->WriteBytes(nAddress, pData, nLength, false);
        const int nResult = m_pImage->WriteBytes(nAddress, pData, nLength);
        std::ostringstream op;
        op << "WriteBytes " << std::hex << nAddress << std::dec << " length " << nLength << (pData ? "" : " null");
        if (nResult != nExpected) m_resultMismatch = op.str();
        return op.str();
    }

    template <class ImageOp, class ModelOp>
    std::string OnStretch(const char* pszName, ImageOp imageOp, ModelOp modelOp) {
        const auto stretch = Stretch(800);
        (m_pImage->*imageOp)(stretch.first, stretch.second);
        ((*m_pModel).*modelOp)(stretch.first, stretch.second);
        std::ostringstream op;
        op << pszName << " " << std::hex << stretch.first << " +" << std::dec << stretch.second;
        return op.str();
    }

    std::string Step() {
        switch (m_input.ConsumeIntegralInRange<int>(0, 27)) {
            case 0: case 1: case 2: case 3: return Write(false);
            case 4: case 5: return Write(true);
            case 6: return BadWrite();
            case 7: {
                const uint32_t nAddress = WindowAddress();
                const uint8_t byte = m_input.ConsumeIntegral<uint8_t>();
                if (m_pImage->SetByte(nAddress, byte) != m_pModel->WriteBytes(nAddress, &byte, 1, false))
                    m_resultMismatch = "SetByte";
                return "SetByte";
            }
            case 8: m_pImage->UndoLastStep(); m_pModel->UndoLastStep(); return "UndoLastStep";
            case 9: m_pImage->RedoLastStep(); m_pModel->RedoLastStep(); return "RedoLastStep";
            case 10: return OnStretch("UndoRange", &CMemoryImage::UndoRange, &CImageModel::UndoRange);
            case 11: return OnStretch("RedoRange", &CMemoryImage::RedoRange, &CImageModel::RedoRange);
            case 12: {
                const uint32_t nAddress = WindowAddress();
                m_pImage->UndoByte(nAddress);
                m_pModel->UndoRange(nAddress, 1);
                return "UndoByte";
            }
            case 13: {
                const uint32_t nAddress = WindowAddress();
                m_pImage->RedoByte(nAddress);
                m_pModel->RedoRange(nAddress, 1);
                return "RedoByte";
            }
            case 14: return OnStretch("UndoRangeFully", &CMemoryImage::UndoRangeFully, &CImageModel::UndoRangeFully);
            case 15: return OnStretch("RedoRangeFully", &CMemoryImage::RedoRangeFully, &CImageModel::RedoRangeFully);
            case 16: return OnStretch("DropUndoLayer", &CMemoryImage::DropUndoLayer, &CImageModel::DropUndoLayer);
            case 17: return OnStretch("DropRedoLayer", &CMemoryImage::DropRedoLayer, &CImageModel::DropRedoLayer);
            case 18:
                return OnStretch("DiscardUndoRange", &CMemoryImage::DiscardUndoRange, &CImageModel::DiscardUndoRange);
            case 19:
                return OnStretch("DiscardRedoRange", &CMemoryImage::DiscardRedoRange, &CImageModel::DiscardRedoRange);
            case 20: return OnStretch("UnmarkRange", &CMemoryImage::UnmarkRange, &CImageModel::UnmarkRange);
            case 21: m_pImage->UndoAll(); m_pModel->UndoAll(); return "UndoAll";
            case 22: m_pImage->RedoAll(); m_pModel->RedoAll(); return "RedoAll";
            case 23: m_pImage->RevertChanges(); m_pModel->RevertChanges(); return "RevertChanges";
            case 24:
                if (m_input.ConsumeBool()) {
                    m_pImage->ClearHistory();
                    m_pModel->ClearHistory();
                    return "ClearHistory";
                }
                m_pImage->ClearMarks();
                m_pModel->ClearMarks();
                return "ClearMarks";
            case 25: {
                // Anywhere from 64 below the window to its end.
                const uint32_t nFirst = m_pModel->WindowFirst() >= 64 ? m_pModel->WindowFirst() - 64 : 0;
                const uint32_t nAddress =
                    nFirst + m_input.ConsumeIntegralInRange<uint32_t>(0, m_pModel->WindowFirst() - nFirst +
                                                                             m_pModel->WindowSize() - 1);
                m_pImage->SetBase(nAddress);
                m_pModel->SetBase(nAddress);
                std::ostringstream op;
                op << "SetBase " << std::hex << nAddress;
                return op.str();
            }
            case 26: {
                const uint32_t n = m_input.ConsumeIntegralInRange<uint32_t>(0, m_pModel->WindowSize() + 64);
                m_pImage->SetSize(n);
                m_pModel->SetSize(n);
                return "SetSize " + std::to_string(n);
            }
            default:
                SetGapRule();
                return "gap rule " + std::to_string(m_pImage->m_bUseGapThreshold) + " threshold " +
                       std::to_string(m_pImage->m_nGapThreshold);
        }
    }

    uint32_t Pick(uint32_t n) {
        m_nPickState = m_nPickState * 1103515245u + 12345u;
        return (m_nPickState >> 8) % n;
    }

    void Check(const std::string& op) {
        m_log.push_back(op);
        if (m_log.size() > kLogLength) m_log.pop_front();
        std::string disagreement = m_resultMismatch.empty() ? std::string() : "wrong result: " + m_resultMismatch;
        if (disagreement.empty())
            disagreement = FindModelDisagreement(*m_pImage, *m_pModel, [this](uint32_t n) { return Pick(n); });
        if (disagreement.empty()) return;
        std::string detail = disagreement + "\nlast operations:";
        for (const std::string& entry : m_log) detail += "\n  " + entry;
        Fail("image and model disagree", detail);
    }

    FuzzedDataProvider& m_input;
    CMemoryImage* m_pImage;
    std::unique_ptr<CImageModel> m_pModel;
    std::deque<std::string> m_log;
    std::string m_resultMismatch;
    uint32_t m_nPickState = 1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    // No message may reach the console and wait there for an answer.
    CRecordingHost host;
    SetHost(&host);
    FuzzedDataProvider input(pData, nSize);
    CImageSession(input).Run();
    SetHost(nullptr);
    return 0;
}
