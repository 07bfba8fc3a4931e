#include <gtest/gtest.h>

#include <filesystem>

#include "image/block_table.h"
#include "tests/convert/convert_fixture.h"
#include "tests/convert/srecord_lines.h"
#include "tests/support/unprivileged.h"

namespace fs = std::filesystem;

namespace {

const std::string kEnd = SRecordLine('9', 0, "");

using ConvertNoDataTest = ConvertTest;

TEST_F(ConvertNoDataTest, HeaderAndEndOnlySayNoDataAndWriteNothing) {
    WriteInput("empty.mot", SRecordLine('0', 0, "empty") + kEnd);
    const CProgramRun run = Convert("empty.mot");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ("No data found in 'empty.mot'\n", run.strOut);
    EXPECT_FALSE(Exists("empty.cde"));
}

TEST_F(ConvertNoDataTest, OnlyErasedBytesAreNoData) {
    WriteInput("erased.mot", SRecordDataLines('1', 0x100, ErasedBytes(64)) + kEnd);
    const CProgramRun run = Convert("erased.mot");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ("No data found in 'erased.mot'\n", run.strOut);
    EXPECT_FALSE(Exists("erased.cde"));
}

TEST_F(ConvertNoDataTest, ExistingOutputStaysWhenThereIsNoData) {
    WriteInput("empty.mot", kEnd);
    WriteInput("empty.cde", "old");
    EXPECT_EQ(1, Convert("empty.mot").nExitStatus);
    EXPECT_EQ("old", ReadOutput("empty.cde"));
}

using ConvertLostDataTest = ConvertTest;

// Separate bytes beyond what a block table holds: the image has to refuse
// the last ones, and the output would have holes where the file had bytes.
// The refusal, the same for every block, is printed once with its count.
TEST_F(ConvertLostDataTest, FullBlockTableFailsTheConversion) {
    std::string lines;
    for (uint32_t nArea = 0; nArea < static_cast<uint32_t>(kMaxBlocksPerTable) + 3; ++nArea)
        lines += SRecordLine('3', nArea * 16, "\x5a");
    WriteInput("many.mot", lines);
    WriteInput("many.cde", "old");
    const CProgramRun run = Convert("many.mot");
    EXPECT_EQ(1, run.nExitStatus);
    const std::string refusal = "No more memory can be allocated - clear some data.\n";
    const std::string repeats = "(the message above was repeated ";
    const std::string lastLine = "Not all the file data could be loaded\n";
    ASSERT_EQ(0u, run.strOut.find(refusal + repeats)) << run.strOut;
    const size_t nCountEnd = run.strOut.find(" times)\n");
    ASSERT_NE(std::string::npos, nCountEnd) << run.strOut;
    EXPECT_GE(std::stoi(run.strOut.substr(refusal.size() + repeats.size())), 2);
    EXPECT_EQ(lastLine, run.strOut.substr(nCountEnd + 8)) << run.strOut;
    EXPECT_EQ("old", ReadOutput("many.cde"));
}

TEST_F(ConvertLostDataTest, BytesBeyondTheTopOfTheAddressSpaceFailTheConversion) {
    const std::string data = PatternBytes(32);
    WriteInput("top.mot", SRecordLine('3', 0xFFFFFFF8, data.substr(0, 16)) + SRecordLine('7', 0, ""));
    WriteInput("top.fpr", "FFFFFFF0" "00000032" + data);
    for (const char* name : {"top.mot", "top.fpr"}) {
        const CProgramRun run = Convert(name);
        EXPECT_EQ(1, run.nExitStatus) << name;
        EXPECT_EQ("Not all the file data could be loaded\n", run.strOut) << name;
    }
    EXPECT_FALSE(Exists("top.cde"));
}

// A full undo store or mark table refuses a record of the change, not the
// data: the file still converts whole, after saying what was refused.
TEST_F(ConvertLostDataTest, FullHistoryOrMarkTablesLoseNoData) {
    // Patches of one byte each over 64 KiB: every one an undo step.
    std::string patched = PatternBytes(0x10000);
    std::string lines = SRecordDataLines('1', 0, patched);
    for (uint32_t i = 0; i < 140000; ++i) {
        const uint32_t nAddress = (i * 40503u) & 0xFFFF;
        patched[nAddress] = static_cast<char>(i % 0xFF);
        lines += SRecordLine('1', nAddress, patched.substr(nAddress, 1));
    }
    WriteInput("patched.mot", lines);
    // Two data blocks, but a mark and an undo step for every 500 bytes.
    const std::string erased = "0123456789abcdef" + ErasedBytes(70 << 20) + "fedcba9876543210";
    WriteInput("erased.cde", erased);

    const std::string refusal =
        "No more memory can be allocated - clear some data.\n(the message above was repeated ";
    for (const auto& [name, output, expected, addresses] :
         {std::make_tuple("patched.mot", "patched.cde", patched, AddressLines("0x0", "0xffff", "0x10000")),
          std::make_tuple("erased.cde", "erased.cde", erased, AddressLines("0x0", "0x460001f", "0x4600020"))}) {
        const CProgramRun run = Convert(name);
        EXPECT_EQ(0, run.nExitStatus) << name << "\n" << run.strOut;
        EXPECT_EQ(0u, run.strOut.find(refusal)) << name << "\n" << run.strOut;
        ASSERT_GE(run.strOut.size(), addresses.size()) << name;
        EXPECT_EQ(addresses, run.strOut.substr(run.strOut.size() - addresses.size())) << name;
        EXPECT_TRUE(ReadOutput(output) == expected) << name;
    }
}

using ConvertWriteFailureTest = ConvertTest;

TEST_F(ConvertWriteFailureTest, FullDiskNamesTheOutputAndFails) {
    WriteInput("prog.mot", SRecordDataLines('1', 0x400, PatternBytes(64)) + kEnd);
    if (!MakeSymlink("/dev/full", m_scratch / "prog.cde")) GTEST_SKIP() << "no symbolic links here";
    const CProgramRun run = Convert("prog.mot");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x400", "0x43f", "0x40") + "Cannot write 'prog.cde': No space left on device\n",
              run.strOut);
    EXPECT_EQ("", run.strErr);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(m_scratch / "prog.cde")));
}

