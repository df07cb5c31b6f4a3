// Detection over a folder of 1920 x 1080 PNGs against decoding the same files in full, and a 1 MiB hide
// into a 4000 x 3000 image against saving that image as PNG. run_stego_bench.sh prints the ratios.
#include "cli/CliApp.h"
#include "crypto/CipherProfile.h"
#include "crypto/KeyDerivation.h"
#include "platform/Bitmap.h"
#include "stego/HideEngine.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace veilpane;

namespace {

const QStringList Passwords{QStringLiteral("first-pw-1"), QStringLiteral("second-pw-2"),
                            QStringLiteral("third-pw-3"), QStringLiteral("fourth-pw-4"),
                            QStringLiteral("fifth-pw-5")};

// A photo-like picture: smooth gradients with a little noise, so that PNG sizes and decode times are those
// of real images rather than of pure noise or flat colour.
CBitmap PhotoLike(std::uint32_t width, std::uint32_t height, std::uint32_t seed) {
    CBitmap bitmap(width, height);
    std::uint32_t state = seed * 2654435761u + 1u;
    for (std::uint32_t y = 0; y < height; ++y) {
        std::uint32_t* row = bitmap.ScanLine(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const std::uint32_t noise = (state >> 24) & 7u;
            const std::uint32_t red = (x * 200u / width + noise + seed * 13u) & 255u;
            const std::uint32_t green = (y * 220u / height + noise) & 255u;
            const std::uint32_t blue = ((x + y) * 150u / (width + height) + (noise >> 1)) & 255u;
            row[x] = 0xFF000000u | (red << 16) | (green << 8) | blue;
        }
    }
    return bitmap;
}

// 100 PNGs of 1920 x 1080, 20 of them carrying a payload under one of the five passwords.
class CDetectFolder {
public:
    CDetectFolder() {
        const QString plain = m_dir.filePath(QStringLiteral("plain.png"));
        PhotoLike(1920, 1080, 1).Save(plain, QStringLiteral("image/png"));
        const QString payload = m_dir.filePath(QStringLiteral("payload.bin"));
        QFile file(payload);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(50000, 'p'));
        file.close();
        QDir().mkpath(Folder());
        for (int i = 0; i < 100; ++i) {
            const QString path = Folder() + QStringLiteral("/image%1.png").arg(i, 3, 10, QLatin1Char('0'));
            if (i % 5 == 0) {
                CBitmap image = PhotoLike(1920, 1080, 2 + static_cast<std::uint32_t>(i));
                CReportStatistics statistics;
                HideFileInImage(&image, payload, Passwords[i / 5 % 5].toUtf8(), statistics);
                image.Save(path, QStringLiteral("image/png"));
            } else {
                QFile::copy(plain, path);
            }
        }
    }
    QString Folder() const { return m_dir.filePath(QStringLiteral("folder")); }

private:
    QTemporaryDir m_dir;
};

CDetectFolder& DetectFolder() {
    static CDetectFolder folder;
    return folder;
}

} // namespace

// The detect command as a user runs it, keys derived afresh in every run (once per password).
static void BM_DetectFolder(benchmark::State& state) {
    const QString folder = DetectFolder().Folder();
    QStringList args{QStringLiteral("detect"), folder};
    for (const QString& password : Passwords) {
        args << QStringLiteral("-p") << password;
    }
    int found = 0;
    for (auto _ : state) {
        ClearKeyCache();
        QString out, err, in;
        QTextStream outStream(&out), errStream(&err), inStream(&in);
        cli::CCliStreams io{outStream, errStream, inStream};
        cli::RunCli(args, io);
        found = static_cast<int>(out.count(QStringLiteral("\tfile\t")));
    }
    state.counters["found"] = found;
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_DetectFolder)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// What a detection that decodes every image in full would pay for the decoding alone.
static void BM_FullDecodeFolder(benchmark::State& state) {
    const QDir folder(DetectFolder().Folder());
    const QStringList names = folder.entryList(QDir::Files);
    for (auto _ : state) {
        for (const QString& name : names) {
            QImage image(folder.filePath(name));
            benchmark::DoNotOptimize(image.constBits());
        }
    }
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_FullDecodeFolder)->Unit(benchmark::kMillisecond)->MinTime(2.0);

namespace {

struct CHideFixture {
    CHideFixture() : Image(PhotoLike(4000, 3000, 7)) {
        QFile file(Dir.filePath(QStringLiteral("payload.bin")));
        file.open(QIODevice::WriteOnly);
        QByteArray bytes(1 << 20, '\0');
        std::uint32_t state = 99;
        for (char& c : bytes) {
            state = state * 1664525u + 1013904223u;
            c = static_cast<char>(state >> 24);
        }
        file.write(bytes);
        Payload = file.fileName();
    }
    QTemporaryDir Dir;
    CBitmap Image;
    QString Payload;
};

CHideFixture& HideFixture() {
    static CHideFixture fixture;
    return fixture;
}

} // namespace

// The hide itself: derivation, encryption, pixel writes and both entropy passes.
static void BM_Hide1MiBInto4000x3000(benchmark::State& state) {
    CHideFixture& fixture = HideFixture();
    for (auto _ : state) {
        state.PauseTiming();
        CBitmap image = fixture.Image.Copy();
        ClearKeyCache();
        state.ResumeTiming();
        CReportStatistics statistics;
        const CHideResult result = HideFileInImage(&image, fixture.Payload, "corvide2741", statistics);
        if (!result.Ok()) {
            state.SkipWithError("hide refused");
        }
        benchmark::DoNotOptimize(result.Value.ModifiedPixels);
    }
}
BENCHMARK(BM_Hide1MiBInto4000x3000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

static void BM_SavePng4000x3000(benchmark::State& state) {
    CHideFixture& fixture = HideFixture();
    const QString path = fixture.Dir.filePath(QStringLiteral("saved.png"));
    for (auto _ : state) {
        if (!fixture.Image.Save(path, QStringLiteral("image/png"))) {
            state.SkipWithError("save failed");
        }
    }
}
BENCHMARK(BM_SavePng4000x3000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv) {
    // Every wrong password fails a padding check; the library's texts would drown the figures.
    SetCipherLogStream(nullptr);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
