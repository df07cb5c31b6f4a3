#include "platform/OutputFile.h"

#include "platform/AtomicFile.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace veilpane {

namespace {

bool IsFolder(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
}

CResult<COutputFile> FolderInTheWay(const QString& path) {
    return CResult<COutputFile>::Failed(std::nullopt, QStringLiteral("%1 is a folder").arg(path));
}

} // namespace

CResult<COutputFile> WriteOutputFile(const QString& path, const QByteArray& content, ExistingFile whenTaken) {
    using CWritten = CResult<COutputFile>;
    if (IsFolder(path) && whenTaken != ExistingFile::KeepBoth) {
        return FolderInTheWay(path);
    }
    CAtomicFile file(path);
    if (whenTaken == ExistingFile::KeepBoth) {
        file.KeepExisting();
    }
    QString error;
    if (!file.Open(&error) ||
        !file.Write(content.constData(), static_cast<std::size_t>(content.size()), &error) ||
        !file.Sync(&error)) {
        return CWritten::Failed(std::nullopt, error);
    }
    if (whenTaken == ExistingFile::Replace || whenTaken == ExistingFile::KeepBoth) {
        if (!file.Rename(&error)) {
            return CWritten::Failed(std::nullopt, error);
        }
        SyncFolderOf(file.TargetPath(), nullptr);
        return CWritten::Done({file.TargetPath(), {}});
    }
    // The name is claimed in the rename itself, so a file put there after any look is not replaced either.
    if (!RenameWithoutReplacing(file.TemporaryPath(), path)) {
        const int code = errno;
        file.Discard();
        if (code != EEXIST) {
            return CWritten::Failed(std::nullopt,
                                    QStringLiteral("cannot rename into %1: %2")
                                        .arg(path, QString::fromLocal8Bit(std::strerror(code))));
        }
        if (IsFolder(path)) {
            return FolderInTheWay(path);
        }
        CWritten refused = CWritten::Refused();
        refused.Value.InTheWay = path;
        return refused;
    }
    SyncFolderOf(path, nullptr);
    return CWritten::Done({path, {}});
}

} // namespace veilpane
