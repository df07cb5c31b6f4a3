// The Encrypt menu and the passwords dialog as the document runs them, against the scripted fakes.
#include "crypto/CryFile.h"
#include "crypto/FolderRun.h"
#include "crypto/MessageBlock.h"
#include "doc/CommandIds.h"
#include "doc/MessageDialogModel.h"
#include "doc/PasswordsDialogModel.h"
#include "doc/PictoriumDoc.h"
#include "platform/ExistingFile.h"
#include "platform/FolderLock.h"
#include "support/CryptoTestSupport.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace veilpane;
using namespace veilpane::test;

namespace {

struct CCryptoFixture {
    CFakePlatform Platform;
    CTempFolder Folder;
    std::unique_ptr<CPictoriumDoc> Doc;

    CCryptoFixture() {
        Platform.SkipFirstRun();
        Doc = std::make_unique<CPictoriumDoc>(Platform.Services(), QStringLiteral("/nonexistent/veilpane"));
        Doc->PasswordSet = CPasswordSet{};
        Doc->PasswordSet.Passwords[0] = "corvide2741";
    }
};

const QString Selected2Empty = EmptySelectedPasswordMessage(2);

} // namespace

TEST(DocCryptoCommands, EncryptAndDecryptAFile) {
    CCryptoFixture f;
    const QString plain = f.Folder.Write(QStringLiteral("Report.PDF"), "quarterly figures");

    // The dialog is cancelled: nothing happens, and the tool windows come back.
    f.Platform.Files.Answer(FileDialogType::SelectFileToEncrypt, std::nullopt);
    f.Doc->OnEncryptFile();
    EXPECT_TRUE(f.Platform.ToolWindows.Folders && f.Platform.ToolWindows.Preview);
    EXPECT_TRUE(f.Platform.Files.ToolWindowsWereHidden);
    // A path that does not exist: nothing either.
    f.Platform.Files.Answer(FileDialogType::SelectFileToEncrypt,
                            f.Folder.FilePath(QStringLiteral("gone.bin")));
    f.Doc->OnEncryptFile();
    EXPECT_TRUE(f.Platform.Status.Texts.isEmpty());

    // The work runs off the user-interface thread; meanwhile nothing that touches files can start.
    f.Platform.Tasks.Defer = true;
    f.Platform.Files.Answer(FileDialogType::SelectFileToEncrypt, plain);
    f.Doc->OnEncryptFile();
    EXPECT_TRUE(f.Doc->LongTaskRunning);
    EXPECT_FALSE(f.Doc->CommandState(cmd::DecryptFile).Enabled);
    EXPECT_FALSE(f.Doc->CommandState(cmd::EncryptFolder).Enabled);
    f.Platform.Tasks.RunPending();
    EXPECT_FALSE(f.Doc->LongTaskRunning);
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("File encrypted successfully. Password: corvide2741"));
    EXPECT_FALSE(QFile::exists(plain));
    EXPECT_EQ(f.Folder.Read(QStringLiteral("Report.PDF.cry")).size(), 32);

    // Passwords 1 and 3 defined, 3 the right one and 2 selected-but-empty: decryption tries 1, then 3.
    f.Platform.Tasks.Defer = false;
    f.Doc->PasswordSet.Passwords[0] = "wrong-password";
    f.Doc->PasswordSet.Passwords[2] = "corvide2741";
    f.Doc->PasswordSet.PasswordRadioCry = 1;
    f.Platform.Files.Answer(FileDialogType::SelectFileToDecrypt, plain + QStringLiteral(".cry"));
    f.Doc->OnDecryptFile();
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("File decrypted successfully."));
    EXPECT_EQ(f.Folder.Read(QStringLiteral("Report.PDF")), "quarterly figures");
    EXPECT_FALSE(QFile::exists(plain + QStringLiteral(".cry")));

    // Encrypting with the empty selected password is refused before any dialog.
    f.Platform.Messages.Expect(CUserMessage::AppBox(Selected2Empty));
    f.Doc->OnEncryptFile();
}

