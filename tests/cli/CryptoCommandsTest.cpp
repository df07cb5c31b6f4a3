#include "cli/CliApp.h"
#include "crypto/CipherProfile.h"
#include "crypto/CryFile.h"
#include "crypto/KeyDerivation.h"
#include "crypto/MessageBlock.h"
#include "stego/MessageFile.h"
#include "support/CryptoTestSupport.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <set>
#include <unistd.h>

using namespace veilpane;
using veilpane::test::CTempFolder;
using veilpane::test::FolderEntries;

namespace {

struct CCapture {
    QString OutText, ErrText, InText;
    QTextStream Out{&OutText}, Err{&ErrText}, In{&InText};
    cli::CCliStreams Io{Out, Err, In};
    explicit CCapture(const QString& input = {}) : InText(input) {}
    int Run(const QStringList& args) { return cli::RunCli(args, Io); }
};

QStringList Args(std::initializer_list<QString> args) {
    return QStringList(args);
}

const QString Cli = QStringLiteral(VEILPANE_CLI_PATH);

} // namespace

// Each command's refusals: the same texts as the desktop program, on standard error, exit status 1.
TEST(CryptoCommands, RefusalsAndUsageErrors) {
    CTempFolder folder;
    folder.Write(QStringLiteral("a.txt"), "a");
    const QString missing = folder.FilePath(QStringLiteral("gone"));
    const QString TooShort =
        QStringLiteral("veilpane-cli: Passwords length should be at least 5 characters.\n");
    const struct {
        QStringList Args;
        int Status;
        QString Err;
    } cases[] = {
        {Args({QStringLiteral("encrypt"), folder.FilePath(QStringLiteral("a.txt")), QStringLiteral("-p"),
               QStringLiteral("first-pw"), QStringLiteral("--use"), QStringLiteral("2")}),
         1,
         QStringLiteral("veilpane-cli: The selected encryption password (2) is empty.\nPlease select a valid "
                        "encryption password in 'Settings/Passwords'.\n")},
        {Args({QStringLiteral("decrypt"), folder.FilePath(QStringLiteral("a.txt")), QStringLiteral("-p"),
               QString()}),
         1,
         QStringLiteral(
             "veilpane-cli: There are no defined passwords to decrypt.\nPlease define the passwords in "
             "'Settings/Passwords'.\n")},
        {Args({QStringLiteral("encrypt-folder"), missing, QStringLiteral("-p"), QStringLiteral("first-pw")}),
         1, QStringLiteral("veilpane-cli: Folder to encrypt not found.\nPlease select a valid folder.\n")},
        {Args({QStringLiteral("decrypt-folder"), missing, QStringLiteral("-p"), QStringLiteral("first-pw")}),
         1, QStringLiteral("veilpane-cli: Folder to decrypt not found.\nPlease select a valid folder.\n")},
        {Args({QStringLiteral("decrypt-folder"), folder.Path(), QStringLiteral("-p"),
               QStringLiteral("first-pw")}),
         1,
         QStringLiteral("veilpane-cli: The selected folder doesn't contain encrypted files.\n\nFolder: %1\n")
             .arg(folder.Path())},
        {Args({QStringLiteral("message-encrypt"), QString(), QStringLiteral("-p"),
               QStringLiteral("first-pw")}),
         1, QStringLiteral("veilpane-cli: Please enter in 'Message input' box the message to encrypt.\n")},
        {Args({QStringLiteral("message-decrypt"), QString(), QStringLiteral("-p"),
               QStringLiteral("first-pw")}),
         1,
         QStringLiteral(
             "veilpane-cli: Please enter in 'Message input' box the hexadecimal block\nof the message "
             "to decrypt.\n")},
        {Args({QStringLiteral("message-decrypt"), QStringLiteral("0011AABB"), QStringLiteral("-p"),
               QStringLiteral("first-pw")}),
         1, QStringLiteral("veilpane-cli: Message NOT decrypted, wrong password.\n")},
        {Args({QStringLiteral("encrypt"), missing, QStringLiteral("-p"), QStringLiteral("first-pw")}), 1,
         QStringLiteral("veilpane-cli: %1: no such file\n").arg(missing)},
        {Args({QStringLiteral("encrypt"), QStringLiteral("-p"), QStringLiteral("first-pw")}), 2, {}},
        {Args({QStringLiteral("encrypt"), folder.FilePath(QStringLiteral("a.txt")),
               QStringLiteral("--bogus")}),
         2,
         {}},
        {Args({QStringLiteral("encrypt-folder"), folder.Path(), folder.Path()}), 2, {}},
        {Args({QStringLiteral("message-encrypt"), QStringLiteral("a"), QStringLiteral("b")}), 2, {}},
        // Standard input cannot give both the passwords and the text.
        {Args({QStringLiteral("message-encrypt"), QStringLiteral("--password-file"), QStringLiteral("-")}),
         2,
         {}},
        // Encrypting commands take only passwords the passwords dialog accepts, every one of the set.
        {Args({QStringLiteral("encrypt"), folder.FilePath(QStringLiteral("a.txt")), QStringLiteral("-p"),
               QStringLiteral("abcd")}),
         1, TooShort},
        {Args({QStringLiteral("encrypt"), folder.FilePath(QStringLiteral("a.txt")), QStringLiteral("-p"),
               QStringLiteral("first-pw"), QStringLiteral("-p"), QStringLiteral("abc")}),
         1, TooShort},
        {Args({QStringLiteral("encrypt-folder"), folder.Path(), QStringLiteral("--yes"), QStringLiteral("-p"),
               QStringLiteral("abcd")}),
         1, TooShort},
        {Args({QStringLiteral("message-encrypt"), QStringLiteral("hello"), QStringLiteral("-p"),
               QStringLiteral("abcd")}),
         1, TooShort},
        {Args({QStringLiteral("hide"), folder.FilePath(QStringLiteral("c.png")), QStringLiteral("--message"),
               QStringLiteral("hello"), QStringLiteral("-p"), QStringLiteral("abcd")}),
         1, TooShort},
        {Args({QStringLiteral("encrypt"), folder.FilePath(QStringLiteral("a.txt")), QStringLiteral("-p"),
               QString(65, QLatin1Char('x'))}),
         1, QStringLiteral("veilpane-cli: Passwords length should be at most 64 characters.\n")},
    };
    for (const auto& c : cases) {
        CCapture run;
        EXPECT_EQ(run.Run(c.Args), c.Status) << c.Args.join(QLatin1Char(' ')).toStdString();
        if (!c.Err.isEmpty()) {
            EXPECT_EQ(run.ErrText, c.Err);
        } else {
            EXPECT_TRUE(run.ErrText.contains(QStringLiteral("--help"))) << run.ErrText.toStdString();
        }
        EXPECT_TRUE(run.OutText.isEmpty()) << run.OutText.toStdString();
    }
    EXPECT_EQ(FolderEntries(folder.Path()), QStringList{QStringLiteral("a.txt")});
}

