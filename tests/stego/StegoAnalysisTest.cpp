#include "stego/StegoAnalysis.h"
#include "stego/LsbEstimators.h"
#include "stego/PixelBitStream.h"

#include "../tools/samples/SamplePictures.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

// A painted picture with the gradients and texture of a photograph, the same on every run.
CBitmap Picture() {
    return CBitmap(samples::SunsetDunes(800, 600));
}

} // namespace

TEST(LsbEstimators, SpaClassifiesPairsAndSolvesTheQuadratic) {
    CSpaCounts counts;
    counts.Add(2, 2); // Z
    counts.Add(2, 3); // W and Y: v odd, u < v
    counts.Add(5, 4); // W and Y: v even, u > v
    counts.Add(3, 6); // X: v even, u < v
    counts.Add(6, 1); // X: v odd, u > v
    EXPECT_EQ(counts.P, 5);
    EXPECT_EQ(counts.Z, 1);
    EXPECT_EQ(counts.W, 2);
    EXPECT_EQ(counts.X, 2);
    EXPECT_EQ(counts.Y, 2);
    // 12p^2 - 20p + 4 = 0: the smaller root (5 - sqrt 13) / 6.
    EXPECT_NEAR(SpaRate({.X = 40, .Y = 44, .Z = 16, .W = 8, .P = 100}), (5.0 - std::sqrt(13.0)) / 6.0, 1e-12);
    EXPECT_DOUBLE_EQ(SpaRate({.X = 30, .Y = 40, .Z = 10, .W = 10, .P = 80}), 1.0); // (p - 1)^2 = 0
    EXPECT_DOUBLE_EQ(SpaRate({.X = 50, .Y = 50, .Z = 0, .W = 0, .P = 100}), 0.0);
}

TEST(LsbEstimators, RsCountsRegularAndSingularGroupsAndSolvesForTheRate) {
    CRsCounts counts;
    // Smoothness 5; 0110 gives (10,13,12,15): 7, regular; its negation (10,11,14,15): 5, neither. All bits
    // flipped, (11,13,12,14): 5; 0110 gives 3, singular; its negation (11,14,11,14): 9, regular.
    counts.Add(10, 12, 13, 15);
    EXPECT_EQ(counts.Groups, 1);
    EXPECT_EQ(counts.Mask, 1);
    EXPECT_EQ(counts.NegMask, 0);
    EXPECT_EQ(counts.FlippedMask, -1);
    EXPECT_EQ(counts.FlippedNegMask, 1);
    // d0 0.2, d1 0.1, d-0 0.3, d-1 0.3: 0.6z^2 - 0.7z - 0.1 = 0, z = (0.7 - sqrt 0.73) / 1.2.
    const double z = (0.7 - std::sqrt(0.73)) / 1.2;
    EXPECT_NEAR(RsRate({.Groups = 10, .Mask = 2, .NegMask = 3, .FlippedMask = 1, .FlippedNegMask = 3}),
                z / (z - 0.5), 1e-12);
}

TEST(LsbEstimators, WsWeighsByTheNeighboursVariance) {
    CWsSums sums;
    // Neighbours 4, 6, 6, 8: mean 6, variance 2, weight 1/7; 7 is odd, so s minus s-flipped is +1.
    EXPECT_NEAR(sums.Add(7, 24, 152, 4), 1.0 / 7.0, 1e-12);
    EXPECT_NEAR(sums.Add(6, 24, 152, 4), 0.0, 1e-12);
    EXPECT_NEAR(WsRate(sums), 1.0, 1e-12);
}

TEST(LsbEstimators, ChiSquareAndItsGammaFunction) {
    EXPECT_NEAR(UpperIncompleteGammaQ(3.0, 1.0), 2.5 / std::exp(1.0), 1e-12); // series branch
    EXPECT_NEAR(UpperIncompleteGammaQ(1.0, 2.0), std::exp(-2.0), 1e-12);      // continued fraction
    EXPECT_NEAR(UpperIncompleteGammaQ(0.5, 1.0), std::erfc(1.0), 1e-12);
    std::array<std::int64_t, 256> even{};
    std::array<std::int64_t, 256> natural{};
    for (int v = 0; v < 256; ++v) {
        even[static_cast<std::size_t>(v)] = 100;
        natural[static_cast<std::size_t>(v)] = v % 2 ? 40 : 160;
    }
    EXPECT_DOUBLE_EQ(ChiSquarePValue(even), 1.0);
    EXPECT_LT(ChiSquarePValue(natural), 1e-6);
    EXPECT_DOUBLE_EQ(ChiSquarePValue({}), 0.0);
}

