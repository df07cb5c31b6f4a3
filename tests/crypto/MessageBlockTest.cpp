#include "crypto/MessageBlock.h"
#include "crypto/CipherProfile.h"
#include "support/CryptoTestSupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace veilpane;
using veilpane::test::SetOf;

namespace {

const QDateTime Moment(QDate(2021, 7, 5), QTime(9, 3, 58));

// openssl's encryption, under "right-password", of "Qz7Kp2Xw9Lm4Tn8R2021-07-05 09h:03m:58s\r\nhello".
// The wrong password "wrong-21" leaves valid padding in it (found by trying wrong-1, wrong-2, ...).
const QByteArray FixedBlock = "03DAB8B0463A54D252A602164272895A0CBFCDCFF59808AEAADD33827A333FEF"
                              "862EBC1B2C6C9CCE873D157ED518E528";

} // namespace

TEST(MessageBlock, TimeLineFormat) {
    EXPECT_EQ(MessageTimeLine(Moment), "2021-07-05 09h:03m:58s");
    EXPECT_EQ(MessageTimeLine(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 0))), "1999-12-31 23h:59m:00s");
}

// 40 bytes of prefix, time line and line break come before the text.
TEST(MessageBlock, BlockLengthsAndDigits) {
    const CPasswordSet set = SetOf({{1, "first-pw"}});
    const QRegularExpression upperHex(QStringLiteral("^[0-9A-F]+$"));
    for (int n = 1; n <= 40; ++n) {
        const CMessageResult result = EncryptMessageCommand(QByteArray(n, 'm'), set, Moment);
        ASSERT_TRUE(result.Ok());
        EXPECT_EQ(result.Value.Output.size(), 32 * ((40 + n) / 16 + 1)) << n;
        if (n <= 7) {
            EXPECT_EQ(result.Value.Output.size(), 96) << n;
        } else if (n <= 23) {
            EXPECT_EQ(result.Value.Output.size(), 128) << n;
        }
        EXPECT_TRUE(upperHex.match(QString::fromLatin1(result.Value.Output)).hasMatch())
            << result.Value.Output.constData();
    }
}

TEST(MessageBlock, SameTextTwiceGivesTwoBlocksWithOneMeaning) {
    const CPasswordSet set = SetOf({{1, "first-pw"}});
    const CMessageResult a = EncryptMessageCommand("Meet at noon", set, Moment);
    const CMessageResult b = EncryptMessageCommand("Meet at noon", set, Moment);
    EXPECT_NE(a.Value.Output, b.Value.Output);
    const QByteArray expected = "2021-07-05 09h:03m:58s\r\nMeet at noon";
    EXPECT_EQ(DecryptMessageCommand(a.Value.Output, set).Value.Output, expected);
    EXPECT_EQ(DecryptMessageCommand(b.Value.Output, set).Value.Output, expected);
}

TEST(MessageBlock, PastedBlockWithSpacesLineBreaksOrLowerCase) {
    const CPasswordSet set = SetOf({{1, "first-pw"}});
    const QByteArray block = EncryptMessageCommand("pasted", set, Moment).Value.Output;
    QByteArray spaced;
    for (int i = 0; i < block.size(); ++i) {
        spaced += block[i];
        spaced += i % 8 == 7 ? "\r\n" : (i % 2 ? " " : "");
    }
    for (const QByteArray& variant : {spaced, block.toLower(), "  " + block + "\n\t"}) {
        const CMessageResult result = DecryptMessageCommand(variant, set);
        EXPECT_TRUE(result.Ok()) << variant.constData();
        EXPECT_EQ(result.Value.Output, "2021-07-05 09h:03m:58s\r\npasted");
    }
}