TEST(DocCryptoCommands, DecryptRefusalsAndWrongPasswords) {
    CCryptoFixture f;
    f.Doc->PasswordSet = CPasswordSet{};
    f.Platform.Messages.Expect(CUserMessage::AppBox(NoDefinedPasswordsMessage()));
    f.Doc->OnDecryptFile();
    EXPECT_TRUE(f.Platform.Files.Asked.isEmpty());

    // A .cry file whose length is not a multiple of 16 opens with no password; it stays, no output.
    f.Doc->PasswordSet.Passwords[1] = "second-pw";
    const QString broken = f.Folder.Write(QStringLiteral("x.cry"), QByteArray(33, 'x'));
    f.Platform.Files.Answer(FileDialogType::SelectFileToDecrypt, broken);
    f.Doc->OnDecryptFile();
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("File NOT decrypted, wrong password."));
    EXPECT_TRUE(QFile::exists(broken));
    EXPECT_FALSE(QFile::exists(f.Folder.FilePath(QStringLiteral("x"))));
}

TEST(DocCryptoCommands, FolderRuns) {
    CCryptoFixture f;
    // A folder that no longer exists.
    f.Doc->CurrentFolder = f.Folder.FilePath(QStringLiteral("gone"));
    f.Platform.Messages.Expect(CUserMessage::WarningBox(
        QStringLiteral("Folder not found"),
        QStringLiteral("Folder to encrypt not found.\r\nPlease select a valid folder.")));
    f.Doc->OnEncryptFolder();
    f.Platform.Messages.Expect(CUserMessage::WarningBox(
        QStringLiteral("Folder not found"),
        QStringLiteral("Folder to decrypt not found.\r\nPlease select a valid folder.")));
    f.Doc->OnDecryptFolder();

    f.Doc->CurrentFolder = f.Folder.Path();
    f.Folder.Write(QStringLiteral("a.txt"), "alpha");
    f.Folder.Write(QStringLiteral("B.JPG"), "bravo");
    f.Folder.Write(QStringLiteral("c.cry"), QByteArray(16, 'c'));
    const QString question =
        QStringLiteral(
            "All files in the folder will be encrypted and the original files will be removed after "
            "encryption.\n\nFolder: %1\nPassword: corvide2741\n\nDo you want to continue with the "
            "encryption process ?")
            .arg(QDir::toNativeSeparators(f.Folder.Path()));
    // "No" changes nothing.
    f.Platform.Messages.Expect(CUserMessage::PlainBox(question), MessageResult::No);
    f.Doc->OnEncryptFolder();
    EXPECT_EQ(f.Folder.Read(QStringLiteral("B.JPG")), "bravo");
    EXPECT_EQ(f.Platform.Messages.ShownButtons.last(), MessageButtons::YesNoDefaultNo) << "Enter says No";

    f.Platform.Messages.Expect(CUserMessage::PlainBox(question), MessageResult::Yes);
    f.Doc->OnEncryptFolder();
    EXPECT_EQ(f.Platform.Status.Last(),
              QStringLiteral("2 files successfully encrypted. Password: corvide2741. 1 "
                             "file skipped: \".cry\" in the path"));
    EXPECT_TRUE(QFile::exists(f.Folder.FilePath(QStringLiteral("B.JPG.cry"))));
    EXPECT_FALSE(QFile::exists(f.Folder.FilePath(QStringLiteral("B.JPG"))));
    ASSERT_FALSE(f.Platform.Tasks.Reports.isEmpty());
    EXPECT_EQ(f.Platform.Tasks.Reports.last(), (std::pair<std::int64_t, std::int64_t>(3, 3)))
        << "progress up to every listed file";

    // Decryption: no question; c.cry (not ours) opens with no password and stays.
    f.Doc->OnDecryptFolder();
    EXPECT_EQ(f.Platform.Status.Last(), QStringLiteral("2 files successfully decrypted"));
    EXPECT_EQ(f.Folder.Read(QStringLiteral("B.JPG")), "bravo");
    EXPECT_EQ(f.Folder.Read(QStringLiteral("a.txt")), "alpha");
    EXPECT_TRUE(QFile::exists(f.Folder.FilePath(QStringLiteral("c.cry"))));
}

