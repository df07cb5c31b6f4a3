#include "crypto/CipherProfile.h"
#include "support/TempFolder.h"

#include <QByteArray>

#include <gtest/gtest.h>

using namespace veilpane;
using veilpane::test::CTempFolder;

namespace {

QByteArray Encrypt(const QByteArray& plain, const QByteArray& password = "corvide2741") {
    QByteArray out;
    CCipher cipher = CCipher::Encryptor(KeyMaterialFor(password));
    EXPECT_TRUE(cipher.Process(plain, out));
    return out;
}

QString Hex(const CryptoPP::SecByteBlock& block) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(block.data()), static_cast<qsizetype>(block.size()))
            .toHex());
}

} // namespace

TEST(CipherProfile, PaddingAlwaysAddsOneToSixteenBytes) {
    const struct {
        int Plain;
        int Encrypted;
    } cases[] = {{0, 16}, {1, 16}, {15, 16}, {16, 32}, {17, 32}, {31, 32}, {32, 48}, {1000, 1008}};
    for (const auto& c : cases) {
        EXPECT_EQ(Encrypt(QByteArray(c.Plain, 'a')).size(), c.Encrypted) << c.Plain;
        EXPECT_EQ(EncryptedLength(c.Plain), c.Encrypted);
    }
}

TEST(CipherProfile, DecryptsWhatOpensslEncrypts) {
    if (!test::HaveProgram(QStringLiteral("openssl"))) {
        GTEST_SKIP() << "openssl not installed";
    }
    const CKeyMaterial material = KeyMaterialFor("corvide2741");
    CTempFolder folder;
    const QByteArray plain = "The quick brown fox jumps over the lazy dog, twice over: 0123456789";
    const QString in = folder.Write(QStringLiteral("plain.bin"), plain);
    const auto result = test::RunProgram(QStringLiteral("openssl"),
                                         {QStringLiteral("enc"), QStringLiteral("-aes-256-cbc"),
                                          QStringLiteral("-K"), Hex(material.Key), QStringLiteral("-iv"),
                                          Hex(material.Iv), QStringLiteral("-in"), in});
    ASSERT_EQ(result.ExitCode, 0) << result.Err.toStdString();
    // Identical bytes both ways: same key, same IV, same padding.
    EXPECT_EQ(result.Out, Encrypt(plain));
    QByteArray back;
    CCipher decryptor = CCipher::Decryptor(material);
    ASSERT_TRUE(decryptor.Process(result.Out, back));
    EXPECT_EQ(back, plain);

    // The password-based form openssl offers gives the same bytes: no salt, PBKDF2-SHA512, 8000 rounds.
    const auto viaPassword =
        test::RunProgram(QStringLiteral("openssl"),
                         {QStringLiteral("enc"), QStringLiteral("-aes-256-cbc"), QStringLiteral("-nosalt"),
                          QStringLiteral("-pbkdf2"), QStringLiteral("-iter"), QStringLiteral("8000"),
                          QStringLiteral("-md"), QStringLiteral("sha512"), QStringLiteral("-pass"),
                          QStringLiteral("pass:corvide2741"), QStringLiteral("-in"), in});
    ASSERT_EQ(viaPassword.ExitCode, 0);
    EXPECT_EQ(viaPassword.Out, result.Out);
}

TEST(CipherProfile, OneObjectChainsMessagesAFreshOneRestarts) {
    const CKeyMaterial material = KeyMaterialFor("corvide2741");
    CCipher chained = CCipher::Encryptor(material);
    QByteArray first, second;
    ASSERT_TRUE(chained.Process(QByteArray(20, 'a'), first));
    ASSERT_TRUE(chained.Process(QByteArray(20, 'b'), second));
    EXPECT_NE(second, Encrypt(QByteArray(20, 'b'))) << "the second message continues the chain";

    // A fresh decryptor starting from the IV gets every block of the second message right but the first,
    // which was chained with the last block of the first message.
    QByteArray plain;
    CCipher fresh = CCipher::Decryptor(material);
    ASSERT_TRUE(fresh.Process(second, plain));
    EXPECT_EQ(plain.size(), 20);
    EXPECT_NE(plain.left(16), QByteArray(16, 'b'));
    EXPECT_EQ(plain.mid(16), QByteArray(4, 'b'));
}

TEST(CipherProfile, WrongKeyAndTruncationFailWithTheLibraryText) {
    const QByteArray secret = Encrypt(QByteArray(100, 'z'));
    int failures = 0;
    for (int i = 0; i < 64; ++i) {
        QByteArray out;
        QString error;
        CCipher decryptor = CCipher::Decryptor(KeyMaterialFor(QByteArray("wrong") + QByteArray::number(i)));
        if (!decryptor.Process(secret, out, &error)) {
            ++failures;
            EXPECT_EQ(error,
                      QStringLiteral("StreamTransformationFilter: invalid PKCS #7 block padding found"));
            EXPECT_TRUE(out.isEmpty());
        } else {
            // The rare wrong key that passes the padding test yields 1 to 16 bytes fewer than it read.
            EXPECT_GE(out.size(), secret.size() - 16);
            EXPECT_LE(out.size(), secret.size() - 1);
        }
    }
    EXPECT_GE(failures, 56) << "about 255 in 256 wrong keys fail the padding test";

    QByteArray out;
    QString error;
    CCipher decryptor = CCipher::Decryptor(KeyMaterialFor("corvide2741"));
    EXPECT_FALSE(decryptor.Process(secret.left(secret.size() - 3), out, &error));
    EXPECT_EQ(error, QStringLiteral(
                         "StreamTransformationFilter: ciphertext length is not a multiple of block size"));
}
