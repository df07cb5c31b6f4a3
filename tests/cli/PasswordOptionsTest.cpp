#include "cli/PasswordOptions.h"
#include "doc/PictoriumDoc.h"
#include "platform/SettingsStore.h"
#include "support/TempFolder.h"

#include <QBuffer>
#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace veilpane;
using veilpane::cli::CPasswordOptions;

TEST(PasswordOptions, BuildsTheSetInOrderAndLeavesOtherArguments) {
    QStringList args = {QStringLiteral("in.png"),     QStringLiteral("-p"),
                        QStringLiteral("first-pw"),   QStringLiteral("-o"),
                        QStringLiteral("out.png"),    QStringLiteral("--password=second"),
                        QStringLiteral("--use"),      QStringLiteral("2"),
                        QStringLiteral("--password"), QString::fromUtf8("th\xc3\xafrd")};
    CPasswordOptions options;
    QString error;
    ASSERT_TRUE(options.Take(args, &error)) << error.toStdString();
    EXPECT_EQ(args, (QStringList{QStringLiteral("in.png"), QStringLiteral("-o"), QStringLiteral("out.png")}));
    EXPECT_EQ(options.Set().Passwords[0], "first-pw");
    EXPECT_EQ(options.Set().Passwords[1], "second");
    EXPECT_EQ(options.Set().Passwords[2], "th\xc3\xafrd");
    EXPECT_TRUE(options.Set().Passwords[3].isEmpty());
    EXPECT_EQ(options.Set().SelectedPassword(), "second");
}

TEST(PasswordOptions, PasswordFileKeepsPositionsOfEmptyLines) {
    test::CTempFolder folder;
    const QString file = folder.Write(QStringLiteral("pw.txt"), "alpha-1\r\n\nthird-3\n");
    QStringList args = {QStringLiteral("--password-file"), file, QStringLiteral("--use"),
                        QStringLiteral("3")};
    CPasswordOptions options;
    QString error;
    ASSERT_TRUE(options.Take(args, &error)) << error.toStdString();
    EXPECT_TRUE(args.isEmpty());
    EXPECT_EQ(options.Set().Passwords[0], "alpha-1");
    EXPECT_TRUE(options.Set().Passwords[1].isEmpty());
    EXPECT_EQ(options.Set().Passwords[2], "third-3");
    EXPECT_EQ(options.Set().SelectedPassword(), "third-3");
    ASSERT_EQ(options.Set().DecryptionOrder().size(), 2);
    EXPECT_EQ(options.Set().DecryptionOrder()[1].first, 2);
}

// A byte-order mark at the very start of the file (an editor's, never typed) goes; anything else, a mark
// inside the file or bytes that are not UTF-8 included, stays as it is. Files and standard input alike.
TEST(PasswordOptions, PasswordFileWithoutItsByteOrderMark) {
    const struct {
        QByteArray Content;
        QList<QByteArray> Passwords;
    } cases[] = {
        {"\xEF\xBB\xBFpw12345\nsecond-2\n", {"pw12345", "second-2"}},
        {"pw12345\nsecond-2", {"pw12345", "second-2"}},
        {"\xEF\xBB\xBF\r\nsecond-2\r\n", {"", "second-2"}},
        {"first-1\n\xEF\xBB\xBFsecond\n", {"first-1", "\xEF\xBB\xBFsecond"}},
        {"caf\xE9-latin1\n", {"caf\xE9-latin1"}},
    };
    test::CTempFolder folder;
    for (const auto& c : cases) {
        const QString file = folder.Write(QStringLiteral("pw.txt"), c.Content);
        QByteArray input = c.Content;
        QBuffer buffer(&input);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        QTextStream in(&buffer);
        for (const QString& source : {file, QStringLiteral("-")}) {
            QStringList args = {QStringLiteral("--password-file"), source};
            CPasswordOptions options(&in);
            QString error;
            ASSERT_TRUE(options.Take(args, &error)) << error.toStdString();
            EXPECT_EQ(options.ReadStandardInput(), source == QStringLiteral("-"));
            for (int i = 0; i < PasswordCount; ++i) {
                EXPECT_EQ(options.Set().Passwords[static_cast<std::size_t>(i)], c.Passwords.value(i))
                    << c.Content.toHex().constData() << " " << source.toStdString();
            }
        }
    }
}

