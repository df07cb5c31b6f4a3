#include "platform/OutputFile.h"

#include "platform/AtomicFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace veilpane {

namespace {

enum class NewFile { Written, Taken, Failed };

QString ErrnoText(const QString& path, int code) {
    return QStringLiteral("cannot write %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(code)));
}

bool IsFolder(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
}

// For file systems without hard links: the name is claimed by creating it, and the bytes follow. A failure
// removes what was started; only a process killed half-way could leave a short file behind.
NewFile WriteExclusively(const QString& path, const QByteArray& content, QString* error) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) {
            return NewFile::Taken;
        }
        *error = ErrnoText(path, errno);
        return NewFile::Failed;
    }
    const char* bytes = content.constData();
    std::size_t left = static_cast<std::size_t>(content.size());
    int code = 0;
    while (left > 0 && code == 0) {
        const ssize_t written = ::write(fd, bytes, left);
        if (written < 0) {
            code = errno == EINTR ? 0 : errno;
            continue;
        }
        bytes += written;
        left -= static_cast<std::size_t>(written);
    }
    if (code == 0 && ::fsync(fd) != 0) {
        code = errno;
    }
    if (::close(fd) != 0 && code == 0) {
        code = errno;
    }
    if (code != 0) {
        ::unlink(native.constData());
        *error = ErrnoText(path, code);
        return NewFile::Failed;
    }
    return NewFile::Written;
}

// The finished temporary file gets the target's name as a second link: link() fails when the name exists,
// where rename() would replace it.
NewFile WriteWithoutReplacing(const QString& path, const QByteArray& content, QString* error) {
    CAtomicFile file(path);
    if (!file.Open(error) ||
        !file.Write(content.constData(), static_cast<std::size_t>(content.size()), error) ||
        !file.Sync(error)) {
        return NewFile::Failed;
    }
    if (::link(QFile::encodeName(file.TemporaryPath()).constData(), QFile::encodeName(path).constData()) ==
        0) {
        file.Discard();
        SyncFolderOf(path, nullptr);
        return NewFile::Written;
    }
    const int code = errno;
    file.Discard();
    if (code == EEXIST) {
        return NewFile::Taken;
    }
    if (code == EPERM || code == EOPNOTSUPP || code == ENOSYS) {
        return WriteExclusively(path, content, error);
    }
    *error = ErrnoText(path, code);
    return NewFile::Failed;
}

bool Taken(const QString& path) {
    // A dangling symbolic link holds the name too.
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

} // namespace

CResult<COutputFile> WriteOutputFile(const QString& path, const QByteArray& content, ExistingFile whenTaken) {
    using CWritten = CResult<COutputFile>;
    QString error;
    if (IsFolder(path)) {
        return CWritten::Failed(std::nullopt, QStringLiteral("%1 is a folder").arg(path));
    }
    if (whenTaken == ExistingFile::Replace) {
        CAtomicFile file(path);
        if (!file.Open(&error) ||
            !file.Write(content.constData(), static_cast<std::size_t>(content.size()), &error) ||
            !file.Commit(&error)) {
            return CWritten::Failed(std::nullopt, error);
        }
        return CWritten::Done({path, {}});
    }
    QString target = path;
    // Keep both looks for another free name as long as others keep taking them.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (whenTaken == ExistingFile::KeepBoth && Taken(target)) {
            target = FreeNameBeside(path);
        }
        switch (WriteWithoutReplacing(target, content, &error)) {
        case NewFile::Written:
            return CWritten::Done({target, {}});
        case NewFile::Failed:
            return CWritten::Failed(std::nullopt, error);
        case NewFile::Taken:
            if (IsFolder(target)) {
                return CWritten::Failed(std::nullopt, QStringLiteral("%1 is a folder").arg(target));
            }
            if (whenTaken != ExistingFile::KeepBoth) {
                CWritten refused = CWritten::Refused();
                refused.Value.InTheWay = target;
                return refused;
            }
            break;
        }
    }
    return CWritten::Failed(std::nullopt, QStringLiteral("no free name beside %1").arg(path));
}

} // namespace veilpane
