// The whole load of any bytes through CImageFile::Load, as an S-record (or
// Intel HEX), FPR or CDE file by its name, into an image that may already hold data, with the
// "Load anyway?" question answered OK or Cancel and, at times, the load
// cancelled from the status bar. A load that fails or is cancelled must leave
// the image as it was; bytes loaded raw must read back as the file holds them.
#include <fuzzer/FuzzedDataProvider.h>

#include <map>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "tests/support/recording_host.h"
#include "image/memory_image.h"
#include "imagefile/image_file.h"
#include "table_invariants.h"

namespace {

const char kCannotRollBack[] =
    "The load could not be taken back: the undo store was full, and the image holds part of the file.";

// What an S-record file holds by the reading rules, worked out apart from the
// reader under test: a byte 0x1A ends the text; lines end at LF, at up to
// eight CRs before an LF, or at a lone CR; a line longer than the longest
// record (514 characters), or one that is not a record, is bad; headers and
// data records without data are passed over; a termination record ends the
// data.
struct CModelRead {
    bool bBadLine = false;
    std::map<uint32_t, uint8_t> bytes;
    bool bBeyondTheAddressSpace = false;
};

int Digit(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// False for a bad line; otherwise the record's effect on the model.
bool ReadModelLine(const std::vector<uint8_t>& line, CModelRead& model, bool& bEnd) {
    if (line.size() > 514) return false;
    // The reader works on text: a zero byte ends what it sees of the line.
    std::vector<uint8_t> text;
    for (uint8_t c : line) {
        if (c == 0) break;
        text.push_back(c);
    }
    if (text.size() < 4) return false;
    std::vector<int> fields;
    const auto pair = [&](size_t nColumn) {
        if (nColumn + 1 >= text.size()) return -1;
        const int hi = Digit(text[nColumn]);
        const int lo = Digit(text[nColumn + 1]);
        return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
    };
    const int nCount = pair(2);
    if (nCount < 0) return false;
    unsigned nSum = 0;
    for (int k = 0; k <= nCount; ++k) {
        const int value = pair(2 + 2 * size_t(k));
        if (value < 0) return false;
        if (k < nCount) nSum += unsigned(value);
        fields.push_back(value);
    }
    if (unsigned(fields.back()) != (~nSum & 0xFF)) return false;
    const char type = char(text[1]);
    if (type == '7' || type == '8' || type == '9') {
        bEnd = true;
        return true;
    }
    if (type == '0') return true;
    if (type < '1' || type > '3') return false;
    const int nAddressBytes = type - '0' + 1;
    const int nData = nCount - 1 - nAddressBytes;
    if (nData <= 0) return true;
    uint64_t nAddress = 0;
    for (int k = 1; k <= nAddressBytes; ++k) nAddress = nAddress * 256 + uint64_t(fields[size_t(k)]);
    for (int k = 0; k < nData; ++k, ++nAddress) {
        if (nAddress > 0xFFFFFFFF) {
            model.bBeyondTheAddressSpace = true;
            break;
        }
        model.bytes[uint32_t(nAddress)] = uint8_t(fields[size_t(1 + nAddressBytes + k)]);
    }
    return true;
}

// What the last type 02 or 04 record of an Intel HEX file set.
struct CIntelHexState {
    uint64_t nBase = 0;
    bool bSegmented = false;
};

// As ReadModelLine, for Intel HEX: ':' and digit pairs of count, 16-bit
// offset, type, data and checksum, nothing after it; types 00 to 05, those
// that carry an address or nothing of the length that it takes; 02 sets a
// segment within which offsets wrap at 64 KiB, 04 a linear base above which
// they do not; 01 ends the data.
bool ReadIntelHexModelLine(const std::vector<uint8_t>& line, CModelRead& model, CIntelHexState& state,
                           bool& bEnd) {
    if (line.size() < 11 || line[0] != ':' || line.size() % 2 == 0) return false;
    std::vector<unsigned> fields;
    for (size_t nColumn = 1; nColumn < line.size(); nColumn += 2) {
        const int hi = Digit(line[nColumn]);
        const int lo = Digit(line[nColumn + 1]);
        if (hi < 0 || lo < 0) return false;
        fields.push_back(unsigned(hi * 16 + lo));
    }
    const unsigned nCount = fields[0];
    if (fields.size() != nCount + 5) return false;
    unsigned nSum = 0;
    for (unsigned field : fields) nSum += field;
    if (nSum % 256 != 0) return false;
    const unsigned nType = fields[3];
    const int kRequired[] = {-1, 0, 2, 4, 2, 4};
    if (nType > 5 || (kRequired[nType] >= 0 && nCount != unsigned(kRequired[nType]))) return false;
    if (nType == 1) bEnd = true;
    if (nType == 2 || nType == 4) {
        state.bSegmented = nType == 2;
        state.nBase = uint64_t(fields[4] * 256 + fields[5]) << (nType == 2 ? 4 : 16);
    }
    if (nType != 0) return true;
    const unsigned nOffset = fields[1] * 256 + fields[2];
    for (unsigned k = 0; k < nCount; ++k) {
        const uint64_t nAddress = state.nBase + (state.bSegmented ? (nOffset + k) % 0x10000 : nOffset + k);
        if (nAddress > 0xFFFFFFFF) {
            model.bBeyondTheAddressSpace = true;
            break;
        }
        model.bytes[uint32_t(nAddress)] = uint8_t(fields[4 + k]);
    }
    return true;
}

// The lines of the text as the stream splits them: a byte 0x1A ends the
// text; lines end at LF, at up to eight CRs before an LF, or at a lone CR.
std::vector<std::vector<uint8_t>> SplitLines(const std::vector<uint8_t>& file) {
    std::vector<std::vector<uint8_t>> lines;
    size_t nEnd = 0;
    while (nEnd < file.size() && file[nEnd] != 0x1A) ++nEnd;
    std::vector<uint8_t> line;
    for (size_t i = 0; i <= nEnd;) {
        bool bLineEnd = i == nEnd;
        size_t nNext = i + 1;
        if (i < nEnd && file[i] == '\n') {
            bLineEnd = true;
        } else if (i < nEnd && file[i] == '\r') {
            bLineEnd = true;
            size_t nRun = 1;
            while (nRun < 8 && i + nRun < nEnd && file[i + nRun] == '\r') ++nRun;
            if (i + nRun < nEnd && file[i + nRun] == '\n') nNext = i + nRun + 1;
        }
        if (!bLineEnd) {
            line.push_back(file[i++]);
            continue;
        }
        // The text's end closes a last line only when it holds something.
        if (i < nEnd || !line.empty()) lines.push_back(line);
        line.clear();
        i = nNext;
    }
    return lines;
}

// A file whose first line that is not empty begins with ':' is Intel HEX,
// unless that line is the first of the file and an S-record but no Intel
// HEX record.
bool IsIntelHexModel(const std::vector<std::vector<uint8_t>>& lines) {
    size_t nFirst = 0;
    while (nFirst < lines.size() && lines[nFirst].empty()) ++nFirst;
    if (nFirst == lines.size() || lines[nFirst][0] != ':') return false;
    if (nFirst > 0) return true;
    CModelRead scratch;
    CIntelHexState state;
    bool bEnd = false;
    return ReadIntelHexModelLine(lines[0], scratch, state, bEnd) || !ReadModelLine(lines[0], scratch, bEnd);
}

CModelRead ReadTextModel(const std::vector<uint8_t>& file) {
    CModelRead model;
    const std::vector<std::vector<uint8_t>> lines = SplitLines(file);
    const bool bIntelHex = IsIntelHexModel(lines);
    CIntelHexState state;
    bool bEnd = false;
    for (size_t i = 0; i < lines.size() && !bEnd; ++i) {
        // Intel HEX passes over empty lines.
        if (bIntelHex && lines[i].empty()) continue;
        if (bIntelHex ? !ReadIntelHexModelLine(lines[i], model, state, bEnd)
                      : !ReadModelLine(lines[i], model, bEnd)) {
            model.bBadLine = true;
            return model;
        }
    }
    return model;
}

}  // namespace

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
    // A load that a full undo store kept from being taken back says so and
    // fails; it is the one failure that leaves the image changed.
    for (const std::string& box : boxes)
        if (box == kCannotRollBack) {
            if (nResult != 0) Fail("a load that could not be taken back succeeded");
            return 0;
        }
    // A file that can be read fails to load only when the user declines it.
    if (nResult == 0 && (questions.empty() || bAnswerOk)) Fail("a readable file failed to load");

