#include "stego/HideEngine.h"

#include "crypto/CipherProfile.h"
#include "crypto/KeyDerivation.h"
#include "platform/BoundedRead.h"
#include "platform/Paths.h"
#include "stego/DetectabilityReport.h"
#include "stego/PayloadFormat.h"
#include "stego/PixelBitStream.h"

#include <QDir>
#include <QFile>

#include <cmath>

namespace veilpane {

static_assert(EncryptedLength(DataPrefixLength + MaxHiddenFileSize) <= MaxEncryptedDataLength);
static_assert(EncryptedLength(DataPrefixLength + MaxHiddenFileSize + 1) > MaxEncryptedDataLength);

CUserMessage NoContainerImageMessage(const QString& caption) {
    return CUserMessage::ErrorBox(caption, QStringLiteral("Not selected container image."));
}

CUserMessage FileToHideNotFoundMessage() {
    return CUserMessage::ErrorBox(
        QStringLiteral("File not found"),
        QStringLiteral("File not found.\r\nThe selected file to hide doesn't exist."));
}

CUserMessage FileToHideUnreadableMessage(const QString& path, const QString& reason) {
    return CUserMessage::ErrorBox(QStringLiteral("File not readable"),
                                  QStringLiteral("The selected file to hide can't be read:\n%1\n\n%2")
                                      .arg(QDir::toNativeSeparators(path), reason));
}

CUserMessage FileToHideNotRegularMessage(const QString& path, FileType type) {
    return CUserMessage::ErrorBox(
        QStringLiteral("Not a file"),
        QStringLiteral("The selected file to hide is a %1, not a regular file:\n%2\n\nOnly regular files can "
                       "be hidden.")
            .arg(FileTypeWord(type), QDir::toNativeSeparators(path)));
}

CUserMessage FileToHideTooLongMessage(const QString& path) {
    return CUserMessage::ErrorBox(
        QStringLiteral("File too long"),
        QStringLiteral(
            "The selected file is too large to hide:\n%1\n\nA hidden file can hold at most %2 bytes.")
            .arg(QDir::toNativeSeparators(path))
            .arg(MaxHiddenFileSize));
}

CUserMessage FileNameTooLongMessage() {
    return CUserMessage::ErrorBox(QStringLiteral("File too long"),
                                  QStringLiteral("The name of the selected file is too long."));
}

CUserMessage CapacityMessage(const QString& path, std::int64_t neededBytes) {
    const int side = static_cast<int>(std::floor(std::sqrt(static_cast<double>(neededBytes * 8)))) + 1;
    return CUserMessage::AppBox(
        QStringLiteral(
            "There isn't enough storage capacity on the image to hide this file:\n%1\n\nYou need at "
            "least a image with a storage capacity of %2 Ks (%3 bytes)\nMinimum resolution: %4 x %5 "
            "pixels")
            .arg(QDir::toNativeSeparators(path))
            .arg(neededBytes / 1024)
            .arg(neededBytes)
            .arg(side)
            .arg(side));
}

CUserMessage EncryptionErrorMessage() {
    return CUserMessage::ErrorBox(QStringLiteral("Encryption error"),
                                  QStringLiteral("Error encrypting file."));
}

namespace {

// The size checks, made once from the file system's size and again on the bytes actually read, in case
// the file changed in between.
std::optional<CUserMessage> CheckSize(const QString& path, std::int64_t size, std::uint32_t capacity) {
    if (size > MaxHiddenFileSize) {
        return FileToHideTooLongMessage(path);
    }
    const std::int64_t needed = size + CapacityOverhead;
    if (needed > static_cast<std::int64_t>(capacity)) {
        return CapacityMessage(path, needed);
    }
    return std::nullopt;
}

CHideResult Refused(CUserMessage message) {
    return CHideResult::Refused(std::move(message));
}

} // namespace

CHideResult HideFileInImage(CBitmap* image, const QString& path, const QByteArray& password,
                            CReportStatistics& statistics, const QDateTime& moment) {
    if (path.isEmpty() || password.isEmpty()) {
        return CHideResult::Refused();
    }
    if (!image || !image->IsValid()) {
        return Refused(NoContainerImageMessage(QStringLiteral("Not selected image")));
    }
    // Opened now, before anything else is decided: a file that exists but cannot be read stops here, and
    // so does anything but a regular file, whose size alone bounds what the read below takes.
    QFile file;
    const FileType type = OpenRegularFile(file, path);
    if (type == FileType::Missing) {
        return Refused(FileToHideNotFoundMessage());
    }
    if (type != FileType::Regular) {
        return Refused(FileToHideNotRegularMessage(path, type));
    }
    if (!file.isOpen()) {
        return Refused(FileToHideUnreadableMessage(path, file.errorString()));
    }
    const std::uint32_t capacity = ImageCapacity(image->Width(), image->Height());
    if (auto refusal = CheckSize(path, file.size(), capacity)) {
        return Refused(*refusal);
    }
    const QByteArray name = FileNameOfPath(path).toUtf8();
    if (name.isEmpty()) {
        return Refused(FileToHideNotFoundMessage());
    }
    if (name.size() > MaxPayloadNameLength) {
        return Refused(FileNameTooLongMessage());
    }
    // The file may have grown since its size was taken: the read stops one byte past the largest file a
    // payload can carry.
    const CBoundedRead read = ReadAtMost(file, MaxHiddenFileSize);
    if (read.Failed) {
        return Refused(FileToHideUnreadableMessage(path, file.errorString()));
    }
    if (read.TooLong) {
        return Refused(FileToHideTooLongMessage(path));
    }
    file.close();
    const QByteArray& content = read.Bytes;
    if (auto refusal = CheckSize(path, content.size(), capacity)) {
        return Refused(*refusal);
    }

    const CResult<CEncryptedPayload> encryption =
        EncryptPayload(content, name, KeyMaterialFor(password), FormatHideMoment(moment));
    if (encryption.Outcome == Outcome::Failed) {
        return CHideResult::Failed(EncryptionErrorMessage(), encryption.Detail);
    }
    if (!encryption.Ok()) {
        // The checks above leave nothing for these; they keep the payload's own limits in force.
        const bool dataTooLong = IsValidPayloadName(name) && !PayloadDataFits(content.size());
        return Refused(dataTooLong ? FileToHideTooLongMessage(path) : FileNameTooLongMessage());
    }
    const CEncryptedPayload& payload = encryption.Value;

    const std::uint32_t seed = ComputeStegoSeed(password);
    CHideResult result = CHideResult::Done();
    CHideReport& report = result.Value;
    report.EntropyBefore = statistics.ComputeImageEntropy(image);
    const CBitmap carrier = image->Copy();
    CBitWriteCounts counts;
    if (!WritePayloadBits(*image, payload.Header, payload.Data, seed, counts)) {
        // The capacity test leaves a margin over what the payload takes, so this cannot happen; undo the
        // first entropy call's phase so that the next hide starts cleanly.
        statistics.HistogramPhase = 1;
        return Refused(CapacityMessage(path, content.size() + CapacityOverhead));
    }
    report.EntropyAfter = statistics.ComputeImageEntropy(image);

    report.Password = password;
    report.PixelsProcessed = static_cast<std::uint32_t>(counts.Processed);
    report.ModifiedPixels = static_cast<std::uint32_t>(counts.Modified);
    // In 64 bits: a payload of several megabytes modifies more pixels than 32-bit x 100 can hold.
    report.ModifiedPercent = static_cast<std::uint32_t>(counts.Modified * 100u / counts.Processed);
    report.NeededBytes = content.size() + CapacityOverhead;
    report.CapacityBytes = capacity;
    report.CapacityPercent = report.NeededBytes * 100 / capacity;
    report.HistogramDifference = statistics.HistogramDifference;
    report.EntropyDifference = std::fabs(report.EntropyAfter - report.EntropyBefore);
    // A carrier of one colour has entropy 0: its change is not a percentage of anything.
    report.EntropyPercent =
        report.EntropyBefore > 0.0 ? report.EntropyDifference * 100.0 / report.EntropyBefore : 0.0;
    report.EncryptedDataLength = payload.Data.size();
    report.HiddenName = name;
    report.Analysis = AnalyseStego(*image, &carrier);
    return result;
}

QString FormatHideReport(const CHideReport& report) {
    QString text = QString::asprintf(
        ">>>> Steganography image generated <<<<\n\nPassword used: %s\nPixels processed: %u\nModified "
        "pixels: "
        "%u (%u%%)\n(Lower percentage is better)\n\nUsed storage capacity: %lld%%\nAbove 8%% some "
        "steganalysis "
        "tools could detect that the image contains hidden information.\n\nColor histogram difference: "
        "%d\n\nOriginal image entropy: %.3lf\nSteganograpy image entropy: %.3lf\nEntropy difference: %.3lf "
        "(%.3lf %%)\n\nNow you can save this image in PNG, BMP or TIFF format.",
        report.Password.constData(), report.PixelsProcessed, report.ModifiedPixels, report.ModifiedPercent,
        static_cast<long long>(report.CapacityPercent), report.HistogramDifference, report.EntropyBefore,
        report.EntropyAfter, report.EntropyDifference, report.EntropyPercent);
    if (report.Analysis) {
        text += FormatDetectabilitySection(*report.Analysis, report.PixelsProcessed);
    }
    return text;
}

} // namespace veilpane