TEST(CryptoCommands, EncryptAndDecryptFiles) {
    CTempFolder folder;
    const QString a = folder.Write(QStringLiteral("a.txt"), "alpha");
    const QString b = folder.Write(QStringLiteral("B.bin"), QByteArray(5000, 'b'));
    CCapture encrypt;
    EXPECT_EQ(encrypt.Run(Args({QStringLiteral("encrypt"), a, b, QStringLiteral("-p"),
                                QStringLiteral("first-pw"), QStringLiteral("-p"), QStringLiteral("second-pw"),
                                QStringLiteral("--use"), QStringLiteral("2")})),
              cli::ExitOk);
    EXPECT_EQ(encrypt.OutText,
              QStringLiteral("File encrypted successfully. Password: second-pw\n").repeated(2));
    EXPECT_EQ(FolderEntries(folder.Path()),
              (QStringList{QStringLiteral("B.bin.cry"), QStringLiteral("a.txt.cry")}));

    CCapture decrypt;
    EXPECT_EQ(decrypt.Run(Args({QStringLiteral("decrypt"), a + QStringLiteral(".cry"),
                                b + QStringLiteral(".cry"), QStringLiteral("-p"), QStringLiteral("first-pw"),
                                QStringLiteral("-p"), QStringLiteral("second-pw")})),
              cli::ExitOk);
    EXPECT_EQ(decrypt.OutText, QStringLiteral("File decrypted successfully.\n").repeated(2));
    EXPECT_EQ(folder.Read(QStringLiteral("a.txt")), "alpha");
    EXPECT_EQ(folder.Read(QStringLiteral("B.bin")), QByteArray(5000, 'b'));

    // Wrong passwords: the status goes to standard error, the .cry file stays.
    ASSERT_EQ(
        cli::RunCli(Args({QStringLiteral("encrypt"), a, QStringLiteral("-p"), QStringLiteral("first-pw")}),
                    encrypt.Io),
        cli::ExitOk);
    CCapture wrong;
    EXPECT_EQ(wrong.Run(Args({QStringLiteral("decrypt"), a + QStringLiteral(".cry"), QStringLiteral("-p"),
                              QStringLiteral("other-pw")})),
              cli::ExitFailure);
    EXPECT_EQ(wrong.ErrText,
              QStringLiteral("veilpane-cli: %1.cry: File NOT decrypted, wrong password.\n").arg(a));
    EXPECT_TRUE(QFile::exists(a + QStringLiteral(".cry")));
}

