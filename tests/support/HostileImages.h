#pragma once

#include <QString>

#include <cstdint>

namespace veilpane::test {

// Small files that declare far more pixels than they hold, made on the fly (no stored binaries), for the
// tests and the benchmark of the decode limits. Each returns false when the file could not be written.

// An 8-bit RGBA TIFF with unassociated alpha, deflated, every strip pointing at the same small strip of
// zeros: a few kilobytes declaring width x height.
bool WriteTiffBomb(const QString& path, std::uint32_t width, std::uint32_t height);

// The same layout declaring 65535 x 65535, cut off after its header: the strip it names is not there.
bool WriteTruncatedTiff(const QString& path);

// A real progressive JPEG of 64 x 64 whose frame header is patched to say width x height.
bool WritePatchedProgressiveJpeg(const QString& path, std::uint16_t width, std::uint16_t height);

// A 1-bit greyscale PNG of side x side, all black: 200 MB of rows deflated to a few hundred kilobytes for
// 40000.
bool WriteOneBitPng(const QString& path, std::uint32_t side);

// A small SVG picture (under whatever name the caller gives it).
bool WriteSvg(const QString& path);

// A baseline JPEG of width x height with a soft gradient, as a camera would give.
bool WriteCameraJpeg(const QString& path, int width, int height);

} // namespace veilpane::test
