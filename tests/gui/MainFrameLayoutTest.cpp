// The window layout kept in the settings, and closing the main window.
#include "browse/FitGeometry.h"
#include "browse/PreviewDlg.h"
#include "doc/CommandIds.h"
#include "doc/WindowPlacement.h"
#include "gui/FrameFixture.h"
#include "gui/GuiTestSupport.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <tuple>

using namespace veilpane;
using namespace veilpane::test;

namespace {

const QString Section = SettingsSection;

std::optional<QRect> Stored(const CFrameFixture& f, const char* entry) {
    return ReadWindowRect(f.Platform.Settings, {entry});
}

QRect Screen() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

QDockWidget* Dock(const CFrameFixture& f, bool preview) {
    return qobject_cast<QDockWidget*>(preview ? f.Frame().View().PreviewWindow()
                                              : f.Frame().View().FoldersWindow());
}

} // namespace

// The first start fits the screen, docks Folders left and the preview right, and leaves the thumbnails
// the larger part of the width; the layout functions keep that on any screen, scaled or not.
TEST(MainFrameLayout, TheFirstStartDocksBothToolWindowsBesideTheThumbnails) {
    CFrameFixture f;
    f.Start();
    f.App->Start();
    EXPECT_EQ(f.Frame().geometry(), DefaultWindowLayout(Screen()).Frame);
    EXPECT_TRUE(Screen().contains(f.Frame().geometry()));
    EXPECT_FALSE(f.Frame().StartsMaximized());
    EXPECT_EQ(f.Frame().dockWidgetArea(Dock(f, false)), Qt::LeftDockWidgetArea);
    EXPECT_EQ(f.Frame().dockWidgetArea(Dock(f, true)), Qt::RightDockWidgetArea);
    for (const bool preview : {false, true}) {
        EXPECT_TRUE(Dock(f, preview)->isVisible());
        EXPECT_FALSE(Dock(f, preview)->isFloating());
        EXPECT_LT(Dock(f, preview)->width(), f.Frame().View().width());
    }

    // A 1600 x 1000 screen at scale factors 1, 1.5 and 2, and a small one.
    for (const QRect available :
         {QRect(0, 0, 1600, 1000), QRect(0, 0, 1067, 667), QRect(0, 0, 800, 500), QRect(0, 28, 640, 452)}) {
        const CDefaultLayout layout = DefaultWindowLayout(available);
        EXPECT_TRUE(available.contains(layout.Frame)) << available.width();
        EXPECT_GT(layout.FoldersWidth, 0);
        EXPECT_LE(layout.FoldersWidth + layout.PreviewWidth, layout.Frame.width() / 2);
    }
}

// A layout stored on a larger screen comes back inside this one, the main window and a floating preview
// alike; docked windows stay docked.
TEST(MainFrameLayout, AStoredLayoutIsClampedToTheScreen) {
    CFrameFixture f;
    f.Start();
    f.App->Start();
    Dock(f, true)->setFloating(true);
    ASSERT_TRUE(f.Frame().close());
    ASSERT_TRUE(f.Platform.Settings.GetBinary(Section, QStringLiteral("MainWindowDocks")));
    WriteWindowRect(f.Platform.Settings, {"MainWindowPos"}, QRect(300, 200, 2400, 1500));
    WriteWindowRect(f.Platform.Settings, {"ImgPrevWindowPos"}, QRect(1900, 1200, 600, 500));

    f.App.reset();
    f.Start();
    f.App->Start();
    EXPECT_TRUE(Screen().contains(f.Frame().geometry()));
    EXPECT_TRUE(Dock(f, true)->isFloating());
    EXPECT_TRUE(Screen().contains(Dock(f, true)->geometry()));
    EXPECT_FALSE(Dock(f, false)->isFloating());
    for (const QRect& rect :
         {QRect(-50, -20, 300, 200), QRect(700, 500, 300, 200), QRect(10, 10, 5000, 90)}) {
        EXPECT_TRUE(Screen().contains(FitRectToScreen(rect, Screen())));
    }
    EXPECT_EQ(FitRectToScreen(QRect(40, 50, 300, 200), Screen()), QRect(40, 50, 300, 200));
}

