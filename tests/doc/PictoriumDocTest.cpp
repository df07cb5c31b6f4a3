#include "doc/PictoriumDoc.h"
#include "doc/CommandIds.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

using namespace veilpane;
using namespace veilpane::test;

namespace {

// A document over the fakes with one listed image, selected, and without a first-run disclaimer.
struct CDocFixture {
    CFakePlatform Platform;
    CTempFolder Folder;
    std::unique_ptr<CPictoriumDoc> Doc;

    explicit CDocFixture(std::uint32_t width = 640, std::uint32_t height = 480) {
        Platform.SkipFirstRun();
        Doc =
            std::make_unique<CPictoriumDoc>(Platform.Services(), QStringLiteral("/nonexistent/bin/veilpane"));
        CBitmap image = MakeNoiseBitmap(width, height);
        EXPECT_TRUE(image.Save(Folder.FilePath(QStringLiteral("Photo.PNG")), QStringLiteral("image/png")));
        Doc->CurrentFolder = Folder.Path();
        Doc->FileNames = {QStringLiteral("Photo.PNG")};
        Doc->HiddenKinds = {HiddenNothing};
    }

    // An edit as an image operation makes it: one undo step, then a visible change.
    void Edit(std::uint32_t marker) {
        Doc->PushUndo();
        Doc->CurrentImage->SetPixel(0, 0, marker);
    }
};

} // namespace

TEST(PictoriumDoc, SelectImageLoadsThroughTheRealNameAndReportsCapacity) {
    CDocFixture f;
    f.Doc->SelectImage(0, {}, {});
    ASSERT_TRUE(f.Doc->HasImage());
    EXPECT_EQ(f.Doc->CurrentImage->Width(), 640u);
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("640x480 Storage capacity: 37 Ks (38400 bytes)"));
    EXPECT_EQ(f.Doc->Preview, CPreviewTexts{});

    // Selecting the selected entry again keeps the history.
    f.Edit(1);
    f.Doc->SelectImage(0, {}, {});
    EXPECT_EQ(f.Doc->UndoPosition, 1);
    // An index past the list leaves no image.
    f.Doc->SelectImage(5, {}, {});
    EXPECT_FALSE(f.Doc->HasImage());
    EXPECT_EQ(f.Doc->UndoPosition, 0);
    EXPECT_EQ(f.Doc->CommandState(cmd::Undo).Text, QStringLiteral("&Undo (0)"));
}

TEST(PictoriumDoc, SelectImageShowsWhatTheCarrierHides) {
    CDocFixture f;
    f.Doc->HiddenKinds = {HiddenMessage};
    f.Doc->SelectImage(0, QStringLiteral("photo.txt"), QStringLiteral("2026-12-06 16h:57m:03s\r\n\r\nhello"));
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("photo.txt (hidden file) Use File/Extract"));
    EXPECT_EQ(f.Doc->Preview,
              (CPreviewTexts{QStringLiteral("Secret message:"),
                             QStringLiteral("2026-12-06 16h:57m:03s\r\n\r\nhello"), true, true}));

    f.Doc->SelectImage(-1, {}, {});
    f.Doc->HiddenKinds = {HiddenFile};
    f.Doc->SelectImage(0, QStringLiteral("report.pdf"), {});
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("report.pdf (hidden file) Use File/Extract"));
    EXPECT_EQ(f.Doc->Preview, (CPreviewTexts{QStringLiteral("report.pdf (hidden file) Use File/Extract"),
                                             QString(), true, false}));
    EXPECT_TRUE(f.Doc->HasImage());

    // A hidden image is shown in place of its carrier from the private temporary folder, and wiped when
    // another entry is selected.
    f.Doc->SelectImage(-1, {}, {});
    f.Doc->HiddenKinds = {HiddenImage};
    const QString extracted = QDir(f.Doc->TempFolder()).filePath(QStringLiteral("holiday.png"));
    CBitmap hidden = MakeNoiseBitmap(30, 20);
    ASSERT_TRUE(hidden.Save(extracted, QStringLiteral("image/png")));
    f.Doc->SelectImage(0, QStringLiteral("holiday.png"), {});
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("holiday.png (hidden image)"));
    EXPECT_EQ(f.Doc->CurrentImage->Width(), 30u);
    EXPECT_EQ(f.Doc->TempImagePath, extracted);
    EXPECT_FALSE(extracted.startsWith(f.Folder.Path())) << "never beside the user's files";
    f.Doc->FileNames << QStringLiteral("Photo.PNG");
    f.Doc->HiddenKinds.push_back(HiddenNothing);
    f.Doc->SelectImage(1, {}, {});
    EXPECT_FALSE(QFile::exists(extracted));
    EXPECT_TRUE(f.Doc->TempImagePath.isEmpty());
}

