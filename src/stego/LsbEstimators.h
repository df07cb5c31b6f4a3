#pragma once

#include <array>
#include <cstdint>

namespace veilpane {

// The statistics of LSB-replacement steganalysis, kept as additive counts so that they can be gathered
// per row, on several threads, and summed over any run of rows: the whole image for what generic tools
// see, a prefix for a payload written from the top, a band for a curve. Each estimator turns its counts
// into an estimated embedding rate: the share of samples whose lowest bit carries message, 0 to 1.

// Sample pair analysis: pairs (u, v) of horizontally and vertically adjacent samples.
struct CSpaCounts {
    std::int64_t X = 0; // (v even and u < v) or (v odd and u > v)
    std::int64_t Y = 0; // (v even and u > v) or (v odd and u < v)
    std::int64_t Z = 0; // u = v
    std::int64_t W = 0; // u / 2 = v / 2 and u != v
    std::int64_t P = 0; // every pair
    void Add(int u, int v);
    CSpaCounts& operator+=(const CSpaCounts& other);
};
double SpaRate(const CSpaCounts& counts);

// RS analysis: groups of four horizontally adjacent samples under the mask 0110 and its negation, on the
// samples as they are and with every lowest bit flipped.
struct CRsCounts {
    std::int64_t Groups = 0;
    // Regular minus singular groups: mask, negated mask, and both again on the flipped samples.
    std::int64_t Mask = 0;
    std::int64_t NegMask = 0;
    std::int64_t FlippedMask = 0;
    std::int64_t FlippedNegMask = 0;
    void Add(int a, int b, int c, int d);
    CRsCounts& operator+=(const CRsCounts& other);
};
double RsRate(const CRsCounts& counts);

// Weighted stego: the sum of w (s - prediction)(s - s with its lowest bit flipped) and the sum of w, the
// prediction being the mean of the available 4-neighbours and w = 1 / (5 + their variance). Parity sums
// w (s - s flipped) times the neighbours' mean (n - n flipped): where neighbours share the sample's
// parity, as in flat areas, their own flips bias the prediction toward the flipped value, and the rate
// is corrected by it.
struct CWsSums {
    double Weighted = 0.0;
    double Weight = 0.0;
    double Parity = 0.0;
    // neighbourParity: the neighbours' sum of +1 for odd, -1 for even. Returns the sample's weighted term.
    double Add(int sample, int neighbourSum, int neighbourSquares, int neighbours, int neighbourParity = 0);
    CWsSums& operator+=(const CWsSums& other);
};
double WsRate(const CWsSums& sums);

// The chi-square attack's p-value for a histogram: near 1 when the pairs of values (2i, 2i + 1) are as
// even as a full LSB replacement leaves them, near 0 for a natural histogram. Bins whose pair holds 8
// samples or fewer are left out; 0 when fewer than two pairs are left.
double ChiSquarePValue(const std::array<std::int64_t, 256>& histogram);

// The regularised upper incomplete gamma function Q(a, x), for a > 0 and x >= 0.
double UpperIncompleteGammaQ(double a, double x);

} // namespace veilpane
