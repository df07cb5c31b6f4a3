#include "stego/PayloadFormat.h"
#include "crypto/CipherProfile.h"

#include <QDateTime>

#include <gtest/gtest.h>

using namespace veilpane;

namespace {

const QByteArray Moment = "2026-12-06 16h:57m:03s";

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

TEST(PayloadFormat, PlainHeaderLayout) {
    const auto header = BuildPlainHeader("holiday.jpg", 48, Moment);
    ASSERT_TRUE(header);
    ASSERT_EQ(header->size(), 137);
    for (int i = 0; i < 16; ++i) {
        EXPECT_TRUE(IsAlnum(header->at(i)));
    }
    EXPECT_EQ(header->mid(16, 10), "tamarin382");
    EXPECT_EQ(header->mid(26, 22), Moment);
    EXPECT_EQ(header->mid(48, 2), "11");
    EXPECT_EQ(header->mid(50, 7), "0000048");
    EXPECT_EQ(header->mid(57, 11), "holiday.jpg");
    for (int i = 68; i < 137; ++i) {
        EXPECT_TRUE(IsAlnum(header->at(i)));
    }

    // A 64-character name leaves 16 filler bytes; the header keeps its length.
    const auto longName = BuildPlainHeader(QByteArray(60, 'n') + ".bin", 9999999, Moment);
    ASSERT_TRUE(longName);
    EXPECT_EQ(longName->size(), 137);
    EXPECT_EQ(longName->mid(48, 9), "649999999");

    // Headers no reader could open are never built.
    EXPECT_FALSE(BuildPlainHeader("", 32, Moment));
    EXPECT_FALSE(BuildPlainHeader(QByteArray(81, 'n'), 32, Moment));
    EXPECT_TRUE(BuildPlainHeader(QByteArray(80, 'n'), 32, Moment));
    EXPECT_FALSE(BuildPlainHeader("a.bin", 10000000, Moment));
    EXPECT_FALSE(BuildPlainHeader("a.bin", 32, "2026-12-06"));
}

TEST(PayloadFormat, MomentFormat) {
    const QDateTime moment(QDate(2026, 12, 6), QTime(16, 57, 3), Qt::LocalTime);
    EXPECT_EQ(FormatHideMoment(moment), Moment);
    EXPECT_EQ(FormatHideMoment(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5), Qt::LocalTime)),
              "2027-01-02 03h:04m:05s");
}

TEST(PayloadFormat, KindRules) {
    const struct {
        const char* Name;
        HiddenKind Kind;
    } cases[] = {
        {"notes.txt", HiddenMessage}, {"NOTES.TXT.bak", HiddenMessage},
        {"photo.txt", HiddenMessage}, {"notes.txt.zip", HiddenMessage},
        {"a.png.txt", HiddenMessage}, {"holiday.png.zip", HiddenImage},
        {"scan.tiff", HiddenImage},   {"SCAN.TIF", HiddenImage},
        {"x.jpeg", HiddenImage},      {"icon.ico", HiddenImage},
        {"m.wmf", HiddenImage},       {"m.emf", HiddenImage},
        {"a.gif", HiddenImage},       {"a.bmp", HiddenImage},
        {"report.pdf", HiddenFile},   {"archive.tar.gz", HiddenFile},
        {"noext", HiddenFile},        {"a.txtx", HiddenMessage},
        {"jpg", HiddenFile},
    };
    for (const auto& c : cases) {
        const auto header = BuildPlainHeader(c.Name, 32, Moment);
        ASSERT_TRUE(header);
        const auto parsed = ParsePlainHeader(*header);
        ASSERT_TRUE(parsed) << c.Name;
        EXPECT_EQ(parsed->Kind, c.Kind) << c.Name;
        EXPECT_EQ(parsed->Name, c.Name);
        EXPECT_EQ(parsed->Moment, Moment);
        EXPECT_EQ(parsed->DataLength, 32);
    }
}

TEST(PayloadFormat, ParseRejectsAndClamps) {
    QByteArray header = *BuildPlainHeader("a.bin", 32, Moment);
    EXPECT_FALSE(ParsePlainHeader(header.left(136)));
    EXPECT_FALSE(ParsePlainHeader(header + 'x'));
    QByteArray wrongPhrase = header;
    wrongPhrase[20] = 'X';
    EXPECT_FALSE(ParsePlainHeader(wrongPhrase));
    // The first 16 bytes are never looked at.
    QByteArray scrambled = header;
    scrambled.replace(0, 16, QByteArray(16, '\xff'));
    EXPECT_TRUE(ParsePlainHeader(scrambled));

    // A forged name length of 99 cannot read past the header.
    QByteArray forged = header;
    forged.replace(48, 2, "99");
    const auto parsed = ParsePlainHeader(forged);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->NameLength, 99);
    EXPECT_EQ(parsed->Name.size(), 80);
    // Lengths are read like atoi: leading digits only.
    forged.replace(50, 7, "12x4567");
    EXPECT_EQ(ParsePlainHeader(forged)->DataLength, 12);
}

