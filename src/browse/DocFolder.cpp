// The folder scan of the document.
#include "image/PictoriumDoc.h"

namespace veilpane {

void CPictoriumDoc::LoadFolder(const QString&) {}
void CPictoriumDoc::OnRefreshFolder() {}
void CPictoriumDoc::CountSummary() {}

} // namespace veilpane
