// The steganalysis of a 4000 x 3000 PNG against decoding that PNG in full, and the analysis a hide report
// adds (carrier and result together). run_analysis_bench.sh prints the ratio, of wall-clock time and of
// processor time over all threads (the fair one on a machine shared with other work).
#include "platform/Bitmap.h"
#include "stego/StegoAnalysis.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace veilpane;

namespace {

// A photo-like picture: smooth gradients with a little noise, so that the PNG decodes at the speed of a
// real photo's rather than of pure noise or flat colour.
CBitmap PhotoLike(std::uint32_t width, std::uint32_t height) {
    CBitmap bitmap(width, height);
    std::uint32_t state = 12345u;
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint32_t* row = bitmap.ScanLine(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const std::uint32_t noise = (state >> 24) & 7u;
            const std::uint32_t red = (x * 200u / width + noise) & 255u;
            const std::uint32_t green = (y * 220u / height + noise) & 255u;
            const std::uint32_t blue = ((x + y) * 150u / (width + height) + (noise >> 1)) & 255u;
            row[x] = 0xFF000000u | (red << 16) | (green << 8) | blue;
        }
    }
    return bitmap;
}

struct CPngFixture {
    CPngFixture() : Path(Dir.filePath(QStringLiteral("photo.png"))) {
        PhotoLike(4000, 3000).Save(Path, QStringLiteral("image/png"));
        Image = CBitmap::Load(Path);
    }
    QTemporaryDir Dir;
    QString Path;
    CBitmap Image;
};

CPngFixture& Fixture() {
    static CPngFixture fixture;
    return fixture;
}

} // namespace

static void BM_DecodePng12MP(benchmark::State& state) {
    const QString path = Fixture().Path; // drawn and saved once, outside the timing
    for (auto _ : state) {
        const CBitmap image = CBitmap::Load(path);
        benchmark::DoNotOptimize(image.ConstScanLine(0));
    }
}
BENCHMARK(BM_DecodePng12MP)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

static void BM_Analyse12MP(benchmark::State& state) {
    const CBitmap& image = Fixture().Image;
    for (auto _ : state) {
        const CStegoAnalysis analysis = AnalyseStego(image);
        benchmark::DoNotOptimize(analysis.SequentialStrength);
    }
}
BENCHMARK(BM_Analyse12MP)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The hide report's pair: the carrier in full, the result only down to the rows a 1 MiB payload changed.
static void BM_AnalyseCarrierAndResult12MP(benchmark::State& state) {
    const CBitmap& cover = Fixture().Image;
    CBitmap result = cover.Copy();
    for (std::uint32_t y = 0; y < 700; ++y) {
        std::uint32_t* row = result.ScanLine(y);
        for (std::uint32_t x = 0; x < result.Width(); ++x) {
            row[x] ^= (x * 2654435761u + y) >> 31;
        }
    }
    for (auto _ : state) {
        const CStegoAnalysis analysis = AnalyseStego(result, &cover);
        benchmark::DoNotOptimize(analysis.SequentialStrength);
    }
}
BENCHMARK(BM_AnalyseCarrierAndResult12MP)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

BENCHMARK_MAIN();
