// A hide or an edit is never thrown away without a question: what counts as modified, and what each answer
// to the question does.
#include "doc/CommandIds.h"
#include "doc/PictoriumDoc.h"
#include "platform/Dialogs.h"
#include "support/FakePlatform.h"
#include "support/FolderLoad.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace veilpane;
using namespace veilpane::test;

namespace {

const CUserMessage SaveError = CUserMessage::AppBox(QStringLiteral("Error saving image file."));

CUserMessage Question(const QString& name) {
    return CUserMessage::AppBox(
        QStringLiteral("The changes to \"%1\" are not saved.\n\nSave them before leaving the image?")
            .arg(name));
}

// A folder with Sunset.JPG selected, and a second folder to change to.
struct CUnsavedFixture {
    CFakePlatform Platform;
    CTempFolder Folder;
    CTempFolder Other;
    std::unique_ptr<CPictoriumDoc> Doc;

    CUnsavedFixture() {
        Platform.SkipFirstRun();
        EXPECT_TRUE(MakeNoiseBitmap(64, 48).Save(Folder.FilePath(QStringLiteral("Sunset.JPG")),
                                                 QStringLiteral("image/jpeg")));
        EXPECT_TRUE(
            MakeNoiseBitmap(8, 8).Save(Other.FilePath(QStringLiteral("b.png")), QStringLiteral("image/png")));
        Doc =
            std::make_unique<CPictoriumDoc>(Platform.Services(), QStringLiteral("/nonexistent/bin/veilpane"));
        Doc->PasswordSet.Passwords[0] = QByteArray("alpha-key");
        Doc->SecretMessage = QStringLiteral("meet at noon");
        EXPECT_TRUE(test::LoadFolderAndWait(*Doc, Folder.Path()));
        Doc->SelectImage(0, {}, {});
    }

    void Hide() {
        Platform.Messages.ExpectAnyText(MessageKind::Question, QString());
        Doc->Execute(cmd::HideMessage);
        Platform.Messages.VerifyAllShown();
        ASSERT_TRUE(Doc->HiddenDataAdded);
    }
    void Edit() { Doc->Execute(cmd::Mirror); }
    QStringList SavedFiles() const {
        QStringList files = QDir(Folder.Path()).entryList(QDir::Files);
        files.removeAll(QStringLiteral("Sunset.JPG"));
        return files;
    }
};

} // namespace

TEST(UnsavedImage, ModifiedFromAnEditOrAHideUntilSavedOrUndoneBack) {
    CUnsavedFixture f;
    EXPECT_FALSE(f.Doc->IsImageModified()) << "as loaded";
    f.Edit();
    EXPECT_TRUE(f.Doc->IsImageModified());
    f.Doc->OnEditUndo();
    EXPECT_FALSE(f.Doc->IsImageModified()) << "undone back to the loaded image";
    f.Doc->OnEditRedo();
    EXPECT_TRUE(f.Doc->IsImageModified());
    ASSERT_TRUE(f.Doc->SaveImageAs(QStringLiteral("png")));
    EXPECT_FALSE(f.Doc->IsImageModified()) << "saved";
    f.Hide();
    EXPECT_TRUE(f.Doc->IsImageModified());
    f.Doc->OnEditUndo();
    EXPECT_FALSE(f.Doc->IsImageModified()) << "undone back to the saved image";
    f.Doc->OnEditUndo();
    EXPECT_TRUE(f.Doc->IsImageModified()) << "before the save";
    // A new edit after an undo is a new state, even where the history held the saved one.
    f.Doc->OnEditRedo();
    f.Doc->OnEditUndo();
    f.Edit();
    EXPECT_TRUE(f.Doc->IsImageModified());

    // Once more edits than the history holds have pushed the loaded state out, nothing undoes back to it.
    CUnsavedFixture g;
    for (int i = 0; i < UndoDepth + 1; ++i) {
        g.Edit();
    }
    while (g.Doc->CommandState(cmd::Undo).Enabled) {
        g.Doc->OnEditUndo();
    }
    EXPECT_TRUE(g.Doc->IsImageModified());
}

TEST(UnsavedImage, NothingIsAskedWhenNothingChanged) {
    CUnsavedFixture f;
    EXPECT_TRUE(f.Doc->CanLeaveCurrentImage()); // an unexpected message box would fail here
    f.Edit();
    f.Doc->OnEditUndo();
    EXPECT_TRUE(f.Doc->CanLeaveCurrentImage());
    EXPECT_TRUE(test::LoadFolderAndWait(*f.Doc, f.Other.Path()));
}

