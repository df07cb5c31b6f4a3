#pragma once

#include "platform/Bitmap.h"

#include <cstdint>

namespace veilpane::test {

// A deterministic, busy picture (gradients and noise from a fixed seed) with opaque pixels, so that
// round trips and untouched-pixel checks see varied low bits.
CBitmap MakeNoiseBitmap(std::uint32_t width, std::uint32_t height, std::uint32_t seed = 1,
                        bool withAlpha = false);

// Counts the pixels whose ARGB value differs between two bitmaps of the same size (-1 when sizes differ).
std::int64_t CountDifferentPixels(const CBitmap& a, const CBitmap& b);

} // namespace veilpane::test
