// Message blocks pasted from anywhere. The first byte picks how the rest is used: as the block itself
// (0-1), as the plain text behind a block enciphered under a password of the set, so that the message
// check after the cipher is reached (2), or as a message text that must come back whole (3).
#include "FuzzSupport.h"

#include "crypto/CipherProfile.h"
#include "crypto/KeyDerivation.h"
#include "crypto/MessageBlock.h"

using namespace veilpane;
using namespace veilpane::fuzz;

namespace {

// Blocks the program makes, and the texts behind them.
QList<QByteArray> Seeds() {
    const QByteArray text = "2024-03-05 10h:11m:12s\r\nmeet at noon";
    return {
        QByteArray(1, 0) + EncryptMessageText(text, FuzzPasswordSet().Passwords[0]),
        QByteArray(1, 1) + EncryptMessageText(text, FuzzPasswordSet().Passwords[3]).toLower(),
        QByteArray(1, 0) + "3F A0 zz 12\r\n" + EncryptMessageText(text, "outsider"),
        QByteArray(1, 2) + "Abcdefgh12345678" + text,
        QByteArray(1, 3) + text,
        QByteArray(1, 3) + "no time line",
    };
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartQt();
    SetCipherLogStream(nullptr);
    WriteSeedsIfAsked(Seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CPasswordSet set = FuzzPasswordSet();
    CInput input(data, size);
    const std::uint8_t mode = input.Byte() % 4;
    const QByteArray rest = input.Rest();
    QByteArray block = rest;
    if (mode == 2) {
        CCipher encryptor = CCipher::Encryptor(KeyMaterialFor(set.Passwords[1]));
        QByteArray cipherText;
        FUZZ_CHECK(encryptor.Process(rest, cipherText));
        block = cipherText.toHex().toUpper();
    } else if (mode == 3) {
        block = EncryptMessageText(rest, set.Passwords[0]);
        FUZZ_CHECK(!block.isEmpty());
    }
    const QByteArray plain = DecryptMessageText(block, set.Passwords[0]);
    if (mode == 3 && !plain.isEmpty()) {
        FUZZ_CHECK(plain == rest);
    }
    const CMessageResult result = DecryptMessageCommand(block, set);
    if (result.Ok()) {
        FUZZ_CHECK(result.Value.PasswordIndex >= 0 && result.Value.PasswordIndex < PasswordCount);
    }
    return 0;
}
