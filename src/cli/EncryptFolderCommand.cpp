#include "cli/CliSupport.h"
#include "cli/CryptoCommand.h"
#include "cli/CryptoCommands.h"
#include "cli/PasswordOptions.h"
#include "crypto/FolderRun.h"

namespace veilpane::cli {

namespace {

class CEncryptFolderCommand : public CCryptoCommand {
public:
    QString Name() const override { return QStringLiteral("encrypt-folder"); }
    QString Summary() const override {
        return QStringLiteral("encrypt every file of a folder (not recursive)");
    }

protected:
    QString HelpIntro() const override {
        return QStringLiteral(
            "Usage: veilpane-cli encrypt-folder DIR [--yes] [--overwrite | --keep-both] [password "
            "options]\n\n"
            "Encrypts every file of DIR with the selected password into NAME.cry (the file's own\n"
            "name, letter case kept) and removes the plain files. Subfolders, names beginning\n"
            "with \".\" and files with \".cry\" anywhere in their path are left alone. A file written\n"
            "to during the run is kept beside its .cry file; names that are not valid UTF-8 are\n"
            "not encrypted; a file with other hard links is encrypted, but its plain content stays\n"
            "readable through them. Each such file is reported and the exit status is 1. Only one\n"
            "run at a time works on a folder. Asks for confirmation first.\n\n"
            "  --yes    do not ask\n\n");
    }
    COperandCount Operands() const override { return {1, 1, "name exactly one folder"}; }
    QStringList FlagNames() const override { return {QStringLiteral("yes"), QStringLiteral("y")}; }
    bool WritesFiles() const override { return true; }
    std::optional<QString> PasswordRefusal(const CPasswordSet& set) const override {
        return CheckEncryptionPasswords(set);
    }

    int RunOne(const QString& folder, CCliStreams& io) override {
        auto planned = PlanFolderEncryption(folder, Set());
        if (!planned.Ok()) {
            PrintMessage(io, *planned.Message);
            return ExitFailure;
        }
        CFolderPlan& plan = planned.Value;
        if (!Decide(plan, io)) {
            return ExitFailure;
        }
        if (!FlagGiven() && !Confirm(io, FolderEncryptionQuestion(plan).Text)) {
            PrintError(io, QStringLiteral("not confirmed; nothing was changed"));
            return ExitFailure;
        }
        const CFolderRunResult result =
            RunFolder(io, QStringLiteral("Encrypting"),
                      [&plan](const CFolderRunHooks& hooks) { return EncryptFolder(plan, hooks); });
        return result.Outcome == Outcome::Done ? ExitOk : ExitFailure;
    }
};

} // namespace

std::unique_ptr<CCliCommand> MakeEncryptFolderCommand() {
    return std::make_unique<CEncryptFolderCommand>();
}

} // namespace veilpane::cli
