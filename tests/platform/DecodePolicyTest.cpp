#include "platform/DecodePolicy.h"
#include "platform/ImageFiles.h"
#include "platform/TopRowsReader.h"
#include "support/HostileImages.h"
#include "support/TempFolder.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

using namespace veilpane;

TEST(DecodePolicy, TellsTheFiveFormatsByTheirFirstBytesOnly) {
    const struct {
        QByteArray Head;
        QByteArray Format;
    } cases[] = {
        {QByteArray("\x89PNG\r\n\x1a\n", 8), "png"},
        {QByteArray("\x89PNG\r\n\x1a", 7), ""},
        {QByteArray("\xff\xd8\xff\xe0", 4), "jpeg"},
        {"GIF87a", "gif"},
        {"GIF89a", "gif"},
        {"GIF8", ""},
        {"BM\x36\x00", "bmp"},
        {QByteArray("II*\0", 4), "tiff"},
        {QByteArray("MM\0*", 4), "tiff"},
        {QByteArray("MM*\0", 4), ""},
        {"<?xml version", ""},
        {"<svg xmlns=", ""},
        {QByteArray("\0\0\1\0", 4), ""}, // icon
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ImageFormatOf(c.Head), c.Format) << c.Head.toHex().constData();
    }
}

TEST(DecodePolicy, PixelBudgetAdmitsUpToItsEdgeAndNothingEmpty) {
    const struct {
        std::uint64_t Width;
        std::uint64_t Height;
        std::uint64_t Budget;
        bool Fits;
    } cases[] = {
        {0, 10, 100, false},
        {10, 0, 100, false},
        {10, 10, 100, true},
        {10, 11, 100, false},
        {20000, 12500, ImagePixelBudget, true},
        {20000, 12501, ImagePixelBudget, false},
        {14142, 14142, ImagePixelBudget, true}, // 200 megapixels of camera
        {65535, 65535, ImagePixelBudget, false},
        {0x100000000u, 1, ~std::uint64_t{0}, false}, // wider than any header can say: no wrap
        {1, 0xFFFFFFFFu, 0xFFFFFFFFu, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitsPixelBudget(c.Width, c.Height, c.Budget), c.Fits) << c.Width << " x " << c.Height;
    }
    EXPECT_FALSE(FitsPixelBudget(QSize(), ImagePixelBudget));
    EXPECT_FALSE(FitsPixelBudget(QSize(-1, 5), ImagePixelBudget));
    EXPECT_GE(ImagePixelBudget, 200'000'000u);
    EXPECT_LT(PreviewPixelBudget, ImagePixelBudget);
}

TEST(DecodePolicy, TellsProgressiveAndSeparateScanJpegsFromSingleScanOnes) {
    test::CTempFolder temp;
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    const auto write = [&](const char* name, bool progressive) {
        QImageWriter writer(temp.FilePath(QString::fromLatin1(name)), "jpeg");
        writer.setProgressiveScanWrite(progressive);
        EXPECT_TRUE(writer.write(image));
        return temp.FilePath(QString::fromLatin1(name));
    };
    EXPECT_TRUE(IsMultiScanJpeg(write("progressive.jpg", true)));
    EXPECT_FALSE(IsMultiScanJpeg(write("baseline.jpg", false)));
    ASSERT_TRUE(
        test::WritePatchedProgressiveJpeg(temp.FilePath(QStringLiteral("patched.jpg")), 60000, 60000));
    EXPECT_TRUE(IsMultiScanJpeg(temp.FilePath(QStringLiteral("patched.jpg"))));
    // A sequential frame whose first scan holds one of three components: later scans follow, and libjpeg
    // buffers the whole picture for them as for a progressive one.
    QByteArray separate = temp.Read(QStringLiteral("baseline.jpg"));
    const qsizetype scan = separate.indexOf(QByteArray("\xff\xda", 2));
    ASSERT_GT(scan, 0);
    separate[scan + 4] = 1;
    EXPECT_TRUE(IsMultiScanJpeg(temp.Write(QStringLiteral("separate.jpg"), separate)));
    EXPECT_FALSE(IsMultiScanJpeg(temp.Write(QStringLiteral("cut.jpg"), separate.left(scan))));
    EXPECT_FALSE(IsMultiScanJpeg(temp.Write(QStringLiteral("not.jpg"), "GIF89a")));
}