// A file in the way of Encrypt file / Decrypt file: one question before the work starts, and the answer
// followed; the status text tells what became of the file in the way.
TEST(DocCryptoCommands, FileInTheWayIsAskedAbout) {
    const struct {
        bool Encrypt;
        MessageResult Answer;
        const char* Status;
        QStringList Entries;
    } cases[] = {
        {true,
         MessageResult::Skip,
         "File skipped: \"r.txt.cry\" already exists.",
         {QStringLiteral("r.txt"), QStringLiteral("r.txt.cry")}},
        {true,
         MessageResult::Replace,
         "File encrypted successfully. Password: corvide2741 (the existing \"r.txt.cry\" was replaced)",
         {QStringLiteral("r.txt.cry")}},
        {true,
         MessageResult::KeepBoth,
         "File encrypted successfully. Password: corvide2741 (saved as \"r (2).txt.cry\" beside the existing "
         "\"r.txt.cry\")",
         {QStringLiteral("r (2).txt.cry"), QStringLiteral("r.txt.cry")}},
        {false,
         MessageResult::KeepBoth,
         "File decrypted successfully. (saved as \"r (2).txt\" beside the existing \"r.txt\")",
         {QStringLiteral("r (2).txt"), QStringLiteral("r.txt")}},
    };
    for (const auto& c : cases) {
        CCryptoFixture f;
        const QString plain = f.Folder.Write(QStringLiteral("r.txt"), "newer");
        const QString cry = f.Folder.FilePath(QStringLiteral("r.txt.cry"));
        ASSERT_TRUE(EncryptOneFile(f.Folder.Write(QStringLiteral("src"), "older"), cry, "corvide2741").Ok());
        QFile::remove(f.Folder.FilePath(QStringLiteral("src")));
        if (c.Encrypt) {
            f.Platform.Messages.Expect(
                ExistingFileQuestion(cry, f.Folder.FilePath(QStringLiteral("r (2).txt.cry"))), c.Answer);
            f.Platform.Files.Answer(FileDialogType::SelectFileToEncrypt, plain);
            f.Doc->OnEncryptFile();
        } else {
            f.Platform.Messages.Expect(
                ExistingFileQuestion(plain, f.Folder.FilePath(QStringLiteral("r (2).txt"))), c.Answer);
            f.Platform.Files.Answer(FileDialogType::SelectFileToDecrypt, cry);
            f.Doc->OnDecryptFile();
        }
        EXPECT_EQ(f.Platform.Messages.ShownButtons,
                  QList<MessageButtons>{MessageButtons::ReplaceKeepBothSkip});
        EXPECT_EQ(f.Platform.Status.Last(), QString::fromUtf8(c.Status));
        EXPECT_EQ(FolderEntries(f.Folder.Path()), c.Entries) << c.Status;
    }
}

