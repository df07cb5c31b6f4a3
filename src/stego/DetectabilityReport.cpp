#include "stego/DetectabilityReport.h"

namespace veilpane {

namespace {

QString Rates(const CChannelEstimates& channel) {
    return QString::asprintf("%.3f / %.3f / %.3f", channel.Spa, channel.Rs, channel.Ws);
}

QString GenericConclusion(const CImageEstimates& carrier, const CImageEstimates& result) {
    if (carrier.GenericFlag()) {
        return QStringLiteral(
            "Generic tools would flag this image, but they already flag the carrier, which hides nothing: "
            "their alarm says little about this hide. What this hide adds is the change above.");
    }
    if (result.GenericFlag()) {
        return QStringLiteral(
            "Generic tools would likely flag this image because of this hide. Hide a smaller payload, or "
            "choose a noisier cover (a detailed photo rather than smooth sky or flat colour).");
    }
    return QStringLiteral("Generic tools would likely not flag this image.");
}

} // namespace

QString FormatDetectabilitySection(const CStegoAnalysis& analysis, std::uint64_t payloadPixels) {
    const CImageEstimates carrier = analysis.Cover.value_or(CImageEstimates{});
    const CImageEstimates& result = analysis.Whole;
    QString text = QStringLiteral("\n\n>>>> Detectability <<<<\n\n"
                                  "Estimated embedding rate (SPA / RS / WS), carrier -> result:\n");
    const std::array<const char*, 3> names{"Red", "Green", "Blue"};
    for (std::size_t c = 0; c < 3; ++c) {
        text += QStringLiteral("%1: %2 -> %3\n")
                    .arg(QLatin1String(names[c]), Rates(carrier.Channels[c]), Rates(result.Channels[c]));
    }
    text += QString::asprintf("Fused score: %.3f -> %.3f\n\n", carrier.FusedScore, result.FusedScore);
    text +=
        QStringLiteral("Generic tools flag a rate of %1 or more in any channel, or a fused score above %2.\n")
            .arg(GenericChannelThreshold)
            .arg(GenericFusedThreshold);
    text += GenericConclusion(carrier, result);
    const std::uint64_t width = std::max<std::uint32_t>(analysis.Width, 1);
    const auto trueEndRow = static_cast<long long>(payloadPixels > 0 ? (payloadPixels - 1) / width : 0);
    text +=
        QStringLiteral("\n\nAn analysis aimed at this format finds: %1").arg(VerdictWord(analysis.Verdict));
    if (analysis.Verdict != StegoVerdict::Clean) {
        text +=
            // Rows are counted from 1 here, as a person counts them; the command line's JSON keeps indexes.
            QStringLiteral(", about %1 bytes hidden from the top down to row %2 (this hide reaches row %3)")
                .arg(analysis.EstimatedBytes)
                .arg(analysis.PayloadEndRow + 1)
                .arg(trueEndRow + 1);
    }
    text += QStringLiteral(
        ".\nThis format writes from the top-left pixel into every blue lowest bit, so such an analysis "
        "finds even a few bytes, whatever the cover: keep the image away from anyone who would look for it.");
    return text;
}

} // namespace veilpane
