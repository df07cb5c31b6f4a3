#include "browse/PictoriumView.h"

#include "image/PictoriumDoc.h"

namespace veilpane {

CPictoriumView::CPictoriumView(CPictoriumDoc& doc, QWidget* parent) : QListView(parent), m_doc(doc) {}

CPictoriumView::~CPictoriumView() = default;

void CPictoriumView::OnInitialUpdate(QWidget*) {}

QWidget* CPictoriumView::FoldersWindow() const {
    return m_folders;
}
QWidget* CPictoriumView::PreviewWindow() const {
    return m_preview;
}
bool CPictoriumView::IsLoading() const {
    return false;
}
void CPictoriumView::StopLoader() {}

} // namespace veilpane
