#include "host/file_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "tests/support/scratch_directory.h"

using namespace std::string_literals;

namespace {

namespace fs = std::filesystem;

class FileStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("korvelt_file_stream_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_path = (m_dir / "f.txt").string();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Put(const std::string& bytes) { std::ofstream(m_path, std::ios::binary) << bytes; }
    std::string Get() {
        std::ifstream in(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::unique_ptr<CFileStream> OpenRead(CFileStream::EMode mode) {
        std::unique_ptr<CFileStream> stream(CFileStream::OpenForReading(m_path.c_str()));
        EXPECT_TRUE(stream);
        if (stream) stream->SetMode(mode);
        return stream;
    }
    std::string WriteAll(CFileStream::EMode mode, const std::string& bytes) {
        std::unique_ptr<CFileStream> stream(CFileStream::OpenForWriting(m_path.c_str()));
        stream->SetMode(mode);
        EXPECT_EQ(bytes.size(), stream->Write(bytes.data(), bytes.size()));
        EXPECT_EQ(1, stream->Close());
        return Get();
    }
    std::string ReadAll(CFileStream::EMode mode) {
        std::unique_ptr<CFileStream> stream = OpenRead(mode);
        std::string text;
        char chunk[7];
        while (size_t n = stream->Read(chunk, sizeof chunk)) text.append(chunk, n);
        return text;
    }
    std::vector<std::string> ReadLines(CFileStream::EMode mode, int nSize,
                                       CFileStream::ELineEnds lineEnds = CFileStream::kLineFeedEnds) {
        std::unique_ptr<CFileStream> stream = OpenRead(mode);
        std::vector<std::string> lines;
        std::vector<char> buffer(nSize);
        while (stream->ReadLine(buffer.data(), nSize, nullptr, lineEnds)) lines.emplace_back(buffer.data());
        return lines;
    }

    fs::path m_dir;
    std::string m_path;
};

using Lines = std::vector<std::string>;

TEST_F(FileStreamTest, TextModeWritesEveryLineEndAsCrLf) {
    EXPECT_EQ("a\r\n\r\nb\r\r\n\x1A", WriteAll(CFileStream::kModeText, "a\n\nb\r\n\x1A"));
}

TEST_F(FileStreamTest, BinaryModePassesBytesUnchanged) {
    EXPECT_EQ("a\n\r\n\x1A\0z"s, WriteAll(CFileStream::kModeBinary, "a\n\r\n\x1A\0z"s));
    Put("a\r\n\x1A\0z"s);
    EXPECT_EQ("a\r\n\x1A\0z"s, ReadAll(CFileStream::kModeBinary));
}

TEST_F(FileStreamTest, TextModeReadsCrLfAsLfAndKeepsLoneCr) {
    Put("a\r\nb\rc\r\r\nd\r");
    EXPECT_EQ("a\nb\rc\r\nd\r", ReadAll(CFileStream::kModeText));
}

TEST_F(FileStreamTest, AnyLineEndAlsoEndsLinesAtALoneCr) {
    Put("a\rb\r\r\nc\r\rd\r\ne\r");
    EXPECT_EQ((Lines{"a\n", "b\n", "c\n", "\n", "d\n", "e\n"}),
              ReadLines(CFileStream::kModeText, 16, CFileStream::kAnyLineEnd));
}

TEST_F(FileStreamTest, TextModeEndsTheFileAtByte1A) {
    Put("ab\r\ncd\x1A"
        "ef\r\n");
    std::unique_ptr<CFileStream> stream = OpenRead(CFileStream::kModeText);
    char line[16];
    ASSERT_TRUE(stream->ReadLine(line, sizeof line));
    EXPECT_STREQ("ab\n", line);
    ASSERT_TRUE(stream->ReadLine(line, sizeof line));
    EXPECT_STREQ("cd", line);
    EXPECT_EQ(nullptr, stream->ReadLine(line, sizeof line));
    EXPECT_TRUE(stream->IsEof());
    EXPECT_EQ(0u, stream->Read(line, sizeof line));
    EXPECT_FALSE(stream->HasError());
}

TEST_F(FileStreamTest, CrLfSplitAcrossBufferRefillIsOneLineEnd) {
    // The stream reads 64 KiB at a time; put the CR last in the first read.
    std::string first(64 * 1024 - 1, 'x');
    Put(first + "\r\nnext\r\n");
    EXPECT_EQ((Lines{first + "\n", "next\n"}), ReadLines(CFileStream::kModeText, 70000));
}

TEST_F(FileStreamTest, ReadLineTakesAtMostSizeMinusOneCharacters) {
    Put("12345\r\n1234\r\n\r\nlast");
    // A CR LF counts as one character, as the line end the caller sees.
    EXPECT_EQ((Lines{"1234", "5\n", "1234", "\n", "\n", "last"}), ReadLines(CFileStream::kModeText, 5));
    EXPECT_EQ((Lines{"1234", "5\r\n", "1234", "\r\n", "\r\n", "last"}),
              ReadLines(CFileStream::kModeBinary, 5));
}

TEST_F(FileStreamTest, TextModeLinesHoldExactlyWhatByteReadsGive) {
    // Line ends, 0x1A, other control characters and bytes above 0x7F at every
    // offset of the eight-byte words that lines are scanned in.
    const std::string alphabet = "S0123456789ABCDEF\t\x01\x1F\x7F\x80\xFF\r\n"s;
    uint32_t nState = 12345;
    for (int nRound = 0; nRound < 300; ++nRound) {
        std::string text;
        const size_t nLength = nRound % 97;
        for (size_t i = 0; i < nLength; ++i) {
            nState = nState * 1103515245 + 12345;
            const size_t nPick = (nState >> 16) % (alphabet.size() * 4);
            // Mostly plain digits, as in real records.
            text += nPick < alphabet.size() ? alphabet[nPick] : alphabet[1 + nPick % 16];
        }
        if (nRound % 5 == 0) text.insert(text.size() / 2, "\x1A");
        Put(text);
        const std::string whole = ReadAll(CFileStream::kModeText);
        for (int nSize : {2, 9, 17, 200}) {
            std::string joined;
            for (const std::string& line : ReadLines(CFileStream::kModeText, nSize)) {
                const size_t nEnd = line.find('\n');
                EXPECT_TRUE(nEnd == std::string::npos || nEnd == line.size() - 1) << nRound;
                EXPECT_LE(line.size(), size_t(nSize - 1)) << nRound;
                joined += line;
            }
            EXPECT_EQ(whole, joined) << "round " << nRound << ", size " << nSize;
        }
    }
}

// A NUL is a character of the line like any other: its length says where the
// line ends, not the terminator.
TEST_F(FileStreamTest, ANulByteIsPartOfItsLineInEitherMode) {
    Put("ab\0cd\nxy\n"s);
    for (CFileStream::EMode mode : {CFileStream::kModeText, CFileStream::kModeBinary}) {
        std::unique_ptr<CFileStream> stream = OpenRead(mode);
        char line[16];
        size_t nLength = 0;
        ASSERT_TRUE(stream->ReadLine(line, sizeof line, &nLength));
        EXPECT_EQ("ab\0cd\n"s, std::string(line, nLength)) << mode;
        ASSERT_TRUE(stream->ReadLine(line, sizeof line, &nLength));
        EXPECT_EQ("xy\n", std::string(line, nLength)) << mode;
    }
}

TEST_F(FileStreamTest, ReadReturnsFewerBytesAtTheEnd) {
    Put("abc");
    std::unique_ptr<CFileStream> stream = OpenRead(CFileStream::kModeBinary);
    char bytes[8];
    EXPECT_EQ(3u, stream->Read(bytes, sizeof bytes));
    EXPECT_TRUE(stream->IsEof());
    EXPECT_EQ(0u, stream->Read(bytes, sizeof bytes));
}

TEST_F(FileStreamTest, ModeSwitchAppliesToTheBytesThatFollow) {
    std::unique_ptr<CFileStream> writer(CFileStream::OpenForWriting(m_path.c_str()));
    writer->WriteString("a\n");
    ASSERT_EQ(1, writer->SetMode(CFileStream::kModeBinary));
    writer->WriteString("b\n");
    EXPECT_EQ(1, writer->Close());
    EXPECT_EQ("a\r\nb\n", Get());
}

TEST_F(FileStreamTest, TellAndLengthCountFileBytes) {
    Put("ab\r\ncd");
    std::unique_ptr<CFileStream> stream = OpenRead(CFileStream::kModeText);
    EXPECT_EQ(6, stream->GetLength());
    char line[16];
    stream->ReadLine(line, sizeof line);
    EXPECT_EQ(4, stream->Tell());

    std::unique_ptr<CFileStream> writer(CFileStream::OpenForWriting((m_dir / "w").string().c_str()));
    writer->WriteString("x\ny");
    EXPECT_EQ(4, writer->Tell());
    EXPECT_EQ(4, writer->GetLength());
    // Past the buffer, so that some bytes have gone out.
    const std::string more(100000, 'm');
    writer->WriteString(more.c_str());
    EXPECT_EQ(100004, writer->Tell());
}

TEST_F(FileStreamTest, RewindStartsAgainAfterTheEnd) {
    Put("one\r\n\x1A");
    std::unique_ptr<CFileStream> stream = OpenRead(CFileStream::kModeText);
    char line[16];
    while (stream->ReadLine(line, sizeof line)) {
    }
    ASSERT_EQ(1, stream->Rewind());
    EXPECT_FALSE(stream->IsEof());
    EXPECT_EQ(0, stream->Tell());
    ASSERT_TRUE(stream->ReadLine(line, sizeof line));
    EXPECT_STREQ("one\n", line);
}

TEST_F(FileStreamTest, OpeningFailsWithNull) {
    EXPECT_EQ(nullptr, CFileStream::OpenForReading((m_dir / "missing").string().c_str()));
    EXPECT_EQ(nullptr, CFileStream::OpenForWriting((m_dir / "no" / "such" / "dir").string().c_str()));
}

TEST_F(FileStreamTest, OpeningForWritingEmptiesTheFile) {
    Put("old contents");
    EXPECT_EQ("new", WriteAll(CFileStream::kModeBinary, "new"));
}

TEST_F(FileStreamTest, TheOldFileStaysUntilTheNewOneIsClosedWhole) {
    Put("old contents");
    std::unique_ptr<CFileStream> writer(CFileStream::OpenForWriting(m_path.c_str()));
    ASSERT_TRUE(writer);
    writer->SetMode(CFileStream::kModeBinary);
    writer->WriteString("new");
    EXPECT_EQ("old contents", Get());
    EXPECT_EQ(1, writer->Close());
    EXPECT_EQ("new", Get());
    EXPECT_EQ(1, std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
}

TEST_F(FileStreamTest, ADirectoryThatRefusesNewFilesHasTheFileWrittenInPlace) {
    Put("old contents");
    CReadOnlyDirectory readOnly(m_dir);
    if (!readOnly.IsReadOnly()) GTEST_SKIP() << "cannot make a directory refuse new files here";
    EXPECT_EQ("new", WriteAll(CFileStream::kModeBinary, "new"));
}

TEST_F(FileStreamTest, ReadErrorGivesNoLineAndSetsTheErrorState) {
    // Opens, but its first bytes are never mapped, so the read fails.
    std::unique_ptr<CFileStream> stream(CFileStream::OpenForReading("/proc/self/mem"));
    if (!stream) GTEST_SKIP() << "no /proc/self/mem on this system";
    char line[16];
    EXPECT_EQ(nullptr, stream->ReadLine(line, sizeof line));
    EXPECT_TRUE(stream->HasError());
}

TEST_F(FileStreamTest, ADirectoryDoesNotOpenForReading) {
    EXPECT_EQ(nullptr, CFileStream::OpenForReading(m_dir.string().c_str()));
}

TEST_F(FileStreamTest, CloseReportsAFailedFlushAndASecondClose) {
    std::unique_ptr<CFileStream> full(CFileStream::OpenForWriting("/dev/full"));
    if (!full) GTEST_SKIP() << "/dev/full is not available";
    EXPECT_EQ(1, full->WriteString("buffered, so the failure shows at the flush\n"));
    EXPECT_EQ(0, full->Close());
    EXPECT_EQ(0, full->Close());
}

TEST_F(FileStreamTest, WritesLargerThanTheBufferReachTheFileWhole) {
    std::string data;
    for (int i = 0; i < 200000; ++i) data += static_cast<char>(i % 11 == 0 ? '\n' : 'a' + i % 26);
    std::string onDisk = WriteAll(CFileStream::kModeText, data);
    std::string expected;
    for (char c : data) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(expected, onDisk);
    EXPECT_EQ(data, ReadAll(CFileStream::kModeText));
}

TEST_F(FileStreamTest, PeekByteLooksWithoutTaking) {
    Put("\r\nS1");
    std::unique_ptr<CFileStream> stream = OpenRead(CFileStream::kModeText);
    EXPECT_EQ('\r', stream->PeekByte());
    char szLine[8];
    ASSERT_TRUE(stream->ReadLine(szLine, sizeof szLine));
    EXPECT_EQ("\n"s, szLine);
    ASSERT_TRUE(stream->ReadLine(szLine, sizeof szLine));
    EXPECT_EQ(-1, stream->PeekByte());
}

}  // namespace
