#include "platform/qt/QtFileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace veilpane {

std::optional<QString> CQtFileDialog::OpenFile(FileDialogType type) {
    const CFileDialogSpec purpose = FileDialogSpecFor(static_cast<int>(type), CBitmap::Decoders());
    const QStringList filters = ToQtNameFilters(purpose.Filter);
    QString selected = filters.value(0);
    const QString path = QFileDialog::getOpenFileName(nullptr, purpose.Title, m_lastFolder,
                                                      filters.join(QStringLiteral(";;")), &selected);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    m_lastFolder = QFileInfo(path).absolutePath();
    return path;
}

} // namespace veilpane