// The directory refuses new files, but the old output may be written: it is
// written in place. A new output cannot be made there.
TEST_F(ConvertWriteFailureTest, ReadOnlyDirectoryTakesTheOldOutputInPlaceOnly) {
    fs::create_directory(m_scratch / "fw");
    WriteInput("fw/prog.mot", SRecordDataLines('1', 0x400, PatternBytes(64)) + kEnd);
    WriteInput("fw/new.mot", SRecordDataLines('1', 0x400, PatternBytes(64)) + kEnd);
    WriteInput("fw/prog.cde", "old");
    CReadOnlyDirectory readOnly(m_scratch / "fw");
    if (!readOnly.IsReadOnly()) GTEST_SKIP() << "cannot make a directory read-only here";
    EXPECT_EQ(0, Convert("fw/prog.mot").nExitStatus);
    EXPECT_EQ(PatternBytes(64), ReadOutput("fw/prog.cde"));
    const CProgramRun run = Convert("fw/new.mot");
    EXPECT_EQ(1, run.nExitStatus);
    const std::string expected = AddressLines("0x400", "0x43f", "0x40") + "Cannot write 'fw/new.cde': ";
    EXPECT_EQ(expected, run.strOut.substr(0, expected.size()));
    EXPECT_EQ(run.strOut.size() - 1, run.strOut.find('\n', expected.size())) << "one line only";
    EXPECT_FALSE(Exists("fw/new.cde"));
}

TEST_F(ConvertWriteFailureTest, OutputTheUserMayNotWriteIsRefused) {
    std::string whyNot;
    if (!UnprivilegedUserAvailable(whyNot)) GTEST_SKIP() << whyNot;
    fs::permissions(m_scratch.Path(), fs::perms(0777));
    WriteInput("prog.mot", SRecordLine('1', 0x10, "AB") + kEnd);
    WriteInput("prog.cde", "old");
    fs::permissions(m_scratch / "prog.cde", fs::perms(0444));
    CRunOptions options;
    options.bUnprivileged = true;
    const CProgramRun run = RunProgram({CONVERT_PROGRAM, "prog.mot"}, m_scratch.Path().string(), "", options);
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x10", "0x11", "0x2") + "Cannot write 'prog.cde': Permission denied\n", run.strOut);
    EXPECT_EQ("old", ReadOutput("prog.cde"));
    EXPECT_EQ(2u, m_scratch.Entries().size());
}

TEST_F(ConvertWriteFailureTest, OutputThatIsALoopOfLinksIsRefusedWithItsReason) {
    WriteInput("a.mot", SRecordLine('1', 0x10, "AB") + kEnd);
    if (!MakeSymlink("b.cde", m_scratch / "a.cde") || !MakeSymlink("a.cde", m_scratch / "b.cde"))
        GTEST_SKIP() << "no symbolic links here";
    const CProgramRun run = Convert("a.mot");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x10", "0x11", "0x2") + "Cannot write 'a.cde': Too many levels of symbolic links\n",
              run.strOut);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(m_scratch / "a.cde")));
}

TEST_F(ConvertWriteFailureTest, ReplacedOutputLeavesNoTemporaryFileBehind) {
    WriteInput("prog.mot", SRecordLine('1', 0x10, "AB") + kEnd);
    WriteInput("prog.cde", "a much longer old output");
    EXPECT_EQ(0, Convert("prog.mot").nExitStatus);
    EXPECT_EQ("AB", ReadOutput("prog.cde"));
    EXPECT_EQ(2u, m_scratch.Entries().size());
}

using ConvertAddressLimitTest = ConvertTest;

TEST_F(ConvertAddressLimitTest, DataAtTheTopOfTheAddressSpaceConverts) {
    const std::string data = PatternBytes(16);
    WriteInput("top.mot", SRecordLine('3', 0xFFFFFFF0, data) + SRecordLine('7', 0, ""));
    const CProgramRun run = Convert("top.mot");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ(AddressLines("0xfffffff0", "0xffffffff", "0x10"), run.strOut);
    EXPECT_EQ(data, ReadOutput("top.cde"));
}

TEST_F(ConvertAddressLimitTest, SpanOfTheWholeAddressSpaceIsTooBig) {
    WriteInput("wide.mot", SRecordLine('3', 0, "\x01") + SRecordLine('3', 0xFFFFFFFF, "\x02"));
    const CProgramRun run = Convert("wide.mot");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x0", "0xffffffff", "0x100000000") + "File too big\n", run.strOut);
    EXPECT_FALSE(Exists("wide.cde"));
}

TEST_F(ConvertAddressLimitTest, SpanLargerThanOneCopyIsWrittenWhole) {
    WriteInput("wide.mot", SRecordLine('3', 0x1000, "\x01") + SRecordLine('3', 0x81000, "\x02"));
    const CProgramRun run = Convert("wide.mot");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ(AddressLines("0x1000", "0x81000", "0x80001"), run.strOut);
    EXPECT_EQ("\x01" + ErasedBytes(0x7FFFF) + "\x02", ReadOutput("wide.cde"));
}

}  // namespace
