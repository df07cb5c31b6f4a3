#include "stego/MessageFile.h"
#include "stego/HiddenContent.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace veilpane;

TEST(MessageFile, Names) {
    const struct {
        QString Entry;
        QString Expected;
    } cases[] = {
        {QStringLiteral("photo.jpg"), QStringLiteral("photo.txt")},
        {QStringLiteral("scan"), QStringLiteral("scan.txt")},
        {QStringLiteral("Holiday.Photo.PNG"), QStringLiteral("holiday.photo.txt")},
        {QStringLiteral("NOTES.TXT.bak"), QStringLiteral("notes.txt.txt")},
        {QStringLiteral(".hidden"), QStringLiteral(".txt")},
        {QString(70, QLatin1Char('a')) + QStringLiteral(".png"), QString(58, QLatin1Char('a')) + ".txt"},
        {QString(58, QLatin1Char('b')), QString(58, QLatin1Char('b')) + ".txt"},
        // 30 two-byte letters are 60 bytes: cut to 29 whole letters, never half a character.
        {QString(30, QChar(0x00E9)) + ".jpg", QString(29, QChar(0x00E9)) + ".txt"},
        {QString(30, QChar(0x00C9)), QString(29, QChar(0x00E9)) + ".txt"},
    };
    for (const auto& c : cases) {
        const QString name = MessageFileName(c.Entry);
        EXPECT_EQ(name, c.Expected) << c.Entry.toStdString();
        EXPECT_LE(name.toUtf8().size(), 62);
    }
}

TEST(MessageFile, ContentEndsEveryLineWithCrLf) {
    EXPECT_EQ(MessageFileContent(QStringLiteral("hello")), QByteArray("hello\r\n"));
    EXPECT_EQ(MessageFileContent(QStringLiteral("a\nb\n")), QByteArray("a\r\nb\r\n\r\n"));
    EXPECT_EQ(MessageFileContent(QString()), QByteArray("\r\n"));
    EXPECT_EQ(MessageFileContent(QStringLiteral("caf\u00e9")), QByteArray("caf\xc3\xa9\r\n"));
}

TEST(MessageFile, HiddenFromAPrivateFolderThatIsRemovedAfterwards) {
    test::CTempFolder temp;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temp.Path()));
    CBitmap image = test::MakeNoiseBitmap(120, 90);
    CReportStatistics statistics;
    const CHideResult result = HideMessageInImage(&image, QStringLiteral("photo.jpg"),
                                                  QStringLiteral("hello"), "secret-1", statistics);
    if (oldTmp.isNull()) {
        qunsetenv("TMPDIR");
    } else {
        qputenv("TMPDIR", oldTmp);
    }
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result.Value.HiddenName, "photo.txt");
    // The private folder was made under TMPDIR and is gone; nothing landed in the working directory.
    EXPECT_TRUE(QDir(temp.Path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("photo.txt")));

    CPasswordSet set;
    set.Passwords[0] = "secret-1";
    const CHiddenContent found = FindHiddenContent(image, set, false, HiddenOutput::Text).Value;
    EXPECT_EQ(found.Kind, HiddenMessage);
    EXPECT_EQ(found.Name, QStringLiteral("photo.txt"));
    EXPECT_EQ(found.Content, QByteArray("hello\r\n"));
    EXPECT_EQ(found.Content.size(), 7);
}

TEST(MessageFile, AFolderThatCannotBeMadeIsAMissingFile) {
    const QByteArray oldTmp = qgetenv("TMPDIR");
    test::CTempFolder temp;
    // A regular file where the temporary folder should go.
    qputenv("TMPDIR", QFile::encodeName(temp.Write(QStringLiteral("not-a-folder"), "x")));
    CBitmap image = test::MakeNoiseBitmap(120, 90);
    const CBitmap before = image.Copy();
    CReportStatistics statistics;
    const CHideResult result = HideMessageInImage(&image, QStringLiteral("photo.jpg"),
                                                  QStringLiteral("hello"), "secret-1", statistics);
    if (oldTmp.isNull()) {
        qunsetenv("TMPDIR");
    } else {
        qputenv("TMPDIR", oldTmp);
    }
    EXPECT_FALSE(result.Ok());
    ASSERT_TRUE(result.Message);
    EXPECT_EQ(*result.Message, FileToHideNotFoundMessage());
    EXPECT_EQ(test::CountDifferentPixels(before, image), 0);
}
