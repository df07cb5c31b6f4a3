#include "cli/CliApp.h"

#include "cli/AnalyzeCommand.h"
#include "cli/CryptoCommands.h"
#include "cli/DetectCommand.h"
#include "cli/EditCommand.h"
#include "cli/ExtractCommand.h"
#include "cli/HideCommand.h"
#include "cli/InfoCommand.h"
#include "cli/SuggestCoverCommand.h"
#include "platform/ProductLine.h"

namespace veilpane::cli {

std::vector<std::unique_ptr<CCliCommand>> AllCommands() {
    std::vector<std::unique_ptr<CCliCommand>> commands;
    // Commands register here, in the order the help lists them.
    commands.push_back(std::make_unique<CHideCommand>());
    commands.push_back(std::make_unique<CDetectCommand>());
    commands.push_back(std::make_unique<CExtractCommand>());
    commands.push_back(std::make_unique<CInfoCommand>());
    commands.push_back(std::make_unique<CAnalyzeCommand>());
    commands.push_back(std::make_unique<CSuggestCoverCommand>());
    commands.push_back(std::make_unique<CEditCommand>());
    commands.push_back(MakeEncryptCommand());
    commands.push_back(MakeDecryptCommand());
    commands.push_back(MakeEncryptFolderCommand());
    commands.push_back(MakeDecryptFolderCommand());
    commands.push_back(MakeMessageEncryptCommand());
    commands.push_back(MakeMessageDecryptCommand());
    return commands;
}

QString VersionText() {
    return ProductLine();
}

namespace {

QString GeneralHelp(const std::vector<std::unique_ptr<CCliCommand>>& commands) {
    QString text = QStringLiteral("Usage: veilpane-cli COMMAND [ARGUMENTS]\n"
                                  "       veilpane-cli COMMAND --help\n"
                                  "       veilpane-cli --help | --version\n\n"
                                  "Hides files and messages inside images and encrypts files, folders and "
                                  "messages with passwords.\n");
    if (!commands.empty()) {
        text += QStringLiteral("\nCommands:\n");
        for (const auto& command : commands) {
            text += QStringLiteral("  %1%2\n").arg(command->Name(), -18).arg(command->Summary());
        }
    }
    return text;
}

} // namespace

int RunCli(const QStringList& args, CCliStreams& io) {
    const auto commands = AllCommands();
    if (args.isEmpty()) {
        io.Err << GeneralHelp(commands);
        io.Err.flush();
        return ExitUsage;
    }
    const QString& first = args.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        io.Out << GeneralHelp(commands);
        io.Out.flush();
        return ExitOk;
    }
    if (first == QLatin1String("--version") || first == QLatin1String("-V")) {
        io.Out << VersionText() << '\n';
        io.Out.flush();
        return ExitOk;
    }
    for (const auto& command : commands) {
        if (command->Name() == first) {
            const QStringList rest = args.mid(1);
            if (rest.contains(QLatin1String("--help")) || rest.contains(QLatin1String("-h"))) {
                io.Out << command->Help();
                io.Out.flush();
                return ExitOk;
            }
            const int status = command->Run(rest, io);
            io.Out.flush();
            io.Err.flush();
            return status;
        }
    }
    io.Err << QStringLiteral("veilpane-cli: unknown command '%1'. Run 'veilpane-cli --help' for the list.\n")
                  .arg(first);
    io.Err.flush();
    return ExitUsage;
}

} // namespace veilpane::cli
