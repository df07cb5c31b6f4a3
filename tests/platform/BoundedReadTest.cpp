#include "platform/BoundedRead.h"

#include <QBuffer>

#include <gtest/gtest.h>

using namespace veilpane;

TEST(BoundedRead, StopsOneBytePastTheLimit) {
    // Sizes around the limit and around the read's own chunks of 64 KiB.
    constexpr qint64 limit = 70'000;
    const struct {
        qint64 Size;
        bool TooLong;
    } cases[] = {{0, false},     {1, false},        {65'536, false},        {limit - 1, false},
                 {limit, false}, {limit + 1, true}, {limit + 65'537, true}, {10 * limit, true}};
    for (const auto& c : cases) {
        QByteArray content(static_cast<qsizetype>(c.Size), 'z');
        QBuffer device(&content);
        ASSERT_TRUE(device.open(QIODevice::ReadOnly));
        const CBoundedRead read = ReadAtMost(device, limit);
        EXPECT_EQ(read.TooLong, c.TooLong) << c.Size;
        EXPECT_FALSE(read.Failed) << c.Size;
        EXPECT_EQ(read.Bytes.size(), std::min(c.Size, limit + 1)) << c.Size;
        EXPECT_EQ(device.pos(), std::min(c.Size, limit + 1)) << c.Size;
    }
}
