#include "crypto/CryFile.h"
#include "crypto/CipherProfile.h"
#include "support/CryptoTestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace veilpane;
using veilpane::test::CTempFolder;
using veilpane::test::FolderEntries;
using veilpane::test::SetOf;

namespace {

QByteArray RandomBytes(int size, quint32 seed) {
    QRandomGenerator generator(seed);
    QByteArray bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator.bounded(256));
    }
    return bytes;
}

bool HaveOpenssl() {
    return test::HaveProgram(QStringLiteral("openssl"));
}

// A 48-byte file encrypted with "right-password" by openssl. "wrong-137" is a wrong password whose key
// happens to leave valid padding in the last block; it was found by trying wrong-1, wrong-2, ...
const QByteArray FixedPlain = "Fixed content for the ambiguous-password guard.\n";
const QByteArray FixedCry =
    QByteArray::fromHex("2c7beb7b02c885929931d8eccaad889ddd79070e7d2a15da519ce5639111c568"
                        "013b70d4038ded2438180728c4e27e02b49266d1bfaee826a2c491ad43a2e43d");
// The empty file under "right-password": one block, whose padding "wrong-15" also passes.
const QByteArray OneBlockCry = QByteArray::fromHex("33df351ed2192e4a10e6070b44bee392");

class CryFileSizes : public testing::TestWithParam<int> {};

} // namespace

// The .cry file is byte for byte what openssl writes with the same password, and each side reads the other.
TEST_P(CryFileSizes, MatchesOpensslBothWays) {
    if (!HaveOpenssl()) {
        GTEST_SKIP() << "openssl not installed";
    }
    const int size = GetParam();
    const QByteArray plain = RandomBytes(size, static_cast<quint32>(size) + 7);
    const QByteArray password = "Pässword 5";
    CTempFolder folder;
    const QString in = folder.Write(QStringLiteral("plain.bin"), plain);
    ASSERT_TRUE(EncryptOneFile(in, folder.FilePath(QStringLiteral("ours.cry")), password).Ok());
    const auto theirs = test::RunProgram(
        QStringLiteral("openssl"),
        test::OpensslEncArgs(password, false, in, folder.FilePath(QStringLiteral("theirs.cry"))));
    ASSERT_EQ(theirs.ExitCode, 0) << theirs.Err.toStdString();
    const QByteArray ours = folder.Read(QStringLiteral("ours.cry"));
    EXPECT_EQ(ours.size(), EncryptedLength(size));
    EXPECT_EQ(ours, folder.Read(QStringLiteral("theirs.cry")));

    ASSERT_TRUE(DecryptOneFile(folder.FilePath(QStringLiteral("theirs.cry")),
                               folder.FilePath(QStringLiteral("back.bin")), password)
                    .Ok());
    EXPECT_EQ(folder.Read(QStringLiteral("back.bin")), plain);
    const auto opened =
        test::RunProgram(QStringLiteral("openssl"),
                         test::OpensslEncArgs(password, true, folder.FilePath(QStringLiteral("ours.cry")),
                                              folder.FilePath(QStringLiteral("opened.bin"))));
    ASSERT_EQ(opened.ExitCode, 0) << opened.Err.toStdString();
    EXPECT_EQ(folder.Read(QStringLiteral("opened.bin")), plain);
}

// Around the block size, and across the megabyte pieces the file is streamed in.
INSTANTIATE_TEST_SUITE_P(Sizes, CryFileSizes,
                         testing::Values(0, 1, 15, 16, 17, 31, 32, 4096, (1 << 20) - 1, 1 << 20,
                                         (1 << 20) + 1, 3 * (1 << 20) + 5));

TEST(CryFile, SameFileSamePasswordGivesSameBytesAndCaseMatters) {
    CTempFolder folder;
    const QString in = folder.Write(QStringLiteral("a.txt"), "some text");
    ASSERT_TRUE(EncryptOneFile(in, folder.FilePath(QStringLiteral("1.cry")), "Secret").Ok());
    ASSERT_TRUE(EncryptOneFile(in, folder.FilePath(QStringLiteral("2.cry")), "Secret").Ok());
    ASSERT_TRUE(EncryptOneFile(in, folder.FilePath(QStringLiteral("3.cry")), "secret").Ok());
    EXPECT_EQ(folder.Read(QStringLiteral("1.cry")), folder.Read(QStringLiteral("2.cry")));
    EXPECT_NE(folder.Read(QStringLiteral("1.cry")), folder.Read(QStringLiteral("3.cry")));
}

