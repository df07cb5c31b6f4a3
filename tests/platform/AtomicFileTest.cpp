#include "platform/AtomicFile.h"
#include "platform/FolderLock.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

using namespace veilpane;
using veilpane::test::CTempFolder;

namespace {

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace

// Both ways of renaming without replacing: the kernel's exclusive rename and the hard-link fallback for file
// systems without it.
TEST(AtomicFile, RenameWithoutReplacingLeavesATakenName) {
    for (const bool linkOnly : {false, true}) {
        CTempFolder folder;
        const QString from = folder.Write(QStringLiteral("from"), "new");
        const QString taken = folder.Write(QStringLiteral("taken"), "old");
        errno = 0;
        EXPECT_FALSE(RenameWithoutReplacing(from, taken, linkOnly)) << linkOnly;
        EXPECT_EQ(errno, EEXIST) << linkOnly;
        EXPECT_EQ(folder.Read(QStringLiteral("taken")), "old");
        // A dangling symbolic link holds its name too.
        const QString link = folder.FilePath(QStringLiteral("link"));
        ASSERT_TRUE(QFile::link(folder.FilePath(QStringLiteral("nowhere")), link));
        EXPECT_FALSE(RenameWithoutReplacing(from, link, linkOnly)) << linkOnly;
        EXPECT_TRUE(RenameWithoutReplacing(from, folder.FilePath(QStringLiteral("free")), linkOnly));
        EXPECT_EQ(Entries(folder.Path()),
                  (QStringList{QStringLiteral("free"), QStringLiteral("link"), QStringLiteral("taken")}))
            << linkOnly;
        EXPECT_EQ(folder.Read(QStringLiteral("free")), "new");
    }
}

// A name taken after the output was opened, as by another program meanwhile: with KeepExisting the output
// goes to the first free name, the file there stays; without it the name is replaced, as asked.
TEST(AtomicFile, KeepExistingGoesBesideANameTakenMeanwhile) {
    const struct {
        const char* Target;
        const char* Suffix;
        bool Keep;
        bool Batch;
        const char* CommittedAs;
    } cases[] = {
        {"r.txt", "", true, false, "r (3).txt"}, {"r.txt.cry", ".cry", true, false, "r (2).txt.cry"},
        {"r.txt", "", true, true, "r (3).txt"},  {"r.txt.cry", ".cry", true, true, "r (2).txt.cry"},
        {"r.txt", "", false, false, "r.txt"},    {"r.txt.cry", "", false, true, "r.txt.cry"},
    };
    for (const auto& c : cases) {
        CTempFolder folder;
        const QString target = folder.FilePath(QString::fromUtf8(c.Target));
        CAtomicFile file(target);
        if (c.Keep) {
            file.KeepExisting(QString::fromUtf8(c.Suffix));
        }
        QString error;
        ASSERT_TRUE(file.Open(&error));
        ASSERT_TRUE(file.Write("new", 3, &error));
        folder.Write(QString::fromUtf8(c.Target), "theirs");
        folder.Write(QStringLiteral("r (2).txt"), "taken too");
        QString committedAs;
        if (c.Batch) {
            CCommitBatch batch;
            batch.Add(std::move(file), 3, [&](bool ok, const QString& why, const QString& as) {
                EXPECT_TRUE(ok) << why.toStdString();
                committedAs = as;
            });
        } else {
            ASSERT_TRUE(file.Commit(&error)) << error.toStdString();
            EXPECT_EQ(file.KeptBeside(), c.Keep) << c.Target;
            committedAs = file.TargetPath();
        }
        EXPECT_EQ(committedAs, folder.FilePath(QString::fromUtf8(c.CommittedAs))) << c.Target;
        EXPECT_EQ(folder.Read(QString::fromUtf8(c.CommittedAs)), "new") << c.Target;
        if (c.Keep) {
            EXPECT_EQ(folder.Read(QString::fromUtf8(c.Target)), "theirs") << c.Target;
        }
        EXPECT_EQ(Entries(folder.Path()).size(), c.Keep ? 3 : 2) << "no temporary file left: " << c.Target;
    }
}

namespace {

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

unsigned ModeOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(Native(path).constData(), &info), 0) << path.toStdString();
    return info.st_mode & 07777;
}

void Overwrite(const QString& path, const QByteArray& bytes) {
    const int fd = ::open(Native(path).constData(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.constData(), bytes.size()), bytes.size());
    ::close(fd);
}

unsigned Umask() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

} // namespace

