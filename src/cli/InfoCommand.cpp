#include "cli/InfoCommand.h"

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/PasswordOptions.h"
#include "stego/HiddenContent.h"
#include "stego/ReportStatistics.h"
#include "stego/StegoAnalysis.h"

#include <QDir>

namespace veilpane::cli {

QString CInfoCommand::Summary() const {
    return QStringLiteral("size, capacity, entropy and hidden content of an image");
}

QString CInfoCommand::Help() const {
    return QStringLiteral(
               "Usage: veilpane-cli info IMAGE [password options]\n\n"
               "Prints the image's width and height, how many bytes it can hide (in bytes and in Ks\n"
               "of 1024 bytes, before the 194 bytes every payload needs), its colour entropy in bits\n"
               "(0 to 24), what it hides under the password set, and the verdict of the analysis that\n"
               "needs no password (clean, suspect or stego) with its estimate of a payload's size.\n\n") +
           CPasswordOptions::HelpText();
}

int CInfoCommand::Run(const QStringList& arguments, CCliStreams& io) {
    CCommandLine line;
    CPasswordOptions::AddTo(line);
    line.Parse(arguments);
    CPasswordOptions passwords(&io.In);
    if (const QString error = passwords.ReadAll(line, QStringLiteral("one image only")); !error.isEmpty()) {
        return UsageError(io, Name(), error);
    }
    const QString image = line.FirstOperand();
    if (image.isEmpty()) {
        return UsageError(io, Name(), QStringLiteral("no image given"));
    }
    const CBitmap bitmap = CBitmap::Load(image);
    if (!bitmap.IsValid()) {
        return ImageReadFailure(io, image, bitmap.ErrorText());
    }
    const std::uint32_t capacity = ImageCapacity(bitmap.Width(), bitmap.Height());
    CReportStatistics statistics;
    const double entropy = statistics.ComputeImageEntropy(&bitmap);
    const auto found = DetectPayload(bitmap, passwords.Set());
    io.Out << QStringLiteral("Width: %1\n").arg(bitmap.Width());
    io.Out << QStringLiteral("Height: %1\n").arg(bitmap.Height());
    io.Out << QStringLiteral("Capacity: %1 bytes (%2 Ks)\n").arg(capacity).arg(capacity / 1024);
    io.Out << QString::asprintf("Entropy: %.3f\n", entropy);
    if (found) {
        io.Out << QStringLiteral("Hidden: %1 %2 (password %3, %4)\n")
                      .arg(KindWord(found->Header.Kind),
                           PrintableName(ConfinedHiddenName(found->Header.Name)))
                      .arg(found->PasswordIndex + 1)
                      .arg(QString::fromLatin1(found->Header.Moment));
    } else {
        io.Out << QStringLiteral("Hidden: none\n");
    }
    const CStegoAnalysis analysis = AnalyseStego(bitmap);
    io.Out << QStringLiteral("Verdict: %1\n").arg(VerdictWord(analysis.Verdict));
    io.Out << QStringLiteral("Estimated payload: %1 bytes\n").arg(analysis.EstimatedBytes);
    return ExitOk;
}

} // namespace veilpane::cli
