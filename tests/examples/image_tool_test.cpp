#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "image_tool.h"
#include "imagefile/image_file.h"
#include "interrupt.h"
#include "terminal_host.h"
#include "tests/support/scratch_directory.h"
#include "tool_options.h"

namespace {

std::string Parse(const std::vector<std::string>& arguments, CToolOptions& options) {
    return ParseArguments(arguments, options);
}

TEST(ToolArgumentsTest, TakesFilesAnOutputAndARange) {
    CToolOptions options;
    EXPECT_EQ("", Parse({"a.mot", "-o", "all.fpr", "b.cde", "--range", "0x400-0x7FF"}, options));
    EXPECT_EQ((std::vector<std::string>{"a.mot", "b.cde"}), options.inputs);
    EXPECT_EQ("all.fpr", options.output);
    EXPECT_TRUE(options.bRange);
    EXPECT_EQ(0x400u, options.nFirst);
    EXPECT_EQ(0x7FFu, options.nLast);

    EXPECT_EQ("", Parse({"--output=x.mot", "--range=1024-2047", "--", "-o", "-"}, options));
    EXPECT_EQ((std::vector<std::string>{"-o", "-"}), options.inputs);
    EXPECT_EQ("x.mot", options.output);
    EXPECT_EQ(1024u, options.nFirst);
    EXPECT_EQ(2047u, options.nLast);
}

TEST(ToolArgumentsTest, ARangeReachesBothEndsOfTheAddressSpaceAndNoFurther) {
    CToolOptions options;
    EXPECT_EQ("", Parse({"a", "-o", "b", "--range", "0x0-0xFFFFFFFF"}, options));
    EXPECT_EQ(0xFFFFFFFFu, options.nLast);
    EXPECT_EQ("", Parse({"a", "-o", "b", "--range", "0-4294967295"}, options));
    EXPECT_EQ(0xFFFFFFFFu, options.nLast);
    EXPECT_NE("", Parse({"a", "-o", "b", "--range", "0-0x100000000"}, options));
    EXPECT_NE("", Parse({"a", "-o", "b", "--range", "0-4294967296"}, options));
    EXPECT_EQ("", Parse({"a", "-o", "b", "--range", "7-7"}, options));
}

TEST(ToolArgumentsTest, BadArgumentsAreNamed) {
    const struct {
        std::vector<std::string> arguments;
        std::string error;
    } cases[] = {
        {{}, "no file to load"},
        {{"-o", "x.mot"}, "no file to load"},
        {{"a.mot", "-o"}, "-o needs the name of the file to save"},
        {{"a.mot", "--output="}, "--output needs the name of the file to save"},
        {{"a.mot", "-o", "x", "-o", "y"}, "one output file only, not 'x' and 'y'"},
        {{"a.mot", "-x"}, "unknown option '-x'"},
        {{"a.mot", "--range"}, "--range needs FIRST-LAST"},
        {{"a.mot", "--range", "0x400", "-o", "x"}, "--range takes FIRST-LAST, such as 0x400-0x7ff, not '0x400'"},
        {{"a.mot", "--range", "0x7ff-0x400", "-o", "x"}, "--range 0x7ff-0x400 begins above its end"},
        {{"a.mot", "--range", "0x-0x4", "-o", "x"},
         "'0x' in --range 0x-0x4 is no address: give 0x and hexadecimal digits or a decimal number, up to "
         "0xffffffff"},
        {{"a.mot", "--range", "-5-6", "-o", "x"},
         "'' in --range -5-6 is no address: give 0x and hexadecimal digits or a decimal number, up to 0xffffffff"},
        {{"a.mot", "--range", "1-2", "--range", "3-4", "-o", "x"}, "one --range only"},
        {{"a.mot", "--range", "1-2"}, "--range says what to save: give the file with -o"},
    };
    for (const auto& testCase : cases) {
        CToolOptions options;
        EXPECT_EQ(testCase.error, Parse(testCase.arguments, options)) << ::testing::PrintToString(testCase.arguments);
    }
}

TEST(ToolArgumentsTest, HelpAndVersionNeedNothingElse) {
    CToolOptions options;
    EXPECT_EQ("", Parse({"--help", "-x"}, options));
    EXPECT_TRUE(options.bHelp);
    EXPECT_EQ("", Parse({"--version"}, options));
    EXPECT_TRUE(options.bVersion);
}

// A file whose Cancel only counts.
class CCancelCounter : public CImageFile {
public:
    void Cancel() override { ++m_nCancels; }
    int m_nCancels = 0;
};

TEST(TerminalStatusBarTest, DrawsBothPanesOnOneLineInPlaceAndOnlyWhenTheyChange) {
    std::ostringstream out;
    CTerminalStatusBar bar(out, true);
    bar.SetPaneText(0, "Loading File a.mot");
    bar.Repaint();
    bar.SetPaneText(1, "100%");
    bar.Repaint();
    bar.Repaint();
    EXPECT_EQ("\rLoading File a.mot\rLoading File a.mot  100%", out.str());

    out.str("");
    bar.SetPaneText(0, "Saving File b");
    bar.SetPaneText(1, "5%");
    bar.Repaint();
    bar.SetPaneText(0, "");
    bar.SetPaneText(1, "");
    bar.Repaint();
    // Blanks cover the end of the longer line before.
    EXPECT_EQ("\rSaving File b  5%" + std::string(7, ' ') + "\r" + std::string(17, ' ') + "\r", out.str());
}

TEST(TerminalStatusBarTest, ALongFileNameGivesWayToThePercentage) {
    std::ostringstream out;
    CTerminalStatusBar bar(out, true);
    bar.SetPaneText(0, "Loading File " + std::string(100, 'n') + ".mot");
    bar.SetPaneText(1, "42%");
    bar.Repaint();
    const std::string line = out.str().substr(1);
    EXPECT_EQ(79u, line.size());
    EXPECT_EQ("nnn...  42%", line.substr(line.size() - 11));
}

TEST(TerminalStatusBarTest, WithoutATerminalDrawsNothingButStillCancelsOnCtrlC) {
    std::ostringstream out;
    CTerminalStatusBar bar(out, false);
    CCancelCounter file;
    InstallInterruptHandler();
    bar.Watch(&file);
    bar.SetPaneText(0, "Saving File b");
    bar.Repaint();
    EXPECT_EQ(0, file.m_nCancels);
    std::raise(SIGINT);
    bar.Repaint();
    EXPECT_EQ(1, file.m_nCancels);
    bar.Watch(nullptr);
    bar.Repaint();
    EXPECT_EQ(1, file.m_nCancels);
    EXPECT_EQ("", out.str());
}

// Keeps what the tool tells the user, answering OK.
class CRecordingBoxes : public CHostInterface {
public:
    EMessageAnswer MessageBox(const std::string& text, EMessageButtons) override {
        m_text += text + "\n";
        return kAnswerOk;
    }
    void Diagnostic(const std::string& line) override { m_text += line + "\n"; }
    CStatusBar* GetStatusBar() override { return nullptr; }
    std::string m_text;
};

TEST(TerminalHostTest, ClearsTheStatusLineBeforeABox) {
    std::ostringstream out;
    CRecordingBoxes boxes;
    CTerminalHost host(boxes, out, true);
    host.GetStatusBar()->SetPaneText(0, "Saving");
    host.GetStatusBar()->Repaint();
    host.MessageBox("Data Save Aborted.", kButtonsOk);
    EXPECT_EQ("\rSaving\r      \r", out.str());
    EXPECT_EQ("Data Save Aborted.\n", boxes.m_text);
}

// The tool's host with a user at the keyboard who presses Ctrl-C once the
// status bar shows that half of the named operation is done; with no
// operation named, the user only watches.
class CCtrlCAtHalfHost : public CHostInterface, public CStatusBar {
public:
    CCtrlCAtHalfHost(CTerminalHost& host, const std::string& operation) : m_host(host), m_operation(operation) {}

