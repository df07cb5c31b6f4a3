// Key derivation against OpenSSL's PBKDF2 with the same parameters, the key cache, and the pixel bit
// stream per megapixel.
#include "crypto/KeyDerivation.h"
#include "stego/PayloadFormat.h"
#include "stego/PixelBitStream.h"

#include <benchmark/benchmark.h>
#include <cryptopp/pwdbased.h>
#include <cryptopp/sha.h>

#ifdef VEILPANE_HAVE_OPENSSL
#include <openssl/evp.h>
#endif

#include <array>

using namespace veilpane;

// Ours: the keyed HMAC states absorbed once, Crypto++'s SHA-512 compression.
static void BM_DeriveKeyAndIv(benchmark::State& state) {
    std::array<std::uint8_t, 32> key{};
    std::array<std::uint8_t, 16> iv{};
    for (auto _ : state) {
        DeriveKeyAndIv("corvide2741", key.data(), key.size(), iv.data(), iv.size());
        benchmark::DoNotOptimize(key);
    }
}
BENCHMARK(BM_DeriveKeyAndIv)->Unit(benchmark::kMillisecond);

// The library's general-purpose PBKDF2, which rehashes both pads in every iteration.
static void BM_DeriveKeyAndIv_CryptoPPGeneral(benchmark::State& state) {
    std::array<CryptoPP::byte, 64> block{};
    for (auto _ : state) {
        CryptoPP::PKCS5_PBKDF2_HMAC<CryptoPP::SHA512>().DeriveKey(
            block.data(), block.size(), 0, reinterpret_cast<const CryptoPP::byte*>("corvide2741"), 11,
            nullptr, 0, DerivationIterations, 0.0);
        benchmark::DoNotOptimize(block);
    }
}
BENCHMARK(BM_DeriveKeyAndIv_CryptoPPGeneral)->Unit(benchmark::kMillisecond);

#ifdef VEILPANE_HAVE_OPENSSL
static void BM_DeriveKeyAndIv_OpenSSL(benchmark::State& state) {
    std::array<unsigned char, 64> block{};
    for (auto _ : state) {
        PKCS5_PBKDF2_HMAC("corvide2741", 11, nullptr, 0, 8000, EVP_sha512(), static_cast<int>(block.size()),
                          block.data());
        benchmark::DoNotOptimize(block);
    }
}
BENCHMARK(BM_DeriveKeyAndIv_OpenSSL)->Unit(benchmark::kMillisecond);
#endif

static void BM_KeyMaterialFor_Cached(benchmark::State& state) {
    KeyMaterialFor("corvide2741");
    for (auto _ : state) {
        benchmark::DoNotOptimize(KeyMaterialFor("corvide2741"));
    }
}
BENCHMARK(BM_KeyMaterialFor_Cached);

namespace {

CBitmap BusyBitmap(std::uint32_t width, std::uint32_t height) {
    CBitmap bitmap(width, height);
    std::uint32_t state = 12345;
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint32_t* row = bitmap.ScanLine(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = 0xFF000000u | (state >> 8);
        }
    }
    return bitmap;
}

} // namespace

// Writes a payload that fills one megapixel (header + data = 131 072 bytes) into a 4000 x 3000 carrier:
// items per second are megapixels per second.
static void BM_WritePayloadBits_PerMegapixel(benchmark::State& state) {
    CBitmap bitmap = BusyBitmap(4000, 3000);
    const QByteArray header(144, 'h');
    const QByteArray body((1 << 20) / 8 - 144, 'd');
    const std::uint32_t seed = ComputeStegoSeed("corvide2741");
    for (auto _ : state) {
        CBitWriteCounts counts;
        benchmark::DoNotOptimize(WritePayloadBits(bitmap, header, body, seed, counts));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WritePayloadBits_PerMegapixel)->Unit(benchmark::kMillisecond);

static void BM_ReadHiddenBytes_PerMegapixel(benchmark::State& state) {
    const CBitmap bitmap = BusyBitmap(4000, 3000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadHiddenBytes(bitmap, 0, (1 << 20) / 8));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadHiddenBytes_PerMegapixel)->Unit(benchmark::kMillisecond);

// The hide's cost grows with the payload, not the image: a header-only write into a small and a huge carrier.
static void BM_WriteHeaderOnly(benchmark::State& state) {
    const auto side = static_cast<std::uint32_t>(state.range(0));
    CBitmap bitmap = BusyBitmap(side, side);
    const QByteArray header(144, 'h');
    const QByteArray data(32, 'd');
    for (auto _ : state) {
        CBitWriteCounts counts;
        benchmark::DoNotOptimize(WritePayloadBits(bitmap, header, data, 7, counts));
    }
}
BENCHMARK(BM_WriteHeaderOnly)->Arg(100)->Arg(4000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