// Every sample's lowest bit replaced by a random bit with probability rate: each estimator finds about rate.
class RateOnPicture : public testing::TestWithParam<double> {};

TEST_P(RateOnPicture, EveryEstimatorFindsTheRate) {
    CBitmap image = Picture();
    QRandomGenerator random(17);
    for (std::uint32_t y = 0; y < image.Height(); ++y) {
        std::uint32_t* row = image.ScanLine(y);
        for (std::uint32_t x = 0; x < image.Width(); ++x) {
            for (int shift : {0, 8, 16}) {
                if (random.generateDouble() < GetParam()) {
                    row[x] = (row[x] & ~(1u << shift)) | ((random.generate() & 1u) << shift);
                }
            }
        }
    }
    const CStegoAnalysis analysis = AnalyseStego(image);
    for (const CChannelEstimates& channel : analysis.Whole.Channels) {
        const double tolerance = 0.03 + 0.15 * GetParam();
        EXPECT_NEAR(channel.Spa, GetParam(), tolerance);
        EXPECT_NEAR(channel.Rs, GetParam(), tolerance);
        EXPECT_NEAR(channel.Ws, GetParam(), tolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, RateOnPicture, testing::Values(0.0, 0.05, 0.2, 0.5));

// A payload as the hide writes it, of random bytes: the analysis finds where it ends and how long it is.
class SequentialPayload : public testing::TestWithParam<int> {};

TEST_P(SequentialPayload, EndAndSizeFound) {
    const CBitmap cover = Picture();
    CBitmap image = cover.Copy();
    QRandomGenerator random(5);
    QByteArray header(144, '\0');
    QByteArray data(GetParam(), '\0');
    for (QByteArray* bytes : {&header, &data}) {
        for (char& byte : *bytes) {
            byte = static_cast<char>(random.generate());
        }
    }
    CBitWriteCounts counts;
    ASSERT_TRUE(WritePayloadBits(image, header, data, 4242, counts));
    const int endRow = static_cast<int>((counts.Processed - 1) / image.Width());
    const CStegoAnalysis analysis = AnalyseStego(image);
    EXPECT_EQ(analysis.Verdict, StegoVerdict::Stego);
    EXPECT_NEAR(analysis.PayloadEndRow, endRow, 2);
    EXPECT_NEAR(static_cast<double>(analysis.EstimatedBytes), 144.0 + GetParam(), 0.2 * (144 + GetParam()));
    // With the cover, rows below the change are taken from it: the figures must not move.
    const CStegoAnalysis withCover = AnalyseStego(image, &cover);
    ASSERT_TRUE(withCover.Cover.has_value());
    EXPECT_DOUBLE_EQ(withCover.Whole.FusedScore, analysis.Whole.FusedScore);
    EXPECT_EQ(withCover.PayloadEndPixel, analysis.PayloadEndPixel);
}

INSTANTIATE_TEST_SUITE_P(DataLengths, SequentialPayload, testing::Values(32, 2000, 30000));

TEST(StegoAnalysis, CleanPictureAndTooSmallImages) {
    const CStegoAnalysis clean = AnalyseStego(Picture());
    EXPECT_EQ(clean.Verdict, StegoVerdict::Clean);
    EXPECT_EQ(clean.EstimatedBytes, 0);
    EXPECT_FALSE(clean.Whole.GenericFlag());
    // Fewer pixels than the smallest payload, and no image at all.
    EXPECT_EQ(AnalyseStego(CBitmap(30, 30)).Verdict, StegoVerdict::Clean);
    EXPECT_EQ(AnalyseStego(CBitmap()).Width, 0u);
}
