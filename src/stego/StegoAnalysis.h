#pragma once

#include "platform/Bitmap.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace veilpane {

enum class StegoVerdict { Clean, Suspect, Stego };

// "clean", "suspect" or "stego".
QString VerdictWord(StegoVerdict verdict);

// Estimated embedding rates of one colour channel over the whole image, 0 to 1.
struct CChannelEstimates {
    double Spa = 0.0;
    double Rs = 0.0;
    double Ws = 0.0;
};

// What a generic tool sees: whole-image estimates, blind to where a payload lies.
struct CImageEstimates {
    std::array<CChannelEstimates, 3> Channels{}; // red, green, blue
    // The share of rows, from the top, over which the chi-square attack finds the blue value pairs evened
    // out as a full replacement leaves them.
    double ChiSquareShare = 0.0;
    int ChiSquareEndRow = -1; // the last of those rows; -1 when the first rows already look natural
    // The mean of SPA, RS and WS over the channels and of the chi-square share, as batch detectors fuse
    // their detectors.
    double FusedScore = 0.0;

    double HighestRate() const;
    // Whether the published thresholds of common tools would flag the image: a rate of 0.05 or more in any
    // channel, or a fused score above 0.2.
    bool GenericFlag() const;
};

// The thresholds of common tools and of this analysis's verdict (chosen from the measurements in the
// README).
inline constexpr double GenericChannelThreshold = 0.05;
inline constexpr double GenericFusedThreshold = 0.2;
// stego: the top agrees with a payload's bit pattern (distance 2.5 or less) and the weighted stego sees
// at least 0.35 of a payload's change there; suspect: the pattern alone, or the change with a looser
// pattern (distance 4 or less).
inline constexpr double StegoStrength = 0.35;
inline constexpr double StegoAgreementDistance = 2.5;
inline constexpr double SuspectAgreementDistance = 4.0;

struct CStegoAnalysis {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    CImageEstimates Whole;
    std::optional<CImageEstimates> Cover; // the same figures for the cover, when one was given
    // How well the top of the image fits a payload written from the top-left pixel with every blue, two in
    // three green and one in three red lowest bits replaced: about 1 over such a payload, about 0 without.
    double SequentialStrength = 0.0;
    // How far the lowest bits of blue, green and red over that stretch are from agreeing as a payload
    // makes them agree, in standard deviations: below 3 or so over a payload, whatever the picture.
    double AgreementDistance = 0.0;
    // The pixels, from the top-left, a sequential payload most likely covers, and the row it ends in; the
    // most likely end whatever the verdict.
    std::uint64_t PayloadEndPixel = 0;
    int PayloadEndRow = -1;
    std::int64_t EstimatedBytes = 0; // header and padding included; 0 when clean
    StegoVerdict Verdict = StegoVerdict::Clean;
    std::vector<double> BandRates; // the blue WS rate per band of rows, top to bottom, for a curve
};

struct CAnalysisOptions {
    int Threads = 0; // 0: one per core
    // Above this many pixels the per-row statistics use a regular subset of the columns (blocks of four),
    // which estimates the same rates; the end of a payload is then refined on every column.
    std::uint64_t SampleBudget = 1'500'000;
    int Bands = 128;
};

// Steganalysis of an image, without any password: the estimates a generic tool computes, the most likely
// sequential payload, and a verdict. With a cover of the same size (the image before a hide) the cover's
// estimates come too, and rows below the last changed one are not analysed twice.
CStegoAnalysis AnalyseStego(const CBitmap& image, const CBitmap* cover = nullptr,
                            const CAnalysisOptions& options = {});

} // namespace veilpane
