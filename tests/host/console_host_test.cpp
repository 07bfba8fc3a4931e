#include "host/console_host.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

EMessageAnswer Ask(const std::string& input, std::string* pOutput = nullptr) {
    std::istringstream in(input);
    std::ostringstream out;
    CConsoleHost host(in, out);
    EMessageAnswer answer = host.MessageBox("Load anyway?", kButtonsOkCancel);
    if (pOutput) *pOutput = out.str();
    return answer;
}

TEST(ConsoleHostTest, OkBoxPrintsTextAndNeedsNoInput) {
    std::istringstream in;
    std::ostringstream out;
    CConsoleHost host(in, out);
    EXPECT_EQ(kAnswerOk, host.MessageBox("Data Load Aborted.", kButtonsOk));
    EXPECT_EQ("Data Load Aborted.\n", out.str());
}

TEST(ConsoleHostTest, QuestionShowsButtonsOnItsLine) {
    std::string output;
    Ask("yes\n", &output);
    EXPECT_EQ("Load anyway? [OK/Cancel]\n", output);
}

TEST(ConsoleHostTest, AgreeingWordsInAnyCaseAnswerOk) {
    for (const char* word : {"ok\n", "OK\n", "o\n", "y\n", "Y\n", "yes\n", "YeS\n", "yes\r\n", "ok"})
        EXPECT_EQ(kAnswerOk, Ask(word)) << word;
}

TEST(ConsoleHostTest, AnythingElseAnswersCancel) {
    for (const char* word : {"no\n", "\n", " ok\n", "okay\n", "cancel\n", "yess\n"})
        EXPECT_EQ(kAnswerCancel, Ask(word)) << word;
}

TEST(ConsoleHostTest, EndOfInputAnswersCancel) { EXPECT_EQ(kAnswerCancel, Ask("")); }

TEST(ConsoleHostTest, ReadsOneLinePerQuestion) {
    std::istringstream in("y\nn\n");
    std::ostringstream out;
    CConsoleHost host(in, out);
    EXPECT_EQ(kAnswerOk, host.MessageBox("first", kButtonsOkCancel));
    EXPECT_EQ(kAnswerCancel, host.MessageBox("second", kButtonsOkCancel));
}

TEST(ConsoleHostTest, DiagnosticIsOneLineAndThereIsNoStatusBar) {
    std::istringstream in;
    std::ostringstream out;
    CConsoleHost host(in, out);
    host.Diagnostic("prog.mot:12: checksum mismatch");
    EXPECT_EQ("prog.mot:12: checksum mismatch\n", out.str());
    EXPECT_EQ(nullptr, host.GetStatusBar());
}

}  // namespace
