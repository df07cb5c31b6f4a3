#include "stego/HiddenContent.h"
#include "crypto/KeyDerivation.h"
#include "stego/HideEngine.h"
#include "stego/PixelBitStream.h"
#include "support/TempFolder.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

const QByteArray Moment = "2026-12-06 16h:57m:03s";

CPasswordSet SetOf(std::initializer_list<QByteArray> passwords) {
    CPasswordSet set;
    int i = 0;
    for (const QByteArray& password : passwords) {
        set.Passwords[static_cast<std::size_t>(i++)] = password;
    }
    return set;
}

// Lays a payload with any name into a carrier, as another program could have made it.
CBitmap CarrierWith(const QByteArray& name, const QByteArray& content, const QByteArray& password,
                    std::uint32_t width = 300, std::uint32_t height = 200) {
    CBitmap image = test::MakeNoiseBitmap(width, height, 9);
    const CResult<CEncryptedPayload> encrypted =
        EncryptPayload(content, name, KeyMaterialFor(password), Moment);
    EXPECT_EQ(encrypted.Outcome, Outcome::Done);
    const CEncryptedPayload& payload = encrypted.Value;
    CBitWriteCounts counts;
    EXPECT_TRUE(WritePayloadBits(image, payload.Header, payload.Data, ComputeStegoSeed(password), counts));
    return image;
}

QStringList FolderEntries(const QString& path) {
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// The blue lowest bits of count bytes from pixel number start, read pixel by pixel through QImage: a
// reading that shares nothing with the engine's bit stream.
QByteArray BlueBits(const CBitmap& bitmap, int start, int count) {
    const QImage& image = bitmap.Image();
    QByteArray bytes(count, '\0');
    for (int bit = 0; bit < count * 8; ++bit) {
        const int k = start + bit;
        const QRgb pixel = image.pixel(k % image.width(), k / image.width());
        if (qBlue(pixel) & 1) {
            bytes[bit / 8] = static_cast<char>(bytes[bit / 8] | (1 << (bit % 8)));
        }
    }
    return bytes;
}

} // namespace

TEST(HiddenContent, PasswordsAreTriedInOrderAndEmptyOnesSkipped) {
    const CBitmap image = CarrierWith("report.pdf", "quarterly", "third-pw");
    const auto found = DetectPayload(image, SetOf({"first-pw", "second-pw", "third-pw", "fourth-pw"}));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->PasswordIndex, 2);
    EXPECT_EQ(found->Header.Kind, HiddenFile);
    EXPECT_EQ(found->Header.Moment, Moment);

    // Password 3 emptied: the set's fourth still does not fit; password 3 changed: nothing found.
    EXPECT_FALSE(DetectPayload(image, SetOf({"first-pw", "second-pw", "", "fourth-pw"})));
    EXPECT_FALSE(DetectPayload(image, SetOf({"first-pw", "second-pw", "third-pW"})));
    EXPECT_FALSE(DetectPayload(image, CPasswordSet{}));
    // Empty slots before it are skipped.
    CPasswordSet sparse;
    sparse.Passwords[4] = "third-pw";
    ASSERT_TRUE(DetectPayload(image, sparse));
    EXPECT_EQ(DetectPayload(image, sparse)->PasswordIndex, 4);

    QString name = QStringLiteral("untouched"), text = QStringLiteral("untouched");
    EXPECT_EQ(FindHiddenContent(image, SetOf({"nope-1", "nope-2"}), false, HiddenOutput::Text, QString(),
                                name, text),
              HiddenNothing);
    EXPECT_EQ(name, QStringLiteral("untouched"));
}

