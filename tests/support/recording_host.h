#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "host/host_interface.h"

// A host for the tests and fuzz targets: it records every box, diagnostic and status-bar
// call in order and answers questions from a script (Cancel when the script is
// used up). Installing it with SetHost makes the image and drivers silent.
class CRecordingHost : public CHostInterface, public CStatusBar {
public:
    struct CEvent {
        std::string kind;  // "box", "question", "diagnostic", "pane0", "pane1", "style", "repaint"
        std::string text;
    };

    explicit CRecordingHost(bool bHasStatusBar = false) : m_bHasStatusBar(bHasStatusBar) {}

    EMessageAnswer MessageBox(const std::string& text, EMessageButtons buttons) override {
        m_events.push_back({buttons == kButtonsOk ? "box" : "question", text});
        if (m_onBox) m_onBox(text);
        if (buttons == kButtonsOk) return kAnswerOk;
        if (m_answers.empty()) return kAnswerCancel;
        EMessageAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    void Diagnostic(const std::string& line) override { m_events.push_back({"diagnostic", line}); }
    CStatusBar* GetStatusBar() override { return m_bHasStatusBar ? this : nullptr; }

    void SetPaneText(int nPane, const std::string& text) override {
        m_events.push_back({nPane == 0 ? "pane0" : "pane1", text});
        if (m_onPaneText) m_onPaneText(nPane, text);
    }
    void SetPaneNormalStyle(int nPane) override { m_events.push_back({"style", std::to_string(nPane)}); }
    void Repaint() override { m_events.push_back({"repaint", ""}); }

    void QueueAnswer(EMessageAnswer answer) { m_answers.push_back(answer); }

    // Texts of the events of one kind, in order.
    std::vector<std::string> Texts(const std::string& kind) const {
        std::vector<std::string> texts;
        for (const CEvent& event : m_events)
            if (event.kind == kind) texts.push_back(event.text);
        return texts;
    }

    std::vector<CEvent> m_events;
    // Called on every pane text, so that a test can act in the middle of a
    // load or save, as a host's user interface would (Cancel, for example).
    std::function<void(int nPane, const std::string& text)> m_onPaneText;
    // Called on every box and question, as it is shown.
    std::function<void(const std::string& text)> m_onBox;

private:
    bool m_bHasStatusBar;
    std::deque<EMessageAnswer> m_answers;
};
