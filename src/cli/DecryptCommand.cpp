#include "cli/CliSupport.h"
#include "cli/CryptoCommands.h"
#include "crypto/CryFile.h"

#include <QFileInfo>

namespace veilpane::cli {

namespace {

class CDecryptCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("decrypt"); }
    QString Summary() const override { return QStringLiteral("decrypt .cry files (the .cry files removed)"); }
    QString Help() const override {
        return QStringLiteral(
                   "Usage: veilpane-cli decrypt FILE.cry... [password options]\n\n"
                   "Decrypts each file with the first password of the set that opens it, writes the plain\n"
                   "file under the name without its last four characters and removes the .cry file.\n"
                   "When more than one password fits a file, the .cry file is kept and the exit status is "
                   "1.\n\n") +
               CPasswordOptions::HelpText();
    }

    int Run(const QStringList& arguments, CCliStreams& io) override {
        QStringList files = arguments;
        CPasswordOptions passwords;
        QString error;
        if (!TakeOperands(files, passwords, &error)) {
            return UsageError(io, Name(), error);
        }
        if (files.isEmpty()) {
            return UsageError(io, Name(), QStringLiteral("name at least one file to decrypt"));
        }
        if (const auto refusal = CheckDefinedPasswords(passwords.Set())) {
            PrintMessage(io, CUserMessage::AppBox(*refusal));
            return ExitFailure;
        }
        int status = ExitOk;
        for (const QString& file : files) {
            if (!QFileInfo::exists(file)) {
                PrintError(io, QStringLiteral("%1: no such file").arg(file));
                status = ExitFailure;
                continue;
            }
            const CFileCommandResult result = DecryptFileCommand(file, passwords.Set());
            if (result.Message) {
                PrintError(io, QStringLiteral("%1: %2").arg(file, result.Message->Text));
                status = ExitFailure;
            } else if (result.StatusText == FileDecryptedStatus()) {
                io.Out << result.StatusText << '\n';
            } else {
                // Wrong password, or decrypted with the .cry file kept: either way not a plain success.
                PrintError(io, QStringLiteral("%1: %2").arg(file, result.StatusText));
                status = ExitFailure;
            }
        }
        return status;
    }
};

} // namespace

std::unique_ptr<CCliCommand> MakeDecryptCommand() {
    return std::make_unique<CDecryptCommand>();
}

} // namespace veilpane::cli
