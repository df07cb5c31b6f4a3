#include "support/TestImages.h"

namespace veilpane::test {

CBitmap MakeNoiseBitmap(std::uint32_t width, std::uint32_t height, std::uint32_t seed, bool withAlpha) {
    CBitmap bitmap(width, height);
    std::uint32_t state = seed * 2654435761u + 1u;
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint32_t* row = bitmap.ScanLine(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const std::uint32_t alpha = withAlpha ? ((x + y) * 7u) & 0xFFu : 0xFFu;
            const std::uint32_t red = (x * 255u / (width ? width : 1u) + (state & 7u)) & 0xFFu;
            const std::uint32_t green = (y * 255u / (height ? height : 1u) + ((state >> 3) & 7u)) & 0xFFu;
            const std::uint32_t blue = (state >> 8) & 0xFFu;
            row[x] = (alpha << 24) | (red << 16) | (green << 8) | blue;
        }
    }
    return bitmap;
}

std::int64_t CountDifferentPixels(const CBitmap& a, const CBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        return -1;
    }
    std::int64_t count = 0;
    for (std::uint32_t y = 0; y < a.Height(); ++y) {
        const std::uint32_t* ra = a.ConstScanLine(y);
        const std::uint32_t* rb = b.ConstScanLine(y);
        for (std::uint32_t x = 0; x < a.Width(); ++x) {
            count += ra[x] != rb[x];
        }
    }
    return count;
}

} // namespace veilpane::test
