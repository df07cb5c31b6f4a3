#include "stego/StegoAnalysis.h"

#include "stego/LsbEstimators.h"
#include "stego/PixelBitStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace veilpane {

QString VerdictWord(StegoVerdict verdict) {
    switch (verdict) {
    case StegoVerdict::Suspect:
        return QStringLiteral("suspect");
    case StegoVerdict::Stego:
        return QStringLiteral("stego");
    case StegoVerdict::Clean:
        break;
    }
    return QStringLiteral("clean");
}

double CImageEstimates::HighestRate() const {
    double highest = 0.0;
    for (const CChannelEstimates& channel : Channels) {
        highest = std::max({highest, channel.Spa, channel.Rs, channel.Ws});
    }
    return highest;
}

bool CImageEstimates::GenericFlag() const {
    return HighestRate() >= GenericChannelThreshold || FusedScore > GenericFusedThreshold;
}

namespace {

// Red, green, blue: the shift of the channel in a 32-bit ARGB pixel and the share of its lowest bits a
// payload of this program replaces (blue always, green by two choices in three, red by one).
constexpr std::array<int, 3> ChannelShift{16, 8, 0};
constexpr std::array<double, 3> PayloadRate{1.0 / 3.0, 2.0 / 3.0, 1.0};

// The smallest payload: the header and the 32-byte data block of an empty file.
constexpr std::uint64_t MinPayloadPixels = PayloadPixelCount(32);

struct CRowStats {
    std::array<CSpaCounts, 3> Spa{};
    std::array<CRsCounts, 3> Rs{};
    std::array<CWsSums, 3> Ws{};
    std::array<std::int32_t, 256> BlueHistogram{};
    std::uint32_t Sampled = 0;
    // Pixels whose blue lowest bit equals green's, and red's.
    std::uint32_t BlueGreenAgree = 0;
    std::uint32_t BlueRedAgree = 0;
};

inline std::uint32_t BlueGreenAgrees(std::uint32_t pixel) {
    return ((pixel ^ (pixel >> 8)) & 1u) ^ 1u;
}
inline std::uint32_t BlueRedAgrees(std::uint32_t pixel) {
    return ((pixel ^ (pixel >> 16)) & 1u) ^ 1u;
}

inline int Channel(std::uint32_t pixel, int shift) {
    return static_cast<int>((pixel >> shift) & 0xFFu);
}

// The weighted-stego term of one sample from its available 4-neighbours.
inline double AddWs(CWsSums& sums, const std::uint32_t* up, const std::uint32_t* row,
                    const std::uint32_t* down, std::uint32_t x, std::uint32_t width, int shift) {
    int sum = 0;
    int squares = 0;
    int count = 0;
    int parity = 0;
    const auto take = [&](std::uint32_t pixel) {
        const int v = Channel(pixel, shift);
        sum += v;
        squares += v * v;
        parity += (v & 1) ? 1 : -1;
        ++count;
    };
    if (up) {
        take(up[x]);
    }
    if (down) {
        take(down[x]);
    }
    if (x > 0) {
        take(row[x - 1]);
    }
    if (x + 1 < width) {
        take(row[x + 1]);
    }
    return count > 0 ? sums.Add(Channel(row[x], shift), sum, squares, count, parity) : 0.0;
}

struct CRowView {
    const std::uint32_t* Up;
    const std::uint32_t* Row;
    const std::uint32_t* Down;
};

CRowView RowsAround(const CBitmap& image, std::uint32_t y) {
    return {y > 0 ? image.ConstScanLine(y - 1) : nullptr, image.ConstScanLine(y),
            y + 1 < image.Height() ? image.ConstScanLine(y + 1) : nullptr};
}

// Every statistic of one row over blocks of four columns, one block every step columns. A row's vertical
// pairs are those with the row below it.
CRowStats AnalyseRow(const CBitmap& image, std::uint32_t y, std::uint32_t step) {
    CRowStats stats;
    const std::uint32_t width = image.Width();
    const CRowView rows = RowsAround(image, y);
    for (std::uint32_t block = 0; block < width; block += step) {
        const std::uint32_t end = std::min(block + 4, width);
        for (std::uint32_t x = block; x < end; ++x) {
            const std::uint32_t pixel = rows.Row[x];
            for (int c = 0; c < 3; ++c) {
                const int shift = ChannelShift[static_cast<std::size_t>(c)];
                const int sample = Channel(pixel, shift);
                AddWs(stats.Ws[static_cast<std::size_t>(c)], rows.Up, rows.Row, rows.Down, x, width, shift);
                if (x + 1 < width) {
                    stats.Spa[static_cast<std::size_t>(c)].Add(sample, Channel(rows.Row[x + 1], shift));
                }
                if (rows.Down) {
                    stats.Spa[static_cast<std::size_t>(c)].Add(sample, Channel(rows.Down[x], shift));
                }
            }
            stats.BlueGreenAgree += BlueGreenAgrees(pixel);
            stats.BlueRedAgree += BlueRedAgrees(pixel);
            ++stats.BlueHistogram[pixel & 0xFFu];
            ++stats.Sampled;
        }
        if (block + 3 < width) {
            for (int c = 0; c < 3; ++c) {
                const int shift = ChannelShift[static_cast<std::size_t>(c)];
                stats.Rs[static_cast<std::size_t>(c)].Add(
                    Channel(rows.Row[block], shift), Channel(rows.Row[block + 1], shift),
                    Channel(rows.Row[block + 2], shift), Channel(rows.Row[block + 3], shift));
            }
        }
    }
    return stats;
}

// Runs work(begin, end) over [0, count) split between threads; each call writes only its own range.
template <typename Work> void ParallelRows(std::uint32_t count, int threads, const Work& work) {
    const std::uint32_t parts = std::clamp<std::uint32_t>(static_cast<std::uint32_t>(threads), 1u,
                                                          std::max<std::uint32_t>(1u, count / 32u));
    if (parts <= 1) {
        work(0u, count);
        return;
    }
    std::vector<std::thread> pool;
    pool.reserve(parts - 1);
    const std::uint32_t chunk = (count + parts - 1) / parts;
    for (std::uint32_t part = 1; part < parts; ++part) {
        const std::uint32_t begin = std::min(count, part * chunk);
        const std::uint32_t end = std::min(count, begin + chunk);
        pool.emplace_back([&work, begin, end] { work(begin, end); });
    }
    work(0u, std::min(count, chunk));
    for (std::thread& thread : pool) {
        thread.join();
    }
}

int ThreadCount(const CAnalysisOptions& options) {
    if (options.Threads > 0) {
        return options.Threads;
    }
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

std::uint32_t ColumnStep(const CBitmap& image, const CAnalysisOptions& options) {
    const std::uint64_t pixels = std::uint64_t{image.Width()} * image.Height();
    const std::uint64_t budget = std::max<std::uint64_t>(options.SampleBudget, 1);
    return static_cast<std::uint32_t>(4 * std::max<std::uint64_t>(1, (pixels + budget - 1) / budget));
}

// Rows [begin, end) of stats, computed afresh.
void AnalyseRows(const CBitmap& image, std::uint32_t step, std::vector<CRowStats>& stats, std::uint32_t end,
                 int threads) {
    ParallelRows(end, threads, [&](std::uint32_t first, std::uint32_t last) {
        for (std::uint32_t y = first; y < last; ++y) {
            stats[y] = AnalyseRow(image, y, step);
        }
    });
}

CImageEstimates WholeEstimates(const std::vector<CRowStats>& rows) {
    std::array<CSpaCounts, 3> spa{};
    std::array<CRsCounts, 3> rs{};
    std::array<CWsSums, 3> ws{};
    for (const CRowStats& row : rows) {
        for (std::size_t c = 0; c < 3; ++c) {
            spa[c] += row.Spa[c];
            rs[c] += row.Rs[c];
            ws[c] += row.Ws[c];
        }
    }
    CImageEstimates estimates;
    double sum = 0.0;
    for (std::size_t c = 0; c < 3; ++c) {
        estimates.Channels[c] = {SpaRate(spa[c]), RsRate(rs[c]), WsRate(ws[c])};
        sum += estimates.Channels[c].Spa + estimates.Channels[c].Rs + estimates.Channels[c].Ws;
    }
    // The chi-square scan grows the prefix by about 1/256 of the image at a time; a payload evens out the
    // blue value pairs, so the p-value stays high over it and falls once natural rows dominate.
    const std::size_t height = rows.size();
    const std::size_t stepRows = std::max<std::size_t>(1, height / 256);
    std::array<std::int64_t, 256> histogram{};
    std::size_t y = 0;
    while (y < height) {
        const std::size_t end = std::min(height, y + stepRows);
        for (; y < end; ++y) {
            for (std::size_t v = 0; v < 256; ++v) {
                histogram[v] += rows[y].BlueHistogram[v];
            }
        }
        if (ChiSquarePValue(histogram) < 0.5) {
            break;
        }
        estimates.ChiSquareEndRow = static_cast<int>(end) - 1;
    }
    estimates.ChiSquareShare =
        height > 0 ? static_cast<double>(estimates.ChiSquareEndRow + 1) / static_cast<double>(height) : 0.0;
    estimates.FusedScore = (sum / 3.0 + estimates.ChiSquareShare) / 4.0;
    return estimates;
}

// Whatever the cover, a payload's random bit makes blue agree with green in 5 pixels of 6 and with red
// in 2 of 3. How far a stretch is from that, in binomial standard deviations (the larger of the two), with
// a little slack for the cover's own share in the draws.
double AgreementDistanceOf(double pixels, double blueGreen, double blueRed) {
    if (pixels <= 0.0) {
        return 1e9;
    }
    const auto distance = [pixels](double agree, double expected) {
        const double spread = std::sqrt(expected * (1.0 - expected) / pixels) + 0.02;
        return std::fabs(agree / pixels - expected) / spread;
    };
    return std::max(distance(blueGreen, 5.0 / 6.0), distance(blueRed, 2.0 / 3.0));
}

double Divergence(double share, double expected) {
    const double p = std::clamp(share, 1e-6, 1.0 - 1e-6);
    return p * std::log(p / expected) + (1.0 - p) * std::log((1.0 - p) / (1.0 - expected));
}

// Per pixel, how surely a row's agreement rules a payload out (the Kullback-Leibler divergence from a
// payload's); 0 for a row that could carry one.
double RowMismatch(double pixels, double blueGreen, double blueRed) {
    if (pixels <= 0.0 || AgreementDistanceOf(pixels, blueGreen, blueRed) <= 3.0) {
        return 0.0;
    }
    return Divergence(blueGreen / pixels, 5.0 / 6.0) + Divergence(blueRed / pixels, 2.0 / 3.0);
}

// Log-likelihood ratios, per pixel, of the agreement of blue's lowest bit with green's and red's: a
// payload (5 in 6, 2 in 3) against what the lower half of the picture shows. Where the picture's own
// bits already agree that way the ratios vanish and the weighted stego alone decides.
struct CAgreementModel {
    std::array<double, 4> Log{}; // blue-green agree, disagree; blue-red agree, disagree

    static CAgreementModel FromReference(double pixels, double blueGreen, double blueRed) {
        CAgreementModel model;
        if (pixels <= 0.0) {
            return model;
        }
        const double green = std::clamp(blueGreen / pixels, 0.05, 0.95);
        const double red = std::clamp(blueRed / pixels, 0.05, 0.95);
        model.Log = {std::log(5.0 / 6.0 / green), std::log(1.0 / 6.0 / (1.0 - green)),
                     std::log(2.0 / 3.0 / red), std::log(1.0 / 3.0 / (1.0 - red))};
        return model;
    }
    double Score(double pixels, double blueGreen, double blueRed) const {
        return blueGreen * Log[0] + (pixels - blueGreen) * Log[1] + blueRed * Log[2] +
               (pixels - blueRed) * Log[3];
    }
};

// The weighted-stego sums of a stretch, per channel, with the drift of a sequential payload's CUSUM.
struct CSequentialSums {
    std::array<CWsSums, 3> Ws{};
    // Sum over channels of rate x (weighted - rate / 4 x weight): rises by about rate^2 / 4 per unit of
    // weight over a payload, falls by as much outside one.
    double Score = 0.0;
    double Pixels = 0.0;
    double BlueGreenAgree = 0.0;
    double BlueRedAgree = 0.0;

    // A row that could carry a payload adds the evidence of its agreement; one that cannot takes away
    // as much as it rules a payload out, so that a change in the picture's own bits is no payload.
    void AddAgreement(const CAgreementModel& model, double pixels, double blueGreen, double blueRed,
                      double scale, double mismatch) {
        const double evidence = model.Score(pixels, blueGreen, blueRed);
        Score += scale * (mismatch > 0.0 ? -pixels * mismatch : evidence);
        Pixels += pixels;
        BlueGreenAgree += blueGreen;
        BlueRedAgree += blueRed;
    }
    void Add(const std::array<CWsSums, 3>& ws, double scale) {
        for (std::size_t c = 0; c < 3; ++c) {
            Ws[c].Weighted += ws[c].Weighted * scale;
            Ws[c].Weight += ws[c].Weight * scale;
            Score += scale * PayloadRate[c] * (ws[c].Weighted - PayloadRate[c] / 4.0 * ws[c].Weight);
        }
    }
    // The payload strength: the least-squares fit of the channels' rates to rate x PayloadRate.
    double Strength() const {
        double fit = 0.0;
        double norm = 0.0;
        for (std::size_t c = 0; c < 3; ++c) {
            fit += PayloadRate[c] * 2.0 * Ws[c].Weighted;
            norm += PayloadRate[c] * PayloadRate[c] * Ws[c].Weight;
        }
        return norm > 0.0 ? fit / norm : 0.0;
    }
    double AgreementDistance() const { return AgreementDistanceOf(Pixels, BlueGreenAgree, BlueRedAgree); }
};

std::array<CWsSums, 3> PixelWs(const CBitmap& image, const CRowView& rows, std::uint32_t x) {
    std::array<CWsSums, 3> ws{};
    for (std::size_t c = 0; c < 3; ++c) {
        AddWs(ws[c], rows.Up, rows.Row, rows.Down, x, image.Width(), ChannelShift[c]);
    }
    return ws;
}

// The most likely end of a sequential payload: the maximum of the CUSUM over rows, refined pixel by pixel
// on every column within two rows of it; never shorter than the smallest payload.
void FindSequentialPayload(const CBitmap& image, const std::vector<CRowStats>& rows, CStegoAnalysis& result) {
    const std::uint32_t width = image.Width();
    const std::uint32_t height = image.Height();
    const std::uint64_t pixels = std::uint64_t{width} * height;
    if (pixels < MinPayloadPixels) {
        return;
    }
    double referencePixels = 0.0;
    double referenceGreen = 0.0;
    double referenceRed = 0.0;
    for (std::uint32_t y = height / 2; y < height; ++y) {
        referencePixels += rows[y].Sampled;
        referenceGreen += rows[y].BlueGreenAgree;
        referenceRed += rows[y].BlueRedAgree;
    }
    const CAgreementModel model =
        CAgreementModel::FromReference(referencePixels, referenceGreen, referenceRed);
    const auto addRow = [&](CSequentialSums& sums, std::uint32_t y) {
        const double scale = rows[y].Sampled > 0 ? double(width) / rows[y].Sampled : 0.0;
        sums.Add(rows[y].Ws, scale);
        sums.AddAgreement(model, rows[y].Sampled, rows[y].BlueGreenAgree, rows[y].BlueRedAgree, scale,
                          RowMismatch(rows[y].Sampled, rows[y].BlueGreenAgree, rows[y].BlueRedAgree));
    };
    std::vector<double> cumulative(height + 1, 0.0);
    std::uint32_t bestRow = 0;
    for (std::uint32_t y = 0; y < height; ++y) {
        CSequentialSums row;
        addRow(row, y);
        cumulative[y + 1] = cumulative[y] + row.Score;
        if (cumulative[y + 1] > cumulative[bestRow]) {
            bestRow = y + 1;
        }
    }
    const auto minRows = static_cast<std::uint32_t>((MinPayloadPixels + width - 1) / width);
    const std::uint32_t first = bestRow > 2 ? bestRow - 2 : 0;
    const std::uint32_t last = std::min(height, std::max(bestRow + 2, minRows + 1));

    CSequentialSums prefix;
    for (std::uint32_t y = 0; y < first; ++y) {
        addRow(prefix, y);
    }
    CSequentialSums best;
    double bestScore = -1e300;
    std::uint64_t bestPixel = 0;
    std::uint64_t pixel = std::uint64_t{first} * width;
    for (std::uint32_t y = first; y < last; ++y) {
        const CRowView view = RowsAround(image, y);
        const double mismatch = RowMismatch(rows[y].Sampled, rows[y].BlueGreenAgree, rows[y].BlueRedAgree);
        for (std::uint32_t x = 0; x < width; ++x) {
            prefix.Add(PixelWs(image, view, x), 1.0);
            prefix.AddAgreement(model, 1.0, BlueGreenAgrees(view.Row[x]), BlueRedAgrees(view.Row[x]), 1.0,
                                mismatch);
            ++pixel;
            if (pixel >= MinPayloadPixels && prefix.Score > bestScore) {
                bestScore = prefix.Score;
                best = prefix;
                bestPixel = pixel;
            }
        }
    }
    result.PayloadEndPixel = bestPixel;
    result.PayloadEndRow = static_cast<int>((bestPixel - 1) / width);
    result.SequentialStrength = best.Strength();
    result.AgreementDistance = best.AgreementDistance();
}

std::vector<double> BandRates(const std::vector<CRowStats>& rows, int bands) {
    const std::size_t height = rows.size();
    const std::size_t count = std::min<std::size_t>(height, static_cast<std::size_t>(std::max(bands, 1)));
    std::vector<double> rates;
    rates.reserve(count);
    for (std::size_t band = 0; band < count; ++band) {
        CWsSums sums;
        for (std::size_t y = band * height / count; y < (band + 1) * height / count; ++y) {
            sums += rows[y].Ws[2];
        }
        rates.push_back(WsRate(sums));
    }
    return rates;
}

// The last row in which the two images differ in red, green or blue; -1 when none does.
int LastChangedRow(const CBitmap& image, const CBitmap& cover) {
    for (std::uint32_t y = image.Height(); y-- > 0;) {
        const std::uint32_t* a = image.ConstScanLine(y);
        const std::uint32_t* b = cover.ConstScanLine(y);
        for (std::uint32_t x = 0; x < image.Width(); ++x) {
            if (((a[x] ^ b[x]) & 0x00FFFFFFu) != 0) {
                return static_cast<int>(y);
            }
        }
    }
    return -1;
}

} // namespace

CStegoAnalysis AnalyseStego(const CBitmap& image, const CBitmap* cover, const CAnalysisOptions& options) {
    CStegoAnalysis result;
    if (!image.IsValid()) {
        return result;
    }
    result.Width = image.Width();
    result.Height = image.Height();
    const std::uint32_t step = ColumnStep(image, options);
    const int threads = ThreadCount(options);
    std::vector<CRowStats> rows(image.Height());
    std::uint32_t fresh = image.Height();
    if (cover && cover->IsValid() && cover->Width() == image.Width() && cover->Height() == image.Height()) {
        AnalyseRows(*cover, step, rows, cover->Height(), threads);
        result.Cover = WholeEstimates(rows);
        // A row's statistics reach one row up (the vertical pairs) and one row down (the neighbours of
        // the weighted stego): rows more than one below the last change are the cover's.
        fresh = static_cast<std::uint32_t>(
            std::min<std::int64_t>(image.Height(), LastChangedRow(image, *cover) + 2));
    }
    AnalyseRows(image, step, rows, fresh, threads);
    result.Whole = WholeEstimates(rows);
    result.BandRates = BandRates(rows, options.Bands);
    FindSequentialPayload(image, rows, result);
    // An image too small for the smallest payload has no stretch to judge.
    const bool pattern = result.PayloadEndPixel > 0 && result.AgreementDistance <= StegoAgreementDistance;
    const bool change = result.SequentialStrength >= StegoStrength;
    if (pattern && change) {
        result.Verdict = StegoVerdict::Stego;
    } else if (pattern || (change && result.PayloadEndPixel > 0 &&
                           result.AgreementDistance <= SuspectAgreementDistance)) {
        result.Verdict = StegoVerdict::Suspect;
    }
    if (result.Verdict != StegoVerdict::Clean) {
        result.EstimatedBytes = static_cast<std::int64_t>((result.PayloadEndPixel + 7) / 8);
    }
    return result;
}

} // namespace veilpane
