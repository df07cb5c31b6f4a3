#include "stego/HiddenContent.h"

#include "crypto/CipherProfile.h"
#include "crypto/KeyDerivation.h"
#include "platform/OutputFile.h"
#include "platform/Paths.h"
#include "stego/PixelBitStream.h"

#include <QDir>
#include <QFileInfo>

namespace veilpane {

std::optional<CFoundHeader> OpenPayloadHeader(const QByteArray& encryptedHeader,
                                              const CPasswordSet& passwords) {
    // The bytes read do not depend on the password, so they are read once and only the decryption repeats.
    for (const auto& [index, password] : passwords.DecryptionOrder()) {
        if (auto header = DecryptPayloadHeader(encryptedHeader, KeyMaterialFor(password))) {
            return CFoundHeader{std::move(*header), index, password};
        }
    }
    return std::nullopt;
}

std::optional<CFoundHeader> DetectPayload(const CBitmap& image, const CPasswordSet& passwords) {
    const std::uint64_t pixels = static_cast<std::uint64_t>(image.Width()) * image.Height();
    if (!image.IsValid() || pixels < HeaderPixelCount) {
        return std::nullopt;
    }
    return OpenPayloadHeader(ReadHiddenBytes(image, 0, EncryptedHeaderLength), passwords);
}

QString ConfinedHiddenName(const QByteArray& storedName) {
    return PlainFileName(QString::fromUtf8(storedName));
}

QString HiddenFilePath(const QString& folder, const QString& confinedName) {
    return PathInFolder(folder, confinedName);
}

QString DotFileNote(const QString& writtenPath) {
    return QFileInfo(writtenPath).fileName().startsWith(QLatin1Char('.'))
               ? QStringLiteral(" (a hidden file: its name starts with \".\")")
               : QString();
}

CResult<CHiddenContent> FindHiddenContent(const CBitmap& image, const CPasswordSet& passwords,
                                          bool detectOnly, HiddenOutput output,
                                          const QString& destinationFolder, ExistingFile whenTaken) {
    using CFound = CResult<CHiddenContent>;
    const auto failed = [](const QString& why) {
        LogCipherFailure(why);
        return CFound::Failed(std::nullopt, why);
    };
    const std::optional<CFoundHeader> opened = DetectPayload(image, passwords);
    if (!opened) {
        return CFound::Refused();
    }
    CHiddenContent found;
    const CPayloadHeader& header = opened->Header;
    found.Name = ConfinedHiddenName(header.Name);
    found.Moment = header.Moment;
    if (detectOnly) {
        found.Kind = header.Kind;
        return CFound::Done(std::move(found));
    }
    // A data block that reaches past the last pixel was never written by a hide (it refuses images too
    // small for the whole payload); reading it would only decrypt up to ten megabytes of zeros.
    const std::uint64_t pixels = static_cast<std::uint64_t>(image.Width()) * image.Height();
    if (PayloadPixelCount(header.DataLength) > pixels) {
        return failed(QStringLiteral("The hidden data block reaches past the end of the image."));
    }
    const QByteArray encrypted = ReadHiddenBytes(image, HeaderPixelCount, header.DataLength);
    std::optional<QByteArray> content = DecryptPayloadData(encrypted, KeyMaterialFor(opened->Password));
    if (!content) {
        return CFound::Failed(std::nullopt, QStringLiteral("The hidden data block does not decrypt."));
    }
    if (output == HiddenOutput::Text) {
        found.Text = QString::fromUtf8(header.Moment + "\r\n\r\n" + *content);
    } else {
        if (found.Name.isEmpty()) {
            return failed(QStringLiteral("The hidden file's name is not a usable file name."));
        }
        const QString path = HiddenFilePath(destinationFolder, found.Name);
        const CResult<COutputFile> written = WriteOutputFile(
            path, *content, output == HiddenOutput::TempImage ? ExistingFile::Replace : whenTaken);
        if (written.Outcome == Outcome::Refused) {
            found.Kind = header.Kind;
            found.InTheWay = written.Value.InTheWay;
            CFound refused = CFound::Refused();
            refused.Value = std::move(found);
            return refused;
        }
        if (!written.Ok()) {
            return failed(QStringLiteral("%1: %2").arg(path, written.Detail));
        }
        found.WrittenPath = written.Value.WrittenPath;
    }
    found.Content = std::move(*content);
    found.Kind = header.Kind;
    return CFound::Done(std::move(found));
}

HiddenKind FindHiddenContent(const CBitmap& image, const CPasswordSet& passwords, bool detectOnly,
                             HiddenOutput output, const QString& destinationFolder, QString& name,
                             QString& text) {
    const CResult<CHiddenContent> found =
        FindHiddenContent(image, passwords, detectOnly, output, destinationFolder);
    if (!found.Ok()) {
        return HiddenNothing;
    }
    name = found.Value.Name;
    text = found.Value.Text;
    return found.Value.Kind;
}

} // namespace veilpane
