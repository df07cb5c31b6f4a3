#include "cli/CliSupport.h"
#include "cli/CryptoCommands.h"
#include "crypto/FolderRun.h"

namespace veilpane::cli {

namespace {

class CEncryptFolderCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("encrypt-folder"); }
    QString Summary() const override {
        return QStringLiteral("encrypt every file of a folder (not recursive)");
    }
    QString Help() const override {
        return QStringLiteral(
                   "Usage: veilpane-cli encrypt-folder DIR [--yes] [password options]\n\n"
                   "Encrypts every file of DIR with the selected password into <name in lower case>.cry\n"
                   "and removes the plain files. Subfolders, names beginning with \".\" and files with\n"
                   "\".cry\" anywhere in their path are left alone. Asks for confirmation first.\n\n"
                   "  --yes    do not ask\n\n") +
               CPasswordOptions::HelpText();
    }

    int Run(const QStringList& arguments, CCliStreams& io) override {
        QStringList operands = arguments;
        const bool yes =
            TakeFlag(operands, QStringLiteral("--yes")) | TakeFlag(operands, QStringLiteral("-y"));
        CPasswordOptions passwords;
        QString error;
        if (!TakeOperands(operands, passwords, &error)) {
            return UsageError(io, Name(), error);
        }
        if (operands.size() != 1) {
            return UsageError(io, Name(), QStringLiteral("name exactly one folder"));
        }
        auto planned = PlanFolderEncryption(operands.first(), passwords.Set());
        if (const auto* refusal = std::get_if<CUserMessage>(&planned)) {
            PrintMessage(io, *refusal);
            return ExitFailure;
        }
        const CFolderPlan& plan = std::get<CFolderPlan>(planned);
        if (!yes && !Confirm(io, FolderEncryptionQuestion(plan).Text)) {
            PrintError(io, QStringLiteral("not confirmed; nothing was changed"));
            return ExitFailure;
        }
        CInterruptGuard interrupt;
        CFolderRunResult result;
        {
            CProgressLine progress(io, QStringLiteral("Encrypting"));
            CFolderRunHooks hooks;
            hooks.Progress = [&progress](const CFolderProgress& p) {
                progress.Show(p.FilesDone, p.FilesTotal, p.BytesDone, p.BytesTotal);
            };
            hooks.Cancelled = &CInterruptGuard::Interrupted;
            hooks.FileFailed = [&io](const QString& path, const QString& text) {
                PrintError(io, QStringLiteral("%1: %2").arg(path, text));
            };
            result = EncryptFolder(plan, hooks);
        }
        io.Out << result.StatusText << '\n';
        if (result.Cancelled) {
            PrintError(io, QStringLiteral("interrupted; %1 files were not visited").arg(result.NotVisited));
        }
        return result.Failed == 0 && !result.Cancelled ? ExitOk : ExitFailure;
    }
};

} // namespace

std::unique_ptr<CCliCommand> MakeEncryptFolderCommand() {
    return std::make_unique<CEncryptFolderCommand>();
}

} // namespace veilpane::cli
