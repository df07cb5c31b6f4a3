#include "stego/CoverAdvisor.h"

#include "crypto/CipherProfile.h"
#include "stego/HideEngine.h"
#include "stego/PayloadFormat.h"
#include "stego/PixelBitStream.h"

#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <thread>
#include <tuple>

namespace veilpane {

CCoverTrial TryCover(const QString& path, std::int64_t size) {
    CCoverTrial trial{path, {}};
    const CBitmap cover = CBitmap::Load(path);
    if (!cover.IsValid()) {
        trial.Error = cover.ErrorText();
        return trial;
    }
    if (size + CapacityOverhead > static_cast<std::int64_t>(ImageCapacity(cover.Width(), cover.Height()))) {
        return trial;
    }
    QRandomGenerator random = QRandomGenerator::securelySeeded();
    const auto randomBytes = [&random](std::int64_t length) {
        QByteArray bytes(static_cast<qsizetype>(length), '\0');
        for (char& byte : bytes) {
            byte = static_cast<char>(random.generate() & 0xFFu);
        }
        return bytes;
    };
    CBitmap result = cover.Copy();
    CBitWriteCounts counts;
    if (!WritePayloadBits(result, randomBytes(EncryptedHeaderLength),
                          randomBytes(EncryptedLength(DataPrefixLength + size)),
                          random.bounded(1u, 16'777'217u), counts)) {
        return trial;
    }
    // The images are shared out between threads already; a quarter of a megapixel of columns estimates
    // the whole-image rates well enough to rank by.
    const CStegoAnalysis analysis =
        AnalyseStego(result, &cover, CAnalysisOptions{.Threads = 1, .SampleBudget = 250'000});
    trial.Fits = true;
    trial.Verdict = analysis.Verdict;
    trial.GenericFlag = analysis.Whole.GenericFlag();
    trial.Change = analysis.Whole.HighestRate() - analysis.Cover->HighestRate();
    return trial;
}

std::vector<CCoverTrial> RankCovers(const QStringList& images, std::int64_t size,
                                    const std::function<void(int, int)>& progress,
                                    const std::function<bool()>& cancelled) {
    std::vector<CCoverTrial> trials(static_cast<std::size_t>(images.size()));
    std::vector<char> tried(trials.size(), 0);
    std::atomic<qsizetype> next{0};
    std::atomic<int> done{0};
    const auto work = [&] {
        for (qsizetype i = next++; i < images.size(); i = next++) {
            if (cancelled && cancelled()) {
                return;
            }
            trials[static_cast<std::size_t>(i)] = TryCover(images[i], size);
            tried[static_cast<std::size_t>(i)] = 1;
            const int finished = ++done;
            if (progress) {
                progress(finished, static_cast<int>(images.size()));
            }
        }
    };
    std::vector<std::thread> pool;
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned t = 1; t < threads; ++t) {
        pool.emplace_back(work);
    }
    work();
    for (std::thread& thread : pool) {
        thread.join();
    }
    std::vector<CCoverTrial> ranked;
    std::vector<CCoverTrial> unreadable;
    for (std::size_t i = 0; i < trials.size(); ++i) {
        if (!tried[i]) {
            continue;
        }
        if (!trials[i].Error.isEmpty()) {
            unreadable.push_back(std::move(trials[i]));
        } else if (trials[i].Fits) {
            ranked.push_back(std::move(trials[i]));
        }
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const CCoverTrial& a, const CCoverTrial& b) {
        return std::tuple(a.Verdict, a.GenericFlag, a.Change) <
               std::tuple(b.Verdict, b.GenericFlag, b.Change);
    });
    ranked.insert(ranked.end(), std::make_move_iterator(unreadable.begin()),
                  std::make_move_iterator(unreadable.end()));
    return ranked;
}

} // namespace veilpane
