// Long random sequences of writes, undos, redos, reverts and range drops,
// checked after every step against a plain model of each address.
#include "image_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "image/memory_image.h"
#include "model_comparison.h"

namespace {

struct CScenario {
    const char* pszName;
    uint32_t nSeed;
    bool bAutoGrow;
    uint32_t nFixedBase;  // fixed ranges only
    int32_t nFixedSize;
    bool bNearTop;        // auto-grow: the window ends at 0xFFFFFFFF
    uint32_t nAlignment;  // auto-grow only
    bool bUseThreshold;
    int32_t nThreshold;
    bool bToggleGapRule;  // switch the threshold on and off between steps
};

void PrintTo(const CScenario& scenario, std::ostream* pOut) {
    *pOut << scenario.pszName;
}

class CModelRun {
public:
    explicit CModelRun(const CScenario& scenario) : m_scenario(scenario), m_random(scenario.nSeed) {
        const uint32_t nWindowSize = 1024 + m_random() % 1024;
        if (scenario.bAutoGrow) {
            m_pImage = CMemoryImage::Create(0);
            m_pImage->SetAlignment(scenario.nAlignment);
            const uint32_t nWindowFirst = scenario.bNearTop ? uint32_t(kAddressSpaceEnd - nWindowSize)
                                                            : 0x1000 + (m_random() % 0x7FFF0000u);
            m_pModel =
                std::make_unique<CImageModel>(nWindowFirst, nWindowSize, true, 0, 0, scenario.nAlignment);
        } else {
            m_pImage = CMemoryImage::Create(scenario.nFixedSize);
            m_pImage->SetBase(scenario.nFixedBase);
            const uint64_t nEnd = uint64_t(scenario.nFixedBase) + uint32_t(scenario.nFixedSize);
            const uint32_t nWindowFirst = scenario.nFixedBase - 64;
            const uint64_t nWindowEnd = std::min(nEnd + 64, kAddressSpaceEnd);
            m_pModel = std::make_unique<CImageModel>(nWindowFirst, uint32_t(nWindowEnd - nWindowFirst), false,
                                                     scenario.nFixedBase, uint32_t(scenario.nFixedSize), 1);
        }
        SetGapRule(scenario.bUseThreshold, scenario.nThreshold);
    }

    // Runs nSteps random operations; stops at the first disagreement.
    void Run(int nSteps) {
        for (int nStep = 0; nStep < nSteps; ++nStep) {
            const std::string op = Step();
            m_log.push_back(op);
            if (m_log.size() > 12) m_log.erase(m_log.begin());
            ::testing::AssertionResult result = Agrees();
            if (!result) {
                std::ostringstream history;
                for (const std::string& entry : m_log) history << "\n  " << entry;
                FAIL() << m_scenario.pszName << " step " << nStep << ": " << result.message()
                       << "\nlast operations:" << history.str();
            }
        }
    }

private:
    void SetGapRule(bool bUseThreshold, int32_t nThreshold) {
        m_pImage->m_bUseGapThreshold = bUseThreshold ? 1 : 0;
        m_pImage->m_nGapThreshold = nThreshold;
        m_pModel->SetGapRule(bUseThreshold, nThreshold);
    }

    uint32_t Pick(uint32_t n) { return m_random() % n; }
    uint32_t WindowEnd() const { return m_pModel->WindowFirst() + m_pModel->WindowSize() - 1; }

    // A stretch inside the window: [address, address + length - 1].
    std::pair<uint32_t, uint32_t> RandomStretch(uint32_t nMaxLength) {
        const uint32_t nAddress = m_pModel->WindowFirst() + Pick(m_pModel->WindowSize());
        const uint32_t nLength = 1 + Pick(nMaxLength);
        return {nAddress, std::min<uint64_t>(nLength, uint64_t(WindowEnd()) - nAddress + 1)};
    }

    // Runs of data, of 0xFF around the threshold, and of a few repeated values.
    std::vector<uint8_t> RandomBytes(uint32_t nLength) {
        std::vector<uint8_t> bytes;
        while (bytes.size() < nLength) {
            const uint32_t nKind = Pick(4);
            const uint32_t nRun = nKind == 1 ? 1 + Pick(12) : 1 + Pick(24);
            for (uint32_t i = 0; i < nRun && bytes.size() < nLength; ++i) {
                if (nKind == 0)
                    bytes.push_back(uint8_t(m_random()));
                else if (nKind == 1)
                    bytes.push_back(0xFF);
                else
                    bytes.push_back(uint8_t(0x11 * (1 + Pick(3))));
            }
        }
        return bytes;
    }

