#include "cli/CliSupport.h"
#include "cli/CryptoCommand.h"
#include "cli/CryptoCommands.h"
#include "crypto/CryFile.h"

namespace veilpane::cli {

namespace {

class CDecryptCommand : public CCryptoCommand {
public:
    QString Name() const override { return QStringLiteral("decrypt"); }
    QString Summary() const override { return QStringLiteral("decrypt .cry files (the .cry files removed)"); }

protected:
    QString HelpIntro() const override {
        return QStringLiteral(
            "Usage: veilpane-cli decrypt FILE.cry... [--overwrite | --keep-both] [password options]\n\n"
            "Decrypts each file with the first password of the set that opens it, writes the plain\n"
            "file under the name without its last four characters and removes the .cry file.\n"
            "When more than one password fits a file, the .cry file is kept and the exit status is "
            "1.\n\n");
    }
    COperandCount Operands() const override {
        return {1, std::numeric_limits<qsizetype>::max(), "name at least one file to decrypt"};
    }
    bool WritesFiles() const override { return true; }
    std::optional<QString> PasswordRefusal(const CPasswordSet& set) const override {
        return CheckDefinedPasswords(set);
    }

    int RunOne(const QString& file, CCliStreams& io) override {
        if (!FileExists(file, io) || !MayWrite(DecryptedPathOf(file), io)) {
            return ExitFailure;
        }
        const CResult<> result = DecryptFileCommand(file, Set(), Existing());
        if (result.Message) {
            PrintError(io, QStringLiteral("%1: %2").arg(file, result.Message->Text));
            return ExitFailure;
        }
        if (!DecryptedCleanly(result)) {
            // Wrong password, or decrypted with the .cry file kept: either way not a plain success.
            PrintError(io, QStringLiteral("%1: %2").arg(file, result.StatusText));
            return ExitFailure;
        }
        io.Out << result.StatusText << '\n';
        return ExitOk;
    }
};

} // namespace

std::unique_ptr<CCliCommand> MakeDecryptCommand() {
    return std::make_unique<CDecryptCommand>();
}

} // namespace veilpane::cli
