#pragma once

#include "platform/Bitmap.h"

#include <QByteArray>

#include <cstdint>

namespace veilpane {

struct CBitWriteCounts {
    std::uint64_t Processed = 0; // pixels visited
    std::uint64_t Modified = 0;  // pixels whose red, green or blue value changed
};

// Writes a payload into the lowest bits of the pixels: the 144 header bytes from pixel 0, the data block
// from pixel 1152, one bit per pixel, least significant bit first. Blue always carries the bit; green, or
// green and red, also take it by the channel choice, which restarts from the seed at the start of each
// part. Alpha, the upper bits and every pixel after the last bit stay untouched. Returns false, with the
// image unchanged, when the image is too small for the whole payload.
bool WritePayloadBits(CBitmap& bitmap, const QByteArray& header, const QByteArray& data, std::uint32_t seed,
                      CBitWriteCounts& counts);

// Reads count bytes from the blue lowest bits starting at pixel number startPixel (y x width + x). Bytes
// past the end of the image are zero. The channel choice does not affect reading, so no seed is needed.
QByteArray ReadHiddenBytes(const CBitmap& bitmap, std::uint64_t startPixel, std::int64_t count);

// Pixels a payload with a data block of dataLength bytes occupies.
constexpr std::uint64_t PayloadPixelCount(std::int64_t dataLength) {
    return 8u * (144u + static_cast<std::uint64_t>(dataLength));
}

} // namespace veilpane
