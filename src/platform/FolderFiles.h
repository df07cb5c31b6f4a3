#pragma once

#include <QString>
#include <QStringList>

namespace veilpane {

// Appends to files the full paths (folder + "/" + name) of the folder's regular files whose names match
// pattern, in the order the directory gives them (not sorted). Names beginning with "." are left out, and
// so are subfolders (never entered) and symbolic links. The pattern is a wildcard matched without regard to
// letter case; "*.*" means every file, with or without a dot in its name. A folder that cannot be read
// leaves files unchanged.
void ListFolderFiles(const QString& folder, const QString& pattern, QStringList& files);

} // namespace veilpane
