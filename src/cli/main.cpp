#include "cli/CliApp.h"
#include "crypto/CipherProfile.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Veilpane"));
    QCoreApplication::setApplicationName(QStringLiteral("Veilpane"));

    // Standard output carries results; the cipher library's failure texts would only clutter it.
    veilpane::SetCipherLogStream(nullptr);

    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    veilpane::cli::CCliStreams io{
        out, err, in, isatty(STDERR_FILENO) != 0, isatty(STDIN_FILENO) != 0, isatty(STDOUT_FILENO) != 0};
    return veilpane::cli::RunCli(QCoreApplication::arguments().mid(1), io);
}
