#include <gtest/gtest.h>

#include "tests/convert/convert_fixture.h"
#include "tests/convert/srecord_lines.h"
#include "tests/support/unprivileged.h"

namespace {

const std::string kUsage = Lines({
    "Korvelt kernel developer 'Convert' Utility.",
    "Converts S-Records to .CDE files for use with Korvelt",
    "Reads S1/S2/S3 records, Intel HEX, FPR and CDE files; writes the bytes as <filename>.cde",
    "",
    "Usage : CONVERT <filename.ext>",
});

using ConvertUsageTest = ConvertTest;

TEST_F(ConvertUsageTest, NoArgumentPrintsTheUsageAndFails) {
    const CProgramRun run = Convert(std::vector<std::string>{});
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ(kUsage, run.strOut);
    EXPECT_EQ("", run.strErr);
}

TEST_F(ConvertUsageTest, TwoArgumentsPrintTheUsageAndFail) {
    WriteInput("a.mot", SRecordLine('1', 0, "A"));
    const CProgramRun run = Convert(std::vector<std::string>{"a.mot", "a.mot"});
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ(kUsage, run.strOut);
    EXPECT_FALSE(Exists("a.cde"));
}

TEST_F(ConvertUsageTest, HelpPrintsTheUsageAndSucceeds) {
    for (const char* option : {"-h", "--help"}) {
        const CProgramRun run = Convert(option);
        EXPECT_EQ(0, run.nExitStatus) << option;
        EXPECT_EQ(kUsage, run.strOut) << option;
        EXPECT_EQ("", run.strErr) << option;
    }
}

TEST_F(ConvertUsageTest, VersionPrintsOneLineAndSucceeds) {
    const CProgramRun run = Convert("--version");
    EXPECT_EQ(0, run.nExitStatus);
    EXPECT_EQ("convert (Korvelt tools) " KORVELT_VERSION "\n", run.strOut);
}

TEST_F(ConvertUsageTest, OtherOptionLikeArgumentsAreFileNames) {
    const CProgramRun run = Convert("-v");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ("File not found '-v'\n", run.strOut);
}

TEST_F(ConvertUsageTest, DoubleDashMakesAnOptionNameAFileName) {
    WriteInput("--version", SRecordLine('1', 0x10, "AB"));
    const CProgramRun run = Convert(std::vector<std::string>{"--", "--version"});
    EXPECT_EQ(0, run.nExitStatus) << run.strOut;
    EXPECT_EQ("AB", ReadOutput(".cde"));
}

// Lines that cannot be printed are a failure, whatever else went well.
TEST_F(ConvertUsageTest, OutputThatCannotBeWrittenFails) {
#if defined(_WIN32)
    GTEST_SKIP() << "standard output is always connected here";
#endif
    WriteInput("prog.mot", SRecordLine('1', 0x10, "AB"));
    for (const char* stdoutPath : {"/dev/full", "-"}) {
        CRunOptions options;
        options.stdoutPath = stdoutPath;
        EXPECT_EQ(1, RunProgram({CONVERT_PROGRAM, "prog.mot"}, m_scratch.Path().string(), "", options).nExitStatus)
            << stdoutPath;
        EXPECT_EQ("AB", ReadOutput("prog.cde")) << "the output itself is whole";
    }
}

using ConvertInputErrorTest = ConvertTest;

TEST_F(ConvertInputErrorTest, UnreadableFileSaysWhyBeforeTheFailure) {
    std::string whyNot;
    if (!UnprivilegedUserAvailable(whyNot)) GTEST_SKIP() << whyNot;
    WriteInput("prog.mot", SRecordLine('1', 0x10, "AB"));
    std::filesystem::permissions(m_scratch.Path(), std::filesystem::perms::all);
    std::filesystem::permissions(m_scratch / "prog.mot", std::filesystem::perms::none);
    CRunOptions options;
    options.bUnprivileged = true;
    const CProgramRun run = RunProgram({CONVERT_PROGRAM, "prog.mot"}, m_scratch.Path().string(), "", options);
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ("prog.mot: Permission denied\nFailed to load S-Record\n", run.strOut);
    EXPECT_FALSE(Exists("prog.cde"));
}

TEST_F(ConvertInputErrorTest, MissingFileIsNotFound) {
    const CProgramRun run = Convert("missing.mot");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ("File not found 'missing.mot'\n", run.strOut);
    EXPECT_EQ("", run.strErr);
}

TEST_F(ConvertInputErrorTest, EmptyFileIsNotFound) {
    WriteInput("empty.mot", "");
    const CProgramRun run = Convert("empty.mot");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ("File not found 'empty.mot'\n", run.strOut);
    EXPECT_FALSE(Exists("empty.cde"));
}

TEST_F(ConvertInputErrorTest, DirectoryIsNotFound) {
    std::filesystem::create_directory(m_scratch / "fw.mot");
    const CProgramRun run = Convert("fw.mot");
    EXPECT_EQ(1, run.nExitStatus);
    EXPECT_EQ("File not found 'fw.mot'\n", run.strOut);
}

TEST_F(ConvertInputErrorTest, ArgumentIsQuotedAsTyped) {
    for (const std::string& argument : {std::string(), std::string("./sub/../missing file.mot")}) {
        const CProgramRun run = Convert(argument);
        EXPECT_EQ(1, run.nExitStatus) << argument;
        EXPECT_EQ("File not found '" + argument + "'\n", run.strOut) << argument;
    }
}

TEST_F(ConvertInputErrorTest, DanglingLinkIsNotFound) {
    if (!MakeSymlink("gone.mot", m_scratch / "link.mot")) GTEST_SKIP() << "no symbolic links here";
    EXPECT_EQ("File not found 'link.mot'\n", Convert("link.mot").strOut);
}

}  // namespace
