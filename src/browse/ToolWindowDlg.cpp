#include "browse/ToolWindowDlg.h"

#include <QKeyEvent>

namespace veilpane {

CToolWindowDlg::CToolWindowDlg(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {}

void CToolWindowDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        OnEscape();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CToolWindowDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        emit ShownChanged(true);
    }
}

void CToolWindowDlg::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) {
        emit ShownChanged(false);
    }
}

} // namespace veilpane