    const bool bSRecordFile = name == "input.mot" || name == "input";
    if (bSRecordFile && !bCancelled) {
        const CModelRead model = ReadTextModel(file);
        if (model.bBadLine != !questions.empty())
            Fail(model.bBadLine ? "a bad line was taken for a record" : "a good file was not taken as S-records");
        if (!model.bBadLine && model.bBeyondTheAddressSpace != (imageFile.HasDataLost() != 0) && nShape != 2)
            Fail("bytes beyond the address space and the lost-data verdict disagree");
        if (!model.bBadLine && nShape != 2) {
            // Later records win; the image's old bytes lie under the file's.
            std::map<uint32_t, uint8_t> expected;
            for (uint32_t i = 0; i < nOldLength; ++i) expected[nOldAddress + i] = nOldValue;
            for (const auto& [nAddress, value] : model.bytes) expected[nAddress] = value;
            for (const auto& [nAddress, value] : expected)
                if (image.GetByte(nAddress) != value) Fail("a byte of the file reads back wrong");
            for (const CImageArea& area : ImageAreas(image, false))
                for (uint64_t nAddress = area.nFirst; nAddress <= area.nLast; ++nAddress)
                    if (!expected.count(uint32_t(nAddress))) Fail("the image holds a byte that the file does not");
        }
    }
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
