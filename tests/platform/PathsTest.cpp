#include "platform/Paths.h"

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
