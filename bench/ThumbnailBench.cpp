// Opens a folder in the thumbnail list the way the desktop program does (document, view, loader, the
// private cache) and reports, for each visit, the time from the folder change to the first screen of
// thumbnails drawn, the time to the whole folder and the user interface's longest stall (the folder change
// included); then the peak memory. With --generate it first writes the image
// set: PNGs and JPEGs (1920 x 1080 and 4000 x 3000 by default), a twentieth of them carrying payloads
// under five passwords.
//   veilpane_thumbnail_bench [--generate] [--png N] [--jpeg N] [--png-size WxH] [--jpeg-size WxH]
//                            [--screen N] [--cache DIR] [--scroll] [--analysis] FOLDER
// --analysis turns View / Frame by analysis verdict on: the first visit then lasts until every verdict is in.
// Visits, one after the other in one process:
//   1 "first visit": cold, or from the cache when DIR holds the entries of an earlier run; with --scroll the
//     list is scrolled to its end, a page every 16 ms, as soon as the first screen is there;
//   2 "password change": the same folder again under another password set (detection runs again);
//   3 "folder change": started while visit 2 still loads, back to the first password set.
#include "browse/PictoriumView.h"
#include "crypto/CipherProfile.h"
#include "doc/PictoriumDoc.h"
#include "doc/ThumbnailCache.h"
#include "platform/Bitmap.h"
#include "stego/HideEngine.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

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

struct CImageSet {
    int Pngs = 300;
    int Jpegs = 300;
    QSize PngSize{1920, 1080};
    QSize JpegSize{4000, 3000};
};

