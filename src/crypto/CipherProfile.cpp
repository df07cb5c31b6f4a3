#include "crypto/CipherProfile.h"

#include <cryptopp/aes.h>
#include <cryptopp/filters.h>
#include <cryptopp/modes.h>

#include <atomic>
#include <cstdio>
#include <variant>

namespace veilpane {

struct CCipher::Impl {
    // The mode object only references its block cipher, so both live side by side here.
    struct Encrypt {
        CryptoPP::AES::Encryption Block;
        CryptoPP::CBC_Mode_ExternalCipher::Encryption Mode;
        Encrypt(const CKeyMaterial& m) : Block(m.Key, m.Key.size()), Mode(Block, m.Iv) {}
    };
    struct Decrypt {
        CryptoPP::AES::Decryption Block;
        CryptoPP::CBC_Mode_ExternalCipher::Decryption Mode;
        Decrypt(const CKeyMaterial& m) : Block(m.Key, m.Key.size()), Mode(Block, m.Iv) {}
    };
    std::variant<std::monostate, Encrypt, Decrypt> Cipher;

    CryptoPP::StreamTransformation& Mode() {
        if (auto* e = std::get_if<Encrypt>(&Cipher)) {
            return e->Mode;
        }
        return std::get<Decrypt>(Cipher).Mode;
    }
};

CCipher::CCipher(Direction direction, const CKeyMaterial& material) : m_impl(std::make_unique<Impl>()) {
    if (direction == Direction::Encrypt) {
        m_impl->Cipher.emplace<Impl::Encrypt>(material);
    } else {
        m_impl->Cipher.emplace<Impl::Decrypt>(material);
    }
}

CCipher::~CCipher() = default;
CCipher::CCipher(CCipher&&) noexcept = default;
CCipher& CCipher::operator=(CCipher&&) noexcept = default;

CryptoPP::StreamTransformation& CCipher::Mode() {
    return m_impl->Mode();
}

bool CCipher::Process(const QByteArray& input, QByteArray& output, QString* error) {
    std::string sink;
    try {
        CryptoPP::StringSource source(
            reinterpret_cast<const CryptoPP::byte*>(input.constData()),
            static_cast<std::size_t>(input.size()), true,
            new CryptoPP::StreamTransformationFilter(Mode(), new CryptoPP::StringSink(sink),
                                                     CryptoPP::BlockPaddingSchemeDef::PKCS_PADDING));
    } catch (const CryptoPP::Exception& e) {
        const QString text = QString::fromStdString(e.what());
        LogCipherFailure(text);
        if (error) {
            *error = text;
        }
        output.clear();
        return false;
    }
    output = QByteArray(sink.data(), static_cast<qsizetype>(sink.size()));
    return true;
}

namespace {
std::atomic<std::FILE*> g_logStream{stdout};
}

void SetCipherLogStream(std::FILE* stream) {
    g_logStream = stream;
}

void LogCipherFailure(const QString& text) {
    if (std::FILE* stream = g_logStream.load()) {
        std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
    }
}

} // namespace veilpane