// A folder run asks about every output in the way before it starts, "Apply to all" answering the rest.
TEST(DocCryptoCommands, FolderRunAsksAboutEachFileInTheWay) {
    CCryptoFixture f;
    f.Doc->CurrentFolder = f.Folder.Path();
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
        const QString output = f.Folder.Write(QString::fromUtf8(name), "newer");
        ASSERT_TRUE(EncryptOneFile(f.Folder.Write(QStringLiteral("src"), "older"),
                                   output + QStringLiteral(".cry"), "corvide2741")
                        .Ok());
    }
    QFile::remove(f.Folder.FilePath(QStringLiteral("src")));
    const auto question = [&f](const char* name, const char* keptAs) {
        return ExistingFileQuestion(f.Folder.FilePath(QString::fromUtf8(name)),
                                    f.Folder.FilePath(QString::fromUtf8(keptAs)));
    };
    // Decryption: a is replaced; "Keep both" with "Apply to all" checked answers for b and c, c without a
    // box.
    f.Platform.Messages.Expect(question("a.txt", "a (2).txt"), MessageResult::Replace);
    f.Platform.Messages.Expect(question("b.txt", "b (2).txt"), MessageResult::KeepBothAll);
    f.Doc->OnDecryptFolder();
    EXPECT_EQ(f.Platform.Messages.ShownButtons,
              (QList<MessageButtons>{MessageButtons::ReplaceKeepBothSkipForAll,
                                     MessageButtons::ReplaceKeepBothSkipForAll}));
    EXPECT_EQ(f.Platform.Status.Last(),
              QStringLiteral("3 files successfully decrypted (1 replaced, 2 kept beside)"));
    EXPECT_EQ(FolderEntries(f.Folder.Path()),
              (QStringList{QStringLiteral("a.txt"), QStringLiteral("b (2).txt"), QStringLiteral("b.txt"),
                           QStringLiteral("c (2).txt"), QStringLiteral("c.txt")}));
    EXPECT_EQ(f.Folder.Read(QStringLiteral("a.txt")), "older");
    EXPECT_EQ(f.Folder.Read(QStringLiteral("c.txt")), "newer");

    // Encryption: the run's question first, then a.txt.cry (a lone file in the way: no "Apply to all"),
    // skipped.
    ASSERT_TRUE(EncryptOneFile(f.Folder.FilePath(QStringLiteral("b.txt")),
                               f.Folder.FilePath(QStringLiteral("a.txt.cry")), "corvide2741")
                    .Ok());
    for (const char* name : {"b (2).txt", "b.txt", "c (2).txt", "c.txt"}) {
        QFile::remove(f.Folder.FilePath(QString::fromUtf8(name)));
    }
    f.Platform.Messages.Shown.clear();
    f.Platform.Messages.ShownButtons.clear();
    f.Platform.Messages.ExpectAnyText(MessageKind::Plain, QString(), MessageResult::Yes);
    f.Platform.Messages.Expect(question("a.txt.cry", "a (2).txt.cry"), MessageResult::Skip);
    f.Doc->OnEncryptFolder();
    EXPECT_EQ(f.Platform.Messages.ShownButtons.last(), MessageButtons::ReplaceKeepBothSkip);
    EXPECT_EQ(f.Platform.Status.Last(),
              QStringLiteral("Encrypted files: 0 (1 skipped). 1 file skipped: \".cry\" in the path"));
    EXPECT_EQ(FolderEntries(f.Folder.Path()),
              (QStringList{QStringLiteral("a.txt"), QStringLiteral("a.txt.cry")}));
}

TEST(DocCryptoCommands, MessageDialogButtonsAndClose) {
    CCryptoFixture f;
    f.Doc->CryMessageIn = QStringLiteral("kept input");
    QString block;
    f.Platform.Dialogs.MessageScripts.push_back([&](CEncryptDecryptMessageModel& model) {
        EXPECT_EQ(model.MessageInput, QStringLiteral("kept input"));
        model.Now = [] {
            return QDateTime(QDate(2021, 7, 5), QTime(9, 3, 58));
        };
        model.MessageInput = QStringLiteral("hello");
        model.OnEncryptMessage();
        block = model.MessageOutput;
        EXPECT_EQ(block.size(), 96);
        model.OnCopy();
        model.OnClear();
        EXPECT_TRUE(model.MessageInput.isEmpty() && model.MessageOutput.isEmpty());
        model.OnPaste();
        model.MessageInput =
            model.MessageInput.toLower().replace(QStringLiteral("0"), QStringLiteral(" 0\n"));
        model.OnDecryptMessage();
        EXPECT_EQ(model.MessageOutput, QStringLiteral("2021-07-05 09h:03m:58s\r\nhello"));
        model.SaveMessages = 0;
        return true;
    });
    f.Doc->OnEncryptDecryptMessage();
    EXPECT_EQ(f.Platform.Clipboard.Text, block);
    EXPECT_EQ(f.Doc->CryMessageOut, QStringLiteral("2021-07-05 09h:03m:58s\r\nhello"));
    EXPECT_EQ(f.Doc->CryMessagesInOutSave, 0);

    // Every refusal of the dialog, and a cancelled dialog copies nothing back.
    f.Platform.Clipboard.Text.reset();
    f.Platform.Messages.Expect(
        CUserMessage::AppBox(QStringLiteral("Please enter in 'Message input' box the message to encrypt.")));
    f.Platform.Messages.Expect(CUserMessage::AppBox(QStringLiteral(
        "Please enter in 'Message input' box the hexadecimal block\nof the message to decrypt.")));
    f.Platform.Messages.Expect(
        CUserMessage::ErrorBox(QStringLiteral("Clipboard error"), QStringLiteral("No text in Clipboard")));
    f.Platform.Dialogs.MessageScripts.push_back([](CEncryptDecryptMessageModel& model) {
        model.MessageInput.clear();
        model.OnEncryptMessage();
        model.OnDecryptMessage();
        model.OnPaste();
        model.MessageInput = QStringLiteral("not a block at all");
        model.OnDecryptMessage();
        EXPECT_EQ(model.MessageOutput, QStringLiteral("Message NOT decrypted, wrong password."));
        return false;
    });
    f.Doc->OnEncryptDecryptMessage();
    EXPECT_EQ(f.Doc->CryMessageOut, QStringLiteral("2021-07-05 09h:03m:58s\r\nhello"));

    f.Doc->PasswordSet = CPasswordSet{};
    f.Platform.Messages.Expect(CUserMessage::AppBox(EmptySelectedPasswordMessage(1)));
    f.Platform.Messages.Expect(CUserMessage::AppBox(NoDefinedPasswordsMessage()));
    f.Platform.Dialogs.MessageScripts.push_back([](CEncryptDecryptMessageModel& model) {
        model.MessageInput = QStringLiteral("text");
        model.OnEncryptMessage();
        model.OnDecryptMessage();
        EXPECT_EQ(model.MessageOutput, QStringLiteral("2021-07-05 09h:03m:58s\r\nhello"))
            << "output unchanged";
        return false;
    });
    f.Doc->OnEncryptDecryptMessage();
}

