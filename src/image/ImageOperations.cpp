#include "image/ImageOperations.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace veilpane {

namespace {

// Sharpen's constant is (1 - 1.2) / 2 worked out in single precision, not the float nearest to -0.1.
constexpr float SharpenOffset = (1.0f - 1.2f) / 2.0f;

// Below this many pixels a second thread costs more than it saves.
constexpr std::int64_t ParallelPixels = 1 << 18;
constexpr int BandRows = 64;

using CLut = std::array<std::uint8_t, 256>;

std::uint8_t ToByte(float fraction) {
    return static_cast<std::uint8_t>(std::clamp(fraction, 0.0f, 1.0f) * 255.0f + 0.5f);
}

// Source-over of the new colour (same alpha) over the old pixel; see the header for the formula. Only for
// alpha strictly between 0 and 255.
std::uint32_t BlendOver(std::uint32_t old, std::uint32_t fresh, std::uint32_t alpha) {
    const std::uint32_t keep = 255 - alpha;
    const std::uint32_t divisor = 510 - alpha;
    std::uint32_t result = ((alpha * divisor + 127) / 255) << 24;
    for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t o = (old >> shift) & 0xFF;
        const std::uint32_t n = (fresh >> shift) & 0xFF;
        result |= ((n * 255 + o * keep + divisor / 2) / divisor) << shift;
    }
    return result;
}

// Runs rows [begin, end) through body, in bands shared out over the cores for large images. Plain
// threads joined here, rather than a pool: the join is what orders their writes before the caller's reads,
// visibly to the thread sanitizer too.
template <typename Body> void ForEachRowBand(std::uint32_t height, std::uint32_t width, const Body& body) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    if (cores == 1 || static_cast<std::int64_t>(height) * width < ParallelPixels) {
        body(0u, height);
        return;
    }
    std::atomic<std::uint32_t> next{0};
    auto work = [&] {
        for (;;) {
            const std::uint32_t start = next.fetch_add(BandRows);
            if (start >= height) {
                return;
            }
            body(start, std::min<std::uint32_t>(start + BandRows, height));
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < cores; ++i) {
        helpers.emplace_back(work);
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

// A new uninitialised 32-bit ARGB image. Large ones are asked for in huge pages where the system offers
// them: a fresh 48 MB image otherwise costs some twelve thousand page faults on first touch, which take
// longer than the whole colour pass.
QImage NewArgbImage(std::uint32_t width, std::uint32_t height) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t HugePage = std::size_t{2} << 20;
    const std::size_t bytes = std::size_t{width} * height * 4;
    if (bytes >= 4 * HugePage && width <= static_cast<std::uint32_t>(std::numeric_limits<int>::max() / 4) &&
        height <= static_cast<std::uint32_t>(std::numeric_limits<int>::max())) {
        const std::size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
        if (void* buffer = std::aligned_alloc(HugePage, rounded)) {
            madvise(buffer, rounded, MADV_HUGEPAGE);
            QImage image(
                static_cast<uchar*>(buffer), static_cast<int>(width), static_cast<int>(height),
                static_cast<qsizetype>(width) * 4, QImage::Format_ARGB32, [](void* data) { std::free(data); },
                buffer);
            if (!image.isNull()) {
                return image;
            }
            std::free(buffer);
        }
    }
#endif
    return QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32);
}

