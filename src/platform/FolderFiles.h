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

// The regular files ListFolderFiles cannot give: names that are not valid UTF-8 have no QString that names
// them again. Each comes as folder + "/" + the name as shown to the user, its undecodable bytes written as
// \xNN ("caf\xE9.txt"). Same rules otherwise (pattern, no "." names, no links or subfolders).
QStringList UndecodableFolderFiles(const QString& folder, const QString& pattern);
// A file name's bytes for showing: valid UTF-8 as it is, every other byte as \xNN.
QString ShownFileName(const QByteArray& name);
// A name (or a text built from names) for one line of a list or the status bar: a line break or another
// control character in a name someone chose would start what looks like an entry of its own, so each is
// shown as "?".
QString OneLine(QString text);

} // namespace veilpane
