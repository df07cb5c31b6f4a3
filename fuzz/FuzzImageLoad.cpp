// Image files from anywhere, through the bitmap surface: the full decoder (Qt's readers and our own
// unassociated-alpha TIFF reader), the top-rows reader that detection uses (libpng row by row, the JPEG
// clip) and the one-pass PNG reader of the thumbnails, then detection itself, all under the decode policy:
// a file declaring more than the budget is refused by every reader. The first byte picks the file name's
// extension; the rest is the file.
#include "FuzzSupport.h"

#include "crypto/CipherProfile.h"
#include "platform/Bitmap.h"
#include "platform/DecodePolicy.h"
#include "platform/TopRowsReader.h"
#include "stego/HiddenContent.h"
#include "stego/HideEngine.h"

#include <QImageReader>
#include <QImageWriter>

#include <array>

using namespace veilpane;
using namespace veilpane::fuzz;

namespace {

const std::array<QString, 8> Extensions = {
    QStringLiteral("png"), QStringLiteral("bmp"), QStringLiteral("tif"),  QStringLiteral("gif"),
    QStringLiteral("jpg"), QStringLiteral("ico"), QStringLiteral("tiff"), QStringLiteral("dat"),
};

// A small busy carrier with a hidden file, saved in every format the program writes.
QList<QByteArray> Seeds() {
    CBitmap carrier(48, 40);
    for (std::uint32_t y = 0; y < carrier.Height(); ++y) {
        for (std::uint32_t x = 0; x < carrier.Width(); ++x) {
            carrier.SetPixel(x, y, 0xFF000000u | (x * 5u << 16) | (y * 6u << 8) | ((x * y) & 0xFFu));
        }
    }
    const CScratchFolder folder;
    const QString hidden = folder.FilePath(QStringLiteral("notes.txt"));
    {
        QFile file(hidden);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write("a short hidden note\r\n") > 0);
    }
    CReportStatistics statistics;
    FUZZ_CHECK(HideFileInImage(&carrier, hidden, FuzzPasswordSet().Passwords[0], statistics).Ok());
    CBitmap translucent = carrier.Copy();
    translucent.SetPixel(3, 3, 0x80123456u);

    QList<QByteArray> seeds;
    const struct {
        const CBitmap* Image;
        const char* Mime;
        char Extension;
    } saves[] = {
        {&carrier, "image/png", 0},     {&carrier, "image/bmp", 1},  {&carrier, "image/tiff", 2},
        {&carrier, "image/gif", 3},     {&carrier, "image/jpeg", 4}, {&translucent, "image/tiff", 6},
        {&translucent, "image/png", 0},
    };
    for (const auto& save : saves) {
        CBitmap copy = save.Image->Copy();
        const QString path = folder.FilePath(QStringLiteral("seed"));
        FUZZ_CHECK(copy.Save(path, QString::fromLatin1(save.Mime)));
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly));
        seeds << QByteArray(1, save.Extension) + file.readAll();
    }
    {
        // The layout that makes libjpeg hold the whole picture's coefficients.
        const QString path = folder.FilePath(QStringLiteral("progressive.jpg"));
        QImageWriter writer(path, "jpeg");
        writer.setProgressiveScanWrite(true);
        FUZZ_CHECK(writer.write(carrier.Image()));
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::ReadOnly));
        seeds << QByteArray(1, 4) + file.readAll();
    }
    folder.Clear();
    return seeds;
}

} // namespace

// Counts what the one-pass reader hands over.
class CCountingSink final : public CPngRowSink {
public:
    bool Begin(QSize size, bool) override {
        FUZZ_CHECK(FitsPixelBudget(size, PreviewPixelBudget));
        Size = size;
        return true;
    }
    bool Row(const QRgb*) override {
        ++Rows;
        FUZZ_CHECK(Rows <= Size.height());
        return true;
    }
    QSize Size;
    int Rows = 0;
};

// Within the budget, a declared size above this is a legitimate large picture, not a finding: decoding
// it would only measure the fuzzer's memory limit.
constexpr std::uint64_t FuzzPixelCap = 4'000'000;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartQt();
    SetCipherLogStream(nullptr);
    WriteSeedsIfAsked(Seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CScratchFolder scratch;
    static const CPasswordSet set = FuzzPasswordSet();
    CInput input(data, size);
    const QString path =
        scratch.FilePath(QStringLiteral("image.") + Extensions[input.Byte() % Extensions.size()]);
    {
        QFile file(path);
        const QByteArray bytes = input.Rest();
        FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    (void)IsMultiScanJpeg(path);
    QSize declared;
    if (const QByteArray format = ImageFormatOfFile(path); !format.isEmpty()) {
        QImageReader reader(path, format);
        reader.setAutoDetectImageFormat(false);
        declared = reader.size();
    }
    const bool overBudget = declared.isValid() && !FitsPixelBudget(declared, ImagePixelBudget);
    if (!overBudget && declared.isValid() && !FitsPixelBudget(declared, FuzzPixelCap)) {
        scratch.Clear();
        return 0;
    }
    const CBitmap full = CBitmap::Load(path);
    const CBitmap top = LoadTopRows(path, HeaderPixelCount);
    if (overBudget) {
        FUZZ_CHECK(!full.IsValid() && !top.IsValid());
    }
    {
        CCountingSink sink;
        CBitmap rows;
        if (ReadPngRows(path, HeaderPixelCount, rows, sink)) {
            FUZZ_CHECK(rows.Width() == static_cast<std::uint32_t>(sink.Size.width()));
        }
    }
    if (full.IsValid()) {
        FUZZ_CHECK(full.Image().format() == QImage::Format_ARGB32);
        (void)DetectPayload(full, set);
    }
    if (top.IsValid()) {
        (void)DetectPayload(top, set);
    }
    if (full.IsValid() && top.IsValid()) {
        // The top rows are exactly those of a full load.
        FUZZ_CHECK(top.Width() == full.Width() && top.Height() <= full.Height());
        for (std::uint32_t y = 0; y < top.Height(); ++y) {
            FUZZ_CHECK(
                std::equal(top.ConstScanLine(y), top.ConstScanLine(y) + top.Width(), full.ConstScanLine(y)));
        }
    }
    scratch.Clear();
    return 0;
}
