#pragma once

#include <iosfwd>
#include <string>

#include "host/host_interface.h"

class CImageFile;

// The status bar of a terminal: both panes on one line, drawn over itself in
// place. It draws only on a terminal, but it is there in any case, because
// its calls, once per run or piece of a load or save, are where a Ctrl-C
// turns into a Cancel of the file being loaded or saved.
class CTerminalStatusBar : public CStatusBar {
public:
    CTerminalStatusBar(std::ostream& out, bool bDraw) : m_out(out), m_bDraw(bDraw) {}

    void SetPaneText(int nPane, const std::string& text) override;
    // A terminal line has one style.
    void SetPaneNormalStyle(int) override {}
    void Repaint() override;

    // The file that a Ctrl-C cancels; null between loads and saves.
    void Watch(CImageFile* pFile) { m_pWatched = pFile; }
    // Clears the line, so that other output starts on an empty one; the
    // next Repaint draws the panes again.
    void Erase();

private:
    std::string ComposeLine() const;

    std::ostream& m_out;
    const bool m_bDraw;
    std::string m_panes[2];
    // What the terminal line shows now.
    std::string m_strShown;
    CImageFile* m_pWatched = nullptr;
};

// A host for a terminal: the message boxes are another host's (the console
// host that GetHost gives before any is installed), and the status bar is a
// CTerminalStatusBar, whose line is cleared before each box.
class CTerminalHost : public CHostInterface {
public:
    CTerminalHost(CHostInterface& boxes, std::ostream& out, bool bDraw) : m_boxes(boxes), m_bar(out, bDraw) {}

    EMessageAnswer MessageBox(const std::string& text, EMessageButtons buttons) override;
    void Diagnostic(const std::string& line) override;
    CStatusBar* GetStatusBar() override { return &m_bar; }

    CTerminalStatusBar& Bar() { return m_bar; }

private:
    CHostInterface& m_boxes;
    CTerminalStatusBar m_bar;
};

// Whether standard output is a terminal, where the status bar is drawn.
bool IsStandardOutputTerminal();
