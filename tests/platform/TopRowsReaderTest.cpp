#include "platform/TopRowsReader.h"
#include "platform/ImageFiles.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

struct CPngVariant {
    const char* Name;
    QStringList MagickOptions; // empty: written by Qt
};

} // namespace

// Whatever way a PNG stores its pixels, the top rows equal those of a full load, pixel for pixel.
TEST(TopRowsReader, MatchesAFullLoadForEveryPngLayout) {
    test::CTempFolder temp;
    const CBitmap source = test::MakeNoiseBitmap(301, 40, 6, true);
    const QString sourcePath = temp.FilePath(QStringLiteral("source.png"));
    ASSERT_TRUE(CBitmap(source.Image()).Save(sourcePath, QStringLiteral("image/png")));
    const bool haveMagick = test::HaveProgram(QStringLiteral("convert"));
    const CPngVariant variants[] = {
        {"rgba", {}},
        {"rgb 8", {QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("PNG24:")}},
        {"palette",
         {QStringLiteral("-alpha"), QStringLiteral("off"), QStringLiteral("-colors"), QStringLiteral("200"),
          QStringLiteral("PNG8:")}},
        {"palette with transparency",
         {QStringLiteral("-colors"), QStringLiteral("60"), QStringLiteral("PNG8:")}},
        {"grey 8",
         {QStringLiteral("-colorspace"), QStringLiteral("Gray"), QStringLiteral("-alpha"),
          QStringLiteral("off"), QStringLiteral("-define"), QStringLiteral("png:color-type=0"),
          QStringLiteral("PNG:")}},
        {"grey 1",
         {QStringLiteral("-monochrome"), QStringLiteral("-define"), QStringLiteral("png:bit-depth=1"),
          QStringLiteral("-define"), QStringLiteral("png:color-type=0"), QStringLiteral("PNG:")}},
        {"grey alpha",
         {QStringLiteral("-colorspace"), QStringLiteral("Gray"), QStringLiteral("-define"),
          QStringLiteral("png:color-type=4"), QStringLiteral("PNG:")}},
        {"16 bits", {QStringLiteral("-depth"), QStringLiteral("16"), QStringLiteral("PNG64:")}},
        {"interlaced", {QStringLiteral("-interlace"), QStringLiteral("PNG"), QStringLiteral("PNG32:")}},
    };
    for (const auto& variant : variants) {
        QString path = sourcePath;
        if (!variant.MagickOptions.isEmpty()) {
            if (!haveMagick) {
                continue;
            }
            QStringList args{sourcePath};
            args += variant.MagickOptions.mid(0, variant.MagickOptions.size() - 1);
            path =
                temp.FilePath(QString::fromLatin1(variant.Name).replace(QLatin1Char(' '), QLatin1Char('_')) +
                              QStringLiteral(".png"));
            args << variant.MagickOptions.last() + path;
            const auto made = test::RunProgram(QStringLiteral("convert"), args);
            ASSERT_EQ(made.ExitCode, 0) << variant.Name << made.Err.constData();
        }
        const CBitmap full = CBitmap::Load(path);
        ASSERT_TRUE(full.IsValid()) << variant.Name;
        for (const std::uint64_t pixels : {1152ull, 1ull, 301ull, 302ull, 301ull * 40ull, 1000000ull}) {
            const CBitmap top = LoadTopRows(path, pixels);
            ASSERT_TRUE(top.IsValid()) << variant.Name;
            const std::uint32_t rows =
                static_cast<std::uint32_t>(std::min<std::uint64_t>((pixels + 300) / 301, 40));
            ASSERT_EQ(top.Width(), 301u) << variant.Name;
            ASSERT_EQ(top.Height(), rows) << variant.Name << " " << pixels;
            for (std::uint32_t y = 0; y < rows; ++y) {
                for (std::uint32_t x = 0; x < 301; ++x) {
                    ASSERT_EQ(top.GetPixel(x, y), full.GetPixel(x, y))
                        << variant.Name << " at " << x << "," << y;
                }
            }
        }
    }
}

