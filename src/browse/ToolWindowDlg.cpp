#include "browse/ToolWindowDlg.h"

#include <QKeyEvent>

namespace veilpane {

CToolWindowDlg::CToolWindowDlg(const QString& title, const QString& name, QWidget* parent)
    : QDockWidget(title, parent) {
    setObjectName(name);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
}

QRect CToolWindowDlg::NormalRect() const {
    if (isWindow()) {
        return geometry();
    }
    return QRect(mapToGlobal(QPoint(0, 0)), size());
}

void CToolWindowDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        OnEscape();
        event->accept();
        return;
    }
    QDockWidget::keyPressEvent(event);
}

void CToolWindowDlg::showEvent(QShowEvent* event) {
    QDockWidget::showEvent(event);
    if (!event->spontaneous()) {
        emit ShownChanged(true);
    }
}

void CToolWindowDlg::hideEvent(QHideEvent* event) {
    QDockWidget::hideEvent(event);
    // A docked window also hides with the main window, which does not make it closed: only its own
    // hide (its close button, the toggle) does.
    if (!event->spontaneous() && isHidden()) {
        emit ShownChanged(false);
    }
}

} // namespace veilpane
