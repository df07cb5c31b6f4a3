// Loads a folder of thumbnails the way the list does and reports the time to the first screen, the time
// to the whole folder and the peak memory. With --generate it first writes the image set: PNGs of
// 1920 x 1080 and JPEGs of 4000 x 3000, a tenth of them carrying payloads under five passwords.
//   veilpane_thumbnail_bench [--generate] [--png N] [--jpeg N] [--screen N] FOLDER
#include "browse/ThumbnailLoader.h"
#include "crypto/CipherProfile.h"
#include "platform/Bitmap.h"
#include "platform/ImageFiles.h"
#include "stego/HideEngine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>

using namespace veilpane;

namespace {

const QByteArray Passwords[] = {"north-gate", "silver-fern", "tide-table", "lantern-42", "quiet-orchard"};

// A photo-like picture: smooth gradients with a little grain, so that PNG and JPEG compress and decode
// roughly as they do for real photographs.
QImage MakePicture(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    std::uint32_t state = static_cast<std::uint32_t>(seed) * 2654435761u + 7u;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int grain = static_cast<int>((state >> 24) & 15u) - 8;
            const int r = (x * 255 / width + seed * 37 + grain) & 255;
            const int g = (y * 255 / height + seed * 11 + grain) & 255;
            const int b = ((x + y) * 255 / (width + height) + grain + 128) & 255;
            row[x] = qRgb(r, g, b);
        }
    }
    return image;
}

bool Generate(const QString& folder, int pngs, int jpegs) {
    QDir().mkpath(folder);
    QTemporaryDir outside;
    const QString payload = outside.filePath(QStringLiteral("note.txt"));
    QFile file(payload);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(2000, 'm')) != 2000) {
        return false;
    }
    file.close();
    const int carriers = std::max(1, (pngs + jpegs) / 20); // 30 of 600
    for (int i = 0; i < pngs; ++i) {
        const QString path =
            QDir(folder).filePath(QStringLiteral("png%1.png").arg(i, 4, 10, QLatin1Char('0')));
        if (QFile::exists(path)) {
            continue;
        }
        CBitmap bitmap(MakePicture(1920, 1080, i));
        // Every tenth PNG carries a payload, up to the carrier count; JPEG cannot keep one.
        if (i % 10 == 0 && i / 10 < carriers) {
            CReportStatistics statistics;
            if (!HideFileInImage(&bitmap, payload, Passwords[(i / 10) % 5], statistics).Ok()) {
                return false;
            }
        }
        if (!bitmap.Save(path, QStringLiteral("image/png"))) {
            return false;
        }
        std::fprintf(stderr, "\rgenerating png %d/%d", i + 1, pngs);
    }
    for (int i = 0; i < jpegs; ++i) {
        const QString path =
            QDir(folder).filePath(QStringLiteral("jpg%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
        if (QFile::exists(path)) {
            continue;
        }
        if (!MakePicture(4000, 3000, 1000 + i).save(path, "JPEG", 85)) {
            return false;
        }
        std::fprintf(stderr, "\rgenerating jpeg %d/%d", i + 1, jpegs);
    }
    std::fprintf(stderr, "\n");
    return true;
}

long PeakResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Every image without a payload fails five header decryptions; their log lines are not results.
    SetCipherLogStream(nullptr);
    QGuiApplication app(argc, argv);
    bool generate = false;
    int pngs = 300;
    int jpegs = 300;
    int screen = 30;
    QString folder;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--generate") == 0) {
            generate = true;
        } else if (std::strcmp(arg, "--png") == 0 && i + 1 < argc) {
            pngs = std::atoi(argv[++i]);
        } else if (std::strcmp(arg, "--jpeg") == 0 && i + 1 < argc) {
            jpegs = std::atoi(argv[++i]);
        } else if (std::strcmp(arg, "--screen") == 0 && i + 1 < argc) {
            screen = std::atoi(argv[++i]);
        } else {
            folder = QString::fromLocal8Bit(arg);
        }
    }
    if (folder.isEmpty()) {
        std::fprintf(stderr, "usage: %s [--generate] [--png N] [--jpeg N] [--screen N] FOLDER\n", argv[0]);
        return 2;
    }
    if (generate && !Generate(folder, pngs, jpegs)) {
        std::fprintf(stderr, "could not write the image set\n");
        return 1;
    }
    // The clock runs from the folder scan on, as the user waits from the moment the folder is chosen: the
    // scan opens every file to tell images from the rest (and loads the image plugins once).
    QElapsedTimer clock;
    clock.start();
    QStringList paths = ListFolderImages(folder);
    // Interleaved as a folder of mixed photos would list them.
    std::sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
        return QStringView(a).right(8) < QStringView(b).right(8);
    });
    const qint64 scanMs = clock.elapsed();
    CPasswordSet passwords;
    for (int i = 0; i < 5; ++i) {
        passwords.Passwords[static_cast<std::size_t>(i)] = Passwords[i];
    }

    CThumbnailLoader loader;
    qint64 firstScreenMs = -1;
    qint64 wholeMs = -1;
    int delivered = 0;
    int found = 0;
    QObject::connect(&loader, &CThumbnailLoader::ThumbnailReady, &loader,
                     [&](int, const QImage&, std::int32_t kind, bool detected) {
                         if (!detected) {
                             return;
                         }
                         ++delivered;
                         found += kind > 10 ? 1 : 0;
                         if (delivered == std::min(screen, static_cast<int>(paths.size()))) {
                             firstScreenMs = clock.elapsed();
                         }
                     });
    QObject::connect(&loader, &CThumbnailLoader::Finished, &app, [&] {
        wholeMs = clock.elapsed();
        app.quit();
    });
    // The user-interface thread's longest wait between two ticks of a 5 ms timer while the folder loads:
    // how long the window would stop answering at worst.
    QElapsedTimer sinceTick;
    qint64 longestStallMs = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, &app,
                     [&] { longestStallMs = std::max(longestStallMs, sinceTick.restart()); });
    sinceTick.start();
    ticker.start(5);
    loader.SetVisibleRows(0, screen - 1);
    loader.Start(paths, passwords);
    if (loader.IsRunning()) {
        app.exec();
    }
    std::printf("images %lld, threads %d, carriers found %d\n", static_cast<long long>(paths.size()),
                loader.ThreadCount(), found);
    std::printf("folder scan: %lld ms\n", static_cast<long long>(scanMs));
    std::printf("first screen (%d thumbnails): %lld ms\n", screen, static_cast<long long>(firstScreenMs));
    std::printf("whole folder: %lld ms (%.1f images/s)\n", static_cast<long long>(wholeMs),
                wholeMs > 0 ? paths.size() * 1000.0 / static_cast<double>(wholeMs) : 0.0);
    std::printf("longest user-interface stall: %lld ms (timer ticks every 5 ms)\n",
                static_cast<long long>(longestStallMs));
    std::printf("peak resident memory: %ld MB\n", PeakResidentKb() / 1024);
    return 0;
}
