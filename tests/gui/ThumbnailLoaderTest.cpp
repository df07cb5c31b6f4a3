#include "CarrierFolder.h"
#include "GuiTestSupport.h"

#include "browse/ThumbnailLoader.h"

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

struct CDelivery {
    int Row;
    QImage Thumbnail;
    std::int32_t Kind;
    bool Detected;
};

// Records what the loader hands out, in the order it arrives.
struct CRecorder {
    explicit CRecorder(CThumbnailLoader& loader) {
        QObject::connect(&loader, &CThumbnailLoader::ThumbnailReady, &loader,
                         [this](int row, const QImage& thumbnail, std::int32_t kind, bool detected) {
                             Deliveries.push_back({row, thumbnail, kind, detected});
                         });
        QObject::connect(&loader, &CThumbnailLoader::Finished, &loader, [this] { ++Finished; });
    }
    std::vector<CDelivery> Deliveries;
    int Finished = 0;
};

// A folder whose images differ in cost (large and small, PNG and JPEG), so that the pool finishes them
// out of order, with carriers of every kind at known rows.
struct CMixedFolder {
    test::CTempFolder Folder;
    QStringList Paths;
    std::vector<std::int32_t> Kinds;

    CMixedFolder() {
        for (int i = 0; i < 16; ++i) {
            const QString name = QStringLiteral("image%1.png").arg(i, 2, 10, QLatin1Char('0'));
            QString path;
            std::int32_t kind = HiddenNothing;
            switch (i % 4) {
            case 1:
                path = test::WriteCarrier(Folder, name, QStringLiteral("note.txt"), "a message");
                kind = HiddenMessage;
                break;
            case 2:
                path = test::WriteCarrier(Folder, name, QStringLiteral("inner.png"), test::SmallPngBytes());
                kind = HiddenImage;
                break;
            case 3:
                path = test::WriteCarrier(Folder, name, QStringLiteral("data.bin"), "binary");
                kind = HiddenFile;
                break;
            default:
                path = i % 8 == 0 ? test::WriteSolidImage(Folder, name + QStringLiteral(".jpg"), 2400, 1800,
                                                          0xFF808080u, "image/jpeg")
                                  : test::WriteSolidImage(Folder, name, 30, 20, 0xFF808080u);
                break;
            }
            Paths << path;
            Kinds.push_back(kind);
        }
    }
};

CPasswordSet Passwords() {
    return test::SetOf({{3, "unrelated"}, {4, test::CarrierPassword}});
}

bool WaitForPass(CThumbnailLoader& loader) {
    return test::ProcessEventsUntil([&] { return !loader.IsRunning(); });
}

// Every row once, in row order when nothing is in view, with the kinds that detection finds, however
// the pool's threads overtake each other; the pass ends once, after the last row.
TEST(ThumbnailLoader, DeliversEveryRowInOrderWithItsKind) {
    CMixedFolder mixed;
    CThumbnailLoader loader;
    CRecorder recorder(loader);
    loader.Start(mixed.Paths, Passwords());
    EXPECT_TRUE(loader.IsRunning());
    ASSERT_TRUE(WaitForPass(loader));
    ASSERT_EQ(recorder.Deliveries.size(), mixed.Paths.size());
    for (std::size_t i = 0; i < recorder.Deliveries.size(); ++i) {
        const CDelivery& d = recorder.Deliveries[i];
        EXPECT_EQ(d.Row, static_cast<int>(i));
        EXPECT_EQ(d.Kind, mixed.Kinds[i]) << i;
        EXPECT_TRUE(d.Detected);
        EXPECT_EQ(d.Thumbnail.size(), QSize(150, 135));
    }
    EXPECT_EQ(recorder.Finished, 1);
    // Nothing more arrives once the pass is over.
    QCoreApplication::processEvents();
    EXPECT_EQ(recorder.Deliveries.size(), mixed.Paths.size());
}

// The rows in view come first, then the rest outwards from them, alternating below and above.
TEST(ThumbnailLoader, VisibleRowsFirstThenByDistance) {
    CMixedFolder mixed;
    CThumbnailLoader loader;
    CRecorder recorder(loader);
    loader.SetVisibleRows(6, 8);
    loader.Start(mixed.Paths, Passwords());
    ASSERT_TRUE(WaitForPass(loader));
    std::vector<int> rows;
    for (const CDelivery& d : recorder.Deliveries) {
        rows.push_back(d.Row);
    }
    const std::vector<int> expected{6, 7, 8, 9, 5, 10, 4, 11, 3, 12, 2, 13, 1, 14, 0, 15};
    EXPECT_EQ(rows, expected);
}

