#include "stego/LsbEstimators.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace veilpane {

namespace {

// The smaller-magnitude root of a z^2 + b z + c = 0; a complex pair gives its real part, which is where the
// parabola comes closest to zero.
double SmallerRoot(double a, double b, double c) {
    if (std::fabs(a) < 1e-12) {
        return std::fabs(b) < 1e-12 ? 0.0 : -c / b;
    }
    const double discriminant = b * b - 4.0 * a * c;
    if (discriminant < 0.0) {
        return -b / (2.0 * a);
    }
    const double root = std::sqrt(discriminant);
    const double first = (-b + root) / (2.0 * a);
    const double second = (-b - root) / (2.0 * a);
    return std::fabs(first) < std::fabs(second) ? first : second;
}

double ClampRate(double rate) {
    return std::isfinite(rate) ? std::clamp(rate, 0.0, 1.0) : 0.0;
}

int Smoothness(int a, int b, int c, int d) {
    return std::abs(b - a) + std::abs(c - b) + std::abs(d - c);
}

int FlipNegative(int x) {
    return ((x + 1) ^ 1) - 1;
}

// +1 for a regular group (smoother before the flips), -1 for a singular one, 0 otherwise.
int Regularity(int before, int after) {
    return (after > before) - (after < before);
}

} // namespace

void CSpaCounts::Add(int u, int v) {
    ++P;
    if (u == v) {
        ++Z;
        return;
    }
    if ((u >> 1) == (v >> 1)) {
        ++W;
    }
    const bool vEven = (v & 1) == 0;
    if (vEven == (u < v)) {
        ++X;
    } else {
        ++Y;
    }
}

CSpaCounts& CSpaCounts::operator+=(const CSpaCounts& other) {
    X += other.X;
    Y += other.Y;
    Z += other.Z;
    W += other.W;
    P += other.P;
    return *this;
}

double SpaRate(const CSpaCounts& counts) {
    const double a = 0.5 * static_cast<double>(counts.W + counts.Z);
    const double b = 2.0 * static_cast<double>(counts.X) - static_cast<double>(counts.P);
    const double c = static_cast<double>(counts.Y - counts.X);
    if (a <= 0.0) {
        return ClampRate(std::fabs(b) < 1e-12 ? 0.0 : -c / b);
    }
    const double discriminant = b * b - 4.0 * a * c;
    if (discriminant < 0.0) {
        return ClampRate(-b / (2.0 * a));
    }
    const double root = std::sqrt(discriminant);
    return ClampRate(std::min((-b + root) / (2.0 * a), (-b - root) / (2.0 * a)));
}

void CRsCounts::Add(int a, int b, int c, int d) {
    ++Groups;
    const int plain = Smoothness(a, b, c, d);
    Mask += Regularity(plain, Smoothness(a, b ^ 1, c ^ 1, d));
    NegMask += Regularity(plain, Smoothness(a, FlipNegative(b), FlipNegative(c), d));
    a ^= 1;
    b ^= 1;
    c ^= 1;
    d ^= 1;
    const int flipped = Smoothness(a, b, c, d);
    FlippedMask += Regularity(flipped, Smoothness(a, b ^ 1, c ^ 1, d));
    FlippedNegMask += Regularity(flipped, Smoothness(a, FlipNegative(b), FlipNegative(c), d));
}

CRsCounts& CRsCounts::operator+=(const CRsCounts& other) {
    Groups += other.Groups;
    Mask += other.Mask;
    NegMask += other.NegMask;
    FlippedMask += other.FlippedMask;
    FlippedNegMask += other.FlippedNegMask;
    return *this;
}

