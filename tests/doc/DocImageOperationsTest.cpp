#include "doc/CommandIds.h"
#include "doc/PictoriumDoc.h"
#include "image/ImageOperations.h"
#include "support/FakePlatform.h"
#include "support/FolderLoad.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace veilpane;
using namespace veilpane::test;

namespace {

constexpr int TwelveOperations[] = {cmd::Mirror,   cmd::Flip,      cmd::RotateRight, cmd::RotateLeft,
                                    cmd::Negative, cmd::Grayscale, cmd::Lighten,     cmd::Darken,
                                    cmd::Contrast, cmd::Sharpen,   cmd::GammaColors, cmd::Threshold};

// A document over the fakes with two listed images, the first selected.
struct COperationFixture {
    CFakePlatform Platform;
    CTempFolder Folder;
    std::unique_ptr<CPictoriumDoc> Doc;
    CBitmap Loaded;
    int ImageChanges = 0;
    int StateChanges = 0;

    explicit COperationFixture(std::uint32_t width = 48, std::uint32_t height = 30) {
        Platform.SkipFirstRun();
        Doc =
            std::make_unique<CPictoriumDoc>(Platform.Services(), QStringLiteral("/nonexistent/bin/veilpane"));
        Loaded = MakeNoiseBitmap(width, height, 7);
        EXPECT_TRUE(Loaded.Save(Folder.FilePath(QStringLiteral("Shot.png")), QStringLiteral("image/png")));
        EXPECT_TRUE(MakeNoiseBitmap(8, 8, 2).Save(Folder.FilePath(QStringLiteral("other.png")),
                                                  QStringLiteral("image/png")));
        Doc->CurrentFolder = Folder.Path();
        Doc->FileNames = {QStringLiteral("Shot.png"), QStringLiteral("other.png")};
        Doc->HiddenKinds = {HiddenNothing, HiddenNothing};
        Doc->SelectImage(0, {}, {});
        QObject::connect(Doc.get(), &CPictoriumDoc::ImageChanged, [this] { ++ImageChanges; });
        QObject::connect(Doc.get(), &CPictoriumDoc::StateChanged, [this] { ++StateChanges; });
    }

    const CBitmap& Current() const { return *Doc->CurrentImage; }
};

} // namespace

TEST(DocImageOperations, RotateRightThenLeftRestoresThePixelsWithTwoUndoSteps) {
    COperationFixture f(48, 30);
    ASSERT_TRUE(f.Doc->Execute(cmd::RotateRight));
    EXPECT_EQ(f.Current().Width(), 30u);
    EXPECT_EQ(f.Current().Height(), 48u);
    ASSERT_TRUE(f.Doc->Execute(cmd::RotateLeft));
    EXPECT_EQ(CountDifferentPixels(f.Current(), f.Loaded), 0);
    EXPECT_EQ(f.Doc->UndoPosition, 2);
    EXPECT_EQ(f.Doc->CommandState(cmd::Undo).Text, QStringLiteral("&Undo (2)"));
    EXPECT_EQ(f.Platform.Tasks.Titles,
              (QStringList{QStringLiteral("Rotate Right 90\u00b0"), QStringLiteral("Rotate Left 90\u00b0")}));

    f.Doc->Execute(cmd::Undo);
    EXPECT_EQ(f.Current().Width(), 30u);
    f.Doc->Execute(cmd::Undo);
    EXPECT_EQ(CountDifferentPixels(f.Current(), f.Loaded), 0);
    f.Doc->Execute(cmd::Redo);
    EXPECT_EQ(f.Current().Width(), 30u);
}

TEST(DocImageOperations, FourRotationsGiveBackTheStartingOrientation) {
    COperationFixture f;
    for (int i = 0; i < 4; ++i) {
        f.Doc->Execute(cmd::RotateRight);
    }
    EXPECT_EQ(CountDifferentPixels(f.Current(), f.Loaded), 0);
    EXPECT_EQ(f.Doc->UndoPosition, 4);
}