TEST(PasswordOptions, UsageErrors) {
    test::CTempFolder folder;
    const struct {
        QStringList Args;
        const char* Error;
    } cases[] = {
        {{QStringLiteral("-p")}, "option '-p' needs a value"},
        {{QStringLiteral("--use"), QStringLiteral("6")},
         "--use takes a password number from 1 to 5, not '6'"},
        {{QStringLiteral("--use"), QStringLiteral("x")},
         "--use takes a password number from 1 to 5, not 'x'"},
        {{QStringLiteral("-p"), QStringLiteral("a1234"), QStringLiteral("-p"), QStringLiteral("b1234"),
          QStringLiteral("-p"), QStringLiteral("c1234"), QStringLiteral("-p"), QStringLiteral("d1234"),
          QStringLiteral("-p"), QStringLiteral("e1234"), QStringLiteral("-p"), QStringLiteral("f1234")},
         "at most five passwords can be given"},
        {{QStringLiteral("--password-file"), folder.FilePath(QStringLiteral("missing"))},
         "cannot read the password file"},
        {{QStringLiteral("--password-file"), QStringLiteral("-")},
         "cannot read the password file '-': no standard input"},
    };
    for (const auto& c : cases) {
        QStringList args = c.Args;
        CPasswordOptions options;
        QString error;
        EXPECT_FALSE(options.Take(args, &error));
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.Error))) << error.toStdString();
    }
}

// Without -p the terminal program takes the passwords and the selection the desktop program saved.
TEST(PasswordOptions, WithoutPasswordsTheDesktopProgramsSavedSetIsUsed) {
    test::CTempFolder folder;
    const QByteArray second = "s\xc3\xa9"
                              "cond-pw";
    {
        CQtSettingsStore store(folder.FilePath(QStringLiteral("config/Veilpane/Veilpane.conf")));
        CDocServices services;
        services.Settings = &store;
        CPictoriumDoc doc(services, QString());
        doc.PasswordSet.Passwords[1] = second;
        doc.PasswordSet.PasswordRadioCry = 1;
        doc.SaveSettings();
    }
    const QString file = folder.Write(QStringLiteral("a.txt"), "plain");
    const QString cli = QStringLiteral(VEILPANE_CLI_PATH);

    // Whoever made the file readable by others, it is owner-only again once the terminal program read it.
    const QString settingsFile = folder.FilePath(QStringLiteral("config/Veilpane/Veilpane.conf"));
    ASSERT_TRUE(QFile::setPermissions(settingsFile, QFile::permissions(settingsFile) |
                                                        QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.FilePath(QStringLiteral("config"))));
    const test::CProcessResult encrypted = test::RunProgram(cli, {QStringLiteral("encrypt"), file});
    hadConfig ? qputenv("XDG_CONFIG_HOME", oldConfig) : qunsetenv("XDG_CONFIG_HOME");
    ASSERT_EQ(encrypted.ExitCode, 0) << encrypted.Err.toStdString();
    EXPECT_EQ(QFile::permissions(settingsFile) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
              QFileDevice::Permissions());

    // Only the selected second password opens it.
    const test::CProcessResult decrypted =
        test::RunProgram(cli, {QStringLiteral("decrypt"), file + QStringLiteral(".cry"), QStringLiteral("-p"),
                               QString::fromUtf8(second)});
    EXPECT_EQ(decrypted.ExitCode, 0) << decrypted.Err.toStdString();
    EXPECT_EQ(folder.Read(QStringLiteral("a.txt")), "plain");
}
