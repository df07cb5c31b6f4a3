#include "crypto/RandomText.h"

#include <cryptopp/osrng.h>

namespace veilpane {

const char RandomTextAlphabet[257] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890"
                                     "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890"
                                     "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890"
                                     "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890"
                                     "abcdefgh";

QByteArray MakeRandomText(int length) {
    if (length <= 0) {
        return {};
    }
    QByteArray text(length, '\0');
    CryptoPP::SecByteBlock bytes(static_cast<std::size_t>(length));
    // A fresh pool per call: no shared generator state between the threads that hide and encrypt.
    CryptoPP::AutoSeededRandomPool pool(false, 32);
    pool.GenerateBlock(bytes.data(), bytes.size());
    for (int i = 0; i < length; ++i) {
        text[i] = RandomTextAlphabet[bytes[static_cast<std::size_t>(i)]];
    }
    return text;
}

} // namespace veilpane
