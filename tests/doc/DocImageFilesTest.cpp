#include "doc/CommandIds.h"
#include "doc/PictoriumDoc.h"
#include "support/FakePlatform.h"
#include "support/FolderLoad.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

using namespace veilpane;
using namespace veilpane::test;

namespace {

const CUserMessage SaveError = CUserMessage::AppBox(QStringLiteral("Error saving image file."));

struct CSaveFixture {
    CFakePlatform Platform;
    CTempFolder Folder;
    std::unique_ptr<CPictoriumDoc> Doc;

    CSaveFixture() {
        Platform.SkipFirstRun();
        Doc =
            std::make_unique<CPictoriumDoc>(Platform.Services(), QStringLiteral("/nonexistent/bin/veilpane"));
    }

    // Writes a picture under its real name into folder (relative to the fixture's), scans that folder and
    // selects the picture.
    void SelectNew(const QString& realName, const QString& subfolder = QString(), std::uint32_t seed = 1) {
        const QString folder = subfolder.isEmpty() ? Folder.Path() : Folder.FilePath(subfolder);
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(
            MakeNoiseBitmap(24, 18, seed).Save(QDir(folder).filePath(realName), QStringLiteral("image/png")));
        test::LoadFolderAndWait(*Doc, folder);
        const qsizetype index = Doc->FileNames.indexOf(realName);
        ASSERT_GE(index, 0) << realName.toStdString();
        Doc->SelectImage(static_cast<int>(index), {}, {});
        ASSERT_TRUE(Doc->HasImage());
    }
};

} // namespace

TEST(DocImageFiles, SaveNamesCutOnlyTheFileNameAtItsLastFullStop) {
    CSaveFixture f;
    struct CCase {
        QString RealName;
        QString Subfolder;
        QString Extension;
        QString Saved; // relative to the fixture's folder
    };
    const QList<CCase> cases = {
        {QStringLiteral("scan"), {}, QStringLiteral("png"), QStringLiteral("scan_conv.png")},
        {QStringLiteral("a.b.png"), {}, QStringLiteral("tiff"), QStringLiteral("a.b_conv.tiff")},
        {QStringLiteral("x_conv.png"), {}, QStringLiteral("png"), QStringLiteral("x_conv_conv.png")},
        // Name and folder keep their letter case.
        {QStringLiteral("Cat.PNG"), QStringLiteral("Holiday.Pics"), QStringLiteral("bmp"),
         QStringLiteral("Holiday.Pics/Cat_conv.bmp")},
        // A full stop in the folder only: the folder is never cut.
        {QStringLiteral("photo"), QStringLiteral("v1.2"), QStringLiteral("gif"),
         QStringLiteral("v1.2/photo_conv.gif")},
        {QStringLiteral(".png"), QStringLiteral("dot"), QStringLiteral("jpg"),
         QStringLiteral("dot/_conv.jpg")},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.RealName.toStdString());
        f.SelectNew(c.RealName, c.Subfolder);
        const QString expected = f.Folder.FilePath(c.Saved);
        EXPECT_EQ(f.Doc->SavePathFor(c.Extension), expected);
        EXPECT_TRUE(f.Doc->SaveImageAs(c.Extension));
        EXPECT_TRUE(QFile::exists(expected));
        EXPECT_EQ(f.Platform.Status.Last(),
                  QStringLiteral("Image file saved: ") + QFileInfo(expected).fileName())
            << "the file name alone, never the folder";
        // The source stays as it was.
        EXPECT_TRUE(QFile::exists(f.Doc->EntryPath(f.Doc->SelectedIndex)));
    }
}

