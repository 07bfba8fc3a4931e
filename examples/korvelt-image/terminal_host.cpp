#include "terminal_host.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "imagefile/image_file.h"
#include "interrupt.h"

namespace {

// One column less than the narrowest common terminal: a line that filled
// the last column would wrap, and the next one would be drawn below it.
constexpr size_t kLineWidth = 79;
constexpr char kEllipsis[] = "...";

}  // namespace

void CTerminalStatusBar::SetPaneText(int nPane, const std::string& text) {
    if (nPane == 0 || nPane == 1) m_panes[nPane] = text;
}

std::string CTerminalStatusBar::ComposeLine() const {
    if (m_panes[1].empty()) return m_panes[0].substr(0, kLineWidth);
    // The percentage stays whole; a long file name gives way.
    const std::string separator = m_panes[0].empty() ? "" : "  ";
    const size_t nRoom = kLineWidth - std::min(kLineWidth, separator.size() + m_panes[1].size());
    std::string name = m_panes[0];
    if (name.size() > nRoom) name = name.substr(0, nRoom - std::min(nRoom, sizeof kEllipsis - 1)) + kEllipsis;
    return (name + separator + m_panes[1]).substr(0, kLineWidth);
}

void CTerminalStatusBar::Repaint() {
    if (m_pWatched && IsInterrupted()) m_pWatched->Cancel();
    if (!m_bDraw) return;
    const std::string line = ComposeLine();
    if (line == m_strShown) return;
    if (line.empty()) {
        Erase();
        return;
    }
    // Blanks cover what a longer line before left standing.
    m_out << '\r' << line << std::string(m_strShown.size() > line.size() ? m_strShown.size() - line.size() : 0, ' ')
          << std::flush;
    m_strShown = line;
}

void CTerminalStatusBar::Erase() {
    if (m_strShown.empty()) return;
    m_out << '\r' << std::string(m_strShown.size(), ' ') << '\r' << std::flush;
    m_strShown.clear();
}

EMessageAnswer CTerminalHost::MessageBox(const std::string& text, EMessageButtons buttons) {
    m_bar.Erase();
    return m_boxes.MessageBox(text, buttons);
}

void CTerminalHost::Diagnostic(const std::string& line) {
    m_bar.Erase();
    m_boxes.Diagnostic(line);
}

bool IsStandardOutputTerminal() {
#if defined(_WIN32)
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(fileno(stdout)) != 0;
#endif
}
