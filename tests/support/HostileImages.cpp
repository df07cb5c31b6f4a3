#include "support/HostileImages.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <zlib.h>

#include <vector>

namespace veilpane::test {

namespace {

void Put16(QByteArray& out, std::uint32_t value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(QByteArray& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void PutBig32(QByteArray& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.append(static_cast<char>((value >> shift) & 0xFF));
    }
}

// zlib's stream of count copies of block, compressed as they come.
QByteArray DeflateRepeated(const QByteArray& block, std::uint64_t count) {
    z_stream stream{};
    deflateInit(&stream, Z_BEST_COMPRESSION);
    QByteArray out;
    std::vector<unsigned char> buffer(1 << 16);
    for (std::uint64_t i = 0; i <= count; ++i) {
        const bool last = i == count;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.constData()));
        stream.avail_in = last ? 0 : static_cast<uInt>(block.size());
        do {
            stream.next_out = buffer.data();
            stream.avail_out = static_cast<uInt>(buffer.size());
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            out.append(reinterpret_cast<const char*>(buffer.data()),
                       static_cast<qsizetype>(buffer.size() - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return out;
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A little-endian TIFF of 8-bit RGBA, unassociated alpha, deflate, strips of rowsPerStrip rows all at
// stripOffset with stripBytes bytes; strip is appended after the directory (and may be empty).
QByteArray TiffWithSharedStrips(std::uint32_t width, std::uint32_t height, std::uint32_t rowsPerStrip,
                                const QByteArray& strip, std::uint32_t stripBytes) {
    const std::uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
    constexpr std::uint32_t Entries = 11;
    const std::uint32_t ifdSize = 2 + Entries * 12 + 4;
    const std::uint32_t bitsOffset = 8 + ifdSize;
    const std::uint32_t offsetsOffset = bitsOffset + 8;
    const std::uint32_t countsOffset = offsetsOffset + 4 * strips;
    const std::uint32_t stripOffset = countsOffset + 4 * strips;
    QByteArray out("II*\0", 4);
    Put32(out, 8);
    Put16(out, Entries);
    const auto entry = [&out](std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                              std::uint32_t value) {
        Put16(out, tag);
        Put16(out, type);
        Put32(out, count);
        if (type == 3 && count == 1) {
            Put16(out, value);
            Put16(out, 0);
        } else {
            Put32(out, value);
        }
    };
    entry(256, 4, 1, width);
    entry(257, 4, 1, height);
    entry(258, 3, 4, bitsOffset);
    entry(259, 3, 1, 8); // deflate
    entry(262, 3, 1, 2); // RGB
    entry(273, 4, strips, strips == 1 ? stripOffset : offsetsOffset);
    entry(277, 3, 1, 4);
    entry(278, 4, 1, rowsPerStrip);
    entry(279, 4, strips, strips == 1 ? stripBytes : countsOffset);
    entry(284, 3, 1, 1);
    entry(338, 3, 1, 2); // unassociated alpha
    Put32(out, 0);
    for (int i = 0; i < 4; ++i) {
        Put16(out, 8);
    }
    for (std::uint32_t i = 0; i < strips; ++i) {
        Put32(out, stripOffset);
    }
    for (std::uint32_t i = 0; i < strips; ++i) {
        Put32(out, stripBytes);
    }
    return out + strip;
}

} // namespace

bool WriteTiffBomb(const QString& path, std::uint32_t width, std::uint32_t height) {
    constexpr std::uint32_t RowsPerStrip = 16;
    const QByteArray strip =
        DeflateRepeated(QByteArray(static_cast<qsizetype>(width) * 4, '\0'), RowsPerStrip);
    return WriteAll(path, TiffWithSharedStrips(width, height, RowsPerStrip, strip,
                                               static_cast<std::uint32_t>(strip.size())));
}

bool WriteTruncatedTiff(const QString& path) {
    return WriteAll(path, TiffWithSharedStrips(65535, 65535, 65535, {}, 0x7FFFFFFFu));
}

bool WritePatchedProgressiveJpeg(const QString& path, std::uint16_t width, std::uint16_t height) {
    QImage image(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) & 0xFF));
        }
    }
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        if (!writer.write(image)) {
            return false;
        }
    }
    const qsizetype frame = bytes.indexOf(QByteArray("\xff\xc2", 2));
    if (frame < 0) {
        return false;
    }
    // Segment length (2), precision (1), then height and width, big-endian.
    bytes[frame + 5] = static_cast<char>(height >> 8);
    bytes[frame + 6] = static_cast<char>(height & 0xFF);
    bytes[frame + 7] = static_cast<char>(width >> 8);
    bytes[frame + 8] = static_cast<char>(width & 0xFF);
    return WriteAll(path, bytes);
}

bool WriteOneBitPng(const QString& path, std::uint32_t side) {
    const auto chunk = [](QByteArray& out, const char* type, const QByteArray& data) {
        PutBig32(out, static_cast<std::uint32_t>(data.size()));
        const QByteArray typed = QByteArray(type, 4) + data;
        out += typed;
        PutBig32(out, static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()),
                                                       static_cast<uInt>(typed.size()))));
    };
    QByteArray header;
    PutBig32(header, side);
    PutBig32(header, side);
    header.append("\x01\x00\x00\x00\x00", 5); // 1 bit, greyscale, deflate, no filter method, not interlaced
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", DeflateRepeated(QByteArray(static_cast<qsizetype>(1 + (side + 7) / 8), '\0'), side));
    chunk(out, "IEND", {});
    return WriteAll(path, out);
}

bool WriteSvg(const QString& path) {
    return WriteAll(path, "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" "
                          "height=\"64\"><rect width=\"64\" height=\"64\" fill=\"#336699\"/></svg>\n");
}

bool WriteCameraJpeg(const QString& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return false;
    }
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            row[x] = qRgb(x * 255 / width, y * 255 / height, 128);
        }
    }
    QImageWriter writer(path, "jpeg");
    writer.setQuality(80);
    return writer.write(image);
}

} // namespace veilpane::test