// Each command runs its own operation on the current image and records the image before it.
TEST(DocImageOperations, EachCommandAppliesItsOperationWithOneUndoStep) {
    struct CCase {
        int Command;
        ImageOperation Operation;
    };
    for (const CCase& c :
         {CCase{cmd::Mirror, ImageOperation::Mirror}, CCase{cmd::Flip, ImageOperation::Flip},
          CCase{cmd::Negative, ImageOperation::Negative}, CCase{cmd::Grayscale, ImageOperation::Grayscale},
          CCase{cmd::Lighten, ImageOperation::Lighten}, CCase{cmd::Darken, ImageOperation::Darken},
          CCase{cmd::Contrast, ImageOperation::Contrast}, CCase{cmd::Sharpen, ImageOperation::Sharpen}}) {
        SCOPED_TRACE(c.Command);
        COperationFixture f;
        f.Doc->Execute(c.Command);
        EXPECT_EQ(f.Doc->PendingOperation, c.Command);
        EXPECT_EQ(CountDifferentPixels(f.Current(), ApplyImageOperation(f.Loaded, c.Operation)), 0);
        EXPECT_GT(CountDifferentPixels(f.Current(), f.Loaded), 0);
        ASSERT_EQ(f.Doc->UndoPosition, 1);
        EXPECT_EQ(CountDifferentPixels(*f.Doc->UndoSlots[0], f.Loaded), 0);
        EXPECT_EQ(f.ImageChanges, 1);
        EXPECT_FALSE(f.Doc->WorkerThread);
    }
}

TEST(DocImageOperations, NegativeTwiceRestoresTheImage) {
    COperationFixture f;
    f.Doc->Execute(cmd::Negative);
    f.Doc->Execute(cmd::Negative);
    EXPECT_EQ(CountDifferentPixels(f.Current(), f.Loaded), 0);
    EXPECT_EQ(f.Doc->UndoPosition, 2);
}

TEST(DocImageOperations, GammaDialogOpensWithAHalfAndStoresThousandths) {
    COperationFixture f;
    f.Platform.Dialogs.GammaScripts.push_back([](double& value) {
        EXPECT_EQ(value, 0.5);
        value = 2.2;
        return true;
    });
    f.Doc->Execute(cmd::GammaColors);
    EXPECT_EQ(f.Doc->PendingOperation, cmd::GammaColors);
    EXPECT_EQ(f.Doc->OperationValue, 2200);
    EXPECT_EQ(CountDifferentPixels(f.Current(), ApplyGamma(f.Loaded, 2.2)), 0);
    EXPECT_EQ(f.Doc->UndoPosition, 1);

    // 0.0004 becomes 0 thousandths: drawn unchanged, with an undo step all the same.
    f.Platform.Dialogs.GammaScripts.push_back([](double& value) {
        EXPECT_EQ(value, 0.5) << "the dialog always opens with 0.5";
        value = 0.0004;
        return true;
    });
    const CBitmap before = f.Current().Copy();
    f.Doc->Execute(cmd::GammaColors);
    EXPECT_EQ(f.Doc->OperationValue, 0);
    EXPECT_EQ(CountDifferentPixels(f.Current(), before), 0);
    EXPECT_EQ(f.Doc->UndoPosition, 2);
    EXPECT_EQ(f.Platform.Tasks.Titles.size(), 2);

    // A factor too large for 32-bit thousandths is not applied either.
    f.Platform.Dialogs.GammaScripts.push_back([](double& value) {
        value = 5e9;
        return true;
    });
    f.Doc->Execute(cmd::GammaColors);
    EXPECT_EQ(f.Doc->OperationValue, 0);
    EXPECT_EQ(CountDifferentPixels(f.Current(), before), 0);
    EXPECT_EQ(f.Doc->UndoPosition, 3);
}

TEST(DocImageOperations, ThresholdLevelsZeroAndTwoHundredFiftyFive) {
    COperationFixture f;
    f.Platform.Dialogs.ThresholdScripts.push_back([](int& level) {
        EXPECT_EQ(level, 0);
        return true; // OK with the level shown
    });
    f.Doc->Execute(cmd::Threshold);
    EXPECT_EQ(f.Doc->OperationValue, 0);
    for (std::uint32_t y = 0; y < f.Loaded.Height(); ++y) {
        for (std::uint32_t x = 0; x < f.Loaded.Width(); ++x) {
            const std::uint32_t was = f.Loaded.GetPixel(x, y);
            const std::uint32_t now = f.Current().GetPixel(x, y);
            for (int shift : {0, 8, 16}) {
                ASSERT_EQ((now >> shift) & 0xFF, ((was >> shift) & 0xFF) == 0 ? 0u : 255u);
            }
        }
    }

    f.Doc->Execute(cmd::Undo);
    f.Platform.Dialogs.ThresholdScripts.push_back([](int& level) {
        EXPECT_EQ(level, 0);
        level = 255;
        return true;
    });
    f.Doc->Execute(cmd::Threshold);
    EXPECT_EQ(f.Doc->OperationValue, 255);
    for (std::uint32_t y = 0; y < f.Loaded.Height(); ++y) {
        for (std::uint32_t x = 0; x < f.Loaded.Width(); ++x) {
            ASSERT_EQ(f.Current().GetPixel(x, y), 0xFF000000u);
        }
    }
    EXPECT_EQ(f.Doc->UndoPosition, 1) << "the undone step was replaced";
}