TEST(CryptoCommands, EncryptFolderAsksUnlessYes) {
    CTempFolder folder;
    folder.Write(QStringLiteral("One.TXT"), "one");
    folder.Write(QStringLiteral("two.txt"), "two");
    const QString question =
        QStringLiteral("All files in the folder will be encrypted and the original files will be removed "
                       "after encryption.\n\nFolder: %1\nPassword: first-pw\n\nDo you want to continue "
                       "with the encryption process ? [y/N] ")
            .arg(folder.Path());
    CCapture no(QStringLiteral("n\n"));
    EXPECT_EQ(no.Run(Args({QStringLiteral("encrypt-folder"), folder.Path(), QStringLiteral("-p"),
                           QStringLiteral("first-pw")})),
              cli::ExitFailure);
    EXPECT_TRUE(no.ErrText.startsWith(question)) << no.ErrText.toStdString();
    EXPECT_EQ(FolderEntries(folder.Path()),
              (QStringList{QStringLiteral("One.TXT"), QStringLiteral("two.txt")}));

    CCapture yes(QStringLiteral("yes\n"));
    EXPECT_EQ(yes.Run(Args({QStringLiteral("encrypt-folder"), folder.Path(), QStringLiteral("-p"),
                            QStringLiteral("first-pw")})),
              cli::ExitOk);
    EXPECT_EQ(yes.OutText, QStringLiteral("2 files successfully encrypted. Password: first-pw\n"));
    EXPECT_EQ(FolderEntries(folder.Path()),
              (QStringList{QStringLiteral("One.TXT.cry"), QStringLiteral("two.txt.cry")}));

    CCapture decrypt;
    EXPECT_EQ(decrypt.Run(Args({QStringLiteral("decrypt-folder"), folder.Path(), QStringLiteral("-p"),
                                QStringLiteral("first-pw")})),
              cli::ExitOk);
    EXPECT_EQ(decrypt.OutText, QStringLiteral("2 files successfully decrypted\n"));
    EXPECT_EQ(FolderEntries(folder.Path()),
              (QStringList{QStringLiteral("One.TXT"), QStringLiteral("two.txt")}));

    CCapture again; // --yes: no question, nothing read
    EXPECT_EQ(again.Run(Args({QStringLiteral("encrypt-folder"), QStringLiteral("--yes"), folder.Path(),
                              QStringLiteral("-p"), QStringLiteral("first-pw")})),
              cli::ExitOk);
    EXPECT_TRUE(again.ErrText.isEmpty()) << again.ErrText.toStdString();
    EXPECT_EQ(again.OutText, QStringLiteral("2 files successfully encrypted. Password: first-pw\n"));
}

