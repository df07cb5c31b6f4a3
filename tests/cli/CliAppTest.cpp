#include "cli/CliApp.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

struct CCapture {
    QString OutText, ErrText, InText;
    QTextStream Out{&OutText}, Err{&ErrText}, In{&InText};
    cli::CCliStreams Io{Out, Err, In};
    int Run(const QStringList& args) { return cli::RunCli(args, Io); }
};

} // namespace

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

TEST(CliApp, TheProgramItself) {
    const auto version = test::RunProgram(QStringLiteral(VEILPANE_CLI_PATH), {QStringLiteral("--version")});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_EQ(version.Out, "Veilpane v1.1b\n");
    const auto bad = test::RunProgram(QStringLiteral(VEILPANE_CLI_PATH), {QStringLiteral("--bogus")});
    EXPECT_EQ(bad.ExitCode, 2);
    EXPECT_TRUE(bad.Out.isEmpty());
}