TEST(MessageBlock, FourthPasswordOpensWhileTheFirstThreeAreTried) {
    const CPasswordSet encrypting = SetOf({{4, "fourth-pw"}}, 4);
    const CMessageResult block = EncryptMessageCommand("for four", encrypting, Moment);
    const CPasswordSet all = SetOf({{1, "first-pw"}, {2, "second-pw"}, {3, "third-pw"}, {4, "fourth-pw"}});
    const CMessageResult result = DecryptMessageCommand(block.Value.Output, all);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(result.Value.PasswordIndex, 3);
    EXPECT_EQ(result.Value.Output, "2021-07-05 09h:03m:58s\r\nfor four");
}

TEST(MessageBlock, WrongPasswordOrOddText) {
    const CPasswordSet set = SetOf({{1, "first-pw"}, {2, "second-pw"}});
    const CMessageResult block = EncryptMessageCommand("secret", SetOf({{1, "other-pw"}}), Moment);
    for (const QByteArray& input :
         {block.Value.Output, QByteArray("This is just a plain sentence."), QByteArray("ABC")}) {
        const CMessageResult result = DecryptMessageCommand(input, set);
        EXPECT_FALSE(result.Ok()) << input.constData();
        EXPECT_EQ(result.Value.Output, "Message NOT decrypted, wrong password.");
    }
}

// A wrong password that passes the padding check gives garbage without a time line: the next one is tried.
TEST(MessageBlock, PaddingCoincidenceIsNotTakenForTheMessage) {
    QByteArray garbage;
    CCipher wrong = CCipher::Decryptor(KeyMaterialFor("wrong-21"));
    ASSERT_TRUE(wrong.Process(QByteArray::fromHex(FixedBlock), garbage)); // the coincidence is real
    EXPECT_TRUE(DecryptMessageText(FixedBlock, "wrong-21").isEmpty());
    EXPECT_EQ(DecryptMessageText(FixedBlock, "right-password"), "2021-07-05 09h:03m:58s\r\nhello");

    const CMessageResult result =
        DecryptMessageCommand(FixedBlock, SetOf({{1, "wrong-21"}, {2, "right-password"}}));
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(result.Value.PasswordIndex, 1);
    EXPECT_EQ(result.Value.Output, "2021-07-05 09h:03m:58s\r\nhello");

    // The right password on something that is not a message shaped like ours is refused as well.
    QByteArray cipher;
    CCipher right = CCipher::Encryptor(KeyMaterialFor("right-password"));
    ASSERT_TRUE(right.Process("0123456789abcdef but no time line follows", cipher));
    EXPECT_TRUE(DecryptMessageText(cipher.toHex().toUpper(), "right-password").isEmpty());
}

TEST(MessageBlock, OpensslReadsOursAndWeReadOpenssls) {
    if (!test::HaveProgram(QStringLiteral("openssl"))) {
        GTEST_SKIP() << "openssl not installed";
    }
    test::CTempFolder folder;
    const QByteArray block =
        EncryptMessageCommand("über den Fluss", SetOf({{1, "right-password"}}), Moment).Value.Output;
    const QString in = folder.Write(QStringLiteral("block.bin"), QByteArray::fromHex(block));
    const auto opened = test::RunProgram(
        QStringLiteral("openssl"),
        test::OpensslEncArgs("right-password", true, in, folder.FilePath(QStringLiteral("out"))));
    ASSERT_EQ(opened.ExitCode, 0) << opened.Err.toStdString();
    const QByteArray plain = folder.Read(QStringLiteral("out"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z0-9]{16}$"))
                    .match(QString::fromLatin1(plain.left(16)))
                    .hasMatch());
    EXPECT_EQ(plain.mid(16), "2021-07-05 09h:03m:58s\r\n" + QStringLiteral("über den Fluss").toUtf8());

    const QString message =
        folder.Write(QStringLiteral("msg"), "Qz7Kp2Xw9Lm4Tn8R2021-07-05 09h:03m:58s\r\nhello");
    const auto made = test::RunProgram(
        QStringLiteral("openssl"),
        test::OpensslEncArgs("right-password", false, message, folder.FilePath(QStringLiteral("msg.bin"))));
    ASSERT_EQ(made.ExitCode, 0);
    EXPECT_EQ(folder.Read(QStringLiteral("msg.bin")).toHex().toUpper(), FixedBlock);
}

