#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/convert/program_run.h"
#include "tests/support/scratch_directory.h"

namespace {

// The example host as built against the installed package, run in a
// scratch directory that holds a copy of the bundled example.
class ExampleProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileBytes(m_scratch / "firmware.mot", ReadFileBytes(EXAMPLES_DIR "/firmware.mot"));
    }

    CProgramRun Run(const std::vector<std::string>& arguments, const std::string& input = "") {
        std::vector<std::string> command{EXAMPLE_PROGRAM};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return RunProgram(command, m_scratch.Path().string(), input);
    }

    // The area lines of ShowDataAreas, all of them, from a run's output.
    static std::string AreaLines(const std::string& output) {
        std::string lines;
        for (size_t nStart = 0, nEnd; nStart < output.size(); nStart = nEnd + 1) {
            nEnd = output.find('\n', nStart);
            if (nEnd == std::string::npos) nEnd = output.size();
            const std::string line = output.substr(nStart, nEnd - nStart);
            if (line.find("Length : ") != std::string::npos) lines += line + "\n";
        }
        return lines;
    }

    CScratchDirectory m_scratch;
};

const std::string kFirmwareAreas =
    " H'00000400 - H'00000482      Length : H'00000083\n"
    " H'00000484 - H'0000060A      Length : H'00000187\n"
    " H'0000060C - H'00000615      Length : H'0000000A\n"
    " H'00000617 - H'00000918      Length : H'00000302\n"
    " H'0000091A - H'00000BFF      Length : H'000002E6\n"
    " H'00001000 - H'0000103F      Length : H'00000040\n";

TEST_F(ExampleProgramTest, SavesAsFprIntelHexAndSRecordsAndLoadsBackEveryAreaAndByte) {
    const CProgramRun toFpr = Run({"firmware.mot", "-o", "fw.fpr"});
    EXPECT_EQ(0, toFpr.nExitStatus) << toFpr.strOut << toFpr.strErr;
    EXPECT_EQ(kFirmwareAreas, AreaLines(toFpr.strOut));
    EXPECT_NE(std::string::npos, toFpr.strOut.find("Module : fw.fpr\n\nData saved at the following positions:\n\n"
                                                   " H'00000400 - H'00000482\n"));
    EXPECT_NE(std::string::npos, toFpr.strOut.find("\n2108 bytes saved in "));
    // Without a terminal the status bar draws nothing.
    EXPECT_EQ(std::string::npos, toFpr.strOut.find('\r'));

    EXPECT_EQ(0, Run({"fw.fpr", "-o", "fw.ihx"}).nExitStatus);
    EXPECT_EQ(':', ReadFileBytes(m_scratch / "fw.ihx")[0]);
    EXPECT_EQ(0, Run({"fw.ihx", "-o", "fw.mot"}).nExitStatus);
    const CProgramRun again = Run({"fw.mot", "-o", "again.cde"});
    EXPECT_EQ(0, again.nExitStatus);
    EXPECT_EQ(kFirmwareAreas, AreaLines(again.strOut));
    EXPECT_EQ(0, Run({"firmware.mot", "-o", "direct.cde"}).nExitStatus);
    EXPECT_EQ(2108u, ReadFileBytes(m_scratch / "direct.cde").size());
    EXPECT_EQ(ReadFileBytes(m_scratch / "direct.cde"), ReadFileBytes(m_scratch / "again.cde"));
}

TEST_F(ExampleProgramTest, LoadsSeveralFilesIntoOneImageAndSavesARange) {
    WriteFileBytes(m_scratch / "boot.cde", std::string(16, 'B'));
    const CProgramRun run = Run({"firmware.mot", "boot.cde", "--range", "0x8-0x47f", "-o", "part.mot"});
    EXPECT_EQ(0, run.nExitStatus) << run.strOut << run.strErr;
    EXPECT_EQ(" H'00000000 - H'0000000F      Length : H'00000010\n" + kFirmwareAreas, AreaLines(run.strOut));
    const CProgramRun part = Run({"part.mot"});
    EXPECT_EQ(0, part.nExitStatus);
    EXPECT_EQ(" H'00000008 - H'0000000F      Length : H'00000008\n"
              " H'00000400 - H'0000047F      Length : H'00000080\n",
              AreaLines(part.strOut));
}

TEST_F(ExampleProgramTest, BadArgumentsExitWithTwoAndAHint) {
    const CProgramRun run = Run({"firmware.mot", "--range", "0x7ff-0x400", "-o", "x.mot"});
    EXPECT_EQ(2, run.nExitStatus);
    EXPECT_EQ("", run.strOut);
    EXPECT_EQ("korvelt-image: --range 0x7ff-0x400 begins above its end\nTry 'korvelt-image --help'.\n", run.strErr);
    EXPECT_FALSE(std::filesystem::exists(m_scratch / "x.mot"));

    const CProgramRun help = Run({"--help"});
    EXPECT_EQ(0, help.nExitStatus);
    EXPECT_EQ(0u, help.strOut.find("Usage: korvelt-image FILE... [-o OUTPUT [--range FIRST-LAST]]\n"));
    EXPECT_EQ("korvelt-image (Korvelt tools) " KORVELT_VERSION "\n", Run({"--version"}).strOut);
}

TEST_F(ExampleProgramTest, EveryByteThatDidNotArriveFailsTheRun) {
    WriteFileBytes(m_scratch / "bad.mot", "S1 is not here\n");
    // Eight bytes from 0xFFFFFFFC: four of them lie beyond the address space.
    WriteFileBytes(m_scratch / "top.mot", "S30DFFFFFFFC111111111111111171\n");
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"missing.mot", "-o", "x.mot"}, "Cannot load 'missing.mot': no such file\n"},
        {{".", "-o", "x.mot"}, "Cannot load '.': not a file\n"},
        // The question of the console host, declined by the end of input.
        {{"bad.mot", "-o", "x.mot"}, "This file is not an SRecord.  Load anyway? [OK/Cancel]\n'bad.mot' was not loaded\n"},
        {{"top.mot", "-o", "x.mot"}, "Not all the data of 'top.mot' could be loaded; nothing is saved\n"},
        {{"firmware.mot", "--range", "0x1040-0xffffffff", "-o", "x.mot"},
         "No data from 0x1040 to 0xffffffff; nothing is saved\n"},
        {{"firmware.mot", "-o", "no/such/folder/x.mot"}, "Cannot write 'no/such/folder/x.mot': No such file or directory\n"},
    };
    for (const auto& testCase : cases) {
        const CProgramRun run = Run(testCase.arguments);
        EXPECT_EQ(1, run.nExitStatus) << testCase.arguments[0];
        EXPECT_NE(std::string::npos, run.strOut.find(testCase.message)) << run.strOut;
        EXPECT_FALSE(std::filesystem::exists(m_scratch / "x.mot"));
    }
    const CProgramRun raw = Run({"bad.mot", "-o", "raw.cde"}, "ok\n");
    EXPECT_EQ(0, raw.nExitStatus);
    EXPECT_EQ("S1 is not here\n", ReadFileBytes(m_scratch / "raw.cde"));
}

}  // namespace
