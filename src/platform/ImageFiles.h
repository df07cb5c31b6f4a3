#pragma once

#include <QString>
#include <QStringList>

namespace veilpane {

// Whether the imaging library can decode the file, judged from its content alone, whatever the extension
// says.
bool IsImageFile(const QString& path);

// The full paths of a folder's image files, as a folder scan lists them: every regular file that
// IsImageFile accepts (hidden ones too), in the order the file system enumerates them, no sub-folders.
// Empty for a folder that cannot be read.
QStringList ListFolderImages(const QString& folder);

} // namespace veilpane
