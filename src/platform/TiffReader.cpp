#include "platform/TiffReader.h"

#include "platform/DecodePolicy.h"

#include <QFile>

#include <tiffio.h>

#include <memory>
#include <vector>

namespace veilpane {

namespace {

struct CTiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

void SilenceTiff(const char*, const char*, va_list) {}

} // namespace

QImage ReadUnassociatedAlphaTiff(const QString& path) {
    // Libtiff reports through global handlers; the general decoder reports problems its own way.
    TIFFSetWarningHandler(SilenceTiff);
    TIFFSetErrorHandler(SilenceTiff);
    const QByteArray name = QFile::encodeName(path);
    std::unique_ptr<TIFF, CTiffCloser> tiff(TIFFOpen(name.constData(), "r"));
    if (!tiff) {
        return {};
    }
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0, planar = 0, photometric = 0, extraCount = 0;
    uint16_t* extraTypes = nullptr;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) ||
        !TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bits) ||
        !TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples) ||
        !TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar) ||
        !TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric) ||
        !TIFFGetField(tiff.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes)) {
        return {};
    }
    if (bits != 8 || samples != 4 || planar != PLANARCONFIG_CONTIG || photometric != PHOTOMETRIC_RGB ||
        extraCount != 1 || extraTypes[0] != EXTRASAMPLE_UNASSALPHA || TIFFIsTiled(tiff.get()) ||
        !FitsPixelBudget(width, height, ImagePixelBudget)) {
        return {};
    }
    if (static_cast<std::size_t>(TIFFScanlineSize(tiff.get())) != static_cast<std::size_t>(width) * 4u) {
        return {};
    }
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32);
    if (image.isNull()) {
        return {};
    }
    std::vector<uint8_t> line(static_cast<std::size_t>(width) * 4u);
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff.get(), line.data(), y, 0) < 0) {
            return {};
        }
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(y)));
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* p = line.data() + 4u * x;
            row[x] = qRgba(p[0], p[1], p[2], p[3]);
        }
    }
    return image;
}

} // namespace veilpane