// Dock widths stored at another scale factor that leave the thumbnails under three columns give way to the
// default widths at the next start; a window too small for more columns either way is left alone.
TEST(MainFrameLayout, ARestoredLayoutLeavesTheThumbnailsThreeColumns) {
    CFrameFixture f;
    f.Start();
    f.App->Start();
    QCoreApplication::processEvents(); // the first show's own check of the layout
    const int cell = f.Frame().View().gridSize().width();
    f.Frame().resizeDocks({Dock(f, true)}, {f.Frame().width() - 2 * cell}, Qt::Horizontal);
    QCoreApplication::processEvents();
    ASSERT_LT(f.Frame().View().viewport()->width(), 2 * cell);
    ASSERT_TRUE(f.Frame().close());

    f.App.reset();
    f.Start();
    f.App->Start();
    const int wanted = DefaultDockWidths(f.Frame().width()).Preview;
    EXPECT_TRUE(ProcessEventsUntil([&] { return std::abs(Dock(f, true)->width() - wanted) < 10; }))
        << Dock(f, true)->width() << " for " << wanted;
    EXPECT_GT(f.Frame().View().viewport()->width(), 2 * cell);

    // frame width, list width, cell width, whether the docks go back to their default widths
    const std::tuple<int, int, int, bool> cases[] = {
        {1600, 2 * 162, 162, true}, {1600, 3 * 162, 162, false}, {1067, 161, 162, true},
        {300, 130, 162, true},      {200, 150, 162, false},      {1600, 0, 0, false},
    };
    for (const auto& [frame, list, cellWidth, rebalanced] : cases) {
        EXPECT_EQ(ListNeedsDefaultDocks(frame, list, cellWidth), rebalanced) << frame << " " << list;
    }
}

TEST(MainFrameLayout, ClosingStoresTheRectangleAndTheNextStartRestoresIt) {
    CFrameFixture f;
    f.Start();
    f.Frame().show();
    f.Frame().setGeometry(QRect(40, 60, 500, 420));
    const QRect placed = f.Frame().geometry();
    ASSERT_TRUE(f.Frame().close());
    EXPECT_EQ(Stored(f, "MainWindowPos"), placed);
    EXPECT_EQ(f.Platform.Settings.GetInt(Section, QStringLiteral("MainWindowMax"), -1), 0);

    f.App.reset();
    f.Start();
    EXPECT_EQ(f.Frame().geometry(), placed);
    EXPECT_FALSE(f.Frame().StartsMaximized());
}

TEST(MainFrameLayout, AMaximisedWindowKeepsItsNormalRectangleAndOpensMaximisedNextTime) {
    CFrameFixture f;
    f.Start();
    f.Frame().setGeometry(QRect(50, 70, 400, 300));
    const QRect normal = f.Frame().geometry();
    f.Frame().showMaximized();
    ASSERT_TRUE(f.Frame().isMaximized());
    ASSERT_TRUE(f.Frame().close());
    EXPECT_EQ(Stored(f, "MainWindowPos"), normal);
    EXPECT_EQ(f.Platform.Settings.GetInt(Section, QStringLiteral("MainWindowMax"), -1), 1);

    f.App.reset();
    f.Start();
    EXPECT_TRUE(f.Frame().StartsMaximized());
    EXPECT_EQ(f.Frame().geometry(), normal);
    f.App->Start();
    EXPECT_TRUE(f.Frame().isMaximized());
    // Back to normal, it takes the stored rectangle again.
    f.Frame().showNormal();
    EXPECT_EQ(f.Frame().geometry(), normal);
}

TEST(MainFrameLayout, UnusableStoredValuesAreIgnored) {
    struct CCase {
        const char* What;
        std::optional<QByteArray> Position;
        std::optional<int> Maximised;
        bool StartsMaximised;
    };
    const QByteArray tooShort = EncodeWindowRect(QRect(40, 60, 500, 420)).left(12);
    const QByteArray tooLong = EncodeWindowRect(QRect(40, 60, 500, 420)) + QByteArray(4, '\0');
    const QList<CCase> cases = {
        {"maximised without a position", std::nullopt, 1, false},
        {"a position of 12 bytes", tooShort, 1, false},
        {"a position of 20 bytes", tooLong, 0, false},
        {"a screen no longer attached", EncodeWindowRect(QRect(-9000, -9000, 500, 420)), 1, true},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.What);
        CFrameFixture f;
        if (c.Position) {
            f.Platform.Settings.WriteBinary(Section, QStringLiteral("MainWindowPos"), *c.Position);
        }
        if (c.Maximised) {
            f.Platform.Settings.WriteInt(Section, QStringLiteral("MainWindowMax"), *c.Maximised);
        }
        f.Start();
        EXPECT_EQ(f.Frame().geometry(), DefaultWindowLayout(Screen()).Frame);
        EXPECT_EQ(f.Frame().StartsMaximized(), c.StartsMaximised);
    }
}

