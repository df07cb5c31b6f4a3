// The Hide menu and File/Extract.
#include "image/PictoriumDoc.h"

namespace veilpane {

void CPictoriumDoc::OnSelectFileToHide() {}
void CPictoriumDoc::OnUnselectFileToHide() {}
void CPictoriumDoc::OnHideFile() {}
void CPictoriumDoc::OnHideMessage() {}
QString CPictoriumDoc::UpdateFileToHideItem(bool*) const {
    return {};
}
QString CPictoriumDoc::UpdateMessageToHideItem(bool*) const {
    return {};
}
void CPictoriumDoc::OnExtractHiddenFile() {}
void CPictoriumDoc::OnEnterSecretMessage() {}

} // namespace veilpane
