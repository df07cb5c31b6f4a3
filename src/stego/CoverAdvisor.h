#pragma once

#include "stego/StegoAnalysis.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

namespace veilpane {

// What a hide of a given size into one image would show, measured on a hide simulated in memory.
struct CCoverTrial {
    QString Path;
    QString Error; // why the image could not be read; empty when it was
    bool Fits = false;
    StegoVerdict Verdict = StegoVerdict::Clean;
    bool GenericFlag = false;
    double Change = 0.0; // the rise of the highest whole-image rate a generic tool sees
};

// Simulates a hide of size random bytes (as an encrypted payload looks) into a copy of the image's real
// pixels and analyses the result. Writes nothing.
CCoverTrial TryCover(const QString& path, std::int64_t size);

// Every image tried on all cores; the ones that can hold the payload, best cover first (the verdict an
// analysis would reach, then whether common tools would flag it, then the change), followed by the ones
// that could not be read. progress(done, total) is called from the working threads; cancelled stops the
// work early (the images not tried are left out).
std::vector<CCoverTrial> RankCovers(const QStringList& images, std::int64_t size,
                                    const std::function<void(int, int)>& progress = {},
                                    const std::function<bool()>& cancelled = {});

} // namespace veilpane