// JPEG's top rows come from a clipped decode: they must be the very pixels of a full decode for every
// chroma layout (upsampling blends neighbouring rows) and for progressive files, or detection would read
// other bits than extraction.
TEST(TopRowsReader, JpegTopRowsMatchAFullLoad) {
    test::CTempFolder temp;
    const QString sourcePath = temp.FilePath(QStringLiteral("source.png"));
    ASSERT_TRUE(test::MakeNoiseBitmap(1203, 37, 9).Save(sourcePath, QStringLiteral("image/png")));
    QStringList paths;
    const QString qtJpeg = temp.FilePath(QStringLiteral("qt.jpg"));
    ASSERT_TRUE(CBitmap::Load(sourcePath).Save(qtJpeg, QStringLiteral("image/jpeg")));
    paths << qtJpeg;
    if (test::HaveProgram(QStringLiteral("convert"))) {
        const QList<std::pair<const char*, QStringList>> variants = {
            {"420.jpg", {QStringLiteral("-sampling-factor"), QStringLiteral("2x2")}},
            {"422.jpg", {QStringLiteral("-sampling-factor"), QStringLiteral("2x1")}},
            {"progressive.jpg", {QStringLiteral("-interlace"), QStringLiteral("JPEG")}},
            {"grey.jpg", {QStringLiteral("-colorspace"), QStringLiteral("Gray")}},
        };
        for (const auto& [name, options] : variants) {
            const QString path = temp.FilePath(QString::fromLatin1(name));
            const auto made = test::RunProgram(QStringLiteral("convert"),
                                               QStringList{sourcePath} + options + QStringList{path});
            ASSERT_EQ(made.ExitCode, 0) << name << made.Err.constData();
            paths << path;
        }
    }
    for (const QString& path : paths) {
        const CBitmap full = CBitmap::Load(path);
        ASSERT_TRUE(full.IsValid()) << path.toStdString();
        for (const std::uint64_t pixels : {1152ull, 1203ull, 1204ull, 1203ull * 20ull, 1000000ull}) {
            const CBitmap top = LoadTopRows(path, pixels);
            const std::uint32_t rows =
                static_cast<std::uint32_t>(std::min<std::uint64_t>((pixels + 1202) / 1203, 37));
            ASSERT_EQ(top.Width(), 1203u) << path.toStdString();
            ASSERT_EQ(top.Height(), rows) << path.toStdString() << " " << pixels;
            EXPECT_EQ(test::CountDifferentPixels(
                          top, CBitmap(full.Image().copy(0, 0, 1203, static_cast<int>(rows)))),
                      0)
                << path.toStdString() << " " << pixels;
        }
    }
    // A JPEG cut short: whatever the decoder still gives, never more rows than asked for.
    QByteArray bytes = temp.Read(QStringLiteral("qt.jpg"));
    const QString cut = temp.Write(QStringLiteral("cut.jpg"), bytes.left(200));
    const CBitmap top = LoadTopRows(cut, 1152);
    EXPECT_LE(top.Height(), 1u);
}

TEST(TopRowsReader, OtherFormatsAndFailures) {
    test::CTempFolder temp;
    CBitmap source = test::MakeNoiseBitmap(50, 60, 8);
    for (const char* mime : {"image/bmp", "image/tiff"}) {
        const QString path = temp.FilePath(QStringLiteral("image"));
        ASSERT_TRUE(source.Save(path, QString::fromLatin1(mime)));
        const CBitmap top = LoadTopRows(path, 1152);
        ASSERT_EQ(top.Width(), 50u) << mime;
        ASSERT_EQ(top.Height(), 24u) << mime;
        EXPECT_EQ(test::CountDifferentPixels(top, CBitmap(source.Image().copy(0, 0, 50, 24))), 0) << mime;
    }
    EXPECT_FALSE(LoadTopRows(temp.FilePath(QStringLiteral("missing.png")), 1152).IsValid());
    // A PNG signature followed by garbage: libpng fails and the full decoder fails too.
    const QString broken =
        temp.Write(QStringLiteral("broken.png"), QByteArray("\x89PNG\r\n\x1a\n", 8) + "garbage");
    EXPECT_FALSE(LoadTopRows(broken, 1152).IsValid());
    // A PNG cut off after its first rows still gives them.
    const QString whole = temp.FilePath(QStringLiteral("whole.png"));
    ASSERT_TRUE(test::MakeNoiseBitmap(400, 400, 3).Save(whole, QStringLiteral("image/png")));
    QByteArray bytes = temp.Read(QStringLiteral("whole.png"));
    const QString cut = temp.Write(QStringLiteral("cut.png"), bytes.left(bytes.size() / 2));
    const CBitmap top = LoadTopRows(cut, 1152);
    ASSERT_TRUE(top.IsValid());
    EXPECT_EQ(test::CountDifferentPixels(top, CBitmap(CBitmap::Load(whole).Image().copy(0, 0, 400, 3))), 0);
}

