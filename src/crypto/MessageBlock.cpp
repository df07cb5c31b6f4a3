#include "crypto/MessageBlock.h"

#include "crypto/CipherProfile.h"
#include "crypto/KeyDerivation.h"
#include "crypto/RandomText.h"

#include <cryptopp/filters.h>
#include <cryptopp/hex.h>

#include <QRegularExpression>

namespace veilpane {

namespace {

constexpr int RandomPrefixLength = 16;

bool LooksLikeMessage(const std::string& plain) {
    // 16 random characters, then the 22-character time line and CR LF.
    static const QRegularExpression shape(
        QStringLiteral("^[A-Za-z0-9]{16}[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}h:[0-9]{2}m:[0-9]{2}s\\r\\n"));
    if (plain.size() < 16 + 22 + 2) {
        return false;
    }
    return shape.match(QLatin1String(plain.data(), 40)).hasMatch();
}

// Only the digits count: the decoder skips everything else.
bool HasMoreDigitsThan(const QByteArray& block, qsizetype limit) {
    qsizetype digits = 0;
    for (const char c : block) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) {
            if (++digits > limit) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

QByteArray EncryptMessageText(const QByteArray& text, const QByteArray& password) {
    const QByteArray plain = MakeRandomText(RandomPrefixLength) + text;
    const CKeyMaterial material = KeyMaterialFor(password);
    std::string block;
    try {
        CCipher cipher = CCipher::Encryptor(material);
        CryptoPP::StringSource source(reinterpret_cast<const CryptoPP::byte*>(plain.constData()),
                                      static_cast<std::size_t>(plain.size()), true,
                                      new CryptoPP::StreamTransformationFilter(
                                          cipher.Mode(),
                                          new CryptoPP::HexEncoder(new CryptoPP::StringSink(block)),
                                          CryptoPP::BlockPaddingSchemeDef::PKCS_PADDING));
    } catch (const CryptoPP::Exception& e) {
        LogCipherFailure(QString::fromStdString(e.what()));
        return {};
    }
    return QByteArray(block.data(), static_cast<qsizetype>(block.size()));
}

QByteArray DecryptMessageText(const QByteArray& block, const QByteArray& password) {
    const CKeyMaterial material = KeyMaterialFor(password);
    std::string plain;
    try {
        CCipher cipher = CCipher::Decryptor(material);
        CryptoPP::StringSource source(reinterpret_cast<const CryptoPP::byte*>(block.constData()),
                                      static_cast<std::size_t>(block.size()), true,
                                      new CryptoPP::HexDecoder(new CryptoPP::StreamTransformationFilter(
                                          cipher.Mode(), new CryptoPP::StringSink(plain),
                                          CryptoPP::BlockPaddingSchemeDef::PKCS_PADDING)));
    } catch (const CryptoPP::Exception& e) {
        LogCipherFailure(QString::fromStdString(e.what()));
        return {};
    }
    if (!LooksLikeMessage(plain)) {
        return {};
    }
    return QByteArray(plain.data() + RandomPrefixLength,
                      static_cast<qsizetype>(plain.size()) - RandomPrefixLength);
}

QByteArray MessageTimeLine(const QDateTime& localTime) {
    return localTime.toString(QStringLiteral("yyyy-MM-dd HH'h:'mm'm:'ss's'")).toLatin1();
}

QString EmptyMessageToEncryptMessage() {
    return QStringLiteral("Please enter in 'Message input' box the message to encrypt.");
}

QString EmptyBlockToDecryptMessage() {
    return QStringLiteral(
        "Please enter in 'Message input' box the hexadecimal block\nof the message to decrypt.");
}

QString MessageNotDecryptedText() {
    return QStringLiteral("Message NOT decrypted, wrong password.");
}

QString MessageTooLongMessage() {
    return QStringLiteral(
               "The message is too long to encrypt.\nA message block holds at most %1 bytes of text.")
        .arg(MaxMessageTextLength);
}

QString MessageBlockTooLongMessage() {
    return QStringLiteral(
               "The block is too long to be a message block.\nA message block has at most %1 hexadecimal "
               "digits.")
        .arg(MaxMessageBlockDigits);
}

CMessageResult EncryptMessageCommand(const QByteArray& input, const CPasswordSet& set, const QDateTime& now) {
    if (input.isEmpty()) {
        return CMessageResult::Refused(CUserMessage::AppBox(EmptyMessageToEncryptMessage()));
    }
    if (input.size() > MaxMessageTextLength) {
        return CMessageResult::Refused(CUserMessage::AppBox(MessageTooLongMessage()));
    }
    if (const auto refusal = CheckSelectedPassword(set)) {
        return CMessageResult::Refused(CUserMessage::AppBox(*refusal));
    }
    CMessageResult result = CMessageResult::Done(
        {EncryptMessageText(MessageTimeLine(now) + "\r\n" + input, set.SelectedPassword()),
         set.SelectedIndex()});
    if (result.Value.Output.isEmpty()) {
        result.Outcome = Outcome::Failed;
    }
    return result;
}

CMessageResult DecryptMessageCommand(const QByteArray& input, const CPasswordSet& set) {
    if (input.isEmpty()) {
        return CMessageResult::Refused(CUserMessage::AppBox(EmptyBlockToDecryptMessage()));
    }
    if (HasMoreDigitsThan(input, MaxMessageBlockDigits)) {
        return CMessageResult::Refused(CUserMessage::AppBox(MessageBlockTooLongMessage()));
    }
    if (const auto refusal = CheckDefinedPasswords(set)) {
        return CMessageResult::Refused(CUserMessage::AppBox(*refusal));
    }
    for (const auto& [index, password] : set.DecryptionOrder()) {
        QByteArray text = DecryptMessageText(input, password);
        if (!text.isEmpty()) {
            return CMessageResult::Done({std::move(text), index});
        }
    }
    CMessageResult result = CMessageResult::Failed(std::nullopt);
    result.Value.Output = MessageNotDecryptedText().toUtf8();
    return result;
}

} // namespace veilpane
