#include "CarrierFolder.h"

#include "browse/FitGeometry.h"
#include "browse/ThumbnailRender.h"
#include "support/HostileImages.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

using namespace veilpane;
using veilpane::test::Blend;
using veilpane::test::Near;

namespace {

struct CPlacementCase {
    QSize Picture;
    QRect Expected;
};

void PrintTo(const CPlacementCase& c, std::ostream* os) {
    *os << c.Picture.width() << "x" << c.Picture.height();
}

class ThumbnailPlacement : public testing::TestWithParam<CPlacementCase> {};

// Wide, tall, exact, enlarged, and the extremes where one side rounds to nothing.
INSTANTIATE_TEST_SUITE_P(Cases, ThumbnailPlacement,
                         testing::Values(CPlacementCase{{300, 100}, {0, 42, 150, 50}},
                                         CPlacementCase{{100, 300}, {52, 0, 45, 135}},
                                         CPlacementCase{{150, 135}, {0, 0, 150, 135}},
                                         CPlacementCase{{1920, 1080}, {0, 25, 150, 84}},
                                         CPlacementCase{{4000, 3000}, {0, 11, 150, 112}},
                                         CPlacementCase{{30, 27}, {0, 0, 150, 135}},
                                         CPlacementCase{{10, 100}, {68, 0, 13, 135}},
                                         CPlacementCase{{10000, 1}, {0, 67, 150, 0}},
                                         CPlacementCase{{1, 10000}, {74, 0, 0, 135}},
                                         CPlacementCase{{0, 0}, {}}, CPlacementCase{{-5, 10}, {}}));

TEST_P(ThumbnailPlacement, FitsAndCentres) {
    const CPlacementCase& c = GetParam();
    EXPECT_EQ(ThumbnailPictureRect(c.Picture), c.Expected) << c.Picture.width() << "x" << c.Picture.height();
}

struct CPreviewCase {
    QSize Client;
    QSize Image;
    QRect Expected;
};

void PrintTo(const CPreviewCase& c, std::ostream* os) {
    *os << c.Image.width() << "x" << c.Image.height() << " in " << c.Client.width() << "x"
        << c.Client.height();
}

class PreviewGeometry : public testing::TestWithParam<CPreviewCase> {};

INSTANTIATE_TEST_SUITE_P(
    Cases, PreviewGeometry,
    testing::Values(CPreviewCase{{600, 600}, {1000, 500}, {0, 150, 600, 300}},
                    CPreviewCase{{600, 400}, {500, 1000}, {200, 0, 200, 400}},
                    // An odd remainder is split with the extra pixel on the far side.
                    CPreviewCase{{601, 400}, {500, 1000}, {200, 0, 200, 400}},
                    CPreviewCase{{600, 400}, {1200, 800}, {0, 0, 600, 400}},
                    CPreviewCase{{750, 640}, {1920, 1080}, {0, 109, 750, 421}},
                    CPreviewCase{{1, 1}, {4000, 3000}, {0, 0, 1, 0}},
                    // Nothing to fit into, or nothing to fit: no canvas instead of a division by zero.
                    CPreviewCase{{0, 400}, {500, 1000}, {}}, CPreviewCase{{600, 0}, {500, 1000}, {}},
                    CPreviewCase{{600, 400}, {0, 0}, {}}));

TEST_P(PreviewGeometry, FitsTheImageBetweenBars) {
    const CPreviewCase& c = GetParam();
    EXPECT_EQ(PreviewCanvasRect(c.Client, c.Image), c.Expected);
}

constexpr QRgb Picture = 0xFF405060u;
constexpr QRgb White = 0xFFFFFFFFu;

QColor At(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

// One probe on each side of an edge of the picture: inside the picture under the pen, outside under
// the pen, and outside beyond its reach.
struct CEdgeProbe {
    QPoint OverPicture;
    QPoint OverWhite;   // x or y below 0 when the edge lies on the thumbnail's border
    QPoint BeyondFrame; // likewise
};

struct CRenderCase {
    const char* Name;
    QSize Size;
    CEdgeProbe Edge;
    QPoint Centre;
};

const CRenderCase RenderCases[] = {
    {"300x100", {300, 100}, {{75, 45}, {75, 39}, {75, 30}}, {75, 67}},
    {"100x300", {100, 300}, {{55, 67}, {49, 67}, {40, 67}}, {74, 67}},
    {"1920x1080", {1920, 1080}, {{75, 28}, {75, 22}, {75, 15}}, {75, 67}},
};

// The frame colours read back from the drawn pixels, for the three fits and every kind: half the pen
// over the picture, half over the white around it, nothing beyond, and the picture untouched inside.
TEST(ThumbnailRender, FrameColoursAndBackgroundReadBackFromPixels) {
    for (const CRenderCase& c : RenderCases) {
        QImage source(c.Size, QImage::Format_ARGB32);
        source.fill(Picture);
        for (const std::int32_t kind : {10, 20, 30, 40, 50}) {
            const QImage thumb = RenderThumbnail(source, c.Size, kind);
            SCOPED_TRACE(std::string(c.Name) + " kind " + std::to_string(kind));
            ASSERT_EQ(thumb.size(), QSize(150, 135));
            EXPECT_EQ(thumb.format(), QImage::Format_RGB888);
            EXPECT_TRUE(Near(At(thumb, c.Centre.x(), c.Centre.y()), QColor::fromRgb(Picture), 0));
            EXPECT_TRUE(Near(At(thumb, c.Edge.BeyondFrame.x(), c.Edge.BeyondFrame.y()), Qt::white, 0));
            const QRgb frame = ThumbnailFrameColor(kind);
            if (kind == 10) {
                EXPECT_EQ(frame, 0u);
                EXPECT_TRUE(Near(At(thumb, c.Edge.OverPicture.x(), c.Edge.OverPicture.y()),
                                 QColor::fromRgb(Picture), 0));
                EXPECT_TRUE(Near(At(thumb, c.Edge.OverWhite.x(), c.Edge.OverWhite.y()), Qt::white, 0));
                continue;
            }
            const QRgb expectedFrame = kind == 20 ? 0x8017B701u : kind == 30 ? 0x8004C8CAu : 0x80E85708u;
            EXPECT_EQ(frame, expectedFrame);
            const QColor overPicture = At(thumb, c.Edge.OverPicture.x(), c.Edge.OverPicture.y());
            const QColor overWhite = At(thumb, c.Edge.OverWhite.x(), c.Edge.OverWhite.y());
            EXPECT_TRUE(Near(overPicture, Blend(frame, Picture))) << overPicture.name().toStdString();
            EXPECT_TRUE(Near(overWhite, Blend(frame, White))) << overWhite.name().toStdString();
        }
    }
}

// A decoder that already reduced the picture (JPEG) gives the same thumbnail as the full picture: the
// placement comes from the size the file declares.
TEST(ThumbnailRender, ReducedPictureLandsWhereTheFullOneWould) {
    QImage full(1920, 1080, QImage::Format_ARGB32);
    full.fill(Picture);
    const QImage reduced = full.scaled(150, 84);
    const QImage fromFull = RenderThumbnail(full, full.size(), 30);
    const QImage fromReduced = RenderThumbnail(reduced, full.size(), 30);
    EXPECT_EQ(fromFull, fromReduced);
    // No picture at all: white, with the frame still on the declared place.
    const QImage blank = RenderThumbnail(QImage(), QSize(300, 100), 20);
    EXPECT_TRUE(Near(At(blank, 75, 67), Qt::white, 0));
    EXPECT_TRUE(Near(At(blank, 75, 45), Blend(0x8017B701u, White)));
    const QImage unknown = RenderThumbnail(QImage(), QSize(), 20);
    for (const QPoint p : {QPoint(0, 0), QPoint(75, 67), QPoint(149, 134)}) {
        EXPECT_TRUE(Near(At(unknown, p.x(), p.y()), Qt::white, 0));
    }
}

// Large pictures are averaged, not sampled: a fine black and white checker becomes an even gray, and
// half-transparent pixels keep their colour rather than darkening towards the black of transparent ones.
TEST(ThumbnailRender, ReductionAveragesEverySourcePixel) {
    for (const QSize size : {QSize(1920, 1080), QSize(1921, 1081), QSize(600, 600)}) {
        QImage checker(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                checker.setPixel(x, y, (x + y) % 2 ? 0xFFFFFFFFu : 0xFF000000u);
            }
        }
        const QImage reduced = ReducePicture(checker, QSize(150, 84));
        ASSERT_EQ(reduced.size(), QSize(150, 84));
        for (const QPoint p : {QPoint(0, 0), QPoint(75, 42), QPoint(149, 83), QPoint(13, 71)}) {
            EXPECT_TRUE(Near(reduced.pixelColor(p), QColor(128, 128, 128), 3))
                << size.width() << " " << reduced.pixelColor(p).name().toStdString();
        }
    }
    QImage stripes(1200, 900, QImage::Format_ARGB32);
    for (int x = 0; x < 1200; ++x) {
        for (int y = 0; y < 900; ++y) {
            stripes.setPixel(x, y, x % 2 ? 0xFFFF0000u : 0x00000000u);
        }
    }
    const QImage thumb = RenderThumbnail(stripes, stripes.size(), 10);
    // Half red, half transparent over white: pink, not dark red.
    EXPECT_TRUE(Near(thumb.pixelColor(75, 67), QColor(255, 128, 128), 3))
        << thumb.pixelColor(75, 67).name().toStdString();
}

// A transparent picture shows the white it is drawn on, not black.
TEST(ThumbnailRender, TransparentPixelsShowWhite) {
    QImage source(300, 100, QImage::Format_ARGB32);
    source.fill(0x00000000u);
    const QImage thumb = RenderThumbnail(source, source.size(), 10);
    EXPECT_TRUE(Near(At(thumb, 75, 67), Qt::white, 0));
}

CThumbnailJob JobFor(const QString& path, const CPasswordSet& passwords) {
    CThumbnailJob job;
    job.Row = 3;
    job.Generation = 7;
    job.Sequence = 11;
    job.Path = path;
    job.Passwords = std::make_shared<const CPasswordSet>(passwords);
    job.Cancelled = std::make_shared<std::atomic<bool>>(false);
    return job;
}

// The job from file to thumbnail: detection on PNG and on the other formats that are decoded once for
// both, JPEG at reduced size, unreadable files, and the password set deciding what is found.
TEST(ThumbnailRender, JobsDetectAndDrawFromFiles) {
    test::CTempFolder folder;
    const CPasswordSet passwords = test::SetOf({{2, test::CarrierPassword}});
    const QString message =
        test::WriteCarrier(folder, QStringLiteral("message.png"), QStringLiteral("note.txt"), "hello");
    ASSERT_FALSE(message.isEmpty());

    CThumbnailResult result = MakeThumbnail(JobFor(message, passwords));
    EXPECT_EQ(result.Row, 3);
    EXPECT_EQ(result.Generation, 7u);
    EXPECT_EQ(result.Sequence, 11u);
    EXPECT_TRUE(result.Detected);
    EXPECT_EQ(result.Kind, HiddenMessage);
    // 400 x 300 fits as 150 x 112 at top 11: the cyan pen over the picture's top edge.
    EXPECT_TRUE(Near(At(result.Thumbnail, 75, 14), Blend(0x8004C8CAu, 0xFF406080u), 3));

    // The same pixels as BMP (no partial decoder): one full load serves both.
    const QString bmp = folder.FilePath(QStringLiteral("message.bmp"));
    ASSERT_TRUE(CBitmap::Load(message).Save(bmp, QStringLiteral("image/bmp")));
    EXPECT_EQ(MakeThumbnail(JobFor(bmp, passwords)).Kind, HiddenMessage);

    // Without the password nothing is found and nothing is framed.
    result = MakeThumbnail(JobFor(message, test::SetOf({{1, "other"}})));
    EXPECT_EQ(result.Kind, HiddenNothing);
    EXPECT_TRUE(Near(At(result.Thumbnail, 75, 14), QColor::fromRgb(0xFF406080u), 3));

    // A redraw keeps the kind it is given and detects nothing.
    CThumbnailJob redraw = JobFor(message, test::SetOf({{1, "other"}}));
    redraw.Detect = false;
    redraw.Kind = HiddenImage;
    result = MakeThumbnail(redraw);
    EXPECT_FALSE(result.Detected);
    EXPECT_EQ(result.Kind, HiddenImage);
    EXPECT_TRUE(Near(At(result.Thumbnail, 75, 14), Blend(0x8017B701u, 0xFF406080u), 3));

    // A large JPEG is reduced by the decoder and still placed from its declared size.
    const QString jpeg =
        test::WriteSolidImage(folder, QStringLiteral("photo.jpg"), 4000, 3000, 0xFF2080C0u, "image/jpeg");
    result = MakeThumbnail(JobFor(jpeg, passwords));
    EXPECT_EQ(result.Kind, HiddenNothing);
    EXPECT_TRUE(Near(At(result.Thumbnail, 75, 67), QColor::fromRgb(0xFF2080C0u), 4));
    EXPECT_TRUE(Near(At(result.Thumbnail, 75, 5), Qt::white, 0));
    EXPECT_TRUE(Near(At(result.Thumbnail, 75, 125), Qt::white, 0));

    // Unreadable and vanished files: white, kind 10, never a failure.
    const QString text = folder.Write(QStringLiteral("fake.png"), "not an image");
    for (const QString& path : {text, folder.FilePath(QStringLiteral("gone.png"))}) {
        result = MakeThumbnail(JobFor(path, passwords));
        EXPECT_EQ(result.Kind, HiddenNothing);
        ASSERT_EQ(result.Thumbnail.size(), QSize(150, 135));
        EXPECT_TRUE(Near(At(result.Thumbnail, 75, 67), Qt::white, 0));
    }

    // Cancelled before it starts: nothing drawn, nothing detected.
    CThumbnailJob cancelled = JobFor(message, passwords);
    std::const_pointer_cast<std::atomic<bool>>(cancelled.Cancelled)->store(true);
    result = MakeThumbnail(cancelled);
    EXPECT_TRUE(result.Thumbnail.isNull());
    EXPECT_FALSE(result.Detected);
}

// Files a preview may not decode are drawn as unreadable without decoding them: the one-pass PNG reader
// would otherwise go through 1.6 gigapixels, and libjpeg would hold the coefficients of a whole
// progressive picture before giving a reduced one; an SVG is no image of ours, whatever its name.
TEST(ThumbnailRender, FilesOverThePreviewBudgetAreDrawnUnreadable) {
    test::CTempFolder folder;
    const QString png = folder.FilePath(QStringLiteral("onebit.png"));
    const QString progressive = folder.FilePath(QStringLiteral("progressive.jpg"));
    const QString svg = folder.FilePath(QStringLiteral("drawing.png"));
    ASSERT_TRUE(test::WriteOneBitPng(png, 40000));
    ASSERT_TRUE(test::WritePatchedProgressiveJpeg(progressive, 10000, 6000));
    ASSERT_TRUE(test::WriteSvg(svg));
    for (const QString& path : {png, progressive, svg}) {
        SCOPED_TRACE(path.toStdString());
        const CThumbnailResult result = MakeThumbnail(JobFor(path, test::SetOf({{1, "any"}})));
        EXPECT_TRUE(result.Detected);
        EXPECT_EQ(result.Kind, HiddenNothing);
        ASSERT_EQ(result.Thumbnail.size(), QSize(150, 135));
        EXPECT_TRUE(Near(At(result.Thumbnail, 75, 67), Qt::white, 0));
    }
}

// Decodes of more than a small picture's pixels take one turn over all the loader's threads, so together
// they hold one large decode whatever the core count; small ones never wait for it.
TEST(ThumbnailRender, LargeDecodesTakeTurns) {
    test::CTempFolder folder;
    const QString large = folder.FilePath(QStringLiteral("large.png"));
    const QString small = folder.FilePath(QStringLiteral("small.png"));
    ASSERT_TRUE(test::WriteOneBitPng(large, 3700)); // 13.7 megapixels
    ASSERT_TRUE(test::WriteOneBitPng(small, 64));
    const CPasswordSet passwords = test::SetOf({{1, "any"}});

    std::unique_lock held(LargeDecodeTurn());
    std::atomic<bool> finished{false};
    QImage largeThumbnail;
    std::thread waiting([&] {
        largeThumbnail = MakeThumbnail(JobFor(large, passwords)).Thumbnail;
        finished = true;
    });
    EXPECT_FALSE(MakeThumbnail(JobFor(small, passwords)).Thumbnail.isNull());
    EXPECT_FALSE(finished); // it cannot have decoded while the turn is taken
    held.unlock();
    waiting.join();
    EXPECT_EQ(largeThumbnail.size(), QSize(150, 135));
}

// A PNG is decoded once, row by row, into the reduced picture: the thumbnail matches the one drawn from a
// full decode for opaque and translucent pixels, sizes that halve unevenly and ones too small to reduce,
// and a PNG damaged half way still draws and detects through the full decoder.
TEST(ThumbnailRender, OnePassPngMatchesAFullDecode) {
    test::CTempFolder folder;
    const CPasswordSet passwords = test::SetOf({{2, test::CarrierPassword}});
    struct CCase {
        QSize Size;
        bool Alpha;
    };
    for (const CCase c : {CCase{{1921, 1083}, false}, CCase{{1200, 900}, true}, CCase{{151, 40}, false},
                          CCase{{37, 300}, true}}) {
        CBitmap bitmap = test::MakeNoiseBitmap(static_cast<std::uint32_t>(c.Size.width()),
                                               static_cast<std::uint32_t>(c.Size.height()), 9, c.Alpha);
        // Smooth the noise so that reductions by different routes agree to a level or two.
        QImage smooth = bitmap.Image()
                            .scaled(c.Size / 8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .scaled(c.Size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_ARGB32);
        const QString path = folder.FilePath(QStringLiteral("p%1.png").arg(c.Size.width()));
        ASSERT_TRUE(CBitmap(smooth).Save(path, QStringLiteral("image/png")));
        const CThumbnailResult result = MakeThumbnail(JobFor(path, passwords));
        const QImage expected = RenderThumbnail(CBitmap::Load(path).Image(), c.Size, HiddenNothing);
        ASSERT_EQ(result.Thumbnail.size(), expected.size());
        int worst = 0;
        for (int y = 0; y < expected.height(); ++y) {
            for (int x = 0; x < expected.width(); ++x) {
                const QRgb a = result.Thumbnail.pixel(x, y);
                const QRgb b = expected.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                  std::abs(qBlue(a) - qBlue(b))});
            }
        }
        EXPECT_LE(worst, 3) << c.Size.width() << "x" << c.Size.height();
    }

    const QString hidden = folder.Write(QStringLiteral("note.txt"), "hello");
    CBitmap photo = test::MakeNoiseBitmap(1600, 1200, 4);
    CReportStatistics statistics;
    ASSERT_TRUE(HideFileInImage(&photo, hidden, test::CarrierPassword, statistics).Ok());
    const QString carrier = folder.FilePath(QStringLiteral("carrier.png"));
    ASSERT_TRUE(photo.Save(carrier, QStringLiteral("image/png")));
    ASSERT_EQ(MakeThumbnail(JobFor(carrier, passwords)).Kind, HiddenMessage);
    QFile file(carrier);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(file.size() / 2));
    file.close();
    const CThumbnailResult damaged = MakeThumbnail(JobFor(carrier, passwords));
    EXPECT_EQ(damaged.Kind, HiddenMessage);
    ASSERT_EQ(damaged.Thumbnail.size(), QSize(150, 135));
}

} // namespace
