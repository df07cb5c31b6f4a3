// The payload reader on pixels someone else made. The input is laid out as
//   [flags] [width] [137 plain header bytes] [data bytes...]
// and encrypted the way a hide does before its bits go into the pixels, so that most inputs get past the
// cipher and the parsing behind it (pass phrase, name and data lengths, names, kinds) is what is fuzzed.
// flags: bit 0 forces the pass phrase into the header; bit 1 writes the data block unencrypted (damaged
// ciphertext); bit 2 cuts the image short; bit 3 writes the true data length into the header; bits 4-6
// pick the password (0-4 from the set, 5-7 one outside it).
#include "FuzzSupport.h"

#include "crypto/CipherProfile.h"
#include "crypto/KeyDerivation.h"
#include "stego/HiddenContent.h"
#include "stego/PayloadFormat.h"

#include <QDateTime>
#include <QFileInfo>

using namespace veilpane;
using namespace veilpane::fuzz;

namespace {

// Headers as a hide writes them, for names of each kind and names that try to leave their folder.
QList<QByteArray> Seeds() {
    const QByteArray moment = FormatHideMoment(QDateTime::fromSecsSinceEpoch(1700000000));
    QList<QByteArray> seeds;
    const struct {
        const char* Name;
        QByteArray Content;
        std::uint8_t Flags;
    } cases[] = {
        {"holiday.png", QByteArray(300, 'p'), 0x09},
        {"notes.txt", "the secret message\r\n", 0x19},
        {"report.pdf", QByteArray(40, '\x07'), 0x49},
        {"../../escape.txt", "up and out", 0x09},
        {"/etc/passwd", "absolute", 0x09},
        {"a\\b\\c.doc", "backslashes", 0x0B},
        {":resource.txt", "a leading colon", 0x09},
        {"notes.txt", "damaged", 0x0B},
        {"short.bin", "cut short", 0x0D},
        {"outsider.txt", "wrong password", 0x79},
    };
    for (const auto& c : cases) {
        const qint64 length = EncryptedLength(DataPrefixLength + c.Content.size());
        const std::optional<QByteArray> header = BuildPlainHeader(c.Name, length, moment);
        FUZZ_CHECK(header);
        seeds << QByteArray(1, static_cast<char>(c.Flags)) + QByteArray(1, 40) + *header +
                     QByteArray(DataPrefixLength, 'R') + c.Content;
    }
    return seeds;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartQt();
    SetCipherLogStream(nullptr);
    WriteSeedsIfAsked(Seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CScratchFolder scratch;
    static const CPasswordSet set = FuzzPasswordSet();
    CInput input(data, size);
    const std::uint8_t flags = input.Byte();
    const std::uint32_t width = 8u + input.Byte() % 120u;
    QByteArray plainHeader = input.Bytes(PlainHeaderLength);
    plainHeader.resize(PlainHeaderLength, '\0');
    const QByteArray content = input.Rest();

    const int passwordChoice = (flags >> 4) & 7;
    const QByteArray password =
        passwordChoice < PasswordCount ? set.Passwords[static_cast<std::size_t>(passwordChoice)] : "outsider";
    CCipher encryptor = CCipher::Encryptor(KeyMaterialFor(password));
    QByteArray dataBlock;
    if (flags & 2) {
        dataBlock = content;
    } else {
        FUZZ_CHECK(encryptor.Process(content, dataBlock));
    }
    if (flags & 1) {
        plainHeader.replace(PassPhraseOffset, PassPhraseLength, PassPhrase);
    }
    if (flags & 8) {
        plainHeader.replace(PassPhraseOffset + 34, 7,
                            QByteArray::number(dataBlock.size() % 10'000'000).rightJustified(7, '0'));
    }
    QByteArray header;
    FUZZ_CHECK(encryptor.Process(plainHeader, header));
    FUZZ_CHECK(header.size() == EncryptedHeaderLength);

    // One bit per pixel in the blue channel's lowest bit, from pixel 0, as the writer lays them.
    const QByteArray bits = header + dataBlock;
    const std::uint64_t pixels = static_cast<std::uint64_t>(bits.size()) * 8u;
    std::uint32_t height = static_cast<std::uint32_t>((pixels + width - 1) / width);
    if (flags & 4) {
        height = std::max<std::uint32_t>(1, height / 2);
    }
    CBitmap image(width, height);
    FUZZ_CHECK(image.IsValid());
    for (std::uint64_t i = 0; i < pixels && i / width < height; ++i) {
        const std::uint32_t bit =
            (static_cast<std::uint8_t>(bits[static_cast<qsizetype>(i / 8)]) >> (i % 8)) & 1u;
        image.SetPixel(static_cast<std::uint32_t>(i % width), static_cast<std::uint32_t>(i / width),
                       0xFF808080u | bit);
    }

    const CHiddenContent detected = FindHiddenContent(image, set, true, HiddenOutput::Folder).Value;
    const CHiddenContent text = FindHiddenContent(image, set, false, HiddenOutput::Text).Value;
    const CResult<CHiddenContent> written =
        FindHiddenContent(image, set, false, HiddenOutput::Folder, scratch.Path());
    // Only a result that reports success may leave a file, and it always names what it wrote.
    FUZZ_CHECK(written.Ok() == (written.Value.Kind != HiddenNothing));
    const CHiddenContent& file = written.Value;
    if (file.Kind != HiddenNothing) {
        // Whatever the header says, the file lands in the folder asked for, under the confined name.
        FUZZ_CHECK(!file.Name.isEmpty());
        FUZZ_CHECK(QFileInfo(file.WrittenPath).absolutePath() ==
                   QFileInfo(scratch.Path()).absoluteFilePath());
        FUZZ_CHECK(scratch.Entries() == QStringList{file.Name});
        QFile written(file.WrittenPath);
        FUZZ_CHECK(written.open(QIODevice::ReadOnly) && written.readAll() == file.Content);
        FUZZ_CHECK(file.Kind == detected.Kind && file.Content == text.Content);
    } else {
        FUZZ_CHECK(scratch.Entries().isEmpty());
    }
    if (text.Kind != HiddenNothing) {
        FUZZ_CHECK(text.Moment.size() == MomentLength);
    }
    scratch.Clear();
    return 0;
}
