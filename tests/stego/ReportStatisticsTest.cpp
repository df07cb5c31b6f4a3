#include "stego/ReportStatistics.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

CBitmap FromPixels(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& pixels) {
    CBitmap bitmap(width, height);
    for (std::uint32_t i = 0; i < pixels.size(); ++i) {
        bitmap.SetPixel(i % width, i / width, pixels[i]);
    }
    return bitmap;
}

// Every channel value 0 to 255 once in each channel: 256 equally filled bins per channel.
CBitmap AllValues() {
    std::vector<std::uint32_t> pixels;
    for (std::uint32_t v = 0; v < 256; ++v) {
        pixels.push_back(0xFF000000u | (v << 16) | (((v * 7u) & 255u) << 8) | ((255u - v) & 255u));
    }
    return FromPixels(16, 16, pixels);
}

struct CEntropyCase {
    const char* Name;
    CBitmap Image;
    double Expected; // computed apart with the same single-precision steps
};

} // namespace

TEST(ReportStatistics, EntropyFixedValues) {
    // The single-precision steps make a two-bin channel 1.0000000027 bits, not 1.0, and 256 equal bins
    // 8.000000022: a computation in double only fails these.
    const CEntropyCase cases[] = {
        {"one colour", FromPixels(7, 5, std::vector<std::uint32_t>(35, 0xFF123456u)), 0.0},
        {"black and white", FromPixels(2, 1, {0xFF000000u, 0xFFFFFFFFu}), 3.000000008243506},
        {"three colours", FromPixels(3, 1, {0xFF010203u, 0xFF040506u, 0xFF070809u}), 3 * 1.5849625723313587},
        {"every value", AllValues(), 24.00000006594811},
    };
    for (const auto& c : cases) {
        CReportStatistics statistics;
        EXPECT_NEAR(statistics.ComputeImageEntropy(&c.Image), c.Expected, 1e-12) << c.Name;
    }
}

TEST(ReportStatistics, HistogramPhasesAlternate) {
    CReportStatistics statistics;
    // No image: 0.0 and the state untouched, so the next call with an image still stores.
    EXPECT_EQ(statistics.ComputeImageEntropy(nullptr), 0.0);
    const CBitmap empty;
    EXPECT_EQ(statistics.ComputeImageEntropy(&empty), 0.0);
    EXPECT_EQ(statistics.HistogramPhase, 1);

    const CBitmap first = FromPixels(2, 2, {0xFF0000C8u, 0xFF0000C8u, 0xFF102030u, 0xFF405060u});
    const CBitmap second = FromPixels(2, 2, {0xFF0000C9u, 0xFF0000C8u, 0xFF102030u, 0xFF405060u});
    statistics.HistogramDifference = 77; // the last hide's value stays until the second call
    statistics.ComputeImageEntropy(&first);
    EXPECT_EQ(statistics.HistogramPhase, 0);
    EXPECT_EQ(statistics.SavedHistogram.Blue[200], 2u);
    EXPECT_EQ(statistics.SavedHistogram.Red[0x40], 1u);
    EXPECT_EQ(statistics.HistogramDifference, 77);

    // One blue value 200 -> 201 moves one count between neighbouring bins: difference 2.
    statistics.ComputeImageEntropy(&second);
    EXPECT_EQ(statistics.HistogramPhase, 1);
    EXPECT_EQ(statistics.HistogramDifference, 2);

    // A third call stores again and leaves the difference alone.
    statistics.ComputeImageEntropy(&second);
    EXPECT_EQ(statistics.HistogramPhase, 0);
    EXPECT_EQ(statistics.HistogramDifference, 2);
    EXPECT_EQ(statistics.SavedHistogram.Blue[201], 1u);
}

TEST(ReportStatistics, DifferenceCountsEveryChannelOnBusyImages) {
    const CBitmap before = test::MakeNoiseBitmap(64, 48, 3);
    CBitmap after = before.Copy();
    // Flip the lowest bit of red in ten pixels and of all three channels in five others.
    std::int64_t expected = 0;
    for (std::uint32_t i = 0; i < 15; ++i) {
        const std::uint32_t mask = i < 10 ? 0x00010000u : 0x00010101u;
        after.SetPixel(i * 3, i, after.GetPixel(i * 3, i) ^ mask);
    }
    // The independent count: bins compared one by one.
    const auto a = ComputeHistogram(before);
    const auto b = ComputeHistogram(after);
    for (int i = 0; i < 256; ++i) {
        expected += std::abs(static_cast<std::int64_t>(a.Red[i]) - b.Red[i]) +
                    std::abs(static_cast<std::int64_t>(a.Green[i]) - b.Green[i]) +
                    std::abs(static_cast<std::int64_t>(a.Blue[i]) - b.Blue[i]);
    }
    EXPECT_GT(expected, 0);
    EXPECT_LE(expected, 2 * (10 + 15));
    CReportStatistics statistics;
    statistics.ComputeImageEntropy(&before);
    statistics.ComputeImageEntropy(&after);
    EXPECT_EQ(statistics.HistogramDifference, expected);
}
