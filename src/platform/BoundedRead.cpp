#include "platform/BoundedRead.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>

namespace veilpane {

namespace {

#ifdef Q_OS_UNIX
FileType TypeOfMode(mode_t mode) {
    if (S_ISREG(mode)) {
        return FileType::Regular;
    }
    if (S_ISDIR(mode)) {
        return FileType::Folder;
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return FileType::Device;
    }
    if (S_ISFIFO(mode)) {
        return FileType::Fifo;
    }
    if (S_ISSOCK(mode)) {
        return FileType::Socket;
    }
    return FileType::Other;
}
#endif

} // namespace

FileType TypeOfFile(const QString& path) {
#ifdef Q_OS_UNIX
    struct stat status {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return FileType::Missing;
    }
    return TypeOfMode(status.st_mode);
#else
    const QFileInfo info(path);
    if (!info.exists()) {
        return FileType::Missing;
    }
    return info.isDir() ? FileType::Folder : info.isFile() ? FileType::Regular : FileType::Other;
#endif
}

QString FileTypeWord(FileType type) {
    switch (type) {
    case FileType::Folder:
        return QStringLiteral("folder");
    case FileType::Device:
        return QStringLiteral("device");
    case FileType::Fifo:
        return QStringLiteral("named pipe");
    case FileType::Socket:
        return QStringLiteral("socket");
    default:
        return QStringLiteral("special file");
    }
}

FileType OpenRegularFile(QFile& file, const QString& path) {
    const FileType seen = TypeOfFile(path);
    if (seen != FileType::Regular) {
        return seen;
    }
#ifdef Q_OS_UNIX
    // Without blocking: if a named pipe took the file's place since the look above, open must not wait for
    // a writer. A regular file ignores the flag.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        file.setFileName(path);
        (void)file.open(QIODevice::ReadOnly); // for the error text the user is told
        file.close();
        return FileType::Regular;
    }
    struct stat status {};
    const FileType opened = ::fstat(fd, &status) == 0 ? TypeOfMode(status.st_mode) : FileType::Other;
    if (opened != FileType::Regular || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return opened;
    }
    return FileType::Regular;
#else
    file.setFileName(path);
    (void)file.open(QIODevice::ReadOnly);
    return FileType::Regular;
#endif
}

CBoundedRead ReadAtMost(QIODevice& device, qint64 limit) {
    constexpr qint64 chunk = 64 * 1024;
    CBoundedRead read;
    QByteArray& content = read.Bytes;
    for (;;) {
        const qint64 room = limit + 1 - content.size();
        if (room <= 0) {
            read.TooLong = true;
            return read;
        }
        const qsizetype start = content.size();
        content.resize(start + static_cast<qsizetype>(std::min(room, chunk)));
        const qint64 got = device.read(content.data() + start, content.size() - start);
        content.resize(start + static_cast<qsizetype>(std::max<qint64>(got, 0)));
        if (got < 0) {
            read.Failed = true;
            return read;
        }
        if (got == 0) {
            return read;
        }
    }
}

} // namespace veilpane
