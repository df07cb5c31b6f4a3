#pragma once

#include "platform/Bitmap.h"
#include "platform/BoundedRead.h"
#include "platform/Result.h"
#include "stego/ReportStatistics.h"
#include "stego/StegoAnalysis.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace veilpane {

// The figures of the report shown after a hide.
struct CHideReport {
    QByteArray Password;
    std::uint32_t PixelsProcessed = 0; // always 8 x (144 + encrypted data length)
    std::uint32_t ModifiedPixels = 0;
    std::uint32_t ModifiedPercent = 0; // modified x 100 / processed, integer division
    std::int64_t CapacityPercent = 0;  // (file size + 194) x 100 / capacity, integer division
    std::int32_t HistogramDifference = 0;
    double EntropyBefore = 0.0;
    double EntropyAfter = 0.0;
    double EntropyDifference = 0.0; // |after - before|
    double EntropyPercent = 0.0;    // difference x 100 / before; 0 for a carrier of entropy 0
    std::int64_t NeededBytes = 0;   // file size + 194
    std::uint32_t CapacityBytes = 0;
    std::int64_t EncryptedDataLength = 0;
    QByteArray HiddenName; // the name inside the payload
    // The steganalysis of the result with the carrier as its cover; the report ends with what it found.
    std::optional<CStegoAnalysis> Analysis;
};

// The outcome of a hide. Done: the payload is in the image and the value holds the report's figures.
// Refused or Failed (the cipher failed): the image is unchanged and Message, when set, is what the user is
// told (an empty path or password refuses silently).
using CHideResult = CResult<CHideReport>;

// Hides the file at path in image under the password: encrypts it into a payload named after the file,
// writes its bits into the pixels and computes the report figures through statistics (whose two entropy
// calls store and compare the histogram). Every refusal happens before the first pixel is touched.
CHideResult HideFileInImage(CBitmap* image, const QString& path, const QByteArray& password,
                            CReportStatistics& statistics,
                            const QDateTime& moment = QDateTime::currentDateTime());

// The report text exactly as the user reads it: the hide's figures, then, with an analysis, how detectable
// the result is.
QString FormatHideReport(const CHideReport& report);

// The messages of the hide's refusals.
CUserMessage NoContainerImageMessage(const QString& caption); // "Not selected image" or "No base image"
CUserMessage FileToHideNotFoundMessage();
CUserMessage FileToHideUnreadableMessage(const QString& path, const QString& reason);
// A folder, device, named pipe or socket: only a regular file can be hidden.
CUserMessage FileToHideNotRegularMessage(const QString& path, FileType type);
CUserMessage FileToHideTooLongMessage(const QString& path);
CUserMessage FileNameTooLongMessage();
CUserMessage CapacityMessage(const QString& path, std::int64_t neededBytes);
CUserMessage EncryptionErrorMessage();

// The largest file whose encrypted data block still fits the header's seven digits.
inline constexpr std::int64_t MaxHiddenFileSize = 9'999'967;

} // namespace veilpane
