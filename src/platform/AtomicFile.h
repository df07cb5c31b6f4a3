#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <vector>

namespace veilpane {

// A file that replaces another is written under a temporary name in the target's own folder (so the final
// rename stays on one file system and is atomic), flushed to disk, and only then renamed into place. Until
// Commit succeeds the target path is untouched: a failure, a full disk or a killed process leaves whatever
// was there before. The temporary name begins with "." so that folder listings never pick it up.
class CAtomicFile {
public:
    explicit CAtomicFile(QString targetPath);
    ~CAtomicFile(); // discards the temporary file unless it was committed
    CAtomicFile(CAtomicFile&& other) noexcept;
    CAtomicFile& operator=(CAtomicFile&& other) noexcept;
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;

    // Creates the temporary file with the given permission bits (before the umask). With ownerOnly the
    // temporary file is readable by its owner alone until Rename gives it those bits: what a decryption
    // writes is plain text, and a reader that opened the file early would keep its access.
    [[nodiscard]] bool Open(QString* error, unsigned permissions = 0666, bool ownerOnly = false);
    [[nodiscard]] bool Write(const void* data, std::size_t length, QString* error);

    // Waits until the data is on disk and closes the temporary file.
    [[nodiscard]] bool Sync(QString* error);
    // Closes the temporary file after starting its writeback, without waiting: a batch then makes many
    // such files durable with one flush of their file system (CCommitBatch).
    [[nodiscard]] bool Close(QString* error);
    // Renames the synced (or closed and batch-synced) temporary file over the target. Does not make the
    // rename itself durable; callers sync the folder once for many renames (SyncFolderOf).
    [[nodiscard]] bool Rename(QString* error);
    // From now on Rename never replaces anything: when the target's name is taken, even by a file that
    // appeared a moment before the rename, the file goes to the first free name beside it
    // (FreeNameBeside of the target without suffixAfter, then suffixAfter) and TargetPath() names it.
    void KeepExisting(const QString& suffixAfter = {});
    // Whether Rename found the target's name taken and used a free name instead.
    bool KeptBeside() const { return m_keptBeside; }
    // Sync, Rename and SyncFolderOf in one step, for a single file.
    [[nodiscard]] bool Commit(QString* error);
    // Removes the temporary file; the target stays as it was.
    void Discard();

    const QString& TargetPath() const { return m_targetPath; }
    const QString& TemporaryPath() const { return m_tempPath; }
    bool IsOpen() const { return m_fd >= 0; }

private:
    bool RenameBeside(QString* error);

    QString m_targetPath;
    QString m_tempPath;
    int m_fd = -1;
    qint64 m_written = 0;
    qint64 m_kicked = 0;             // bytes already handed to writeback
    unsigned m_finalPermissions = 0; // applied at Rename; 0 when Open already gave them
    bool m_keepExisting = false;
    bool m_keptBeside = false;
    QString m_keptSuffix;
};

// Renames from to to unless to names something (a dangling symbolic link included): then false with EEXIST in
// errno. Atomic where the file system supports it; linkOnly tries only the fallback for file systems
// without an exclusive rename (a hard link, then the removal of from).
bool RenameWithoutReplacing(const QString& from, const QString& to, bool linkOnly = false);

// Who a path named when it was read: the file it replaces is removed only if the path still names that
// same file, so that a file put there meanwhile (by this run or anyone else) is never lost.
// Size and both times tell whether the file was written to since (the change time moves even when a writer
// puts the modification time back).
struct CFileIdentity {
    quint64 Device = 0;
    quint64 Inode = 0;
    qint64 Size = -1;
    qint64 ModifiedNs = 0;
    qint64 ChangedNs = 0;
    quint64 Links = 0;
    unsigned Permissions = 0666;
    bool Valid = false;
    // False when the file kept changing within the current clock tick even after waits: a change in the
    // same tick could leave its times as they are, so the file cannot be told unchanged later.
    bool Settled = true;
};
// Valid only for a regular file; a symbolic link is not one (removing the link would leave its target).
CFileIdentity IdentityOf(const QString& path);
// IdentityOf for a file about to be read and later removed. Timestamps move in clock ticks; a file changed
// within the current tick is given the tick to settle, so that any later write moves its change time.
CFileIdentity IdentityBeforeReading(const QString& path);
// True when path names the same file as identity, with the same size and times.
bool IsUnchangedFile(const QString& path, const CFileIdentity& identity);
// Removes path when it still names the file described by identity, unchanged. True when it is gone.
bool RemoveIfSameFile(const QString& path, const CFileIdentity& identity);

// Removes the temporary files a writer of this program left in folder when it was killed before it could
// discard them: regular files named exactly as CAtomicFile names them and last changed before startedAt.
// A folder run calls it first, so that an interrupted run leaves no hidden partial copy behind for long (a
// decryption's would be plain text). Returns how many went.
int RemoveStaleTemporaries(const QString& folder, const QDateTime& startedAt);

// Makes the renames and removals of a folder's entries durable.
bool SyncFolderOf(const QString& path, QString* error);

// Completed outputs of a folder run, committed together: one wait for the disk covers many files, which keeps
// the safe order (data on disk, then rename, then removal of the replaced file) without paying a full
// flush per small file.
class CCommitBatch {
public:
    // What to do once a file is in place (typically removing the file it replaces), or that it failed;
    // committedAs is where it went, which a file that keeps existing ones (KeepExisting) may have changed.
    using Committed = std::function<void(bool ok, const QString& error, const QString& committedAs)>;

    explicit CCommitBatch(int maxFiles = 4096, qint64 maxBytes = 64 << 20);
    ~CCommitBatch(); // commits what is pending

    // Takes an output that has been completely written. Commits the batch when it is full.
    void Add(CAtomicFile file, qint64 bytes, Committed done);
    // Makes every pending file durable, renames them into place, syncs their folders, then reports each.
    // When the flush fails, every file of the batch fails: their temporary files go, their targets stay.
    void Commit();
    bool IsEmpty() const { return m_pending.empty(); }

private:
    struct CPending {
        CAtomicFile File;
        Committed Done;
    };
    std::vector<CPending> m_pending;
    int m_maxFiles;
    qint64 m_maxBytes;
    qint64 m_bytes = 0;
};

} // namespace veilpane
