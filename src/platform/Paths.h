#pragma once

#include <QString>

namespace veilpane {

// The text after the last "/" or "\" (the whole path when it has neither).
QString FileNameOfPath(const QString& path);

// A name taken from outside (a payload someone else made) reduced to a plain file name: no folder parts,
// never "." or "..", no NUL. Empty when nothing usable is left.
QString PlainFileName(const QString& name);

// The file name inside folder: the two joined by one separator. Unlike QDir::filePath, a name that starts
// with ':' (which Qt reads as a path into the program's resources) stays a file of that folder.
QString PathInFolder(const QString& folder, const QString& name);

} // namespace veilpane