    std::string Write(bool bMarked) {
        auto stretch = RandomStretch(300);
        // Near the top an auto-grow write may reach past 0xFFFFFFFF.
        if (m_scenario.bNearTop && Pick(4) == 0) stretch.second += Pick(64);
        const std::vector<uint8_t> bytes = RandomBytes(stretch.second);
        const int32_t nLength = int32_t(stretch.second);
        const int nExpected = m_pModel->WriteBytes(stretch.first, bytes.data(), nLength, bMarked);
        const int nResult = bMarked ? m_pImage->WriteMarkedBytes(stretch.first, nLength, bytes.data())
                                    : m_pImage->WriteBytes(stretch.first, bytes.data(), nLength);
        std::ostringstream op;
        op << (bMarked ? "WriteMarkedBytes " : "WriteBytes ") << std::hex << stretch.first << " +" << std::dec
           << nLength << " result " << nResult;
        if (nResult != nExpected) op << " EXPECTED " << nExpected;
        m_bResultsAgree = m_bResultsAgree && nResult == nExpected;
        return op.str();
    }

    std::string BadWrite() {
        const uint32_t nAddress = m_pModel->WindowFirst() + Pick(m_pModel->WindowSize());
        const uint8_t byte = 0x42;
        const int nKind = int(Pick(3));
        const int32_t nLength = nKind == 0 ? 0 : nKind == 1 ? -int32_t(1 + Pick(100)) : 1;
        const uint8_t* pData = nKind == 2 ? nullptr : &byte;
        const int nExpected = m_pModel->WriteBytes(nAddress, pData, nLength, false);
        const int nResult = m_pImage->WriteBytes(nAddress, pData, nLength);
        m_bResultsAgree = m_bResultsAgree && nResult == nExpected;
        std::ostringstream op;
        op << "WriteBytes " << std::hex << nAddress << std::dec << " length " << nLength
           << (pData ? "" : " null data");
        return op.str();
    }

    template <class ImageOp, class ModelOp>
    std::string OnStretch(const char* pszName, ImageOp imageOp, ModelOp modelOp, uint32_t nMaxLength = 400) {
        const auto stretch = RandomStretch(nMaxLength);
        (m_pImage.get()->*imageOp)(stretch.first, stretch.second);
        ((*m_pModel).*modelOp)(stretch.first, stretch.second);
        std::ostringstream op;
        op << pszName << " " << std::hex << stretch.first << " +" << std::dec << stretch.second;
        return op.str();
    }