TEST(MainFrameLayout, TheCurrentFolderIsRememberedOnlyWhenItExists) {
    CFrameFixture f;
    f.Platform.Settings.WriteString(Section, QStringLiteral("FolderSelected"), QStringLiteral("/earlier"));
    f.Start();
    // No folder shown: the earlier value stays.
    ASSERT_TRUE(f.Frame().close());
    EXPECT_EQ(f.Platform.Settings.GetString(Section, QStringLiteral("FolderSelected"), {}),
              QStringLiteral("/earlier"));

    auto folder = std::make_unique<CTempFolder>();
    f.Doc().CurrentFolder = folder->Path();
    ASSERT_TRUE(f.Frame().close());
    EXPECT_EQ(f.Platform.Settings.GetString(Section, QStringLiteral("FolderSelected"), {}), folder->Path());

    // Removed meanwhile: not stored, the previous value stays.
    const QString gone = folder->Path();
    folder.reset();
    ASSERT_FALSE(QDir(gone).exists());
    f.Platform.Settings.WriteString(Section, QStringLiteral("FolderSelected"), QStringLiteral("/earlier"));
    ASSERT_TRUE(f.Frame().close());
    EXPECT_EQ(f.Platform.Settings.GetString(Section, QStringLiteral("FolderSelected"), {}),
              QStringLiteral("/earlier"));
}

TEST(MainFrameLayout, CloseIsRefusedWhileWorkHoldsTheImageOrTheFiles) {
    for (const bool worker : {true, false}) {
        SCOPED_TRACE(worker ? "image operation" : "file work");
        CFrameFixture f;
        f.Start();
        f.Frame().show();
        (worker ? f.Doc().WorkerThread : f.Doc().LongTaskRunning) = true;
        emit f.Doc().StateChanged();
        EXPECT_FALSE(f.Frame().Action(cmd::Exit)->isEnabled());
        EXPECT_FALSE(f.Frame().close());
        EXPECT_TRUE(f.Frame().isVisible());
        EXPECT_FALSE(f.Platform.Settings.Contains(Section, QStringLiteral("MainWindowPos")));

        (worker ? f.Doc().WorkerThread : f.Doc().LongTaskRunning) = false;
        emit f.Doc().StateChanged();
        f.Frame().Action(cmd::Exit)->trigger();
        EXPECT_FALSE(f.Frame().isVisible());
        EXPECT_TRUE(f.Platform.Settings.Contains(Section, QStringLiteral("MainWindowPos")));
    }
}

TEST(MainFrameLayout, ClosingLetsGoOfTheImageAndWipesTheShownHiddenImage) {
    CFrameFixture f;
    f.Start();
    f.Doc().CurrentImage = std::make_unique<CBitmap>(CBitmap(8, 8));
    const QString temp = QDir(f.Doc().TempFolder()).filePath(QStringLiteral("hidden.png"));
    ASSERT_TRUE(CBitmap(4, 4).Save(temp, QStringLiteral("image/png")));
    f.Doc().TempImagePath = temp;
    int imageChanges = 0;
    QObject::connect(&f.Doc(), &CPictoriumDoc::ImageChanged, [&] { ++imageChanges; });

    ASSERT_TRUE(f.Frame().close());
    EXPECT_FALSE(f.Doc().HasImage());
    EXPECT_EQ(imageChanges, 1);
    EXPECT_FALSE(QFile::exists(temp));
    EXPECT_TRUE(f.Doc().TempImagePath.isEmpty());
}

TEST(MainFrameLayout, ToolWindowRectanglesAreStoredEvenWhileHidden) {
    CFrameFixture f;
    f.Start();
    f.App->Start();
    auto* folders = qobject_cast<CToolWindowDlg*>(f.Frame().View().FoldersWindow());
    auto* preview = qobject_cast<CToolWindowDlg*>(f.Frame().View().PreviewWindow());
    ASSERT_TRUE(folders && preview);
    const QRect foldersRect = folders->NormalRect();
    const QRect previewRect = preview->NormalRect();
    f.Frame().Action(cmd::FoldersWindow)->trigger();
    ASSERT_TRUE(folders->isHidden());
    ASSERT_TRUE(f.Frame().close());
    EXPECT_EQ(Stored(f, "FolderWindowPos"), foldersRect);
    EXPECT_EQ(Stored(f, "ImgPrevWindowPos"), previewRect);
}
