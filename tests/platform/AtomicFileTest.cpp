#include "platform/AtomicFile.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>

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
