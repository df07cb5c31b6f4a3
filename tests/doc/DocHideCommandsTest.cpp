#include "doc/CommandIds.h"
#include "doc/PictoriumDoc.h"
#include "platform/BoundedRead.h"
#include "platform/ExistingFile.h"
#include "stego/HiddenContent.h"
#include "stego/HideEngine.h"
#include "stego/MessageFile.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

using namespace veilpane;
using namespace veilpane::test;

namespace {

const QByteArray Password = "alpha-key";

// A document over the fakes with one listed image, a password to hide with, and counters of what the
// Image Preview and the menus are told.
struct CHideFixture {
    CFakePlatform Platform;
    CTempFolder Folder;  // the listed folder
    CTempFolder Outside; // where the files to hide come from
    std::unique_ptr<CPictoriumDoc> Doc;
    int ImageChanges = 0;
    int StateChanges = 0;

    CHideFixture() {
        Platform.SkipFirstRun();
        Doc =
            std::make_unique<CPictoriumDoc>(Platform.Services(), QStringLiteral("/nonexistent/bin/veilpane"));
        Doc->PasswordSet.Passwords[0] = Password;
        QObject::connect(Doc.get(), &CPictoriumDoc::ImageChanged, [this] { ++ImageChanges; });
        QObject::connect(Doc.get(), &CPictoriumDoc::StateChanged, [this] { ++StateChanges; });
    }

    // Lists one image, as the folder scan does.
    void List(const QString& realName, const CBitmap& image, std::int32_t kind = HiddenNothing,
              const QString& mimeType = QStringLiteral("image/png")) {
        CBitmap copy = image.Copy();
        EXPECT_TRUE(copy.Save(Folder.FilePath(realName), mimeType));
        Doc->CurrentFolder = Folder.Path();
        Doc->FileNames = {realName};
        Doc->HiddenKinds = {kind};
    }

    void ListAndSelect(std::uint32_t width, std::uint32_t height) {
        List(QStringLiteral("Photo.PNG"), MakeNoiseBitmap(width, height));
        Doc->SelectImage(0, {}, {});
        ASSERT_TRUE(Doc->HasImage());
    }

    QString FileToHide(const QString& name, const QByteArray& content) const {
        return Outside.Write(name, content);
    }
};

// The report a hide must show, computed afresh from the image before and after it: the pixel counts from
// the pixels themselves, the data length from the payload's padding rule, the statistics from a new run.
QString ExpectedReport(const CBitmap& before, const CBitmap& after, std::int64_t fileSize) {
    CHideReport report;
    report.Password = Password;
    const std::int64_t dataLength = 16 * ((16 + fileSize) / 16 + 1);
    report.PixelsProcessed = static_cast<std::uint32_t>(8 * (144 + dataLength));
    report.ModifiedPixels = static_cast<std::uint32_t>(CountDifferentPixels(before, after));
    report.ModifiedPercent =
        static_cast<std::uint32_t>(std::uint64_t{report.ModifiedPixels} * 100 / report.PixelsProcessed);
    const std::int64_t capacity = std::int64_t{before.Width()} * before.Height() / 8;
    report.CapacityPercent = (fileSize + 194) * 100 / capacity;
    CReportStatistics statistics;
    report.EntropyBefore = statistics.ComputeImageEntropy(&before);
    report.EntropyAfter = statistics.ComputeImageEntropy(&after);
    report.HistogramDifference = statistics.HistogramDifference;
    report.EntropyDifference = std::fabs(report.EntropyAfter - report.EntropyBefore);
    report.EntropyPercent = report.EntropyDifference * 100.0 / report.EntropyBefore;
    report.Analysis = AnalyseStego(after, &before);
    return FormatHideReport(report);
}

CUserMessage EmptyPasswordBox(int number) {
    return CUserMessage::AppBox(
        QStringLiteral("The selected encryption password (%1) is empty.\nPlease select "
                       "a valid encryption password in 'Settings/Passwords'.")
            .arg(number));
}

CUserMessage CapacityBox(const QString& path, int ks, int bytes, int side) {
    return CUserMessage::AppBox(
        QStringLiteral("There isn't enough storage capacity on the image to hide this "
                       "file:\n%1\n\nYou need at least a image with a storage capacity "
                       "of %2 Ks (%3 bytes)\nMinimum resolution: %4 x %4 pixels")
            .arg(path)
            .arg(ks)
            .arg(bytes)
            .arg(side));
}

// The question after every extraction, and the status text before it.
CUserMessage OpenFolderQuestion(const QString& written) {
    return CUserMessage::AppBox(
        QStringLiteral("The hidden file was saved as\n%1\n\nOpen the folder that holds it?")
            .arg(QDir::toNativeSeparators(written)));
}

QString ExtractedStatus(const QString& written) {
    return QStringLiteral("File successfully extracted: %1").arg(QDir::toNativeSeparators(written));
}

CHiddenContent Extracted(const CBitmap& image, const CPasswordSet& passwords) {
    return FindHiddenContent(image, passwords, false, HiddenOutput::Text).Value;
}

} // namespace

// --- Choosing the file -----------------------------------------------------------------------------------

TEST(DocHideCommands, SelectingAFileHidesTheToolWindowsAroundTheDialog) {
    CHideFixture f;
    const QString path = f.FileToHide(QStringLiteral("notes.bin"), QByteArray(5000, 'n'));
    f.Platform.Files.Answer(FileDialogType::SelectFileToHide, path);
    EXPECT_TRUE(f.Doc->Execute(cmd::SelectFileToHide));

    EXPECT_EQ(f.Platform.Files.Asked, QList<FileDialogType>{FileDialogType::SelectFileToHide});
    EXPECT_TRUE(f.Platform.Files.ToolWindowsWereHidden);
    EXPECT_TRUE(f.Platform.ToolWindows.Folders);
    EXPECT_TRUE(f.Platform.ToolWindows.Preview);
    EXPECT_EQ(f.Doc->FileToHide, path);
    EXPECT_EQ(f.Platform.Status.Texts, QStringList{QStringLiteral("File to hide selected successfully")});
    EXPECT_EQ(f.Doc->CommandState(cmd::FileToHideItem),
              (CCommandState{true, true, QStringLiteral("(4 Ks) notes.bin")}));
    EXPECT_TRUE(f.Doc->CommandState(cmd::UnselectFileToHide).Enabled);
    EXPECT_GT(f.StateChanges, 0);
}

