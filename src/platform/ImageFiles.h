#pragma once

#include <QString>
#include <QStringList>

namespace veilpane {

// Whether the file is one of the five image formats the program takes (PNG, JPEG, GIF, BMP, TIFF), judged
// from its first bytes alone, whatever the extension says.
bool IsImageFile(const QString& path);

// The full paths of a folder's image files, as a folder scan lists them: every regular file that
// IsImageFile accepts (hidden ones too), in natural order of their paths, no sub-folders.
// Empty for a folder that cannot be read.
QStringList ListFolderImages(const QString& folder);

} // namespace veilpane
