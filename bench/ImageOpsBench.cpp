// The Edit menu's operations on a 4000 x 3000 image, one result per iteration. With --image PATH the
// image is read from that file (the comparison script hands ImageMagick the same one); otherwise a noise
// image is made.
#include "image/ImageOperations.h"
#include "platform/Bitmap.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

using namespace veilpane;

namespace {

CBitmap g_image;

CBitmap NoiseImage(std::uint32_t width, std::uint32_t height) {
    CBitmap image(width, height);
    std::uint32_t state = 2463534242u;
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint32_t* row = image.ScanLine(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            row[x] = 0xFF000000u | (state & 0xFFFFFFu);
        }
    }
    return image;
}

void Run(benchmark::State& state, ImageOperation operation, int value) {
    for (auto _ : state) {
        CBitmap result = ApplyImageOperation(g_image, operation, value);
        benchmark::DoNotOptimize(result.ConstScanLine(0));
    }
    state.SetItemsProcessed(state.iterations() * g_image.Width() * g_image.Height());
}

// The undo step's copy, for scale: every operation costs at least one pass over this much memory.
void BM_Copy(benchmark::State& state) {
    for (auto _ : state) {
        CBitmap copy = g_image.Copy();
        benchmark::DoNotOptimize(copy.ConstScanLine(0));
    }
}

} // namespace

#define VEILPANE_OPERATION_BENCH(name, operation, value)                                                     \
    static void BM_##name(benchmark::State& state) {                                                         \
        Run(state, ImageOperation::operation, value);                                                        \
    }                                                                                                        \
    BENCHMARK(BM_##name)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0)

VEILPANE_OPERATION_BENCH(Mirror, Mirror, 0);
VEILPANE_OPERATION_BENCH(Flip, Flip, 0);
VEILPANE_OPERATION_BENCH(RotateRight, RotateRight, 0);
VEILPANE_OPERATION_BENCH(RotateLeft, RotateLeft, 0);
VEILPANE_OPERATION_BENCH(Negative, Negative, 0);
VEILPANE_OPERATION_BENCH(Grayscale, Grayscale, 0);
VEILPANE_OPERATION_BENCH(Lighten, Lighten, 0);
VEILPANE_OPERATION_BENCH(Darken, Darken, 0);
VEILPANE_OPERATION_BENCH(Contrast, Contrast, 0);
VEILPANE_OPERATION_BENCH(Sharpen, Sharpen, 0);
VEILPANE_OPERATION_BENCH(Gamma, Gamma, 2200);
VEILPANE_OPERATION_BENCH(Threshold, Threshold, 128);
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // image plugins
    std::vector<char*> rest;
    const char* path = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--image") == 0 && i + 1 < argc) {
            path = argv[++i];
        } else {
            rest.push_back(argv[i]);
        }
    }
    g_image = path ? CBitmap::Load(QString::fromLocal8Bit(path)) : NoiseImage(4000, 3000);
    if (!g_image.IsValid()) {
        fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
