#include "platform/Bitmap.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QSet>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace veilpane;
using veilpane::test::CTempFolder;
using veilpane::test::MakeNoiseBitmap;

TEST(Bitmap, FailedLoadsAreEmptyAndKeepTheirError) {
    CTempFolder folder;
    const CBitmap missing = CBitmap::Load(folder.FilePath(QStringLiteral("nothing.png")));
    EXPECT_FALSE(missing.IsValid());
    EXPECT_EQ(missing.Width(), 0u);
    EXPECT_EQ(missing.Height(), 0u);
    EXPECT_EQ(missing.LastStatus(), CBitmap::Status::FileNotFound);
    EXPECT_EQ(missing.GetPixel(0, 0), 0u);

    const CBitmap garbage = CBitmap::Load(folder.Write(QStringLiteral("fake.png"), QByteArray(300, 'x')));
    EXPECT_FALSE(garbage.IsValid());
    EXPECT_NE(garbage.LastStatus(), CBitmap::Status::Ok);
    EXPECT_FALSE(garbage.ErrorText().isEmpty());

    // A truncated PNG is not an image either (or at most a partial one); it never crashes.
    CBitmap good = MakeNoiseBitmap(50, 50);
    const QString path = folder.FilePath(QStringLiteral("good.png"));
    ASSERT_TRUE(good.Save(path, QStringLiteral("image/png")));
    const QByteArray bytes = folder.Read(QStringLiteral("good.png"));
    const CBitmap truncated =
        CBitmap::Load(folder.Write(QStringLiteral("cut.png"), bytes.left(bytes.size() / 2)));
    EXPECT_LE(truncated.Width(), 50u);
}

// A BMP cut short: the decoder reads the bottom rows and stops. The rows it never reached are black, the
// same at every load, never whatever the memory held before.
TEST(Bitmap, RowsAFileCutShortNeverHadAreBlack) {
    CTempFolder folder;
    CBitmap good = MakeNoiseBitmap(48, 40);
    const QString path = folder.FilePath(QStringLiteral("good.bmp"));
    ASSERT_TRUE(good.Save(path, QStringLiteral("image/bmp")));
    const QByteArray bytes = folder.Read(QStringLiteral("good.bmp"));
    const QString cut = folder.Write(QStringLiteral("cut.bmp"), bytes.left(bytes.size() / 2));
    for (int load = 0; load < 3; ++load) {
        // Memory of the image's size, dirtied and given back, as a busy program leaves it.
        auto* dirty = new std::uint32_t[48 * 40];
        std::fill(dirty, dirty + 48 * 40, 0x5A5A5A5Au);
        delete[] dirty;
        const CBitmap loaded = CBitmap::Load(cut);
        ASSERT_TRUE(loaded.IsValid());
        ASSERT_EQ(loaded.Width(), 48u);
        // Stored bottom up: the lower half came from the file, the upper half never did.
        for (std::uint32_t y = 0; y < 40; ++y) {
            for (std::uint32_t x = 0; x < 48; ++x) {
                if (y >= 21) {
                    EXPECT_EQ(loaded.GetPixel(x, y), good.GetPixel(x, y)) << x << "," << y;
                } else if (y < 19) {
                    EXPECT_EQ(loaded.GetPixel(x, y), 0xFF000000u) << x << "," << y;
                }
            }
        }
    }
}

TEST(Bitmap, PixelAccessBoundsAndCopies) {
    CBitmap bitmap(3, 2);
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0u);
    EXPECT_TRUE(bitmap.SetPixel(2, 1, 0x80FF0102u));
    EXPECT_EQ(bitmap.GetPixel(2, 1), 0x80FF0102u)
        << "translucent pixels keep their colour: never premultiplied";
    EXPECT_FALSE(bitmap.SetPixel(3, 0, 1u));
    EXPECT_FALSE(bitmap.SetPixel(0, 2, 1u));
    EXPECT_EQ(bitmap.GetPixel(3, 0), 0u);
    EXPECT_EQ(bitmap.GetPixel(0, 99), 0u);

    CBitmap copy = bitmap.Copy();
    copy.SetPixel(0, 0, 0xFFFFFFFFu);
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0u);
    EXPECT_EQ(copy.GetPixel(2, 1), 0x80FF0102u);
    EXPECT_FALSE(CBitmap().IsValid());
    EXPECT_FALSE(CBitmap().Copy().IsValid());
}