// Each crafted file declares far more than it holds; every reader refuses it from its header, with the
// size in the reason, or (the SVG) does not take it as an image at all.
TEST(DecodePolicy, HostileFilesAreRefusedFromTheirHeaders) {
    test::CTempFolder temp;
    const QString tiffBomb = temp.FilePath(QStringLiteral("bomb.tif"));
    const QString truncated = temp.FilePath(QStringLiteral("truncated.tif"));
    const QString jpeg = temp.FilePath(QStringLiteral("patched.jpg"));
    const QString png = temp.FilePath(QStringLiteral("onebit.png"));
    const QString svgAsPng = temp.FilePath(QStringLiteral("drawing.png"));
    const QString svg = temp.FilePath(QStringLiteral("drawing.svg"));
    ASSERT_TRUE(test::WriteTiffBomb(tiffBomb, 20000, 20000));
    ASSERT_TRUE(test::WriteTruncatedTiff(truncated));
    ASSERT_TRUE(test::WritePatchedProgressiveJpeg(jpeg, 60000, 60000));
    ASSERT_TRUE(test::WriteOneBitPng(png, 40000));
    ASSERT_TRUE(test::WriteSvg(svgAsPng));
    ASSERT_TRUE(test::WriteSvg(svg));
    EXPECT_LT(QFileInfo(tiffBomb).size(), 20'000);
    EXPECT_LT(QFileInfo(png).size(), 400'000);
    const QString svgText = QStringLiteral("Not a PNG, JPEG, GIF, BMP or TIFF image");
    const struct {
        QString Path;
        bool Listed;
        CBitmap::Status Status;
        QString Error;
    } cases[] = {
        {tiffBomb, true, CBitmap::Status::OutOfMemory,
         QStringLiteral(
             "20000 x 20000 pixels (400 megapixels) is more than the 250 megapixels an image may have")},
        {truncated, true, CBitmap::Status::OutOfMemory,
         QStringLiteral(
             "65535 x 65535 pixels (4295 megapixels) is more than the 250 megapixels an image may have")},
        {jpeg, true, CBitmap::Status::OutOfMemory,
         QStringLiteral(
             "60000 x 60000 pixels (3600 megapixels) is more than the 250 megapixels an image may have")},
        {png, true, CBitmap::Status::OutOfMemory,
         QStringLiteral(
             "40000 x 40000 pixels (1600 megapixels) is more than the 250 megapixels an image may have")},
        {svgAsPng, false, CBitmap::Status::UnknownFormat, svgText},
        {svg, false, CBitmap::Status::UnknownFormat, svgText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path.toStdString());
        EXPECT_EQ(IsImageFile(c.Path), c.Listed);
        const CBitmap full = CBitmap::Load(c.Path);
        EXPECT_FALSE(full.IsValid());
        EXPECT_EQ(full.LastStatus(), c.Status);
        EXPECT_EQ(full.ErrorText(), c.Error);
        const CBitmap top = LoadTopRows(c.Path, 4096);
        EXPECT_FALSE(top.IsValid());
        EXPECT_EQ(top.ErrorText(), c.Error);
    }
    EXPECT_EQ(ListFolderImages(temp.Path()).size(), 4);
}

// Within the full budget but over what a preview decodes, a progressive JPEG is refused by detection,
// which would otherwise hold the coefficients of the whole picture for a look at its top rows.
TEST(DecodePolicy, DetectionRefusesALargeProgressiveJpegButNotABaselineOne) {
    test::CTempFolder temp;
    const QString progressive = temp.FilePath(QStringLiteral("progressive.jpg"));
    ASSERT_TRUE(test::WritePatchedProgressiveJpeg(progressive, 10000, 6000));
    const CBitmap top = LoadTopRows(progressive, 4096);
    EXPECT_FALSE(top.IsValid());
    EXPECT_EQ(top.ErrorText(),
              QStringLiteral("a progressive JPEG of 10000 x 6000 pixels (60 megapixels) is more "
                             "than the 50 megapixels a preview decodes"));
}

// Qt's own allocation limit (256 MB by default) refused real camera photos from 36 megapixels.
TEST(DecodePolicy, CameraPhotoOf36MegapixelsLoads) {
    test::CTempFolder temp;
    const QString path = temp.FilePath(QStringLiteral("camera.jpg"));
    ASSERT_TRUE(test::WriteCameraJpeg(path, 6000, 6000));
    const CBitmap photo = CBitmap::Load(path);
    ASSERT_TRUE(photo.IsValid()) << photo.ErrorText().toStdString();
    EXPECT_EQ(photo.Width(), 6000u);
    EXPECT_EQ(photo.Height(), 6000u);
    const CBitmap top = LoadTopRows(path, 4096);
    EXPECT_EQ(top.Width(), 6000u);
    EXPECT_EQ(top.Height(), 1u);
}
