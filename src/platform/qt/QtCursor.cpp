#include "platform/qt/QtCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace veilpane {

void CQtCursor::BeginWait() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void CQtCursor::EndWait() {
    QGuiApplication::restoreOverrideCursor();
}

} // namespace veilpane
