#include "stego/PixelBitStream.h"
#include "crypto/CipherProfile.h"
#include "stego/ChannelGenerator.h"
#include "stego/PayloadFormat.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace veilpane;
using veilpane::test::MakeNoiseBitmap;

namespace {

QByteArray Pattern(int length, int salt) {
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i) {
        bytes[i] = static_cast<char>((i * 131 + salt * 17 + (i >> 3)) & 0xFF);
    }
    return bytes;
}

} // namespace

TEST(ChannelGenerator, ReproducesTheClassicRandSequence) {
    // The first values of the classic runtime's rand() after srand(1) and srand(12345).
    CChannelGenerator generator;
    generator.Seed(1);
    EXPECT_EQ(generator.Next(), 41);
    EXPECT_EQ(generator.Next(), 18467);
    EXPECT_EQ(generator.Next(), 6334);
    EXPECT_EQ(generator.Next(), 26500);
    generator.Seed(12345);
    EXPECT_EQ(generator.Next(), 7584);
    // Restarting throws one draw away.
    RestartChannelSequence(generator, 1);
    EXPECT_EQ(generator.Next(), 18467);
}

// Width 1000: data from (152, 1); 1152: from (0, 1); 2000: from (1152, 0).
class BitStreamRoundTrip : public testing::TestWithParam<std::uint32_t> {};

TEST_P(BitStreamRoundTrip, WritesReadsAndTouchesOnlyPayloadPixels) {
    const std::uint32_t width = GetParam();
    const auto height = static_cast<std::uint32_t>(PayloadPixelCount(1000) / width + 3);
    const CBitmap original = MakeNoiseBitmap(width, height, width, /*withAlpha=*/true);
    CBitmap bitmap = original.Copy();
    const QByteArray header = Pattern(144, 1);
    const QByteArray data = Pattern(1000, 2);
    CBitWriteCounts counts;
    ASSERT_TRUE(WritePayloadBits(bitmap, header, data, ComputeStegoSeed("corvide2741"), counts));
    EXPECT_EQ(counts.Processed, PayloadPixelCount(1000));
    EXPECT_GT(counts.Modified, 0u);
    EXPECT_LE(counts.Modified, counts.Processed);

    EXPECT_EQ(ReadHiddenBytes(bitmap, 0, 144), header);
    EXPECT_EQ(ReadHiddenBytes(bitmap, HeaderPixelCount, 1000), data);
    const std::uint32_t dataX = HeaderPixelCount % width;
    const std::uint32_t dataY = HeaderPixelCount / width;
    // The first data bit is the least significant bit of data byte 0, in blue of pixel (dataX, dataY).
    EXPECT_EQ(bitmap.GetPixel(dataX, dataY) & 1u, static_cast<std::uint32_t>(data[0] & 1));

    std::uint64_t modified = 0;
    const std::uint64_t last = PayloadPixelCount(1000);
    for (std::uint32_t y = 0; y < bitmap.Height(); ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t before = original.GetPixel(x, y);
            const std::uint32_t after = bitmap.GetPixel(x, y);
            const std::uint64_t k = static_cast<std::uint64_t>(y) * width + x;
            if (k >= last) {
                ASSERT_EQ(before, after) << "untouched past the payload at " << x << "," << y;
                continue;
            }
            // Alpha and the upper seven bits of every channel never change.
            ASSERT_EQ(before & 0xFFFEFEFEu, after & 0xFFFEFEFEu) << x << "," << y;
            // Red set implies green set implies blue carries the bit: the choice writes one of three masks.
            const std::uint32_t bit = after & 1u;
            const bool greenTaken = ((after >> 8) & 1u) == bit;
            const bool redTaken = ((after >> 16) & 1u) == bit;
            if (((before ^ after) & 0x00010000u) != 0) {
                ASSERT_TRUE(greenTaken);
            }
            (void)redTaken;
            modified += ((before ^ after) & 0x00010101u) != 0;
        }
    }
    EXPECT_EQ(modified, counts.Modified);
}

INSTANTIATE_TEST_SUITE_P(Widths, BitStreamRoundTrip, testing::Values(1000u, 1152u, 2000u, 1u, 7u));