// r.txt beside an older r.txt.cry, s.txt beside an older s.txt.cry: every command meets a file in the way.
// Without an option nothing changes and the files in the way are named; --overwrite replaces them,
// --keep-both writes beside them.
TEST(CryptoCommands, FilesInTheWay) {
    const auto cryOf = [](const QByteArray& plain) {
        QByteArray out;
        CCipher cipher = CCipher::Encryptor(KeyMaterialFor("first-pw"));
        EXPECT_TRUE(cipher.Process(plain, out));
        return out;
    };
    const QString one = QStringLiteral(
        "veilpane-cli: %1 already exists; nothing was changed. Give --overwrite to replace it or --keep-both "
        "to keep both.\n");
    const QString two = QStringLiteral(
        "veilpane-cli: 2 files already exist; nothing was changed. Give --overwrite to replace them or "
        "--keep-both to keep both:\n  %1\n  %2\n");
    const struct {
        const char* Command;
        const char* Operand;
        const char* Option;
        int Status;
        const char* Out; // or the refusal naming these two outputs
        const char* InTheWay[2];
        QStringList Entries;
        const char* Check; // a file holding "older r" (decrypted) or r.txt's encryption
    } cases[] = {
        {"encrypt", "r.txt", "", 1, "", {"r.txt.cry"}, {}, ""},
        {"decrypt", "r.txt.cry", "", 1, "", {"r.txt"}, {}, ""},
        {"encrypt-folder", "", "", 1, "", {"r.txt.cry", "s.txt.cry"}, {}, ""},
        {"decrypt-folder", "", "", 1, "", {"r.txt", "s.txt"}, {}, ""},
        {"encrypt",
         "r.txt",
         "--overwrite",
         0,
         "File encrypted successfully. Password: first-pw (the existing \"r.txt.cry\" was replaced)\n",
         {},
         {QStringLiteral("r.txt.cry"), QStringLiteral("s.txt"), QStringLiteral("s.txt.cry")},
         "r.txt.cry"},
        {"encrypt",
         "r.txt",
         "--keep-both",
         0,
         "File encrypted successfully. Password: first-pw (saved as \"r (2).txt.cry\" beside the existing "
         "\"r.txt.cry\")\n",
         {},
         {QStringLiteral("r (2).txt.cry"), QStringLiteral("r.txt.cry"), QStringLiteral("s.txt"),
          QStringLiteral("s.txt.cry")},
         "r (2).txt.cry"},
        {"decrypt",
         "r.txt.cry",
         "--overwrite",
         0,
         "File decrypted successfully. (the existing \"r.txt\" was replaced)\n",
         {},
         {QStringLiteral("r.txt"), QStringLiteral("s.txt"), QStringLiteral("s.txt.cry")},
         "r.txt"},
        {"decrypt",
         "r.txt.cry",
         "--keep-both",
         0,
         "File decrypted successfully. (saved as \"r (2).txt\" beside the existing \"r.txt\")\n",
         {},
         {QStringLiteral("r (2).txt"), QStringLiteral("r.txt"), QStringLiteral("s.txt"),
          QStringLiteral("s.txt.cry")},
         "r (2).txt"},
        {"encrypt-folder",
         "",
         "--overwrite",
         0,
         "2 files successfully encrypted. Password: first-pw (2 replaced). 2 files skipped: \".cry\" in the "
         "path\n",
         {},
         {QStringLiteral("r.txt.cry"), QStringLiteral("s.txt.cry")},
         "r.txt.cry"},
        {"encrypt-folder",
         "",
         "--keep-both",
         0,
         "2 files successfully encrypted. Password: first-pw (2 kept beside). 2 files skipped: \".cry\" in "
         "the path\n",
         {},
         {QStringLiteral("r (2).txt.cry"), QStringLiteral("r.txt.cry"), QStringLiteral("s (2).txt.cry"),
          QStringLiteral("s.txt.cry")},
         "r (2).txt.cry"},
        {"decrypt-folder",
         "",
         "--overwrite",
         0,
         "2 files successfully decrypted (2 replaced)\n",
         {},
         {QStringLiteral("r.txt"), QStringLiteral("s.txt")},
         "r.txt"},
        {"decrypt-folder",
         "",
         "--keep-both",
         0,
         "2 files successfully decrypted (2 kept beside)\n",
         {},
         {QStringLiteral("r (2).txt"), QStringLiteral("r.txt"), QStringLiteral("s (2).txt"),
          QStringLiteral("s.txt")},
         "r (2).txt"},
    };
    for (const auto& c : cases) {
        CTempFolder folder;
        folder.Write(QStringLiteral("r.txt"), "newer r");
        folder.Write(QStringLiteral("r.txt.cry"), cryOf("older r"));
        folder.Write(QStringLiteral("s.txt"), "newer s");
        folder.Write(QStringLiteral("s.txt.cry"), cryOf("older s"));
        const QStringList before = FolderEntries(folder.Path());
        const QString command = QString::fromUtf8(c.Command);
        QStringList args{command, *c.Operand ? folder.FilePath(QString::fromUtf8(c.Operand)) : folder.Path(),
                         QStringLiteral("-p"), QStringLiteral("first-pw")};
        if (*c.Option) {
            args << QString::fromUtf8(c.Option);
        }
        if (command == QStringLiteral("encrypt-folder")) {
            args << QStringLiteral("--yes");
        }
        CCapture run;
        const std::string label = args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(run.Run(args), c.Status) << label;
        EXPECT_EQ(run.OutText, QString::fromUtf8(c.Out)) << label;
        if (c.Status != 0) {
            const QString first = folder.FilePath(QString::fromUtf8(c.InTheWay[0]));
            EXPECT_EQ(run.ErrText, c.InTheWay[1]
                                       ? two.arg(first, folder.FilePath(QString::fromUtf8(c.InTheWay[1])))
                                       : one.arg(first))
                << label;
            EXPECT_EQ(FolderEntries(folder.Path()), before) << label;
            continue;
        }
        EXPECT_TRUE(run.ErrText.isEmpty()) << label << run.ErrText.toStdString();
        EXPECT_EQ(FolderEntries(folder.Path()), c.Entries) << label;
        const bool encrypted = command.startsWith(QStringLiteral("encrypt"));
        EXPECT_EQ(folder.Read(QString::fromUtf8(c.Check)),
                  encrypted ? cryOf("newer r") : QByteArray("older r"))
            << label;
        if (QString::fromUtf8(c.Option) == QStringLiteral("--keep-both")) {
            EXPECT_EQ(folder.Read(QLatin1String(encrypted ? "r.txt.cry" : "r.txt")),
                      encrypted ? cryOf("older r") : QByteArray("newer r"))
                << label << ": the file in the way is kept";
        }
    }

    // Both options at once is a usage error, for every command that takes them.
    for (const char* command : {"encrypt", "decrypt", "encrypt-folder", "decrypt-folder"}) {
        CCapture both;
        EXPECT_EQ(
            both.Run(Args({QString::fromUtf8(command), QStringLiteral("x"), QStringLiteral("--overwrite"),
                           QStringLiteral("--keep-both"), QStringLiteral("-p"), QStringLiteral("first-pw")})),
            cli::ExitUsage)
            << command;
        EXPECT_TRUE(
            both.ErrText.startsWith(QStringLiteral("veilpane-cli %1: --overwrite and --keep-both exclude "
                                                   "each other\n")
                                        .arg(QString::fromUtf8(command))))
            << both.ErrText.toStdString();
    }
}

