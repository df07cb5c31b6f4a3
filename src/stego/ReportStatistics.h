#pragma once

#include "platform/Bitmap.h"

#include <array>
#include <cstdint>

namespace veilpane {

// The histogram state a hide leaves behind for its report. Every hide computes the entropy twice, before
// and after its pixel loop: the first call stores the histogram of the untouched image, the second
// compares the changed image with it. The document owns one of these; the terminal program uses one per
// hide.
class CReportStatistics {
public:
    using CChannelCounts = std::array<std::uint32_t, 256>;
    struct CHistogram {
        CChannelCounts Red{};
        CChannelCounts Green{};
        CChannelCounts Blue{};
        bool operator==(const CHistogram&) const = default;
    };

    // The summed Shannon entropy in bits of the red, green and blue channels, 0 to 24, with the
    // single-precision steps of the original report so that its figures come out the same. Stores or
    // compares the histogram, alternating. Without an image returns 0.0 and leaves the state alone.
    double ComputeImageEntropy(const CBitmap* image);

    CHistogram SavedHistogram;
    std::int32_t HistogramDifference = 0;
    std::uint8_t HistogramPhase = 1; // 1: the next call stores; 0: the next call compares
};

// The three channel histograms of an image, y from the top, x from the left.
CReportStatistics::CHistogram ComputeHistogram(const CBitmap& image);

// The entropy of one channel's counts over total pixels, by the report's single-precision steps.
double ChannelEntropy(const CReportStatistics::CChannelCounts& counts, std::uint32_t total);

} // namespace veilpane
