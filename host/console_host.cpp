#include "host/console_host.h"

#include <cctype>
#include <limits>
#include <istream>
#include <ostream>

namespace {

// Longer than any answer that means OK; what is beyond it is not kept.
constexpr size_t kMaxAnswerLength = 64;

// One line of input, empty when it is longer than kMaxAnswerLength: an
// answer of megabytes costs no memory. False at the end of the input.
bool ReadAnswer(std::istream& in, std::string& answer) {
    answer.clear();
    bool bAny = false;
    for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
        bAny = true;
        if (c == '\n') return true;
        answer += static_cast<char>(c);
        if (answer.size() > kMaxAnswerLength) {
            // Whatever it holds, so long a line is no answer that means OK.
            answer.clear();
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
            return true;
        }
    }
    return bAny;
}

}  // namespace

bool CConsoleHost::IsOkAnswer(const std::string& answer) {
    size_t nBegin = 0;
    size_t nEnd = answer.size();
    while (nBegin < nEnd && std::isspace(static_cast<unsigned char>(answer[nBegin]))) ++nBegin;
    while (nEnd > nBegin && std::isspace(static_cast<unsigned char>(answer[nEnd - 1]))) --nEnd;
    std::string word;
    for (size_t i = nBegin; i < nEnd; ++i)
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(answer[i])));
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
    if (!ReadAnswer(m_in, answer)) return kAnswerCancel;
    return IsOkAnswer(answer) ? kAnswerOk : kAnswerCancel;
}

void CConsoleHost::Diagnostic(const std::string& line) { PrintLine(line); }
