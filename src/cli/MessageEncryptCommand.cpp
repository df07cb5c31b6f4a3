#include "cli/CliSupport.h"
#include "cli/CryptoCommand.h"
#include "cli/CryptoCommands.h"
#include "cli/PasswordOptions.h"
#include "crypto/MessageBlock.h"

namespace veilpane::cli {

namespace {

class CMessageEncryptCommand : public CCryptoCommand {
public:
    QString Name() const override { return QStringLiteral("message-encrypt"); }
    QString Summary() const override {
        return QStringLiteral("encrypt a text message into a hexadecimal block");
    }

protected:
    QString HelpIntro() const override {
        return QStringLiteral(
            "Usage: veilpane-cli message-encrypt [TEXT] [password options]\n\n"
            "Encrypts TEXT, or standard input without its final line end, with the selected\n"
            "password, after a line with the current local time. Writes the upper-case\n"
            "hexadecimal block on standard output. A text of more than 1048576 bytes is refused.\n\n");
    }
    COperandCount Operands() const override { return {0, 1, "give the text as one argument (quote it)"}; }
    std::optional<QString> PasswordRefusal(const CPasswordSet& set) const override {
        return CheckEncryptionPasswords(set);
    }

    qint64 InputLimit() const override { return MaxMessageTextLength; }
    QString InputTooLongMessage() const override { return MessageTooLongMessage(); }

    int RunOne(const QString& text, CCliStreams& io) override {
        const CMessageResult result = EncryptMessageCommand(text.toUtf8(), Set());
        return MessageOutcome(result, QStringLiteral("the message could not be encrypted"),
                              QString::fromLatin1(result.Value.Output), io);
    }
};

} // namespace

std::unique_ptr<CCliCommand> MakeMessageEncryptCommand() {
    return std::make_unique<CMessageEncryptCommand>();
}

} // namespace veilpane::cli
