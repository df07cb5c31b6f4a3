#pragma once

namespace veilpane {

enum class ToolWindow { Folders, ImagePreview };

// The two tool windows. Those that float above the main window (or fill the screen) would cover a file
// dialog, so commands hide them around it.
class CToolWindows {
public:
    virtual ~CToolWindows() = default;
    virtual bool IsShown(ToolWindow window) const = 0;
    virtual void SetShown(ToolWindow window, bool shown) = 0;
    // Whether the window, when shown, would cover a dialog. A window docked in the main window covers
    // nothing, and hiding it would only make the main window lay itself out twice.
    virtual bool CoversDialogs(ToolWindow /*window*/) const { return true; }
};

// Hides the shown tool windows that would cover a dialog for its lifetime and shows exactly those again
// afterwards.
class CToolWindowsHidden {
public:
    explicit CToolWindowsHidden(CToolWindows& windows) : m_windows(windows) {
        m_folders = m_windows.IsShown(ToolWindow::Folders) && m_windows.CoversDialogs(ToolWindow::Folders);
        m_preview =
            m_windows.IsShown(ToolWindow::ImagePreview) && m_windows.CoversDialogs(ToolWindow::ImagePreview);
        if (m_preview) {
            m_windows.SetShown(ToolWindow::ImagePreview, false);
        }
        if (m_folders) {
            m_windows.SetShown(ToolWindow::Folders, false);
        }
    }
    ~CToolWindowsHidden() {
        if (m_preview) {
            m_windows.SetShown(ToolWindow::ImagePreview, true);
        }
        if (m_folders) {
            m_windows.SetShown(ToolWindow::Folders, true);
        }
    }
    CToolWindowsHidden(const CToolWindowsHidden&) = delete;
    CToolWindowsHidden& operator=(const CToolWindowsHidden&) = delete;

private:
    CToolWindows& m_windows;
    bool m_folders = false;
    bool m_preview = false;
};

} // namespace veilpane
