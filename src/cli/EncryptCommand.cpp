#include "cli/CliSupport.h"
#include "cli/CryptoCommands.h"
#include "crypto/CryFile.h"

#include <QFileInfo>

namespace veilpane::cli {

namespace {

class CEncryptCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("encrypt"); }
    QString Summary() const override {
        return QStringLiteral("encrypt files into FILE.cry (plain files removed)");
    }
    QString Help() const override {
        return QStringLiteral("Usage: veilpane-cli encrypt FILE... [password options]\n\n"
                              "Encrypts each FILE with the selected password into FILE.cry and removes FILE\n"
                              "once FILE.cry is safely written. A FILE.cry already there is replaced.\n\n") +
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
            return UsageError(io, Name(), QStringLiteral("name at least one file to encrypt"));
        }
        if (const auto refusal = CheckSelectedPassword(passwords.Set())) {
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
            const CFileCommandResult result = EncryptFileCommand(file, passwords.Set());
            if (result.Message) {
                PrintError(io, QStringLiteral("%1: %2").arg(file, result.Message->Text));
            }
            if (!result.Ok) {
                status = ExitFailure;
                continue;
            }
            io.Out << result.StatusText << '\n';
        }
        return status;
    }
};

} // namespace

std::unique_ptr<CCliCommand> MakeEncryptCommand() {
    return std::make_unique<CEncryptCommand>();
}

} // namespace veilpane::cli
