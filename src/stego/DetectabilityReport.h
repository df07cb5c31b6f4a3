#pragma once

#include "stego/StegoAnalysis.h"

#include <QString>

#include <cstdint>

namespace veilpane {

// The section the hide report ends with: how the hide changed the estimates generic tools compute, what
// those tools would conclude, in plain words whether the image would likely be flagged and what to do, and
// what an analysis aimed at this format finds. analysis is the result's, with its carrier as the cover;
// payloadPixels the pixels the payload took.
QString FormatDetectabilitySection(const CStegoAnalysis& analysis, std::uint64_t payloadPixels);

} // namespace veilpane
