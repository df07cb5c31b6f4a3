#include "cli/CliSupport.h"
#include "cli/CryptoCommands.h"
#include "crypto/MessageBlock.h"

namespace veilpane::cli {

namespace {

class CMessageDecryptCommand : public CCliCommand {
public:
    QString Name() const override { return QStringLiteral("message-decrypt"); }
    QString Summary() const override { return QStringLiteral("decrypt a hexadecimal message block"); }
    QString Help() const override {
        return QStringLiteral(
                   "Usage: veilpane-cli message-decrypt [BLOCK] [password options]\n\n"
                   "Decrypts BLOCK, or standard input, trying the passwords of the set in order. Characters\n"
                   "that are not hexadecimal digits (spaces, line breaks) are ignored. Writes the time "
                   "line,\n"
                   "CR LF and the text on standard output, followed by a line end.\n\n") +
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
            return UsageError(io, Name(), QStringLiteral("give the block as one argument (quote it)"));
        }
        const QByteArray block = operands.isEmpty() ? ReadAllInput(io) : operands.first().toUtf8();
        const CMessageResult result = DecryptMessageCommand(block, passwords.Set());
        if (result.Refusal) {
            PrintMessage(io, *result.Refusal);
            return ExitFailure;
        }
        if (!result.Ok) {
            PrintError(io, QString::fromUtf8(result.Output));
            return ExitFailure;
        }
        io.Out << QString::fromUtf8(result.Output) << '\n';
        return ExitOk;
    }
};

} // namespace

std::unique_ptr<CCliCommand> MakeMessageDecryptCommand() {
    return std::make_unique<CMessageDecryptCommand>();
}

} // namespace veilpane::cli