TEST(DocImageOperations, CancelInEitherDialogStartsNothing) {
    COperationFixture f;
    f.Doc->PendingOperation = cmd::Mirror;
    f.Doc->OperationValue = 77;
    f.Platform.Dialogs.GammaScripts.push_back([](double& value) {
        value = 3.0;
        return false;
    });
    f.Platform.Dialogs.ThresholdScripts.push_back([](int& level) {
        level = 9;
        return false;
    });
    f.Doc->Execute(cmd::GammaColors);
    f.Doc->Execute(cmd::Threshold);
    EXPECT_TRUE(f.Platform.Tasks.Titles.isEmpty());
    EXPECT_EQ(f.Doc->UndoPosition, 0);
    EXPECT_EQ(f.Doc->PendingOperation, cmd::Mirror);
    EXPECT_EQ(f.Doc->OperationValue, 77);
    EXPECT_EQ(CountDifferentPixels(f.Current(), f.Loaded), 0);
    EXPECT_EQ(f.ImageChanges, 0);
}

TEST(DocImageOperations, BusyFromTheCommandUntilTheResultIsCommitted) {
    COperationFixture f;
    f.Platform.Tasks.Defer = true;
    const int statesBefore = f.StateChanges;
    f.Doc->Execute(cmd::Negative);
    ASSERT_TRUE(f.Doc->WorkerThread);
    EXPECT_GT(f.StateChanges, statesBefore) << "menus learn about the busy state at once";
    EXPECT_EQ(CountDifferentPixels(f.Current(), f.Loaded), 0) << "nothing is committed yet";
    EXPECT_EQ(f.Doc->UndoPosition, 0);

    for (int id : TwelveOperations) {
        EXPECT_FALSE(f.Doc->CommandState(id).Enabled) << id;
    }
    for (int id : {cmd::SavePng, cmd::SaveBmp, cmd::SaveTiff, cmd::SaveJpeg, cmd::SaveGif, cmd::Undo,
                   cmd::Redo, cmd::Print, cmd::PrintPreview, cmd::RefreshFolder, cmd::EncryptFolder,
                   cmd::DecryptFolder, cmd::Exit}) {
        EXPECT_FALSE(f.Doc->CommandState(id).Enabled) << id;
    }

    // Nothing starts a second operation, replaces the image or the folder meanwhile.
    f.Doc->Execute(cmd::Mirror);
    f.Doc->StartImageOperation(cmd::Flip);
    f.Doc->OnThreshold();
    EXPECT_EQ(f.Platform.Tasks.Titles.size(), 1);
    EXPECT_EQ(f.Doc->PendingOperation, cmd::Negative);
    f.Doc->SelectImage(1, {}, {});
    EXPECT_EQ(f.Doc->SelectedIndex, 0);
    const QString folder = f.Doc->CurrentFolder;
    test::LoadFolderAndWait(*f.Doc, QDir::tempPath());
    EXPECT_EQ(f.Doc->CurrentFolder, folder);
    EXPECT_EQ(f.Doc->FileNames.size(), 2);

    f.Platform.Tasks.RunPending();
    EXPECT_FALSE(f.Doc->WorkerThread);
    EXPECT_EQ(CountDifferentPixels(f.Current(), ApplyImageOperation(f.Loaded, ImageOperation::Negative)), 0);
    EXPECT_TRUE(f.Doc->CommandState(cmd::Undo).Enabled);
    EXPECT_EQ(f.Doc->CommandState(cmd::Undo).Text, QStringLiteral("&Undo (1)"));
    EXPECT_TRUE(f.Doc->CommandState(cmd::Mirror).Enabled);
    EXPECT_TRUE(f.Doc->CommandState(cmd::Exit).Enabled);
    EXPECT_EQ(f.ImageChanges, 1);

    f.Doc->SelectImage(1, {}, {});
    EXPECT_EQ(f.Doc->SelectedIndex, 1);
}

TEST(DocImageOperations, TheDocumentGoingAwayWhileBusyLeavesTheWorkerOnItsOwnCopy) {
    COperationFixture f;
    f.Platform.Tasks.Defer = true;
    f.Doc->Execute(cmd::Grayscale);
    ASSERT_TRUE(f.Doc->WorkerThread);
    f.Doc.reset();
    // The work still runs (the runner may be in the middle of it) and commits nothing to a gone document.
    f.Platform.Tasks.RunPending();
    EXPECT_EQ(f.ImageChanges, 0);
}

