#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace veilpane {

// One codec as the file dialogs and the save command list them.
struct CCodecInfo {
    QString Name;         // short format name, e.g. "PNG"
    QString Description;  // e.g. "PNG image"
    QStringList Patterns; // e.g. {"*.png"}
    QString MimeType;     // e.g. "image/png"
};

// The bitmap surface every engine works on: a decoded image held as 32-bit ARGB (alpha bits 24-31, red
// 16-23, green 8-15, blue 0-7), never premultiplied, so every pixel written reads back exactly. Whatever
// the file held (palette, grayscale, 16-bit, premultiplied) is converted on load.
class CBitmap {
public:
    enum class Status {
        Ok = 0,
        FileNotFound,
        UnknownFormat,
        DecodeFailed,
        OutOfMemory,
        InvalidParameter,
        WriteFailed
    };

    enum RotateFlipType {
        Rotate90 = 1,  // clockwise
        Rotate270 = 3, // clockwise, i.e. 90 counter-clockwise
        MirrorX = 4,   // left-right
        FlipY = 6,     // top-bottom
    };

    CBitmap() = default;
    explicit CBitmap(QImage image);                     // converted to ARGB32 when needed
    CBitmap(std::uint32_t width, std::uint32_t height); // transparent black

    // A failed load gives an empty 0 x 0 bitmap whose LastStatus() and ErrorText() tell why.
    static CBitmap Load(const QString& path);
    // An empty bitmap that tells why, for the other readers of image files.
    static CBitmap Failed(Status status, QString error);

    bool IsValid() const { return !m_image.isNull(); }
    std::uint32_t Width() const { return static_cast<std::uint32_t>(m_image.width()); }
    std::uint32_t Height() const { return static_cast<std::uint32_t>(m_image.height()); }
    Status LastStatus() const { return m_status; }
    const QString& ErrorText() const { return m_error; }

    // A read outside the image (or of an empty bitmap) is 0, as callers expect.
    std::uint32_t GetPixel(std::uint32_t x, std::uint32_t y) const;
    bool SetPixel(std::uint32_t x, std::uint32_t y, std::uint32_t argb);

    // Direct row access for loops over many pixels: width() values of 32-bit ARGB per row.
    const std::uint32_t* ConstScanLine(std::uint32_t y) const;
    std::uint32_t* ScanLine(std::uint32_t y); // detaches a shared image first

    // A whole-image copy in 32-bit ARGB, independent of this one.
    CBitmap Copy() const;

    // In place; types 1, 3, 4, 6 (see RotateFlipType). Lossless. Returns false for other types.
    bool RotateFlip(int type);

    // Encodes by MIME type: image/png, image/bmp, image/tiff, image/jpeg (quality 100), image/gif (through
    // giflib with a palette of at most 256 colours). Replaces an existing file. Returns false with the
    // reason in ErrorText() on failure.
    bool Save(const QString& path, const QString& mimeType);

    const QImage& Image() const { return m_image; }

    // The formats Save() writes and the formats Load() reads.
    static QList<CCodecInfo> Encoders();
    static QList<CCodecInfo> Decoders();

private:
    QImage m_image;
    Status m_status = Status::Ok;
    QString m_error;
};

} // namespace veilpane