TEST(DocHideCommands, OnlyTheToolWindowsThatWereShownComeBack) {
    CHideFixture f;
    f.Platform.ToolWindows.Folders = false; // closed by the user before
    f.Platform.Files.Answer(FileDialogType::SelectFileToHide, std::nullopt);
    f.Doc->OnSelectFileToHide();
    EXPECT_TRUE(f.Platform.Files.ToolWindowsWereHidden);
    EXPECT_FALSE(f.Platform.ToolWindows.Folders);
    EXPECT_TRUE(f.Platform.ToolWindows.Preview);
    EXPECT_EQ(f.Platform.ToolWindows.Changes, 2);
}

TEST(DocHideCommands, CancelledOrVanishedChoiceChangesNothing) {
    CHideFixture f;
    const QString kept = f.FileToHide(QStringLiteral("kept.bin"), "k");
    f.Doc->FileToHide = kept;
    f.Platform.Files.Answer(FileDialogType::SelectFileToHide, std::nullopt);
    f.Platform.Files.Answer(FileDialogType::SelectFileToHide, f.Outside.FilePath(QStringLiteral("gone.bin")));
    f.Doc->OnSelectFileToHide();
    f.Doc->OnSelectFileToHide();
    EXPECT_EQ(f.Doc->FileToHide, kept);
    EXPECT_TRUE(f.Platform.Status.Texts.isEmpty());
    EXPECT_TRUE(f.Platform.ToolWindows.Folders && f.Platform.ToolWindows.Preview);
}

TEST(DocHideCommands, NamesOfMoreThan64CharactersAreRefused) {
    CHideFixture f;
    // The folders above do not count: a short name deep down is fine.
    QDir(f.Outside.Path()).mkpath(QString(80, QLatin1Char('d')));
    const QString deep = f.FileToHide(QString(80, QLatin1Char('d')) + QStringLiteral("/short.bin"), "z");
    const QString at64 = f.FileToHide(QString(60, QLatin1Char('a')) + QStringLiteral(".bin"), "x");
    const QString at65 = f.FileToHide(QString(61, QLatin1Char('b')) + QStringLiteral(".bin"), "y");

    f.Platform.Files.Answer(FileDialogType::SelectFileToHide, deep);
    f.Doc->OnSelectFileToHide();
    EXPECT_EQ(f.Doc->FileToHide, deep);
    f.Platform.Files.Answer(FileDialogType::SelectFileToHide, at64);
    f.Doc->OnSelectFileToHide();
    EXPECT_EQ(f.Doc->FileToHide, at64);

    f.Platform.Messages.Expect(CUserMessage::ErrorBox(
        QStringLiteral("File too long"), QStringLiteral("The name of the selected file is too long.")));
    f.Platform.Files.Answer(FileDialogType::SelectFileToHide, at65);
    f.Doc->OnSelectFileToHide();
    EXPECT_EQ(f.Doc->FileToHide, at64);
    EXPECT_EQ(f.Platform.Status.Texts.size(), 2);
    EXPECT_TRUE(f.Platform.ToolWindows.Folders && f.Platform.ToolWindows.Preview);
}

TEST(DocHideCommands, OnlyARegularFileIsChosen) {
    CHideFixture f;
    const QString kept = f.FileToHide(QStringLiteral("kept.bin"), "k");
    f.Doc->FileToHide = kept;
    for (const QString& path : {QStringLiteral("/dev/zero"), f.Outside.Path()}) {
        f.Platform.Messages.Expect(FileToHideNotRegularMessage(path, TypeOfFile(path)));
        f.Platform.Files.Answer(FileDialogType::SelectFileToHide, path);
        f.Doc->OnSelectFileToHide();
        EXPECT_EQ(f.Doc->FileToHide, kept) << path.toStdString();
    }
    EXPECT_TRUE(f.Platform.Status.Texts.isEmpty());
}

TEST(DocHideCommands, UnselectingTheFile) {
    CHideFixture f;
    f.ListAndSelect(100, 100);
    f.Doc->FileToHide = f.FileToHide(QStringLiteral("a.bin"), "a");
    EXPECT_TRUE(f.Doc->CommandState(cmd::HideFile).Enabled);
    f.Doc->Execute(cmd::UnselectFileToHide);
    EXPECT_TRUE(f.Doc->FileToHide.isEmpty());
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("File to hide successfully unselected"));
    EXPECT_EQ(f.Doc->CommandState(cmd::FileToHideItem),
              (CCommandState{true, false, QStringLiteral("<No file to hide selected>")}));
    EXPECT_FALSE(f.Doc->CommandState(cmd::UnselectFileToHide).Enabled);
    EXPECT_FALSE(f.Doc->CommandState(cmd::HideFile).Enabled);
}

// --- The two information items ---------------------------------------------------------------------------