// A new folder while the old one loads: nothing of the old pass is delivered afterwards, even results
// that were already finished and waiting in the event queue.
TEST(ThumbnailLoader, RestartDropsTheOldFoldersResults) {
    test::CTempFolder red;
    test::CTempFolder blue;
    QStringList redPaths;
    QStringList bluePaths;
    for (int i = 0; i < 40; ++i) {
        redPaths << test::WriteSolidImage(red, QStringLiteral("r%1.png").arg(i), 600, 400, 0xFFFF0000u);
    }
    for (int i = 0; i < 5; ++i) {
        bluePaths << test::WriteSolidImage(blue, QStringLiteral("b%1.png").arg(i), 60, 40, 0xFF0000FFu);
    }
    CThumbnailLoader loader;
    CRecorder recorder(loader);
    loader.Start(redPaths, Passwords());
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return !recorder.Deliveries.empty(); }));
    // Let the pool finish more red work into the queue without handing it out.
    QThread::msleep(50);
    const std::size_t before = recorder.Deliveries.size();
    loader.Start(bluePaths, Passwords());
    ASSERT_TRUE(WaitForPass(loader));
    QCoreApplication::processEvents();
    ASSERT_EQ(recorder.Deliveries.size(), before + 5);
    for (std::size_t i = before; i < recorder.Deliveries.size(); ++i) {
        const CDelivery& d = recorder.Deliveries[i];
        EXPECT_EQ(d.Row, static_cast<int>(i - before));
        EXPECT_EQ(d.Thumbnail.pixelColor(75, 67), QColor(Qt::blue)) << i;
    }
    EXPECT_EQ(recorder.Finished, 1);
}

// Stop while loading returns with nothing running; whatever was on its way is dropped. Destroying a
// loader in the middle of a pass waits for its threads (the sanitizer run checks that nothing outlives it).
TEST(ThumbnailLoader, StopAndDestroyWhileLoading) {
    CMixedFolder mixed;
    {
        CThumbnailLoader loader;
        CRecorder recorder(loader);
        loader.Start(mixed.Paths, Passwords());
        loader.Stop();
        EXPECT_FALSE(loader.IsRunning());
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents();
        }
        EXPECT_TRUE(recorder.Deliveries.empty());
        EXPECT_EQ(recorder.Finished, 0);
        // Stopping twice, or when idle, is harmless; a new pass after a stop runs in full.
        loader.Stop();
        loader.Start(mixed.Paths.mid(0, 3), Passwords());
        ASSERT_TRUE(WaitForPass(loader));
        EXPECT_EQ(recorder.Deliveries.size(), 3u);
    }
    for (int round = 0; round < 3; ++round) {
        auto loader = std::make_unique<CThumbnailLoader>();
        loader->Start(mixed.Paths, Passwords());
        if (round > 0) {
            QCoreApplication::processEvents();
        }
        loader.reset();
    }
    // Results posted by the destroyed loaders' threads must find nobody: process them now.
    QCoreApplication::processEvents();
}

// An empty folder finishes at once; a redraw only applies to rows the pass has delivered, keeps the
// kind it is given, and is not a detection.
TEST(ThumbnailLoader, EmptyFolderAndRedraws) {
    CThumbnailLoader loader;
    CRecorder recorder(loader);
    loader.Start({}, Passwords());
    EXPECT_FALSE(loader.IsRunning());
    EXPECT_EQ(recorder.Finished, 1);

    CMixedFolder mixed;
    loader.Redraw(0, HiddenImage); // before the pass: nothing to redraw
    loader.Start(mixed.Paths.mid(0, 2), Passwords());
    ASSERT_TRUE(WaitForPass(loader));
    ASSERT_EQ(recorder.Deliveries.size(), 2u);
    loader.Redraw(0, HiddenImage);
    loader.Redraw(5, HiddenImage); // no such row
    ASSERT_TRUE(test::ProcessEventsUntil([&] { return recorder.Deliveries.size() == 3; }));
    const CDelivery& redraw = recorder.Deliveries.back();
    EXPECT_EQ(redraw.Row, 0);
    EXPECT_EQ(redraw.Kind, HiddenImage);
    EXPECT_FALSE(redraw.Detected);
    EXPECT_FALSE(loader.IsRunning());
    EXPECT_EQ(recorder.Finished, 2);
}

} // namespace