double RsRate(const CRsCounts& counts) {
    if (counts.Groups == 0) {
        return 0.0;
    }
    const double groups = static_cast<double>(counts.Groups);
    const double d0 = static_cast<double>(counts.Mask) / groups;
    const double d1 = static_cast<double>(counts.FlippedMask) / groups;
    const double dn0 = static_cast<double>(counts.NegMask) / groups;
    const double dn1 = static_cast<double>(counts.FlippedNegMask) / groups;
    const double z = SmallerRoot(2.0 * (d1 + d0), dn0 - dn1 - d1 - 3.0 * d0, d0 - dn0);
    return std::fabs(z - 0.5) < 1e-12 ? 1.0 : ClampRate(z / (z - 0.5));
}

double CWsSums::Add(int sample, int neighbourSum, int neighbourSquares, int neighbours, int neighbourParity) {
    const double n = neighbours;
    const double mean = neighbourSum / n;
    const double variance = std::max(0.0, neighbourSquares / n - mean * mean);
    const double weight = 1.0 / (5.0 + variance);
    // s minus s with its lowest bit flipped: +1 for an odd sample, -1 for an even one.
    const double flipSign = (sample & 1) ? 1.0 : -1.0;
    const double term = weight * (sample - mean) * flipSign;
    Weighted += term;
    Weight += weight;
    Parity += weight * flipSign * neighbourParity / n;
    return term;
}

CWsSums& CWsSums::operator+=(const CWsSums& other) {
    Weighted += other.Weighted;
    Weight += other.Weight;
    Parity += other.Parity;
    return *this;
}

double WsRate(const CWsSums& sums) {
    if (sums.Weight <= 0.0) {
        return 0.0;
    }
    // A neighbour flipped with probability p / 2 adds its parity agreement to the centre's term, so the
    // plain estimate is p (1 + agreement of the cover); the agreement seen has faded by (1 - p)^2.
    const double plain = 2.0 * sums.Weighted / sums.Weight;
    const double agreement = sums.Parity / sums.Weight;
    double rate = plain;
    for (int i = 0; i < 8; ++i) {
        const double kept = std::max(0.1, (1.0 - rate) * (1.0 - rate));
        rate = plain / std::max(1.0, 1.0 + agreement / kept);
    }
    return ClampRate(rate);
}

double UpperIncompleteGammaQ(double a, double x) {
    if (x <= 0.0) {
        return 1.0;
    }
    const double logPrefix = -x + a * std::log(x) - std::lgamma(a);
    if (x < a + 1.0) {
        // The series of the lower function P converges quickly here.
        double term = 1.0 / a;
        double sum = term;
        for (int n = 1; n < 1000 && std::fabs(term) > std::fabs(sum) * 1e-15; ++n) {
            term *= x / (a + n);
            sum += term;
        }
        return std::clamp(1.0 - sum * std::exp(logPrefix), 0.0, 1.0);
    }
    // The continued fraction of Q, evaluated by the modified Lentz method.
    const double tiny = 1e-300;
    double b = x + 1.0 - a;
    double c = 1.0 / tiny;
    double d = 1.0 / b;
    double h = d;
    for (int i = 1; i < 1000; ++i) {
        const double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        d = std::fabs(d) < tiny ? tiny : d;
        c = b + an / c;
        c = std::fabs(c) < tiny ? tiny : c;
        d = 1.0 / d;
        const double step = d * c;
        h *= step;
        if (std::fabs(step - 1.0) < 1e-15) {
            break;
        }
    }
    return std::clamp(std::exp(logPrefix) * h, 0.0, 1.0);
}

double ChiSquarePValue(const std::array<std::int64_t, 256>& histogram) {
    double chi = 0.0;
    int pairs = 0;
    for (int i = 0; i < 128; ++i) {
        const double even = static_cast<double>(histogram[2 * i]);
        const double expected = (even + static_cast<double>(histogram[2 * i + 1])) / 2.0;
        if (expected > 4.0) {
            chi += (even - expected) * (even - expected) / expected;
            ++pairs;
        }
    }
    if (pairs < 2) {
        return 0.0;
    }
    return UpperIncompleteGammaQ((pairs - 1) / 2.0, chi / 2.0);
}

} // namespace veilpane
