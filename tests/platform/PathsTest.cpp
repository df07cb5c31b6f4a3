#include "platform/Paths.h"
#include "platform/ExistingFile.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace veilpane;

TEST(Paths, FileNameOfPathAndConfinement) {
    const struct {
        const char* Path;
        const char* Name;
        const char* Plain;
    } cases[] = {
        {"C:\\data\\photo.jpg", "photo.jpg", "photo.jpg"},
        {"/home/u/notes.txt", "notes.txt", "notes.txt"},
        {"a/b\\c.bin", "c.bin", "c.bin"},
        {"plain.bin", "plain.bin", "plain.bin"},
        {"folder/", "", ""},
        {"../../x.bin", "x.bin", "x.bin"},
        {"..", "..", ""},
        {"a/..", "..", ""},
        {".", ".", ""},
        {"..\\..\\evil.dll", "evil.dll", "evil.dll"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileNameOfPath(QString::fromUtf8(c.Path)), QString::fromUtf8(c.Name)) << c.Path;
        EXPECT_EQ(PlainFileName(QString::fromUtf8(c.Path)), QString::fromUtf8(c.Plain)) << c.Path;
    }
    EXPECT_EQ(PlainFileName(QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b.txt")),
              QStringLiteral("ab.txt"));
}

TEST(ExistingFile, FreeNameSkipsTakenNamesAndKeepsTheExtension) {
    const test::CTempFolder folder;
    folder.Write(QStringLiteral("r.txt"), "a");
    folder.Write(QStringLiteral("r (2).txt"), "b");
    folder.Write(QStringLiteral("Notes (2).TXT.cry"), "c");
    const struct {
        const char* Name;
        const char* SuffixAfter;
        const char* Free;
    } cases[] = {
        {"r.txt", "", "r (3).txt"},       {"Notes.TXT", ".cry", "Notes (3).TXT.cry"},
        {"README", "", "README (2)"},     {".profile", "", ".profile (2)"},
        {"a.tar.gz", "", "a.tar (2).gz"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            FreeNameBeside(folder.FilePath(QString::fromUtf8(c.Name)), QString::fromUtf8(c.SuffixAfter)),
            folder.FilePath(QString::fromUtf8(c.Free)))
            << c.Name;
    }
    bool all = true;
    EXPECT_EQ(ExistingFileChoice(MessageResult::KeepBoth, &all), ExistingFile::KeepBoth);
    EXPECT_FALSE(all);
    EXPECT_EQ(ExistingFileChoice(MessageResult::SkipAll, &all), ExistingFile::Skip);
    EXPECT_TRUE(all);
}
