#include "platform/FolderFiles.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace veilpane;
using veilpane::test::CTempFolder;

namespace {

QStringList Names(const QStringList& paths, const QString& folder) {
    QStringList names;
    for (const QString& path : paths) {
        EXPECT_TRUE(path.startsWith(folder + QLatin1Char('/'))) << path.toStdString();
        names.append(path.mid(folder.size() + 1));
    }
    names.sort();
    return names;
}

} // namespace

TEST(ListFolderFiles, RegularFilesOnlyAndPatternsWithoutRegardToCase) {
    CTempFolder folder;
    for (const char* name :
         {"a.b.c", "Photo.JPG", "notes.cry", "Upper.CRY", "x.crypt", "README", ".profile", ".hidden.cry"}) {
        folder.Write(QString::fromUtf8(name), "x");
    }
    ASSERT_TRUE(QDir(folder.Path()).mkdir(QStringLiteral("sub.cry")));
    ASSERT_TRUE(
        QFile::link(folder.FilePath(QStringLiteral("a.b.c")), folder.FilePath(QStringLiteral("link.cry"))));
    ASSERT_EQ(mkfifo(QFile::encodeName(folder.FilePath(QStringLiteral("pipe.cry"))).constData(), 0600), 0);

    QStringList all;
    ListFolderFiles(folder.Path(), QStringLiteral("*.*"), all);
    EXPECT_EQ(Names(all, folder.Path()),
              (QStringList{QStringLiteral("Photo.JPG"), QStringLiteral("README"), QStringLiteral("Upper.CRY"),
                           QStringLiteral("a.b.c"), QStringLiteral("notes.cry"), QStringLiteral("x.crypt")}));

    QStringList encrypted{QStringLiteral("kept")}; // the lister appends
    ListFolderFiles(folder.Path(), QStringLiteral("*.cry"), encrypted);
    ASSERT_FALSE(encrypted.isEmpty());
    EXPECT_EQ(encrypted.takeFirst(), QStringLiteral("kept"));
    EXPECT_EQ(Names(encrypted, folder.Path()),
              (QStringList{QStringLiteral("Upper.CRY"), QStringLiteral("notes.cry")}));

    QStringList missing;
    ListFolderFiles(folder.FilePath(QStringLiteral("nope")), QStringLiteral("*.*"), missing);
    EXPECT_TRUE(missing.isEmpty());
}

// Names that are not valid UTF-8 have no QString that names them again: they come from a list of their own,
// shown with their odd bytes written out, and never from ListFolderFiles.
TEST(ListFolderFiles, NamesThatAreNotUtf8ComeApart) {
    CTempFolder folder;
    const QByteArray base = QFile::encodeName(folder.Path() + QLatin1Char('/'));
    for (const QByteArray& name : {QByteArray("caf\xe9.txt"), QByteArray("old\xff.CRY"), QByteArray(".x\xe9"),
                                   QByteArray("fine \xc3\xa9.txt")}) {
        const int fd = ::open((base + name).constData(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0) << name.toStdString();
        ::close(fd);
    }
    ASSERT_EQ(::mkdir((base + "dir\xe9").constData(), 0700), 0);
    QStringList listed;
    ListFolderFiles(folder.Path(), QStringLiteral("*.*"), listed);
    EXPECT_EQ(Names(listed, folder.Path()), QStringList{QStringLiteral("fine é.txt")});
    EXPECT_EQ(Names(UndecodableFolderFiles(folder.Path(), QStringLiteral("*.*")), folder.Path()),
              (QStringList{QStringLiteral("caf\\xE9.txt"), QStringLiteral("old\\xFF.CRY")}));
    EXPECT_EQ(Names(UndecodableFolderFiles(folder.Path(), QStringLiteral("*.cry")), folder.Path()),
              QStringList{QStringLiteral("old\\xFF.CRY")});
    EXPECT_TRUE(
        UndecodableFolderFiles(folder.FilePath(QStringLiteral("nope")), QStringLiteral("*.*")).isEmpty());
    // QTemporaryDir cannot name them to remove them.
    for (const char* name : {"caf\xe9.txt", "old\xff.CRY", ".x\xe9"}) {
        ::unlink((base + name).constData());
    }
    ::rmdir((base + "dir\xe9").constData());
}

TEST(ListFolderFiles, ShownFileNames) {
    const struct {
        QByteArray Name;
        QString Shown;
    } cases[] = {
        {"plain.txt", QStringLiteral("plain.txt")},
        {"\xc3\xa9t\xc3\xa9.txt", QStringLiteral("été.txt")},
        {"caf\xe9", QStringLiteral("caf\\xE9")},
        {"\xc3", QStringLiteral("\\xC3")},                          // cut short
        {"\xc0\xaf", QStringLiteral("\\xC0\\xAF")},                 // overlong "/"
        {"\xed\xa0\x80", QStringLiteral("\\xED\\xA0\\x80")},        // a surrogate
        {"\xf0\x9f\x94\x92 key", QStringLiteral("\U0001F512 key")}, // four bytes
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShownFileName(c.Name), c.Shown) << c.Name.toHex().toStdString();
    }
}
