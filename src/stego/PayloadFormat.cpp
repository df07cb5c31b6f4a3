#include "stego/PayloadFormat.h"

#include "crypto/CipherProfile.h"
#include "crypto/RandomText.h"

#include <array>

namespace veilpane {

QByteArray FormatHideMoment(const QDateTime& moment) {
    return moment.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH'h':mm'm':ss's'")).toLatin1();
}

std::optional<QByteArray> BuildPlainHeader(const QByteArray& name, std::int64_t encryptedDataLength,
                                           const QByteArray& moment) {
    if (name.isEmpty() || name.size() > MaxPayloadNameLength || name.contains('\0') ||
        encryptedDataLength < 0 || encryptedDataLength > MaxEncryptedDataLength ||
        moment.size() != MomentLength) {
        return std::nullopt;
    }
    QByteArray header;
    header.reserve(PlainHeaderLength);
    header += MakeRandomText(HeaderFillerLength);
    header += PassPhrase;
    header += moment;
    header += QByteArray::number(name.size()).rightJustified(2, '0');
    header += QByteArray::number(encryptedDataLength).rightJustified(7, '0');
    header += name;
    header += MakeRandomText(NameAreaLength - static_cast<int>(name.size()));
    Q_ASSERT(header.size() == PlainHeaderLength);
    return header;
}

namespace {

// atoi-like: the value of the leading decimal digits, 0 when there are none.
std::int64_t LeadingNumber(const char* text, int length) {
    std::int64_t value = 0;
    for (int i = 0; i < length && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

HiddenKind KindOfHeaderBody(const QByteArray& body) {
    QByteArray lower = body;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    if (lower.contains(".txt")) {
        return HiddenMessage;
    }
    static constexpr std::array<const char*, 10> imageExtensions = {".jpg", ".jpeg", ".png", ".bmp", ".gif",
                                                                    ".tif", ".tiff", ".emf", ".wmf", ".ico"};
    for (const char* extension : imageExtensions) {
        if (lower.contains(extension)) {
            return HiddenImage;
        }
    }
    return HiddenFile;
}

std::optional<CPayloadHeader> ParsePlainHeader(const QByteArray& plain) {
    if (plain.size() != PlainHeaderLength ||
        plain.mid(PassPhraseOffset, PassPhraseLength) != QByteArrayView(PassPhrase)) {
        return std::nullopt;
    }
    const QByteArray body = plain.mid(PassPhraseOffset);
    CPayloadHeader header;
    header.Kind = KindOfHeaderBody(body);
    header.Moment = body.mid(10, MomentLength);
    header.NameLength = static_cast<int>(LeadingNumber(body.constData() + 32, 2));
    header.DataLength = LeadingNumber(body.constData() + 34, 7);
    // A forged length cannot reach past the name area.
    header.Name = body.mid(41, std::min(header.NameLength, NameAreaLength));
    return header;
}

std::uint32_t ComputeStegoSeed(const QByteArray& password) {
    const QByteArray digest = Sha256Digest(PasswordBytes(password));
    const auto byte = [&digest](int i) {
        return static_cast<std::uint8_t>(digest[i]) + 1u;
    };
    return byte(0) * byte(1) * byte(2);
}

bool IsValidPayloadName(const QByteArray& name) {
    return !name.isEmpty() && name.size() <= MaxPayloadNameLength && !name.contains('\0');
}

bool PayloadDataFits(std::int64_t contentLength) {
    return EncryptedLength(DataPrefixLength + contentLength) <= MaxEncryptedDataLength;
}

CResult<CEncryptedPayload> EncryptPayload(const QByteArray& content, const QByteArray& name,
                                          const CKeyMaterial& material, const QByteArray& moment) {
    using CPayloadResult = CResult<CEncryptedPayload>;
    const auto refused = [](const QString& why) {
        CPayloadResult result = CPayloadResult::Refused();
        result.Detail = why;
        return result;
    };
    if (!IsValidPayloadName(name)) {
        return refused(QStringLiteral("The hidden name is empty, longer than 80 bytes or holds a NUL."));
    }
    if (!PayloadDataFits(content.size())) {
        return refused(QStringLiteral("The data block does not fit the header's seven digits."));
    }
    if (moment.size() != MomentLength) {
        return refused(QStringLiteral("The moment of hiding is not 22 characters."));
    }
    CEncryptedPayload payload;
    CCipher encryptor = CCipher::Encryptor(material);
    if (!encryptor.Process(MakeRandomText(DataPrefixLength) + content, payload.Data)) {
        return CPayloadResult::Failed(std::nullopt, QStringLiteral("The data block could not be encrypted."));
    }
    const std::optional<QByteArray> header = BuildPlainHeader(name, payload.Data.size(), moment);
    if (!header) {
        return refused(QStringLiteral("The header could not be built."));
    }
    // The same encryptor: the header's chain continues from the data block's last ciphertext block.
    if (!encryptor.Process(*header, payload.Header)) {
        return CPayloadResult::Failed(std::nullopt, QStringLiteral("The header could not be encrypted."));
    }
    Q_ASSERT(payload.Header.size() == EncryptedHeaderLength);
    return CPayloadResult::Done(std::move(payload));
}

std::optional<CPayloadHeader> DecryptPayloadHeader(const QByteArray& encryptedHeader,
                                                   const CKeyMaterial& material) {
    QByteArray plain;
    CCipher decryptor = CCipher::Decryptor(material);
    if (!decryptor.Process(encryptedHeader, plain)) {
        return std::nullopt;
    }
    return ParsePlainHeader(plain);
}

std::optional<QByteArray> DecryptPayloadData(const QByteArray& encryptedData, const CKeyMaterial& material) {
    QByteArray plain;
    CCipher decryptor = CCipher::Decryptor(material);
    if (!decryptor.Process(encryptedData, plain)) {
        return std::nullopt;
    }
    return plain.mid(DataPrefixLength);
}

} // namespace veilpane