TEST(DocCryptoCommands, MessageDialogCapsTheText) {
    CCryptoFixture f;
    const QString atCap(MaxMessageTextLength / 2, QChar(u'\u00E9')); // two bytes each in UTF-8
    f.Platform.Messages.Expect(CUserMessage::AppBox(QStringLiteral(
        "The message is too long to encrypt.\nA message block holds at most 1048576 bytes of text.")));
    f.Platform.Messages.Expect(CUserMessage::AppBox(QStringLiteral(
        "The block is too long to be a message block.\nA message block has at most 2097248 hexadecimal "
        "digits.")));
    f.Platform.Dialogs.MessageScripts.push_back([&](CEncryptDecryptMessageModel& model) {
        model.MessageInput = atCap;
        model.OnEncryptMessage();
        const QString block = model.MessageOutput;
        EXPECT_EQ(block.size(), MaxMessageBlockDigits);
        model.MessageInput = atCap + QLatin1Char('x');
        model.OnEncryptMessage();
        EXPECT_EQ(model.MessageOutput, block) << "output unchanged";
        model.MessageInput = block + QStringLiteral("00");
        model.OnDecryptMessage();
        EXPECT_EQ(model.MessageOutput, block) << "output unchanged";
        model.MessageInput = block;
        model.OnDecryptMessage();
        EXPECT_TRUE(model.MessageOutput.endsWith(QStringLiteral("\r\n") + atCap));
        return false;
    });
    f.Doc->OnEncryptDecryptMessage();
}

TEST(DocCryptoCommands, PasswordsDialogValidatesAndApplies) {
    CCryptoFixture f;
    f.Platform.Messages.Expect(
        CUserMessage::AppBox(QStringLiteral("Passwords length should be at least 5 characters.")));
    f.Platform.Dialogs.PasswordsScripts.push_back([&](CPasswordsDialogModel& model) {
        EXPECT_EQ(model.PasswordTexts[0], QStringLiteral("corvide2741"));
        EXPECT_EQ(model.CheckedIndex, 0);
        model.PasswordTexts[1] = QStringLiteral("abcd");
        EXPECT_FALSE(model.OnOk(*f.Platform.Services().Messages)) << "four characters keep the dialog open";
        model.PasswordTexts[1] = QStringLiteral("abcde");
        model.PasswordTexts[3] = QString(70, QLatin1Char('z'));
        model.CheckedIndex = 3;
        model.SavePasswordsChecked = false;
        return model.OnOk(*f.Platform.Services().Messages);
    });
    f.Doc->OnSettingsPasswords();
    EXPECT_EQ(f.Doc->PasswordSet.Passwords[1], "abcde");
    EXPECT_EQ(f.Doc->PasswordSet.Passwords[3], QByteArray(64, 'z')) << "cut to the edit box's 64 characters";
    EXPECT_EQ(f.Doc->PasswordSet.PasswordRadioCry, 3);
    EXPECT_EQ(f.Doc->PasswordSet.PasswordSaveCry, 0);

    // Cancel leaves the set as it was, even after edits.
    const CPasswordSet before = f.Doc->PasswordSet;
    f.Platform.Dialogs.PasswordsScripts.push_back([](CPasswordsDialogModel& model) {
        model.PasswordTexts[0].clear();
        model.CheckedIndex = -1;
        return false;
    });
    f.Doc->OnSettingsPasswords();
    EXPECT_EQ(f.Doc->PasswordSet, before);

    // No radio button checked selects password 1.
    f.Platform.Dialogs.PasswordsScripts.push_back([](CPasswordsDialogModel& model) {
        model.CheckedIndex = -1;
        return true;
    });
    f.Doc->OnSettingsPasswords();
    EXPECT_EQ(f.Doc->PasswordSet.PasswordRadioCry, 0);
}

