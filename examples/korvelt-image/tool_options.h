#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// What the command line asks for.
struct CToolOptions {
    std::vector<std::string> inputs;
    // Empty when nothing is to be saved.
    std::string output;
    // The range to save, both ends included; without one, every stored byte.
    bool bRange = false;
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    bool bHelp = false;
    bool bVersion = false;
};

// Empty when the arguments (the program name left out) make sense, else
// what is wrong with them, in a sentence for the user.
std::string ParseArguments(const std::vector<std::string>& arguments, CToolOptions& options);

void PrintUsage(std::ostream& out);