TEST(MessageBlock, Refusals) {
    const CMessageResult emptyEncrypt = EncryptMessageCommand({}, SetOf({{1, "first-pw"}}), Moment);
    ASSERT_EQ(emptyEncrypt.Outcome, Outcome::Refused);
    ASSERT_TRUE(emptyEncrypt.Message);
    EXPECT_EQ(emptyEncrypt.Message->Text,
              QStringLiteral("Please enter in 'Message input' box the message to encrypt."));
    const CMessageResult emptyDecrypt = DecryptMessageCommand({}, SetOf({{1, "first-pw"}}));
    ASSERT_EQ(emptyDecrypt.Outcome, Outcome::Refused);
    ASSERT_TRUE(emptyDecrypt.Message);
    EXPECT_EQ(emptyDecrypt.Message->Text,
              QStringLiteral(
                  "Please enter in 'Message input' box the hexadecimal block\nof the message to decrypt."));
    const CMessageResult noSelected = EncryptMessageCommand("text", SetOf({{1, "first-pw"}}, 2), Moment);
    ASSERT_EQ(noSelected.Outcome, Outcome::Refused);
    ASSERT_TRUE(noSelected.Message);
    EXPECT_EQ(noSelected.Message->Text, EmptySelectedPasswordMessage(2));
    const CMessageResult noneDefined = DecryptMessageCommand(FixedBlock, CPasswordSet{});
    ASSERT_EQ(noneDefined.Outcome, Outcome::Refused);
    ASSERT_TRUE(noneDefined.Message);
    EXPECT_EQ(noneDefined.Message->Text, NoDefinedPasswordsMessage());
    EXPECT_TRUE(noneDefined.Value.Output.isEmpty());
}

// A block longer than the longest text can give is refused before the password set is even looked at.
TEST(MessageBlock, TextAndBlockAreCapped) {
    const CPasswordSet set = SetOf({{1, "first-pw"}});
    const QByteArray atCap(MaxMessageTextLength, 'm');
    const CMessageResult longest = EncryptMessageCommand(atCap, set, Moment);
    ASSERT_TRUE(longest.Ok());
    ASSERT_EQ(longest.Value.Output.size(), MaxMessageBlockDigits);
    const CMessageResult over = EncryptMessageCommand(atCap + 'm', set, Moment);
    ASSERT_EQ(over.Outcome, Outcome::Refused);
    EXPECT_EQ(*over.Message, CUserMessage::AppBox(MessageTooLongMessage()));

    QByteArray inLines;
    for (qsizetype i = 0; i < longest.Value.Output.size(); i += 64) {
        inLines += longest.Value.Output.mid(i, 64) + "\r\n";
    }
    const struct {
        const char* What;
        QByteArray Block;
        CPasswordSet Set;
        bool TooLong;
    } cases[] = {
        {"longest block in lines", inLines, set, false},
        {"longest block and letters that are no digits", longest.Value.Output + "zz", set, false},
        {"one digit more", longest.Value.Output + "0", CPasswordSet{}, true},
        {"one cipher block more", longest.Value.Output + QByteArray(32, '0'), CPasswordSet{}, true},
    };
    for (const auto& c : cases) {
        const CMessageResult result = DecryptMessageCommand(c.Block, c.Set);
        if (c.TooLong) {
            ASSERT_EQ(result.Outcome, Outcome::Refused) << c.What;
            EXPECT_EQ(*result.Message, CUserMessage::AppBox(MessageBlockTooLongMessage())) << c.What;
        } else {
            ASSERT_TRUE(result.Ok()) << c.What;
            EXPECT_EQ(result.Value.Output, "2021-07-05 09h:03m:58s\r\n" + atCap) << c.What;
        }
    }
}