// A writer between the read and the removal: whatever it did, the file must stay.
TEST(FileIdentity, AnyWriteSinceReadingKeepsTheFile) {
    const struct {
        const char* Change;
        std::function<void(const QString&)> Do;
        bool Unchanged;
    } cases[] = {
        {"nothing", [](const QString&) {}, true},
        {"appended", [](const QString& path) { Overwrite(path, "journal entry 1\n+"); }, false},
        {"rewritten in place, same size", [](const QString& path) { Overwrite(path, "JOURNAL"); }, false},
        {"rewritten, modification time put back",
         [](const QString& path) {
             struct stat before {};
             ASSERT_EQ(::stat(Native(path).constData(), &before), 0);
             Overwrite(path, "JOURNAL");
             const timespec times[2] = {before.st_atim, before.st_mtim};
             ASSERT_EQ(::utimensat(AT_FDCWD, Native(path).constData(), times, 0), 0);
         },
         false},
        {"replaced by another file of the same size",
         [](const QString& path) {
             QFile other(path + QStringLiteral(".new"));
             ASSERT_TRUE(other.open(QIODevice::WriteOnly));
             other.write("journal entry 1\n");
             other.close();
             ASSERT_EQ(::rename(Native(other.fileName()).constData(), Native(path).constData()), 0);
         },
         false},
    };
    for (const auto& c : cases) {
        CTempFolder folder;
        const QString path = folder.Write(QStringLiteral("journal.log"), "journal entry 1\n");
        const CFileIdentity identity = IdentityBeforeReading(path);
        ASSERT_TRUE(identity.Valid && identity.Settled) << c.Change;
        c.Do(path);
        EXPECT_EQ(IsUnchangedFile(path, identity), c.Unchanged) << c.Change;
        EXPECT_EQ(RemoveIfSameFile(path, identity), c.Unchanged) << c.Change;
        EXPECT_EQ(QFile::exists(path), !c.Unchanged) << c.Change;
    }
}

// Times move in clock ticks: a change in the tick of the reading could leave them as they were read. The
// identity of a file changed moments ago is therefore taken once a later change is sure to move it, and an
// identity that could not settle never lets the file go. Written, read and rewritten at once, again and
// again: every rewrite is seen, and no identity is left unsettled (a file encrypted right after it was
// written used to be kept as "changed during the run" where the kernel stamps finely).
TEST(FileIdentity, AChangeRightAfterTheReadingIsSeen) {
    CTempFolder folder;
    const QString path = folder.Write(QStringLiteral("busy.log"), "0000");
    for (int round = 0; round < 200; ++round) {
        // Now and then after an idle moment, when a tickless kernel's coarse clock falls behind its stamps.
        if (round % 4 == 0) {
            ::usleep(15000);
        }
        Overwrite(path, round % 2 == 0 ? "1111" : "0000");
        const CFileIdentity identity = IdentityBeforeReading(path);
        ASSERT_TRUE(identity.Settled) << round;
        Overwrite(path, round % 2 == 0 ? "2222" : "3333");
        ASSERT_FALSE(IsUnchangedFile(path, identity)) << round;
    }

    CFileIdentity unsettled = IdentityBeforeReading(path);
    unsettled.Settled = false;
    EXPECT_FALSE(IsUnchangedFile(path, unsettled));
    EXPECT_FALSE(RemoveIfSameFile(path, unsettled));
    EXPECT_TRUE(QFile::exists(path));
}

TEST(FileIdentity, LinksAreCounted) {
    CTempFolder folder;
    const QString path = folder.Write(QStringLiteral("a"), "a");
    EXPECT_EQ(IdentityOf(path).Links, 1u);
    ASSERT_EQ(::link(Native(path).constData(), Native(folder.FilePath(QStringLiteral("b"))).constData()), 0);
    EXPECT_EQ(IdentityOf(path).Links, 2u);
}

// What a decryption writes is plain text: nobody but the owner may open it before it is complete.
TEST(AtomicFile, OwnerOnlyUntilTheRename) {
    const unsigned umask = Umask();
    const struct {
        unsigned Permissions;
        bool OwnerOnly;
        unsigned WhileWritten;
        unsigned Final;
    } cases[] = {
        {0644, true, 0600, 0644 & ~umask}, {0666, true, 0600 & ~umask, 0666 & ~umask},
        {0640, true, 0600, 0640 & ~umask}, {0600, true, 0600, 0600},
        {0444, true, 0400, 0444 & ~umask}, {0644, false, 0644 & ~umask, 0644 & ~umask},
    };
    for (const auto& c : cases) {
        CTempFolder folder;
        CAtomicFile file(folder.FilePath(QStringLiteral("plain.txt")));
        QString error;
        ASSERT_TRUE(file.Open(&error, c.Permissions, c.OwnerOnly)) << error.toStdString();
        ASSERT_TRUE(file.Write("secret", 6, &error));
        EXPECT_EQ(ModeOf(file.TemporaryPath()), c.WhileWritten) << std::oct << c.Permissions;
        ASSERT_TRUE(file.Commit(&error)) << error.toStdString();
        EXPECT_EQ(ModeOf(file.TargetPath()), c.Final) << std::oct << c.Permissions;
        EXPECT_EQ(folder.Read(QStringLiteral("plain.txt")), "secret");
    }
}

TEST(FolderLock, OneHolderAtATimeAndNoneLeftBehind) {
    CTempFolder folder;
    {
        const CFolderLock first(folder.Path());
        EXPECT_TRUE(first.Held());
        const CFolderLock second(folder.Path());
        EXPECT_FALSE(second.Held());
        EXPECT_TRUE(second.Busy());
    }
    const CFolderLock again(folder.Path());
    EXPECT_TRUE(again.Held());
    const CFolderLock missing(folder.FilePath(QStringLiteral("gone")));
    EXPECT_FALSE(missing.Held());
    EXPECT_FALSE(missing.Busy());
}