TEST(DocImageOperations, ACancelledOperationChangesNothing) {
    COperationFixture f;
    f.Platform.Tasks.CancelAfterFirstReport = true;
    f.Doc->Execute(cmd::Contrast);
    EXPECT_FALSE(f.Doc->WorkerThread);
    EXPECT_EQ(f.Doc->UndoPosition, 0);
    EXPECT_EQ(CountDifferentPixels(f.Current(), f.Loaded), 0);
    EXPECT_TRUE(f.Doc->CommandState(cmd::Contrast).Enabled);
}

TEST(DocImageOperations, ImagesCarryingHiddenContentCannotBeEdited) {
    for (std::int32_t kind : {HiddenImage, HiddenMessage, HiddenFile}) {
        COperationFixture f;
        f.Doc->HiddenKinds[0] = kind;
        for (int id : TwelveOperations) {
            EXPECT_FALSE(f.Doc->CommandState(id).Enabled) << id;
            f.Doc->Execute(id);
        }
        // Called directly, past the menu, the handlers refuse as well.
        f.Doc->StartImageOperation(cmd::Mirror);
        f.Doc->OnGammaColors();
        EXPECT_TRUE(f.Platform.Tasks.Titles.isEmpty());
        EXPECT_TRUE(f.Doc->CommandState(cmd::SavePng).Enabled);
    }
}

TEST(DocImageOperations, AnImageThatCouldNotBeDecodedIsLeftAloneWithoutAMessage) {
    COperationFixture f;
    f.Doc->CurrentImage = std::make_unique<CBitmap>();
    f.Doc->Execute(cmd::Sharpen);
    f.Doc->Execute(cmd::RotateLeft);
    EXPECT_FALSE(f.Doc->WorkerThread);
    ASSERT_TRUE(f.Doc->HasImage());
    EXPECT_FALSE(f.Doc->CurrentImage->IsValid());
    EXPECT_EQ(f.Doc->UndoPosition, 0) << "an empty image has no state to record";
    EXPECT_EQ(f.ImageChanges, 2);
}

TEST(DocImageOperations, AnOperationAfterAHideClearsHiddenDataAddedAndSavesUnderConv) {
    COperationFixture f(64, 64);
    f.Doc->PasswordSet.Passwords[0] = QByteArray("alpha-key");
    f.Doc->SecretMessage = QStringLiteral("meet at noon");
    f.Platform.Messages.ExpectAnyText(MessageKind::Question, QString());
    f.Doc->Execute(cmd::HideMessage);
    ASSERT_TRUE(f.Doc->HiddenDataAdded);
    EXPECT_FALSE(f.Doc->CommandState(cmd::SaveJpeg).Enabled);

    f.Doc->Execute(cmd::Mirror);
    EXPECT_FALSE(f.Doc->HiddenDataAdded);
    EXPECT_TRUE(f.Doc->CommandState(cmd::SaveJpeg).Enabled);
    EXPECT_TRUE(f.Doc->CommandState(cmd::SaveGif).Enabled);
    EXPECT_EQ(f.Doc->UndoPosition, 2);
    f.Doc->Execute(cmd::SavePng);
    EXPECT_TRUE(QFile::exists(f.Folder.FilePath(QStringLiteral("Shot_conv.png"))));
    EXPECT_FALSE(QFile::exists(f.Folder.FilePath(QStringLiteral("Shot_steg.png"))));
    f.Doc->Execute(cmd::SaveJpeg);
    EXPECT_TRUE(QFile::exists(f.Folder.FilePath(QStringLiteral("Shot_conv.jpg"))));
}

TEST(DocImageOperations, ElevenOperationsKeepTenUndoSteps) {
    COperationFixture f;
    for (int i = 0; i < 11; ++i) {
        f.Doc->Execute(cmd::Mirror);
    }
    EXPECT_EQ(f.Doc->UndoPosition, 10);
    for (int i = 0; i < 10; ++i) {
        f.Doc->Execute(cmd::Undo);
    }
    // Back to the state after the first operation, not the image as loaded.
    EXPECT_EQ(CountDifferentPixels(f.Current(), ApplyImageOperation(f.Loaded, ImageOperation::Mirror)), 0);
    EXPECT_FALSE(f.Doc->CommandState(cmd::Undo).Enabled);
}
