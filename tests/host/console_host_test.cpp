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
    for (const char* word : {"ok\n", "OK\n", "o\n", "y\n", "Y\n", "yes\n", "YeS\n", "yes\r\n", "ok", " y \n", "\tok\n"})
        EXPECT_EQ(kAnswerOk, Ask(word)) << word;
}

TEST(ConsoleHostTest, AnythingElseAnswersCancel) {
    for (const char* word : {"no\n", "\n", "o k\n", "okay\n", "cancel\n", "yess\n"})
        EXPECT_EQ(kAnswerCancel, Ask(word)) << word;
}

TEST(ConsoleHostTest, EndOfInputAnswersCancel) { EXPECT_EQ(kAnswerCancel, Ask("")); }

// An answer of megabytes is read past, not kept, and the next line is the
// next answer.
TEST(ConsoleHostTest, AnOverlongAnswerIsCancelAndEndsAtItsLineEnd) {
    std::istringstream in(" y" + std::string(20 << 20, ' ') + "\ny\n");
    std::ostringstream out;
    CConsoleHost host(in, out);
    EXPECT_EQ(kAnswerCancel, host.MessageBox("first", kButtonsOkCancel));
    EXPECT_EQ(kAnswerOk, host.MessageBox("second", kButtonsOkCancel));
}

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

TEST(ConsoleHostTest, ARepeatedBoxIsPrintedOnceWithItsCount) {
    const std::string full = "No more memory can be allocated - clear some data.";
    std::istringstream in("y\n");
    std::ostringstream out;
    {
        CConsoleHost host(in, out);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(kAnswerOk, host.MessageBox(full, kButtonsOk));
        host.MessageBox("other", kButtonsOk);
        host.MessageBox(full, kButtonsOk);
        host.MessageBox(full, kButtonsOk);
        // A question is always asked, and a repeat after it is shown again.
        EXPECT_EQ(kAnswerOk, host.MessageBox(full, kButtonsOkCancel));
        host.MessageBox(full, kButtonsOk);
        host.MessageBox(full, kButtonsOk);
        host.Diagnostic("prog.mot:3: checksum mismatch");
        host.MessageBox(full, kButtonsOk);
        host.MessageBox(full, kButtonsOk);
        host.MessageBox(full, kButtonsOk);
        host.FlushRepeats();
        host.FlushRepeats();
        host.MessageBox(full, kButtonsOk);
        host.MessageBox(full, kButtonsOk);
    }
    EXPECT_EQ(full + "\n(the message above was repeated 3 times)\n" +
                  "other\n" + full + "\n(the message above was repeated 1 time)\n" +
                  full + " [OK/Cancel]\n" + full + "\n(the message above was repeated 1 time)\n" +
                  "prog.mot:3: checksum mismatch\n" + full + "\n(the message above was repeated 2 times)\n" +
                  full + "\n(the message above was repeated 1 time)\n",
              out.str());
}

}  // namespace