TEST(ImageFiles, ContentDecidesAndFoldersListTheirImages) {
    test::CTempFolder temp;
    CBitmap image = test::MakeNoiseBitmap(10, 10);
    ASSERT_TRUE(image.Save(temp.FilePath(QStringLiteral("a10.png")), QStringLiteral("image/png")));
    ASSERT_TRUE(image.Save(temp.FilePath(QStringLiteral("a9.png")), QStringLiteral("image/png")));
    ASSERT_TRUE(image.Save(temp.FilePath(QStringLiteral("picture.dat")), QStringLiteral("image/bmp")));
    ASSERT_TRUE(image.Save(temp.FilePath(QStringLiteral(".hidden.png")), QStringLiteral("image/png")));
    temp.Write(QStringLiteral("notes.png"), "not an image at all");
    temp.Write(QStringLiteral("readme.txt"), "text");
    ASSERT_TRUE(QDir(temp.Path()).mkdir(QStringLiteral("sub.png")));
    EXPECT_TRUE(IsImageFile(temp.FilePath(QStringLiteral("picture.dat"))));
    EXPECT_FALSE(IsImageFile(temp.FilePath(QStringLiteral("notes.png"))));
    EXPECT_FALSE(IsImageFile(temp.FilePath(QStringLiteral("sub.png"))));
    // In the order a person reads: a9 before a10.
    EXPECT_EQ(ListFolderImages(temp.Path()),
              QStringList({temp.FilePath(QStringLiteral(".hidden.png")),
                           temp.FilePath(QStringLiteral("a9.png")), temp.FilePath(QStringLiteral("a10.png")),
                           temp.FilePath(QStringLiteral("picture.dat"))}));
    EXPECT_TRUE(ListFolderImages(temp.FilePath(QStringLiteral("missing"))).isEmpty());
}

// The scan's quick look at the first bytes must answer as the decoders themselves do, for real files and
// for headers alone (a signature followed by junk, one byte short of a signature, text).
TEST(ImageFiles, QuickSignatureLookAgreesWithTheDecoders) {
    test::CTempFolder temp;
    CBitmap image = test::MakeNoiseBitmap(12, 9);
    QStringList paths;
    for (const char* mime : {"image/png", "image/jpeg", "image/gif", "image/bmp", "image/tiff"}) {
        const QString path = temp.FilePath(QString::fromLatin1(mime).mid(6) + QStringLiteral(".img"));
        ASSERT_TRUE(image.Save(path, QString::fromLatin1(mime))) << mime;
        paths << path;
    }
    const QByteArray heads[] = {QByteArray("\x89PNG\r\n\x1a\njunk"),
                                QByteArray("\x89PNG\r\n\x1a"),
                                QByteArray("\xff\xd8junk"),
                                QByteArray("\xff"),
                                QByteArray("GIF89ajunk"),
                                QByteArray("GIF"),
                                QByteArray("BMjunk"),
                                QByteArray("B"),
                                QByteArray("II*\0junk", 8),
                                QByteArray("MM\0*junk", 8),
                                QByteArray("II*", 3),
                                QByteArray("plain text")};
    int i = 0;
    for (const QByteArray& head : heads) {
        paths << temp.Write(QStringLiteral("head%1.img").arg(i++), head);
    }
    for (const QString& path : paths) {
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(IsImageFile(path), reader.canRead()) << path.toStdString();
    }
}
