#include "convert/convert_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/recording_host.h"
#include "tests/support/scratch_directory.h"

namespace {

int RunCommand(const std::string& argument, const std::string& input, std::string& output) {
    const char* argv[] = {"convert", argument.c_str()};
    std::istringstream in(input);
    std::ostringstream out;
    const int nStatus = RunConvertCommand(2, argv, in, out);
    output = out.str();
    return nStatus;
}

TEST(ConvertCommandTest, QuestionIsAskedAndAnsweredOnTheCommandsStreams) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "notes.txt", "hi\n");
    std::string output;
    EXPECT_EQ(0, RunCommand(scratch / "notes.txt", "y\n", output));
    EXPECT_NE(std::string::npos, output.find("Load anyway? [OK/Cancel]\nStart address = 0x0\n")) << output;
    EXPECT_EQ("hi\n", ReadFileBytes(scratch / "notes.cde"));
}

TEST(ConvertCommandTest, HostInstalledByTheCallerIsBackAfterwardsAndHeardNothing) {
    CScratchDirectory scratch;
    WriteFileBytes(scratch / "notes.txt", "hi\n");
    CRecordingHost recording;
    SetHost(&recording);
    std::string output;
    const int nStatus = RunCommand(scratch / "notes.txt", "", output);
    CHostInterface* pAfterwards = &GetHost();
    SetHost(nullptr);
    EXPECT_EQ(1, nStatus);
    EXPECT_EQ(&recording, pAfterwards);
    EXPECT_TRUE(recording.m_events.empty());
}

}  // namespace
