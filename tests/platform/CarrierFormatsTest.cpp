// Carriers made by an independent tool in the pixel layouts people's files use (palette, grayscale,
// 16-bit, with and without alpha): each loads as the same 32-bit ARGB pixels that tool decodes, and takes
// a payload in every pixel.
#include "platform/Bitmap.h"
#include "stego/PayloadFormat.h"
#include "stego/PixelBitStream.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

struct CCarrier {
    const char* Name;
    QStringList MakeArgs; // ImageMagick arguments before the output name
    int Tolerance = 0;    // 16-bit channels round to 8 bits either way
};

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift = 0; shift < 32; shift += 8) {
        if (std::abs(static_cast<int>((a >> shift) & 0xFFu) - static_cast<int>((b >> shift) & 0xFFu)) >
            tolerance) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(CarrierFormats, LoadAsTheIndependentDecodeAndCarryBits) {
    if (!test::HaveProgram(QStringLiteral("convert"))) {
        GTEST_SKIP() << "ImageMagick not installed";
    }
    test::CTempFolder folder;
    const QStringList gradient = {QStringLiteral("-size"), QStringLiteral("48x40"),
                                  QStringLiteral("gradient:#ff8000-#0040c0")};
    const CCarrier carriers[] = {
        {"palette.png",
         gradient + QStringList{QStringLiteral("-colors"), QStringLiteral("60"), QStringLiteral("png8:")}},
        {"palette-alpha.png",
         {QStringLiteral("-size"), QStringLiteral("48x40"), QStringLiteral("xc:none"),
          QStringLiteral("-fill"), QStringLiteral("rgba(200,100,50,0.5)"), QStringLiteral("-draw"),
          QStringLiteral("rectangle 4,4 30,30"), QStringLiteral("png8:")}},
        {"gray8.png", gradient + QStringList{QStringLiteral("-colorspace"), QStringLiteral("Gray"),
                                             QStringLiteral("-depth"), QStringLiteral("8")}},
        {"gray16.png",
         gradient + QStringList{QStringLiteral("-colorspace"), QStringLiteral("Gray"),
                                QStringLiteral("-depth"), QStringLiteral("16")},
         1},
        {"rgb16.png", gradient + QStringList{QStringLiteral("-depth"), QStringLiteral("16")}, 1},
        {"rgba.png",
         gradient + QStringList{QStringLiteral("-alpha"), QStringLiteral("set"), QStringLiteral("-channel"),
                                QStringLiteral("A"), QStringLiteral("-evaluate"), QStringLiteral("set"),
                                QStringLiteral("40%"), QStringLiteral("+channel"), QStringLiteral("-depth"),
                                QStringLiteral("8")}},
        {"palette.bmp",
         gradient + QStringList{QStringLiteral("-colors"), QStringLiteral("100"), QStringLiteral("-type"),
                                QStringLiteral("Palette"), QStringLiteral("bmp3:")}},
        {"rgb.tif", gradient + QStringList{QStringLiteral("-depth"), QStringLiteral("8")}},
        {"rgba.tif",
         gradient + QStringList{QStringLiteral("-alpha"), QStringLiteral("set"), QStringLiteral("-channel"),
                                QStringLiteral("A"), QStringLiteral("-evaluate"), QStringLiteral("set"),
                                QStringLiteral("25%"), QStringLiteral("+channel"), QStringLiteral("-depth"),
                                QStringLiteral("8")}},
    };
    for (const CCarrier& carrier : carriers) {
        SCOPED_TRACE(carrier.Name);
        const QString path = folder.FilePath(QString::fromLatin1(carrier.Name));
        QStringList args = carrier.MakeArgs;
        // A trailing "png8:" style prefix belongs to the output name.
        QString output = path;
        if (!args.isEmpty() && args.last().endsWith(QLatin1Char(':'))) {
            output = args.takeLast() + path;
        }
        const auto made = test::RunProgram(QStringLiteral("convert"), args << output);
        ASSERT_EQ(made.ExitCode, 0) << made.Err.toStdString();

        const auto decoded =
            test::RunProgram(QStringLiteral("convert"),
                             {path, QStringLiteral("-depth"), QStringLiteral("8"), QStringLiteral("rgba:-")});
        ASSERT_EQ(decoded.ExitCode, 0);
        CBitmap bitmap = CBitmap::Load(path);
        ASSERT_TRUE(bitmap.IsValid()) << bitmap.ErrorText().toStdString();
        ASSERT_EQ(bitmap.Image().format(), QImage::Format_ARGB32);
        ASSERT_EQ(decoded.Out.size(), static_cast<qsizetype>(bitmap.Width() * bitmap.Height() * 4));
        int mismatches = 0;
        for (std::uint32_t y = 0; y < bitmap.Height(); ++y) {
            for (std::uint32_t x = 0; x < bitmap.Width(); ++x) {
                const auto* rgba = reinterpret_cast<const std::uint8_t*>(decoded.Out.constData()) +
                                   4 * (static_cast<std::size_t>(y) * bitmap.Width() + x);
                const std::uint32_t pixel = bitmap.GetPixel(x, y);
                const std::uint32_t alpha = pixel >> 24;
                // Fully transparent pixels have no colour worth comparing.
                const std::uint32_t mask = alpha == 0 ? 0xFF000000u : 0xFFFFFFFFu;
                const std::uint32_t expected = (static_cast<std::uint32_t>(rgba[3]) << 24) |
                                               (static_cast<std::uint32_t>(rgba[0]) << 16) |
                                               (static_cast<std::uint32_t>(rgba[1]) << 8) | rgba[2];
                mismatches += !Near(pixel & mask, expected & mask, carrier.Tolerance);
            }
        }
        EXPECT_EQ(mismatches, 0);

        // 48 x 40 = 1920 pixels: the header and 96 bytes fill them all.
        const QByteArray header(144, '\x5a');
        const QByteArray data(96, '\xa5');
        CBitWriteCounts counts;
        ASSERT_TRUE(WritePayloadBits(bitmap, header, data, 1234, counts));
        EXPECT_EQ(counts.Processed, 1920u);
        EXPECT_EQ(ReadHiddenBytes(bitmap, 0, 144), header);
        EXPECT_EQ(ReadHiddenBytes(bitmap, HeaderPixelCount, 96), data);

        // And the bits survive a lossless save and reload.
        const QString saved = folder.FilePath(QStringLiteral("saved.png"));
        ASSERT_TRUE(bitmap.Save(saved, QStringLiteral("image/png")));
        const CBitmap back = CBitmap::Load(saved);
        EXPECT_EQ(ReadHiddenBytes(back, HeaderPixelCount, 96), data);
    }
}