TEST(PayloadFormat, StegoSeed) {
    // SHA-256("corvide2741") starts 75 c0 3e (sha256sum): (0x75 + 1)(0xc0 + 1)(0x3e + 1).
    EXPECT_EQ(ComputeStegoSeed("corvide2741"), 118u * 193u * 63u);
    // SHA-256("") starts e3 b0 c4.
    EXPECT_EQ(ComputeStegoSeed(""), 228u * 177u * 197u);
    EXPECT_EQ(ComputeStegoSeed(QByteArray("corvide2741\0x", 13)), ComputeStegoSeed("corvide2741"));
}

TEST(PayloadFormat, Capacity) {
    EXPECT_EQ(ImageCapacity(40, 38), 190u);
    EXPECT_EQ(ImageCapacity(40, 39), 195u);
    EXPECT_EQ(ImageCapacity(800, 600), 60000u);
    EXPECT_EQ(ImageCapacity(0, 600), 0u);
    // The product wraps in 32 bits, as the format counts it: 65536 x 65536 = 0.
    EXPECT_EQ(ImageCapacity(65536, 65536), 0u);
    EXPECT_EQ(ImageCapacity(70000, 70000), static_cast<std::uint32_t>(70000u * 70000u) / 8u);
}

TEST(PayloadFormat, EncryptedPayloadChainsHeaderAfterData) {
    const CKeyMaterial material = KeyMaterialFor("corvide2741");
    const struct {
        int Content;
        int Data;
    } sizes[] = {{0, 32}, {15, 32}, {16, 48}, {1000, 1024}};
    for (const auto& s : sizes) {
        const QByteArray content(s.Content, 'q');
        const CResult<CEncryptedPayload> encrypted = EncryptPayload(content, "notes.txt", material, Moment);
        ASSERT_EQ(encrypted.Outcome, Outcome::Done);
        const CEncryptedPayload& payload = encrypted.Value;
        EXPECT_EQ(payload.Header.size(), 144);
        EXPECT_EQ(payload.Data.size(), s.Data);

        // The header's length field names the encrypted data length.
        const auto header = DecryptPayloadHeader(payload.Header, material);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->DataLength, s.Data);
        EXPECT_EQ(header->Name, "notes.txt");
        EXPECT_EQ(header->Kind, HiddenMessage);
        EXPECT_EQ(DecryptPayloadData(payload.Data, material), content);

        // Chaining: a fresh decryptor scrambles the first 16 bytes; after the data block they come out right.
        QByteArray plain;
        CCipher fresh = CCipher::Decryptor(material);
        ASSERT_TRUE(fresh.Process(payload.Header, plain));
        CCipher chained = CCipher::Decryptor(material);
        QByteArray dataPlain, headerPlain;
        ASSERT_TRUE(chained.Process(payload.Data, dataPlain));
        ASSERT_TRUE(chained.Process(payload.Header, headerPlain));
        EXPECT_EQ(plain.mid(16), headerPlain.mid(16));
        EXPECT_NE(plain.left(16), headerPlain.left(16));
        for (char c : headerPlain.left(16)) {
            EXPECT_TRUE(IsAlnum(c));
        }
    }
    // 9 999 967 content bytes encrypt to 9 999 984; one block more would need eight digits.
    const struct {
        qsizetype Content;
        QByteArray Name;
        Outcome Expected;
        bool NameValid;
        bool DataFits;
    } limits[] = {
        {1, "", Outcome::Refused, false, true},
        {1, QByteArray(81, 'a'), Outcome::Refused, false, true},
        {1, QByteArray("a\0b", 3), Outcome::Refused, false, true},
        {9999984 - 16 - 1, "big.bin", Outcome::Done, true, true},
        {9999984 - 16, "big.bin", Outcome::Refused, true, false},
    };
    for (const auto& l : limits) {
        const CResult<CEncryptedPayload> result =
            EncryptPayload(QByteArray(l.Content, 'a'), l.Name, material, Moment);
        EXPECT_EQ(result.Outcome, l.Expected) << l.Content << " " << l.Name.constData();
        EXPECT_EQ(result.Value.Data.isEmpty(), l.Expected != Outcome::Done);
        EXPECT_EQ(IsValidPayloadName(l.Name), l.NameValid) << l.Name.constData();
        EXPECT_EQ(PayloadDataFits(l.Content), l.DataFits) << l.Content;
    }
    EXPECT_EQ(EncryptPayload("x", "a.bin", material, "2021-07-05").Outcome, Outcome::Refused);
}

TEST(PayloadFormat, WrongPasswordDoesNotOpenTheHeader) {
    const CResult<CEncryptedPayload> encrypted =
        EncryptPayload("secret", "a.txt", KeyMaterialFor("right-password"), Moment);
    ASSERT_EQ(encrypted.Outcome, Outcome::Done);
    const CEncryptedPayload& payload = encrypted.Value;
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(DecryptPayloadHeader(payload.Header, KeyMaterialFor("wrong" + QByteArray::number(i))));
    }
    EXPECT_FALSE(DecryptPayloadHeader(QByteArray(144, '\0'), KeyMaterialFor("right-password")));
}
