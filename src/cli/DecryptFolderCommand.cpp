#include "cli/CliSupport.h"
#include "cli/CryptoCommands.h"
#include "crypto/FolderRun.h"

namespace veilpane::cli {

namespace {

class CDecryptFolderCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("decrypt-folder"); }
    QString Summary() const override { return QStringLiteral("decrypt every .cry file of a folder"); }
    QString Help() const override {
        return QStringLiteral(
                   "Usage: veilpane-cli decrypt-folder DIR [password options]\n\n"
                   "Decrypts every .cry file of DIR (not recursive) with the first password of the set\n"
                   "that opens it and removes the .cry files. Files no password opens stay as they are;\n"
                   "so does a .cry file that more than one password fits.\n\n") +
               CPasswordOptions::HelpText();
    }

    int Run(const QStringList& arguments, CCliStreams& io) override {
        QStringList operands = arguments;
        CPasswordOptions passwords;
        QString error;
        if (!TakeOperands(operands, passwords, &error)) {
            return UsageError(io, Name(), error);
        }
        if (operands.size() != 1) {
            return UsageError(io, Name(), QStringLiteral("name exactly one folder"));
        }
        auto planned = PlanFolderDecryption(operands.first(), passwords.Set());
        if (const auto* refusal = std::get_if<CUserMessage>(&planned)) {
            PrintMessage(io, *refusal);
            return ExitFailure;
        }
        const CFolderPlan& plan = std::get<CFolderPlan>(planned);
        CInterruptGuard interrupt;
        CFolderRunResult result;
        {
            CProgressLine progress(io, QStringLiteral("Decrypting"));
            CFolderRunHooks hooks;
            hooks.Progress = [&progress](const CFolderProgress& p) {
                progress.Show(p.FilesDone, p.FilesTotal, p.BytesDone, p.BytesTotal);
            };
            hooks.Cancelled = &CInterruptGuard::Interrupted;
            hooks.FileFailed = [&io](const QString& path, const QString& text) {
                PrintError(io, QStringLiteral("%1: %2").arg(path, text));
            };
            result = DecryptFolder(plan, hooks);
        }
        io.Out << result.StatusText << '\n';
        if (result.Cancelled) {
            PrintError(io, QStringLiteral("interrupted; %1 files were not visited").arg(result.NotVisited));
        }
        return result.Failed == 0 && result.Kept == 0 && !result.Cancelled ? ExitOk : ExitFailure;
    }
};

} // namespace

std::unique_ptr<CCliCommand> MakeDecryptFolderCommand() {
    return std::make_unique<CDecryptFolderCommand>();
}

} // namespace veilpane::cli
