#include "platform/AtomicFile.h"

#include "platform/ExistingFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace veilpane {

namespace {

QString ErrnoText(const QString& what, const QString& path, int code) {
    return QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(code)));
}

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

QString FolderOf(const QString& path) {
    const QString folder = QFileInfo(path).path();
    return folder.isEmpty() ? QStringLiteral(".") : folder;
}

// The process umask, read where reading it changes nothing (umask() itself sets it, which other threads
// could meet half done). Read once: nothing in this program changes it.
unsigned ProcessUmask() {
    static const unsigned mask = [] {
        QFile status(QStringLiteral("/proc/self/status"));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("Umask:")) {
                    bool ok = false;
                    const unsigned value = line.mid(6).trimmed().toUInt(&ok, 8);
                    if (ok) {
                        return value;
                    }
                }
            }
        }
        return 022u;
    }();
    return mask;
}

qint64 Nanoseconds(const timespec& time) {
    return qint64{time.tv_sec} * 1000000000 + time.tv_nsec;
}

} // namespace

CAtomicFile::CAtomicFile(QString targetPath) : m_targetPath(std::move(targetPath)) {}

CAtomicFile::~CAtomicFile() {
    Discard();
}

CAtomicFile::CAtomicFile(CAtomicFile&& other) noexcept
    : m_targetPath(std::move(other.m_targetPath)), m_tempPath(std::move(other.m_tempPath)), m_fd(other.m_fd),
      m_written(other.m_written), m_kicked(other.m_kicked), m_finalPermissions(other.m_finalPermissions),
      m_keepExisting(other.m_keepExisting), m_keptBeside(other.m_keptBeside),
      m_keptSuffix(std::move(other.m_keptSuffix)) {
    other.m_fd = -1;
    other.m_tempPath.clear();
}

CAtomicFile& CAtomicFile::operator=(CAtomicFile&& other) noexcept {
    if (this != &other) {
        Discard();
        m_targetPath = std::move(other.m_targetPath);
        m_tempPath = std::move(other.m_tempPath);
        m_fd = other.m_fd;
        m_written = other.m_written;
        m_kicked = other.m_kicked;
        m_finalPermissions = other.m_finalPermissions;
        m_keepExisting = other.m_keepExisting;
        m_keptBeside = other.m_keptBeside;
        m_keptSuffix = std::move(other.m_keptSuffix);
        other.m_fd = -1;
        other.m_tempPath.clear();
    }
    return *this;
}

bool CAtomicFile::Open(QString* error, unsigned permissions, bool ownerOnly) {
    Discard();
    m_written = 0;
    m_kicked = 0;
    m_finalPermissions = 0;
    if (ownerOnly) {
        const unsigned final = permissions & 07777 & ~ProcessUmask();
        permissions &= 0700;
        if (final != (permissions & ~ProcessUmask())) {
            m_finalPermissions = final;
        }
    }
    const QString folder = FolderOf(m_targetPath);
    // O_EXCL with a random name instead of mkstemp: the kernel then applies the umask to the permissions,
    // which reading and restoring the process umask could not do safely beside other threads.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate =
            folder + QStringLiteral("/.veilpane.%1.tmp")
                         .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
        const int fd = ::open(Native(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              static_cast<mode_t>(permissions & 07777));
        if (fd >= 0) {
            m_fd = fd;
            m_tempPath = candidate;
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    if (error) {
        *error = ErrnoText(QStringLiteral("cannot create a file in"), folder, errno);
    }
    return false;
}

bool CAtomicFile::Write(const void* data, std::size_t length, QString* error) {
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t written = ::write(m_fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (error) {
                *error = ErrnoText(QStringLiteral("cannot write"), m_targetPath, errno);
            }
            return false;
        }
        bytes += written;
        length -= static_cast<std::size_t>(written);
        m_written += written;
    }
#ifdef __linux__
    // Hand what has piled up to the disk while the rest is still being enciphered, so that the flush at
    // the end waits only for the tail instead of the whole file.
    constexpr qint64 KickEvery = qint64{8} << 20;
    if (m_written - m_kicked >= KickEvery) {
        sync_file_range(m_fd, m_kicked, m_written - m_kicked, SYNC_FILE_RANGE_WRITE);
        m_kicked = m_written;
    }
#endif
    return true;
}

bool CAtomicFile::Sync(QString* error) {
    if (m_fd < 0) {
        if (error) {
            *error = QStringLiteral("%1 was not written").arg(m_targetPath);
        }
        return false;
    }
    // A delayed write error (a full disk noticed only at writeback) surfaces here or at close.
    int rc = ::fdatasync(m_fd);
    int code = errno;
    const int closed = ::close(m_fd);
    if (rc == 0 && closed != 0) {
        rc = closed;
        code = errno;
    }
    m_fd = -1;
    if (rc != 0) {
        if (error) {
            *error = ErrnoText(QStringLiteral("cannot write"), m_targetPath, code);
        }
        return false;
    }
    return true;
}

bool CAtomicFile::Close(QString* error) {
    if (m_fd < 0) {
        if (error) {
            *error = QStringLiteral("%1 was not written").arg(m_targetPath);
        }
        return false;
    }
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0) {
        if (error) {
            *error = ErrnoText(QStringLiteral("cannot write"), m_targetPath, errno);
        }
        return false;
    }
    return true;
}