TEST(CryptoCommands, MessagesThroughArgumentsAndStandardInput) {
    CCapture encrypt(QStringLiteral("from standard input\n"));
    ASSERT_EQ(encrypt.Run(Args({QStringLiteral("message-encrypt"), QStringLiteral("-p"),
                                QStringLiteral("first-pw"), QStringLiteral("-p"), QStringLiteral("second-pw"),
                                QStringLiteral("--use"), QStringLiteral("2")})),
              cli::ExitOk);
    const QString block = encrypt.OutText.trimmed();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{128}$")).match(block).hasMatch())
        << block.toStdString();

    CCapture decrypt(block.toLower() + QStringLiteral("\n"));
    ASSERT_EQ(
        decrypt.Run(Args({QStringLiteral("message-decrypt"), QStringLiteral("-p"), QStringLiteral("first-pw"),
                          QStringLiteral("-p"), QStringLiteral("second-pw")})),
        cli::ExitOk);
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\dh:\\d\\dm:\\d\\ds\\r\\nfrom standard input\\n$"))
            .match(decrypt.OutText)
            .hasMatch())
        << decrypt.OutText.toStdString();

    CCapture argument;
    ASSERT_EQ(argument.Run(Args({QStringLiteral("message-encrypt"), QStringLiteral("short"),
                                 QStringLiteral("-p"), QStringLiteral("first-pw")})),
              cli::ExitOk);
    EXPECT_EQ(argument.OutText.trimmed().size(), 96);
}

TEST(CryptoCommands, MessageInputsStopAtTheirCaps) {
    const QString textTooLong = QStringLiteral(
        "veilpane-cli: The message is too long to encrypt.\nA message block holds at most 1048576 bytes of "
        "text.\n");
    const QString blockTooLong = QStringLiteral(
        "veilpane-cli: The block is too long to be a message block.\nA message block has at most 2097248 "
        "hexadecimal digits.\n");
    const QString atCap(MaxMessageTextLength, QLatin1Char('m'));
    const struct {
        QString Command;
        QString Input;
        QString Operand; // empty: standard input
        int Status;
        QString Err;
    } cases[] = {
        {QStringLiteral("message-encrypt"), atCap + QStringLiteral("\r\n"), {}, cli::ExitOk, {}},
        {QStringLiteral("message-encrypt"), {}, atCap, cli::ExitOk, {}},
        {QStringLiteral("message-encrypt"), atCap + QStringLiteral("m\n"), {}, cli::ExitFailure, textTooLong},
        {QStringLiteral("message-encrypt"), {}, atCap + QLatin1Char('m'), cli::ExitFailure, textTooLong},
        // Room for a separator after every digit, and not one byte more.
        {QStringLiteral("message-decrypt"),
         QString(2 * MaxMessageBlockDigits + 1, QLatin1Char(' ')),
         {},
         cli::ExitFailure,
         blockTooLong},
        {QStringLiteral("message-decrypt"),
         {},
         QString(MaxMessageBlockDigits + 1, QLatin1Char('0')),
         cli::ExitFailure,
         blockTooLong},
    };
    for (const auto& c : cases) {
        CCapture run(c.Input);
        QStringList args = {c.Command, QStringLiteral("-p"), QStringLiteral("first-pw")};
        if (!c.Operand.isEmpty()) {
            args << c.Operand;
        }
        EXPECT_EQ(run.Run(args), c.Status) << c.Command.toStdString() << c.Input.size() << c.Operand.size();
        EXPECT_EQ(run.ErrText, c.Err);
        EXPECT_EQ(run.OutText.size(), c.Status == cli::ExitOk ? MaxMessageBlockDigits + 1 : 0);
    }
}