TEST(PictoriumDoc, UndoHistoryKeepsTenSteps) {
    CDocFixture f;
    f.Doc->SelectImage(0, {}, {});
    for (std::uint32_t i = 1; i <= 11; ++i) {
        f.Edit(i);
    }
    EXPECT_EQ(f.Doc->CommandState(cmd::Undo), (CCommandState{true, false, QStringLiteral("&Undo (10)")}));
    EXPECT_FALSE(f.Doc->CommandState(cmd::Redo).Enabled);
    for (int i = 0; i < 10; ++i) {
        f.Doc->OnEditUndo();
    }
    // Back to the state after the first edit, not the image as loaded.
    EXPECT_EQ(f.Doc->CurrentImage->GetPixel(0, 0), 1u);
    EXPECT_FALSE(f.Doc->CommandState(cmd::Undo).Enabled);
    f.Doc->OnEditUndo(); // disabled: nothing happens
    EXPECT_EQ(f.Doc->CurrentImage->GetPixel(0, 0), 1u);
    EXPECT_TRUE(f.Doc->CommandState(cmd::Redo).Enabled);

    // Undo then Redo returns exactly the edited image object.
    f.Doc->OnEditRedo();
    const CBitmap* edited = f.Doc->CurrentImage.get();
    f.Doc->OnEditUndo();
    f.Doc->OnEditRedo();
    EXPECT_EQ(f.Doc->CurrentImage.get(), edited);
    EXPECT_EQ(f.Doc->CurrentImage->GetPixel(0, 0), 2u);
}

TEST(PictoriumDoc, ANewEditDiscardsRedo) {
    CDocFixture f;
    f.Doc->SelectImage(0, {}, {});
    f.Edit(1);
    f.Edit(2);
    f.Edit(3);
    f.Doc->OnEditUndo();
    f.Doc->OnEditUndo();
    f.Edit(4);
    EXPECT_FALSE(f.Doc->CommandState(cmd::Redo).Enabled);
    EXPECT_EQ(f.Doc->CommandState(cmd::Undo).Text, QStringLiteral("&Undo (2)"));
    // Undo and redo clear the hidden-data mark: the image may be saved lossy again.
    f.Doc->HiddenDataAdded = true;
    EXPECT_FALSE(f.Doc->CommandState(cmd::SaveJpeg).Enabled);
    f.Doc->OnEditUndo();
    f.Doc->OnEditRedo();
    EXPECT_FALSE(f.Doc->HiddenDataAdded);
    EXPECT_TRUE(f.Doc->CommandState(cmd::SaveJpeg).Enabled);
}

namespace {

// One row of the enable rules: the document's state and the commands it enables.
struct CEnableRow {
    const char* Name;
    bool Image;
    bool Busy;
    std::int32_t Kind;
    bool HiddenDataAdded;
    bool FileToHide;
    bool SecretMessage;
    bool Folder;
};

} // namespace

