#include "cli/CliApp.h"
#include "crypto/CipherProfile.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Veilpane"));
    QCoreApplication::setApplicationName(QStringLiteral("Veilpane"));

    // Standard output carries results; the cipher library's failure texts would only clutter it.
    veilpane::SetCipherLogStream(nullptr);
    // Nor do the image decoders' remarks on files they read anyway ("known incorrect sRGB profile" of many
    // a real photo): what cannot be read is reported by the command itself. QT_LOGGING_RULES still wins.
    QLoggingCategory::setFilterRules(
        QStringLiteral("qt.gui.imageio.warning=false\nqt.gui.imageio.info=false"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    veilpane::cli::CCliStreams io{
        out, err, in, isatty(STDERR_FILENO) != 0, isatty(STDIN_FILENO) != 0, isatty(STDOUT_FILENO) != 0};
    return veilpane::cli::RunCli(QCoreApplication::arguments().mid(1), io);
}
