#include "crypto/FolderRun.h"
#include "crypto/CipherProfile.h"
#include "crypto/CryFile.h"
#include "platform/Paths.h"
#include "support/CryptoTestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace veilpane;
using veilpane::test::CTempFolder;
using veilpane::test::FolderEntries;
using veilpane::test::SetOf;

namespace {

CFolderPlan PlanOrFail(const CResult<CFolderPlan>& planned) {
    if (planned.Outcome != Outcome::Done) {
        ADD_FAILURE() << "refused: " << planned.Message.value_or(CUserMessage{}).Text.toStdString();
        return {};
    }
    return planned.Value;
}

CUserMessage RefusalOf(const CResult<CFolderPlan>& planned) {
    if (planned.Outcome == Outcome::Refused && planned.Message) {
        return *planned.Message;
    }
    ADD_FAILURE() << "not refused with a message";
    return {};
}

QByteArray CryOf(const QByteArray& plain, const QByteArray& password) {
    QByteArray out;
    CCipher cipher = CCipher::Encryptor(KeyMaterialFor(password));
    EXPECT_TRUE(cipher.Process(plain, out));
    return out;
}

} // namespace

TEST(FolderRun, EncryptsLowerCasedSkipsCryAndRemovesPlainFiles) {
    CTempFolder folder;
    folder.Write(QStringLiteral("a.txt"), "alpha");
    folder.Write(QStringLiteral("B.JPG"), "bravo");
    folder.Write(QStringLiteral("c.cry"), "charlie");
    const CPasswordSet set = SetOf({{1, "first-pw"}, {2, "second-pw"}}, 2);
    const CFolderPlan plan = PlanOrFail(PlanFolderEncryption(folder.Path(), set));
    EXPECT_EQ(plan.Files.size(), 3);
    EXPECT_EQ(
        FolderEncryptionQuestion(plan).Text,
        QStringLiteral("All files in the folder will be encrypted and the original files will be removed "
                       "after encryption.\n\nFolder: %1\nPassword: second-pw\n\nDo you want to continue with "
                       "the encryption process ?")
            .arg(folder.Path()));
    EXPECT_EQ(FolderEncryptionQuestion(plan).Kind, MessageKind::Plain);

    const CFolderRunResult result = EncryptFolder(plan);
    EXPECT_EQ(result.Outcome, Outcome::Done);
    EXPECT_EQ(result.Value.Succeeded, 2);
    EXPECT_EQ(result.Value.Skipped, 1);
    EXPECT_EQ(result.Value.Failed, 0);
    EXPECT_EQ(result.StatusText, QStringLiteral("2 files successfully encrypted. Password: second-pw"));
    EXPECT_EQ(
        FolderEntries(folder.Path()),
        (QStringList{QStringLiteral("a.txt.cry"), QStringLiteral("b.jpg.cry"), QStringLiteral("c.cry")}));
    EXPECT_EQ(folder.Read(QStringLiteral("b.jpg.cry")), CryOf("bravo", "second-pw"));
    EXPECT_EQ(folder.Read(QStringLiteral("c.cry")), "charlie");
}