bool Generate(const QString& folder, const CImageSet& set) {
    QDir().mkpath(folder);
    QTemporaryDir outside;
    const QString payload = outside.filePath(QStringLiteral("note.txt"));
    QFile file(payload);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(2000, 'm')) != 2000) {
        return false;
    }
    file.close();
    const int carriers = std::max(1, (set.Pngs + set.Jpegs) / 20); // 30 of 600
    for (int i = 0; i < set.Pngs; ++i) {
        const QString path =
            QDir(folder).filePath(QStringLiteral("png%1.png").arg(i, 5, 10, QLatin1Char('0')));
        if (QFile::exists(path)) {
            continue;
        }
        CBitmap bitmap(MakePicture(set.PngSize.width(), set.PngSize.height(), i));
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
        std::fprintf(stderr, "\rgenerating png %d/%d", i + 1, set.Pngs);
    }
    for (int i = 0; i < set.Jpegs; ++i) {
        const QString path =
            QDir(folder).filePath(QStringLiteral("jpg%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
        if (QFile::exists(path)) {
            continue;
        }
        if (!MakePicture(set.JpegSize.width(), set.JpegSize.height(), 1000 + i).save(path, "JPEG", 85)) {
            return false;
        }
        std::fprintf(stderr, "\rgenerating jpeg %d/%d", i + 1, set.Jpegs);
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

QSize ParseSize(const char* text) {
    const QList<QByteArray> parts = QByteArray(text).split('x');
    return parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
}

CPasswordSet PasswordsWithout(int missing) {
    CPasswordSet set;
    for (int i = 0; i < 5; ++i) {
        if (i != missing) {
            set.Passwords[static_cast<std::size_t>(i)] = Passwords[i];
        }
    }
    return set;
}

// The user interface thread's longest wait between two ticks of a 5 ms timer since the last Reset: how
// long the window would stop answering at worst.
class CStallProbe {
public:
    CStallProbe() {
        m_ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_ticker, &QTimer::timeout, &m_ticker,
                         [this] { m_longest = std::max(m_longest, m_sinceTick.restart()); });
        m_sinceTick.start();
        m_ticker.start(5);
    }
    qint64 TakeLongest() {
        // The wait up to now counts too: a stall may still be going on.
        const qint64 longest = std::max(m_longest, m_sinceTick.elapsed());
        m_longest = 0;
        return longest;
    }

private:
    QTimer m_ticker;
    QElapsedTimer m_sinceTick;
    qint64 m_longest = 0;
};

struct CVisit {
    const char* Label;
    qint64 FirstScreenMs = -1;
    qint64 WholeMs = -1;
    qint64 StallMs = 0;
    qint64 ScrollMs = -1;
    qint64 ScrollStallMs = -1;
    qint64 ChangeMs = -1;   // the folder change call itself, on the user-interface thread
    qint64 VerdictsMs = -1; // every verdict in (with --analysis, first visit only)
    bool Ended = false;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Every image without a payload fails five header decryptions; their log lines are not results.
    SetCipherLogStream(nullptr);
    QApplication app(argc, argv);
    bool generate = false;
    bool scroll = false;
    bool analysis = false;
    CImageSet set;
    int screen = 30;
    QString folder;
    QString cacheFolder;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--generate") == 0) {
            generate = true;
        } else if (std::strcmp(arg, "--scroll") == 0) {
            scroll = true;
        } else if (std::strcmp(arg, "--analysis") == 0) {
            analysis = true;
        } else if (std::strcmp(arg, "--png") == 0 && hasValue) {
            set.Pngs = std::atoi(argv[++i]);
        } else if (std::strcmp(arg, "--jpeg") == 0 && hasValue) {
            set.Jpegs = std::atoi(argv[++i]);
        } else if (std::strcmp(arg, "--png-size") == 0 && hasValue) {
            set.PngSize = ParseSize(argv[++i]);
        } else if (std::strcmp(arg, "--jpeg-size") == 0 && hasValue) {
            set.JpegSize = ParseSize(argv[++i]);
        } else if (std::strcmp(arg, "--screen") == 0 && hasValue) {
            screen = std::atoi(argv[++i]);
        } else if (std::strcmp(arg, "--cache") == 0 && hasValue) {
            cacheFolder = QString::fromLocal8Bit(argv[++i]);
        } else {
            folder = QString::fromLocal8Bit(arg);
        }
    }
    if (folder.isEmpty() || set.PngSize.isEmpty() || set.JpegSize.isEmpty()) {
        std::fprintf(stderr,
                     "usage: %s [--generate] [--png N] [--jpeg N] [--png-size WxH] [--jpeg-size WxH] "
                     "[--screen N] [--cache DIR] [--scroll] [--analysis] FOLDER\n",
                     argv[0]);
        return 2;
    }
    if (generate) {
        if (!Generate(folder, set)) {
            std::fprintf(stderr, "could not write the image set\n");
            return 1;
        }
        return 0;
    }

    std::unique_ptr<CThumbnailCache> cache;
    CDocServices services;
    if (!cacheFolder.isEmpty()) {
        cache = std::make_unique<CThumbnailCache>(cacheFolder);
        services.ThumbnailCache = cache.get();
    }
    CPictoriumDoc doc(services, QString());
    doc.FrameByAnalysis = analysis;
    CPictoriumView view(doc);
    // A window that shows the first screen's thumbnails and no more.
    const QSize grid = view.gridSize();
    const int columns = 6;
    const int lines = (screen + columns - 1) / columns;
    view.resize(grid.width() * columns + view.verticalScrollBar()->sizeHint().width() + 2 * view.frameWidth(),
                grid.height() * lines + 2 * view.frameWidth());
    view.show();

    // The program's own start (image plugins, fonts, the first paint) is not a folder's load: a one-image
    // folder is shown first, as the program shows its last folder when it starts.
    QElapsedTimer startClock;
    startClock.start();
    {
        QTemporaryDir warmUp;
        MakePicture(64, 48, 1).save(warmUp.filePath(QStringLiteral("start.png")));
        doc.LoadFolder(warmUp.path());
        while (view.IsLoading() || startClock.elapsed() < 300) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    }
    const qint64 startMs = startClock.elapsed();

    CStallProbe probe;
    QElapsedTimer clock;
    CVisit visits[] = {{"first visit"}, {"password change"}, {"folder change"}};
    int current = -1;
    int shownRows = 0;
    std::vector<bool> shown;
    QTimer scroller;

    // The stall so far goes to the visit under way.
    const auto fold = [&] {
        visits[current].StallMs = std::max(visits[current].StallMs, probe.TakeLongest());
    };
    const auto startVisit = [&](int index, const CPasswordSet& passwords) {
        if (current >= 0) {
            fold();
        }
        current = index;
        probe.TakeLongest();
        clock.start();
        doc.PasswordSet = passwords;
        // Everything from the moment the folder is chosen counts: the call, the scan, the drawing.
        doc.LoadFolder(folder);
        visits[current].ChangeMs = clock.elapsed();
        shown.clear();
        shownRows = 0;
    };
    const auto onFirstScreen = [&] {
        if (current == 0 && scroll) {
            QElapsedTimer* scrollClock = new QElapsedTimer;
            scrollClock->start();
            fold();
            QObject::connect(&scroller, &QTimer::timeout, &view, [&, scrollClock] {
                QScrollBar* bar = view.verticalScrollBar();
                // The end of the whole folder, not of the first images listed.
                if (bar->value() >= bar->maximum() && !doc.IsFolderScanPending()) {
                    scroller.stop();
                    visits[0].ScrollMs = scrollClock->elapsed();
                    visits[0].ScrollStallMs = probe.TakeLongest();
                    visits[0].StallMs = std::max(visits[0].StallMs, visits[0].ScrollStallMs);
                    delete scrollClock;
                    return;
                }
                bar->setValue(bar->value() + bar->pageStep());
            });
            scroller.start(16);
        } else if (current == 1) {
            // Another folder chosen while this one still loads.
            QTimer::singleShot(0, &view, [&] { startVisit(2, PasswordsWithout(-1)); });
        }
    };
    QObject::connect(
        view.model(), &QAbstractItemModel::dataChanged, &view,
        [&](const QModelIndex& top, const QModelIndex& bottom) {
            // The list grows while the folder is scanned; rows already drawn keep their place.
            const int rows = view.model()->rowCount();
            shown.resize(static_cast<std::size_t>(rows), false);
            // A folder with fewer images than a screen is only known to be whole once its scan ends.
            const int screenRows = doc.IsFolderScanPending() ? screen : std::min(screen, rows);
            for (int row = top.row(); row <= bottom.row() && row < rows; ++row) {
                if (shown[static_cast<std::size_t>(row)] ||
                    view.model()->index(row, 0).data(Qt::DecorationRole).value<QImage>().isNull()) {
                    continue;
                }
                shown[static_cast<std::size_t>(row)] = true;
                if (row < screen && ++shownRows == screenRows && visits[current].FirstScreenMs < 0) {
                    visits[current].FirstScreenMs = clock.elapsed();
                    onFirstScreen();
                }
            }
        });
    // The loader's end, seen as the view sees it: polled, as the view reports it no other way.
    QTimer finished;
    QObject::connect(&finished, &QTimer::timeout, &view, [&] {
        if (current < 0 || visits[current].Ended || view.IsLoading() || scroller.isActive()) {
            return;
        }
        CVisit& visit = visits[current];
        if (visit.WholeMs < 0) {
            visit.WholeMs = clock.elapsed();
        }
        if (analysis && current == 0) {
            if (view.IsAnalysing()) {
                return;
            }
            visit.VerdictsMs = clock.elapsed();
        }
        visit.Ended = true;
        fold();
        if (current == 0) {
            startVisit(1, PasswordsWithout(4));
        } else if (current == 2) {
            app.quit();
        }
    });
    finished.start(1);
    QTimer::singleShot(0, &view, [&] { startVisit(0, PasswordsWithout(-1)); });
    app.exec();

    const int images = view.model()->rowCount();
    std::printf("images %d, threads %d, cache %s, program start (one image shown) %lld ms\n", images,
                QThread::idealThreadCount(), cache ? "on" : "off", static_cast<long long>(startMs));
    for (const CVisit& visit : visits) {
        const QByteArray whole =
            visit.WholeMs < 0
                ? QByteArray("interrupted")
                : QByteArray::number(visit.WholeMs) + " ms (" +
                      QByteArray::number(images * 1000.0 / std::max<qint64>(1, visit.WholeMs), 'f', 1) +
                      " images/s)";
        std::printf("%s: folder change call %lld ms, first screen (%d thumbnails) %lld ms, whole folder %s, "
                    "longest user-interface stall %lld ms\n",
                    visit.Label, static_cast<long long>(visit.ChangeMs), screen,
                    static_cast<long long>(visit.FirstScreenMs), whole.constData(),
                    static_cast<long long>(visit.StallMs));
        if (visit.VerdictsMs >= 0) {
            int analysed = 0;
            for (int row = 0; row < images; ++row) {
                const QString name = view.model()->index(row, 0).data().toString();
                analysed += name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) ? 1 : 0;
            }
            std::printf("%s: every verdict in %lld ms (%d PNGs analysed, JPEGs are not)\n", visit.Label,
                        static_cast<long long>(visit.VerdictsMs), analysed);
        }
        if (visit.ScrollMs >= 0) {
            std::printf("%s: scrolled to the end in %lld ms, longest stall while scrolling %lld ms\n",
                        visit.Label, static_cast<long long>(visit.ScrollMs),
                        static_cast<long long>(visit.ScrollStallMs));
        }
    }
    std::printf("peak resident memory: %ld MB\n", PeakResidentKb() / 1024);
    return 0;
}
