#include "crypto/KeyedDigest.h"

#include <cryptopp/hmac.h>
#include <cryptopp/misc.h>
#include <cryptopp/sha.h>

namespace veilpane {

QByteArray KeyedDigest(const QByteArray& key, const QByteArray& data) {
    try {
        CryptoPP::HMAC<CryptoPP::SHA256> mac(reinterpret_cast<const CryptoPP::byte*>(key.constData()),
                                             static_cast<std::size_t>(key.size()));
        mac.Update(reinterpret_cast<const CryptoPP::byte*>(data.constData()),
                   static_cast<std::size_t>(data.size()));
        QByteArray digest(KeyedDigestBytes, '\0');
        mac.Final(reinterpret_cast<CryptoPP::byte*>(digest.data()));
        return digest;
    } catch (const CryptoPP::Exception&) {
        return {};
    }
}

bool SameDigest(const QByteArray& a, const QByteArray& b) {
    return !a.isEmpty() && a.size() == b.size() &&
           CryptoPP::VerifyBufsEqual(reinterpret_cast<const CryptoPP::byte*>(a.constData()),
                                     reinterpret_cast<const CryptoPP::byte*>(b.constData()),
                                     static_cast<std::size_t>(a.size()));
}

} // namespace veilpane