    std::string Step() {
        const uint32_t nRoll = Pick(100);
        if (nRoll < 28) return Write(false);
        if (nRoll < 42) return Write(true);
        if (nRoll < 44) return BadWrite();
        if (nRoll < 46) {
            const uint32_t nAddress = m_pModel->WindowFirst() + Pick(m_pModel->WindowSize());
            const uint8_t byte = Pick(2) ? 0xFF : uint8_t(m_random());
            m_bResultsAgree = m_bResultsAgree && m_pImage->SetByte(nAddress, byte) ==
                                                     m_pModel->WriteBytes(nAddress, &byte, 1, false);
            return "SetByte";
        }
        if (nRoll < 53) {
            m_pImage->UndoLastStep();
            m_pModel->UndoLastStep();
            return "UndoLastStep";
        }
        if (nRoll < 59) {
            m_pImage->RedoLastStep();
            m_pModel->RedoLastStep();
            return "RedoLastStep";
        }
        if (nRoll < 65) return OnStretch("UndoRange", &CMemoryImage::UndoRange, &CImageModel::UndoRange);
        if (nRoll < 70) return OnStretch("RedoRange", &CMemoryImage::RedoRange, &CImageModel::RedoRange);
        if (nRoll < 72) {
            const uint32_t nAddress = m_pModel->WindowFirst() + Pick(m_pModel->WindowSize());
            if (Pick(2)) {
                m_pImage->UndoByte(nAddress);
                m_pModel->UndoRange(nAddress, 1);
                return "UndoByte";
            }
            m_pImage->RedoByte(nAddress);
            m_pModel->RedoRange(nAddress, 1);
            return "RedoByte";
        }
        if (nRoll < 75)
            return OnStretch("UndoRangeFully", &CMemoryImage::UndoRangeFully, &CImageModel::UndoRangeFully);
        if (nRoll < 78)
            return OnStretch("RedoRangeFully", &CMemoryImage::RedoRangeFully, &CImageModel::RedoRangeFully);
        if (nRoll < 81)
            return OnStretch("DropUndoLayer", &CMemoryImage::DropUndoLayer, &CImageModel::DropUndoLayer);
        if (nRoll < 83)
            return OnStretch("DropRedoLayer", &CMemoryImage::DropRedoLayer, &CImageModel::DropRedoLayer);
        if (nRoll < 85)
            return OnStretch("DiscardUndoRange", &CMemoryImage::DiscardUndoRange,
                             &CImageModel::DiscardUndoRange);
        if (nRoll < 87)
            return OnStretch("DiscardRedoRange", &CMemoryImage::DiscardRedoRange,
                             &CImageModel::DiscardRedoRange);
        if (nRoll < 90)
            return OnStretch("UnmarkRange", &CMemoryImage::UnmarkRange, &CImageModel::UnmarkRange);
        if (nRoll < 92) {
            m_pImage->UndoAll();
            m_pModel->UndoAll();
            return "UndoAll";
        }
        if (nRoll < 94) {
            m_pImage->RedoAll();
            m_pModel->RedoAll();
            return "RedoAll";
        }
        if (nRoll < 96) {
            m_pImage->RevertChanges();
            m_pModel->RevertChanges();
            return "RevertChanges";
        }
        if (nRoll < 97) {
            m_pImage->ClearHistory();
            m_pModel->ClearHistory();
            return "ClearHistory";
        }
        if (nRoll < 98) {
            m_pImage->ClearMarks();
            m_pModel->ClearMarks();
            return "ClearMarks";
        }
        if (m_scenario.bToggleGapRule) {
            const bool bUseThreshold = Pick(2) != 0;
            const int32_t nThreshold = int32_t(1 + Pick(10));
            SetGapRule(bUseThreshold, nThreshold);
            return "gap rule " + std::to_string(bUseThreshold) + " threshold " + std::to_string(nThreshold);
        }
        return Write(false);
    }

    ::testing::AssertionResult Agrees() {
        if (!m_bResultsAgree) return ::testing::AssertionFailure() << "a write reported the wrong result";
        const std::string disagreement =
            FindModelDisagreement(*m_pImage, *m_pModel, [this](uint32_t n) { return Pick(n); });
        if (!disagreement.empty()) return ::testing::AssertionFailure() << disagreement;
        return ::testing::AssertionSuccess();
    }

    const CScenario m_scenario;
    std::mt19937 m_random;
    std::unique_ptr<CMemoryImage> m_pImage;
    std::unique_ptr<CImageModel> m_pModel;
    std::vector<std::string> m_log;
    bool m_bResultsAgree = true;
};

class ImageModelTest : public ::testing::TestWithParam<CScenario> {};

TEST_P(ImageModelTest, AgreesWithTheModelAfterEveryStep) {
    CModelRun run(GetParam());
    run.Run(600);
}

const CScenario kScenarios[] = {
    {"every 0xFF a gap", 1, true, 0, 0, false, 1, false, 1, false},
    {"every 0xFF a gap, second seed", 2, true, 0, 0, false, 1, false, 1, false},
    {"threshold 8", 3, true, 0, 0, false, 1, true, 8, false},
    {"threshold 8, second seed", 4, true, 0, 0, false, 1, true, 8, false},
    {"threshold 3, aligned growth", 5, true, 0, 0, false, 0x100, true, 3, false},
    {"gap rule changing between writes", 6, true, 0, 0, false, 1, true, 8, true},
    {"auto-grow at the top of the address space", 7, true, 0, 0, true, 1, true, 8, false},
    {"auto-grow at the top, every 0xFF a gap", 8, true, 0, 0, true, 0x10, false, 1, false},
    {"fixed range, clipped writes", 9, false, 0x20000, 0x800, false, 1, true, 8, false},
    {"fixed range, every 0xFF a gap", 10, false, 0x7FFFFF00, 0x300, false, 1, false, 1, true},
    {"fixed range ending at 0xFFFFFFFF", 11, false, 0xFFFFF800, 0x800, false, 1, true, 8, true},
};

INSTANTIATE_TEST_SUITE_P(RandomSequences, ImageModelTest, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<CScenario>& info) {
                             return "Scenario" + std::to_string(info.param.nSeed);
                         });

}  // namespace
