#pragma once

#include <iosfwd>

#include "host/host_interface.h"

// A host without windows: boxes become lines on the output stream, a question
// waits for one line of input. End of input answers Cancel, so a script that
// gives no input never loads a file the user did not agree to.
class CConsoleHost : public CHostInterface {
public:
    CConsoleHost(std::istream& in, std::ostream& out) : m_in(in), m_out(out) {}

    EMessageAnswer MessageBox(const std::string& text, EMessageButtons buttons) override;
    void Diagnostic(const std::string& line) override;
    CStatusBar* GetStatusBar() override { return nullptr; }

    // "ok", "o", "y" and "yes" in any case mean OK; anything else means Cancel.
    static bool IsOkAnswer(const std::string& answer);

private:
    std::istream& m_in;
    std::ostream& m_out;
};