// Another run holds the folder: one box, nothing done. Files that need a look after a run: one box listing
// them all, by their real names, each on a line of its own whatever the name holds.
TEST(DocCryptoCommands, FolderRunBusyAndReports) {
    CCryptoFixture f;
    f.Doc->CurrentFolder = f.Folder.Path();
    const QString first = f.Folder.Write(QStringLiteral("First\n.txt"), "first");
    const QString second = f.Folder.Write(QStringLiteral("Second.txt"), "second");
    const QString busy =
        QStringLiteral("Another run is encrypting or decrypting the folder %1.\n\nNothing was changed. Try "
                       "again when that run has finished.")
            .arg(QDir::toNativeSeparators(f.Folder.Path()));
    {
        const CFolderLock other(f.Folder.Path());
        f.Platform.Messages.Expect(CUserMessage::AppBox(busy));
        f.Doc->OnEncryptFolder();
        f.Platform.Messages.Expect(CUserMessage::AppBox(busy));
        f.Folder.Write(QStringLiteral("x.cry"), QByteArray(16, 'x'));
        f.Doc->OnDecryptFolder();
        QFile::remove(f.Folder.FilePath(QStringLiteral("x.cry")));
    }
    CTempFolder elsewhere;
    ASSERT_EQ(::link(QFile::encodeName(first).constData(),
                     QFile::encodeName(elsewhere.FilePath(QStringLiteral("copy"))).constData()),
              0);
    const QByteArray odd = QFile::encodeName(f.Folder.Path()) + "/caf\xe9.txt";
    const int fd = ::open(odd.constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const QString question =
        QStringLiteral(
            "All files in the folder will be encrypted and the original files will be removed after "
            "encryption.\n\nFolder: %1\nPassword: corvide2741\n\nDo you want to continue with the "
            "encryption process ?")
            .arg(QDir::toNativeSeparators(f.Folder.Path()));
    f.Platform.Messages.Expect(CUserMessage::PlainBox(question), MessageResult::Yes);
    const QString reason =
        QStringLiteral("encrypted, but the plain content is still readable through 1 other hard link to it");
    f.Platform.Messages.Expect(CUserMessage::WarningBox(
        QStringLiteral("Folder run"),
        QStringLiteral("Some files of the folder %1 were not converted, or need a look:\n\n%2\n%3")
            .arg(QDir::toNativeSeparators(f.Folder.Path()),
                 QStringLiteral(
                     "caf\\xE9.txt: not encrypted: its name is not valid UTF-8; give it a new name and "
                     "run again"),
                 QStringLiteral("First?.txt: ") + reason)));
    f.Doc->OnEncryptFolder();
    EXPECT_EQ(
        f.Platform.Status.Last(),
        QStringLiteral("2 files successfully encrypted. Password: corvide2741. 1 file not encrypted: names "
                       "that are not valid UTF-8. 1 file still readable through another hard link"));
    EXPECT_TRUE(QFile::exists(second + QStringLiteral(".cry")));
    EXPECT_EQ(::unlink(odd.constData()), 0); // still there; QTemporaryDir cannot name it
}