// The real program on inputs that never end: each read stops at its cap.
TEST(CryptoCommands, TheProgramStopsReadingEndlessInputs) {
    if (!test::HaveProgram(QStringLiteral("sh"))) {
        GTEST_SKIP() << "no shell";
    }
    const struct {
        QString Script;
        int Status;
        QByteArray Err;
    } cases[] = {
        {QStringLiteral("exec \"$0\" message-encrypt -p first-pw < /dev/zero"), 1,
         "veilpane-cli: The message is too long to encrypt.\n"},
        {QStringLiteral("exec \"$0\" message-decrypt -p first-pw < /dev/zero"), 1,
         "veilpane-cli: The block is too long to be a message block.\n"},
        {QStringLiteral("exec \"$0\" message-encrypt hello --password-file /dev/zero"), 2,
         "veilpane-cli message-encrypt: the password file '/dev/zero' is longer than 1048576 bytes: it holds "
         "five passwords at most\n"},
        {QStringLiteral("exec \"$0\" message-encrypt hello --password-file - < /dev/urandom"), 2,
         "veilpane-cli message-encrypt: the password file '-' is longer than 1048576 bytes"},
    };
    for (const auto& c : cases) {
        const auto result = test::RunProgram(QStringLiteral("sh"), {QStringLiteral("-c"), c.Script, Cli});
        EXPECT_EQ(result.ExitCode, c.Status) << c.Script.toStdString();
        EXPECT_TRUE(result.Err.startsWith(c.Err)) << c.Script.toStdString() << ": " << result.Err.constData();
        EXPECT_TRUE(result.Out.isEmpty()) << c.Script.toStdString();
    }
}

// Decrypting commands open what was made with any password, even one the passwords dialog would refuse now.
TEST(CryptoCommands, DecryptingCommandsTakeAShortPassword) {
    CTempFolder folder;
    CPasswordSet shortSet;
    shortSet.Passwords[0] = "abcd";
    const QString file = folder.Write(QStringLiteral("a.txt"), "alpha");
    ASSERT_TRUE(EncryptFileCommand(file, shortSet).Ok());
    const QString block = QString::fromLatin1(EncryptMessageCommand("hello", shortSet).Value.Output);
    CTempFolder inFolder;
    ASSERT_TRUE(EncryptFileCommand(inFolder.Write(QStringLiteral("b.txt"), "beta"), shortSet).Ok());
    CBitmap image = test::MakeNoiseBitmap(200, 100, 3);
    CReportStatistics statistics;
    ASSERT_TRUE(
        HideMessageInImage(&image, QStringLiteral("c.png"), QStringLiteral("hidden"), "abcd", statistics)
            .Ok());
    const QString carrier = folder.FilePath(QStringLiteral("c.png"));
    ASSERT_TRUE(image.Save(carrier, QStringLiteral("image/png")));
    for (const QStringList& args : {Args({QStringLiteral("decrypt"), file + QStringLiteral(".cry")}),
                                    Args({QStringLiteral("decrypt-folder"), inFolder.Path()}),
                                    Args({QStringLiteral("message-decrypt"), block}),
                                    Args({QStringLiteral("extract"), carrier, QStringLiteral("--print")})}) {
        CCapture run;
        EXPECT_EQ(run.Run(args + Args({QStringLiteral("-p"), QStringLiteral("abcd")})), cli::ExitOk)
            << args.first().toStdString() << ": " << run.ErrText.toStdString();
    }
    EXPECT_EQ(folder.Read(QStringLiteral("a.txt")), "alpha");
    EXPECT_EQ(inFolder.Read(QStringLiteral("b.txt")), "beta");
}

// "--password-file -" reads the set from standard input, so that no password shows in the process list; a
// byte-order mark an editor put before the first line is not part of the first password.
TEST(CryptoCommands, PasswordsFromStandardInput) {
    CTempFolder folder;
    const QString file = folder.Write(QStringLiteral("a.txt"), "alpha");
    CCapture encrypt(QString::fromUtf8("\xEF\xBB\xBFpw12345\r\nsecond-pw\n"));
    ASSERT_EQ(encrypt.Run(Args({QStringLiteral("encrypt"), file, QStringLiteral("--password-file"),
                                QStringLiteral("-"), QStringLiteral("--use"), QStringLiteral("1")})),
              cli::ExitOk)
        << encrypt.ErrText.toStdString();
    EXPECT_EQ(encrypt.OutText, QStringLiteral("File encrypted successfully. Password: pw12345\n"));
    CCapture decrypt;
    EXPECT_EQ(decrypt.Run(Args({QStringLiteral("decrypt"), file + QStringLiteral(".cry"),
                                QStringLiteral("-p"), QStringLiteral("pw12345")})),
              cli::ExitOk)
        << decrypt.ErrText.toStdString();
    EXPECT_EQ(folder.Read(QStringLiteral("a.txt")), "alpha");
}

// The real program under a file-size limit: the disk is "full" after 1 MiB, the write fails, nothing is lost.
TEST(CryptoCommands, TheProgramOnAFullDisk) {
    if (!test::HaveProgram(QStringLiteral("sh"))) {
        GTEST_SKIP() << "no shell";
    }
    CTempFolder folder;
    const QByteArray big(3 << 20, 'z');
    const QString path = folder.Write(QStringLiteral("big.bin"), big);
    const auto result =
        test::RunProgram(QStringLiteral("sh"), {QStringLiteral("-c"),
                                                QStringLiteral("trap '' XFSZ; ulimit -f 2048; exec \"$0\" "
                                                               "encrypt \"$1\" -p first-pw"),
                                                Cli, path});
    EXPECT_EQ(result.ExitCode, 1);
    // The error, then the file that could not be written and why.
    EXPECT_TRUE(result.Err.startsWith("veilpane-cli: " + path.toUtf8() + ": File encryption error.\n\n"));
    EXPECT_TRUE(result.Err.contains("cannot write " + path.toUtf8() + ".cry: ")) << result.Err.toStdString();
    EXPECT_EQ(FolderEntries(folder.Path()), QStringList{QStringLiteral("big.bin")});
    EXPECT_EQ(folder.Read(QStringLiteral("big.bin")), big);
}

