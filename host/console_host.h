#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "host/host_interface.h"

// A host without windows: boxes become lines on the output stream, a question
// waits for one line of input. End of input answers Cancel, so a script that
// gives no input never loads a file the user did not agree to.
//
// A box that only informs and repeats the one just shown is counted, not
// printed again: a file too large for the image gets the same refusal for
// every block it still needs, hundreds of thousands of lines that would bury
// everything else. The count follows as one line before the next output of
// the host, or at FlushRepeats.
class CConsoleHost : public CHostInterface {
public:
    CConsoleHost(std::istream& in, std::ostream& out) : m_in(in), m_out(out) {}
    ~CConsoleHost() override { FlushRepeats(); }

    CConsoleHost(const CConsoleHost&) = delete;
    CConsoleHost& operator=(const CConsoleHost&) = delete;

    EMessageAnswer MessageBox(const std::string& text, EMessageButtons buttons) override;
    void Diagnostic(const std::string& line) override;
    CStatusBar* GetStatusBar() override { return nullptr; }

    // "ok", "o", "y" and "yes" in any case, with or without blanks around
    // them, mean OK; anything else means Cancel.
    static bool IsOkAnswer(const std::string& answer);

    // Prints how often the last box was repeated, if it was, for a caller
    // that writes to the same stream itself; a box after that is printed.
    void FlushRepeats();

private:
    // Every line goes out through here, after the count of repeats.
    void PrintLine(const std::string& line);

    std::istream& m_in;
    std::ostream& m_out;
    std::string m_lastNotice;
    uint64_t m_nRepeats = 0;
};
