// The start-up order: settings and the first-run disclaimer before any window, then the frame.
#include "app/FrameServices.h"
#include "browse/ThumbnailRender.h"
#include "doc/CommandIds.h"
#include "gui/FrameFixture.h"
#include "gui/GuiTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace veilpane;
using namespace veilpane::test;

namespace {

// Message boxes that note, for each box, whether a main window existed when it was shown.
class CWindowWatchingBoxes final : public CMessageBoxes {
public:
    MessageResult Show(const CUserMessage& message, MessageButtons) override {
        Shown << message;
        bool frame = false;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            frame = frame || qobject_cast<CMainFrame*>(widget) != nullptr;
        }
        FrameExisted << frame;
        return MessageResult::Ok;
    }
    QList<CUserMessage> Shown;
    QList<bool> FrameExisted;
};

} // namespace

TEST(Startup, AFirstRunShowsTheDisclaimerBeforeAnyWindowAndOnlyOnce) {
    CFrameFixture f(true);
    CWindowWatchingBoxes boxes;
    CDocServices services = f.Platform.Services();
    services.Messages = &boxes;

    auto first = std::make_unique<CPictoriumApp>(services, QStringLiteral("/opt/veilpane/bin/veilpane"));
    ASSERT_EQ(boxes.Shown.size(), 1);
    EXPECT_EQ(boxes.Shown[0], CUserMessage::AppBox(CPictoriumDoc::DisclaimerText()));
    EXPECT_EQ(boxes.FrameExisted, QList<bool>{false});
    EXPECT_EQ(f.Platform.Settings.GetInt(SettingsSection, QStringLiteral("VeilpaneData"), 1), 0);
    EXPECT_EQ(f.Platform.Settings.GetString(SettingsSection, QStringLiteral("FolderSelected"), {}),
              QStringLiteral("/opt/veilpane/bin/Samples"));
    // The frame is there once the start is done, with its view as the central widget.
    EXPECT_EQ(first->Frame().centralWidget(), &first->Frame().View());
    first.reset();

    auto second = std::make_unique<CPictoriumApp>(services, QStringLiteral("/opt/veilpane/bin/veilpane"));
    EXPECT_EQ(boxes.Shown.size(), 1);
}

// What a new user sees first: the installed program (bin/ beside share/) finds the Samples folder the
// build made, and the factory password alone gives its green, cyan and orange frames on light yellow. The
// sample hidden under the second password keeps its secret.
TEST(Startup, AFirstStartOfTheInstalledProgramShowsTheSamplesWithTheirFrames) {
    CTempFolder prefix;
    const QString samples = prefix.FilePath(QStringLiteral("share/veilpane/Samples"));
    ASSERT_TRUE(QDir().mkpath(samples));
    const QDir built(QStringLiteral(VEILPANE_SAMPLES_DIR));
    for (const QString& name : built.entryList(QDir::Files)) {
        ASSERT_TRUE(QFile::copy(built.filePath(name), samples + QLatin1Char('/') + name));
    }
    CFrameFixture f(true);
    f.Platform.Messages.Expect(CUserMessage::AppBox(CPictoriumDoc::DisclaimerText()));
    f.App = std::make_unique<CPictoriumApp>(f.Platform.Services(),
                                            prefix.FilePath(QStringLiteral("bin/veilpane")));
    f.App->Start();
    ASSERT_EQ(f.Doc().CurrentFolder, samples);
    ASSERT_TRUE(ProcessEventsUntil([&f] { return !f.Frame().View().IsLoading(); }));

    const std::pair<QString, std::int32_t> expected[] = {{QStringLiteral("lighthouse.png"), HiddenMessage},
                                                         {QStringLiteral("tulip-field.bmp"), HiddenImage},
                                                         {QStringLiteral("harbour-night.tif"), HiddenFile},
                                                         {QStringLiteral("orchard.png"), HiddenFile},
                                                         {QStringLiteral("reef.png"), HiddenNothing},
                                                         {QStringLiteral("mandelbrot.png"), HiddenNothing},
                                                         {QStringLiteral("sunset-dunes.jpg"), HiddenNothing},
                                                         {QStringLiteral("spiral.bmp"), HiddenNothing},
                                                         {QStringLiteral("mosaic.gif"), HiddenNothing}};
    ASSERT_EQ(f.Doc().FileNames.size(), static_cast<qsizetype>(std::size(expected)));
    for (const auto& [name, kind] : expected) {
        const qsizetype row = f.Doc().FileNames.indexOf(name);
        ASSERT_GE(row, 0) << name.toStdString();
        EXPECT_EQ(f.Doc().HiddenKinds[static_cast<std::size_t>(row)], kind) << name.toStdString();
    }
    EXPECT_EQ(f.Frame().View().BackgroundColor(), QColor::fromRgb(ListBackgroundHidden));
    f.Frame().close();
}

TEST(Startup, TheDocumentReportsToTheFrameOnceItExists) {
    CFrameFixture f;
    f.Start();
    f.App->Start();
    EXPECT_TRUE(f.Frame().isVisible());
    EXPECT_EQ(f.Frame().StatusText(), QStringLiteral("Veilpane v1.1b"));
    f.Doc().FileToHide = QStringLiteral("/tmp/x.bin");
    f.Doc().Execute(cmd::UnselectFileToHide);
    EXPECT_EQ(f.Frame().StatusText(), QStringLiteral("File to hide successfully unselected"));
    // The tool-window hiding around a file dialog reaches the frame's flags.
    f.Platform.Files.Answer(FileDialogType::SelectFileToHide, std::nullopt);
    f.Doc().Execute(cmd::SelectFileToHide);
    EXPECT_TRUE(f.Frame().IsShown(ToolWindow::Folders));
    EXPECT_TRUE(f.Frame().IsShown(ToolWindow::ImagePreview));
    f.Frame().close();
}

TEST(Startup, StandInsKeepWhatArrivesBeforeTheFrame) {
    CStatusTextRelay status;
    status.SetStatusText(QStringLiteral("early"));
    status.SetStatusText(QStringLiteral("later"));
    CFakeStatus target;
    status.SetTarget(&target);
    EXPECT_EQ(target.Texts, QStringList{QStringLiteral("later")});
    status.SetStatusText(QStringLiteral("now"));
    EXPECT_EQ(target.Texts, (QStringList{QStringLiteral("later"), QStringLiteral("now")}));

    CToolWindowsRelay windows;
    EXPECT_FALSE(windows.IsShown(ToolWindow::Folders));
    windows.SetShown(ToolWindow::Folders, true); // nothing to show yet, and no crash
    CFakeToolWindows frameWindows;
    frameWindows.Folders = false;
    windows.SetTarget(&frameWindows);
    windows.SetShown(ToolWindow::Folders, true);
    EXPECT_TRUE(frameWindows.Folders);
    EXPECT_TRUE(windows.IsShown(ToolWindow::Folders));
}
