#include "cli/SuggestCoverCommand.h"

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "crypto/CipherProfile.h"
#include "platform/ImageFiles.h"
#include "stego/HideEngine.h"
#include "stego/PixelBitStream.h"
#include "stego/StegoAnalysis.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <atomic>
#include <thread>
#include <tuple>

namespace veilpane::cli {

namespace {

struct CCoverTrial {
    QString Path;
    QString Error; // why the image could not be read
    bool Fits = false;
    StegoVerdict Verdict = StegoVerdict::Clean;
    bool GenericFlag = false;
    double Change = 0.0; // the rise of the highest whole-image rate a generic tool sees
};

// The payload of a hide of size bytes is indistinguishable from random bytes once encrypted: the trial
// writes random bytes of the same length with a random channel choice, on a copy of the real pixels.
CCoverTrial TryCover(const QString& path, qint64 size) {
    CCoverTrial trial{path, {}};
    const CBitmap cover = CBitmap::Load(path);
    if (!cover.IsValid()) {
        trial.Error = cover.ErrorText();
        return trial;
    }
    if (size + CapacityOverhead > static_cast<qint64>(ImageCapacity(cover.Width(), cover.Height()))) {
        return trial;
    }
    QRandomGenerator random = QRandomGenerator::securelySeeded();
    const auto randomBytes = [&random](qint64 length) {
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

} // namespace

QString CSuggestCoverCommand::Summary() const {
    return QStringLiteral("rank a folder's images by how little a hide would show");
}

QString CSuggestCoverCommand::Help() const {
    return QStringLiteral(
        "Usage: veilpane-cli suggest-cover FOLDER --size BYTES\n\n"
        "Simulates, in memory, a hide of BYTES random bytes into every image of the folder that can\n"
        "hold them, analyses each result, and prints the images best first, one line each: the path,\n"
        "a tab, the verdict the analysis predicts for the result (clean, suspect or stego), a tab,\n"
        "flagged or unflagged (what generic tools would conclude from whole-image estimates), a\n"
        "tab, and how much the hide raises the highest of those estimates. Nothing is written.\n");
}

int CSuggestCoverCommand::Run(const QStringList& arguments, CCliStreams& io) {
    CCommandLine line;
    line.AddOption({QStringLiteral("size")}, QStringLiteral("BYTES"), true);
    line.Parse(arguments);
    if (const QString misfit = line.Misfit(QStringLiteral("one folder only")); !misfit.isEmpty()) {
        return UsageError(io, Name(), misfit);
    }
    if (const QString option = line.MissingValue(); !option.isEmpty()) {
        return UsageError(io, Name(), QStringLiteral("%1 needs a value").arg(option));
    }
    const QString folder = line.FirstOperand();
    if (folder.isEmpty()) {
        return UsageError(io, Name(), QStringLiteral("no folder given"));
    }
    bool sizeOk = false;
    const qint64 size = line.Value(QStringLiteral("size")).toLongLong(&sizeOk);
    if (!line.IsSet(QStringLiteral("size")) || !sizeOk || size < 0 || size > MaxHiddenFileSize) {
        return UsageError(
            io, Name(), QStringLiteral("--size takes a number of bytes from 0 to %1").arg(MaxHiddenFileSize));
    }
    if (!QFileInfo(folder).isDir()) {
        return Failure(io, QStringLiteral("Folder not found: %1").arg(QDir::toNativeSeparators(folder)));
    }
    const QStringList images = ListFolderImages(folder);
    std::vector<CCoverTrial> trials(static_cast<std::size_t>(images.size()));
    std::atomic<qsizetype> next{0};
    const auto work = [&] {
        for (qsizetype i = next++; i < images.size(); i = next++) {
            trials[static_cast<std::size_t>(i)] = TryCover(images[i], size);
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
    int status = ExitOk;
    for (const CCoverTrial& trial : trials) {
        if (!trial.Error.isEmpty()) {
            status = Failure(io, QStringLiteral("Cannot read the image %1: %2")
                                     .arg(QDir::toNativeSeparators(trial.Path), trial.Error));
        }
    }
    std::erase_if(trials, [](const CCoverTrial& trial) { return !trial.Fits; });
    std::stable_sort(trials.begin(), trials.end(), [](const CCoverTrial& a, const CCoverTrial& b) {
        return std::tuple(a.Verdict, a.GenericFlag, a.Change) <
               std::tuple(b.Verdict, b.GenericFlag, b.Change);
    });
    for (const CCoverTrial& trial : trials) {
        io.Out << PrintableName(QDir::toNativeSeparators(trial.Path)) << '\t' << VerdictWord(trial.Verdict)
               << '\t' << (trial.GenericFlag ? "flagged" : "unflagged") << '\t'
               << QString::asprintf("%.4f", trial.Change) << '\n';
    }
    return status;
}

} // namespace veilpane::cli
