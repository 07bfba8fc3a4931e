#pragma once

#include <string>

// What a Windows host application gave the image and the file drivers: modal
// message boxes with an information icon, and the two-pane status bar of its
// main window. A console host has no status bar.

enum EMessageButtons { kButtonsOk, kButtonsOkCancel };
enum EMessageAnswer { kAnswerOk, kAnswerCancel };

class CStatusBar {
public:
    virtual ~CStatusBar() = default;
    // Pane 0 names the operation, pane 1 shows its percentage.
    virtual void SetPaneText(int nPane, const std::string& text) = 0;
    virtual void SetPaneNormalStyle(int nPane) = 0;
    virtual void Repaint() = 0;
};

class CHostInterface {
public:
    virtual ~CHostInterface() = default;
    // An information box; with kButtonsOk the answer is always kAnswerOk.
    virtual EMessageAnswer MessageBox(const std::string& text, EMessageButtons buttons) = 0;
    // One line of detail that precedes a question, such as where a file stopped
    // being readable; a window host may fold it into its next box.
    virtual void Diagnostic(const std::string& line) = 0;
    // Null when the host has no main window with a status bar.
    virtual CStatusBar* GetStatusBar() = 0;
};

// The host that the image and the drivers speak to. Until a host is installed
// this is the console host on standard input and output.
CHostInterface& GetHost();
// Installs a host (not owned); null puts the console host back.
void SetHost(CHostInterface* pHost);
