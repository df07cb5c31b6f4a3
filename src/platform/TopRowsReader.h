#pragma once

#include "platform/Bitmap.h"

#include <QRgb>
#include <QSize>
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

// Receives the rows of a PNG as they are decoded, top to bottom, as 32-bit ARGB (not premultiplied).
class CPngRowSink {
public:
    virtual ~CPngRowSink() = default;
    // Called once before the first row; false declines the file.
    virtual bool Begin(QSize size, bool hasAlpha) = 0;
    // false: the sink needs no more rows (the top rows are still read).
    virtual bool Row(const QRgb* pixels) = 0;
};

// One pass over a PNG for whoever needs both the top rows (as LoadTopRows gives them) and the whole
// picture without holding it: every row goes through sink. Returns false for files LoadTopRows would
// leave to the full decoder, and for a file that turns out damaged part way, in which case the sink may
// have seen some rows and the caller decodes another way.
bool ReadPngRows(const QString& path, std::uint64_t pixelCount, CBitmap& topRows, CPngRowSink& sink);

} // namespace veilpane
