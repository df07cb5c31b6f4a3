#include "stego/ReportStatistics.h"

#include <cmath>
#include <cstdlib>

namespace veilpane {

CReportStatistics::CHistogram ComputeHistogram(const CBitmap& image) {
    CReportStatistics::CHistogram histogram;
    const std::uint32_t width = image.Width();
    const std::uint32_t height = image.Height();
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t* row = image.ConstScanLine(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            const std::uint32_t value = row[x];
            ++histogram.Red[(value >> 16) & 255u];
            ++histogram.Green[(value >> 8) & 255u];
            ++histogram.Blue[value & 255u];
        }
    }
    return histogram;
}

double ChannelEntropy(const CReportStatistics::CChannelCounts& counts, std::uint32_t total) {
    // Each probability and each p ln p product is rounded to single precision, as the report has always
    // computed them, so that its figures stay comparable; only the sum runs in double.
    const double ln2 = std::log(2.0);
    double entropy = 0.0;
    for (const std::uint32_t n : counts) {
        if (n == 0) {
            continue;
        }
        const float p = static_cast<float>(n) / static_cast<float>(total);
        if (p > 0.0f) {
            const float t = static_cast<float>(std::log(static_cast<double>(p))) * p;
            entropy -= t / ln2;
        }
    }
    return entropy;
}

namespace {

std::int64_t CountDistance(const CReportStatistics::CChannelCounts& a,
                           const CReportStatistics::CChannelCounts& b) {
    std::int64_t distance = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        distance += std::llabs(static_cast<std::int64_t>(a[i]) - static_cast<std::int64_t>(b[i]));
    }
    return distance;
}

} // namespace

double CReportStatistics::ComputeImageEntropy(const CBitmap* image) {
    if (!image || !image->IsValid()) {
        return 0.0;
    }
    const CHistogram histogram = ComputeHistogram(*image);
    if (HistogramPhase == 1) {
        HistogramPhase = 0;
        SavedHistogram = histogram;
    } else {
        HistogramPhase = 1;
        HistogramDifference = static_cast<std::int32_t>(CountDistance(SavedHistogram.Red, histogram.Red) +
                                                        CountDistance(SavedHistogram.Green, histogram.Green) +
                                                        CountDistance(SavedHistogram.Blue, histogram.Blue));
    }
    // The pixel count is a 32-bit product, as the format counts capacity.
    const std::uint32_t total = image->Width() * image->Height();
    const double red = ChannelEntropy(histogram.Red, total);
    const double green = ChannelEntropy(histogram.Green, total);
    const double blue = ChannelEntropy(histogram.Blue, total);
    return green + red + blue;
}

} // namespace veilpane