TEST(HiddenContent, ImagesWithoutPayloadOrTooFewPixels) {
    const CPasswordSet set = SetOf({"a-password", "b-password", "c-password", "d-password", "e-password"});
    EXPECT_FALSE(DetectPayload(test::MakeNoiseBitmap(640, 480, 4), set));
    EXPECT_FALSE(DetectPayload(CBitmap(), set));

    // The header's 1152 pixels present: found; one pixel fewer: nothing, whatever the bits say.
    const CResult<CEncryptedPayload> encrypted =
        EncryptPayload("x", "a.bin", KeyMaterialFor("c-password"), Moment);
    ASSERT_EQ(encrypted.Outcome, Outcome::Done);
    const CEncryptedPayload& payload = encrypted.Value;
    for (const std::uint32_t width : {1152u, 1151u}) {
        CBitmap image = test::MakeNoiseBitmap(width, 1);
        for (std::uint32_t bit = 0; bit < width; ++bit) {
            const std::uint32_t value =
                (static_cast<std::uint8_t>(payload.Header[bit / 8]) >> (bit % 8)) & 1u;
            image.SetPixel(bit, 0, (image.GetPixel(bit, 0) & ~1u) | value);
        }
        EXPECT_EQ(DetectPayload(image, set).has_value(), width == 1152u) << width;
        // The data block lies beyond the image: extraction finds nothing to decrypt.
        EXPECT_EQ(FindHiddenContent(image, set, false, HiddenOutput::Text).Value.Kind, HiddenNothing);
    }
    // The whole payload to its last pixel: extracted; one pixel short of it: nothing, without decrypting
    // the missing bits as zeros.
    const QByteArray bits = payload.Header + payload.Data;
    for (const std::uint32_t width : {8u * 176u, 8u * 176u - 1u}) {
        CBitmap image = test::MakeNoiseBitmap(width, 1);
        for (std::uint32_t bit = 0; bit < width; ++bit) {
            const std::uint32_t value = (static_cast<std::uint8_t>(bits[bit / 8]) >> (bit % 8)) & 1u;
            image.SetPixel(bit, 0, (image.GetPixel(bit, 0) & ~1u) | value);
        }
        const CHiddenContent found = FindHiddenContent(image, set, false, HiddenOutput::Text).Value;
        EXPECT_EQ(found.Kind, width == 8u * 176u ? HiddenFile : HiddenNothing) << width;
        EXPECT_EQ(found.Content, width == 8u * 176u ? QByteArray("x") : QByteArray()) << width;
    }
}

TEST(HiddenContent, HiddenNamesAreConfinedToTheDestinationFolder) {
    const struct {
        QByteArray Stored;
        QString Written; // empty: nothing may be written
    } cases[] = {
        {"../../x.bin", QStringLiteral("x.bin")},
        {"..\\..\\evil.txt", QStringLiteral("evil.txt")},
        {"/etc/passwd.bin", QStringLiteral("passwd.bin")},
        {"sub/dir/../name.dat", QStringLiteral("name.dat")},
        {"..", QString()},
        {"folder/..", QString()},
        {"trailing/", QString()},
        {"plain.bin", QStringLiteral("plain.bin")},
        // Qt reads a leading ':' as the program's resources: such a name is still a file of the folder.
        {":notes.txt", QStringLiteral(":notes.txt")},
        {"sub/:x.png", QStringLiteral(":x.png")},
    };
    for (const auto& c : cases) {
        test::CTempFolder temp;
        const QString destination = temp.FilePath(QStringLiteral("a/b/dest"));
        ASSERT_TRUE(QDir().mkpath(destination));
        const CBitmap image = CarrierWith(c.Stored, "payload", "the-password");
        const CHiddenContent found =
            FindHiddenContent(image, SetOf({"the-password"}), false, HiddenOutput::Folder, destination).Value;
        EXPECT_EQ(FolderEntries(temp.Path()), QStringList{QStringLiteral("a")}) << c.Stored.constData();
        EXPECT_EQ(FolderEntries(temp.FilePath(QStringLiteral("a"))), QStringList{QStringLiteral("b")});
        EXPECT_EQ(FolderEntries(temp.FilePath(QStringLiteral("a/b"))), QStringList{QStringLiteral("dest")});
        if (c.Written.isEmpty()) {
            EXPECT_EQ(found.Kind, HiddenNothing) << c.Stored.constData();
            EXPECT_TRUE(FolderEntries(destination).isEmpty()) << c.Stored.constData();
        } else {
            EXPECT_NE(found.Kind, HiddenNothing) << c.Stored.constData();
            EXPECT_EQ(FolderEntries(destination), QStringList{c.Written}) << c.Stored.constData();
            EXPECT_EQ(found.Name, c.Written);
            EXPECT_EQ(found.WrittenPath, destination + QLatin1Char('/') + c.Written);
        }
        // Detection reports the confined name too.
        QString name, text;
        FindHiddenContent(image, SetOf({"the-password"}), true, HiddenOutput::Text, QString(), name, text);
        EXPECT_EQ(name, c.Written);
    }
}

