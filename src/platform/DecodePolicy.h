#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include <cstdint>

namespace veilpane {

// What every decoding path asks before it allocates. A file declares its size in a few bytes and a
// decoder believes it: without one answer for all of them, a small hostile file picks the path with the
// loosest limit and takes gigabytes or minutes from whoever lists, previews or opens it.

// The formats the program lists, opens and saves, as Qt names them: "png", "jpeg", "gif", "bmp" or
// "tiff", told by the first bytes alone; empty for anything else (SVG and the other formats Qt's plugins
// read are not images here, whatever the file is called).
QByteArray ImageFormatOf(const QByteArray& head);
QByteArray ImageFormatOfFile(const QString& path);

// The current image: real camera photos up to this many pixels open, hide and extract; 32-bit ARGB makes
// it 1 GB at most.
inline constexpr std::uint64_t ImagePixelBudget = 250'000'000;

// Detection and thumbnails, which run for every file of a folder, decode at most this many pixels at full
// size (a reduced decode of a larger file is fine when the decoder can make one without the full-size
// buffers).
inline constexpr std::uint64_t PreviewPixelBudget = 50'000'000;

// Whether a declared size fits a budget; an invalid or empty size does not.
bool FitsPixelBudget(QSize size, std::uint64_t budget);
bool FitsPixelBudget(std::uint64_t width, std::uint64_t height, std::uint64_t budget);

// The reason given for a file over the budget, e.g. "60000 x 60000 pixels (3600 megapixels) is more than
// the 250 megapixels an image may have".
QString TooManyPixelsText(std::uint64_t width, std::uint64_t height, std::uint64_t budget);

// The reason detection gives for a progressive JPEG over PreviewPixelBudget.
QString MultiScanTooLargeText(std::uint64_t width, std::uint64_t height);

// Sets Qt's decoders' own allocation limit to what ImagePixelBudget implies at 4 bytes a pixel, so that a
// Qt decoder never allocates beyond it either. Cheap; every path that builds a QImageReader calls it.
void ApplyDecodeAllocationLimit();

// Whether a JPEG stream is progressive (or otherwise multi-scan): libjpeg then holds the coefficients of
// the whole image, whatever clip or scale is asked for. Reads markers up to the first frame header.
bool IsMultiScanJpeg(const QString& path);

} // namespace veilpane
