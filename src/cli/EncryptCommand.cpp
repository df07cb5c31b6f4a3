#include "cli/CliSupport.h"
#include "cli/CryptoCommand.h"
#include "cli/CryptoCommands.h"
#include "cli/PasswordOptions.h"
#include "crypto/CryFile.h"

namespace veilpane::cli {

namespace {

class CEncryptCommand : public CCryptoCommand {
public:
    QString Name() const override { return QStringLiteral("encrypt"); }
    QString Summary() const override {
        return QStringLiteral("encrypt files into FILE.cry (plain files removed)");
    }

protected:
    QString HelpIntro() const override {
        return QStringLiteral(
            "Usage: veilpane-cli encrypt FILE... [--overwrite | --keep-both] [password options]\n\n"
            "Encrypts each FILE with the selected password into FILE.cry and removes FILE\n"
            "once FILE.cry is safely written. Kept beside an r.txt.cry already there, the new\n"
            "file is named \"r (2).txt.cry\", which still decrypts to a name of its own.\n\n");
    }
    COperandCount Operands() const override {
        return {1, std::numeric_limits<qsizetype>::max(), "name at least one file to encrypt"};
    }
    bool WritesFiles() const override { return true; }
    std::optional<QString> PasswordRefusal(const CPasswordSet& set) const override {
        return CheckEncryptionPasswords(set);
    }

    int RunOne(const QString& file, CCliStreams& io) override {
        if (!FileExists(file, io) || !MayWrite(EncryptedPathOf(file), io)) {
            return ExitFailure;
        }
        const CResult<> result = EncryptFileCommand(file, Set(), Existing());
        if (result.Message) {
            PrintError(io, QStringLiteral("%1: %2").arg(file, result.Message->Text));
        }
        if (!result.Ok()) {
            return ExitFailure;
        }
        io.Out << result.StatusText << '\n';
        // Partial: encrypted, but the file was written to meanwhile and stays beside its .cry file.
        return result.Outcome == Outcome::Done ? ExitOk : ExitFailure;
    }
};

} // namespace

std::unique_ptr<CCliCommand> MakeEncryptCommand() {
    return std::make_unique<CEncryptCommand>();
}

} // namespace veilpane::cli
