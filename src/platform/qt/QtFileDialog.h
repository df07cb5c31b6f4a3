#pragma once

#include "platform/FileDialog.h"

namespace veilpane {

// The open-file dialog through QFileDialog, with the type's title, file types and proposed type. It
// starts in the folder shown in the program, then in the folder of the file chosen last until another
// folder is shown.
class CQtFileDialog final : public CFileDialog {
public:
    std::optional<QString> OpenFile(FileDialogType type) override;
    std::optional<QString> ChooseFolder(const QString& start) override;
    void SetStartFolder(const QString& folder) override { m_lastFolder = folder; }

private:
    QString m_lastFolder;
};

} // namespace veilpane
