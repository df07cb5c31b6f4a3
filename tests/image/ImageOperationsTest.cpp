#include "image/ImageOperations.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

using namespace veilpane;
using namespace veilpane::test;

namespace {

std::uint32_t Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}
std::uint32_t Red(std::uint32_t p) {
    return (p >> 16) & 0xFF;
}
std::uint32_t Green(std::uint32_t p) {
    return (p >> 8) & 0xFF;
}
std::uint32_t Blue(std::uint32_t p) {
    return p & 0xFF;
}
std::uint32_t Alpha(std::uint32_t p) {
    return p >> 24;
}

// One row holding the given opaque grey levels.
CBitmap GreyRow(const std::vector<int>& levels) {
    CBitmap row(static_cast<std::uint32_t>(levels.size()), 1);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const auto v = static_cast<std::uint32_t>(levels[i]);
        row.SetPixel(static_cast<std::uint32_t>(i), 0, Argb(255, v, v, v));
    }
    return row;
}

std::uint32_t FloatBits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

// --- Fixed vectors: channel in -> channel out, for opaque pixels -------------------------------------------

struct CChannelCase {
    const char* Name;
    ImageOperation Operation;
    int Value;
    std::vector<std::pair<int, int>> Levels; // in, expected out
};

void PrintTo(const CChannelCase& c, std::ostream* os) {
    *os << c.Name;
}

class ChannelVectors : public testing::TestWithParam<CChannelCase> {};

TEST_P(ChannelVectors, OpaqueGreyLevelsMapAsWorkedOutByHand) {
    const CChannelCase& c = GetParam();
    std::vector<int> in;
    for (const auto& [level, expected] : c.Levels) {
        in.push_back(level);
    }
    const CBitmap result = ApplyImageOperation(GreyRow(in), c.Operation, c.Value);
    ASSERT_EQ(result.Width(), in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const std::uint32_t p = result.GetPixel(static_cast<std::uint32_t>(i), 0);
        EXPECT_EQ(static_cast<int>(Red(p)), c.Levels[i].second) << "level " << in[i];
        EXPECT_EQ(Green(p), Red(p));
        EXPECT_EQ(Blue(p), Red(p));
        EXPECT_EQ(Alpha(p), 255u);
    }
}

// Worked out as round(255 * clamp(f(v / 255))) in single precision; the Sharpen rows at 25, 30 and 60 fall
// on the other side of a half with -0.1f instead of the exact constant.
INSTANTIATE_TEST_SUITE_P(
    ImageOperations, ChannelVectors,
    testing::Values(
        CChannelCase{
            "Negative", ImageOperation::Negative, 0, {{0, 255}, {1, 254}, {100, 155}, {127, 128}, {255, 0}}},
        CChannelCase{"Lighten",
                     ImageOperation::Lighten,
                     0,
                     {{0, 51}, {48, 99}, {100, 151}, {203, 254}, {204, 255}, {255, 255}}},
        CChannelCase{"Darken",
                     ImageOperation::Darken,
                     0,
                     {{0, 0}, {51, 0}, {52, 1}, {100, 49}, {128, 77}, {255, 204}}},
        CChannelCase{"Contrast",
                     ImageOperation::Contrast,
                     0,
                     {{0, 0},
                      {48, 0},
                      {51, 5},
                      {101, 85},
                      {127, 127},
                      {128, 128},
                      {199, 242},
                      {207, 255},
                      {255, 255}}},
        CChannelCase{"Sharpen",
                     ImageOperation::Sharpen,
                     0,
                     {{0, 0},
                      {21, 0},
                      {22, 1},
                      {25, 4},
                      {30, 10},
                      {60, 46},
                      {101, 96},
                      {127, 127},
                      {128, 128},
                      {233, 254},
                      {234, 255},
                      {255, 255}}},
        CChannelCase{"GammaTwoPointTwo",
                     ImageOperation::Gamma,
                     2200,
                     {{0, 0}, {1, 21}, {64, 136}, {128, 186}, {255, 255}}},
        CChannelCase{
            "GammaHalf", ImageOperation::Gamma, 500, {{0, 0}, {16, 1}, {128, 64}, {200, 157}, {255, 255}}},
        CChannelCase{
            "GammaOne", ImageOperation::Gamma, 1000, {{0, 0}, {1, 1}, {77, 77}, {254, 254}, {255, 255}}},
        CChannelCase{"GammaNotPositive", ImageOperation::Gamma, 0, {{0, 0}, {99, 99}, {255, 255}}},
        CChannelCase{"GammaNegative", ImageOperation::Gamma, -2200, {{0, 0}, {99, 99}, {255, 255}}},
        CChannelCase{
            "ThresholdZero", ImageOperation::Threshold, 0, {{0, 0}, {1, 255}, {128, 255}, {255, 255}}},
        CChannelCase{"ThresholdMiddle",
                     ImageOperation::Threshold,
                     100,
                     {{0, 0}, {99, 0}, {100, 0}, {101, 255}, {255, 255}}},
        CChannelCase{"ThresholdTop", ImageOperation::Threshold, 255, {{0, 0}, {128, 0}, {254, 0}, {255, 0}}},
        CChannelCase{"ThresholdAboveRangeClamps", ImageOperation::Threshold, 300, {{0, 0}, {255, 0}}},
        CChannelCase{"ThresholdBelowRangeClamps", ImageOperation::Threshold, -5, {{0, 0}, {1, 255}}}),
    [](const testing::TestParamInfo<CChannelCase>& info) { return std::string(info.param.Name); });