TEST(HiddenContent, ExtractionReplacesAFileOnlyWhenToldAndFailsCleanly) {
    test::CTempFolder temp;
    const CBitmap image = CarrierWith("data.bin", "new content", "the-password");
    const CPasswordSet set = SetOf({"the-password"});
    const QString old = temp.Write(QStringLiteral("data.bin"), "old content that is longer");
    // Unless told otherwise the file in the way stays, and the refusal says which file and what was found.
    const CResult<CHiddenContent> notReplaced =
        FindHiddenContent(image, set, false, HiddenOutput::Folder, temp.Path());
    EXPECT_EQ(notReplaced.Outcome, Outcome::Refused);
    EXPECT_EQ(notReplaced.Value.Kind, HiddenFile);
    EXPECT_EQ(notReplaced.Value.InTheWay, old);
    EXPECT_TRUE(notReplaced.Value.WrittenPath.isEmpty());
    EXPECT_EQ(FolderEntries(temp.Path()), QStringList{QStringLiteral("data.bin")});
    EXPECT_EQ(temp.Read(QStringLiteral("data.bin")), "old content that is longer");

    const CHiddenContent kept =
        FindHiddenContent(image, set, false, HiddenOutput::Folder, temp.Path(), ExistingFile::KeepBoth).Value;
    EXPECT_EQ(kept.WrittenPath, temp.FilePath(QStringLiteral("data (2).bin")));
    EXPECT_EQ(temp.Read(QStringLiteral("data (2).bin")), "new content");
    const CHiddenContent found =
        FindHiddenContent(image, set, false, HiddenOutput::Folder, temp.Path(), ExistingFile::Replace).Value;
    EXPECT_EQ(found.Kind, HiddenFile);
    EXPECT_EQ(found.WrittenPath, old);
    EXPECT_EQ(temp.Read(QStringLiteral("data.bin")), "new content");

    // A destination that cannot be written: kind 10 and nothing left behind.
    const CResult<CHiddenContent> failed =
        FindHiddenContent(image, set, false, HiddenOutput::Folder, temp.FilePath(QStringLiteral("missing")));
    EXPECT_EQ(failed.Outcome, Outcome::Failed);
    EXPECT_EQ(failed.Value.Kind, HiddenNothing);
    EXPECT_TRUE(failed.Value.WrittenPath.isEmpty());
    // No password opens the header: refused rather than failed, which is how "nothing there" is told apart.
    EXPECT_EQ(FindHiddenContent(image, SetOf({"other"}), false, HiddenOutput::Folder, temp.Path()).Outcome,
              Outcome::Refused);
    EXPECT_FALSE(QFileInfo::exists(temp.FilePath(QStringLiteral("missing"))));

    // A data block whose last cipher block was damaged fails its padding check: kind 10, no file. The
    // damaged block decrypts to random bytes, which pass the check about once in 256 and then make a whole
    // (damaged) file, never a partial one: four carriers, each either outcome, at most one passing.
    int refused = 0;
    CBitmap damaged;
    for (int round = 0; round < 4; ++round) {
        damaged = CarrierWith("data.bin", "new content", "the-password");
        const std::uint32_t lastDataPixel = 8 * (144 + 32) - 1;
        damaged.SetPixel(lastDataPixel % 300, lastDataPixel / 300,
                         damaged.GetPixel(lastDataPixel % 300, lastDataPixel / 300) ^ 1u);
        damaged.SetPixel(1160 % 300, 1160 / 300, damaged.GetPixel(1160 % 300, 1160 / 300) ^ 1u);
        const QString other = temp.FilePath(QStringLiteral("other%1").arg(round));
        ASSERT_TRUE(QDir().mkpath(other));
        if (FindHiddenContent(damaged, set, false, HiddenOutput::Folder, other).Value.Kind == HiddenNothing) {
            EXPECT_TRUE(FolderEntries(other).isEmpty());
            ++refused;
        } else {
            EXPECT_EQ(FolderEntries(other), QStringList{QStringLiteral("data.bin")});
        }
    }
    EXPECT_GE(refused, 3);
    // The header is intact, so detection still sees it.
    EXPECT_TRUE(DetectPayload(damaged, set));
}

