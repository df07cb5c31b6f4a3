#pragma once

#include "platform/StatusText.h"
#include "platform/ToolWindows.h"

namespace veilpane {

// The document is made before the main window it reports to (its settings, and on a first run the
// disclaimer, come before any window). These stand in for the window's services until it exists.

// Status texts sent before the window exists are kept, the last one is shown once it does.
class CStatusTextRelay final : public CStatusText {
public:
    void SetTarget(CStatusText* target) {
        m_target = target;
        if (m_target && m_hasPending) {
            m_target->SetStatusText(m_pending);
            m_hasPending = false;
        }
    }
    void SetStatusText(const QString& text) override {
        if (m_target) {
            m_target->SetStatusText(text);
        } else {
            m_pending = text;
            m_hasPending = true;
        }
    }

private:
    CStatusText* m_target = nullptr;
    QString m_pending;
    bool m_hasPending = false;
};

// Without the window there are no tool windows: none is shown and none can be.
class CToolWindowsRelay final : public CToolWindows {
public:
    void SetTarget(CToolWindows* target) { m_target = target; }
    bool IsShown(ToolWindow window) const override { return m_target && m_target->IsShown(window); }
    void SetShown(ToolWindow window, bool shown) override {
        if (m_target) {
            m_target->SetShown(window, shown);
        }
    }
    bool CoversDialogs(ToolWindow window) const override {
        return m_target && m_target->CoversDialogs(window);
    }

private:
    CToolWindows* m_target = nullptr;
};

} // namespace veilpane
