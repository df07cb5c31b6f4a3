#include "stego/PixelBitStream.h"

#include "stego/ChannelGenerator.h"

namespace veilpane {

namespace {

constexpr std::uint32_t LowBits = 0x00010101u;

// Writes the bits of bytes into consecutive pixels from pixel number start, row by row through scanlines.
void WriteBits(CBitmap& bitmap, std::uint64_t start, const QByteArray& bytes, std::uint32_t seed,
               CBitWriteCounts& counts) {
    CChannelGenerator generator;
    RestartChannelSequence(generator, seed);
    const std::uint32_t width = bitmap.Width();
    const auto* source = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const std::uint64_t bitCount = static_cast<std::uint64_t>(bytes.size()) * 8u;
    std::uint64_t bitIndex = 0;
    std::uint32_t y = static_cast<std::uint32_t>(start / width);
    std::uint32_t x = static_cast<std::uint32_t>(start % width);
    while (bitIndex < bitCount) {
        std::uint32_t* row = bitmap.ScanLine(y);
        for (; x < width && bitIndex < bitCount; ++x, ++bitIndex) {
            const std::uint32_t bit = (source[bitIndex >> 3] >> (bitIndex & 7u)) & 1u;
            // Choice 0: red, green and blue; 1: green and blue; 2: blue only.
            static constexpr std::uint32_t masks[3] = {0x00010101u, 0x00000101u, 0x00000001u};
            const std::uint32_t mask = masks[ChannelChoice(generator)];
            const std::uint32_t before = row[x];
            const std::uint32_t after = (before & ~mask) | (bit ? mask : 0u);
            row[x] = after;
            counts.Modified += ((before ^ after) & LowBits) != 0;
            ++counts.Processed;
        }
        x = 0;
        ++y;
    }
}

} // namespace

bool WritePayloadBits(CBitmap& bitmap, const QByteArray& header, const QByteArray& data, std::uint32_t seed,
                      CBitWriteCounts& counts) {
    const std::uint64_t pixels = static_cast<std::uint64_t>(bitmap.Width()) * bitmap.Height();
    const std::uint64_t headerPixels = static_cast<std::uint64_t>(header.size()) * 8u;
    if (!bitmap.IsValid() || headerPixels + static_cast<std::uint64_t>(data.size()) * 8u > pixels) {
        return false;
    }
    counts = {};
    WriteBits(bitmap, 0, header, seed, counts);
    WriteBits(bitmap, headerPixels, data, seed, counts);
    return true;
}

QByteArray ReadHiddenBytes(const CBitmap& bitmap, std::uint64_t startPixel, std::int64_t count) {
    if (count <= 0) {
        return {};
    }
    QByteArray bytes(count, '\0');
    const std::uint32_t width = bitmap.Width();
    const std::uint32_t height = bitmap.Height();
    if (width == 0 || height == 0) {
        return bytes;
    }
    auto* target = reinterpret_cast<std::uint8_t*>(bytes.data());
    const std::uint64_t bitCount = static_cast<std::uint64_t>(count) * 8u;
    std::uint64_t bitIndex = 0;
    std::uint32_t y = static_cast<std::uint32_t>(startPixel / width);
    std::uint32_t x = static_cast<std::uint32_t>(startPixel % width);
    for (; y < height && bitIndex < bitCount; ++y, x = 0) {
        const std::uint32_t* row = bitmap.ConstScanLine(y);
        for (; x < width && bitIndex < bitCount; ++x, ++bitIndex) {
            target[bitIndex >> 3] |= static_cast<std::uint8_t>((row[x] & 1u) << (bitIndex & 7u));
        }
    }
    return bytes;
}

} // namespace veilpane