TEST(Bitmap, RotateAndFlipAreLossless) {
    // 3 x 2:  a b c
    //         d e f
    CBitmap bitmap(3, 2);
    const std::uint32_t a = 0xFF000001, b = 0xFF000002, c = 0xFF000003, d = 0x10000004, e = 0xFF000005,
                        f = 0x00000006;
    const std::uint32_t pixels[2][3] = {{a, b, c}, {d, e, f}};
    for (std::uint32_t y = 0; y < 2; ++y) {
        for (std::uint32_t x = 0; x < 3; ++x) {
            bitmap.SetPixel(x, y, pixels[y][x]);
        }
    }
    auto rows = [](const CBitmap& bm) {
        std::vector<std::vector<std::uint32_t>> out(bm.Height());
        for (std::uint32_t y = 0; y < bm.Height(); ++y) {
            for (std::uint32_t x = 0; x < bm.Width(); ++x) {
                out[y].push_back(bm.GetPixel(x, y));
            }
        }
        return out;
    };
    using Rows = std::vector<std::vector<std::uint32_t>>;
    CBitmap r90 = bitmap.Copy();
    ASSERT_TRUE(r90.RotateFlip(CBitmap::Rotate90));
    EXPECT_EQ(rows(r90), (Rows{{d, a}, {e, b}, {f, c}}));
    CBitmap r270 = bitmap.Copy();
    ASSERT_TRUE(r270.RotateFlip(CBitmap::Rotate270));
    EXPECT_EQ(rows(r270), (Rows{{c, f}, {b, e}, {a, d}}));
    CBitmap mirror = bitmap.Copy();
    ASSERT_TRUE(mirror.RotateFlip(CBitmap::MirrorX));
    EXPECT_EQ(rows(mirror), (Rows{{c, b, a}, {f, e, d}}));
    CBitmap flip = bitmap.Copy();
    ASSERT_TRUE(flip.RotateFlip(CBitmap::FlipY));
    EXPECT_EQ(rows(flip), (Rows{{d, e, f}, {a, b, c}}));
    EXPECT_EQ(flip.Image().format(), QImage::Format_ARGB32);

    CBitmap other = bitmap.Copy();
    EXPECT_FALSE(other.RotateFlip(2));
    EXPECT_EQ(rows(other), rows(bitmap));
    CBitmap empty;
    EXPECT_FALSE(empty.RotateFlip(CBitmap::Rotate90));
}

TEST(Bitmap, LosslessFormatsRoundTripEveryBit) {
    CTempFolder folder;
    const CBitmap opaque = MakeNoiseBitmap(173, 61, 4);
    const CBitmap translucent = MakeNoiseBitmap(64, 33, 5, /*withAlpha=*/true);
    const struct {
        const char* Mime;
        const char* Name;
        bool KeepsAlpha;
    } formats[] = {
        {"image/png", "a.png", true}, {"image/bmp", "a.bmp", false}, {"image/tiff", "a.tif", true}};
    for (const auto& format : formats) {
        SCOPED_TRACE(format.Mime);
        CBitmap source = opaque.Copy();
        const QString path = folder.FilePath(QString::fromLatin1(format.Name));
        ASSERT_TRUE(source.Save(path, QString::fromLatin1(format.Mime))) << source.ErrorText().toStdString();
        const CBitmap back = CBitmap::Load(path);
        ASSERT_TRUE(back.IsValid());
        EXPECT_EQ(test::CountDifferentPixels(back, opaque), 0);
        if (format.KeepsAlpha) {
            CBitmap alpha = translucent.Copy();
            ASSERT_TRUE(alpha.Save(path, QString::fromLatin1(format.Mime)));
            EXPECT_EQ(test::CountDifferentPixels(CBitmap::Load(path), translucent), 0);
        }
    }
}

TEST(Bitmap, LossyFormatsAndGifPalette) {
    CTempFolder folder;
    CBitmap photo = MakeNoiseBitmap(120, 80, 6);
    const QString jpeg = folder.FilePath(QStringLiteral("a.jpg"));
    ASSERT_TRUE(photo.Save(jpeg, QStringLiteral("image/jpeg")));
    const CBitmap jpegBack = CBitmap::Load(jpeg);
    ASSERT_EQ(jpegBack.Width(), 120u);
    ASSERT_EQ(jpegBack.Height(), 80u);
    QImageReader jpegReader(jpeg);
    EXPECT_EQ(jpegReader.format(), "jpeg");

    // Many colours: quantised to a palette of at most 256.
    const QString gif = folder.FilePath(QStringLiteral("a.gif"));
    ASSERT_TRUE(photo.Save(gif, QStringLiteral("image/gif"))) << photo.ErrorText().toStdString();
    const CBitmap gifBack = CBitmap::Load(gif);
    ASSERT_EQ(gifBack.Width(), 120u);
    ASSERT_EQ(gifBack.Height(), 80u);
    QSet<std::uint32_t> colours;
    for (std::uint32_t y = 0; y < 80; ++y) {
        for (std::uint32_t x = 0; x < 120; ++x) {
            colours.insert(gifBack.GetPixel(x, y));
        }
    }
    EXPECT_LE(colours.size(), 256);
    EXPECT_GT(colours.size(), 16) << "a real palette, not a handful of colours";

    // Few colours: kept exactly, including a transparent area.
    CBitmap flat(30, 20);
    for (std::uint32_t y = 0; y < 20; ++y) {
        for (std::uint32_t x = 0; x < 30; ++x) {
            flat.SetPixel(x, y, x < 10 ? 0x00000000u : (y < 10 ? 0xFFFF0000u : 0xFF123456u));
        }
    }
    const QString flatGif = folder.FilePath(QStringLiteral("flat.gif"));
    ASSERT_TRUE(flat.Save(flatGif, QStringLiteral("image/gif")));
    const CBitmap flatBack = CBitmap::Load(flatGif);
    EXPECT_EQ(flatBack.GetPixel(15, 5), 0xFFFF0000u);
    EXPECT_EQ(flatBack.GetPixel(15, 15), 0xFF123456u);
    EXPECT_EQ(flatBack.GetPixel(5, 5) >> 24, 0u);

    if (test::HaveProgram(QStringLiteral("identify"))) {
        const auto result = test::RunProgram(QStringLiteral("identify"),
                                             {QStringLiteral("-format"), QStringLiteral("%m %w %h %k"), gif});
        ASSERT_EQ(result.ExitCode, 0) << result.Err.toStdString();
        const QList<QByteArray> fields = result.Out.split(' ');
        ASSERT_EQ(fields.size(), 4);
        EXPECT_EQ(fields[0], "GIF");
        EXPECT_EQ(fields[1], "120");
        EXPECT_EQ(fields[2], "80");
        EXPECT_LE(fields[3].toInt(), 256);
    }
}

