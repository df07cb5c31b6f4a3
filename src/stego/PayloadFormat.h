#pragma once

#include "crypto/KeyDerivation.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace veilpane {

// What an image carries, decided from the name in its payload header. Stored per listed image.
enum HiddenKind : std::int32_t {
    HiddenNothing = 10,
    HiddenImage = 20,
    HiddenMessage = 30,
    HiddenFile = 40,
};

inline constexpr char PassPhrase[] = "tamarin382";
inline constexpr int PassPhraseOffset = 16;
inline constexpr int PassPhraseLength = 10;
inline constexpr int PlainHeaderLength = 137;
inline constexpr int EncryptedHeaderLength = 144;
inline constexpr int HeaderFillerLength = 16;
inline constexpr int NameAreaLength = 80; // the name and its filler together
inline constexpr int MaxPayloadNameLength = NameAreaLength;
inline constexpr int DataPrefixLength = 16;
inline constexpr std::uint32_t HeaderPixelCount = EncryptedHeaderLength * 8; // the data block starts here
inline constexpr std::int64_t CapacityOverhead = 194;
inline constexpr std::int64_t MaxEncryptedDataLength = 9'999'999; // seven digits in the header
inline constexpr int MomentLength = 22;

// The header's view of the moment of hiding: "%Y-%m-%d %Hh:%Mm:%Ss" in local time.
QByteArray FormatHideMoment(const QDateTime& moment);

// The 137 plain header bytes: random filler, pass phrase, moment, name length, data length, name, random
// name filler. Returns nullopt when the name is empty or longer than 80 bytes, the data length does not fit
// seven digits, or the moment is not 22 characters: no reader could open such a header.
std::optional<QByteArray> BuildPlainHeader(const QByteArray& name, std::int64_t encryptedDataLength,
                                           const QByteArray& moment);

// A decrypted header that passed the pass-phrase check.
struct CPayloadHeader {
    QByteArray Moment;           // 22 characters
    int NameLength = 0;          // as written in the header
    std::int64_t DataLength = 0; // length of the encrypted data block
    QByteArray Name;             // as stored: not yet reduced to a plain file name
    HiddenKind Kind = HiddenNothing;
};

// Accepts the plain header only when it is exactly 137 bytes with the pass phrase at bytes 16-25. The first
// 16 bytes are never looked at: the chaining of the writer scrambles them on reading.
std::optional<CPayloadHeader> ParsePlainHeader(const QByteArray& plain);

// The kind rule over bytes 16-136, lower-cased: ".txt" anywhere is a message; otherwise any image
// extension anywhere is an image; otherwise a file.
HiddenKind KindOfHeaderBody(const QByteArray& body);

// (d0 + 1)(d1 + 1)(d2 + 1) over the first three bytes of SHA-256(password): 1 to 16 777 216.
std::uint32_t ComputeStegoSeed(const QByteArray& password);

// floor(W x H / 8), the product taken in unsigned 32-bit arithmetic as the format defines it.
constexpr std::uint32_t ImageCapacity(std::uint32_t width, std::uint32_t height) {
    return static_cast<std::uint32_t>(width * height) / 8u;
}

// The two encrypted parts of a payload, in the order they lie in the pixels.
struct CEncryptedPayload {
    QByteArray Header; // 144 bytes
    QByteArray Data;   // 16 x (floor((16 + content) / 16) + 1) bytes
};

// A name the header can carry: 1 to 80 bytes, no NUL.
bool IsValidPayloadName(const QByteArray& name);
// Whether the data block of content of this length fits the header's seven digits.
bool PayloadDataFits(std::int64_t contentLength);

// Encrypts content under name with one encryptor: the data block (random prefix + content) first, then the
// header, chained after it. Refused, before any encryption, for an invalid name, data that does not fit or
// a moment that is not 22 characters; Failed when the cipher fails. Neither carries a message: the detail
// says why, for the log.
CResult<CEncryptedPayload> EncryptPayload(const QByteArray& content, const QByteArray& name,
                                          const CKeyMaterial& material, const QByteArray& moment);

// Decrypts 144 header bytes with a fresh decryptor; nullopt when the password does not open them.
std::optional<CPayloadHeader> DecryptPayloadHeader(const QByteArray& encryptedHeader,
                                                   const CKeyMaterial& material);

// Decrypts a data block with a fresh decryptor and drops its random prefix.
std::optional<QByteArray> DecryptPayloadData(const QByteArray& encryptedData, const CKeyMaterial& material);

} // namespace veilpane
