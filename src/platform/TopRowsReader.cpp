#include "platform/TopRowsReader.h"

#include "platform/DecodePolicy.h"

#include <QFile>
#include <QImageReader>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <png.h>

namespace veilpane {

namespace {

std::uint32_t RowsFor(std::uint64_t pixelCount, std::uint32_t width, std::uint32_t height) {
    if (width == 0) {
        return 0;
    }
    const std::uint64_t rows = (pixelCount + width - 1) / width;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(rows, height));
}

[[noreturn]] void PngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

struct CPngRead {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ~CPngRead() { png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr); }
};

// Prepares a PNG for reading rows the way a full decode by Qt gives them: palettes and grey expanded to
// RGB, no gamma applied, as 32-bit ARGB. Returns false for files it leaves to the full decoder
// (interlaced, 16 bits per channel, anything unexpected). Must run under the caller's setjmp.
bool SetUpPngRows(std::FILE* file, CPngRead& read, std::uint64_t budget, QSize& size, bool& hasAlpha) {
    png_init_io(read.Png, file);
    png_read_info(read.Png, read.Info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(read.Png, read.Info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    if (interlace != PNG_INTERLACE_NONE || bitDepth > 8 || !FitsPixelBudget(width, height, budget)) {
        return false;
    }
    hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0;
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(read.Png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(read.Png);
    }
    if (png_get_valid(read.Png, read.Info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(read.Png);
        hasAlpha = true;
    }
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(read.Png);
    }
    png_set_filler(read.Png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(read.Png); // B G R A in memory: a little-endian 32-bit ARGB value
    png_read_update_info(read.Png, read.Info);
    if (png_get_rowbytes(read.Png, read.Info) != static_cast<png_size_t>(width) * 4u) {
        return false;
    }
    size = QSize(static_cast<int>(width), static_cast<int>(height));
    return true;
}

bool CreatePngRead(CPngRead& read) {
    read.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    read.Info = read.Png ? png_create_info_struct(read.Png) : nullptr;
    return read.Info != nullptr;
}

// Reads the first rows of a PNG. image must be null on entry; nothing with a destructor lives between
// setjmp and the rows read, so a libpng error can jump back safely.
bool ReadPngTopRows(std::FILE* file, std::uint64_t pixelCount, CPngRead& read, QImage& image) {
    if (!CreatePngRead(read)) {
        return false;
    }
    if (setjmp(png_jmpbuf(read.Png))) {
        return false;
    }
    QSize size;
    bool hasAlpha = false;
    if (!SetUpPngRows(file, read, ImagePixelBudget, size, hasAlpha)) {
        return false;
    }
    const auto width = static_cast<std::uint32_t>(size.width());
    const std::uint32_t rows = RowsFor(pixelCount, width, static_cast<std::uint32_t>(size.height()));
    image = QImage(size.width(), static_cast<int>(rows), QImage::Format_ARGB32);
    if (image.isNull()) {
        return false;
    }
    for (std::uint32_t y = 0; y < rows; ++y) {
        png_read_row(read.Png, image.scanLine(static_cast<int>(y)), nullptr);
    }
    return true;
}

// Reads every row of a PNG into the sink, keeping copies of the top rows. Same setjmp rules as above;
// the sink's calls return before libpng can jump.
bool ReadPngAllRows(std::FILE* file, std::uint64_t pixelCount, CPngRead& read, QImage& top,
                    std::vector<QRgb>& row, CPngRowSink& sink) {
    if (!CreatePngRead(read)) {
        return false;
    }
    if (setjmp(png_jmpbuf(read.Png))) {
        return false;
    }
    QSize size;
    bool hasAlpha = false;
#ifdef PNG_IGNORE_ADLER32
    // The top rows alone never reach the stream's checksum either, so the two readers judge a damaged
    // file alike; skipping it saves a tenth of the decode.
    png_set_option(read.Png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    // Every row is decoded here, so the file must fit what a preview may cost.
    if (!SetUpPngRows(file, read, PreviewPixelBudget, size, hasAlpha) || !sink.Begin(size, hasAlpha)) {
        return false;
    }
    const auto width = static_cast<std::uint32_t>(size.width());
    const std::uint32_t topRows = RowsFor(pixelCount, width, static_cast<std::uint32_t>(size.height()));
    top = QImage(size.width(), static_cast<int>(topRows), QImage::Format_ARGB32);
    row.resize(width);
    if (top.isNull()) {
        return false;
    }
    for (int y = 0; y < size.height(); ++y) {
        auto* target = y < static_cast<int>(topRows) ? reinterpret_cast<QRgb*>(top.scanLine(y)) : row.data();
        png_read_row(read.Png, reinterpret_cast<png_bytep>(target), nullptr);
        if (!sink.Row(target) && y + 1 >= static_cast<int>(topRows)) {
            break;
        }
    }
    return true;
}

CBitmap CutToRows(const CBitmap& bitmap, std::uint64_t pixelCount) {
    if (!bitmap.IsValid()) {
        return bitmap;
    }
    const std::uint32_t rows = RowsFor(pixelCount, bitmap.Width(), bitmap.Height());
    if (rows == bitmap.Height()) {
        return bitmap;
    }
    return CBitmap(bitmap.Image().copy(0, 0, static_cast<int>(bitmap.Width()), static_cast<int>(rows)));
}

} // namespace

bool ReadPngRows(const QString& path, std::uint64_t pixelCount, CBitmap& topRows, CPngRowSink& sink) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        std::fopen(QFile::encodeName(path).constData(), "rb"), &std::fclose);
    if (!file) {
        return false;
    }
    png_byte signature[8] = {};
    if (std::fread(signature, 1, sizeof signature, file.get()) != sizeof signature ||
        png_sig_cmp(signature, 0, sizeof signature) != 0) {
        return false;
    }
    std::rewind(file.get());
    CPngRead read;
    QImage top;
    std::vector<QRgb> row;
    if (!ReadPngAllRows(file.get(), pixelCount, read, top, row, sink)) {
        return false;
    }
    topRows = CBitmap(std::move(top));
    return true;
}

CBitmap LoadTopRows(const QString& path, std::uint64_t pixelCount) {
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the PNG rows are read as little-endian ARGB");
    {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
            std::fopen(QFile::encodeName(path).constData(), "rb"), &std::fclose);
        if (file) {
            png_byte signature[8] = {};
            if (std::fread(signature, 1, sizeof signature, file.get()) == sizeof signature &&
                png_sig_cmp(signature, 0, sizeof signature) == 0) {
                std::rewind(file.get());
                CPngRead read;
                QImage image;
                if (ReadPngTopRows(file.get(), pixelCount, read, image)) {
                    return CBitmap(std::move(image));
                }
            }
        }
    }
    if (ImageFormatOfFile(path) == "jpeg") {
        ApplyDecodeAllocationLimit();
        QImageReader reader(path, "jpeg");
        reader.setAutoDetectImageFormat(false);
        reader.setAutoTransform(false);
        const QSize size = reader.size();
        const auto width = static_cast<std::uint64_t>(std::max(size.width(), 0));
        const auto height = static_cast<std::uint64_t>(std::max(size.height(), 0));
        if (size.isValid() && !FitsPixelBudget(size, ImagePixelBudget)) {
            return CBitmap::Failed(CBitmap::Status::OutOfMemory,
                                   TooManyPixelsText(width, height, ImagePixelBudget));
        }
        // A progressive file makes libjpeg hold the coefficients of the whole picture, several bytes a
        // pixel, whatever clip is asked for; a file that large is not worth it for a look at its top.
        if (size.isValid() && !FitsPixelBudget(size, PreviewPixelBudget) && IsMultiScanJpeg(path)) {
            return CBitmap::Failed(CBitmap::Status::OutOfMemory, MultiScanTooLargeText(width, height));
        }
        // libjpeg decodes top to bottom, so a clip of whole rows at the top stops the decoder early and
        // gives the same pixels as a full decode (the upsampling of a row only looks at its neighbours).
        if (size.isValid() && !size.isEmpty()) {
            const std::uint32_t rows = RowsFor(pixelCount, static_cast<std::uint32_t>(size.width()),
                                               static_cast<std::uint32_t>(size.height()));
            const QRect clip(0, 0, size.width(), static_cast<int>(rows));
            reader.setClipRect(clip);
            QImage image = reader.read();
            if (image.size() == clip.size()) {
                return CBitmap(std::move(image));
            }
        }
    }
    return CutToRows(CBitmap::Load(path), pixelCount);
}

} // namespace veilpane
