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

void CConsoleHost::FlushRepeats() {
    // Whatever is printed next stands between the box and a later repeat.
    m_lastNotice.clear();
    if (m_nRepeats == 0) return;
    const uint64_t nRepeats = m_nRepeats;
    m_nRepeats = 0;
    m_out << "(the message above was repeated " << nRepeats << (nRepeats == 1 ? " time)" : " times)") << '\n'
          << std::flush;
}

void CConsoleHost::PrintLine(const std::string& line) {
    FlushRepeats();
    m_out << line << '\n' << std::flush;
}

EMessageAnswer CConsoleHost::MessageBox(const std::string& text, EMessageButtons buttons) {
    if (buttons == kButtonsOk) {
        if (!m_lastNotice.empty() && text == m_lastNotice) {
            ++m_nRepeats;
            return kAnswerOk;
        }
        PrintLine(text);
        m_lastNotice = text;
        return kAnswerOk;
    }
    PrintLine(text + " [OK/Cancel]");
    std::string answer;
    if (!std::getline(m_in, answer)) return kAnswerCancel;
    return IsOkAnswer(answer) ? kAnswerOk : kAnswerCancel;
}

void CConsoleHost::Diagnostic(const std::string& line) { PrintLine(line); }
