#include "platform/DecodePolicy.h"

#include <QFile>
#include <QImageReader>

namespace veilpane {

QByteArray ImageFormatOf(const QByteArray& head) {
    if (head.startsWith("\x89PNG\r\n\x1a\n")) {
        return "png";
    }
    if (head.startsWith("\xff\xd8")) {
        return "jpeg";
    }
    if (head.startsWith("GIF87a") || head.startsWith("GIF89a")) {
        return "gif";
    }
    if (head.startsWith("BM")) {
        return "bmp";
    }
    if (head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4))) {
        return "tiff";
    }
    return {};
}

QByteArray ImageFormatOfFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return ImageFormatOf(file.read(8));
}

bool FitsPixelBudget(std::uint64_t width, std::uint64_t height, std::uint64_t budget) {
    // Both factors are at most 32 bits wide where they come from, so the product cannot wrap.
    return width > 0 && height > 0 && width <= 0xFFFFFFFFu && height <= 0xFFFFFFFFu &&
           width * height <= budget;
}

bool FitsPixelBudget(QSize size, std::uint64_t budget) {
    return size.isValid() && FitsPixelBudget(static_cast<std::uint64_t>(size.width()),
                                             static_cast<std::uint64_t>(size.height()), budget);
}

QString TooManyPixelsText(std::uint64_t width, std::uint64_t height, std::uint64_t budget) {
    const std::uint64_t megapixels = (width * height + 500'000) / 1'000'000;
    return QStringLiteral("%1 x %2 pixels (%3 megapixels) is more than the %4 megapixels an image may have")
        .arg(width)
        .arg(height)
        .arg(megapixels)
        .arg(budget / 1'000'000);
}

QString MultiScanTooLargeText(std::uint64_t width, std::uint64_t height) {
    return QStringLiteral(
               "a progressive JPEG of %1 x %2 pixels (%3 megapixels) is more than the %4 megapixels "
               "a preview decodes")
        .arg(width)
        .arg(height)
        .arg((width * height + 500'000) / 1'000'000)
        .arg(PreviewPixelBudget / 1'000'000);
}

void ApplyDecodeAllocationLimit() {
    static const int megabytes = static_cast<int>(ImagePixelBudget * 4 / (1024 * 1024) + 1);
    if (QImageReader::allocationLimit() != megabytes) {
        QImageReader::setAllocationLimit(megabytes);
    }
}

bool IsMultiScanJpeg(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.read(2) != QByteArray("\xff\xd8", 2)) {
        return false;
    }
    // A sequential frame is one scan when its first scan carries every component. Markers and segments
    // are read up to that scan; a file that ends or goes wrong first is left to the decoder.
    int frameComponents = 0;
    for (int segments = 0; segments < 4096; ++segments) {
        const QByteArray marker = file.read(2);
        if (marker.size() != 2 || static_cast<unsigned char>(marker[0]) != 0xFF) {
            return false;
        }
        const auto code = static_cast<unsigned char>(marker[1]);
        if (code == 0xFF) {
            file.seek(file.pos() - 1); // fill byte
            continue;
        }
        const QByteArray length = file.read(2);
        if (length.size() != 2) {
            return false;
        }
        const int bytes =
            (static_cast<unsigned char>(length[0]) << 8 | static_cast<unsigned char>(length[1])) - 2;
        if (bytes < 0) {
            return false;
        }
        const bool frame = code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (frame) {
            if (code != 0xC0 && code != 0xC1 && code != 0xC9) {
                return true; // progressive, lossless or hierarchical
            }
            const QByteArray header = file.read(bytes);
            frameComponents = header.size() >= 6 ? static_cast<unsigned char>(header[5]) : 0;
            continue;
        }
        if (code == 0xDA) {
            const QByteArray scan = file.read(1);
            return scan.size() == 1 && static_cast<unsigned char>(scan[0]) < frameComponents;
        }
        if (!file.seek(file.pos() + bytes)) {
            return false;
        }
    }
    return false;
}

} // namespace veilpane