// --- The matrices ------------------------------------------------------------------------------------------

TEST(ImageOperations, MatricesHoldTheExactSinglePrecisionConstants) {
    const auto sharpen = ColorMatrixFor(ImageOperation::Sharpen);
    ASSERT_TRUE(sharpen);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(FloatBits((*sharpen)[4][c]), 0xBDCCCCD0u) << "not the float nearest to -0.1";
        EXPECT_EQ((*sharpen)[c][c], 1.2f);
    }
    const auto gray = ColorMatrixFor(ImageOperation::Grayscale);
    ASSERT_TRUE(gray);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ((*gray)[0][c], 0.299f);
        EXPECT_EQ((*gray)[1][c], 0.587f);
        EXPECT_EQ((*gray)[2][c], 0.114f);
        EXPECT_EQ((*gray)[4][c], 0.0f);
    }
    EXPECT_EQ((*ColorMatrixFor(ImageOperation::Contrast))[4][0], -0.3f);
    EXPECT_EQ((*ColorMatrixFor(ImageOperation::Contrast))[1][1], 1.6f);
    EXPECT_EQ((*ColorMatrixFor(ImageOperation::Lighten))[4][2], 0.2f);
    EXPECT_EQ((*ColorMatrixFor(ImageOperation::Darken))[4][1], -0.2f);
    EXPECT_EQ((*ColorMatrixFor(ImageOperation::Negative))[2][2], -1.0f);
    EXPECT_EQ((*ColorMatrixFor(ImageOperation::Negative))[4][2], 1.0f);
    for (ImageOperation op : {ImageOperation::Negative, ImageOperation::Grayscale, ImageOperation::Lighten,
                              ImageOperation::Darken, ImageOperation::Contrast, ImageOperation::Sharpen}) {
        const CColorMatrix m = *ColorMatrixFor(op);
        // Alpha passes unchanged through every one of them.
        EXPECT_EQ(m[3][3], 1.0f);
        EXPECT_EQ(m[4][4], 1.0f);
        for (int i = 0; i < 5; ++i) {
            if (i != 3) {
                EXPECT_EQ(m[i][3], 0.0f);
                EXPECT_EQ(m[3][i], 0.0f);
            }
        }
    }
    EXPECT_FALSE(ColorMatrixFor(ImageOperation::Mirror));
    EXPECT_FALSE(ColorMatrixFor(ImageOperation::Gamma));
}