bool CAtomicFile::Rename(QString* error) {
    if (m_fd >= 0 || m_tempPath.isEmpty()) {
        if (error) {
            *error = QStringLiteral("%1 was not closed before its rename").arg(m_targetPath);
        }
        return false;
    }
    if (m_finalPermissions != 0 &&
        ::chmod(Native(m_tempPath).constData(), static_cast<mode_t>(m_finalPermissions)) != 0) {
        if (error) {
            *error = ErrnoText(QStringLiteral("cannot set the permissions of"), m_targetPath, errno);
        }
        return false;
    }
    if (m_keepExisting) {
        return RenameBeside(error);
    }
    if (::rename(Native(m_tempPath).constData(), Native(m_targetPath).constData()) != 0) {
        if (error) {
            *error = ErrnoText(QStringLiteral("cannot rename into"), m_targetPath, errno);
        }
        return false;
    }
    m_tempPath.clear();
    return true;
}

void CAtomicFile::KeepExisting(const QString& suffixAfter) {
    m_keepExisting = true;
    m_keptSuffix = suffixAfter;
}

bool CAtomicFile::RenameBeside(QString* error) {
    QString target = m_targetPath;
    const QString base = m_targetPath.endsWith(m_keptSuffix)
                             ? m_targetPath.left(m_targetPath.size() - m_keptSuffix.size())
                             : m_targetPath;
    // Each free name can be taken by someone else between the look and the rename; the next look finds
    // another.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (RenameWithoutReplacing(m_tempPath, target)) {
            m_keptBeside = target != m_targetPath;
            m_targetPath = target;
            m_tempPath.clear();
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
        target = FreeNameBeside(base, m_keptSuffix);
    }
    if (error) {
        *error = ErrnoText(QStringLiteral("cannot rename into"), target, errno);
    }
    return false;
}

bool RenameWithoutReplacing(const QString& from, const QString& to, bool linkOnly) {
    const QByteArray source = Native(from);
    const QByteArray target = Native(to);
#ifdef __linux__
    if (!linkOnly) {
        if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
            return true;
        }
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
            return false;
        }
    }
#else
    Q_UNUSED(linkOnly);
#endif
    // A hard link is made only where the name is free, atomically; the temporary name then goes.
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
        return true;
    }
    if (errno == EEXIST) {
        return false;
    }
    // A file system without hard links either (FAT): a look before the rename is the best left, with a
    // moment in which a file made by someone else could still be replaced.
    struct stat info {};
    if (::lstat(target.constData(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(source.constData(), target.constData()) == 0;
}

bool CAtomicFile::Commit(QString* error) {
    return Sync(error) && Rename(error) && SyncFolderOf(m_targetPath, error);
}

void CAtomicFile::Discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.isEmpty()) {
        ::unlink(Native(m_tempPath).constData());
        m_tempPath.clear();
    }
}

CFileIdentity IdentityOf(const QString& path) {
    CFileIdentity identity;
    struct stat info {};
    if (::lstat(Native(path).constData(), &info) == 0 && S_ISREG(info.st_mode)) {
        identity.Device = static_cast<quint64>(info.st_dev);
        identity.Inode = static_cast<quint64>(info.st_ino);
        identity.Size = static_cast<qint64>(info.st_size);
        identity.ModifiedNs = Nanoseconds(info.st_mtim);
        identity.ChangedNs = Nanoseconds(info.st_ctim);
        identity.Links = static_cast<quint64>(info.st_nlink);
        identity.Permissions = static_cast<unsigned>(info.st_mode & 07777);
        identity.Valid = true;
    }
    return identity;
}

CFileIdentity IdentityBeforeReading(const QString& path) {
    // A change stamps the file with the coarse clock, whose value stands still for a whole tick: a change
    // time equal to the coarse clock as it read just before the stat could be stamped again by a later
    // change in the same tick, so the tick is waited out (a few milliseconds, and only for a file changed
    // moments ago). An earlier change time is safe. So is a later one: only a fine-grained stamp runs ahead
    // of the coarse clock, and a kernel that stamps finely after a stat (Linux 6.13 on) gives every later
    // change a later time. There the coarse clock can lag the stamps by two ticks, which waiting for it
    // to pass them would sometimes not outlast.
    timespec tick{};
    ::clock_getres(CLOCK_REALTIME_COARSE, &tick);
    CFileIdentity identity;
    for (int attempt = 0; attempt < 3; ++attempt) {
        timespec before{};
        ::clock_gettime(CLOCK_REALTIME_COARSE, &before);
        identity = IdentityOf(path);
        if (!identity.Valid || identity.ChangedNs != Nanoseconds(before)) {
            return identity;
        }
        ::nanosleep(&tick, nullptr);
    }
    // Still changing: whatever is read now may be changed again unseen.
    identity.Settled = false;
    return identity;
}

