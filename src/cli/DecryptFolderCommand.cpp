#include "cli/CliSupport.h"
#include "cli/CryptoCommand.h"
#include "cli/CryptoCommands.h"
#include "crypto/FolderRun.h"

namespace veilpane::cli {

namespace {

class CDecryptFolderCommand : public CCryptoCommand {
public:
    QString Name() const override { return QStringLiteral("decrypt-folder"); }
    QString Summary() const override { return QStringLiteral("decrypt every .cry file of a folder"); }

protected:
    QString HelpIntro() const override {
        return QStringLiteral(
            "Usage: veilpane-cli decrypt-folder DIR [--overwrite | --keep-both] [password options]\n\n"
            "Decrypts every .cry file of DIR (not recursive) with the first password of the set\n"
            "that opens it and removes the .cry files. Files no password opens stay as they are;\n"
            "so does a .cry file that more than one password fits, or one written to during the\n"
            "run. Only one run at a time works on a folder.\n\n");
    }
    COperandCount Operands() const override { return {1, 1, "name exactly one folder"}; }
    bool WritesFiles() const override { return true; }

    int RunOne(const QString& folder, CCliStreams& io) override {
        auto planned = PlanFolderDecryption(folder, Set());
        if (!planned.Ok()) {
            PrintMessage(io, *planned.Message);
            return ExitFailure;
        }
        CFolderPlan& plan = planned.Value;
        if (!Decide(plan, io)) {
            return ExitFailure;
        }
        const CFolderRunResult result =
            RunFolder(io, QStringLiteral("Decrypting"),
                      [&plan](const CFolderRunHooks& hooks) { return DecryptFolder(plan, hooks); });
        return result.Outcome == Outcome::Done ? ExitOk : ExitFailure;
    }
};

} // namespace

std::unique_ptr<CCliCommand> MakeDecryptFolderCommand() {
    return std::make_unique<CDecryptFolderCommand>();
}

} // namespace veilpane::cli
