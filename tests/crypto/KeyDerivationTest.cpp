#include "crypto/KeyDerivation.h"

#include <QByteArray>

#include <cryptopp/pwdbased.h>
#include <cryptopp/sha.h>

#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

using namespace veilpane;

namespace {

// PBKDF2-HMAC-SHA512, empty salt, 8000 iterations, 64 bytes, computed with `openssl kdf` (and Python's
// hashlib as a second opinion). The password bytes are UTF-8.
struct CVector {
    const char* Password;
    const char* Derived;
};

const CVector Vectors[] = {
    {"corvide2741",
     "f497aaac14c0192212660f22ca3b0cb4f58092a4c2ae816e994b6282c4e406fe2539b58a1eab53a3c6072fff00dfd706"
     "cef8c3c627e847c23c4b4e6dd424e248"},
    {"Corvide2741",
     "e5b913d924916d9b00da97fdc6c70b8d6c2925f1287b43f6c99d623a2331479297a5c92733a9298d3dd5cca3405d98aa"
     "0074fbebf11c6866a83db6a980711118"},
    {"tamarin382",
     "62689acf062352c2258203716c9e6f44ce3b0efc2c6c9fb44e93769a44afcdcb12e0e3193e35b7cfa097cb1a077a70c3"
     "aea985a6b0947567eea48b7e3ca4d91a"},
    {"p\xc3\xa4ssw\xc3\xb6rd",
     "a5dce013a33443f36ae018972c1885cfd4a7cbf7b68b3ce5592e102d6197dc91fab7bc93dec15771a3da5dc0d2"
     "92b6d8322c6793a3c6308b38b5370f9c9ef85e"},
    {"x", "1a40db9b29a04f90d36f5614d684a3bb3089c03df4112f2ec06efbb2708153a64a778107795d207961e537e1135b6f4713"
          "a06089700a"
          "92c413d947b482199c4c"},
};

QByteArray Bytes(const std::uint8_t* data, std::size_t length) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

} // namespace

TEST(KeyDerivation, MatchesIndependentPbkdf2Vectors) {
    for (const CVector& vector : Vectors) {
        SCOPED_TRACE(vector.Password);
        const QByteArray expected = QByteArray::fromHex(vector.Derived);
        std::array<std::uint8_t, 32> key{};
        std::array<std::uint8_t, 16> iv{};
        DeriveKeyAndIv(vector.Password, key.data(), key.size(), iv.data(), iv.size());
        EXPECT_EQ(Bytes(key.data(), key.size()), expected.left(32));
        EXPECT_EQ(Bytes(iv.data(), iv.size()), expected.mid(32, 16));

        // Any split of the one 64-byte block: a 48-byte request is the first 48 bytes, a 64-byte one all.
        std::array<std::uint8_t, 48> first48{};
        std::array<std::uint8_t, 1> none{};
        DeriveKeyAndIv(vector.Password, first48.data(), first48.size(), none.data(), 0);
        EXPECT_EQ(Bytes(first48.data(), first48.size()), expected.left(48));
        std::array<std::uint8_t, 40> a{};
        std::array<std::uint8_t, 24> b{};
        DeriveKeyAndIv(vector.Password, a.data(), a.size(), b.data(), b.size());
        EXPECT_EQ(Bytes(a.data(), a.size()) + Bytes(b.data(), b.size()), expected);
    }
}

// The derivation keeps HMAC's keyed states between iterations; the library's general-purpose PBKDF2
// judges it at the password lengths where HMAC changes course: empty, one block less one, one block, and
// longer than a block (hashed to a key first).
TEST(KeyDerivation, AgreesWithTheGeneralPbkdf2AtEveryKeyLength) {
    for (const int length : {0, 1, 111, 112, 127, 128, 129, 300}) {
        QByteArray password(length, '\0');
        for (int i = 0; i < length; ++i) {
            password[i] = static_cast<char>(1 + (i * 37) % 255);
        }
        std::array<std::uint8_t, 64> expected{};
        CryptoPP::PKCS5_PBKDF2_HMAC<CryptoPP::SHA512>().DeriveKey(
            expected.data(), expected.size(), 0,
            reinterpret_cast<const CryptoPP::byte*>(password.constData()),
            static_cast<std::size_t>(password.size()), nullptr, 0, DerivationIterations, 0.0);
        std::array<std::uint8_t, 32> key{};
        std::array<std::uint8_t, 32> rest{};
        DeriveKeyAndIv(password, key.data(), key.size(), rest.data(), rest.size());
        EXPECT_EQ(Bytes(key.data(), key.size()) + Bytes(rest.data(), rest.size()),
                  Bytes(expected.data(), expected.size()))
            << "password of " << length << " bytes";
    }
}

TEST(KeyDerivation, TouchesOnlyTheRequestedLengthsAndStopsAtNul) {
    std::array<std::uint8_t, 40> key;
    key.fill(0xAB);
    std::array<std::uint8_t, 16> iv;
    iv.fill(0xCD);
    DeriveKeyAndIv("x", key.data(), 32, iv.data(), 16);
    for (std::size_t i = 32; i < key.size(); ++i) {
        EXPECT_EQ(key[i], 0xAB) << "only the requested length is touched";
    }
    const CKeyMaterial plain = KeyMaterialFor("corvide2741");
    const CKeyMaterial withNul = KeyMaterialFor(QByteArray("corvide2741\0tail", 16));
    EXPECT_EQ(plain.Key, withNul.Key);
    EXPECT_EQ(plain.Iv, withNul.Iv);
}

TEST(KeyDerivation, CacheGivesTheDerivedBytesAcrossThreads) {
    ClearKeyCache();
    const QByteArray expected = QByteArray::fromHex(Vectors[0].Derived);
    std::vector<std::thread> threads;
    std::vector<CKeyMaterial> results(6);
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&results, i] { results[i] = KeyMaterialFor(i % 2 ? "corvide2741" : "x"); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (std::size_t i = 0; i < results.size(); ++i) {
        const QByteArray want = QByteArray::fromHex(i % 2 ? Vectors[0].Derived : Vectors[4].Derived);
        EXPECT_EQ(Bytes(results[i].Key.data(), 32), want.left(32));
        EXPECT_EQ(Bytes(results[i].Iv.data(), 16), want.mid(32, 16));
    }
    // Letter case matters.
    EXPECT_NE(KeyMaterialFor("corvide2741").Key, KeyMaterialFor("Corvide2741").Key);
}
