#pragma once

#include "platform/Bitmap.h"

#include <QString>

#include <cstdint>

namespace veilpane {

// Decodes only the top rows of an image file: the full width and as many rows as hold its first
// pixelCount pixels (all rows when the image is smaller). Detection needs nothing more, and a PNG's
// header sits in its first row or two, so this skips almost all of the decoding. Non-interlaced 8-bit
// PNG is read row by row and JPEG through a clip of its top rows; every other file is decoded in full by
// CBitmap::Load and cut. The pixels are
// exactly those a full load gives. A failed load gives an empty bitmap.
CBitmap LoadTopRows(const QString& path, std::uint64_t pixelCount);

} // namespace veilpane