// Draws map(pixel) over every pixel of source into a new bitmap. map returns the new colour in the low 24
// bits; alpha is the compositing's business.
template <typename Map> CBitmap DrawOver(const CBitmap& source, const Map& map) {
    if (!source.IsValid()) {
        return CBitmap();
    }
    const std::uint32_t width = source.Width();
    const std::uint32_t height = source.Height();
    CBitmap target(NewArgbImage(width, height));
    if (!target.IsValid()) {
        return CBitmap();
    }
    // Row addresses are taken here, once: asking the image for them on several threads would race on its
    // detach bookkeeping.
    std::uint32_t* const targetBits = target.ScanLine(0);
    const std::size_t targetStride = static_cast<std::size_t>(target.Image().bytesPerLine()) / 4;
    const std::uint32_t* const sourceBits = source.ConstScanLine(0);
    const std::size_t sourceStride = static_cast<std::size_t>(source.Image().bytesPerLine()) / 4;

    ForEachRowBand(height, width, [&](std::uint32_t begin, std::uint32_t end) {
        for (std::uint32_t y = begin; y < end; ++y) {
            const std::uint32_t* in = sourceBits + y * sourceStride;
            std::uint32_t* out = targetBits + y * targetStride;
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::uint32_t pixel = in[x];
                const std::uint32_t alpha = pixel >> 24;
                if (alpha == 255) {
                    out[x] = 0xFF000000u | map(pixel);
                } else if (alpha == 0) {
                    out[x] = pixel; // nothing is drawn where the brush is fully transparent
                } else {
                    out[x] = BlendOver(pixel, map(pixel), alpha);
                }
            }
        }
    });
    return target;
}

CBitmap DrawThroughLuts(const CBitmap& source, const CLut& red, const CLut& green, const CLut& blue) {
    return DrawOver(source, [&](std::uint32_t p) {
        return (std::uint32_t{red[(p >> 16) & 0xFF]} << 16) | (std::uint32_t{green[(p >> 8) & 0xFF]} << 8) |
               blue[p & 0xFF];
    });
}

CBitmap DrawThroughLut(const CBitmap& source, const CLut& lut) {
    return DrawOver(source, [&](std::uint32_t p) {
        return (std::uint32_t{lut[(p >> 16) & 0xFF]} << 16) | (std::uint32_t{lut[(p >> 8) & 0xFF]} << 8) |
               lut[p & 0xFF];
    });
}

float Fraction(int value) {
    return static_cast<float>(value) / 255.0f;
}

} // namespace

int GammaOperationValue(double gamma) {
    // Far beyond what fits, and kept out of the float conversion, which would overflow.
    if (!std::isfinite(gamma) || std::fabs(gamma) > 1.0e7) {
        return 0;
    }
    const float thousandfold = static_cast<float>(gamma) * 1000.0f;
    if (!(thousandfold < 2147483648.0f && thousandfold > -2147483648.0f)) {
        return 0;
    }
    return static_cast<int>(thousandfold);
}

std::optional<CColorMatrix> ColorMatrixFor(ImageOperation operation) {
    // Scale k and offset c on the diagonal: channel * k + c.
    auto diagonal = [](float k, float c) {
        return CColorMatrix{
            {{k, 0, 0, 0, 0}, {0, k, 0, 0, 0}, {0, 0, k, 0, 0}, {0, 0, 0, 1, 0}, {c, c, c, 0, 1}}};
    };
    switch (operation) {
    case ImageOperation::Negative:
        return diagonal(-1.0f, 1.0f);
    case ImageOperation::Grayscale:
        return CColorMatrix{{{0.299f, 0.299f, 0.299f, 0, 0},
                             {0.587f, 0.587f, 0.587f, 0, 0},
                             {0.114f, 0.114f, 0.114f, 0, 0},
                             {0, 0, 0, 1, 0},
                             {0, 0, 0, 0, 1}}};
    case ImageOperation::Lighten:
        return diagonal(1.0f, 0.2f);
    case ImageOperation::Darken:
        return diagonal(1.0f, -0.2f);
    case ImageOperation::Contrast:
        return diagonal(1.6f, -0.3f);
    case ImageOperation::Sharpen:
        return diagonal(1.2f, SharpenOffset);
    default:
        return std::nullopt;
    }
}