TEST(ImageOperations, GammaIsStoredInThousandthsTruncatedTowardZero) {
    EXPECT_EQ(GammaOperationValue(2.2), 2200);
    EXPECT_EQ(GammaOperationValue(0.5), 500);
    EXPECT_EQ(GammaOperationValue(4.35), 4350); // single precision, as the dialog holds it
    EXPECT_EQ(GammaOperationValue(1.0009), 1000);
    EXPECT_EQ(GammaOperationValue(0.0004), 0);
    EXPECT_EQ(GammaOperationValue(-0.0004), 0);
    EXPECT_EQ(GammaOperationValue(-1.9999), -1999);
    EXPECT_EQ(GammaOperationValue(2147483.0), 2147483008); // the float nearest to 2147483000
    EXPECT_EQ(GammaOperationValue(2147484.0), 0);          // does not fit 32 bits
    EXPECT_EQ(GammaOperationValue(1e300), 0);
    EXPECT_EQ(GammaOperationValue(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(GammaOperationValue(std::numeric_limits<double>::quiet_NaN()), 0);
}

// --- Whole images ------------------------------------------------------------------------------------------

TEST(ImageOperations, GrayscaleWeighsTheChannelsIntoEqualOnes) {
    CBitmap image(5, 1);
    image.SetPixel(0, 0, Argb(255, 255, 0, 0));
    image.SetPixel(1, 0, Argb(255, 0, 255, 0));
    image.SetPixel(2, 0, Argb(255, 0, 0, 255));
    image.SetPixel(3, 0, Argb(255, 100, 150, 200));
    image.SetPixel(4, 0, Argb(255, 255, 255, 255));
    const CBitmap gray = ApplyImageOperation(image, ImageOperation::Grayscale);
    // 0.299 x 255 = 76.2, 0.587 x 255 = 149.7, 0.114 x 255 = 29.1, 29.9 + 88.05 + 22.8 = 140.75.
    const std::uint32_t expected[] = {76, 150, 29, 141, 255};
    for (std::uint32_t x = 0; x < 5; ++x) {
        EXPECT_EQ(gray.GetPixel(x, 0), Argb(255, expected[x], expected[x], expected[x])) << x;
    }

    const CBitmap source = MakeNoiseBitmap(97, 61, 5, true);
    const CBitmap noise = ApplyImageOperation(source, ImageOperation::Grayscale);
    int opaque = 0;
    for (std::uint32_t y = 0; y < noise.Height(); ++y) {
        for (std::uint32_t x = 0; x < noise.Width(); ++x) {
            const std::uint32_t p = noise.GetPixel(x, y);
            // Translucent pixels blend with their old colour and keep some of it.
            if (Alpha(source.GetPixel(x, y)) == 255) {
                ++opaque;
                ASSERT_EQ(Red(p), Green(p));
                ASSERT_EQ(Green(p), Blue(p));
            }
        }
    }
    EXPECT_GT(opaque, 0);
}

TEST(ImageOperations, LightenKeepsWhiteDarkenKeepsBlackContrastAndSharpenPushAwayFromTheMiddle) {
    std::vector<int> all;
    for (int v = 0; v < 256; ++v) {
        all.push_back(v);
    }
    const CBitmap row = GreyRow(all);
    const CBitmap lighter = ApplyImageOperation(row, ImageOperation::Lighten);
    const CBitmap darker = ApplyImageOperation(row, ImageOperation::Darken);
    EXPECT_EQ(lighter.GetPixel(255, 0), 0xFFFFFFFFu);
    EXPECT_EQ(darker.GetPixel(0, 0), 0xFF000000u);
    for (ImageOperation op : {ImageOperation::Contrast, ImageOperation::Sharpen}) {
        const CBitmap result = ApplyImageOperation(row, op);
        for (int v = 0; v < 256; ++v) {
            const int out = static_cast<int>(Red(result.GetPixel(static_cast<std::uint32_t>(v), 0)));
            // 127.5 is the fixed point: 127 and 128 stay, everything else moves away from it (or stays at
            // the ends, where it is clamped).
            if (v <= 127) {
                EXPECT_LE(out, v) << v;
            } else {
                EXPECT_GE(out, v) << v;
            }
            if (v == 127 || v == 128) {
                EXPECT_EQ(out, v);
            }
        }
    }
}

TEST(ImageOperations, NegativeTwiceRestoresAnOpaqueImage) {
    const CBitmap image = MakeNoiseBitmap(123, 77, 9);
    const CBitmap twice =
        ApplyImageOperation(ApplyImageOperation(image, ImageOperation::Negative), ImageOperation::Negative);
    EXPECT_EQ(CountDifferentPixels(twice, image), 0);
    EXPECT_GT(CountDifferentPixels(ApplyImageOperation(image, ImageOperation::Negative), image), 0);
}

TEST(ImageOperations, TranslucentPixelsBlendWithTheirPreviousColour) {
    CBitmap image(4, 1);
    image.SetPixel(0, 0, Argb(128, 200, 100, 0));
    image.SetPixel(1, 0, Argb(1, 200, 100, 0));
    image.SetPixel(2, 0, Argb(254, 200, 100, 0));
    image.SetPixel(3, 0, Argb(0, 200, 100, 0));
    const CBitmap result = ApplyImageOperation(image, ImageOperation::Negative);
    // New colour (55, 155, 255) painted at alpha a over the old one: (new x 255 + old x (255 - a)) /
    // (510 - a), alpha a x (510 - a) / 255.
    EXPECT_EQ(result.GetPixel(0, 0), Argb(192, 103, 137, 170));
    EXPECT_EQ(result.GetPixel(1, 0), Argb(2, 127, 128, 128));
    EXPECT_EQ(result.GetPixel(2, 0), Argb(255, 56, 155, 254));
    // Nothing is painted where the pixel is fully transparent.
    EXPECT_EQ(result.GetPixel(3, 0), Argb(0, 200, 100, 0));
}

TEST(ImageOperations, TheRedrawIsSourceOverAsQtPaintsIt) {
    // An independent painter: the new colours with the old alpha, drawn over the old image.
    const CBitmap image = MakeNoiseBitmap(64, 64, 3, true);
    for (ImageOperation op :
         {ImageOperation::Negative, ImageOperation::Grayscale, ImageOperation::Contrast}) {
        const CBitmap ours = ApplyImageOperation(image, op);
        QImage brush = image.Image().copy();
        for (int y = 0; y < brush.height(); ++y) {
            auto* line = reinterpret_cast<std::uint32_t*>(brush.scanLine(y));
            for (int x = 0; x < brush.width(); ++x) {
                // The operation on the opaque colour, then the pixel's own alpha back.
                const std::uint32_t opaque = (line[x] & 0xFFFFFFu) | 0xFF000000u;
                const std::uint32_t fresh =
                    ApplyImageOperation(
                        CBitmap(QImage(reinterpret_cast<const uchar*>(&opaque), 1, 1, QImage::Format_ARGB32)
                                    .copy()),
                        op)
                        .GetPixel(0, 0);
                line[x] = (line[x] & 0xFF000000u) | (fresh & 0xFFFFFFu);
            }
        }
        QImage canvas = image.Image().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        {
            QPainter painter(&canvas);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            painter.drawImage(0, 0, brush);
        }
        const QImage qt = canvas.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < qt.height(); ++y) {
            for (int x = 0; x < qt.width(); ++x) {
                const std::uint32_t a =
                    ours.GetPixel(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
                const std::uint32_t b = qt.pixel(x, y);
                ASSERT_NEAR(Alpha(a), Alpha(b), 1) << x << "," << y;
                // Qt keeps the old image premultiplied in 8 bits, which loses colour precision at low alpha.
                if (Alpha(image.GetPixel(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y))) >=
                    64) {
                    ASSERT_NEAR(Red(a), Red(b), 3) << x << "," << y;
                    ASSERT_NEAR(Green(a), Green(b), 3) << x << "," << y;
                    ASSERT_NEAR(Blue(a), Blue(b), 3) << x << "," << y;
                }
            }
        }
    }
}

TEST(ImageOperations, GeometricOperationsMovePixelsWithoutChangingThem) {
    // 3 x 2, every pixel distinct and translucent ones among them (nothing is blended here):
    //   a b c
    //   d e f
    CBitmap image(3, 2);
    const std::uint32_t a = 0x11223344, b = 0xFF000001, c = 0x80FFFFFF, d = 0x00ABCDEF, e = 0xFF102030,
                        f = 0x7F7F7F7F;
    image.SetPixel(0, 0, a);
    image.SetPixel(1, 0, b);
    image.SetPixel(2, 0, c);
    image.SetPixel(0, 1, d);
    image.SetPixel(1, 1, e);
    image.SetPixel(2, 1, f);
    auto rows = [](const CBitmap& bitmap) {
        std::vector<std::vector<std::uint32_t>> out(bitmap.Height());
        for (std::uint32_t y = 0; y < bitmap.Height(); ++y) {
            for (std::uint32_t x = 0; x < bitmap.Width(); ++x) {
                out[y].push_back(bitmap.GetPixel(x, y));
            }
        }
        return out;
    };
    using Rows = std::vector<std::vector<std::uint32_t>>;
    EXPECT_EQ(rows(ApplyImageOperation(image, ImageOperation::Mirror)), (Rows{{c, b, a}, {f, e, d}}));
    EXPECT_EQ(rows(ApplyImageOperation(image, ImageOperation::Flip)), (Rows{{d, e, f}, {a, b, c}}));
    EXPECT_EQ(rows(ApplyImageOperation(image, ImageOperation::RotateRight)), (Rows{{d, a}, {e, b}, {f, c}}));
    EXPECT_EQ(rows(ApplyImageOperation(image, ImageOperation::RotateLeft)), (Rows{{c, f}, {b, e}, {a, d}}));
    // The source is left as it was.
    EXPECT_EQ(rows(image), (Rows{{a, b, c}, {d, e, f}}));
}

TEST(ImageOperations, RotationsComeBackToTheStart) {
    const CBitmap image = MakeNoiseBitmap(41, 17, 4, true);
    const CBitmap back = ApplyImageOperation(ApplyImageOperation(image, ImageOperation::RotateRight),
                                             ImageOperation::RotateLeft);
    EXPECT_EQ(CountDifferentPixels(back, image), 0);
    CBitmap turned = image;
    for (int i = 0; i < 4; ++i) {
        turned = ApplyImageOperation(turned, ImageOperation::RotateRight);
        EXPECT_EQ(turned.Width(), i % 2 == 0 ? 17u : 41u);
    }
    EXPECT_EQ(CountDifferentPixels(turned, image), 0);
}

TEST(ImageOperations, EmptyImagesGiveEmptyResults) {
    for (int op = 0; op <= static_cast<int>(ImageOperation::Threshold); ++op) {
        EXPECT_FALSE(ApplyImageOperation(CBitmap(), static_cast<ImageOperation>(op), 1000).IsValid()) << op;
    }
}

// Large images are cut into bands worked on by several threads: every row must come out as it does alone.
TEST(ImageOperations, BandsOfALargeImageMatchTheRowsDoneOneByOne) {
    // Large enough for the results to be made in huge pages where the system has them.
    const CBitmap image = MakeNoiseBitmap(1450, 1450, 12, true);
    for (ImageOperation op :
         {ImageOperation::Grayscale, ImageOperation::Sharpen, ImageOperation::Threshold}) {
        const CBitmap whole = ApplyImageOperation(image, op, 90);
        ASSERT_EQ(whole.Height(), image.Height());
        for (std::uint32_t y = 0; y < image.Height(); ++y) {
            const CBitmap row =
                ApplyImageOperation(CBitmap(image.Image().copy(0, static_cast<int>(y), 1450, 1)), op, 90);
            ASSERT_EQ(std::memcmp(row.ConstScanLine(0), whole.ConstScanLine(y), 1450 * 4), 0) << "row " << y;
        }
    }
}

// --- Against ImageMagick -----------------------------------------------------------------------------------

struct CMagickCase {
    const char* Name;
    ImageOperation Operation;
    int Value;
    QStringList Arguments;
    int Tolerance; // 0: the same pixels
};

void PrintTo(const CMagickCase& c, std::ostream* os) {
    *os << c.Name;
}

class AgainstImageMagick : public testing::TestWithParam<CMagickCase> {};

TEST_P(AgainstImageMagick, OpaqueImageGivesThePixelsImageMagickGives) {
    if (!HaveProgram(QStringLiteral("convert"))) {
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    }
    const CMagickCase& c = GetParam();
    CTempFolder temp;
    const CBitmap image = MakeNoiseBitmap(67, 43, 21);
    const QString input = temp.FilePath(QStringLiteral("in.png"));
    const QString output = temp.FilePath(QStringLiteral("out.png"));
    CBitmap(image).Save(input, QStringLiteral("image/png"));
    const auto run =
        RunProgram(QStringLiteral("convert"),
                   QStringList{input} + c.Arguments + QStringList{QStringLiteral("PNG32:") + output});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.constData();
    const CBitmap magick = CBitmap::Load(output);
    const CBitmap ours = ApplyImageOperation(image, c.Operation, c.Value);
    ASSERT_EQ(ours.Width(), magick.Width());
    ASSERT_EQ(ours.Height(), magick.Height());
    if (c.Tolerance == 0) {
        EXPECT_EQ(CountDifferentPixels(ours, magick), 0);
        return;
    }
    for (std::uint32_t y = 0; y < ours.Height(); ++y) {
        for (std::uint32_t x = 0; x < ours.Width(); ++x) {
            const std::uint32_t a = ours.GetPixel(x, y);
            const std::uint32_t b = magick.GetPixel(x, y);
            ASSERT_EQ(Alpha(a), Alpha(b));
            ASSERT_NEAR(Red(a), Red(b), c.Tolerance) << x << "," << y;
            ASSERT_NEAR(Green(a), Green(b), c.Tolerance) << x << "," << y;
            ASSERT_NEAR(Blue(a), Blue(b), c.Tolerance) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    ImageOperations, AgainstImageMagick,
    testing::Values(
        CMagickCase{"Mirror", ImageOperation::Mirror, 0, {QStringLiteral("-flop")}, 0},
        CMagickCase{"Flip", ImageOperation::Flip, 0, {QStringLiteral("-flip")}, 0},
        CMagickCase{"RotateRight",
                    ImageOperation::RotateRight,
                    0,
                    {QStringLiteral("-rotate"), QStringLiteral("90")},
                    0},
        CMagickCase{"RotateLeft",
                    ImageOperation::RotateLeft,
                    0,
                    {QStringLiteral("-rotate"), QStringLiteral("-90")},
                    0},
        CMagickCase{"Negative", ImageOperation::Negative, 0, {QStringLiteral("-negate")}, 0},
        CMagickCase{"Grayscale",
                    ImageOperation::Grayscale,
                    0,
                    {QStringLiteral("-color-matrix"),
                     QStringLiteral("0.299 0.587 0.114 0.299 0.587 0.114 0.299 0.587 0.114")},
                    1},
        CMagickCase{
            "Gamma", ImageOperation::Gamma, 2200, {QStringLiteral("-gamma"), QStringLiteral("2.2")}, 1},
        CMagickCase{"Lighten",
                    ImageOperation::Lighten,
                    0,
                    {QStringLiteral("-function"), QStringLiteral("polynomial"), QStringLiteral("1,0.2")},
                    1},
        CMagickCase{"Contrast",
                    ImageOperation::Contrast,
                    0,
                    {QStringLiteral("-function"), QStringLiteral("polynomial"), QStringLiteral("1.6,-0.3")},
                    1}),
    [](const testing::TestParamInfo<CMagickCase>& info) { return std::string(info.param.Name); });

} // namespace