// The bits a hide leaves in the pixels, read apart and decrypted by openssl with a key derived by openssl.
TEST(HiddenContent, PixelsDecryptWithOpenssl) {
    if (!test::HaveProgram(QStringLiteral("openssl"))) {
        GTEST_SKIP() << "openssl not installed";
    }
    const QByteArray password = "corvide2741";
    const auto kdf = test::RunProgram(
        QStringLiteral("openssl"),
        {QStringLiteral("kdf"), QStringLiteral("-keylen"), QStringLiteral("48"), QStringLiteral("-kdfopt"),
         QStringLiteral("digest:SHA512"), QStringLiteral("-kdfopt"), QStringLiteral("pass:") + password,
         QStringLiteral("-kdfopt"), QStringLiteral("hexsalt:"), QStringLiteral("-kdfopt"),
         QStringLiteral("iter:8000"), QStringLiteral("PBKDF2")});
    ASSERT_EQ(kdf.ExitCode, 0) << kdf.Err.constData();
    const QByteArray derived = QByteArray::fromHex(kdf.Out.trimmed().replace(":", ""));
    ASSERT_EQ(derived.size(), 48);
    const QString key = QString::fromLatin1(derived.left(32).toHex());
    const QString iv = QString::fromLatin1(derived.mid(32, 16).toHex());

    test::CTempFolder temp;
    QByteArray content;
    for (int i = 0; i < 777; ++i) {
        content.append(static_cast<char>(i * 37));
    }
    const QString path = temp.Write(QStringLiteral("holiday.jpg"), content);
    CBitmap image = test::MakeNoiseBitmap(250, 120, 2);
    CReportStatistics statistics;
    const QDateTime moment(QDate(2026, 12, 6), QTime(16, 57, 3), Qt::LocalTime);
    const CHideResult result = HideFileInImage(&image, path, password, statistics, moment);
    ASSERT_TRUE(result.Ok());
    const int dataLength = static_cast<int>(result.Value.EncryptedDataLength);
    ASSERT_EQ(dataLength, 16 * ((16 + 777) / 16 + 1));

    const QByteArray header = BlueBits(image, 0, 144);
    const QByteArray data = BlueBits(image, 1152, dataLength);
    const QString headerFile = temp.Write(QStringLiteral("header.enc"), header);
    const QString dataFile = temp.Write(QStringLiteral("data.enc"), data);
    const auto decrypt = [&](const QString& file, const QString& withIv, bool pad) {
        QStringList args{QStringLiteral("enc"),
                         QStringLiteral("-d"),
                         QStringLiteral("-aes-256-cbc"),
                         QStringLiteral("-K"),
                         key,
                         QStringLiteral("-iv"),
                         withIv,
                         QStringLiteral("-in"),
                         file};
        if (!pad) {
            args << QStringLiteral("-nopad");
        }
        return test::RunProgram(QStringLiteral("openssl"), args);
    };

    // The data block decrypts entirely from the derived IV, its PKCS #7 padding intact.
    const auto plainData = decrypt(dataFile, iv, true);
    ASSERT_EQ(plainData.ExitCode, 0) << plainData.Err.constData();
    ASSERT_EQ(plainData.Out.size(), 16 + 777);
    EXPECT_EQ(plainData.Out.mid(16), content);
    for (const char c : plainData.Out.left(16)) {
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)));
    }

    // The header was chained after the data block: from the derived IV its first block is scrambled, the
    // rest exact, and its padding is seven bytes of 7.
    const auto plainHeader = decrypt(headerFile, iv, false);
    ASSERT_EQ(plainHeader.ExitCode, 0) << plainHeader.Err.constData();
    ASSERT_EQ(plainHeader.Out.size(), 144);
    EXPECT_EQ(plainHeader.Out.mid(16, 10), "tamarin382");
    EXPECT_EQ(plainHeader.Out.mid(26, 22), "2026-12-06 16h:57m:03s");
    EXPECT_EQ(plainHeader.Out.mid(48, 9), "110000800");
    EXPECT_EQ(plainHeader.Out.mid(57, 11), "holiday.jpg");
    EXPECT_EQ(plainHeader.Out.mid(137), QByteArray(7, '\x07'));
    // From the data block's last ciphertext block as IV, the first block decrypts too: 16 filler letters.
    const auto chained = decrypt(headerFile, QString::fromLatin1(data.right(16).toHex()), true);
    ASSERT_EQ(chained.ExitCode, 0);
    ASSERT_EQ(chained.Out.size(), 137);
    for (const char c : chained.Out.left(16)) {
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(chained.Out.mid(16), plainHeader.Out.mid(16, 121));
}
