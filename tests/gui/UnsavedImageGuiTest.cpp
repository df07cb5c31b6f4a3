// The whole program over the fakes: the title marks a modified image, and every way of leaving it asks
// first.
#include "GuiTestSupport.h"

#include "browse/PictoriumView.h"
#include "doc/CommandIds.h"
#include "gui/FrameFixture.h"
#include "support/FolderLoad.h"
#include "support/TestImages.h"

#include <QAction>
#include <QDir>
#include <QItemSelectionModel>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

using namespace veilpane;
using namespace veilpane::test;

namespace {

CUserMessage Question(const QString& name) {
    return CUserMessage::AppBox(
        QStringLiteral("The changes to \"%1\" are not saved.\n\nSave them before leaving the image?")
            .arg(name));
}

struct CUnsavedFrame : CFrameFixture {
    CTempFolder Folder;

    CUnsavedFrame() {
        for (const QString& name : {QStringLiteral("Sunset.JPG"), QStringLiteral("other.png")}) {
            EXPECT_TRUE(MakeNoiseBitmap(64, 48).Save(Folder.FilePath(name), QStringLiteral("image/png")));
        }
        Start();
        Frame().show();
        Doc().PasswordSet.Passwords[0] = QByteArray("alpha-key");
        Doc().SecretMessage = QStringLiteral("meet at noon");
        test::LoadFolderAndWait(Doc(), Folder.Path());
        EXPECT_TRUE(ProcessEventsUntil([this] { return !Frame().View().IsLoading(); }));
        Select(QStringLiteral("Sunset.JPG"));
    }
    int Row(const QString& name) const { return static_cast<int>(Doc().FileNames.indexOf(name)); }
    void Select(const QString& name) {
        CPictoriumView& view = Frame().View();
        view.setCurrentIndex(view.model()->index(Row(name), 0));
    }
    int Highlighted() const { return Frame().View().currentIndex().row(); }
    void Hide() {
        Platform.Messages.ExpectAnyText(MessageKind::Question, QString());
        Frame().Action(cmd::HideMessage)->trigger();
        Platform.Messages.VerifyAllShown();
    }
    void Edit() { Frame().Action(cmd::Mirror)->trigger(); }
};

} // namespace

TEST(UnsavedImageGui, TheTitleMarksAModifiedImage) {
    CUnsavedFrame f;
    // The title the window system shows: the folder's path, then the program's name.
    const auto title = [&f] {
        return f.Frame().windowHandle()->title();
    };
    const QString folder = QDir::toNativeSeparators(f.Doc().CurrentFolder);
    const QString saved = folder + QStringLiteral(" - Veilpane");
    const QString modified = folder + QStringLiteral("* - Veilpane");
    EXPECT_EQ(title(), saved);
    f.Edit();
    EXPECT_EQ(title(), modified);
    f.Frame().Action(cmd::Undo)->trigger();
    EXPECT_EQ(title(), saved);
    f.Hide();
    EXPECT_EQ(title(), modified);
    f.Frame().Action(cmd::SavePng)->trigger();
    EXPECT_EQ(title(), saved);
}

// Another thumbnail, another folder, the program's end: Cancel keeps the image, its history and its
// highlighted thumbnail; Discard lets it go. Without a change nothing is asked.
TEST(UnsavedImageGui, EveryWayOfLeavingAsksFirst) {
    struct CWay {
        const char* Name;
        std::function<void(CUnsavedFrame&)> Leave;
        std::function<bool(CUnsavedFrame&)> Left;
    };
    const CWay ways[] = {
        {"another thumbnail", [](CUnsavedFrame& f) { f.Select(QStringLiteral("other.png")); },
         [](CUnsavedFrame& f) {
             return f.Doc().SelectedIndex == f.Row(QStringLiteral("other.png"));
         }},
        {"refresh folder", [](CUnsavedFrame& f) { f.Frame().Action(cmd::RefreshFolder)->trigger(); },
         [](CUnsavedFrame& f) {
             return f.Doc().SelectedIndex == -1;
         }},
        {"close", [](CUnsavedFrame& f) { f.Frame().close(); },
         [](CUnsavedFrame& f) {
             return !f.Frame().isVisible();
         }},
    };
    for (const CWay& way : ways) {
        for (const bool hide : {true, false}) {
            SCOPED_TRACE(std::string(way.Name) + (hide ? " after a hide" : " after an edit"));
            CUnsavedFrame f;
            const int sunset = f.Row(QStringLiteral("Sunset.JPG"));
            hide ? f.Hide() : f.Edit();
            const CBitmap* image = f.Doc().CurrentImage.get();

            f.Platform.Messages.Expect(Question(QStringLiteral("Sunset.JPG")), MessageResult::Cancel);
            way.Leave(f);
            f.Platform.Messages.VerifyAllShown();
            EXPECT_FALSE(way.Left(f));
            EXPECT_TRUE(f.Frame().isVisible());
            EXPECT_EQ(f.Doc().SelectedIndex, sunset);
            EXPECT_EQ(f.Highlighted(), sunset);
            EXPECT_EQ(f.Doc().CurrentImage.get(), image);
            EXPECT_EQ(f.Doc().UndoPosition, 1);
            EXPECT_TRUE(f.Frame().isWindowModified());

            f.Platform.Messages.Expect(Question(QStringLiteral("Sunset.JPG")), MessageResult::Discard);
            way.Leave(f);
            f.Platform.Messages.VerifyAllShown();
            EXPECT_TRUE(way.Left(f));
            EXPECT_FALSE(f.Doc().IsImageModified());
        }
        // Nothing changed: the way out is open without a question (an unexpected box fails the test).
        CUnsavedFrame f;
        way.Leave(f);
        EXPECT_TRUE(way.Left(f));
    }
}
