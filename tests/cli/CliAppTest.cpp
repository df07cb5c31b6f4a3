#include "cli/CliApp.h"
#include "cli/CliSupport.h"
#include "platform/ProductLine.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

struct CCapture {
    QString OutText, ErrText, InText;
    QTextStream Out{&OutText}, Err{&ErrText}, In{&InText};
    cli::CCliStreams Io{Out, Err, In};
    int Run(const QStringList& args) { return cli::RunCli(args, Io); }
};

QString SourceFile(const QString& relativePath) {
    QFile file(QStringLiteral(VEILPANE_SOURCE_DIR "/") + relativePath);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The man page's text without the escapes and font changes that would hide a command line from a search.
QString PlainTroff(QString troff) {
    troff.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    troff.remove(QRegularExpression(QStringLiteral(R"(\\f[BIRP])")));
    return troff;
}

// The options a command's help lists: the flags in the first column of its indented option lines.
QStringList HelpOptions(const QString& help) {
    static const QRegularExpression optionLine(QStringLiteral(R"(^[ \t]+(-.*?)(\s{2,}|$))"),
                                               QRegularExpression::MultilineOption);
    static const QRegularExpression flag(QStringLiteral("--?[a-z][a-z-]*"));
    QStringList flags;
    for (auto line = optionLine.globalMatch(help); line.hasNext();) {
        for (auto found = flag.globalMatch(line.next().captured(1)); found.hasNext();) {
            flags << found.next().captured(0);
        }
    }
    return flags;
}

} // namespace

// The README's reference and the man page are written by hand: every command with its synopsis and every
// option the help lists must be in both, the README must quote the command list as --help prints it, and
// the man page must carry the version the program prints.
TEST(CliApp, ReadmeAndManPageFollowTheHelp) {
    const QString readme = SourceFile(QStringLiteral("README.md"));
    const QString manPage = PlainTroff(SourceFile(QStringLiteral("packaging/veilpane-cli.1")));
    ASSERT_FALSE(readme.isEmpty());
    ASSERT_FALSE(manPage.isEmpty());

    CCapture help;
    ASSERT_EQ(help.Run({QStringLiteral("--help")}), cli::ExitOk);
    EXPECT_TRUE(readme.contains(help.OutText)) << "README lacks the --help text:\n"
                                               << help.OutText.toStdString();

    const auto commands = cli::AllCommands();
    for (const auto& command : commands) {
        const std::string name = command->Name().toStdString();
        EXPECT_TRUE(manPage.contains(QStringLiteral("\n.SS %1\n").arg(command->Name()))) << name;
        const QString usage = command->Help().section(QLatin1Char('\n'), 0, 0);
        ASSERT_TRUE(usage.startsWith(QStringLiteral("Usage: "))) << name;
        const QString synopsis = usage.mid(7);
        EXPECT_TRUE(readme.contains(synopsis)) << "README: " << synopsis.toStdString();
        EXPECT_TRUE(manPage.contains(synopsis)) << "man page: " << synopsis.toStdString();
        for (const QString& option : HelpOptions(command->Help())) {
            EXPECT_TRUE(readme.contains(option))
                << name << " " << option.toStdString() << " not in the README";
            EXPECT_TRUE(manPage.contains(option))
                << name << " " << option.toStdString() << " not in the man page";
        }
    }
    EXPECT_TRUE(HelpOptions(commands.front()->Help()).contains(QStringLiteral("--password-file")));
    EXPECT_TRUE(manPage.startsWith(QStringLiteral(".TH VEILPANE-CLI 1 ")));
    EXPECT_TRUE(manPage.section(QLatin1Char('\n'), 0, 0)
                    .contains(QLatin1Char('"') + ProductLine() + QLatin1Char('"')));
}

TEST(CliApp, HelpVersionAndUsageErrors) {
    CCapture help;
    EXPECT_EQ(help.Run({QStringLiteral("--help")}), cli::ExitOk);
    EXPECT_TRUE(help.OutText.startsWith(QStringLiteral("Usage: veilpane-cli")));

    CCapture version;
    EXPECT_EQ(version.Run({QStringLiteral("--version")}), cli::ExitOk);
    EXPECT_EQ(version.OutText, QStringLiteral("Veilpane v1.1b\n"));

    CCapture none;
    EXPECT_EQ(none.Run({}), cli::ExitUsage);
    EXPECT_TRUE(none.OutText.isEmpty());
    EXPECT_FALSE(none.ErrText.isEmpty());

    CCapture unknown;
    EXPECT_EQ(unknown.Run({QStringLiteral("frobnicate")}), cli::ExitUsage);
    EXPECT_TRUE(unknown.ErrText.contains(QStringLiteral("unknown command 'frobnicate'")));
}

