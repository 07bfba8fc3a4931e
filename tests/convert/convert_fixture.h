#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/convert/program_run.h"
#include "tests/support/scratch_directory.h"

// Each test runs the built convert program in a scratch directory of its own.
class ConvertTest : public ::testing::Test {
protected:
    CProgramRun Convert(const std::vector<std::string>& arguments, const std::string& input = "") {
        std::vector<std::string> command{CONVERT_PROGRAM};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return RunProgram(command, m_scratch.Path().string(), input);
    }
    CProgramRun Convert(const std::string& argument, const std::string& input = "") {
        return Convert(std::vector<std::string>{argument}, input);
    }

    void WriteInput(const std::string& name, const std::string& bytes) {
        WriteFileBytes(m_scratch / name, bytes);
    }
    std::string ReadOutput(const std::string& name) const { return ReadFileBytes(m_scratch / name); }
    bool Exists(const std::string& name) const {
        return std::filesystem::exists(std::filesystem::symlink_status(m_scratch / name));
    }

    CScratchDirectory m_scratch;
};

// Lines as the program prints them, each ended by a line feed.
inline std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

inline std::string AddressLines(const std::string& start, const std::string& end, const std::string& length) {
    return Lines({"Start address = " + start, "End address = " + end, "Code length = " + length});
}