    EMessageAnswer MessageBox(const std::string& text, EMessageButtons buttons) override {
        return m_host.MessageBox(text, buttons);
    }
    void Diagnostic(const std::string& line) override { m_host.Diagnostic(line); }
    CStatusBar* GetStatusBar() override { return this; }

    void SetPaneText(int nPane, const std::string& text) override {
        if (nPane == 0) m_bWatching = !m_operation.empty() && text.rfind(m_operation, 0) == 0;
        if (nPane == 1 && m_bWatching && text == "50%" && !m_bPressed) {
            m_bPressed = true;
            std::raise(SIGINT);
        }
        m_host.GetStatusBar()->SetPaneText(nPane, text);
    }
    void SetPaneNormalStyle(int nPane) override { m_host.GetStatusBar()->SetPaneNormalStyle(nPane); }
    void Repaint() override { m_host.GetStatusBar()->Repaint(); }

    bool m_bPressed = false;

private:
    CTerminalHost& m_host;
    const std::string m_operation;
    bool m_bWatching = false;
};

class ImageToolCancelTest : public ::testing::Test {
protected:
    void SetUp() override {
        // 64 KiB without an erased byte: one area, 4096 S-record lines.
        std::string bytes(0x10000, '\0');
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
        WriteFileBytes(m_scratch / "big.cde", bytes);
        WriteFileBytes(m_scratch / "small.cde", "abc");
        InstallInterruptHandler();
    }
    void TearDown() override { SetHost(nullptr); }

