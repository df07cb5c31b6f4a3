#include "platform/Bitmap.h"

#include "platform/AtomicFile.h"
#include "platform/DecodePolicy.h"
#include "platform/GifWriter.h"
#include "platform/TiffReader.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTransform>

namespace veilpane {

namespace {

QImage ToArgb(QImage image) {
    if (image.isNull() || image.format() == QImage::Format_ARGB32) {
        return image;
    }
    // convertToFormat un-premultiplies and expands palettes, grayscale and 16-bit channels; from a
    // 32-bit format it converts in place, so a large photo is not held twice.
    return std::move(image).convertToFormat(QImage::Format_ARGB32);
}

struct CFormatEntry {
    const char* Mime;
    const char* QtFormat;
};

constexpr CFormatEntry SaveFormats[] = {
    {"image/bmp", "bmp"},   {"image/jpeg", "jpeg"}, {"image/gif", "gif"},
    {"image/tiff", "tiff"}, {"image/png", "png"},
};

// Some decoders hand back the rows of a file cut short as they found the memory, so that two loads of the
// same file differ. Given an image of the right size and format, they decode into it instead: its rows
// start out zero. Left null (the decoder then allocates as usual) when the header does not tell, or tells
// of more than the reader's allocation limit.
QImage ZeroedImageFor(QImageReader& reader) {
    const QSize size = reader.size();
    const QImage::Format format = reader.imageFormat();
    if (!size.isValid() || size.isEmpty() || format == QImage::Format_Invalid) {
        return {};
    }
    const qint64 bytes =
        qint64{size.width()} * size.height() * QImage::toPixelFormat(format).bitsPerPixel() / 8;
    if (bytes > qint64{QImageReader::allocationLimit()} * 1024 * 1024) {
        return {};
    }
    QImage image(size, format);
    if (!image.isNull()) {
        image.fill(0);
    }
    return image;
}

} // namespace

CBitmap::CBitmap(QImage image) : m_image(ToArgb(std::move(image))) {}

CBitmap::CBitmap(std::uint32_t width, std::uint32_t height)
    : m_image(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32) {
    if (m_image.isNull()) {
        m_status = Status::OutOfMemory;
        m_error = QStringLiteral("Out of memory");
    } else {
        m_image.fill(0u);
    }
}

CBitmap CBitmap::Failed(Status status, QString error) {
    CBitmap bitmap;
    bitmap.m_status = status;
    bitmap.m_error = std::move(error);
    return bitmap;
}

CBitmap CBitmap::Load(const QString& path) {
    CBitmap bitmap;
    if (!QFileInfo(path).isFile()) {
        bitmap.m_status = Status::FileNotFound;
        bitmap.m_error = QStringLiteral("File not found");
        return bitmap;
    }
    const QByteArray format = ImageFormatOfFile(path);
    if (format.isEmpty()) {
        return Failed(Status::UnknownFormat, QStringLiteral("Not a PNG, JPEG, GIF, BMP or TIFF image"));
    }
    ApplyDecodeAllocationLimit();
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false); // told by content above; no plugin gets a second guess
    reader.setAutoTransform(false);         // pixels must stay where the writer put them
    if (const QSize size = reader.size(); size.isValid() && !FitsPixelBudget(size, ImagePixelBudget)) {
        return Failed(Status::OutOfMemory,
                      TooManyPixelsText(static_cast<std::uint64_t>(size.width()),
                                        static_cast<std::uint64_t>(size.height()), ImagePixelBudget));
    }
    QImage image;
    if (format == "tiff") {
        image = ReadUnassociatedAlphaTiff(path);
    }
    if (image.isNull()) {
        image = ZeroedImageFor(reader);
        if (!reader.read(&image)) {
            image = QImage();
        }
    }
    if (image.isNull()) {
        bitmap.m_status = reader.error() == QImageReader::UnsupportedFormatError ? Status::UnknownFormat
                                                                                 : Status::DecodeFailed;
        bitmap.m_error = reader.errorString();
        return bitmap;
    }
    bitmap.m_image = ToArgb(std::move(image));
    if (bitmap.m_image.isNull()) {
        bitmap.m_status = Status::OutOfMemory;
        bitmap.m_error = QStringLiteral("Out of memory");
    }
    return bitmap;
}

std::uint32_t CBitmap::GetPixel(std::uint32_t x, std::uint32_t y) const {
    if (x >= Width() || y >= Height()) {
        return 0;
    }
    return ConstScanLine(y)[x];
}

bool CBitmap::SetPixel(std::uint32_t x, std::uint32_t y, std::uint32_t argb) {
    if (x >= Width() || y >= Height()) {
        m_status = Status::InvalidParameter;
        return false;
    }
    ScanLine(y)[x] = argb;
    return true;
}

