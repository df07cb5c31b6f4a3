#pragma once

#include <QSaveFile>
#include <QString>

namespace veilpane {

// Commits a QSaveFile only when every byte is on disk. QSaveFile::commit() on its own ignores a failure of
// the last buffered write and of the flush to disk: on a full disk it would rename a cut-short file over the
// one it replaces and report success. On failure the temporary file goes, the target stays as it was, and
// the reason is in *error.
[[nodiscard]] bool CommitSaveFile(QSaveFile& file, QString* error = nullptr);

} // namespace veilpane
