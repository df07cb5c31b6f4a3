#include "crypto/CryFile.h"

#include "crypto/CipherProfile.h"
#include "platform/Paths.h"

#include <cryptopp/aes.h>
#include <cryptopp/files.h>
#include <cryptopp/filters.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <vector>

namespace veilpane {

namespace {

// FileSource reads as much as the next stage offers to take in one piece, and a StreamTransformationFilter
// offers nothing, which leaves the pipeline pushing kilobyte pieces. This stage offers a large buffer,
// so the file is read and enciphered a megabyte at a time. It also counts what passed.
class CLargeBlockStage : public CryptoPP::Bufferless<CryptoPP::Filter> {
public:
    CLargeBlockStage(CryptoPP::BufferedTransformation* attachment, std::size_t blockSize)
        : m_buffer(blockSize) {
        Detach(attachment);
    }

    CryptoPP::byte* CreatePutSpace(std::size_t& size) override {
        size = m_buffer.size();
        return m_buffer.data();
    }

    std::size_t Put2(const CryptoPP::byte* input, std::size_t length, int messageEnd,
                     bool blocking) override {
        m_total += length;
        return Output(0, input, length, messageEnd, blocking);
    }

    CryptoPP::lword Total() const { return m_total; }

private:
    CryptoPP::SecByteBlock m_buffer;
    CryptoPP::lword m_total = 0;
};

class CAtomicFileSink : public CryptoPP::Bufferless<CryptoPP::Sink> {
public:
    explicit CAtomicFileSink(CAtomicFile& file) : m_file(file) {}

