#pragma once

#include "platform/Bitmap.h"
#include "stego/HideEngine.h"
#include "stego/PayloadFormat.h"
#include "support/CryptoTestSupport.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QColor>
#include <QImage>

namespace veilpane::test {

inline const QByteArray CarrierPassword = "harbour-light";

// A plain image of one colour, saved as PNG (or JPEG) under name in folder.
inline QString WriteSolidImage(const CTempFolder& folder, const QString& name, int width, int height,
                               QRgb color, const char* mime = "image/png") {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    const QString path = folder.FilePath(name);
    CBitmap(image).Save(path, QString::fromLatin1(mime));
    return path;
}

// An image carrying hiddenName with content, hidden under CarrierPassword, saved as PNG under name.
// The carrier is solid except for the low bits the hide touches.
inline QString WriteCarrier(const CTempFolder& folder, const QString& name, const QString& hiddenName,
                            const QByteArray& content, QRgb color = 0xFF406080u, int width = 400,
                            int height = 300) {
    CTempFolder outside;
    const QString hidden = outside.Write(hiddenName, content);
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    CBitmap carrier(image);
    CReportStatistics statistics;
    if (!HideFileInImage(&carrier, hidden, CarrierPassword, statistics).Ok()) {
        return {};
    }
    const QString path = folder.FilePath(name);
    carrier.Save(path, QStringLiteral("image/png"));
    return path;
}

// A small PNG's bytes, to hide as a hidden image.
inline QByteArray SmallPngBytes(int width = 24, int height = 18) {
    CTempFolder temp;
    const QString path = temp.FilePath(QStringLiteral("small.png"));
    MakeNoiseBitmap(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), 5)
        .Save(path, QStringLiteral("image/png"));
    return temp.Read(QStringLiteral("small.png"));
}

// The colour a half-transparent pen leaves over an opaque background, as 8-bit blending gives it.
inline QColor Blend(QRgb over, QRgb under) {
    const int alpha = qAlpha(over);
    const auto mix = [alpha](int a, int b) {
        return (a * alpha + b * (255 - alpha) + 127) / 255;
    };
    return QColor(mix(qRed(over), qRed(under)), mix(qGreen(over), qGreen(under)),
                  mix(qBlue(over), qBlue(under)));
}

inline bool Near(const QColor& a, const QColor& b, int tolerance = 2) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace veilpane::test