TEST(FolderRun, FolderWithCryInItsPathEncryptsNothing) {
    CTempFolder parent;
    ASSERT_TRUE(QDir(parent.Path()).mkdir(QStringLiteral("Data.CRYPT")));
    const QString folder = parent.FilePath(QStringLiteral("Data.CRYPT"));
    QFile file(folder + QStringLiteral("/Report.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("report");
    file.close();
    const CFolderRunResult result =
        EncryptFolder(PlanOrFail(PlanFolderEncryption(folder, SetOf({{1, "first-pw"}}))));
    EXPECT_EQ(result.Outcome, Outcome::Done);
    EXPECT_EQ(result.StatusText, QStringLiteral("Encrypted files: 0"));
    EXPECT_EQ(result.Value.Skipped, 1);
    EXPECT_EQ(FolderEntries(folder), QStringList{QStringLiteral("Report.txt")});
}

TEST(FolderRun, DotFilesAndSubfoldersAreNeverTouched) {
    CTempFolder folder;
    folder.Write(QStringLiteral(".profile"), "dot");
    folder.Write(QStringLiteral("Makefile"), "no dot in the name");
    ASSERT_TRUE(QDir(folder.Path()).mkpath(QStringLiteral("Sub/Deeper")));
    QFile inner(folder.FilePath(QStringLiteral("Sub/inner.txt")));
    ASSERT_TRUE(inner.open(QIODevice::WriteOnly));
    inner.close();
    const CFolderRunResult result =
        EncryptFolder(PlanOrFail(PlanFolderEncryption(folder.Path(), SetOf({{1, "first-pw"}}))));
    EXPECT_EQ(result.Outcome, Outcome::Done);
    EXPECT_EQ(result.Value.Succeeded, 1);
    EXPECT_EQ(FolderEntries(folder.Path()), (QStringList{QStringLiteral(".profile"), QStringLiteral("Sub"),
                                                         QStringLiteral("makefile.cry")}));
    EXPECT_EQ(FolderEntries(folder.FilePath(QStringLiteral("Sub"))),
              (QStringList{QStringLiteral("Deeper"), QStringLiteral("inner.txt")}));
}

// On a case-sensitive file system two names can lower-case to one: the second must not replace the first.
TEST(FolderRun, NamesDifferingOnlyInCaseLoseNothing) {
    CTempFolder folder;
    folder.Write(QStringLiteral("Notes.TXT"), "upper");
    folder.Write(QStringLiteral("notes.txt"), "lower");
    std::vector<QString> failures;
    CFolderRunHooks hooks;
    hooks.FileFailed = [&](const QString& path, const QString& text) {
        failures.push_back(path);
        EXPECT_EQ(text, QStringLiteral("File encryption error."));
    };
    const CFolderRunResult result =
        EncryptFolder(PlanOrFail(PlanFolderEncryption(folder.Path(), SetOf({{1, "first-pw"}}))), hooks);
    EXPECT_EQ(result.Outcome, Outcome::Failed);
    EXPECT_EQ(result.Value.Succeeded, 1);
    EXPECT_EQ(result.Value.Failed, 1);
    ASSERT_EQ(failures.size(), 1u);
    const QStringList entries = FolderEntries(folder.Path());
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries.contains(QStringLiteral("notes.txt.cry")));
    const QString kept = FileNameOfPath(failures.front());
    EXPECT_TRUE(entries.contains(kept));
    const QByteArray survivor = folder.Read(kept);
    EXPECT_EQ(folder.Read(QStringLiteral("notes.txt.cry")),
              CryOf(survivor == "upper" ? "lower" : "upper", "first-pw"));
}

TEST(FolderRun, DecryptsFilesOfDifferentPasswordsInOneRun) {
    CTempFolder folder;
    folder.Write(QStringLiteral("one.txt.cry"), CryOf("one", "second-pw"));
    folder.Write(QStringLiteral("Two.DOC.cry"), CryOf("two", "fifth-pw"));
    folder.Write(QStringLiteral("three.CRY"), CryOf("three", "fifth-pw"));
    folder.Write(QStringLiteral("lost.cry"), CryOf("lost", "unknown-pw"));
    folder.Write(QStringLiteral("plain.txt"), "untouched");
    const CPasswordSet set = SetOf({{2, "second-pw"}, {5, "fifth-pw"}});
    const CFolderPlan plan = PlanOrFail(PlanFolderDecryption(folder.Path(), set));
    EXPECT_EQ(plan.Files.size(), 4);
    std::vector<CFolderProgress> progress;
    CFolderRunHooks hooks;
    hooks.Progress = [&](const CFolderProgress& p) {
        progress.push_back(p);
    };
    const CFolderRunResult result = DecryptFolder(plan, hooks);
    EXPECT_EQ(result.Outcome, Outcome::Failed);
    EXPECT_EQ(result.Value.Succeeded, 3);
    EXPECT_EQ(result.Value.Failed, 1);
    EXPECT_EQ(result.StatusText, QStringLiteral("3 files successfully decrypted"));
    EXPECT_EQ(FolderEntries(folder.Path()),
              (QStringList{QStringLiteral("Two.DOC"), QStringLiteral("lost.cry"), QStringLiteral("one.txt"),
                           QStringLiteral("plain.txt"), QStringLiteral("three")}));
    EXPECT_EQ(folder.Read(QStringLiteral("Two.DOC")), "two");
    EXPECT_EQ(folder.Read(QStringLiteral("three")), "three");
    ASSERT_EQ(progress.size(), 5u); // the start, then once per file
    EXPECT_EQ(progress.front().FilesDone, 0);
    EXPECT_EQ(progress.back().FilesDone, 4);
    EXPECT_EQ(progress.back().FilesTotal, 4);
    EXPECT_EQ(progress.back().BytesDone, progress.back().BytesTotal);
    EXPECT_EQ(progress.back().BytesTotal, 16 * 4);
}

TEST(FolderRun, NothingDecryptedLeavesEveryCryFile) {
    CTempFolder folder;
    folder.Write(QStringLiteral("a.cry"), CryOf("a", "unknown-pw"));
    folder.Write(QStringLiteral("b.cry"), QByteArray(20, 'x'));
    const CFolderRunResult result =
        DecryptFolder(PlanOrFail(PlanFolderDecryption(folder.Path(), SetOf({{1, "first-pw"}}))));
    EXPECT_EQ(result.Outcome, Outcome::Failed);
    EXPECT_EQ(result.StatusText, QStringLiteral("No files have been decrypted, wrong password"));
    EXPECT_EQ(FolderEntries(folder.Path()), (QStringList{QStringLiteral("a.cry"), QStringLiteral("b.cry")}));
}

TEST(FolderRun, AmbiguousFileKeepsItsCryFile) {
    CTempFolder folder;
    // "wrong-137" passes the padding check of this file, which "right-password" encrypted.
    folder.Write(QStringLiteral("fixed.txt.cry"),
                 QByteArray::fromHex("2c7beb7b02c885929931d8eccaad889ddd79070e7d2a15da519ce5639111c568"
                                     "013b70d4038ded2438180728c4e27e02b49266d1bfaee826a2c491ad43a2e43d"));
    folder.Write(QStringLiteral("other.cry"), CryOf("other", "right-password"));
    const CFolderRunResult result = DecryptFolder(
        PlanOrFail(PlanFolderDecryption(folder.Path(), SetOf({{1, "right-password"}, {2, "wrong-137"}}))));
    EXPECT_EQ(result.Outcome, Outcome::Partial);
    EXPECT_EQ(result.Value.Succeeded, 2);
    EXPECT_EQ(result.Value.Kept, 1);
    EXPECT_EQ(
        result.StatusText,
        QStringLiteral("2 files successfully decrypted. The .cry file was kept for 1 of them: more than one "
                       "password fits it"));
    EXPECT_EQ(
        FolderEntries(folder.Path()),
        (QStringList{QStringLiteral("fixed.txt"), QStringLiteral("fixed.txt.cry"), QStringLiteral("other")}));
    EXPECT_EQ(folder.Read(QStringLiteral("fixed.txt")), "Fixed content for the ambiguous-password guard.\n");
}

// a.cry.cry decrypts to a.cry, a file the same run decrypts and removes: it must wait for another run.
TEST(FolderRun, OutputThatIsAnotherListedFileIsNotWritten) {
    CTempFolder folder;
    folder.Write(QStringLiteral("a.cry"), CryOf("inner", "first-pw"));
    folder.Write(QStringLiteral("a.cry.cry"), CryOf("outer", "first-pw"));
    const CFolderPlan plan = PlanOrFail(PlanFolderDecryption(folder.Path(), SetOf({{1, "first-pw"}})));
    EXPECT_TRUE(plan.InTheWay.isEmpty()) << "not a file in the way to ask about";
    const CFolderRunResult result = DecryptFolder(plan);
    EXPECT_EQ(result.Outcome, Outcome::Failed);
    EXPECT_EQ(result.Value.Succeeded, 1);
    EXPECT_EQ(result.Value.Failed, 1);
    EXPECT_EQ(FolderEntries(folder.Path()), (QStringList{QStringLiteral("a"), QStringLiteral("a.cry.cry")}));
    EXPECT_EQ(folder.Read(QStringLiteral("a")), "inner");
}

namespace {

// One direction of a run over a.., b.., c.. whose outputs are in the way (answered Replace, Keep both and
// Skip) and d.., whose output is free.
struct CInTheWayCase {
    bool Encrypt;
    const char* Inputs[4];
    const char* Outputs[4];
    const char* KeptAs[3];
    const char* Status;
};

const CInTheWayCase InTheWayCases[] = {
    {true,
     {"a.txt", "b.txt", "c.txt", "d.txt"},
     {"a.txt.cry", "b.txt.cry", "c.txt.cry", "d.txt.cry"},
     {"a (2).txt.cry", "b (2).txt.cry", "c (2).txt.cry"},
     "3 files successfully encrypted. Password: first-pw (1 replaced, 1 kept beside, 1 skipped)"},
    {false,
     {"a.txt.cry", "b.txt.cry", "c.txt.cry", "d.txt.cry"},
     {"a.txt", "b.txt", "c.txt", "d.txt"},
     {"a (2).txt", "b (2).txt", "c (2).txt"},
     "3 files successfully decrypted (1 replaced, 1 kept beside, 1 skipped)"},
};

// The content of a run's input; the output holds it, plain or encrypted.
QByteArray InputContent(bool encrypt, int i) {
    const QByteArray plain = "new " + QByteArray(1, char('a' + i));
    return encrypt ? plain : CryOf(plain, "first-pw");
}

} // namespace

TEST(FolderRun, OutputsInTheWayFollowTheChoices) {
    for (const CInTheWayCase& c : InTheWayCases) {
        CTempFolder folder;
        for (int i = 0; i < 4; ++i) {
            folder.Write(QString::fromUtf8(c.Inputs[i]), InputContent(c.Encrypt, i));
        }
        for (int i = 0; i < 3; ++i) {
            folder.Write(QString::fromUtf8(c.Outputs[i]), "in the way");
        }
        const CPasswordSet set = SetOf({{1, "first-pw"}});
        CFolderPlan plan = PlanOrFail(c.Encrypt ? PlanFolderEncryption(folder.Path(), set)
                                                : PlanFolderDecryption(folder.Path(), set));
        ASSERT_EQ(plan.InTheWay.size(), 3) << c.Status;
        const ExistingFile choices[] = {ExistingFile::Replace, ExistingFile::KeepBoth, ExistingFile::Skip};
        for (int i = 0; i < 3; ++i) { // by name, whatever the directory's order
            COutputInTheWay& output = plan.InTheWay[i];
            EXPECT_EQ(output.File, folder.FilePath(QString::fromUtf8(c.Inputs[i])));
            EXPECT_EQ(output.Output, folder.FilePath(QString::fromUtf8(c.Outputs[i])));
            EXPECT_EQ(output.KeptAs, folder.FilePath(QString::fromUtf8(c.KeptAs[i])));
            EXPECT_EQ(output.Choice, ExistingFile::Refuse);
            output.Choice = choices[i];
        }
        const CFolderRunResult result = c.Encrypt ? EncryptFolder(plan) : DecryptFolder(plan);
        EXPECT_EQ(result.Outcome, Outcome::Done) << c.Status;
        EXPECT_EQ(result.StatusText, QString::fromUtf8(c.Status));
        EXPECT_EQ(result.Value.Succeeded, 3);
        const auto name = [](const char* n) {
            return QString::fromUtf8(n);
        };
        QStringList want{name(c.Outputs[0]), name(c.Outputs[1]), name(c.KeptAs[1]),
                         name(c.Inputs[2]),  name(c.Outputs[2]), name(c.Outputs[3])};
        want.sort();
        EXPECT_EQ(FolderEntries(folder.Path()), want) << c.Status;
        EXPECT_EQ(folder.Read(name(c.Outputs[1])), "in the way") << "kept";
        EXPECT_EQ(folder.Read(name(c.Outputs[2])), "in the way") << "skipped";
        const std::pair<const char*, int> written[] = {
            {c.Outputs[0], 0}, {c.KeptAs[1], 1}, {c.Outputs[3], 3}};
        for (const auto& [file, i] : written) {
            EXPECT_EQ(folder.Read(name(file)), c.Encrypt ? CryOf(InputContent(true, i), "first-pw")
                                                         : QByteArray("new ") + char('a' + i))
                << file;
        }
    }
}

// Names taken only during the run, by someone else (here the progress hook after the first file, whose
// output still waits for its rename): neither is replaced, both outputs go beside them.
TEST(FolderRun, NameTakenDuringTheRunIsNotReplaced) {
    for (const CInTheWayCase& c : InTheWayCases) {
        CTempFolder folder;
        for (int i = 0; i < 2; ++i) {
            folder.Write(QString::fromUtf8(c.Inputs[i]), InputContent(c.Encrypt, i));
        }
        const CPasswordSet set = SetOf({{1, "first-pw"}});
        const CFolderPlan plan = PlanOrFail(c.Encrypt ? PlanFolderEncryption(folder.Path(), set)
                                                      : PlanFolderDecryption(folder.Path(), set));
        EXPECT_TRUE(plan.InTheWay.isEmpty());
        CFolderRunHooks hooks;
        hooks.Progress = [&](const CFolderProgress& p) {
            if (p.FilesDone == 1) {
                folder.Write(QString::fromUtf8(c.Outputs[0]), "theirs a");
                folder.Write(QString::fromUtf8(c.Outputs[1]), "theirs b");
            }
        };
        const CFolderRunResult result = c.Encrypt ? EncryptFolder(plan, hooks) : DecryptFolder(plan, hooks);
        EXPECT_EQ(result.Value.Succeeded, 2);
        EXPECT_EQ(result.Value.KeptBeside, 2);
        EXPECT_TRUE(result.StatusText.endsWith(QStringLiteral(" (2 kept beside)")))
            << result.StatusText.toStdString();
        EXPECT_EQ(folder.Read(QString::fromUtf8(c.Outputs[0])), "theirs a");
        EXPECT_EQ(folder.Read(QString::fromUtf8(c.Outputs[1])), "theirs b");
        EXPECT_EQ(FolderEntries(folder.Path()).size(), 4) << c.Status;
        EXPECT_TRUE(QFile::exists(folder.FilePath(QString::fromUtf8(c.KeptAs[1])))) << c.Status;
    }
}

TEST(FolderRun, CancelledBetweenFiles) {
    CTempFolder folder;
    for (int i = 0; i < 10; ++i) {
        folder.Write(QStringLiteral("f%1.txt").arg(i), QByteArray(100, char('a' + i)));
    }
    int asked = 0;
    CFolderRunHooks hooks;
    hooks.Cancelled = [&] {
        return ++asked > 4;
    };
    const CFolderRunResult result =
        EncryptFolder(PlanOrFail(PlanFolderEncryption(folder.Path(), SetOf({{1, "first-pw"}}))), hooks);
    EXPECT_EQ(result.Outcome, Outcome::Cancelled);
    EXPECT_EQ(result.Value.Succeeded, 4);
    EXPECT_EQ(result.Value.NotVisited, 6);
    EXPECT_EQ(result.StatusText, QStringLiteral("4 files successfully encrypted. Password: first-pw"));
    const QStringList entries = FolderEntries(folder.Path());
    EXPECT_EQ(entries.filter(QStringLiteral(".cry")).size(), 4);
    EXPECT_EQ(entries.size(), 10);
}

TEST(FolderRun, Refusals) {
    CTempFolder folder;
    CTempFolder empty;
    folder.Write(QStringLiteral("a.txt"), "a");
    const QString missing = folder.FilePath(QStringLiteral("gone"));
    const struct {
        CUserMessage Got;
        CUserMessage Want;
    } cases[] = {
        {RefusalOf(PlanFolderEncryption(missing, SetOf({{1, "first-pw"}}))),
         CUserMessage::WarningBox(
             QStringLiteral("Folder not found"),
             QStringLiteral("Folder to encrypt not found.\r\nPlease select a valid folder."))},
        {RefusalOf(PlanFolderDecryption(missing, SetOf({{1, "first-pw"}}))),
         CUserMessage::WarningBox(
             QStringLiteral("Folder not found"),
             QStringLiteral("Folder to decrypt not found.\r\nPlease select a valid folder."))},
        {RefusalOf(PlanFolderEncryption(folder.Path(), SetOf({{1, "first-pw"}}, 5))),
         CUserMessage::AppBox(
             QStringLiteral("The selected encryption password (5) is empty.\nPlease select a "
                            "valid encryption password in 'Settings/Passwords'."))},
        {RefusalOf(PlanFolderDecryption(folder.Path(), CPasswordSet{})),
         CUserMessage::AppBox(QStringLiteral("There are no defined passwords to decrypt.\nPlease define the "
                                             "passwords in 'Settings/Passwords'."))},
        {RefusalOf(PlanFolderEncryption(empty.Path(), SetOf({{1, "first-pw"}}))),
         CUserMessage::AppBox(
             QStringLiteral("The selected folder to encrypt is empty.\n\nFolder: %1").arg(empty.Path()))},
        {RefusalOf(PlanFolderDecryption(folder.Path(), SetOf({{1, "first-pw"}}))),
         CUserMessage::AppBox(
             QStringLiteral("The selected folder doesn't contain encrypted files.\n\nFolder: %1")
                 .arg(folder.Path()))},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.Got, c.Want) << c.Want.Text.toStdString();
    }
    EXPECT_EQ(FolderEntries(folder.Path()), QStringList{QStringLiteral("a.txt")});
}