// The spellings and orders a general option parser would read differently from this program.
TEST(CliApp, ArgumentsKeepTheirReading) {
    const struct {
        QStringList Args;
        const char* Error;
    } cases[] = {
        {{"encrypt", "--use=2", "f"}, "unknown option '--use=2'"},
        {{"encrypt", "-p=x", "f"}, "unknown option '-p=x'"},
        {{"encrypt", "-password", "x", "f"}, "unknown option '-password'"},
        {{"encrypt", "--p", "x", "f"}, "unknown option '--p'"},
        {{"encrypt", "-pfoo", "f"}, "unknown option '-pfoo'"},
        {{"encrypt", "-p", "--", "f"}, "option '-p' needs a value"},
        {{"decrypt", "--bogus", "-p"}, "option '-p' needs a value"},
        {{"decrypt", "--use", "9", "-p"}, "--use takes a password number from 1 to 5, not '9'"},
        {{"message-encrypt", "--", "a", "-p", "x"}, "give the text as one argument (quote it)"},
        {{"encrypt-folder", "-p", "--yes", "dir"}, "name exactly one folder"},
        {{"encrypt-folder", "--yes=1", "dir"}, "unknown option '--yes=1'"},
        {{"detect", "--", "-p"}, "option '-p' needs a value"},
        {{"detect", "a", "--"}, "unknown option '--'"},
        {{"info", "a", "--x", "b"}, "unknown option '--x'"},
        {{"info", "a", "b", "--x"}, "one image only ('b' is extra)"},
        {{"info", "", "a", "b"}, "one image only ('b' is extra)"},
        {{"extract", "img", "-d", "-p", "x"}, "option '-d' needs a value"},
        {{"extract", "img", "--print=1"}, "unknown option '--print=1'"},
        {{"hide", "c", "--file", "-p", "x"}, "option '--file' needs a value"},
        {{"hide", "c", "-o", "o.png", "--output"}, "option '--output' needs a value"},
    };
    for (const auto& c : cases) {
        CCapture run;
        EXPECT_EQ(run.Run(c.Args), cli::ExitUsage) << c.Args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(run.ErrText,
                  QStringLiteral("veilpane-cli %1: %2\nRun 'veilpane-cli %1 --help' for usage.\n")
                      .arg(c.Args.first(), QString::fromUtf8(c.Error)));
        EXPECT_TRUE(run.OutText.isEmpty());
    }
}

TEST(CliApp, TheProgramItself) {
    // The version the About box shows, word for word.
    const auto version = test::RunProgram(QStringLiteral(VEILPANE_CLI_PATH), {QStringLiteral("--version")});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out, "Veilpane v1.1b\n");
    EXPECT_EQ(QString::fromUtf8(version.Out), ProductLine() + QLatin1Char('\n'));
    const auto bad = test::RunProgram(QStringLiteral(VEILPANE_CLI_PATH), {QStringLiteral("--bogus")});
    EXPECT_EQ(bad.ExitCode, 2);
    EXPECT_TRUE(bad.Out.isEmpty());
}

// Whatever a command prints reaches the terminal through one filter: no control sequence from a name
// survives, whichever line carries it; tab and line feed, which the output is built from, pass.
TEST(CliApp, TextFromOutsideCannotSteerTheTerminal) {
    const struct {
        QString Written, Shown;
    } cases[] = {
        {QStringLiteral("a\x1b]0;owned\x07z"), QStringLiteral("a?]0;owned?z")},           // window title
        {QStringLiteral("\x1b[2J\x1b[Hz"), QStringLiteral("?[2J?[Hz")},                   // clear screen
        {QString(QChar(0x9B)) + QStringLiteral("2Jz"), QStringLiteral("?2Jz")},           // C1 CSI
        {QString(QChar(0x9D)) + QStringLiteral("0;t"), QStringLiteral("?0;t")},           // C1 OSC
        {QStringLiteral("ok\rforged"), QStringLiteral("ok?forged")},                      // line overwritten
        {QStringLiteral("del\x7f\x08x"), QStringLiteral("del??x")},                       // DEL, backspace
        {QString(QChar(0x202E)) + QStringLiteral("gpj.exe"), QStringLiteral("?gpj.exe")}, // reversal
        {QStringLiteral("line\r\nnext\tcol"), QStringLiteral("line\r\nnext\tcol")},       // own line ends
    };
    for (const auto& c : cases) {
        CCapture capture;
        EXPECT_EQ(capture.Run({c.Written}), cli::ExitUsage);
        EXPECT_EQ(
            capture.ErrText,
            QStringLiteral("veilpane-cli: unknown command '%1'. Run 'veilpane-cli --help' for the list.\n")
                .arg(c.Shown))
            << c.Shown.toStdString();
    }
}