TEST(CryFile, OutputNames) {
    const struct {
        const char* In;
        const char* Out;
    } cases[] = {
        {"/d/x.cry", "/d/x"}, {"/d/report.pdf.cry", "/d/report.pdf"},
        {"/d/x.CRY", "/d/x"}, {"/d/archive.bin", "/d/archive"}, // whatever the last four characters are
        {"/d/.cry", ""}, // nothing of the name would be left: never the folder itself
        {"/d/abcd", ""},      {"/d/abcde", "/d/a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecryptedPathOf(QString::fromUtf8(c.In)), QString::fromUtf8(c.Out)) << c.In;
    }
    EXPECT_EQ(EncryptedPathOf(QStringLiteral("/d/report.pdf")), QStringLiteral("/d/report.pdf.cry"));
    EXPECT_EQ(EncryptedPathOf(QStringLiteral("/d/x.cry")), QStringLiteral("/d/x.cry.cry"));
}

TEST(CryFileCommand, EncryptThenDecryptRoundTrip) {
    CTempFolder folder;
    const QByteArray plain = RandomBytes(1000, 3);
    const QString path = folder.Write(QStringLiteral("x.cry"), plain); // a name that already ends in .cry
    const CPasswordSet set = SetOf({{2, "second-pw"}, {4, "fourth-pw"}}, 4);

    const CResult<> encrypted = EncryptFileCommand(path, set);
    EXPECT_EQ(encrypted.Outcome, Outcome::Done);
    EXPECT_FALSE(encrypted.Message);
    EXPECT_EQ(encrypted.StatusText, QStringLiteral("File encrypted successfully. Password: fourth-pw"));
    EXPECT_EQ(FolderEntries(folder.Path()), QStringList{QStringLiteral("x.cry.cry")});
    EXPECT_EQ(folder.Read(QStringLiteral("x.cry.cry")).size(), EncryptedLength(1000));

    // Password 2 is tried first and fails; 4 opens it.
    const CResult<> decrypted = DecryptFileCommand(folder.FilePath(QStringLiteral("x.cry.cry")), set);
    EXPECT_EQ(decrypted.Outcome, Outcome::Done);
    EXPECT_EQ(decrypted.StatusText, QStringLiteral("File decrypted successfully."));
    EXPECT_EQ(FolderEntries(folder.Path()), QStringList{QStringLiteral("x.cry")});
    EXPECT_EQ(folder.Read(QStringLiteral("x.cry")), plain);
}

TEST(CryFileCommand, PasswordsOneAndThreeWithThreeRightWhateverIsSelected) {
    for (int selected : {1, 3}) {
        CTempFolder folder;
        folder.Write(QStringLiteral("doc.txt"), "plain words");
        ASSERT_TRUE(EncryptOneFile(folder.FilePath(QStringLiteral("doc.txt")),
                                   folder.FilePath(QStringLiteral("doc.bin")), "third-pw")
                        .Ok());
        QFile::remove(folder.FilePath(QStringLiteral("doc.txt")));
        const CResult<> result = DecryptFileCommand(folder.FilePath(QStringLiteral("doc.bin")),
                                                    SetOf({{1, "first-pw"}, {3, "third-pw"}}, selected));
        EXPECT_EQ(result.StatusText, QStringLiteral("File decrypted successfully.")) << selected;
        EXPECT_EQ(folder.Read(QStringLiteral("doc")),
                  "plain words"); // doc.bin minus its last four characters
    }
}

TEST(CryFileCommand, Refusals) {
    CTempFolder folder;
    const QString path = folder.Write(QStringLiteral("a.txt"), "abc");
    const CResult<> noSelected = EncryptFileCommand(path, SetOf({{1, "first-pw"}}, 3));
    ASSERT_TRUE(noSelected.Message);
    EXPECT_EQ(noSelected.Outcome, Outcome::Refused);
    EXPECT_EQ(
        noSelected.Message->Text,
        QStringLiteral("The selected encryption password (3) is empty.\nPlease select a valid encryption "
                       "password in 'Settings/Passwords'."));
    EXPECT_EQ(noSelected.Message->Kind, MessageKind::Question);
    const CResult<> noneDefined = DecryptFileCommand(path, CPasswordSet{});
    ASSERT_TRUE(noneDefined.Message);
    EXPECT_EQ(noneDefined.Outcome, Outcome::Refused);
    EXPECT_EQ(noneDefined.Message->Text,
              QStringLiteral("There are no defined passwords to decrypt.\nPlease define "
                             "the passwords in 'Settings/Passwords'."));
    // A path that does not exist: nothing to say, nothing done.
    const CResult<> missing =
        EncryptFileCommand(folder.FilePath(QStringLiteral("nope")), SetOf({{1, "first-pw"}}));
    EXPECT_EQ(missing.Outcome, Outcome::Refused);
    EXPECT_FALSE(missing.Message);
    EXPECT_TRUE(missing.StatusText.isEmpty());
    EXPECT_EQ(FolderEntries(folder.Path()), QStringList{QStringLiteral("a.txt")});
}

// An output whose name is taken: replaced only when the caller says so; skipped or refused, nothing changes;
// kept both, the new file goes beside it, a .cry file under a name that still decrypts to one of its own.
TEST(CryFileCommand, FileInTheWay) {
    const struct {
        bool Encrypt;
        ExistingFile Choice;
        Outcome Want;
        const char* Status;
        const char* Written; // where the new file is, or nothing
    } cases[] = {
        {true, ExistingFile::Refuse, Outcome::Refused, "File skipped: \"r.txt.cry\" already exists.", ""},
        {true, ExistingFile::Skip, Outcome::Refused, "File skipped: \"r.txt.cry\" already exists.", ""},
        {true, ExistingFile::Replace, Outcome::Done,
         "File encrypted successfully. Password: first-pw (the existing \"r.txt.cry\" was replaced)",
         "r.txt.cry"},
        {true, ExistingFile::KeepBoth, Outcome::Done,
         "File encrypted successfully. Password: first-pw (saved as \"r (2).txt.cry\" beside the existing "
         "\"r.txt.cry\")",
         "r (2).txt.cry"},
        {false, ExistingFile::Refuse, Outcome::Refused, "File skipped: \"r.txt\" already exists.", ""},
        {false, ExistingFile::Skip, Outcome::Refused, "File skipped: \"r.txt\" already exists.", ""},
        {false, ExistingFile::Replace, Outcome::Done,
         "File decrypted successfully. (the existing \"r.txt\" was replaced)", "r.txt"},
        {false, ExistingFile::KeepBoth, Outcome::Done,
         "File decrypted successfully. (saved as \"r (2).txt\" beside the existing \"r.txt\")", "r (2).txt"},
    };
    const CPasswordSet set = SetOf({{1, "first-pw"}});
    for (const auto& c : cases) {
        CTempFolder folder;
        const QString plain = folder.Write(QStringLiteral("r.txt"), "newer plain");
        const QString cry = folder.Write(QStringLiteral("r.txt.cry"), RandomBytes(32, 5));
        QByteArray expected = "newer plain";
        if (!c.Encrypt) {
            ASSERT_TRUE(
                EncryptOneFile(folder.Write(QStringLiteral("src"), "older plain"), cry, "first-pw").Ok());
            QFile::remove(folder.FilePath(QStringLiteral("src")));
            expected = "older plain";
        }
        const QStringList before = FolderEntries(folder.Path());
        const QByteArray inTheWay = folder.Read(QLatin1String(c.Encrypt ? "r.txt.cry" : "r.txt"));
        const CResult<> result =
            c.Encrypt ? EncryptFileCommand(plain, set, c.Choice) : DecryptFileCommand(cry, set, c.Choice);
        const std::string label = std::to_string(c.Encrypt) + " " + c.Status;
        EXPECT_EQ(result.Outcome, c.Want) << label;
        EXPECT_FALSE(result.Message) << label;
        EXPECT_EQ(result.StatusText, QString::fromUtf8(c.Status)) << label;
        const QString written = QString::fromUtf8(c.Written);
        if (written.isEmpty()) {
            EXPECT_EQ(FolderEntries(folder.Path()), before) << label;
            continue;
        }
        // The input is gone; the file in the way is either replaced or untouched beside the new one.
        EXPECT_FALSE(QFile::exists(c.Encrypt ? plain : cry)) << label;
        if (c.Choice == ExistingFile::KeepBoth) {
            EXPECT_EQ(folder.Read(QLatin1String(c.Encrypt ? "r.txt.cry" : "r.txt")), inTheWay) << label;
        }
        const QByteArray output = folder.Read(written);
        if (c.Encrypt) {
            const QString check = folder.FilePath(QStringLiteral("check"));
            ASSERT_TRUE(DecryptOneFile(folder.FilePath(written), check, "first-pw").Ok()) << label;
            EXPECT_EQ(folder.Read(QStringLiteral("check")), expected) << label;
        } else {
            EXPECT_EQ(output, expected) << label;
        }
    }
}

// Failures leave every file as it was and no temporary file behind.
TEST(CryFileCommand, LengthNotAMultipleOf16FailsWithEveryPassword) {
    CTempFolder folder;
    folder.Write(QStringLiteral("bad.cry"), RandomBytes(33, 1));
    const CResult<> result = DecryptFileCommand(folder.FilePath(QStringLiteral("bad.cry")),
                                                SetOf({{1, "first-pw"}, {2, "second-pw"}}));
    EXPECT_EQ(result.Outcome, Outcome::Failed);
    EXPECT_EQ(result.StatusText, QStringLiteral("File NOT decrypted, wrong password."));
    EXPECT_EQ(FolderEntries(folder.Path()), QStringList{QStringLiteral("bad.cry")});
}

TEST(CryFileCommand, ExistingOutputSurvivesFailedDecryption) {
    CTempFolder folder;
    folder.Write(QStringLiteral("notes"), "precious");
    folder.Write(QStringLiteral("plain"), RandomBytes(5000, 2));
    ASSERT_TRUE(EncryptOneFile(folder.FilePath(QStringLiteral("plain")),
                               folder.FilePath(QStringLiteral("notes.cry")), "other-pw")
                    .Ok());
    const CResult<> result =
        DecryptFileCommand(folder.FilePath(QStringLiteral("notes.cry")),
                           SetOf({{1, "first-pw"}, {2, "second-pw"}}), ExistingFile::Replace);
    EXPECT_EQ(result.StatusText, QStringLiteral("File NOT decrypted, wrong password."));
    EXPECT_EQ(folder.Read(QStringLiteral("notes")), "precious");
    EXPECT_EQ(FolderEntries(folder.Path()),
              (QStringList{QStringLiteral("notes"), QStringLiteral("notes.cry"), QStringLiteral("plain")}));

    // A failed encryption (the input vanished) leaves an existing .cry as it was, too.
    const QByteArray before = folder.Read(QStringLiteral("notes.cry"));
    EXPECT_EQ(EncryptOneFile(folder.FilePath(QStringLiteral("notes")) + QStringLiteral("-gone"),
                             folder.FilePath(QStringLiteral("notes.cry")), "first-pw")
                  .Outcome,
              Outcome::Failed);
    EXPECT_EQ(folder.Read(QStringLiteral("notes.cry")), before);
}

TEST(CryFileCommand, UnreadableInputIsAnEncryptionError) {
    CTempFolder folder;
    ASSERT_TRUE(QDir(folder.Path()).mkdir(QStringLiteral("sub")));
    const CPasswordSet set = SetOf({{1, "first-pw"}});
    const CResult<> directory = EncryptFileCommand(folder.FilePath(QStringLiteral("sub")), set);
    ASSERT_TRUE(directory.Message);
    EXPECT_EQ(directory.Outcome, Outcome::Failed);
    // The error names the file and the reason.
    EXPECT_TRUE(directory.Message->Text.startsWith(QStringLiteral("File encryption error.\n\n")));
    EXPECT_TRUE(directory.Message->Text.contains(folder.FilePath(QStringLiteral("sub"))));
    EXPECT_TRUE(directory.Message->Text.contains(QStringLiteral("not a regular file")));
    EXPECT_EQ(directory.Message->Kind, MessageKind::Question);
    EXPECT_EQ(FolderEntries(folder.Path()), QStringList{QStringLiteral("sub")});

    if (geteuid() != 0) { // root reads whatever the permission bits say
        const QString path = folder.Write(QStringLiteral("locked.txt"), "abc");
        ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
        const CResult<> locked = EncryptFileCommand(path, set);
        ASSERT_TRUE(locked.Message);
        EXPECT_TRUE(locked.Message->Text.endsWith(path + QStringLiteral(": Permission denied")));
        const CResult<> unread = DecryptFileCommand(path, set);
        ASSERT_TRUE(unread.Message);
        EXPECT_TRUE(unread.Message->Text.endsWith(path + QStringLiteral(": Permission denied")));
        EXPECT_EQ(FolderEntries(folder.Path()),
                  (QStringList{QStringLiteral("locked.txt"), QStringLiteral("sub")}));
    }
}

TEST(CryFileCommand, ReadOnlyFolderLosesNothing) {
    CTempFolder folder;
    folder.Write(QStringLiteral("a.txt"), "plain a");
    ASSERT_TRUE(EncryptOneFile(folder.Write(QStringLiteral("b"), "plain b"),
                               folder.FilePath(QStringLiteral("b.cry")), "first-pw")
                    .Ok());
    QFile::remove(folder.FilePath(QStringLiteral("b")));
    const CPasswordSet set = SetOf({{1, "first-pw"}});
    CResult<> encrypted, decrypted;
    {
        test::CFrozenFolder frozen(folder.Path());
        if (!frozen.Valid()) {
            GTEST_SKIP() << "cannot make a folder read-only here";
        }
        encrypted = EncryptFileCommand(folder.FilePath(QStringLiteral("a.txt")), set);
        decrypted = DecryptFileCommand(folder.FilePath(QStringLiteral("b.cry")), set);
    }
    ASSERT_TRUE(encrypted.Message);
    EXPECT_TRUE(encrypted.Message->Text.startsWith(QStringLiteral("File encryption error.")));
    EXPECT_TRUE(encrypted.Message->Text.contains(folder.Path()));
    EXPECT_EQ(decrypted.StatusText, QStringLiteral("File NOT decrypted, wrong password."));
    EXPECT_EQ(FolderEntries(folder.Path()), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.cry")}));
    EXPECT_EQ(folder.Read(QStringLiteral("a.txt")), "plain a");
}

// The disk fills up in the middle of the output: the write fails, the plain file stays, nothing else is left.
TEST(CryFileCommand, FullDiskLosesNothing) {
    CTempFolder folder;
    const QByteArray plain = RandomBytes(3 << 20, 4);
    const QString path = folder.Write(QStringLiteral("big.bin"), plain);
    const CPasswordSet set = SetOf({{1, "first-pw"}});
    const int status = test::RunWithFileSizeLimit(1 << 20, true, [&] {
        const CResult<> result = EncryptFileCommand(path, set);
        return result.Message && result.Message->Text.startsWith(QStringLiteral("File encryption error.")) &&
                       result.Message->Text.contains(path)
                   ? 7
                   : 1;
    });
    EXPECT_EQ(status, 7);
    EXPECT_EQ(FolderEntries(folder.Path()), QStringList{QStringLiteral("big.bin")});
    EXPECT_EQ(folder.Read(QStringLiteral("big.bin")), plain);

    // Decryption into a full disk: the .cry file and an existing output both stay.
    ASSERT_TRUE(EncryptOneFile(path, folder.FilePath(QStringLiteral("old.cry")), "first-pw").Ok());
    folder.Write(QStringLiteral("old"), "existing");
    const int decryptStatus = test::RunWithFileSizeLimit(1 << 20, true, [&] {
        const CResult<> result =
            DecryptFileCommand(folder.FilePath(QStringLiteral("old.cry")), set, ExistingFile::Replace);
        return result.Outcome == Outcome::Failed ? 7 : 1;
    });
    EXPECT_EQ(decryptStatus, 7);
    EXPECT_EQ(folder.Read(QStringLiteral("old")), "existing");
    EXPECT_EQ(folder.Read(QStringLiteral("old.cry")).size(), EncryptedLength(plain.size()));
    EXPECT_EQ(FolderEntries(folder.Path()).size(), 3);
}

// Killed in the middle of writing: the plain file is whole and the .cry name does not exist.
TEST(CryFileCommand, KilledMidWriteLeavesThePlainFile) {
    CTempFolder folder;
    const QByteArray plain = RandomBytes(3 << 20, 5);
    const QString path = folder.Write(QStringLiteral("big.bin"), plain);
    const int status = test::RunWithFileSizeLimit(1 << 20, false, [&] {
        return EncryptFileCommand(path, SetOf({{1, "first-pw"}})).Ok() ? 0 : 1;
    });
    EXPECT_EQ(status, -1);
    EXPECT_EQ(folder.Read(QStringLiteral("big.bin")), plain);
    EXPECT_FALSE(QFileInfo::exists(folder.FilePath(QStringLiteral("big.bin.cry"))));
    for (const QString& name : FolderEntries(folder.Path())) {
        EXPECT_TRUE(name == QLatin1String("big.bin") || name.startsWith(QLatin1String(".veilpane.")))
            << name.toStdString();
    }
}

// A wrong password that passes the padding check must not cost the .cry file.
TEST(CryFileCommand, AmbiguousPasswordKeepsTheCryFile) {
    CTempFolder folder;
    folder.Write(QStringLiteral("fixed.txt.cry"), FixedCry);
    const CCryDecryptor probe(SetOf({{1, "wrong-137"}, {2, "wrong-1"}, {3, "right-password"}}));
    EXPECT_EQ(probe.PassingPasswords(folder.FilePath(QStringLiteral("fixed.txt.cry"))), (QList<int>{0, 2}));

    const CResult<> result =
        DecryptFileCommand(folder.FilePath(QStringLiteral("fixed.txt.cry")),
                           SetOf({{1, "wrong-137"}, {2, "wrong-1"}, {3, "right-password"}}));
    EXPECT_EQ(result.Outcome, Outcome::Partial);
    EXPECT_EQ(result.StatusText,
              QStringLiteral("File decrypted with password 1, but 2 passwords fit it: the .cry file "
                             "was kept. If the result is unreadable, decrypt the .cry file with "
                             "the right password alone."));
    EXPECT_EQ(folder.Read(QStringLiteral("fixed.txt.cry")), FixedCry);
    EXPECT_NE(folder.Read(QStringLiteral("fixed.txt")),
              FixedPlain); // password 1 decrypted it, as the order says

    // With the right password alone it decrypts (over the unreadable result, as the user says) and the .cry
    // file goes.
    const CResult<> alone = DecryptFileCommand(folder.FilePath(QStringLiteral("fixed.txt.cry")),
                                               SetOf({{3, "right-password"}}), ExistingFile::Replace);
    EXPECT_EQ(alone.StatusText,
              QStringLiteral("File decrypted successfully. (the existing \"fixed.txt\" was replaced)"));
    EXPECT_EQ(FolderEntries(folder.Path()), QStringList{QStringLiteral("fixed.txt")});
    EXPECT_EQ(folder.Read(QStringLiteral("fixed.txt")), FixedPlain);
}

// The two-block check agrees with a full decryption, for one-block files (chained with the IV) as well.
TEST(CryDecryptor, PaddingCheckAgreesWithFullDecryption) {
    CTempFolder folder;
    folder.Write(QStringLiteral("one.cry"), OneBlockCry);
    folder.Write(QStringLiteral("fixed.cry"), FixedCry);
    QByteArray plain = RandomBytes(100, 6);
    ASSERT_TRUE(EncryptOneFile(folder.Write(QStringLiteral("p"), plain),
                               folder.FilePath(QStringLiteral("rand.cry")), "right-password")
                    .Ok());
    CPasswordSet set =
        SetOf({{1, "wrong-15"}, {2, "wrong-137"}, {3, "right-password"}, {4, "wrong-2"}, {5, "wrong-3"}});
    const CCryDecryptor decryptor(set);
    for (const QString& name :
         {QStringLiteral("one.cry"), QStringLiteral("fixed.cry"), QStringLiteral("rand.cry")}) {
        const QList<int> passing = decryptor.PassingPasswords(folder.FilePath(name));
        for (int i = 0; i < PasswordCount; ++i) {
            const bool opens = DecryptOneFile(folder.FilePath(name), folder.FilePath(QStringLiteral("out")),
                                              set.Passwords[static_cast<std::size_t>(i)])
                                   .Ok();
            EXPECT_EQ(passing.contains(i), opens) << name.toStdString() << " password " << i + 1;
        }
        EXPECT_TRUE(passing.contains(2)) << name.toStdString();
    }
    EXPECT_EQ(decryptor.PassingPasswords(folder.FilePath(QStringLiteral("one.cry"))), (QList<int>{0, 2}));
    EXPECT_TRUE(decryptor.PassingPasswords(folder.FilePath(QStringLiteral("missing.cry"))).isEmpty());
}
