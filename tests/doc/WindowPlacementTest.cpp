#include "doc/WindowPlacement.h"
#include "platform/SettingsStore.h"

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