namespace {

bool Unchanged(const CFileIdentity& now, const CFileIdentity& then) {
    return then.Valid && then.Settled && now.Valid && now.Device == then.Device && now.Inode == then.Inode &&
           now.Size == then.Size && now.ModifiedNs == then.ModifiedNs && now.ChangedNs == then.ChangedNs;
}

} // namespace

bool IsUnchangedFile(const QString& path, const CFileIdentity& identity) {
    return Unchanged(IdentityOf(path), identity);
}

bool RemoveIfSameFile(const QString& path, const CFileIdentity& identity) {
    const CFileIdentity now = IdentityOf(path);
    if (!now.Valid) {
        return !QFileInfo::exists(path);
    }
    return Unchanged(now, identity) && ::unlink(Native(path).constData()) == 0;
}

int RemoveStaleTemporaries(const QString& folder, const QDateTime& startedAt) {
    static const QRegularExpression ownName(QStringLiteral("^\\.veilpane\\.[0-9a-f]{16}\\.tmp$"));
    int removed = 0;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        // A writer still at work changes its file as it goes; only one older than the run is left over.
        if (ownName.match(entry.fileName()).hasMatch() && entry.lastModified() < startedAt &&
            ::unlink(Native(entry.absoluteFilePath()).constData()) == 0) {
            ++removed;
        }
    }
    return removed;
}

bool SyncFolderOf(const QString& path, QString* error) {
    const QString folder = FolderOf(path);
    const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        if (error) {
            *error = ErrnoText(QStringLiteral("cannot open"), folder, errno);
        }
        return false;
    }
    // Some file systems refuse to sync a directory; the rename has happened either way.
    ::fsync(fd);
    ::close(fd);
    return true;
}

CCommitBatch::CCommitBatch(int maxFiles, qint64 maxBytes) : m_maxFiles(maxFiles), m_maxBytes(maxBytes) {}

CCommitBatch::~CCommitBatch() {
    Commit();
}

void CCommitBatch::Add(CAtomicFile file, qint64 bytes, Committed done) {
    QString error;
    if (!file.Close(&error)) {
        file.Discard();
        if (done) {
            done(false, error, file.TargetPath());
        }
        return;
    }
    m_pending.push_back({std::move(file), std::move(done)});
    m_bytes += bytes;
    if (static_cast<int>(m_pending.size()) >= m_maxFiles || m_bytes >= m_maxBytes) {
        Commit();
    }
}

namespace {

// Makes the closed temporary files durable. On Linux one flush of each file system covers every file of
// the batch (a separate flush per file costs a device cache flush each); elsewhere each file is synced.
bool FlushFiles(const QStringList& paths, QString* error) {
#ifdef __linux__
    QSet<QString> folders;
    for (const QString& path : paths) {
        folders.insert(FolderOf(path));
    }
    for (const QString& folder : folders) {
        const int fd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || ::syncfs(fd) != 0) {
            *error = ErrnoText(QStringLiteral("cannot flush the files written in"), folder, errno);
            if (fd >= 0) {
                ::close(fd);
            }
            return false;
        }
        ::close(fd);
    }
#else
    for (const QString& path : paths) {
        const int fd = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            *error = ErrnoText(QStringLiteral("cannot flush"), path, errno);
            if (fd >= 0) {
                ::close(fd);
            }
            return false;
        }
        ::close(fd);
    }
#endif
    return true;
}

} // namespace

void CCommitBatch::Commit() {
    std::vector<CPending> pending;
    pending.swap(m_pending);
    m_bytes = 0;
    if (pending.empty()) {
        return;
    }
    QStringList temporaries;
    for (const CPending& p : pending) {
        temporaries.append(p.File.TemporaryPath());
    }
    QString flushError;
    const bool flushed = FlushFiles(temporaries, &flushError);
    std::vector<QString> errors(pending.size(), flushError);
    std::vector<bool> ok(pending.size(), false);
    QSet<QString> folders;
    for (std::size_t i = 0; flushed && i < pending.size(); ++i) {
        ok[i] = pending[i].File.Rename(&errors[i]);
        if (ok[i]) {
            folders.insert(FolderOf(pending[i].File.TargetPath()));
        }
    }
    for (const QString& folder : folders) {
        SyncFolderOf(folder + QStringLiteral("/."), nullptr);
    }
    // Only now, with every new file durable under its final name, may the files they replace go.
    for (std::size_t i = 0; i < pending.size(); ++i) {
        if (!ok[i]) {
            pending[i].File.Discard();
        }
        if (pending[i].Done) {
            pending[i].Done(ok[i], errors[i], pending[i].File.TargetPath());
        }
    }
}

} // namespace veilpane