TEST(CryptoCommands, TheProgramInteroperatesWithOpenssl) {
    if (!test::HaveProgram(QStringLiteral("openssl"))) {
        GTEST_SKIP() << "openssl not installed";
    }
    CTempFolder folder;
    const QByteArray plain = "interoperable bytes\n";
    const QString path = folder.Write(QStringLiteral("doc.txt"), plain);
    const auto theirs = test::RunProgram(
        QStringLiteral("openssl"),
        test::OpensslEncArgs("Pass word", false, path, folder.FilePath(QStringLiteral("ref"))));
    ASSERT_EQ(theirs.ExitCode, 0);
    const auto ours =
        test::RunProgram(Cli, {QStringLiteral("encrypt"), path, QStringLiteral("--password=Pass word")});
    EXPECT_EQ(ours.ExitCode, 0) << ours.Err.toStdString();
    EXPECT_EQ(ours.Out, "File encrypted successfully. Password: Pass word\n");
    EXPECT_EQ(folder.Read(QStringLiteral("doc.txt.cry")), folder.Read(QStringLiteral("ref")));
}

// Files the run could not convert cleanly are named on standard error with the reason, the summary counts
// them, and the exit status is 1.
TEST(CryptoCommands, ReportedFilesMakeTheExitStatusOne) {
    CTempFolder folder;
    CTempFolder elsewhere;
    const QString linked = folder.Write(QStringLiteral("Linked\n.txt"), "linked"); // one line still
    ASSERT_EQ(::link(QFile::encodeName(linked).constData(),
                     QFile::encodeName(elsewhere.FilePath(QStringLiteral("copy"))).constData()),
              0);
    const QByteArray odd = QFile::encodeName(folder.Path()) + "/caf\xe9.txt";
    const int fd = ::open(odd.constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    CCapture run;
    EXPECT_EQ(run.Run(Args({QStringLiteral("encrypt-folder"), folder.Path(), QStringLiteral("--yes"),
                            QStringLiteral("-p"), QStringLiteral("first-pw")})),
              cli::ExitFailure);
    EXPECT_EQ(run.OutText, QStringLiteral("1 files successfully encrypted. Password: first-pw. 1 file not "
                                          "encrypted: names that are not valid UTF-8. 1 file still readable "
                                          "through another hard link\n"));
    EXPECT_EQ(
        run.ErrText,
        QStringLiteral("veilpane-cli: %1/caf\\xE9.txt: not encrypted: its name is not valid UTF-8; give it "
                       "a new name and run again\nveilpane-cli: %2: encrypted, but the plain content is "
                       "still readable through 1 other hard link to it\n")
            .arg(folder.Path(), folder.FilePath(QStringLiteral("Linked?.txt"))));
    EXPECT_EQ(::unlink(odd.constData()), 0); // still there; QTemporaryDir cannot name it
}

namespace {

QByteArray Decrypted(const QByteArray& cry, const QByteArray& password) {
    QByteArray plain;
    CCipher cipher = CCipher::Decryptor(KeyMaterialFor(password));
    EXPECT_TRUE(cipher.Process(cry, plain));
    return plain;
}

void FillFolder(const CTempFolder& folder, int count) {
    for (int i = 0; i < count; ++i) {
        folder.Write(QStringLiteral("f%1.dat").arg(i), QByteArray(1024, char('a' + i % 26)));
    }
}

// Until a run has begun writing in folder (its temporary files appear) or has ended.
bool RunHasBegun(QProcess& run, const QString& folder) {
    if (!run.waitForStarted()) {
        return false;
    }
    for (int i = 0; i < 2000 && run.state() == QProcess::Running; ++i) {
        if (!QDir(folder).entryList({QStringLiteral(".veilpane.*")}, QDir::Files | QDir::Hidden).isEmpty()) {
            return true;
        }
        QThread::msleep(2);
    }
    return false;
}

} // namespace

// Another program appends to a file every 10 ms while the folder is encrypted: no line may be lost. The
// file is kept with every line, and reported.
TEST(CryptoCommands, TheProgramKeepsAFileWrittenDuringTheRun) {
    if (!test::HaveProgram(QStringLiteral("sh"))) {
        GTEST_SKIP() << "no shell";
    }
    CTempFolder folder;
    CTempFolder control;
    FillFolder(folder, 400);
    const QString journal = folder.Write(QStringLiteral("journal.log"), "line 0\n");
    const QString stop = control.FilePath(QStringLiteral("stop"));
    QProcess writer;
    writer.start(QStringLiteral("sh"),
                 {QStringLiteral("-c"),
                  QStringLiteral("i=1; while [ ! -e \"$1\" ]; do echo \"line $i\" >> \"$0\"; i=$((i+1)); "
                                 "sleep 0.01; done; echo $((i-1))"),
                  journal, stop});
    ASSERT_TRUE(writer.waitForStarted());
    QThread::msleep(50);
    const auto run =
        test::RunProgram(Cli, {QStringLiteral("encrypt-folder"), folder.Path(), QStringLiteral("--yes"),
                               QStringLiteral("-p"), QStringLiteral("first-pw")});
    control.Write(QStringLiteral("stop"), {});
    ASSERT_TRUE(writer.waitForFinished(10000));
    const int last = writer.readAllStandardOutput().trimmed().toInt();
    ASSERT_GT(last, 0);

    std::set<QByteArray> lines;
    for (const QByteArray& line : folder.Read(QStringLiteral("journal.log")).split('\n')) {
        lines.insert(line);
    }
    if (QFile::exists(journal + QStringLiteral(".cry"))) {
        for (const QByteArray& line :
             Decrypted(folder.Read(QStringLiteral("journal.log.cry")), "first-pw").split('\n')) {
            lines.insert(line);
        }
    }
    for (int i = 0; i <= last; ++i) {
        EXPECT_EQ(lines.count("line " + QByteArray::number(i)), 1u)
            << "line " << i << " of " << last << " lost";
    }
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_TRUE(run.Err.contains(journal.toUtf8() + ": written to during the run, so it was"))
        << run.Err.toStdString();
    EXPECT_TRUE(run.Out.startsWith("400 files successfully encrypted. Password: first-pw. 1 file written to "
                                   "during the run, kept as they are") ||
                run.Out.startsWith("401 files successfully encrypted. Password: first-pw. 1 file written to "
                                   "during the run, kept as they are"))
        << run.Out.toStdString();
}

// Two programs on one folder with different passwords: the second does nothing and says why; a run that
// was killed leaves no lock behind.
TEST(CryptoCommands, TheProgramRunsAloneOnAFolder) {
    CTempFolder folder;
    FillFolder(folder, 1000);
    const QStringList encryptA{QStringLiteral("encrypt-folder"), folder.Path(), QStringLiteral("--yes"),
                               QStringLiteral("-p"), QStringLiteral("password-a")};
    QProcess first;
    first.start(Cli, encryptA);
    ASSERT_TRUE(RunHasBegun(first, folder.Path()));
    const QByteArray busy = "veilpane-cli: Another run is encrypting or decrypting the folder " +
                            folder.Path().toUtf8() +
                            ".\n\nNothing was changed. Try again when that run has finished.\n";
    for (const QStringList& args : {QStringList{QStringLiteral("encrypt-folder"), QStringLiteral("--yes")},
                                    QStringList{QStringLiteral("decrypt-folder")}}) {
        const auto second = test::RunProgram(
            Cli, args + QStringList{folder.Path(), QStringLiteral("-p"), QStringLiteral("password-b")});
        EXPECT_EQ(second.ExitCode, 1) << args.first().toStdString();
        EXPECT_EQ(second.Err, busy) << args.first().toStdString();
        EXPECT_TRUE(second.Out.isEmpty()) << args.first().toStdString();
    }
    ASSERT_TRUE(first.waitForFinished(120000));
    EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
    EXPECT_EQ(FolderEntries(folder.Path()).filter(QStringLiteral(".cry")).size(), 1000);
    EXPECT_EQ(Decrypted(folder.Read(QStringLiteral("f7.dat.cry")), "password-a"), QByteArray(1024, 'h'));

    QProcess killed;
    killed.start(Cli, {QStringLiteral("decrypt-folder"), folder.Path(), QStringLiteral("-p"),
                       QStringLiteral("password-a")});
    ASSERT_TRUE(RunHasBegun(killed, folder.Path()));
    killed.kill();
    ASSERT_TRUE(killed.waitForFinished(10000));
    const auto after = test::RunProgram(Cli, {QStringLiteral("decrypt-folder"), folder.Path(),
                                              QStringLiteral("-p"), QStringLiteral("password-a")});
    EXPECT_EQ(after.ExitCode, 0) << after.Err.toStdString();
    const QStringList entries = FolderEntries(folder.Path());
    EXPECT_EQ(entries.size(), 1000);
    EXPECT_TRUE(entries.filter(QStringLiteral(".cry")).isEmpty());
    EXPECT_EQ(folder.Read(QStringLiteral("f7.dat")), QByteArray(1024, 'h'));
}
