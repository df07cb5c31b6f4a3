#include "crypto/KeyDerivation.h"

#include <cryptopp/pwdbased.h>
#include <cryptopp/sha.h>

#include <QHash>

#include <algorithm>
#include <cassert>
#include <cstring>
#include <mutex>

namespace veilpane {

QByteArray PasswordBytes(const QByteArray& password) {
    const qsizetype nul = password.indexOf('\0');
    return nul < 0 ? password : password.left(nul);
}

void DeriveKeyAndIv(const QByteArray& password, std::uint8_t* key, std::size_t keyLength, std::uint8_t* iv,
                    std::size_t ivLength) {
    assert(keyLength + ivLength <= DerivedBlockLength);
    std::fill_n(key, keyLength, std::uint8_t{0});
    std::fill_n(iv, ivLength, std::uint8_t{0});

    const QByteArray bytes = PasswordBytes(password);
    // SecByteBlock zeroes itself when released.
    CryptoPP::SecByteBlock block(DerivedBlockLength);
    CryptoPP::PKCS5_PBKDF2_HMAC<CryptoPP::SHA512> pbkdf;
    pbkdf.DeriveKey(block.data(), block.size(), 0, reinterpret_cast<const CryptoPP::byte*>(bytes.constData()),
                    static_cast<std::size_t>(bytes.size()), nullptr, 0, DerivationIterations, 0.0);
    std::memcpy(key, block.data(), keyLength);
    std::memcpy(iv, block.data() + keyLength, ivLength);
}

namespace {

class CKeyCache {
public:
    CKeyMaterial Get(const QByteArray& password) {
        const QByteArray bytes = PasswordBytes(password);
        {
            std::lock_guard lock(m_mutex);
            if (auto it = m_entries.constFind(bytes); it != m_entries.cend()) {
                return *it;
            }
        }
        // Derive outside the lock so that two threads deriving different passwords don't queue up.
        CKeyMaterial material;
        DeriveKeyAndIv(bytes, material.Key.data(), KeyLength, material.Iv.data(), IvLength);
        std::lock_guard lock(m_mutex);
        m_entries.insert(bytes, material);
        return material;
    }

    void Clear() {
        std::lock_guard lock(m_mutex);
        m_entries.clear();
    }

private:
    std::mutex m_mutex;
    QHash<QByteArray, CKeyMaterial> m_entries;
};

CKeyCache& Cache() {
    static CKeyCache cache;
    return cache;
}

} // namespace

CKeyMaterial KeyMaterialFor(const QByteArray& password) {
    return Cache().Get(password);
}

void ClearKeyCache() {
    Cache().Clear();
}

} // namespace veilpane