    std::size_t Put2(const CryptoPP::byte* input, std::size_t length, int, bool) override {
        QString error;
        if (length > 0 && !m_file.Write(input, length, &error)) {
            throw CryptoPP::Exception(CryptoPP::Exception::IO_ERROR, error.toStdString());
        }
        return 0;
    }

private:
    CAtomicFile& m_file;
};

constexpr qint64 TransferBlockSize = qint64{1} << 20;

CResult<> Fail(const QString& detail) {
    return CResult<>::Failed(std::nullopt, detail);
}

CResult<> RunOneFile(CryDirection direction, const QString& inputPath, const QString& outputPath,
                     const QByteArray& password, ExistingFile existing = ExistingFile::Replace,
                     QString* committedAs = nullptr) {
    const CFileIdentity input = IdentityOf(inputPath);
    CAtomicFile output(outputPath);
    if (existing != ExistingFile::Replace) {
        // A kept .cry file must still decrypt to a name of its own: "r (2).txt.cry", not "r.txt (2).cry".
        output.KeepExisting(direction == CryDirection::Encrypt ? QLatin1String(CryExtension) : QString());
    }
    QString error;
    CResult<> result = output.Open(&error, input.Permissions, direction == CryDirection::Decrypt)
                           ? TransformFile(direction, inputPath, output, KeyMaterialFor(password))
                           : Fail(error);
    if (result.Ok() && !output.Commit(&error)) {
        result = Fail(error);
    }
    if (!result.Ok()) {
        output.Discard();
        LogCipherFailure(result.Detail);
    }
    if (committedAs) {
        *committedAs = output.TargetPath();
    }
    return result;
}

// The file command's answer when the output's name is taken and the user did not say to write anyway.
std::optional<CResult<>> LeftInTheWay(const QString& outputPath, ExistingFile existing) {
    if ((existing == ExistingFile::Refuse || existing == ExistingFile::Skip) && IsNameTaken(outputPath)) {
        CResult<> skipped = CResult<>::Refused();
        skipped.StatusText = FileSkippedStatus(outputPath);
        return skipped;
    }
    return std::nullopt;
}

} // namespace

CResult<> TransformFile(CryDirection direction, const QString& inputPath, CAtomicFile& output,
                        const CKeyMaterial& material) {
    const CFileIdentity input = IdentityOf(inputPath);
    if (!input.Valid) {
        return Fail(QFileInfo::exists(inputPath) ? QStringLiteral("%1 is not a regular file").arg(inputPath)
                                                 : QStringLiteral("%1 does not exist").arg(inputPath));
    }
    // The cipher's file source tells only that it could not open the file; the system tells why.
    if (QFile probe(inputPath); !probe.open(QIODevice::ReadOnly)) {
        return Fail(QStringLiteral("cannot read %1: %2").arg(inputPath, probe.errorString()));
    }
    try {
        CCipher cipher(direction == CryDirection::Encrypt ? CCipher::Direction::Encrypt
                                                          : CCipher::Direction::Decrypt,
                       material);
        // A small file gets a buffer of its own size: allocating and wiping a megabyte per file would
        // dominate a folder of small files.
        const auto blockSize = static_cast<std::size_t>(std::min<qint64>(TransferBlockSize, input.Size + 16));
        auto* stage = new CLargeBlockStage(
            new CryptoPP::StreamTransformationFilter(cipher.Mode(), new CAtomicFileSink(output),
                                                     CryptoPP::BlockPaddingSchemeDef::PKCS_PADDING),
            blockSize);
        CryptoPP::FileSource source(QFile::encodeName(inputPath).constData(), true, stage, true);
        // A read error ends the stream early without an exception; a file that changed size while it was
        // read would be converted only in part. Either way the output is not the whole file.
        if (stage->Total() != static_cast<CryptoPP::lword>(input.Size)) {
            return Fail(QStringLiteral("%1 could not be read completely").arg(inputPath));
        }
    } catch (const CryptoPP::Exception& e) {
        return Fail(QString::fromStdString(e.what()));
    }
    return CResult<>::Done();
}

CResult<> EncryptOneFile(const QString& inputPath, const QString& outputPath, const QByteArray& password) {
    return RunOneFile(CryDirection::Encrypt, inputPath, outputPath, password);
}

CResult<> DecryptOneFile(const QString& inputPath, const QString& outputPath, const QByteArray& password) {
    return RunOneFile(CryDirection::Decrypt, inputPath, outputPath, password);
}

QString EncryptedPathOf(const QString& path) {
    return path + QLatin1String(CryExtension);
}

QString DecryptedPathOf(const QString& cryPath) {
    if (FileNameOfPath(cryPath).size() <= 4) {
        return {};
    }
    return cryPath.left(cryPath.size() - 4);
}

struct CCryDecryptor::Impl {
    struct CCandidate {
        int Index;
        CKeyMaterial Material;
        CryptoPP::AES::Decryption Block;
        CCandidate(int index, const CKeyMaterial& material)
            : Index(index), Material(material), Block(material.Key, material.Key.size()) {}
    };
    std::vector<std::unique_ptr<CCandidate>> Candidates;
};

CCryDecryptor::CCryDecryptor(const CPasswordSet& set) : m_impl(std::make_unique<Impl>()) {
    for (const auto& [index, password] : set.DecryptionOrder()) {
        m_impl->Candidates.push_back(std::make_unique<Impl::CCandidate>(index, KeyMaterialFor(password)));
    }
}

CCryDecryptor::~CCryDecryptor() = default;

QList<int> CCryDecryptor::PassingPasswords(const QString& cryPath) const {
    QList<int> passing;
    QFile file(cryPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return passing;
    }
    const qint64 size = file.size();
    if (size < 16 || size % 16 != 0) {
        return passing;
    }
    // CBC: the last plain block is the last cipher block deciphered and XORed with the block before it,
    // which for a one-block file is the IV.
    const qint64 tailLength = size >= 32 ? 32 : 16;
    if (!file.seek(size - tailLength)) {
        return passing;
    }
    const QByteArray tail = file.read(tailLength);
    if (tail.size() != tailLength) {
        return passing;
    }
    const auto* last = reinterpret_cast<const CryptoPP::byte*>(tail.constData()) + tailLength - 16;
    for (const auto& candidate : m_impl->Candidates) {
        const CryptoPP::byte* previous = tailLength == 32
                                             ? reinterpret_cast<const CryptoPP::byte*>(tail.constData())
                                             : candidate->Material.Iv.data();
        CryptoPP::SecByteBlock plain(16);
        candidate->Block.ProcessBlock(last, plain.data());
        for (int i = 0; i < 16; ++i) {
            plain[i] ^= previous[i];
        }
        const unsigned pad = plain[15];
        bool valid = pad >= 1 && pad <= 16;
        for (unsigned i = 16 - pad; valid && i < 16; ++i) {
            valid = plain[i] == pad;
        }
        if (valid) {
            passing.append(candidate->Index);
        }
    }
    return passing;
}

CResult<CCryDecryptor::CDecryption> CCryDecryptor::Decrypt(const QString& cryPath,
                                                           CAtomicFile& output) const {
    using CDecryptionResult = CResult<CDecryption>;
    const QList<int> passing = PassingPasswords(cryPath);
    if (passing.isEmpty()) {
        return CDecryptionResult::Failed(
            std::nullopt, QStringLiteral("%1: no password passes the padding check").arg(cryPath));
    }
    const CFileIdentity input = IdentityOf(cryPath);
    QString error;
    for (const auto& candidate : m_impl->Candidates) {
        if (!passing.contains(candidate->Index)) {
            continue;
        }
        // Each attempt starts the output afresh.
        if (!output.Open(&error, input.Permissions, true)) {
            break;
        }
        const CResult<> transformed =
            TransformFile(CryDirection::Decrypt, cryPath, output, candidate->Material);
        if (transformed.Ok()) {
            const CDecryption decryption{candidate->Index, static_cast<int>(passing.size())};
            return passing.size() > 1 ? CDecryptionResult::Partial(decryption, QString())
                                      : CDecryptionResult::Done(decryption);
        }
        error = transformed.Detail;
        output.Discard();
    }
    return CDecryptionResult::Failed(std::nullopt, error);
}

bool ChangedDuringRun(const QString& path, const CFileIdentity& input) {
    return input.Valid && IdentityOf(path).Valid && !IsUnchangedFile(path, input);
}

QString FileChangedDuringRunMessage(const QString& path, const QString& output) {
    return QStringLiteral("%1 was written to while it was converted, so it was kept; %2 holds its content as "
                          "it was read.")
        .arg(QDir::toNativeSeparators(path), QFileInfo(output).fileName());
}

QString FileEncryptionErrorMessage() {
    return QStringLiteral("File encryption error.");
}

QString FileEncryptedStatus(const QByteArray& password) {
    return QStringLiteral("File encrypted successfully. Password: %1").arg(QString::fromUtf8(password));
}

QString FileDecryptedStatus() {
    return QStringLiteral("File decrypted successfully.");
}

QString FileNotDecryptedStatus() {
    return QStringLiteral("File NOT decrypted, wrong password.");
}

QString FileDecryptedAmbiguousStatus(int passwordNumber, int passing) {
    return QStringLiteral("File decrypted with password %1, but %2 passwords fit it: the .cry file was kept. "
                          "If the result is unreadable, decrypt the .cry file with the right password alone.")
        .arg(passwordNumber)
        .arg(passing);
}

QString FileSkippedStatus(const QString& outputPath) {
    return QStringLiteral("File skipped: \"%1\" already exists.").arg(FileNameOfPath(outputPath));
}

QString FileInTheWayNote(const QString& outputPath, const QString& committedAs, bool replaced) {
    if (replaced) {
        return QStringLiteral(" (the existing \"%1\" was replaced)").arg(FileNameOfPath(outputPath));
    }
    if (committedAs != outputPath) {
        return QStringLiteral(" (saved as \"%1\" beside the existing \"%2\")")
            .arg(FileNameOfPath(committedAs), FileNameOfPath(outputPath));
    }
    return {};
}

CResult<> EncryptFileCommand(const QString& path, const CPasswordSet& set, ExistingFile existing) {
    if (const auto refusal = CheckSelectedPassword(set)) {
        return CResult<>::Refused(CUserMessage::AppBox(*refusal));
    }
    const CFileIdentity input = IdentityBeforeReading(path);
    if (!QFileInfo::exists(path)) {
        return CResult<>::Refused();
    }
    const QString outputPath = EncryptedPathOf(path);
    if (auto skipped = LeftInTheWay(outputPath, existing)) {
        return *skipped;
    }
    const bool replacing = existing == ExistingFile::Replace && IsNameTaken(outputPath);
    const QByteArray password = set.SelectedPassword();
    QString committedAs;
    const CResult<> encryption =
        RunOneFile(CryDirection::Encrypt, path, outputPath, password, existing, &committedAs);
    if (!encryption.Ok()) {
        // The file and the reason (permission denied, disk full), which the user can do something about.
        return CResult<>::Failed(
            CUserMessage::AppBox(FileEncryptionErrorMessage() + QStringLiteral("\n\n") + encryption.Detail),
            encryption.Detail);
    }
    if (!RemoveIfSameFile(path, input)) {
        if (ChangedDuringRun(path, input)) {
            CResult<> kept = CResult<>::Partial({}, FileEncryptedStatus(password));
            kept.Message = CUserMessage::AppBox(
                FileChangedDuringRunMessage(path, committedAs.isEmpty() ? outputPath : committedAs));
            return kept;
        }
        LogCipherFailure(QStringLiteral("%1 was encrypted but could not be removed").arg(path));
    }
    return CResult<>::Done({}, FileEncryptedStatus(password) +
                                   FileInTheWayNote(outputPath, committedAs, replacing));
}

CResult<> DecryptFileCommand(const QString& cryPath, const CPasswordSet& set, ExistingFile existing) {
    if (const auto refusal = CheckDefinedPasswords(set)) {
        return CResult<>::Refused(CUserMessage::AppBox(*refusal));
    }
    if (!QFileInfo::exists(cryPath)) {
        return CResult<>::Refused();
    }
    // Unread, the file would pass no password's check and be reported as a wrong password.
    if (QFile probe(cryPath); !probe.open(QIODevice::ReadOnly)) {
        const QString reason = QStringLiteral("cannot read %1: %2").arg(cryPath, probe.errorString());
        return CResult<>::Failed(CUserMessage::AppBox(QStringLiteral("File decryption error.\n\n") + reason),
                                 reason);
    }
    const CFileIdentity input = IdentityBeforeReading(cryPath);
    const QString outputPath = DecryptedPathOf(cryPath);
    if (auto skipped = LeftInTheWay(outputPath, existing)) {
        return *skipped;
    }
    const bool replacing = existing == ExistingFile::Replace && IsNameTaken(outputPath);
    CCryDecryptor decryptor(set);
    CResult<CCryDecryptor::CDecryption> decryption;
    QString committedAs;
    if (!outputPath.isEmpty()) {
        CAtomicFile output(outputPath);
        if (existing != ExistingFile::Replace) {
            output.KeepExisting();
        }
        decryption = decryptor.Decrypt(cryPath, output);
        QString error;
        if (decryption.Ok() && !output.Commit(&error)) {
            decryption = CResult<CCryDecryptor::CDecryption>::Failed(std::nullopt, error);
        }
        committedAs = output.TargetPath();
    } else {
        decryption = CResult<CCryDecryptor::CDecryption>::Failed(
            std::nullopt, QStringLiteral("%1: no file name is left for the output").arg(cryPath));
    }
    if (!decryption.Ok()) {
        LogCipherFailure(decryption.Detail);
        CResult<> result = CResult<>::Failed(std::nullopt, decryption.Detail);
        result.StatusText = FileNotDecryptedStatus();
        return result;
    }
    const QString note = FileInTheWayNote(outputPath, committedAs, replacing);
    if (decryption.Outcome == Outcome::Partial) {
        return CResult<>::Partial(
            {}, FileDecryptedAmbiguousStatus(decryption.Value.PasswordIndex + 1, decryption.Value.Passing) +
                    note);
    }
    if (!RemoveIfSameFile(cryPath, input)) {
        if (ChangedDuringRun(cryPath, input)) {
            return CResult<>::Partial({}, FileDecryptedStatus() + QLatin1Char(' ') +
                                              FileChangedDuringRunMessage(cryPath, committedAs));
        }
        LogCipherFailure(QStringLiteral("%1 was decrypted but could not be removed").arg(cryPath));
    }
    return CResult<>::Done({}, FileDecryptedStatus() + note);
}

} // namespace veilpane
