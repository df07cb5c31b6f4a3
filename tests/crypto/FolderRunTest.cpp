#include "crypto/FolderRun.h"
#include "crypto/CipherProfile.h"
#include "crypto/CryFile.h"
#include "platform/FolderFiles.h"
#include "platform/FolderLock.h"
#include "platform/Paths.h"
#include "support/CryptoTestSupport.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

TEST(FolderRun, EncryptsUnderRealNamesSkipsCryAndRemovesPlainFiles) {
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
    EXPECT_EQ(result.StatusText, QStringLiteral("2 files successfully encrypted. Password: second-pw. 1 file "
                                                "skipped: \".cry\" in the path"));
    EXPECT_EQ(
        FolderEntries(folder.Path()),
        (QStringList{QStringLiteral("B.JPG.cry"), QStringLiteral("a.txt.cry"), QStringLiteral("c.cry")}));
    EXPECT_EQ(folder.Read(QStringLiteral("B.JPG.cry")), CryOf("bravo", "second-pw"));
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
    EXPECT_EQ(result.StatusText, QStringLiteral("Encrypted files: 0. 1 file skipped: \".cry\" in the path"));
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
    EXPECT_EQ(
        FolderEntries(folder.Path()),
        (QStringList{QStringLiteral(".profile"), QStringLiteral("Makefile.cry"), QStringLiteral("Sub")}));
    EXPECT_EQ(FolderEntries(folder.FilePath(QStringLiteral("Sub"))),
              (QStringList{QStringLiteral("Deeper"), QStringLiteral("inner.txt")}));
}

// On a case-sensitive file system names differing only in letter case are different files: each keeps its
// own name through encryption and decryption. A .cry file named in lower case by earlier versions comes
// back under that name.
TEST(FolderRun, LetterCaseSurvivesTheRoundTrip) {
    CTempFolder folder;
    const std::map<QString, QByteArray> plain{{QStringLiteral("Notes.TXT"), "upper"},
                                              {QStringLiteral("notes.txt"), "lower"},
                                              {QStringLiteral("NOTES.TXT"), "capitals"}};
    for (const auto& [name, bytes] : plain) {
        folder.Write(name, bytes);
    }
    const CPasswordSet set = SetOf({{1, "first-pw"}});
    const CFolderRunResult encrypted = EncryptFolder(PlanOrFail(PlanFolderEncryption(folder.Path(), set)));
    EXPECT_EQ(encrypted.Outcome, Outcome::Done);
    EXPECT_EQ(encrypted.Value.Succeeded, 3);
    EXPECT_EQ(FolderEntries(folder.Path()),
              (QStringList{QStringLiteral("NOTES.TXT.cry"), QStringLiteral("Notes.TXT.cry"),
                           QStringLiteral("notes.txt.cry")}));
    EXPECT_EQ(folder.Read(QStringLiteral("Notes.TXT.cry")), CryOf("upper", "first-pw"));

    folder.Write(QStringLiteral("report.pdf.cry"), CryOf("made by the lower-casing convention", "first-pw"));
    const CFolderRunResult decrypted = DecryptFolder(PlanOrFail(PlanFolderDecryption(folder.Path(), set)));
    EXPECT_EQ(decrypted.Outcome, Outcome::Done);
    EXPECT_EQ(decrypted.Value.Succeeded, 4);
    for (const auto& [name, bytes] : plain) {
        EXPECT_EQ(folder.Read(name), bytes) << name.toStdString();
    }
    EXPECT_EQ(folder.Read(QStringLiteral("report.pdf")), "made by the lower-casing convention");
    EXPECT_EQ(FolderEntries(folder.Path()).size(), 4);
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
     "3 files successfully encrypted. Password: first-pw (1 replaced, 1 kept beside, 1 skipped). 3 files "
     "skipped: \".cry\" in the path"},
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

namespace {

struct CNote {
    QString Path, Text;
    bool operator==(const CNote&) const = default;
};

// Hooks that record what a run reported, and do something once the first file has been converted (its
// output is written, but not yet in place, and nothing has been removed).
struct CRecorder {
    std::vector<CNote> Reported, Failed;
    std::function<void()> AfterFirstFile = [] {
    };
    CFolderRunHooks Hooks() {
        CFolderRunHooks hooks;
        hooks.FileReported = [this](const QString& path, const QString& text) {
            Reported.push_back({path, text});
        };
        hooks.FileFailed = [this](const QString& path, const QString& text) {
            Failed.push_back({path, text});
        };
        hooks.Progress = [this](const CFolderProgress& p) {
            if (p.FilesDone == 1) {
                AfterFirstFile();
            }
        };
        return hooks;
    }
};

void Rewrite(const QString& path, const QByteArray& bytes, bool keepTimes) {
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.write(bytes);
    file.close();
    if (keepTimes) {
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }
}

} // namespace