TEST(Bitmap, SaveFailuresKeepTheOldFile) {
    CTempFolder folder;
    CBitmap bitmap = MakeNoiseBitmap(20, 20);
    const QString path = folder.Write(QStringLiteral("keep.png"), "old contents");
    EXPECT_FALSE(bitmap.Save(path, QStringLiteral("image/x-unknown")));
    EXPECT_EQ(folder.Read(QStringLiteral("keep.png")), "old contents");
    EXPECT_FALSE(CBitmap().Save(path, QStringLiteral("image/png")));
    EXPECT_EQ(folder.Read(QStringLiteral("keep.png")), "old contents");

    EXPECT_FALSE(
        bitmap.Save(folder.FilePath(QStringLiteral("no/such/folder/x.png")), QStringLiteral("image/png")));
    EXPECT_EQ(bitmap.LastStatus(), CBitmap::Status::WriteFailed);
    EXPECT_FALSE(bitmap.ErrorText().isEmpty());

    if (geteuid() != 0) { // root writes anywhere
        ASSERT_EQ(chmod(folder.Path().toLocal8Bit().constData(), 0500), 0);
        EXPECT_FALSE(bitmap.Save(path, QStringLiteral("image/png")));
        chmod(folder.Path().toLocal8Bit().constData(), 0700);
        EXPECT_EQ(folder.Read(QStringLiteral("keep.png")), "old contents");
    }
    ASSERT_TRUE(bitmap.Save(path, QStringLiteral("image/png")));
    EXPECT_EQ(CBitmap::Load(path).Width(), 20u);
}

// A save replaces a symbolic link of its name (even a dangling one) by the image and never writes where the
// link points; a file it replaces keeps its permission bits.
TEST(Bitmap, SaveReplacesALinkNotItsTarget) {
    CTempFolder folder;
    CTempFolder elsewhere;
    CBitmap bitmap = MakeNoiseBitmap(20, 20);
    const QString victim = elsewhere.Write(QStringLiteral(".bashrc"), "keep me");
    const QString dangling = elsewhere.FilePath(QStringLiteral("not-yet"));
    for (const QString& target : {victim, dangling}) {
        const QString link = folder.FilePath(QStringLiteral("photo.png"));
        QFile::remove(link);
        ASSERT_TRUE(QFile::link(target, link));
        ASSERT_TRUE(bitmap.Save(link, QStringLiteral("image/png")));
        EXPECT_FALSE(QFileInfo(link).isSymLink());
        EXPECT_EQ(CBitmap::Load(link).Width(), 20u);
        EXPECT_EQ(elsewhere.Read(QStringLiteral(".bashrc")), "keep me");
        EXPECT_FALSE(QFileInfo::exists(dangling));
    }
    const QString narrowed = folder.FilePath(QStringLiteral("photo.png"));
    ASSERT_EQ(chmod(narrowed.toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(bitmap.Save(narrowed, QStringLiteral("image/png")));
    struct stat info {};
    ASSERT_EQ(stat(narrowed.toLocal8Bit().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(Bitmap, CodecLists) {
    QStringList encoderMimes;
    for (const CCodecInfo& codec : CBitmap::Encoders()) {
        encoderMimes << codec.MimeType;
        EXPECT_FALSE(codec.Patterns.isEmpty());
    }
    for (const char* mime : {"image/png", "image/bmp", "image/tiff", "image/jpeg", "image/gif"}) {
        EXPECT_TRUE(encoderMimes.contains(QString::fromLatin1(mime))) << mime;
    }
    QStringList patterns;
    for (const CCodecInfo& codec : CBitmap::Decoders()) {
        patterns << codec.Patterns;
    }
    for (const char* pattern : {"*.png", "*.bmp", "*.tif", "*.jpg", "*.gif"}) {
        EXPECT_TRUE(patterns.contains(QString::fromLatin1(pattern))) << pattern;
    }
}