    int Run(const std::vector<std::string>& arguments, const std::string& operation) {
        std::vector<std::string> paths;
        for (const std::string& argument : arguments) paths.push_back(argument[0] == '-' ? argument : m_scratch / argument);
        CToolOptions options;
        EXPECT_EQ("", ParseArguments(paths, options));
        CTerminalHost host(m_boxes, m_out, false);
        CCtrlCAtHalfHost keyboard(host, operation);
        SetHost(&keyboard);
        const int nStatus = RunImageTool(options, host.Bar());
        SetHost(nullptr);
        EXPECT_TRUE(operation.empty() || keyboard.m_bPressed);
        return nStatus;
    }

    CScratchDirectory m_scratch;
    CRecordingBoxes m_boxes;
    std::ostringstream m_out;
};

TEST_F(ImageToolCancelTest, ASaveCancelledHalfwayKeepsTheLinesWrittenWithoutTheEndRecord) {
    ASSERT_EQ(kExitDone, Run({"big.cde", "-o", "full.mot"}, ""));
    InstallInterruptHandler();
    m_boxes.m_text.clear();
    EXPECT_EQ(kExitCancelled, Run({"big.cde", "-o", "cut.mot"}, "Saving File"));

    EXPECT_NE(std::string::npos, m_boxes.m_text.find("Data Save Aborted."));
    EXPECT_EQ(std::string::npos, m_boxes.m_text.find("bytes saved"));
    // Everything up to the piece that showed 50%: the header (which names the
    // file) and half of the data lines, as the complete save wrote them, and
    // no end record.
    const std::string full = ReadFileBytes(m_scratch / "full.mot");
    const std::string cut = ReadFileBytes(m_scratch / "cut.mot");
    ASSERT_EQ("S0", cut.substr(0, 2));
    const std::string fullData = full.substr(full.find('\n') + 1);
    const std::string cutData = cut.substr(cut.find('\n') + 1);
    EXPECT_LT(cutData.size(), fullData.size() * 2 / 3);
    EXPECT_GT(cutData.size(), fullData.size() / 3);
    EXPECT_TRUE(fullData.compare(0, cutData.size(), cutData) == 0);
    EXPECT_EQ("S1", cutData.substr(cutData.rfind('\n', cutData.size() - 2) + 1, 2));
}

TEST_F(ImageToolCancelTest, ALoadCancelledHalfwayStopsTheToolBeforeItSaves) {
    EXPECT_EQ(kExitCancelled, Run({"small.cde", "big.cde", "-o", "out.mot"}, "Loading File big.cde"));
    EXPECT_NE(std::string::npos, m_boxes.m_text.find("Data Load Aborted."));
    EXPECT_EQ(std::string::npos, m_boxes.m_text.find("Length :"));
    EXPECT_FALSE(std::filesystem::exists(m_scratch / "out.mot"));
}

}  // namespace