// The disk fills up in the middle of a run: the small files are converted, the large one stays plain.
TEST(FolderRun, FullDiskMidRunLosesNothing) {
    CTempFolder folder;
    folder.Write(QStringLiteral("big.bin"), QByteArray(2 << 20, 'b'));
    folder.Write(QStringLiteral("small1.txt"), "one");
    folder.Write(QStringLiteral("small2.txt"), "two");
    const CFolderPlan plan = PlanOrFail(PlanFolderEncryption(folder.Path(), SetOf({{1, "first-pw"}})));
    const int status = test::RunWithFileSizeLimit(1 << 20, true, [&] {
        const CFolderRunResult result = EncryptFolder(plan);
        return result.Value.Succeeded == 2 && result.Value.Failed == 1 &&
                       result.StatusText ==
                           QStringLiteral("2 files successfully encrypted. Password: first-pw")
                   ? 7
                   : 1;
    });
    EXPECT_EQ(status, 7);
    EXPECT_EQ(FolderEntries(folder.Path()),
              (QStringList{QStringLiteral("big.bin"), QStringLiteral("small1.txt.cry"),
                           QStringLiteral("small2.txt.cry")}));
    EXPECT_EQ(folder.Read(QStringLiteral("big.bin")), QByteArray(2 << 20, 'b'));
}

TEST(FolderRun, LowerAsciiTouchesOnlyAToZ) {
    EXPECT_EQ(LowerAscii(QStringLiteral("ABC.Jpg ÄÉ 123")), QStringLiteral("abc.jpg ÄÉ 123"));
}