TEST(DocHideCommands, FileItemShowsWholeKilobytesOfAFileThatExists) {
    CHideFixture f;
    const struct {
        const char* Name;
        int Size;
        const char* Text;
    } rows[] = {
        {"empty.bin", 0, "(0 Ks) empty.bin"},
        {"under.bin", 1023, "(0 Ks) under.bin"},
        {"one.bin", 1024, "(1 Ks) one.bin"},
        {"five.bin", 5000, "(4 Ks) five.bin"},
        // Shown as text: an ampersand must not turn into a mnemonic.
        {"Tom & Jerry.txt", 2048, "(2 Ks) Tom && Jerry.txt"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        f.Doc->FileToHide = f.FileToHide(QString::fromUtf8(row.Name), QByteArray(row.Size, 'z'));
        bool checked = false;
        EXPECT_EQ(f.Doc->UpdateFileToHideItem(&checked), QString::fromUtf8(row.Text));
        EXPECT_TRUE(checked);
    }
    // A selected file removed afterwards is no longer offered as chosen.
    QFile::remove(f.Doc->FileToHide);
    EXPECT_EQ(f.Doc->CommandState(cmd::FileToHideItem),
              (CCommandState{true, false, QStringLiteral("<No file to hide selected>")}));
}

TEST(DocHideCommands, MessageItemShowsLengthAndTheFirstTwentyCharacters) {
    CHideFixture f;
    const QString emoji = QString::fromUtf8("\xF0\x9F\x90\xA6"); // outside the 16-bit range
    const struct {
        QString Message;
        QString Text;
    } rows[] = {
        {QStringLiteral("abcdefghijklmnopqrst"), QStringLiteral("(20 bytes) abcdefghijklmnopqrst")},
        {QStringLiteral("abcdefghijklmnopqrstu"), QStringLiteral("(21 bytes) abcdefghijklmnopqrst...")},
        {QStringLiteral("Meet me at the harbour"), QStringLiteral("(22 bytes) Meet me at the harbo...")},
        {QStringLiteral("0123456789012345678901234"), QStringLiteral("(25 bytes) 01234567890123456789...")},
        {QStringLiteral("a"), QStringLiteral("(1 bytes) a")},
        {QStringLiteral("Tom & Jerry"), QStringLiteral("(11 bytes) Tom && Jerry")},
        {QStringLiteral("one\ntwo\tthree"), QStringLiteral("(13 bytes) one two three")},
        {emoji.repeated(21), QStringLiteral("(21 bytes) ") + emoji.repeated(20) + QStringLiteral("...")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Message.toStdString());
        f.Doc->SecretMessage = row.Message;
        EXPECT_EQ(f.Doc->CommandState(cmd::MessageToHideItem), (CCommandState{true, true, row.Text}));
    }
    f.Doc->SecretMessage.clear();
    EXPECT_EQ(f.Doc->CommandState(cmd::MessageToHideItem),
              (CCommandState{true, false, QStringLiteral("<No secret message to hide>")}));
}

// --- Hiding a file ---------------------------------------------------------------------------------------

TEST(DocHideCommands, HideFileRefusalsBeforeTheUndoStep) {
    CHideFixture f;
    f.ListAndSelect(100, 100);

    f.Doc->FileToHide = f.Outside.FilePath(QStringLiteral("deleted.bin"));
    f.Platform.Messages.Expect(CUserMessage::ErrorBox(
        QStringLiteral("File not found"), QStringLiteral("The selected file to hide does not exist.")));
    f.Doc->Execute(cmd::HideFile);

    f.Doc->FileToHide = f.FileToHide(QStringLiteral("a.bin"), "abc");
    f.Doc->PasswordSet.PasswordRadioCry = 2;
    f.Platform.Messages.Expect(EmptyPasswordBox(3));
    f.Doc->Execute(cmd::HideFile);

    // A stored selection out of range means password 1, and that one is empty too.
    f.Doc->PasswordSet.Passwords[0].clear();
    f.Doc->PasswordSet.Passwords[1] = Password;
    f.Doc->PasswordSet.PasswordRadioCry = 7;
    f.Platform.Messages.Expect(EmptyPasswordBox(1));
    f.Doc->Execute(cmd::HideFile);

    EXPECT_EQ(f.Doc->UndoPosition, 0);
    EXPECT_FALSE(f.Doc->HiddenDataAdded);
    EXPECT_EQ(f.ImageChanges, 1); // the selection only

    // Nothing is chosen: nothing happens at all.
    f.Doc->FileToHide.clear();
    f.Doc->OnHideFile();
    EXPECT_EQ(f.Platform.Messages.Shown.size(), 3);
}

TEST(DocHideCommands, HideFileWithoutAnImageSaysSo) {
    CHideFixture f;
    f.Doc->FileToHide = f.FileToHide(QStringLiteral("a.bin"), "abc");
    f.Platform.Messages.Expect(CUserMessage::ErrorBox(QStringLiteral("Not selected image"),
                                                      QStringLiteral("Not selected container image.")));
    f.Doc->OnHideFile();
    EXPECT_FALSE(f.Doc->HiddenDataAdded);
    EXPECT_EQ(f.Doc->UndoPosition, 0);
}

TEST(DocHideCommands, ARefusedHideKeepsOneUndoStepOverTheUnchangedImage) {
    CHideFixture f;
    f.ListAndSelect(40, 38);
    const CBitmap before = f.Doc->CurrentImage->Copy();
    const QString empty = f.FileToHide(QStringLiteral("empty.dat"), {});
    f.Doc->FileToHide = empty;
    f.Platform.Messages.Expect(CapacityBox(empty, 0, 194, 40));
    f.Doc->Execute(cmd::HideFile);

    EXPECT_EQ(f.Doc->CommandState(cmd::Undo), (CCommandState{true, false, QStringLiteral("&Undo (1)")}));
    EXPECT_EQ(CountDifferentPixels(before, *f.Doc->CurrentImage), 0);
    EXPECT_EQ(CountDifferentPixels(before, *f.Doc->UndoSlots[0]), 0);
    EXPECT_FALSE(f.Doc->HiddenDataAdded);
    EXPECT_TRUE(f.Doc->CommandState(cmd::HideFile).Enabled);
    EXPECT_EQ(f.ImageChanges, 1);
}

TEST(DocHideCommands, AFileThatCannotBeReadIsRefusedAfterTheUndoStep) {
    CHideFixture f;
    f.ListAndSelect(100, 100);
    const CBitmap before = f.Doc->CurrentImage->Copy();
    // Exists for every user, root included, and fails on its first read.
    f.Doc->FileToHide = QStringLiteral("/proc/self/mem");
    f.Platform.Messages.ExpectAnyText(MessageKind::Error, QStringLiteral("File not readable"));
    f.Doc->Execute(cmd::HideFile);
    ASSERT_EQ(f.Platform.Messages.Shown.size(), 1);
    EXPECT_TRUE(f.Platform.Messages.Shown[0].Text.startsWith(
        QStringLiteral("The selected file to hide can't be read:\n/proc/self/mem\n\n")));
    EXPECT_EQ(f.Doc->UndoPosition, 1);
    EXPECT_EQ(CountDifferentPixels(before, *f.Doc->CurrentImage), 0);
}

TEST(DocHideCommands, EmptyFileIn40x39ShowsTheReportAndLocksFurtherHides) {
    CHideFixture f;
    f.ListAndSelect(40, 39);
    f.Doc->FileToHide = f.FileToHide(QStringLiteral("empty.dat"), {});
    f.Doc->SecretMessage = QStringLiteral("also ready");
    f.Platform.Messages.ExpectAnyText(MessageKind::Question, QString());
    f.Doc->Execute(cmd::HideFile);

    ASSERT_EQ(f.Platform.Messages.Shown.size(), 1);
    const QString report = f.Platform.Messages.Shown[0].Text;
    EXPECT_TRUE(report.contains(QStringLiteral("\nPixels processed: 1408\n"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("Password used: alpha-key\n")));
    EXPECT_EQ(report, ExpectedReport(*f.Doc->UndoSlots[0], *f.Doc->CurrentImage, 0));
    EXPECT_TRUE(f.Doc->HiddenDataAdded);
    EXPECT_EQ(f.ImageChanges, 2);
    EXPECT_EQ(f.Platform.Cursor.Depth, 0);
    EXPECT_GT(f.Platform.Cursor.Waits, 0);

    const CHiddenContent found = Extracted(*f.Doc->CurrentImage, f.Doc->PasswordSet);
    EXPECT_EQ(found.Kind, HiddenFile);
    EXPECT_EQ(found.Name, QStringLiteral("empty.dat"));
    EXPECT_TRUE(found.Content.isEmpty());

    for (int id : {cmd::HideFile, cmd::HideMessage, cmd::SaveJpeg, cmd::SaveGif}) {
        EXPECT_FALSE(f.Doc->CommandState(id).Enabled) << id;
    }
    EXPECT_TRUE(f.Doc->CommandState(cmd::SavePng).Enabled);
}

// --- Hiding the secret message ---------------------------------------------------------------------------

// The message file's name is stored in the payload: lower-cased as the format has it, whatever the carrier's
// own spelling.
TEST(DocHideCommands, HelloInPhotoJpgTravelsAsPhotoTxtOfSevenBytes) {
    CHideFixture f;
    f.List(QStringLiteral("Photo.JPG"), MakeNoiseBitmap(120, 90), HiddenNothing,
           QStringLiteral("image/jpeg"));
    f.Doc->SelectImage(0, {}, {});
    ASSERT_TRUE(f.Doc->HasImage());
    f.Doc->SecretMessage = QStringLiteral("hello");
    f.Platform.Messages.ExpectAnyText(MessageKind::Question, QString());
    f.Doc->Execute(cmd::HideMessage);

    ASSERT_EQ(f.Platform.Messages.Shown.size(), 1);
    EXPECT_EQ(f.Platform.Messages.Shown[0].Text,
              ExpectedReport(*f.Doc->UndoSlots[0], *f.Doc->CurrentImage, 7));
    EXPECT_TRUE(f.Doc->HiddenDataAdded);
    EXPECT_EQ(f.Doc->UndoPosition, 1);

    const CHiddenContent found = Extracted(*f.Doc->CurrentImage, f.Doc->PasswordSet);
    EXPECT_EQ(found.Kind, HiddenMessage);
    EXPECT_EQ(found.Name, QStringLiteral("photo.txt"));
    EXPECT_EQ(found.Content, QByteArray("hello\r\n"));
    // The message file lived in a private folder only.
    EXPECT_FALSE(QFile::exists(f.Folder.FilePath(QStringLiteral("photo.txt"))));
    EXPECT_FALSE(QFile::exists(QDir::current().filePath(QStringLiteral("photo.txt"))));
}

TEST(DocHideCommands, HideMessageRefusals) {
    CHideFixture f;
    f.Doc->SecretMessage = QStringLiteral("hello");
    f.Platform.Messages.Expect(CUserMessage::ErrorBox(QStringLiteral("No base image"),
                                                      QStringLiteral("Not selected container image.")));
    f.Doc->OnHideMessage();

    f.ListAndSelect(100, 100);
    f.Doc->SecretMessage.clear();
    f.Platform.Messages.Expect(CUserMessage::PlainBox(
        QStringLiteral("The text message to hide is not defined.\nUse option 'Hide/Enter message to hide'")));
    f.Doc->OnHideMessage();

    f.Doc->SecretMessage = QStringLiteral("hello");
    f.Doc->PasswordSet.PasswordRadioCry = 1;
    f.Platform.Messages.Expect(EmptyPasswordBox(2));
    f.Doc->Execute(cmd::HideMessage);

    // An image whose list entry is gone has no name to give the message: nothing happens.
    f.Doc->PasswordSet.PasswordRadioCry = 0;
    f.Doc->FileNames.clear();
    f.Doc->OnHideMessage();

    EXPECT_EQ(f.Platform.Messages.Shown.size(), 3);
    EXPECT_EQ(f.Doc->UndoPosition, 0);
    EXPECT_FALSE(f.Doc->HiddenDataAdded);
}

TEST(DocHideCommands, UndoAndRedoOfAHideClearTheHiddenDataMark) {
    CHideFixture f;
    f.ListAndSelect(100, 100);
    const CBitmap before = f.Doc->CurrentImage->Copy();
    f.Doc->SecretMessage = QStringLiteral("hello");
    f.Platform.Messages.ExpectAnyText(MessageKind::Question, QString());
    f.Doc->Execute(cmd::HideMessage);
    ASSERT_TRUE(f.Doc->HiddenDataAdded);

    f.Doc->Execute(cmd::Undo);
    EXPECT_FALSE(f.Doc->HiddenDataAdded);
    EXPECT_EQ(CountDifferentPixels(before, *f.Doc->CurrentImage), 0);
    EXPECT_TRUE(f.Doc->CommandState(cmd::HideMessage).Enabled);

    f.Doc->Execute(cmd::Redo);
    EXPECT_FALSE(f.Doc->HiddenDataAdded);
    EXPECT_EQ(Extracted(*f.Doc->CurrentImage, f.Doc->PasswordSet).Kind, HiddenMessage);
}

// --- File/Extract ----------------------------------------------------------------------------------------

TEST(DocHideCommands, ExtractingAMessageWritesItIntoTheFolder) {
    CHideFixture f;
    CBitmap carrier = MakeNoiseBitmap(150, 100, 3);
    CReportStatistics statistics;
    ASSERT_TRUE(HideMessageInImage(&carrier, QStringLiteral("harbour.png"), QStringLiteral("greetings"),
                                   Password, statistics)
                    .Ok());
    f.List(QStringLiteral("Harbour.PNG"), carrier, HiddenMessage);
    f.Doc->SelectImage(0, QStringLiteral("harbour.txt"), QStringLiteral("..."));
    ASSERT_TRUE(f.Doc->CommandState(cmd::ExtractHiddenFile).Enabled);

    // The status bar names the file written, and the folder opens only when the user wants it.
    const QString written = f.Folder.FilePath(QStringLiteral("harbour.txt"));
    f.Platform.Messages.Expect(OpenFolderQuestion(written), MessageResult::No);
    f.Doc->Execute(cmd::ExtractHiddenFile);
    EXPECT_EQ(f.Folder.Read(QStringLiteral("harbour.txt")), QByteArray("greetings\r\n"));
    EXPECT_EQ(f.Platform.Status.Last(), ExtractedStatus(written));
    EXPECT_EQ(f.Platform.Messages.ShownButtons.last(), MessageButtons::YesNo);
    EXPECT_TRUE(f.Platform.Shell.Opened.isEmpty());
    EXPECT_EQ(f.Platform.Cursor.Depth, 0);
    QFile::remove(written);
    f.Platform.Messages.Expect(OpenFolderQuestion(written), MessageResult::Yes);
    f.Doc->Execute(cmd::ExtractHiddenFile);
    EXPECT_EQ(f.Platform.Shell.Opened, QList<QUrl>{QUrl::fromLocalFile(f.Folder.Path())});

    // With the passwords changed nothing opens the payload: no file, and the status bar stays as it was.
    QFile::remove(f.Folder.FilePath(QStringLiteral("harbour.txt")));
    f.Doc->PasswordSet.Passwords[0] = "another-key";
    const qsizetype statusCount = f.Platform.Status.Texts.size();
    f.Doc->Execute(cmd::ExtractHiddenFile);
    EXPECT_FALSE(QFile::exists(f.Folder.FilePath(QStringLiteral("harbour.txt"))));
    EXPECT_EQ(f.Platform.Status.Texts.size(), statusCount);

    // Found but not writable (a folder of that name is in the way, which stops even root): said so, and
    // the folder is left as it was.
    f.Doc->PasswordSet.Passwords[0] = Password;
    ASSERT_TRUE(QDir(f.Folder.Path()).mkdir(QStringLiteral("harbour.txt")));
    f.Platform.Messages.ExpectAnyText(MessageKind::Error, QStringLiteral("Extraction error"));
    f.Doc->Execute(cmd::ExtractHiddenFile);
    // The folder, the file and the reason.
    const QString text = f.Platform.Messages.Shown.last().Text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("The hidden file could not be written into %1.\n")
                                    .arg(QDir::toNativeSeparators(f.Folder.Path()))));
    EXPECT_TRUE(text.contains(QStringLiteral("harbour.txt"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("\nNothing was extracted.")));
    EXPECT_TRUE(QFileInfo(f.Folder.FilePath(QStringLiteral("harbour.txt"))).isDir());
    EXPECT_EQ(f.Platform.Status.Texts.size(), statusCount);
    EXPECT_EQ(f.Platform.Cursor.Depth, 0);
}

// A file of the hidden file's name is the user's: one question, and each answer does what it says.
TEST(DocHideCommands, ExtractingOverAFileAsksFirst) {
    const struct {
        MessageResult Answer;
        const char* Written; // nullptr: nothing written
        QByteArray Existing; // what the user's report.pdf holds afterwards
    } cases[] = {
        {MessageResult::Replace, "report.pdf", "hidden report"},
        {MessageResult::KeepBoth, "report (2).pdf", "the user's own report"},
        {MessageResult::Skip, nullptr, "the user's own report"},
    };
    for (const auto& c : cases) {
        CHideFixture f;
        CBitmap carrier = MakeNoiseBitmap(200, 100, 4);
        const QString source = f.FileToHide(QStringLiteral("report.pdf"), "hidden report");
        CReportStatistics statistics;
        ASSERT_TRUE(HideFileInImage(&carrier, source, Password, statistics).Ok());
        f.List(QStringLiteral("Carrier.png"), carrier, HiddenFile);
        f.Doc->SelectImage(0, QStringLiteral("report.pdf"), {});
        const QString path = f.Folder.Write(QStringLiteral("report.pdf"), "the user's own report");
        const qsizetype statusCount = f.Platform.Status.Texts.size();

        f.Platform.Messages.Expect(
            ExistingFileQuestion(path, f.Folder.FilePath(QStringLiteral("report (2).pdf"))), c.Answer);
        if (c.Written) {
            f.Platform.Messages.Expect(OpenFolderQuestion(f.Folder.FilePath(QString::fromUtf8(c.Written))),
                                       MessageResult::No);
        }
        f.Doc->Execute(cmd::ExtractHiddenFile);
        EXPECT_EQ(f.Platform.Messages.ShownButtons.first(), MessageButtons::ReplaceKeepBothSkip);
        EXPECT_EQ(f.Folder.Read(QStringLiteral("report.pdf")), c.Existing);
        if (c.Written) {
            EXPECT_EQ(f.Folder.Read(QString::fromUtf8(c.Written)), "hidden report");
            EXPECT_EQ(f.Platform.Status.Last(),
                      ExtractedStatus(f.Folder.FilePath(QString::fromUtf8(c.Written))));
        } else {
            EXPECT_EQ(QDir(f.Folder.Path()).entryList(QDir::Files | QDir::Hidden).size(),
                      2); // carrier, report
            EXPECT_EQ(f.Platform.Status.Texts.size(), statusCount);
        }
        EXPECT_EQ(f.Platform.Cursor.Depth, 0);
    }
}

TEST(DocHideCommands, APayloadNamedLikeItsCarrierNeverReplacesIt) {
    CHideFixture f;
    CBitmap carrier = MakeNoiseBitmap(200, 100, 4);
    const QString source = f.FileToHide(QStringLiteral("Trap.dat"), "would overwrite the carrier");
    CReportStatistics statistics;
    ASSERT_TRUE(HideFileInImage(&carrier, source, Password, statistics).Ok());
    f.List(QStringLiteral("Trap.dat"), carrier, HiddenFile);
    const QByteArray before = f.Folder.Read(QStringLiteral("Trap.dat"));
    f.Doc->SelectImage(0, QStringLiteral("Trap.dat"), {});

    f.Platform.Messages.Expect(CUserMessage::ErrorBox(
        QStringLiteral("Extraction error"),
        QStringLiteral("The hidden file has the name of the image that carries it and would replace that "
                       "image.\nNothing was extracted.")));
    f.Doc->Execute(cmd::ExtractHiddenFile);
    EXPECT_EQ(f.Folder.Read(QStringLiteral("Trap.dat")), before);
    EXPECT_EQ(f.Platform.Cursor.Depth, 0);
}

TEST(DocHideCommands, ExtractingAHiddenImageCopiesTheOneShown) {
    CHideFixture f;
    CBitmap hidden = MakeNoiseBitmap(30, 20, 5);
    ASSERT_TRUE(hidden.Save(f.Outside.FilePath(QStringLiteral("sunset.png")), QStringLiteral("image/png")));
    const QByteArray hiddenBytes = f.Outside.Read(QStringLiteral("sunset.png"));
    CBitmap carrier = MakeNoiseBitmap(200, 150, 4);
    CReportStatistics statistics;
    ASSERT_TRUE(
        HideFileInImage(&carrier, f.Outside.FilePath(QStringLiteral("sunset.png")), Password, statistics)
            .Ok());
    f.List(QStringLiteral("Carrier.PNG"), carrier, HiddenImage);

    // As the thumbnail list does on selection: the hidden image goes to the private folder and is shown.
    QString name;
    QString text;
    ASSERT_EQ(FindHiddenContent(CBitmap::Load(f.Doc->EntryPath(0)), f.Doc->PasswordSet, false,
                                HiddenOutput::TempImage, f.Doc->TempFolder(), name, text),
              HiddenImage);
    f.Doc->SelectImage(0, name, {});
    ASSERT_EQ(f.Doc->CurrentImage->Width(), 30u);

    // Copied, not extracted again; a file of that name in the folder is asked about like any other.
    f.Folder.Write(QStringLiteral("sunset.png"), "the user's own sunset");
    const QString path = f.Folder.FilePath(QStringLiteral("sunset.png"));
    const QString kept = f.Folder.FilePath(QStringLiteral("sunset (2).png"));
    f.Platform.Messages.Expect(ExistingFileQuestion(path, kept), MessageResult::KeepBoth);
    f.Platform.Messages.Expect(OpenFolderQuestion(kept), MessageResult::No);
    f.Doc->Execute(cmd::ExtractHiddenFile);
    EXPECT_EQ(f.Folder.Read(QStringLiteral("sunset (2).png")), hiddenBytes);
    EXPECT_EQ(f.Folder.Read(QStringLiteral("sunset.png")), "the user's own sunset");
    EXPECT_EQ(f.Platform.Status.Last(), ExtractedStatus(kept));
    EXPECT_TRUE(QFile::exists(f.Doc->TempImagePath)) << "still shown";
}

TEST(DocHideCommands, AHiddenImageThatWasNotShownIsExtractedFromItsCarrier) {
    CHideFixture f;
    const QString hiddenPath = f.FileToHide(QStringLiteral("map.gif"), QByteArray("GIF89a not really", 17));
    CBitmap carrier = MakeNoiseBitmap(200, 150, 6);
    CReportStatistics statistics;
    ASSERT_TRUE(HideFileInImage(&carrier, hiddenPath, Password, statistics).Ok());
    f.List(QStringLiteral("Carrier.PNG"), carrier, HiddenImage);
    // The hidden "image" would not decode, so the selection showed the carrier itself.
    f.Doc->SelectImage(0, {}, {});

    f.Platform.Messages.Expect(OpenFolderQuestion(f.Folder.FilePath(QStringLiteral("map.gif"))),
                               MessageResult::No);
    f.Doc->Execute(cmd::ExtractHiddenFile);
    EXPECT_EQ(f.Folder.Read(QStringLiteral("map.gif")), QByteArray("GIF89a not really", 17));
    EXPECT_EQ(f.Platform.Status.Last(), ExtractedStatus(f.Folder.FilePath(QStringLiteral("map.gif"))));
}

// A dot name is written like any other, but both texts say it is a hidden file, which listings do not show.
TEST(DocHideCommands, ExtractingADotFileSaysItIsHidden) {
    CHideFixture f;
    const QString hiddenPath = f.FileToHide(QStringLiteral(".profile"), "export PATH=/tmp/evil");
    CBitmap carrier = MakeNoiseBitmap(200, 150, 6);
    CReportStatistics statistics;
    ASSERT_TRUE(HideFileInImage(&carrier, hiddenPath, Password, statistics).Ok());
    f.List(QStringLiteral("Carrier.PNG"), carrier, HiddenFile);
    f.Doc->SelectImage(0, QStringLiteral(".profile"), {});

    const QString written = QDir::toNativeSeparators(f.Folder.FilePath(QStringLiteral(".profile")));
    const QString note = QStringLiteral(" (a hidden file: its name starts with \".\")");
    f.Platform.Messages.Expect(
        CUserMessage::AppBox(
            QStringLiteral("The hidden file was saved as\n%1%2\n\nOpen the folder that holds it?")
                .arg(written, note)),
        MessageResult::No);
    f.Doc->Execute(cmd::ExtractHiddenFile);
    EXPECT_EQ(f.Folder.Read(QStringLiteral(".profile")), "export PATH=/tmp/evil");
    EXPECT_EQ(f.Platform.Status.Last(),
              QStringLiteral("File successfully extracted: %1%2").arg(written, note));
}

// --- Long hides ------------------------------------------------------------------------------------------

TEST(DocHideCommands, LargeHidesRunOffTheInterfaceThreadAndCommitWhenDone) {
    CHideFixture f;
    f.ListAndSelect(100, 100);
    // Room for 1 MiB and a little more: 2900 x 2900 / 8 = 1 051 250 bytes.
    f.Doc->CurrentImage = std::make_unique<CBitmap>(MakeNoiseBitmap(2900, 2900, 8));

    // Exactly the limit still runs at once.
    f.Doc->FileToHide =
        f.FileToHide(QStringLiteral("limit.bin"), QByteArray(CPictoriumDoc::LongHideBytes, 'L'));
    f.Platform.Messages.ExpectAnyText(MessageKind::Question, QString());
    f.Doc->Execute(cmd::HideFile);
    EXPECT_TRUE(f.Platform.Tasks.Titles.isEmpty());
    EXPECT_TRUE(f.Doc->HiddenDataAdded);
    f.Doc->Execute(cmd::Undo);
    ASSERT_FALSE(f.Doc->HiddenDataAdded);

    // One byte more runs as a task on a copy.
    const QByteArray big(CPictoriumDoc::LongHideBytes + 1, 'B');
    f.Doc->FileToHide = f.FileToHide(QStringLiteral("big.bin"), big);
    const CBitmap* shown = f.Doc->CurrentImage.get();
    const CBitmap before = shown->Copy();
    f.Platform.Tasks.Defer = true;
    const int imageChanges = f.ImageChanges;
    f.Doc->Execute(cmd::HideFile);

    EXPECT_EQ(f.Platform.Tasks.Titles, QStringList{QStringLiteral("Hide file within Image Preview")});
    EXPECT_TRUE(f.Doc->LongTaskRunning);
    EXPECT_EQ(f.Doc->UndoPosition, 1);
    EXPECT_EQ(f.Platform.Messages.Shown.size(), 1); // the first report only
    EXPECT_EQ(f.Doc->CurrentImage.get(), shown);
    EXPECT_EQ(f.ImageChanges, imageChanges);
    for (int id : {cmd::HideFile, cmd::HideMessage, cmd::SavePng, cmd::Undo, cmd::SelectFileToHide,
                   cmd::EnterSecretMessage, cmd::ExtractHiddenFile, cmd::EncryptFile}) {
        EXPECT_FALSE(f.Doc->CommandState(id).Enabled) << id;
    }
    f.Doc->Execute(cmd::Undo); // locked out: the pending result must land on the image it was made from
    EXPECT_EQ(f.Doc->UndoPosition, 1);

    f.Platform.Messages.ExpectAnyText(MessageKind::Question, QString());
    f.Platform.Tasks.RunPending();
    EXPECT_FALSE(f.Doc->LongTaskRunning);
    EXPECT_TRUE(f.Doc->HiddenDataAdded);
    EXPECT_EQ(f.ImageChanges, imageChanges + 1);
    EXPECT_EQ(CountDifferentPixels(before, *f.Doc->UndoSlots[0]), 0);
    ASSERT_EQ(f.Platform.Messages.Shown.size(), 2);
    EXPECT_EQ(f.Platform.Messages.Shown[1].Text, ExpectedReport(before, *f.Doc->CurrentImage, big.size()));
    const CHiddenContent found = Extracted(*f.Doc->CurrentImage, f.Doc->PasswordSet);
    EXPECT_EQ(found.Name, QStringLiteral("big.bin"));
    EXPECT_EQ(found.Content, big);
    EXPECT_EQ(f.Platform.Tasks.Reports.size(), 2);
    EXPECT_TRUE(f.Doc->CommandState(cmd::SavePng).Enabled);
}

namespace {

// Runs the work on a real second thread, as the desktop program does, and the finished step on the test's
// thread when asked. Under the thread sanitizer this shows that the work touches nothing of the document.
class CThreadTaskRunner final : public CTaskRunner {
public:
    ~CThreadTaskRunner() override {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    void Start(const QString&, std::function<void(CTaskProgress&)> work,
               std::function<void()> finished) override {
        m_finished = std::move(finished);
        m_thread = std::thread([work = std::move(work)] {
            CSilentProgress progress;
            work(progress);
        });
    }
    void Finish() {
        m_thread.join();
        m_finished();
    }

private:
    struct CSilentProgress final : CTaskProgress {
        void Report(std::int64_t, std::int64_t, const QString&) override {}
        bool CancelRequested() const override { return false; }
    };
    std::thread m_thread;
    std::function<void()> m_finished;
};

} // namespace

TEST(DocHideCommands, ALargeHideOnAnotherThreadLeavesTheShownImageAlone) {
    CFakePlatform platform;
    platform.SkipFirstRun();
    CThreadTaskRunner runner;
    CDocServices services = platform.Services();
    services.Tasks = &runner;
    CPictoriumDoc doc(services, QStringLiteral("/nonexistent/bin/veilpane"));
    CTempFolder outside;
    doc.PasswordSet.Passwords[0] = Password;
    doc.CurrentImage = std::make_unique<CBitmap>(MakeNoiseBitmap(2900, 2900, 8));
    const CBitmap before = doc.CurrentImage->Copy();
    const QByteArray big(CPictoriumDoc::LongHideBytes + 1, 'B');
    doc.FileToHide = outside.Write(QStringLiteral("big.bin"), big);
    doc.OnHideFile();
    ASSERT_TRUE(doc.LongTaskRunning);

    // The preview keeps painting the shown image while the work runs.
    std::uint64_t painted = 0;
    for (std::uint32_t y = 0; y < doc.CurrentImage->Height(); ++y) {
        const std::uint32_t* row = doc.CurrentImage->ConstScanLine(y);
        for (std::uint32_t x = 0; x < doc.CurrentImage->Width(); ++x) {
            painted += row[x];
        }
    }
    EXPECT_GT(painted, 0u);

    platform.Messages.ExpectAnyText(MessageKind::Question, QString());
    runner.Finish();
    EXPECT_FALSE(doc.LongTaskRunning);
    EXPECT_TRUE(doc.HiddenDataAdded);
    EXPECT_EQ(CountDifferentPixels(before, *doc.UndoSlots[0]), 0);
    EXPECT_EQ(Extracted(*doc.CurrentImage, doc.PasswordSet).Content, big);
}

TEST(DocHideCommands, LargeHideRefusalsArriveWhenTheTaskEnds) {
    CHideFixture f;
    f.ListAndSelect(640, 480);
    const CBitmap before = f.Doc->CurrentImage->Copy();
    f.Platform.Tasks.Defer = true;

    // Too big for the image: known only once the engine looked.
    const QString big =
        f.FileToHide(QStringLiteral("big.bin"), QByteArray(CPictoriumDoc::LongHideBytes + 1, 'B'));
    f.Doc->FileToHide = big;
    f.Doc->Execute(cmd::HideFile);
    f.Platform.Messages.Expect(CapacityBox(big, 1024, 1048771, 2897));
    f.Platform.Tasks.RunPending();
    EXPECT_FALSE(f.Doc->LongTaskRunning);

    // Too big for any image.
    const QString huge = f.Outside.FilePath(QStringLiteral("huge.bin"));
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(MaxHiddenFileSize + 1));
    }
    f.Doc->FileToHide = huge;
    f.Doc->Execute(cmd::HideFile);
    f.Platform.Messages.Expect(CUserMessage::ErrorBox(
        QStringLiteral("File too long"),
        QStringLiteral(
            "The selected file is too large to hide:\n%1\n\nA hidden file can hold at most 9999967 bytes.")
            .arg(huge)));
    f.Platform.Tasks.RunPending();

    // Removed while the task waited to run.
    f.Doc->FileToHide = big;
    f.Doc->Execute(cmd::HideFile);
    ASSERT_TRUE(QFile::remove(big));
    f.Platform.Messages.Expect(CUserMessage::ErrorBox(
        QStringLiteral("File not found"),
        QStringLiteral("File not found.\r\nThe selected file to hide doesn't exist.")));
    f.Platform.Tasks.RunPending();

    EXPECT_EQ(f.Doc->UndoPosition, 3);
    EXPECT_EQ(CountDifferentPixels(before, *f.Doc->CurrentImage), 0);
    EXPECT_FALSE(f.Doc->HiddenDataAdded);
    EXPECT_FALSE(f.Doc->LongTaskRunning);
}

