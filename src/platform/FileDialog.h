#pragma once

#include "platform/Bitmap.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace veilpane {

// What the open-file dialog is for; each purpose has its title and its list of file types.
enum class FileDialogType { SelectFileToHide = 1, SelectFileToEncrypt = 2, SelectFileToDecrypt = 3 };

struct CFileDialogSpec {
    QString Title;
    QString Filter;       // "Description|patterns|...|" with ";" between patterns, ending in "|"
    int SelectedType = 0; // the entry of Filter chosen when the dialog opens
};

// Title and filter for a dialog type (any other value than 2 and 3 is the image dialog). The image filter
// lists all images first, then all files, then one entry per decoder; the file to hide can be any file,
// so all files are what that dialog proposes.
CFileDialogSpec FileDialogSpecFor(int type, const QList<CCodecInfo>& decoders);
QString BuildImageFilter(const QList<CCodecInfo>& decoders);
QString BuildAllFilesFilter();
QString BuildEncryptedFilter();

// The "|"-separated filter in the form Qt's file dialogs take: "Label (*.a *.b)" entries.
QStringList ToQtNameFilters(const QString& filter);

class CFileDialog {
public:
    virtual ~CFileDialog() = default;
    // The chosen full path, or nullopt when the user cancelled.
    virtual std::optional<QString> OpenFile(FileDialogType type) = 0;
    // A folder chosen in a folder dialog that starts in start; nullopt when the user cancelled.
    virtual std::optional<QString> ChooseFolder(const QString& /*start*/) { return std::nullopt; }
    // Where the next dialog starts: the folder shown in the program, not the working directory.
    virtual void SetStartFolder(const QString& /*folder*/) {}
};

} // namespace veilpane