TEST(DocImageFiles, AfterAHideTheSuffixIsSteg) {
    CSaveFixture f;
    f.SelectNew(QStringLiteral("Sunset.JPG"));
    f.Doc->HiddenDataAdded = true;
    EXPECT_TRUE(f.Doc->SaveImageAs(QStringLiteral("png")));
    EXPECT_TRUE(QFile::exists(f.Folder.FilePath(QStringLiteral("Sunset_steg.png"))));
    EXPECT_FALSE(QFile::exists(f.Folder.FilePath(QStringLiteral("Sunset_conv.png"))));
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("Image file saved: Sunset_steg.png"));
    // Lossy and palette formats are not offered for an image that has just received hidden data.
    EXPECT_FALSE(f.Doc->CommandState(cmd::SaveJpeg).Enabled);
    EXPECT_FALSE(f.Doc->CommandState(cmd::SaveGif).Enabled);
    f.Doc->Execute(cmd::SaveJpeg);
    EXPECT_FALSE(QFile::exists(f.Folder.FilePath(QStringLiteral("Sunset_steg.jpg"))));
    f.Doc->Execute(cmd::SaveBmp);
    EXPECT_TRUE(QFile::exists(f.Folder.FilePath(QStringLiteral("Sunset_steg.bmp"))));
}

TEST(DocImageFiles, EachFormatIsWrittenByItsEncoderAndLosslessOnesKeepEveryPixel) {
    CSaveFixture f;
    f.SelectNew(QStringLiteral("Pic.png"));
    struct CFormat {
        int Command;
        const char* Saved;
        const char* Format; // what a reader finds in the file's content
        bool Lossless;
    };
    for (const CFormat& format : {CFormat{cmd::SavePng, "Pic_conv.png", "png", true},
                                  CFormat{cmd::SaveBmp, "Pic_conv.bmp", "bmp", true},
                                  CFormat{cmd::SaveTiff, "Pic_conv.tiff", "tiff", true},
                                  CFormat{cmd::SaveJpeg, "Pic_conv.jpg", "jpeg", false},
                                  CFormat{cmd::SaveGif, "Pic_conv.gif", "gif", false}}) {
        SCOPED_TRACE(format.Saved);
        ASSERT_TRUE(f.Doc->Execute(format.Command));
        const QString path = f.Folder.FilePath(QString::fromLatin1(format.Saved));
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), QByteArray(format.Format));
        const CBitmap saved = CBitmap::Load(path);
        ASSERT_TRUE(saved.IsValid());
        EXPECT_EQ(saved.Width(), 24u);
        EXPECT_EQ(saved.Height(), 18u);
        if (format.Lossless) {
            EXPECT_EQ(CountDifferentPixels(saved, *f.Doc->CurrentImage), 0);
        }
    }
}

TEST(DocImageFiles, JpegIsSavedAtQualityOneHundredAsAnIndependentReaderSees) {
    if (!HaveProgram(QStringLiteral("identify"))) {
        GTEST_SKIP() << "ImageMagick's identify is not installed";
    }
    CSaveFixture f;
    f.SelectNew(QStringLiteral("q.png"));
    ASSERT_TRUE(f.Doc->SaveImageAs(QStringLiteral("jpg")));
    const CProcessResult result =
        RunProgram(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%m %Q"),
                                                f.Folder.FilePath(QStringLiteral("q_conv.jpg"))});
    ASSERT_EQ(result.ExitCode, 0) << result.Err.toStdString();
    EXPECT_EQ(result.Out.trimmed(), QByteArray("JPEG 100"));
}

TEST(DocImageFiles, SavingTwiceReplacesTheFirstFileAndLeavesNothingElse) {
    CSaveFixture f;
    f.SelectNew(QStringLiteral("twice.png"));
    ASSERT_TRUE(f.Doc->SaveImageAs(QStringLiteral("png")));
    f.Doc->CurrentImage->SetPixel(3, 4, 0xff123456u);
    ASSERT_TRUE(f.Doc->SaveImageAs(QStringLiteral("png")));
    const QString path = f.Folder.FilePath(QStringLiteral("twice_conv.png"));
    EXPECT_EQ(CBitmap::Load(path).GetPixel(3, 4), 0xff123456u);
    EXPECT_EQ(QDir(f.Folder.Path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("twice.png"), QStringLiteral("twice_conv.png")}));
    // Saving does not rescan: the new file is listed only after a refresh.
    EXPECT_EQ(f.Doc->FileNames, QStringList{QStringLiteral("twice.png")});
}