TEST(DocHideCommands, ACancelledLargeHideChangesNothing) {
    CHideFixture f;
    f.ListAndSelect(640, 480);
    const CBitmap before = f.Doc->CurrentImage->Copy();
    f.Platform.Tasks.CancelAfterFirstReport = true;
    f.Doc->FileToHide =
        f.FileToHide(QStringLiteral("big.bin"), QByteArray(CPictoriumDoc::LongHideBytes + 1, 'B'));
    f.Doc->Execute(cmd::HideFile);
    EXPECT_FALSE(f.Doc->LongTaskRunning);
    EXPECT_TRUE(f.Platform.Messages.Shown.isEmpty());
    EXPECT_EQ(CountDifferentPixels(before, *f.Doc->CurrentImage), 0);
    EXPECT_FALSE(f.Doc->HiddenDataAdded);
    EXPECT_TRUE(f.Doc->CommandState(cmd::HideFile).Enabled);
    EXPECT_EQ(f.Doc->UndoPosition, 1); // as after any hide that did not happen
}

TEST(DocHideCommands, ALargeHideOutlivingItsDocumentCommitsNothing) {
    CHideFixture f;
    f.ListAndSelect(640, 480);
    f.Platform.Tasks.Defer = true;
    f.Doc->FileToHide =
        f.FileToHide(QStringLiteral("big.bin"), QByteArray(CPictoriumDoc::LongHideBytes + 1, 'B'));
    f.Doc->Execute(cmd::HideFile);
    f.Doc.reset();
    f.Platform.Tasks.RunPending(); // its capacity refusal has no document left to show it for
    EXPECT_TRUE(f.Platform.Messages.Shown.isEmpty());
}

