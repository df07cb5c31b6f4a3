#include "platform/FolderFiles.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

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
