#include "cli/CliSupport.h"
#include "cli/CryptoCommand.h"
#include "cli/CryptoCommands.h"
#include "crypto/MessageBlock.h"

namespace veilpane::cli {

namespace {

class CMessageDecryptCommand : public CCryptoCommand {
public:
    QString Name() const override { return QStringLiteral("message-decrypt"); }
    QString Summary() const override { return QStringLiteral("decrypt a hexadecimal message block"); }

protected:
    QString HelpIntro() const override {
        return QStringLiteral(
            "Usage: veilpane-cli message-decrypt [BLOCK] [password options]\n\n"
            "Decrypts BLOCK, or standard input, trying the passwords of the set in order. Characters\n"
            "that are not hexadecimal digits (spaces, line breaks) are ignored. Writes the time "
            "line,\n"
            "CR LF and the text on standard output, followed by a line end. A block of more than\n"
            "2097248 digits is refused before any password is tried.\n\n");
    }
    COperandCount Operands() const override { return {0, 1, "give the block as one argument (quote it)"}; }

    // Room for a separator after every digit of the longest block.
    qint64 InputLimit() const override { return 2 * MaxMessageBlockDigits; }
    QString InputTooLongMessage() const override { return MessageBlockTooLongMessage(); }

    int RunOne(const QString& block, CCliStreams& io) override {
        const CMessageResult result = DecryptMessageCommand(block.toUtf8(), Set());
        const QString output = QString::fromUtf8(result.Value.Output);
        return MessageOutcome(result, output, output, io);
    }
};

} // namespace

std::unique_ptr<CCliCommand> MakeMessageDecryptCommand() {
    return std::make_unique<CMessageDecryptCommand>();
}

} // namespace veilpane::cli