// --- The secret message dialog ---------------------------------------------------------------------------

TEST(DocHideCommands, EnterSecretMessageChangesTheDocumentOnlyOnOk) {
    CHideFixture f;
    f.ListAndSelect(100, 100);
    f.Doc->SecretMessage = QStringLiteral("old");
    f.Platform.Dialogs.SecretMessageScripts.push_back([](CSecretMessageFields& fields) {
        EXPECT_EQ(fields.Message, QStringLiteral("old"));
        EXPECT_EQ(fields.SaveMessage, 1);
        fields.Message.clear(); // Clear, then Cancel
        return false;
    });
    f.Doc->Execute(cmd::EnterSecretMessage);
    EXPECT_EQ(f.Doc->SecretMessage, QStringLiteral("old"));
    EXPECT_EQ(f.Doc->SecretMessageSave, 1);

    f.Platform.Dialogs.SecretMessageScripts.push_back([](CSecretMessageFields& fields) {
        fields.Message = QStringLiteral("Meet me at the harbour");
        fields.SaveMessage = 0;
        return true;
    });
    const int stateChanges = f.StateChanges;
    f.Doc->Execute(cmd::EnterSecretMessage);
    EXPECT_EQ(f.Doc->SecretMessage, QStringLiteral("Meet me at the harbour"));
    EXPECT_EQ(f.Doc->SecretMessageSave, 0);
    EXPECT_GT(f.StateChanges, stateChanges);
    EXPECT_EQ(f.Doc->CommandState(cmd::MessageToHideItem).Text,
              QStringLiteral("(22 bytes) Meet me at the harbo..."));
    EXPECT_TRUE(f.Doc->CommandState(cmd::HideMessage).Enabled);

    // Clear, then OK: no message, and nothing to hide.
    f.Platform.Dialogs.SecretMessageScripts.push_back([](CSecretMessageFields& fields) {
        fields.Message.clear();
        return true;
    });
    f.Doc->Execute(cmd::EnterSecretMessage);
    EXPECT_EQ(f.Doc->CommandState(cmd::MessageToHideItem),
              (CCommandState{true, false, QStringLiteral("<No secret message to hide>")}));
    EXPECT_FALSE(f.Doc->CommandState(cmd::HideMessage).Enabled);
}

TEST(DocHideCommands, SecretMessageIsKeptTo16384Characters) {
    CHideFixture f;
    const QString emoji = QString::fromUtf8("\xF0\x9F\x90\xA6");
    const struct {
        QString Typed;
        QString Kept;
    } rows[] = {
        {QString(16384, QLatin1Char('m')), QString(16384, QLatin1Char('m'))},
        {QString(16385, QLatin1Char('m')), QString(16384, QLatin1Char('m'))},
        // A character of two halves straddling the limit goes as a whole.
        {QString(16383, QLatin1Char('m')) + emoji, QString(16383, QLatin1Char('m'))},
    };
    for (const auto& row : rows) {
        f.Platform.Dialogs.SecretMessageScripts.push_back([&row](CSecretMessageFields& fields) {
            fields.Message = row.Typed;
            return true;
        });
        f.Doc->OnEnterSecretMessage();
        EXPECT_EQ(f.Doc->SecretMessage, row.Kept);
    }
}