CBitmap ApplyColorMatrix(const CBitmap& source, const CColorMatrix& m) {
    bool diagonal = true;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            diagonal = diagonal && (row == column || m[row][column] == 0.0f);
        }
    }
    if (diagonal) {
        // Each output channel depends on its own input only: one table per channel decides everything.
        std::array<CLut, 3> luts{};
        for (int c = 0; c < 3; ++c) {
            for (int v = 0; v < 256; ++v) {
                luts[c][v] = ToByte(Fraction(v) * m[c][c] + m[4][c]);
            }
        }
        if (luts[0] == luts[1] && luts[1] == luts[2]) {
            return DrawThroughLut(source, luts[0]);
        }
        return DrawThroughLuts(source, luts[0], luts[1], luts[2]);
    }

    // Mixed channels: the products are tabled per input channel and summed in the same order as the row
    // vector times the matrix, so the result is that of the float arithmetic itself.
    std::array<std::array<std::array<float, 256>, 3>, 3> terms{}; // [input][output][value]
    for (int in = 0; in < 3; ++in) {
        for (int out = 0; out < 3; ++out) {
            for (int v = 0; v < 256; ++v) {
                terms[in][out][v] = Fraction(v) * m[in][out];
            }
        }
    }
    auto channel = [&](std::uint32_t p, int out) {
        return ToByte(terms[0][out][(p >> 16) & 0xFF] + terms[1][out][(p >> 8) & 0xFF] +
                      terms[2][out][p & 0xFF] + m[4][out]);
    };
    const bool sameColumns = m[0][0] == m[0][1] && m[0][1] == m[0][2] && m[1][0] == m[1][1] &&
                             m[1][1] == m[1][2] && m[2][0] == m[2][1] && m[2][1] == m[2][2] &&
                             m[4][0] == m[4][1] && m[4][1] == m[4][2];
    if (sameColumns) {
        return DrawOver(source, [&](std::uint32_t p) {
            const std::uint32_t v = channel(p, 0);
            return (v << 16) | (v << 8) | v;
        });
    }
    return DrawOver(source, [&](std::uint32_t p) {
        return (std::uint32_t{channel(p, 0)} << 16) | (std::uint32_t{channel(p, 1)} << 8) | channel(p, 2);
    });
}

CBitmap ApplyGamma(const CBitmap& source, double gamma) {
    if (!(gamma > 0.0) || !std::isfinite(gamma)) {
        return source;
    }
    CLut lut{};
    for (int v = 0; v < 256; ++v) {
        const double corrected = std::pow(v / 255.0, 1.0 / gamma);
        lut[v] = static_cast<std::uint8_t>(std::clamp(corrected, 0.0, 1.0) * 255.0 + 0.5);
    }
    return DrawThroughLut(source, lut);
}

CBitmap ApplyThreshold(const CBitmap& source, int level) {
    level = std::clamp(level, 0, 255);
    CLut lut{};
    for (int v = 0; v < 256; ++v) {
        lut[v] = v > level ? 255 : 0;
    }
    return DrawThroughLut(source, lut);
}

CBitmap ApplyImageOperation(const CBitmap& source, ImageOperation operation, int value) {
    if (!source.IsValid()) {
        return CBitmap();
    }
    auto rotated = [&](CBitmap::RotateFlipType type) {
        // A shallow copy: the rotation writes a new image and leaves the shared source alone.
        CBitmap result = source;
        if (!result.RotateFlip(type)) {
            return CBitmap();
        }
        return result;
    };
    switch (operation) {
    case ImageOperation::Mirror:
        return rotated(CBitmap::MirrorX);
    case ImageOperation::Flip:
        return rotated(CBitmap::FlipY);
    case ImageOperation::RotateRight:
        return rotated(CBitmap::Rotate90);
    case ImageOperation::RotateLeft:
        return rotated(CBitmap::Rotate270);
    case ImageOperation::Gamma:
        // Not applied at all when the stored thousandfold is not positive.
        return value > 0 ? ApplyGamma(source, value / 1000.0) : source;
    case ImageOperation::Threshold:
        return ApplyThreshold(source, value);
    default:
        return ApplyColorMatrix(source, *ColorMatrixFor(operation));
    }
}

} // namespace veilpane
