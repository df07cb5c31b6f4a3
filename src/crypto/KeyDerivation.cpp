#include "crypto/KeyDerivation.h"

#include <cryptopp/misc.h>
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

namespace {

using Word = CryptoPP::word64;
constexpr std::size_t HashWords = 8;   // a SHA-512 digest
constexpr std::size_t BlockWords = 16; // a SHA-512 input block
constexpr std::size_t BlockBytes = BlockWords * 8;

// A SHA-512 state after absorbing one keyed pad block.
void AbsorbPad(const CryptoPP::SecByteBlock& key, CryptoPP::byte pad, Word* state) {
    Word block[BlockWords];
    for (std::size_t i = 0; i < BlockWords; ++i) {
        Word word = 0;
        for (std::size_t j = 0; j < 8; ++j) {
            word = (word << 8) | static_cast<CryptoPP::byte>(key[i * 8 + j] ^ pad);
        }
        block[i] = word;
    }
    CryptoPP::SHA512::InitState(state);
    CryptoPP::SHA512::Transform(state, block);
    CryptoPP::SecureWipeArray(block, BlockWords);
}

// Finishes a hash whose state has absorbed one block, over a last message of one digest (64 bytes):
// the message, the padding bit and the total length (192 bytes) fill exactly one more block.
void FinishOverDigest(const Word* state, const Word* digest, Word* out) {
    Word block[BlockWords] = {};
    std::copy_n(digest, HashWords, block);
    block[HashWords] = Word{1} << 63;
    block[BlockWords - 1] = (BlockBytes + HashWords * 8) * 8;
    std::copy_n(state, HashWords, out);
    CryptoPP::SHA512::Transform(out, block);
    CryptoPP::SecureWipeArray(block, BlockWords);
}

} // namespace

// PBKDF2-HMAC-SHA512, one 64-byte block, empty salt. The general-purpose HMAC hashes both keyed pads
// again in every iteration; here they are absorbed once and each iteration costs two compressions
// instead of four, which halves the cost of every password the program meets. Words stay in the
// hash's own big-endian word order from first iteration to last.
void DeriveKeyAndIv(const QByteArray& password, std::uint8_t* key, std::size_t keyLength, std::uint8_t* iv,
                    std::size_t ivLength) {
    assert(keyLength + ivLength <= DerivedBlockLength);
    const QByteArray bytes = PasswordBytes(password);
    CryptoPP::SecByteBlock hmacKey(BlockBytes);
    std::fill(hmacKey.begin(), hmacKey.end(), CryptoPP::byte{0});
    if (static_cast<std::size_t>(bytes.size()) > BlockBytes) {
        CryptoPP::SHA512().CalculateDigest(hmacKey.data(),
                                           reinterpret_cast<const CryptoPP::byte*>(bytes.constData()),
                                           static_cast<std::size_t>(bytes.size()));
    } else {
        std::copy(bytes.cbegin(), bytes.cend(), hmacKey.begin());
    }
    Word inner[HashWords];
    Word outer[HashWords];
    AbsorbPad(hmacKey, 0x36, inner);
    AbsorbPad(hmacKey, 0x5c, outer);

    // The first message is the empty salt and the block number 1, big-endian: four bytes.
    Word u[HashWords];
    {
        Word block[BlockWords] = {};
        block[0] = (Word{1} << 32) | (Word{0x80} << 24);
        block[BlockWords - 1] = (BlockBytes + 4) * 8;
        std::copy_n(inner, HashWords, u);
        CryptoPP::SHA512::Transform(u, block);
    }
    Word innerDigest[HashWords];
    FinishOverDigest(outer, u, innerDigest);
    std::copy_n(innerDigest, HashWords, u);
    Word t[HashWords];
    std::copy_n(u, HashWords, t);
    for (unsigned int i = 1; i < DerivationIterations; ++i) {
        FinishOverDigest(inner, u, innerDigest);
        FinishOverDigest(outer, innerDigest, u);
        for (std::size_t w = 0; w < HashWords; ++w) {
            t[w] ^= u[w];
        }
    }
    CryptoPP::SecByteBlock block(DerivedBlockLength);
    for (std::size_t w = 0; w < HashWords; ++w) {
        for (std::size_t j = 0; j < 8; ++j) {
            block[w * 8 + j] = static_cast<CryptoPP::byte>(t[w] >> (56 - 8 * j));
        }
    }
    for (Word* secret : {inner, outer, u, t, innerDigest}) {
        CryptoPP::SecureWipeArray(secret, HashWords);
    }
    std::fill_n(key, keyLength, std::uint8_t{0});
    std::fill_n(iv, ivLength, std::uint8_t{0});
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

QByteArray Sha256Digest(const QByteArray& bytes) {
    QByteArray digest(CryptoPP::SHA256::DIGESTSIZE, Qt::Uninitialized);
    CryptoPP::SHA256().CalculateDigest(reinterpret_cast<CryptoPP::byte*>(digest.data()),
                                       reinterpret_cast<const CryptoPP::byte*>(bytes.constData()),
                                       static_cast<std::size_t>(bytes.size()));
    return digest;
}

} // namespace veilpane
