// Settings, first run and the shell's own commands of the document.
#include "image/PictoriumDoc.h"

namespace veilpane {

void CPictoriumDoc::LoadSettings() {}
void CPictoriumDoc::SaveSettings() {}
QString CPictoriumDoc::SamplesFolderFor(const QString&) {
    return {};
}
QString CPictoriumDoc::DisclaimerText() {
    return {};
}
void CPictoriumDoc::ShowDisclaimer() {}
void CPictoriumDoc::OnGoToSamplesFolder() {}
void CPictoriumDoc::OnOpenFolder() {}
void CPictoriumDoc::OnDisclaimer() {}
void CPictoriumDoc::OnWebSite() {}

} // namespace veilpane
