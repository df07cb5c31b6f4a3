#pragma once

#include "crypto/KeyDerivation.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <memory>

namespace CryptoPP {
class StreamTransformation;
}

namespace veilpane {

// AES-256 in CBC mode with PKCS #7 padding. One object carries its CBC chaining value from one message to
// the next, exactly as the payload format relies on (the header is chained after the data block); a new
// object starts again from the derived IV.
class CCipher {
public:
    enum class Direction { Encrypt, Decrypt };

    CCipher(Direction direction, const CKeyMaterial& material);
    ~CCipher();
    CCipher(CCipher&&) noexcept;
    CCipher& operator=(CCipher&&) noexcept;

    // Pushes one whole message through a StreamTransformationFilter with PKCS_PADDING. On failure (bad
    // padding, a length that is not a multiple of 16) returns false and leaves the library's text in
    // *error; the text is for logs only, never for the user.
    [[nodiscard]] bool Process(const QByteArray& input, QByteArray& output, QString* error = nullptr);

    // The underlying mode object, for streaming pipelines (file to file) inside the crypto library.
    CryptoPP::StreamTransformation& Mode();

    static CCipher Encryptor(const CKeyMaterial& material) { return CCipher(Direction::Encrypt, material); }
    static CCipher Decryptor(const CKeyMaterial& material) { return CCipher(Direction::Decrypt, material); }

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The length PKCS #7 padding gives n plain bytes: 16 x (floor(n / 16) + 1).
constexpr qint64 EncryptedLength(qint64 plainLength) {
    return 16 * (plainLength / 16 + 1);
}

// Writes a cipher library failure to the diagnostic stream: standard output by default, where the desktop
// program sends the library's texts (never to the user). The terminal program keeps its standard output for
// results and points the stream elsewhere, or to nullptr for silence.
void LogCipherFailure(const QString& text);
void SetCipherLogStream(std::FILE* stream);

} // namespace veilpane
