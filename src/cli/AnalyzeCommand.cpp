#include "cli/AnalyzeCommand.h"

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "platform/ImageFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace veilpane::cli {

namespace {

QJsonObject EstimatesJson(const CImageEstimates& estimates) {
    QJsonObject object;
    const std::array<QString, 3> names{QStringLiteral("red"), QStringLiteral("green"),
                                       QStringLiteral("blue")};
    for (std::size_t c = 0; c < 3; ++c) {
        const CChannelEstimates& channel = estimates.Channels[c];
        object.insert(names[c], QJsonObject{{QStringLiteral("spa"), channel.Spa},
                                            {QStringLiteral("rs"), channel.Rs},
                                            {QStringLiteral("ws"), channel.Ws}});
    }
    object.insert(QStringLiteral("chi_square_share"), estimates.ChiSquareShare);
    object.insert(QStringLiteral("fused_score"), estimates.FusedScore);
    object.insert(QStringLiteral("generic_flag"), estimates.GenericFlag());
    return object;
}

} // namespace

QJsonObject AnalysisJson(const QString& path, const CStegoAnalysis& analysis) {
    const bool found = analysis.Verdict != StegoVerdict::Clean;
    return QJsonObject{
        {QStringLiteral("path"), QDir::toNativeSeparators(path)},
        {QStringLiteral("width"), static_cast<qint64>(analysis.Width)},
        {QStringLiteral("height"), static_cast<qint64>(analysis.Height)},
        {QStringLiteral("verdict"), VerdictWord(analysis.Verdict)},
        {QStringLiteral("estimated_bytes"), static_cast<qint64>(analysis.EstimatedBytes)},
        {QStringLiteral("payload_end_row"), found ? QJsonValue(analysis.PayloadEndRow) : QJsonValue()},
        {QStringLiteral("sequential_strength"), analysis.SequentialStrength},
        {QStringLiteral("agreement_distance"), analysis.AgreementDistance},
        {QStringLiteral("estimates"), EstimatesJson(analysis.Whole)},
    };
}

QString CAnalyzeCommand::Summary() const {
    return QStringLiteral("tell whether images look like they hide data, without a password");
}

QString CAnalyzeCommand::Help() const {
    return QStringLiteral(
        "Usage: veilpane-cli analyze IMAGE_OR_FOLDER... [--json]\n\n"
        "Steganalysis: no password is needed and nothing is decrypted. Prints one line per image:\n"
        "the path, a tab, the verdict (clean, suspect or stego), a tab, and the estimated size of a\n"
        "hidden payload in bytes (0 when clean). A folder stands for its images.\n\n"
        "  --json   an array of objects instead: path, width, height, verdict, estimated_bytes,\n"
        "           payload_end_row (the row a payload written from the top most likely ends in,\n"
        "           null when clean), sequential_strength, agreement_distance, and the whole-image\n"
        "           SPA, RS and WS rates per channel with the chi-square share and fused score that\n"
        "           generic tools judge by.\n\n"
        "Exits with 0 when every image was analysed, whatever the verdicts, and 1 when one could\n"
        "not be read.\n");
}

int CAnalyzeCommand::Run(const QStringList& arguments, CCliStreams& io) {
    CCommandLine line;
    line.AddOption({QStringLiteral("json")});
    line.Parse(arguments);
    if (const QString misfit = line.Misfit(); !misfit.isEmpty()) {
        return UsageError(io, Name(), misfit);
    }
    if (line.Operands().isEmpty()) {
        return UsageError(io, Name(), QStringLiteral("no image or folder given"));
    }
    const bool json = line.IsSet(QStringLiteral("json"));
    QJsonArray array;
    int status = ExitOk;
    for (const QString& path : ImageOperands(io, line.Operands(), status)) {
        const CBitmap bitmap = CBitmap::Load(path);
        if (!bitmap.IsValid()) {
            status = ImageReadFailure(io, path, bitmap.ErrorText());
            continue;
        }
        const CStegoAnalysis analysis = AnalyseStego(bitmap);
        if (json) {
            array.append(AnalysisJson(path, analysis));
        } else {
            // A file name with a tab or line end of its own would forge fields or lines of the table.
            io.Out << PrintableName(QDir::toNativeSeparators(path)) << '\t' << VerdictWord(analysis.Verdict)
                   << '\t' << static_cast<qint64>(analysis.EstimatedBytes) << '\n';
        }
    }
    if (json) {
        io.Out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    }
    return status;
}

} // namespace veilpane::cli
