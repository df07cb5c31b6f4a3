#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

#include <cryptopp/secblock.h>

namespace veilpane {

inline constexpr std::size_t KeyLength = 32;
inline constexpr std::size_t IvLength = 16;
inline constexpr std::size_t DerivedBlockLength = 64;
inline constexpr unsigned int DerivationIterations = 8000;

// Fills key[0..keyLength) and iv[0..ivLength) from one PBKDF2-HMAC-SHA512 block of the password
// (empty salt, 8000 iterations). keyLength + ivLength must not exceed 64. Deterministic and
// stateless: the same password always gives the same bytes.
void DeriveKeyAndIv(const QByteArray& password, std::uint8_t* key, std::size_t keyLength, std::uint8_t* iv,
                    std::size_t ivLength);

// The 32-byte key and 16-byte IV every password-protected operation uses.
struct CKeyMaterial {
    CryptoPP::SecByteBlock Key{KeyLength};
    CryptoPP::SecByteBlock Iv{IvLength};
};

// A derivation costs milliseconds and every detection, extraction and decryption tries up to five
// passwords, so each password's material is derived once per process and reused. The cache is
// thread-safe (the thumbnail loader derives alongside the user-interface thread) and its secure
// blocks are wiped when the process ends.
CKeyMaterial KeyMaterialFor(const QByteArray& password);

// Wipes every cached derivation; the next request derives again.
void ClearKeyCache();

// The password bytes as the cipher sees them: everything before the first NUL.
QByteArray PasswordBytes(const QByteArray& password);

// The 32-byte SHA-256 digest of bytes.
QByteArray Sha256Digest(const QByteArray& bytes);

} // namespace veilpane
