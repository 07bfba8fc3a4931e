#include <gtest/gtest.h>

#include "tests/convert/convert_fixture.h"
#include "tests/convert/srecord_lines.h"

namespace {

const std::string kHeader = SRecordLine('0', 0, "prog");
const std::string kEnd = SRecordLine('9', 0, "");
const std::string kQuestion = "This file is not an SRecord.  Load anyway? [OK/Cancel]";

using ConvertAreaTest = ConvertTest;

TEST_F(ConvertAreaTest, OneAreaGivesItsBytesAndAddresses) {
    const std::string data = PatternBytes(0x400);
    WriteInput("prog.mot", kHeader + SRecordDataLines('1', 0x400, data) + kEnd);
    const CProgramRun run = Convert("prog.mot");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x400", "0x7ff", "0x400"), run.strOut);
    EXPECT_EQ("", run.strErr);
    EXPECT_EQ(data, ReadOutput("prog.cde"));
}

TEST_F(ConvertAreaTest, GapBetweenAreasIsFilledWithErasedBytes) {
    const std::string low = PatternBytes(0x100, 1);
    const std::string high = PatternBytes(0x100, 2);
    WriteInput("prog.mot",
               kHeader + SRecordDataLines('1', 0x200, high) + SRecordDataLines('1', 0, low) + kEnd);
    const CProgramRun run = Convert("prog.mot");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x0", "0x2ff", "0x300"), run.strOut);
    EXPECT_EQ(low + ErasedBytes(0x100) + high, ReadOutput("prog.cde"));
}

TEST_F(ConvertAreaTest, SixteenBitTwentyFourBitAndThirtyTwoBitRecordsMix) {
    WriteInput("mixed.mot", SRecordLine('1', 0xFFF0, PatternBytes(16)) +
                                SRecordLine('2', 0x10000, PatternBytes(16)) +
                                SRecordLine('3', 0x10010, PatternBytes(16)) + SRecordLine('8', 0, ""));
    const CProgramRun run = Convert("mixed.mot");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ(AddressLines("0xfff0", "0x1001f", "0x30"), run.strOut);
    EXPECT_EQ(PatternBytes(16) + PatternBytes(16) + PatternBytes(16), ReadOutput("mixed.cde"));
}

TEST_F(ConvertAreaTest, ExampleFirmwareGivesTheLinesThatTheReadmeShows) {
    WriteInput("firmware.mot", ReadFileBytes(EXAMPLES_DIR "/firmware.mot"));
    const CProgramRun run = Convert("firmware.mot");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x400", "0x103f", "0xc40"), run.strOut);
    const std::string output = ReadOutput("firmware.cde");
    ASSERT_EQ(0xC40u, output.size());
    EXPECT_EQ(ErasedBytes(0x400), output.substr(0x800, 0x400))
        << "the erased flash between code and parameters";
    EXPECT_EQ("KORVELT DEMO 1.0", output.substr(0xC00, 16));
}

using ConvertErasedEndsTest = ConvertTest;

TEST_F(ConvertErasedEndsTest, RunsOfEightOrMoreAtTheEndsAreLeftOut) {
    const std::string data = PatternBytes(32);
    WriteInput("prog.mot", SRecordDataLines('1', 0x1000, ErasedBytes(8) + data + ErasedBytes(24)) + kEnd);
    const CProgramRun run = Convert("prog.mot");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x1008", "0x1027", "0x20"), run.strOut);
    EXPECT_EQ(data, ReadOutput("prog.cde"));
}

TEST_F(ConvertErasedEndsTest, RunsOfFewerThanEightAtTheEndsStay) {
    const std::string data = ErasedBytes(7) + PatternBytes(18) + ErasedBytes(7);
    WriteInput("prog.mot", SRecordDataLines('1', 0x1000, data) + kEnd);
    const CProgramRun run = Convert("prog.mot");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x1000", "0x101f", "0x20"), run.strOut);
    EXPECT_EQ(data, ReadOutput("prog.cde"));
}

// Contiguous 16-byte records are stored in runs of 496 bytes. An erased
// stretch that begins six bytes before the end of the first run counts as
// two: the six bytes stay as data, the sixteen in the next run are a gap.
TEST_F(ConvertErasedEndsTest, TrailingStretchAcrossTwoStoredRunsKeepsItsShortFirstPart) {
    const std::string data = PatternBytes(490) + ErasedBytes(22);
    WriteInput("prog.mot", SRecordDataLines('1', 0, data) + kEnd);
    const CProgramRun run = Convert("prog.mot");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x0", "0x1ef", "0x1f0"), run.strOut);
    EXPECT_EQ(data.substr(0, 496), ReadOutput("prog.cde"));
}

TEST_F(ConvertErasedEndsTest, ErasedRunInsideTheDataComesBackAsErasedBytes) {
    const std::string data = PatternBytes(20) + ErasedBytes(40) + PatternBytes(20);
    WriteInput("prog.mot", SRecordDataLines('1', 0x100, data) + kEnd);
    const CProgramRun run = Convert("prog.mot");
    EXPECT_EQ(AddressLines("0x100", "0x14f", "0x50"), run.strOut);
    EXPECT_EQ(data, ReadOutput("prog.cde"));
}

using ConvertFileKindTest = ConvertTest;

TEST_F(ConvertFileKindTest, CdeInputIsRawFromZeroAndItsOutputReplacesIt) {
    const std::string data = PatternBytes(100);
    WriteInput("prog.cde", data + ErasedBytes(16));
    const CProgramRun run = Convert("prog.cde");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x0", "0x63", "0x64"), run.strOut);
    EXPECT_EQ(data, ReadOutput("prog.cde"));
    EXPECT_EQ(std::vector<std::string>{"prog.cde"}, m_scratch.Entries());
}

TEST_F(ConvertFileKindTest, FprInputIsReadAsRecords) {
    WriteInput("prog.fpr", "0000100000000004" + std::string("\x01\x02\x03\x04") + "0000101000000002" +
                               std::string("\x05\x06"));
    const CProgramRun run = Convert("prog.fpr");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x1000", "0x1011", "0x12"), run.strOut);
    EXPECT_EQ("\x01\x02\x03\x04" + ErasedBytes(12) + "\x05\x06", ReadOutput("prog.cde"));
}

TEST_F(ConvertFileKindTest, UpperCaseCdeExtensionIsReadAsSRecordText) {
    WriteInput("PROG.CDE", PatternBytes(64));
    const CProgramRun run = Convert("PROG.CDE");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ(Lines({"PROG.CDE:1: not a record", kQuestion, "Failed to load S-Record"}), run.strOut);
}

using ConvertQuestionTest = ConvertTest;

TEST_F(ConvertQuestionTest, AgreeingConvertsTheFileBytesFromAddressZero) {
    WriteInput("notes.txt", "hello, world\n");
    const CProgramRun run = Convert("notes.txt", "yes\n");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ(Lines({"notes.txt:1: not a record", kQuestion}) + AddressLines("0x0", "0xc", "0xd"),
              run.strOut);
    EXPECT_EQ("hello, world\n", ReadOutput("notes.cde"));
}

TEST_F(ConvertQuestionTest, DecliningFailsTheLoadAndWritesNothing) {
    WriteInput("notes.txt", "hello, world\n");
    const CProgramRun run = Convert("notes.txt", "no\n");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ(Lines({"notes.txt:1: not a record", kQuestion, "Failed to load S-Record"}), run.strOut);
    EXPECT_FALSE(Exists("notes.cde"));
}

TEST_F(ConvertQuestionTest, EndOfInputDeclines) {
    WriteInput("notes.txt", "hello, world\n");
    const CProgramRun run = Convert("notes.txt");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ(Lines({"notes.txt:1: not a record", kQuestion, "Failed to load S-Record"}), run.strOut);
    EXPECT_EQ("", run.strErr);
}

TEST_F(ConvertQuestionTest, DiagnosticNamesTheBadLineAndWhyBeforeTheQuestion) {
    std::string lines = kHeader + SRecordDataLines('1', 0, PatternBytes(160));
    std::string bad = SRecordLine('1', 0xA0, "AB");
    bad[bad.size() - 2] = bad[bad.size() - 2] == '0' ? '1' : '0';
    WriteInput("prog.mot", lines + bad + kEnd);
    const CProgramRun run = Convert("prog.mot");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ(Lines({"prog.mot:12: checksum mismatch", kQuestion, "Failed to load S-Record"}), run.strOut);
}

TEST_F(ConvertQuestionTest, DiagnosticNamesAnUnknownRecordType) {
    WriteInput("prog.mot",
               kHeader + SRecordDataLines('1', 0, PatternBytes(16)) + SRecordLine('5', 1, "") + kEnd);
    const CProgramRun run = Convert("prog.mot");
    EXPECT_EQ(Lines({"prog.mot:3: unknown record type S5", kQuestion, "Failed to load S-Record"}),
              run.strOut);
}

using ConvertOutputNameTest = ConvertTest;

TEST_F(ConvertOutputNameTest, OnlyTheLastExtensionIsReplaced) {
    WriteInput("a.b.mot", SRecordLine('1', 0, "AB"));
    EXPECT_EQ(0, Convert("a.b.mot").nExitStatus);
    EXPECT_EQ("AB", ReadOutput("a.b.cde"));
}

TEST_F(ConvertOutputNameTest, PointInTheDirectoryNameCutsThere) {
    std::filesystem::create_directory(m_scratch / "dir.2");
    WriteInput("dir.2/prog", SRecordLine('1', 0, "AB"));
    EXPECT_EQ(0, Convert("dir.2/prog").nExitStatus);
    EXPECT_EQ("AB", ReadOutput("dir.cde"));
}

TEST_F(ConvertOutputNameTest, NameWithoutAPointWritesDotCde) {
    WriteInput("prog", SRecordLine('1', 0, "AB"));
    EXPECT_EQ(0, Convert("prog").nExitStatus);
    EXPECT_EQ("AB", ReadOutput(".cde"));
}

TEST_F(ConvertOutputNameTest, OutputGoesNextToAnInputInAnotherDirectory) {
    std::filesystem::create_directory(m_scratch / "fw");
    WriteInput("fw/prog.s19", SRecordLine('1', 0, "AB"));
    EXPECT_EQ(0, Convert((m_scratch / "fw/prog.s19")).nExitStatus);
    EXPECT_EQ("AB", ReadOutput("fw/prog.cde"));
    EXPECT_EQ(std::vector<std::string>{"fw"}, m_scratch.Entries());
}

}  // namespace
