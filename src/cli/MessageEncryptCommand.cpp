#include "cli/CliSupport.h"
#include "cli/CryptoCommands.h"
#include "crypto/MessageBlock.h"

namespace veilpane::cli {

namespace {

class CMessageEncryptCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("message-encrypt"); }
    QString Summary() const override {
        return QStringLiteral("encrypt a text message into a hexadecimal block");
    }
    QString Help() const override {
        return QStringLiteral(
                   "Usage: veilpane-cli message-encrypt [TEXT] [password options]\n\n"
                   "Encrypts TEXT, or standard input without its final line end, with the selected\n"
                   "password, after a line with the current local time. Writes the upper-case\n"
                   "hexadecimal block on standard output.\n\n") +
               CPasswordOptions::HelpText();
    }

    int Run(const QStringList& arguments, CCliStreams& io) override {
        QStringList operands = arguments;
        CPasswordOptions passwords;
        QString error;
        if (!TakeOperands(operands, passwords, &error)) {
            return UsageError(io, Name(), error);
        }
        if (operands.size() > 1) {
            return UsageError(io, Name(), QStringLiteral("give the text as one argument (quote it)"));
        }
        const QByteArray text = operands.isEmpty() ? ReadAllInput(io) : operands.first().toUtf8();
        const CMessageResult result = EncryptMessageCommand(text, passwords.Set());
        if (result.Refusal) {
            PrintMessage(io, *result.Refusal);
            return ExitFailure;
        }
        if (!result.Ok) {
            PrintError(io, QStringLiteral("the message could not be encrypted"));
            return ExitFailure;
        }
        io.Out << QString::fromLatin1(result.Output) << '\n';
        return ExitOk;
    }
};

} // namespace

std::unique_ptr<CCliCommand> MakeMessageEncryptCommand() {
    return std::make_unique<CMessageEncryptCommand>();
}

} // namespace veilpane::cli
