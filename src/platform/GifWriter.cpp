#include "platform/GifWriter.h"

#include <gif_lib.h>

#include <QHash>

#include <vector>

namespace veilpane {

namespace {

int WriteToDevice(GifFileType* gif, const GifByteType* data, int length) {
    auto* device = static_cast<QIODevice*>(gif->UserData);
    return static_cast<int>(device->write(reinterpret_cast<const char*>(data), length));
}

constexpr int PaletteSize = 256;

// Exact palette when the image has few enough colours; otherwise median cut.
bool BuildIndexedImage(const QImage& image, bool transparent, std::vector<GifByteType>& indices,
                       std::vector<GifColorType>& palette) {
    const int width = image.width();
    const int height = image.height();
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const int colourSlots = transparent ? PaletteSize - 1 : PaletteSize;
    indices.assign(count, 0);
    palette.assign(PaletteSize, GifColorType{0, 0, 0});

    QHash<QRgb, int> exact;
    bool fits = true;
    for (int y = 0; y < height && fits; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (transparent && qAlpha(row[x]) < 128) {
                continue;
            }
            const QRgb rgb = row[x] & 0xFFFFFFu;
            if (!exact.contains(rgb)) {
                if (exact.size() == colourSlots) {
                    fits = false;
                    break;
                }
                const int index = static_cast<int>(exact.size());
                exact.insert(rgb, index);
                palette[static_cast<std::size_t>(index)] =
                    GifColorType{static_cast<GifByteType>(qRed(rgb)), static_cast<GifByteType>(qGreen(rgb)),
                                 static_cast<GifByteType>(qBlue(rgb))};
            }
        }
    }
    if (fits) {
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                      static_cast<std::size_t>(x);
                indices[i] = (transparent && qAlpha(row[x]) < 128)
                                 ? static_cast<GifByteType>(PaletteSize - 1)
                                 : static_cast<GifByteType>(exact.value(row[x] & 0xFFFFFFu));
            }
        }
        return true;
    }

    std::vector<GifByteType> red(count), green(count), blue(count);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const std::size_t i =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
            red[i] = static_cast<GifByteType>(qRed(row[x]));
            green[i] = static_cast<GifByteType>(qGreen(row[x]));
            blue[i] = static_cast<GifByteType>(qBlue(row[x]));
        }
    }
    int mapSize = colourSlots;
    if (GifQuantizeBuffer(static_cast<unsigned>(width), static_cast<unsigned>(height), &mapSize, red.data(),
                          green.data(), blue.data(), indices.data(), palette.data()) != GIF_OK) {
        return false;
    }
    if (transparent) {
        for (int y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                if (qAlpha(row[x]) < 128) {
                    indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(x)] = static_cast<GifByteType>(PaletteSize - 1);
                }
            }
        }
    }
    return true;
}

bool HasTransparency(const QImage& image) {
    if (!image.hasAlphaChannel()) {
        return false;
    }
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) < 128) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

bool WriteGif(const QImage& source, QIODevice& device, QString* error) {
    auto fail = [error](const QString& text) {
        if (error) {
            *error = text;
        }
        return false;
    };
    if (source.isNull() || source.width() > 65535 || source.height() > 65535) {
        return fail(QStringLiteral("GIF images are limited to 65535 x 65535 pixels"));
    }
    const QImage image =
        source.format() == QImage::Format_ARGB32 ? source : source.convertToFormat(QImage::Format_ARGB32);
    const bool transparent = HasTransparency(image);

    std::vector<GifByteType> indices;
    std::vector<GifColorType> palette;
    if (!BuildIndexedImage(image, transparent, indices, palette)) {
        return fail(QStringLiteral("GIF colour quantisation failed"));
    }

    int status = 0;
    GifFileType* gif = EGifOpen(&device, WriteToDevice, &status);
    if (!gif) {
        return fail(QString::fromLatin1(GifErrorString(status)));
    }
    ColorMapObject* map = GifMakeMapObject(PaletteSize, palette.data());
    bool ok = map != nullptr;
    EGifSetGifVersion(gif, true);
    ok = ok && EGifPutScreenDesc(gif, image.width(), image.height(), 8, 0, map) == GIF_OK;
    if (ok && transparent) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.UserInputFlag = false;
        gcb.DelayTime = 0;
        gcb.TransparentColor = PaletteSize - 1;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&gcb, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < image.height(); ++y) {
        ok = EGifPutLine(
                 gif, indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width()),
                 image.width()) == GIF_OK;
    }
    const int writeError = gif->Error;
    int closeError = 0;
    const bool closed = EGifCloseFile(gif, &closeError) == GIF_OK;
    GifFreeMapObject(map);
    if (!ok) {
        return fail(QString::fromLatin1(GifErrorString(writeError)));
    }
    if (!closed) {
        return fail(QString::fromLatin1(GifErrorString(closeError)));
    }
    return true;
}

} // namespace veilpane
