#include "tool_options.h"

#include <ostream>

namespace {

constexpr uint64_t kHighestAddress = 0xFFFFFFFF;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 0x and hexadecimal digits, or decimal digits; no sign, no blanks, and
// nothing beyond the 32-bit address space.
bool ParseAddress(const std::string& text, uint32_t& nAddress) {
    const bool bHex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const size_t nStart = bHex ? 2 : 0;
    if (text.size() == nStart) return false;
    uint64_t nValue = 0;
    for (size_t i = nStart; i < text.size(); ++i) {
        const int nDigit = bHex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (nDigit < 0) return false;
        nValue = nValue * (bHex ? 16 : 10) + static_cast<uint64_t>(nDigit);
        if (nValue > kHighestAddress) return false;
    }
    nAddress = static_cast<uint32_t>(nValue);
    return true;
}

std::string ParseRange(const std::string& text, CToolOptions& options) {
    const size_t nDash = text.find('-');
    if (nDash == std::string::npos) return "--range takes FIRST-LAST, such as 0x400-0x7ff, not '" + text + "'";
    const std::string first = text.substr(0, nDash);
    const std::string last = text.substr(nDash + 1);
    for (const std::string* pEnd : {&first, &last}) {
        uint32_t nAddress = 0;
        if (!ParseAddress(*pEnd, nAddress)) {
            return "'" + *pEnd + "' in --range " + text +
                   " is no address: give 0x and hexadecimal digits or a decimal number, up to 0xffffffff";
        }
        (pEnd == &first ? options.nFirst : options.nLast) = nAddress;
    }
    if (options.nFirst > options.nLast) return "--range " + text + " begins above its end";
    options.bRange = true;
    return "";
}

}  // namespace

std::string ParseArguments(const std::vector<std::string>& arguments, CToolOptions& options) {
    options = CToolOptions();
    bool bOptionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (bOptionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            options.inputs.push_back(argument);
            continue;
        }
        if (argument == "--") {
            bOptionsEnded = true;
            continue;
        }
        if (argument == "-h" || argument == "--help") {
            options.bHelp = true;
            return "";
        }
        if (argument == "--version") {
            options.bVersion = true;
            return "";
        }
        // --output=FILE and --range=FIRST-LAST, or the value as the next argument.
        const size_t nEquals = argument.find('=');
        const std::string name = argument.substr(0, nEquals);
        const bool bOutput = name == "-o" || name == "--output";
        if (!bOutput && name != "--range") return "unknown option '" + argument + "'";
        if (nEquals == std::string::npos && i + 1 == arguments.size()) {
            return name + (bOutput ? " needs the name of the file to save" : " needs FIRST-LAST");
        }
        const std::string value = nEquals == std::string::npos ? arguments[++i] : argument.substr(nEquals + 1);
        if (bOutput) {
            if (!options.output.empty()) return "one output file only, not '" + options.output + "' and '" + value + "'";
            if (value.empty()) return name + " needs the name of the file to save";
            options.output = value;
        } else {
            if (options.bRange) return "one --range only";
            const std::string error = ParseRange(value, options);
            if (!error.empty()) return error;
        }
    }
    if (options.inputs.empty()) return "no file to load";
    if (options.bRange && options.output.empty()) return "--range says what to save: give the file with -o";
    return "";
}

void PrintUsage(std::ostream& out) {
    out << "Usage: korvelt-image FILE... [-o OUTPUT [--range FIRST-LAST]]\n"
           "\n"
           "Loads S-record, Intel HEX, FPR and CDE files into one memory image, lists\n"
           "its data areas, and saves them to OUTPUT with a report of the areas saved.\n"
           "The extension picks the format of every file: .fpr FPR records, .cde raw\n"
           "bytes (loaded from address 0), anything else text, which is read as Intel\n"
           "HEX when its first record begins with ':' and as S-records otherwise.\n"
           "OUTPUT is written as Intel HEX when it ends in .ihx or .ihex (-o fw.ihx),\n"
           "as S-records for any other extension, .hex included.\n"
           "\n"
           "  -o, --output OUTPUT        the file to save\n"
           "      --range FIRST-LAST     save only these addresses (both included),\n"
           "                             as 0x400-0x7ff or in decimal; without it,\n"
           "                             from the lowest to the highest stored byte\n"
           "  -h, --help                 this text\n"
           "      --version              the version\n"
           "\n"
           "Ctrl-C cancels the load or save under way: a load is taken back, a save\n"
           "leaves the part written so far. Exit status: 0 done, 1 not every byte\n"
           "arrived (a file not loaded or not whole, a save that failed), 2 bad\n"
           "arguments, 130 cancelled.\n";
}