// Another program writes to a file after the run has read it: the file stays with what was written, its
// converted copy beside it, and the run says so.
TEST(FolderRun, FileWrittenToDuringTheRunIsKept) {
    const QByteArray first = "entry 1\n";
    const struct {
        const char* Change;
        bool Encrypt;
        QByteArray Written; // from the start of the file
        bool KeepTimes;
    } cases[] = {
        {"appended", true, "entry 1\nentry 2\n", false},
        {"same size, times put back", true, "ENTRY 1\n", true},
        {"a .cry file rewritten", false, CryOf("entry 9\n", "first-pw"), false},
    };
    for (const auto& c : cases) {
        CTempFolder folder;
        const QString name = c.Encrypt ? QStringLiteral("journal.log") : QStringLiteral("journal.log.cry");
        const QString output = c.Encrypt ? QStringLiteral("journal.log.cry") : QStringLiteral("journal.log");
        const QString path = folder.Write(name, c.Encrypt ? first : CryOf(first, "first-pw"));
        const CPasswordSet set = SetOf({{1, "first-pw"}});
        CRecorder recorder;
        recorder.AfterFirstFile = [&] {
            Rewrite(path, c.Written, c.KeepTimes);
        };
        const CFolderRunResult result =
            c.Encrypt ? EncryptFolder(PlanOrFail(PlanFolderEncryption(folder.Path(), set)), recorder.Hooks())
                      : DecryptFolder(PlanOrFail(PlanFolderDecryption(folder.Path(), set)), recorder.Hooks());
        EXPECT_EQ(result.Outcome, Outcome::Failed) << c.Change;
        EXPECT_EQ(result.Value.Changed, 1) << c.Change;
        EXPECT_EQ(result.StatusText,
                  (c.Encrypt ? QStringLiteral("1 files successfully encrypted. Password: first-pw")
                             : QStringLiteral("1 files successfully decrypted")) +
                      QStringLiteral(". 1 file written to during the run, kept as they are"))
            << c.Change;
        EXPECT_EQ(recorder.Reported,
                  (std::vector<CNote>{{path, QStringLiteral("written to during the run, so it was kept; %1 "
                                                            "beside it holds its content as it was read")
                                                 .arg(output)}}))
            << c.Change;
        EXPECT_EQ(folder.Read(name), c.Written) << c.Change;
        EXPECT_EQ(folder.Read(output), c.Encrypt ? CryOf(first, "first-pw") : first) << c.Change;
    }
}

// Removing the folder's link would leave the plain content readable through the other one.
TEST(FolderRun, HardLinkedFileIsEncryptedAndReported) {
    CTempFolder folder;
    CTempFolder elsewhere;
    const QString path = folder.Write(QStringLiteral("Shared.doc"), "shared");
    folder.Write(QStringLiteral("alone.txt"), "alone");
    ASSERT_EQ(::link(QFile::encodeName(path).constData(),
                     QFile::encodeName(elsewhere.FilePath(QStringLiteral("copy"))).constData()),
              0);
    CRecorder recorder;
    const CFolderRunResult result = EncryptFolder(
        PlanOrFail(PlanFolderEncryption(folder.Path(), SetOf({{1, "first-pw"}}))), recorder.Hooks());
    EXPECT_EQ(result.Outcome, Outcome::Partial);
    EXPECT_EQ(result.Value.Succeeded, 2);
    EXPECT_EQ(result.Value.HardLinked, 1);
    EXPECT_EQ(result.StatusText, QStringLiteral("2 files successfully encrypted. Password: first-pw. 1 file "
                                                "still readable through another hard link"));
    EXPECT_EQ(
        recorder.Reported,
        (std::vector<CNote>{
            {path,
             QStringLiteral(
                 "encrypted, but the plain content is still readable through 1 other hard link to it")}}));
    EXPECT_EQ(FolderEntries(folder.Path()),
              (QStringList{QStringLiteral("Shared.doc.cry"), QStringLiteral("alone.txt.cry")}));
    EXPECT_EQ(elsewhere.Read(QStringLiteral("copy")), "shared");
}

// A name that is not valid UTF-8 cannot be carried through: each such file is named in a report and left
// alone, and the run is not a success. The ".cry" rule still comes first.
TEST(FolderRun, NamesThatAreNotUtf8AreReported) {
    const struct {
        bool Encrypt;
        QByteArray Name;
        QString Text;
        int Skipped;
    } cases[] = {
        {true, "caf\xe9.txt",
         QStringLiteral("not encrypted: its name is not valid UTF-8; give it a new name and run again"), 0},
        {false, "caf\xe9.txt.cry",
         QStringLiteral("not decrypted: its name is not valid UTF-8; give it a new name and run again"), 0},
        {true, "old\xe9.cry", {}, 1},
    };
    for (const auto& c : cases) {
        CTempFolder folder;
        const QByteArray native = QFile::encodeName(folder.Path()) + '/' + c.Name;
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "odd", 3), 3);
        ::close(fd);
        const CPasswordSet set = SetOf({{1, "first-pw"}});
        CRecorder recorder;
        const CFolderRunResult result =
            c.Encrypt ? EncryptFolder(PlanOrFail(PlanFolderEncryption(folder.Path(), set)), recorder.Hooks())
                      : DecryptFolder(PlanOrFail(PlanFolderDecryption(folder.Path(), set)), recorder.Hooks());
        EXPECT_EQ(result.Value.Skipped, c.Skipped);
        if (c.Text.isEmpty()) {
            EXPECT_EQ(result.Outcome, Outcome::Done);
            EXPECT_TRUE(recorder.Reported.empty());
        } else {
            EXPECT_EQ(result.Outcome, Outcome::Failed);
            EXPECT_EQ(result.Value.Undecodable, 1);
            EXPECT_EQ(
                recorder.Reported,
                (std::vector<CNote>{{folder.Path() + QLatin1Char('/') + ShownFileName(c.Name), c.Text}}));
            EXPECT_TRUE(result.StatusText.endsWith(
                QStringLiteral(". 1 file not %1: names that are not valid UTF-8")
                    .arg(c.Encrypt ? QStringLiteral("encrypted") : QStringLiteral("decrypted"))))
                << result.StatusText.toStdString();
        }
        struct stat info {};
        EXPECT_EQ(::stat(native.constData(), &info), 0);
        EXPECT_EQ(info.st_size, 3);
        EXPECT_TRUE(FolderEntries(folder.Path()).isEmpty()); // nothing else was written
        ::unlink(native.constData());                        // beyond QTemporaryDir, which cannot name it
    }
}