const std::uint32_t* CBitmap::ConstScanLine(std::uint32_t y) const {
    return reinterpret_cast<const std::uint32_t*>(m_image.constScanLine(static_cast<int>(y)));
}

std::uint32_t* CBitmap::ScanLine(std::uint32_t y) {
    return reinterpret_cast<std::uint32_t*>(m_image.scanLine(static_cast<int>(y)));
}

CBitmap CBitmap::Copy() const {
    CBitmap copy;
    copy.m_image = m_image.copy();
    return copy;
}

bool CBitmap::RotateFlip(int type) {
    if (m_image.isNull()) {
        m_status = Status::InvalidParameter;
        return false;
    }
    switch (type) {
    case Rotate90:
        m_image = m_image.transformed(QTransform().rotate(90));
        break;
    case Rotate270:
        m_image = m_image.transformed(QTransform().rotate(270));
        break;
    case MirrorX:
        m_image = m_image.mirrored(true, false);
        break;
    case FlipY:
        m_image = m_image.mirrored(false, true);
        break;
    default:
        m_status = Status::InvalidParameter;
        return false;
    }
    m_image = ToArgb(std::move(m_image));
    return true;
}

bool CBitmap::Save(const QString& path, const QString& mimeType) {
    const char* format = nullptr;
    for (const auto& entry : SaveFormats) {
        if (mimeType == QLatin1String(entry.Mime)) {
            format = entry.QtFormat;
        }
    }
    if (!format || m_image.isNull()) {
        m_status = Status::InvalidParameter;
        m_error = QStringLiteral("No encoder for %1").arg(mimeType);
        return false;
    }
    // Encoded in memory first: some encoders seek back and forth in their output, and a failed write
    // followed by a successful seek leaves no trace in the file's error state. What is then written in one
    // piece beside the target and renamed into place only when complete either is all there or fails, and
    // a failed save keeps the old file.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    bool written = false;
    if (qstrcmp(format, "gif") == 0) {
        written = WriteGif(m_image, buffer, &m_error);
    } else {
        QImageWriter writer(&buffer, format);
        if (qstrcmp(format, "jpeg") == 0) {
            writer.setQuality(100);
        }
        // JPEG and BMP (for opaque images) need no alpha; the others keep it.
        written = writer.write(m_image);
        if (!written) {
            m_error = writer.errorString();
        }
    }
    if (!written) {
        m_status = Status::WriteFailed;
        return false;
    }
    // Not QSaveFile: it follows a symbolic link and rewrites the file the link points to, and a link planted
    // in a shared folder under the save's name could aim anywhere. The rename replaces the link itself. A
    // replaced file keeps its permission bits, as the user may have narrowed them.
    const CFileIdentity replaced = IdentityOf(path);
    CAtomicFile file(path);
    if (!file.Open(&m_error, replaced.Valid ? replaced.Permissions : 0666) ||
        !file.Write(encoded.constData(), static_cast<std::size_t>(encoded.size()), &m_error) ||
        !file.Commit(&m_error)) {
        m_status = Status::WriteFailed;
        return false;
    }
    m_status = Status::Ok;
    return true;
}

namespace {

CCodecInfo CodecFor(const QByteArray& format, const QByteArray& mime) {
    CCodecInfo info;
    info.Name = QString::fromLatin1(format).toUpper();
    info.MimeType = QString::fromLatin1(mime);
    info.Description = info.Name + QStringLiteral(" image");
    static const QHash<QByteArray, QStringList> patterns = {
        {"jpeg",
         {QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.jpe"),
          QStringLiteral("*.jfif")}},
        {"tiff", {QStringLiteral("*.tif"), QStringLiteral("*.tiff")}},
    };
    info.Patterns = patterns.value(format, {QStringLiteral("*.") + QString::fromLatin1(format)});
    return info;
}

} // namespace

QList<CCodecInfo> CBitmap::Encoders() {
    QList<CCodecInfo> list;
    const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
    for (const auto& entry : SaveFormats) {
        // GIF goes through giflib; the rest need Qt's (or its plugins') writer.
        if (qstrcmp(entry.QtFormat, "gif") == 0 || writable.contains(entry.QtFormat)) {
            list.append(CodecFor(entry.QtFormat, entry.Mime));
        }
    }
    return list;
}

QList<CCodecInfo> CBitmap::Decoders() {
    // The formats Load() takes, in the order the save command lists them.
    QList<CCodecInfo> list;
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    for (const auto& entry : SaveFormats) {
        if (readable.contains(entry.QtFormat)) {
            list.append(CodecFor(entry.QtFormat, entry.Mime));
        }
    }
    return list;
}

} // namespace veilpane