TEST(DocImageFiles, EveryFailureShowsTheSaveErrorAndChangesNothing) {
    CSaveFixture f;
    // Nothing selected yet.
    f.Platform.Messages.Expect(SaveError);
    EXPECT_FALSE(f.Doc->SaveImageAs(QStringLiteral("png")));
    f.Platform.Messages.VerifyAllShown();

    f.SelectNew(QStringLiteral("pic.png"));
    const QString status = f.Platform.Status.Last();

    // A format without an encoder.
    f.Platform.Messages.Expect(SaveError);
    EXPECT_FALSE(f.Doc->SaveImageAs(QStringLiteral("xyz")));
    f.Platform.Messages.VerifyAllShown();
    EXPECT_FALSE(QFile::exists(f.Folder.FilePath(QStringLiteral("pic_conv.xyz"))));

    // A selection past the list (the image stays, the entry is gone).
    const QStringList names = f.Doc->FileNames;
    f.Doc->FileNames.clear();
    f.Platform.Messages.Expect(SaveError);
    EXPECT_FALSE(f.Doc->SaveImageAs(QStringLiteral("png")));
    f.Platform.Messages.VerifyAllShown();
    f.Doc->FileNames = names;

    // The folder vanished after the scan: the write fails.
    ASSERT_TRUE(QDir(f.Folder.Path()).removeRecursively());
    f.Platform.Messages.Expect(SaveError);
    EXPECT_FALSE(f.Doc->SaveImageAs(QStringLiteral("bmp")));
    f.Platform.Messages.VerifyAllShown();
    EXPECT_FALSE(QFile::exists(f.Folder.FilePath(QStringLiteral("pic_conv.bmp"))));

    EXPECT_EQ(f.Platform.Status.Last(), status) << "no success text after a failure";
    EXPECT_TRUE(f.Doc->HasImage());
}

TEST(DocImageFiles, AFileInTheWayIsReplacedOnlyWhenTheUserSaysSo) {
    const QString question =
        QStringLiteral("A file named \"in_conv.png\" already exists in\n%1\n\nReplace it, keep "
                       "both (the new file is saved as \"in_conv (2).png\"), or skip this file?");
    const struct {
        MessageResult Answer;
        bool Saved;
        const char* Written; // where the picture went; the older file keeps its bytes otherwise
    } cases[] = {
        {MessageResult::Replace, true, "in_conv.png"},
        {MessageResult::KeepBoth, true, "in_conv (2).png"},
        {MessageResult::Skip, false, nullptr},
    };
    for (const auto& c : cases) {
        CSaveFixture f;
        f.SelectNew(QStringLiteral("in.png"));
        f.Folder.Write(QStringLiteral("in_conv.png"), "a user's own file");
        f.Platform.Messages.Expect(
            CUserMessage::AppBox(question.arg(QDir::toNativeSeparators(f.Folder.Path()))), c.Answer);
        EXPECT_EQ(f.Doc->SaveImageAs(QStringLiteral("png")), c.Saved);
        f.Platform.Messages.VerifyAllShown();
        const bool replaced = c.Written && QString::fromLatin1(c.Written) == QStringLiteral("in_conv.png");
        EXPECT_EQ(f.Folder.Read(QStringLiteral("in_conv.png")) == "a user's own file", !replaced);
        if (c.Written) {
            EXPECT_TRUE(CBitmap::Load(f.Folder.FilePath(QString::fromLatin1(c.Written))).IsValid());
        } else {
            EXPECT_EQ(f.Platform.Status.Last(),
                      QStringLiteral("Image not saved: in_conv.png already exists."));
        }
    }
    // This session's own last save is replaced without a question, unless someone changed it meanwhile.
    CSaveFixture f;
    f.SelectNew(QStringLiteral("own.png"));
    ASSERT_TRUE(f.Doc->SaveImageAs(QStringLiteral("png")));
    ASSERT_TRUE(f.Doc->SaveImageAs(QStringLiteral("png")));
    QFile own(f.Folder.FilePath(QStringLiteral("own_conv.png")));
    ASSERT_TRUE(own.open(QIODevice::ReadWrite));
    own.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
    own.close();
    f.Platform.Messages.ExpectAnyText(MessageKind::Question, QString(), MessageResult::Skip);
    EXPECT_FALSE(f.Doc->SaveImageAs(QStringLiteral("png")));
}
