#include "host/console_host.h"

#include <cctype>
#include <istream>
#include <ostream>

bool CConsoleHost::IsOkAnswer(const std::string& answer) {
    std::string word;
    for (char c : answer) {
        if (c == '\r') continue;
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return word == "ok" || word == "o" || word == "y" || word == "yes";
}

EMessageAnswer CConsoleHost::MessageBox(const std::string& text, EMessageButtons buttons) {
    if (buttons == kButtonsOk) {
        m_out << text << '\n' << std::flush;
        return kAnswerOk;
    }
    m_out << text << " [OK/Cancel]" << '\n' << std::flush;
    std::string answer;
    if (!std::getline(m_in, answer)) return kAnswerCancel;
    return IsOkAnswer(answer) ? kAnswerOk : kAnswerCancel;
}

void CConsoleHost::Diagnostic(const std::string& line) { m_out << line << '\n' << std::flush; }
