#include "app/PictoriumApp.h"

#include "app/MainFrame.h"

namespace veilpane {

CPictoriumApp::CPictoriumApp(const CDocServices& services, const QString& executablePath) {
    CDocServices docServices = services;
    docServices.Status = &m_status;
    docServices.ToolWindows = &m_toolWindows;
    m_doc = std::make_unique<CPictoriumDoc>(docServices, executablePath);
    m_frame = std::make_unique<CMainFrame>(*m_doc);
    m_status.SetTarget(m_frame.get());
    m_toolWindows.SetTarget(m_frame.get());
}

CPictoriumApp::~CPictoriumApp() {
    // The frame and its view go first: they hold on to the document until the end.
    m_status.SetTarget(nullptr);
    m_toolWindows.SetTarget(nullptr);
    m_frame.reset();
}

void CPictoriumApp::Start() {
    m_frame->OnInitialUpdate();
    m_frame->ShowAtStart();
}

} // namespace veilpane