TEST(BitStream, ChannelChoiceFollowsTheSeededSequence) {
    // An all-ones carrier written with zero bits shows exactly which channels each draw chose.
    CBitmap bitmap(1152, 2);
    for (std::uint32_t y = 0; y < 2; ++y) {
        for (std::uint32_t x = 0; x < 1152; ++x) {
            bitmap.SetPixel(x, y, 0xFF010101u);
        }
    }
    const std::uint32_t seed = ComputeStegoSeed("corvide2741");
    CBitWriteCounts counts;
    ASSERT_TRUE(WritePayloadBits(bitmap, QByteArray(144, '\0'), QByteArray(16, '\0'), seed, counts));
    EXPECT_EQ(counts.Modified, counts.Processed);
    const std::uint32_t expected[3] = {0xFF000000u, 0xFF010000u, 0xFF010100u};
    CChannelGenerator generator;
    RestartChannelSequence(generator, seed);
    for (std::uint32_t x = 0; x < 1152; ++x) {
        ASSERT_EQ(bitmap.GetPixel(x, 0), expected[ChannelChoice(generator)]) << x;
    }
    // The sequence restarts for the data block.
    RestartChannelSequence(generator, seed);
    for (std::uint32_t x = 0; x < 128; ++x) {
        ASSERT_EQ(bitmap.GetPixel(x, 1), expected[ChannelChoice(generator)]) << x;
    }
    EXPECT_EQ(bitmap.GetPixel(128, 1), 0xFF010101u);
}

TEST(BitStream, RefusesTooSmallImagesAndReadsZerosPastTheEnd) {
    CBitmap small = MakeNoiseBitmap(40, 38);
    const CBitmap before = small.Copy();
    CBitWriteCounts counts;
    // 40 x 38 = 1520 pixels; 144 + 48 bytes need 1536.
    EXPECT_FALSE(WritePayloadBits(small, QByteArray(144, 'h'), QByteArray(48, 'd'), 1, counts));
    EXPECT_EQ(test::CountDifferentPixels(small, before), 0);
    EXPECT_TRUE(WritePayloadBits(small, QByteArray(144, 'h'), QByteArray(46, 'd'), 1, counts));

    // Fewer pixels than a header: the missing bytes read as zero.
    const CBitmap tiny = MakeNoiseBitmap(10, 10);
    const QByteArray read = ReadHiddenBytes(tiny, 0, 144);
    ASSERT_EQ(read.size(), 144);
    EXPECT_EQ(read.mid(13), QByteArray(131, '\0'));
    EXPECT_EQ(read.at(12) & 0xF0, 0);
    EXPECT_EQ(ReadHiddenBytes(CBitmap(), 0, 4), QByteArray(4, '\0'));
    EXPECT_TRUE(ReadHiddenBytes(tiny, 0, 0).isEmpty());
}

TEST(BitStream, CarriersOfEveryPixelFormatRoundTrip) {
    // Palette, grayscale, 16-bit and premultiplied carriers become ARGB32 so that every written bit lands.
    const QImage base = MakeNoiseBitmap(64, 40, 9, true).Image();
    const QImage::Format formats[] = {QImage::Format_Indexed8, QImage::Format_Grayscale8,
                                      QImage::Format_RGB16,    QImage::Format_ARGB32_Premultiplied,
                                      QImage::Format_RGBA64,   QImage::Format_Grayscale16,
                                      QImage::Format_Mono,     QImage::Format_RGB888};
    const QByteArray header = Pattern(144, 3);
    const QByteArray data = Pattern(100, 4);
    for (QImage::Format format : formats) {
        SCOPED_TRACE(static_cast<int>(format));
        CBitmap bitmap(base.convertToFormat(format));
        ASSERT_EQ(bitmap.Image().format(), QImage::Format_ARGB32);
        CBitWriteCounts counts;
        ASSERT_TRUE(WritePayloadBits(bitmap, header, data, 77, counts));
        EXPECT_EQ(ReadHiddenBytes(bitmap, 0, 144), header);
        EXPECT_EQ(ReadHiddenBytes(bitmap, HeaderPixelCount, 100), data);
    }
}

TEST(BitStream, CopyOnWriteNeverChangesASharedImage) {
    const CBitmap original = MakeNoiseBitmap(200, 10);
    CBitmap shared(original.Image()); // shares the pixel data until written
    CBitWriteCounts counts;
    ASSERT_TRUE(WritePayloadBits(shared, Pattern(144, 5), Pattern(10, 6), 3, counts));
    EXPECT_EQ(test::CountDifferentPixels(original, MakeNoiseBitmap(200, 10)), 0);
    EXPECT_GT(test::CountDifferentPixels(original, shared), 0);
}