// A second run on a folder that one is working on does nothing, whether it meets the lock before its
// question or only when it starts.
TEST(FolderRun, AnotherRunHoldsTheFolder) {
    CTempFolder folder;
    folder.Write(QStringLiteral("a.txt"), "alpha");
    folder.Write(QStringLiteral("b.txt.cry"), CryOf("bravo", "first-pw"));
    const CPasswordSet set = SetOf({{1, "first-pw"}});
    const CFolderPlan encryption = PlanOrFail(PlanFolderEncryption(folder.Path(), set));
    const CFolderPlan decryption = PlanOrFail(PlanFolderDecryption(folder.Path(), set));
    const CUserMessage busy = CUserMessage::AppBox(
        QStringLiteral("Another run is encrypting or decrypting the folder %1.\n\nNothing was changed. Try "
                       "again when that run has finished.")
            .arg(folder.Path()));
    {
        const CFolderLock other(folder.Path());
        ASSERT_TRUE(other.Held());
        EXPECT_EQ(RefusalOf(PlanFolderEncryption(folder.Path(), set)), busy);
        EXPECT_EQ(RefusalOf(PlanFolderDecryption(folder.Path(), set)), busy);
        for (const CFolderRunResult& result : {EncryptFolder(encryption), DecryptFolder(decryption)}) {
            EXPECT_EQ(result.Outcome, Outcome::Refused);
            EXPECT_EQ(result.Message, busy);
        }
        EXPECT_EQ(FolderEntries(folder.Path()),
                  (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt.cry")}));
    }
    EXPECT_EQ(EncryptFolder(encryption).Outcome, Outcome::Done);
}

TEST(FolderRun, DecryptedFilesArePrivateUntilComplete) {
    CTempFolder folder;
    const QString cry = folder.Write(QStringLiteral("secret.txt.cry"), CryOf("secret", "first-pw"));
    ASSERT_TRUE(QFile::setPermissions(cry, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                               QFile::ReadOther));
    QStringList temporaries;
    CRecorder recorder;
    recorder.AfterFirstFile = [&] {
        for (const QString& name : FolderEntries(folder.Path()).filter(QStringLiteral(".veilpane."))) {
            struct stat info {};
            ASSERT_EQ(::stat(QFile::encodeName(folder.FilePath(name)).constData(), &info), 0);
            EXPECT_EQ(info.st_mode & 077, 0u) << name.toStdString();
            temporaries << name;
        }
    };
    EXPECT_EQ(DecryptFolder(PlanOrFail(PlanFolderDecryption(folder.Path(), SetOf({{1, "first-pw"}}))),
                            recorder.Hooks())
                  .Outcome,
              Outcome::Done);
    EXPECT_EQ(temporaries.size(), 1);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(folder.FilePath(QStringLiteral("secret.txt"))).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u & ~mask);
}

TEST(FolderRun, OneReportBoxForTheWholeRun) {
    QStringList lines;
    for (int i = 1; i <= 22; ++i) {
        lines << QStringLiteral("f%1.txt: File encryption error.").arg(i);
    }
    const CUserMessage box = FolderRunReportMessage(QStringLiteral("/data/photos"), lines);
    EXPECT_EQ(box.Kind, MessageKind::Warning);
    EXPECT_EQ(box.Caption, QStringLiteral("Folder run"));
    QString listed;
    for (const QString& line : lines.mid(0, 20)) {
        listed += QLatin1Char('\n') + line;
    }
    EXPECT_EQ(box.Text, QStringLiteral("Some files of the folder /data/photos were not converted, or need a "
                                       "look:\n") +
                            listed + QStringLiteral("\n... and 2 more"));
    EXPECT_EQ(FolderRunReportMessage(QStringLiteral("/d"), {QStringLiteral("a: b")}).Text,
              QStringLiteral("Some files of the folder /d were not converted, or need a look:\n\na: b"));
}
