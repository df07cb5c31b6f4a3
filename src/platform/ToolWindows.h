#pragma once

namespace veilpane {

enum class ToolWindow { Folders, ImagePreview };

// The two top-most tool windows. They would cover a file dialog, so commands hide the shown ones around it.
class CToolWindows {
public:
    virtual ~CToolWindows() = default;
    virtual bool IsShown(ToolWindow window) const = 0;
    virtual void SetShown(ToolWindow window, bool shown) = 0;
};

// Hides the shown tool windows for its lifetime and shows exactly those again afterwards.
class CToolWindowsHidden {
public:
    explicit CToolWindowsHidden(CToolWindows& windows) : m_windows(windows) {
        m_folders = m_windows.IsShown(ToolWindow::Folders);
        m_preview = m_windows.IsShown(ToolWindow::ImagePreview);
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
