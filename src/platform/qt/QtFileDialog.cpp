#include "platform/qt/QtFileDialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace veilpane {

std::optional<QString> CQtFileDialog::OpenFile(FileDialogType type) {
    const CFileDialogSpec purpose = FileDialogSpecFor(static_cast<int>(type), CBitmap::Decoders());
    const QStringList filters = ToQtNameFilters(purpose.Filter);
    QString selected = filters.value(purpose.SelectedType);
    const QString path = QFileDialog::getOpenFileName(nullptr, purpose.Title, m_lastFolder,
                                                      filters.join(QStringLiteral(";;")), &selected);
    if (path.isEmpty()) {
        return std::nullopt;
    }
    m_lastFolder = QFileInfo(path).absolutePath();
    return path;
}

std::optional<QString> CQtFileDialog::ChooseFolder(const QString& start) {
    const QString folder = QFileDialog::getExistingDirectory(nullptr, QStringLiteral("Open folder"), start);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return folder;
}

} // namespace veilpane