// The Save answer offers what the Save commands offer: after a hide only the lossless formats, under the
// "_steg" names, in the image's own letter case.
TEST(UnsavedImage, SaveOffersTheFormatsTheImageMayBeSavedIn) {
    const QStringList lossless = {QStringLiteral("PNG (Sunset_steg.png)"),
                                  QStringLiteral("BMP (Sunset_steg.bmp)"),
                                  QStringLiteral("TIFF (Sunset_steg.tiff)")};
    const QStringList all = {QStringLiteral("PNG (Sunset_conv.png)"), QStringLiteral("BMP (Sunset_conv.bmp)"),
                             QStringLiteral("TIFF (Sunset_conv.tiff)"),
                             QStringLiteral("JPEG (Sunset_conv.jpg)"),
                             QStringLiteral("GIF (Sunset_conv.gif)")};
    for (const bool hide : {true, false}) {
        SCOPED_TRACE(hide ? "after a hide" : "after an edit");
        CUnsavedFixture f;
        hide ? f.Hide() : f.Edit();
        CSaveFormatFields offered;
        f.Platform.Messages.Expect(Question(QStringLiteral("Sunset.JPG")), MessageResult::Save);
        f.Platform.Dialogs.SaveFormatScripts.push_back([&offered](CSaveFormatFields& fields) {
            offered = fields;
            fields.Chosen = 1;
            return true;
        });
        EXPECT_TRUE(f.Doc->CanLeaveCurrentImage());
        EXPECT_EQ(offered.ImageName, QStringLiteral("Sunset.JPG"));
        EXPECT_EQ(offered.Choices, hide ? lossless : all);
        const QString saved = hide ? QStringLiteral("Sunset_steg.bmp") : QStringLiteral("Sunset_conv.bmp");
        EXPECT_EQ(f.SavedFiles(), QStringList{saved});
        EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("Image file saved: ") + saved);
        EXPECT_FALSE(f.Doc->IsImageModified());
    }
}

// Each answer, asked by a folder change after a hide and after an edit: only Save (done) and Discard let
// the folder change; otherwise the image, its history and the folder stay as they were.
TEST(UnsavedImage, EachAnswerDoesWhatItSays) {
    enum class Format { Chosen, Cancelled, Failing };
    struct CCase {
        const char* Name;
        MessageResult Answer;
        Format Choice;
        bool Leaves;
        bool Written;
    };
    const CCase cases[] = {
        {"save", MessageResult::Save, Format::Chosen, true, true},
        {"save, format choice cancelled", MessageResult::Save, Format::Cancelled, false, false},
        {"save that fails", MessageResult::Save, Format::Failing, false, false},
        {"discard", MessageResult::Discard, Format::Chosen, true, false},
        {"cancel", MessageResult::Cancel, Format::Chosen, false, false},
    };
    for (const bool hide : {true, false}) {
        for (const CCase& c : cases) {
            SCOPED_TRACE(std::string(c.Name) + (hide ? " after a hide" : " after an edit"));
            CUnsavedFixture f;
            hide ? f.Hide() : f.Edit();
            const CBitmap* image = f.Doc->CurrentImage.get();
            f.Platform.Messages.Expect(Question(QStringLiteral("Sunset.JPG")), c.Answer);
            if (c.Answer == MessageResult::Save) {
                f.Platform.Dialogs.SaveFormatScripts.push_back([&](CSaveFormatFields&) {
                    if (c.Choice == Format::Failing) {
                        // A folder in the way of the file the save writes.
                        EXPECT_TRUE(QDir(f.Folder.Path())
                                        .mkdir(hide ? QStringLiteral("Sunset_steg.png")
                                                    : QStringLiteral("Sunset_conv.png")));
                    }
                    return c.Choice != Format::Cancelled;
                });
                if (c.Choice == Format::Failing) {
                    f.Platform.Messages.Expect(SaveError);
                }
            }
            EXPECT_EQ(test::LoadFolderAndWait(*f.Doc, f.Other.Path()), c.Leaves);
            f.Platform.Messages.VerifyAllShown();
            EXPECT_EQ(f.SavedFiles().size(), c.Written ? 1 : 0);
            if (c.Leaves) {
                EXPECT_EQ(f.Doc->CurrentFolder, f.Other.Path());
                EXPECT_FALSE(f.Doc->HasImage());
            } else {
                EXPECT_EQ(f.Doc->CurrentFolder, f.Folder.Path());
                EXPECT_EQ(f.Doc->CurrentImage.get(), image);
                EXPECT_EQ(f.Doc->SelectedIndex, 0);
                EXPECT_EQ(f.Doc->UndoPosition, 1);
                EXPECT_EQ(f.Doc->HiddenDataAdded, hide);
                EXPECT_TRUE(f.Doc->IsImageModified());
            }
        }
    }
}
