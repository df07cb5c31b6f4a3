#include "doc/WindowPlacement.h"
#include "doc/FolderHistory.h"
#include "platform/SettingsStore.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace veilpane;

TEST(WindowPlacement, SixteenLittleEndianBytesOrNothing) {
    // left 320, top 10, right 780, bottom 750: the default window of 460 x 740.
    const QByteArray stored = QByteArray::fromHex("40010000"
                                                  "0a000000"
                                                  "0c030000"
                                                  "ee020000");
    EXPECT_EQ(EncodeWindowRect(QRect(320, 10, 460, 740)), stored);
    EXPECT_EQ(DecodeWindowRect(stored), QRect(320, 10, 460, 740));
    // Negative coordinates (a window on a monitor left of the main one) survive.
    EXPECT_EQ(DecodeWindowRect(EncodeWindowRect(QRect(-1500, -20, 800, 600))), QRect(-1500, -20, 800, 600));

    EXPECT_FALSE(DecodeWindowRect(stored.left(15)));
    EXPECT_FALSE(DecodeWindowRect(stored + '\0'));
    EXPECT_FALSE(DecodeWindowRect(QByteArray()));
    EXPECT_FALSE(DecodeWindowRect(EncodeWindowRect(QRect(0, 0, 0, 10))));
    EXPECT_FALSE(DecodeWindowRect(QByteArray::fromHex("ffffff7f"
                                                      "00000000"
                                                      "00000080"
                                                      "10000000")));

    CMemorySettingsStore settings;
    EXPECT_FALSE(ReadWindowRect(settings, {"MainWindowPos"}));
    WriteWindowRect(settings, {"MainWindowPos"}, QRect(5, 6, 70, 80));
    EXPECT_EQ(settings.GetBinary(SettingsSection, QStringLiteral("MainWindowPos"))->size(), 16);
    EXPECT_EQ(ReadWindowRect(settings, {"MainWindowPos"}), QRect(5, 6, 70, 80));
    settings.WriteBinary(SettingsSection, QStringLiteral("FolderWindowPos"), QByteArray(12, '\1'));
    EXPECT_FALSE(ReadWindowRect(settings, {"FolderWindowPos"}));
}

// The recent folders: newest first, each once, at most MaxRecentFolders, as stored and as read back.
TEST(RecentFolders, NewestFirstOnceAndBounded) {
    QStringList folders;
    for (int i = 0; i < MaxRecentFolders + 3; ++i) {
        folders = WithRecentFolder(folders, QStringLiteral("/f%1").arg(i));
    }
    folders = WithRecentFolder(folders, QStringLiteral("/f5/"));
    ASSERT_EQ(folders.size(), MaxRecentFolders);
    EXPECT_EQ(folders.mid(0, 3), (QStringList{"/f5", "/f10", "/f9"}));

    CMemorySettingsStore settings;
    EXPECT_TRUE(ReadRecentFolders(settings).isEmpty());
    WriteRecentFolders(settings, folders);
    EXPECT_EQ(ReadRecentFolders(settings), folders);
    // A list edited by hand: duplicates and empty lines do not come back.
    settings.WriteString(SettingsSection, QStringLiteral("RecentFolders"), QStringLiteral("/a\n\n/b\n/a/"));
    EXPECT_EQ(ReadRecentFolders(settings), (QStringList{"/a", "/b"}));

    EXPECT_EQ(ExpandTypedFolder(QStringLiteral("  sub/../other "), QStringLiteral("/base")),
              QStringLiteral("/base/other"));
    EXPECT_EQ(ExpandTypedFolder(QStringLiteral("~/x"), QString()), QDir::homePath() + QStringLiteral("/x"));
}
