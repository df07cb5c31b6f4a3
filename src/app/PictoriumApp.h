#pragma once

#include "app/FrameServices.h"
#include "doc/PictoriumDoc.h"

#include <memory>

namespace veilpane {

class CMainFrame;

// The program's start-up order: the document first (its settings, and on a first run the disclaimer,
// before any window), then the main frame with its view. The document reports to the frame through
// stand-ins that are pointed at the frame once it exists.
class CPictoriumApp {
public:
    // services: the platform's; their Status and ToolWindows are replaced by the frame's.
    CPictoriumApp(const CDocServices& services, const QString& executablePath);
    ~CPictoriumApp();
    CPictoriumApp(const CPictoriumApp&) = delete;
    CPictoriumApp& operator=(const CPictoriumApp&) = delete;

    CPictoriumDoc& Doc() const { return *m_doc; }
    CMainFrame& Frame() const { return *m_frame; }

    // The view's initial update (tool windows, the remembered folder), then the first show.
    void Start();

private:
    CStatusTextRelay m_status;
    CToolWindowsRelay m_toolWindows;
    std::unique_ptr<CPictoriumDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace veilpane