TEST(PictoriumDoc, EnableRulesRowByRow) {
    const std::vector<int> edits = {cmd::Mirror,      cmd::Flip,        cmd::Negative,   cmd::Grayscale,
                                    cmd::RotateRight, cmd::GammaColors, cmd::RotateLeft, cmd::Threshold,
                                    cmd::Lighten,     cmd::Darken,      cmd::Contrast,   cmd::Sharpen};
    const CEnableRow rows[] = {
        {"idle image, nothing hidden", true, false, HiddenNothing, false, true, true, true},
        {"idle image carrying a message", true, false, HiddenMessage, false, true, true, true},
        {"image after a hide", true, false, HiddenNothing, true, true, true, true},
        {"busy", true, true, HiddenNothing, false, true, true, true},
        {"no image", false, false, HiddenNothing, false, true, true, true},
        {"nothing chosen to hide, no folder", true, false, HiddenImage, false, false, false, false},
    };
    for (const CEnableRow& row : rows) {
        SCOPED_TRACE(row.Name);
        CDocFixture f;
        f.Doc->HiddenKinds = {row.Kind};
        if (row.Image) {
            f.Doc->SelectImage(0, {}, {});
        }
        f.Doc->WorkerThread = row.Busy;
        f.Doc->HiddenDataAdded = row.HiddenDataAdded;
        f.Doc->FileToHide = row.FileToHide ? QStringLiteral("/tmp/x") : QString();
        f.Doc->SecretMessage = row.SecretMessage ? QStringLiteral("m") : QString();
        if (!row.Folder) {
            f.Doc->CurrentFolder.clear();
        }
        const bool image = row.Image && !row.Busy;
        const bool editable = image && row.Kind <= HiddenNothing;
        for (int id : edits) {
            EXPECT_EQ(f.Doc->CommandState(id).Enabled, editable) << id;
        }
        for (int id : {cmd::SavePng, cmd::SaveBmp, cmd::SaveTiff, cmd::Print, cmd::PrintPreview}) {
            EXPECT_EQ(f.Doc->CommandState(id).Enabled, image) << id;
        }
        for (int id : {cmd::SaveJpeg, cmd::SaveGif}) {
            EXPECT_EQ(f.Doc->CommandState(id).Enabled, image && !row.HiddenDataAdded) << id;
        }
        EXPECT_EQ(f.Doc->CommandState(cmd::ExtractHiddenFile).Enabled, image && row.Kind != HiddenNothing);
        const bool hideable = image && !row.HiddenDataAdded && row.Kind <= HiddenNothing;
        EXPECT_EQ(f.Doc->CommandState(cmd::HideFile).Enabled, hideable && row.FileToHide);
        EXPECT_EQ(f.Doc->CommandState(cmd::HideMessage).Enabled, hideable && row.SecretMessage);
        EXPECT_EQ(f.Doc->CommandState(cmd::UnselectFileToHide).Enabled, row.FileToHide);
        for (int id : {cmd::RefreshFolder, cmd::EncryptFolder, cmd::DecryptFolder}) {
            EXPECT_EQ(f.Doc->CommandState(id).Enabled, row.Folder && !row.Busy) << id;
        }
        EXPECT_EQ(f.Doc->CommandState(cmd::Exit).Enabled, !row.Busy);
        for (int id :
             {cmd::SelectFileToHide, cmd::EnterSecretMessage, cmd::SamplesFolder, cmd::Passwords,
              cmd::EncryptFile, cmd::DecryptFile, cmd::EncryptDecryptMessage, cmd::FrameColors, cmd::About,
              cmd::Disclaimer, cmd::WebSite, cmd::FileToHideItem, cmd::MessageToHideItem}) {
            EXPECT_TRUE(f.Doc->CommandState(id).Enabled) << id;
        }
    }
}

TEST(PictoriumDoc, LongFileWorkLocksOutEverythingThatTouchesFiles) {
    CDocFixture f;
    f.Doc->SelectImage(0, {}, {});
    f.Doc->LongTaskRunning = true;
    for (int id :
         {cmd::SavePng, cmd::HideFile, cmd::Mirror, cmd::EncryptFile, cmd::DecryptFile, cmd::EncryptFolder,
          cmd::RefreshFolder, cmd::SamplesFolder, cmd::Passwords, cmd::Exit, cmd::Undo}) {
        EXPECT_FALSE(f.Doc->CommandState(id).Enabled) << id;
    }
    EXPECT_TRUE(f.Doc->CommandState(cmd::About).Enabled);
    // The selection cannot replace the image while the work runs.
    f.Doc->SelectImage(-1, {}, {});
    EXPECT_TRUE(f.Doc->HasImage());
}

TEST(PictoriumDoc, PushUndoWithoutAnImageRecordsNothing) {
    CDocFixture f;
    f.Doc->PushUndo();
    EXPECT_EQ(f.Doc->UndoPosition, 0);
}
