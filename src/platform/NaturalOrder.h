#pragma once

#include <QString>

namespace veilpane {

// The order people expect file names in: letters without regard to case, runs of digits by their value
// ("img2" before "img10"). Names equal that way fall back to their exact text, so that no two different
// names ever compare equal and a sort is the same on every run.
int NaturalCompare(const QString& a, const QString& b);
inline bool NaturalLess(const QString& a, const QString& b) {
    return NaturalCompare(a, b) < 0;
}

} // namespace veilpane
