#pragma once

#include "platform/FileDialog.h"

namespace veilpane {

// The open-file dialog through QFileDialog, with the type's title and file types, the first type
// selected. It starts in the folder of the file chosen last, as the system dialog does.
class CQtFileDialog final : public CFileDialog {
public:
    std::optional<QString> OpenFile(FileDialogType type) override;

private:
    QString m_lastFolder;
};

} // namespace veilpane
