// How well the steganalysis tells clean photos from hides made by the program's own hide engine.
// Usage: veilpane_analysis_accuracy IMAGE...  (run_analysis_accuracy.sh prepares real photos as PNG)
// For every image: the clean verdict, then hides of 10 % and 2 % of the capacity and of a 5-byte file,
// each analysed blind. Prints one line per case and the summary the README quotes.
#include "crypto/CipherProfile.h"
#include "platform/Bitmap.h"
#include "stego/HideEngine.h"
#include "stego/PayloadFormat.h"
#include "stego/PixelBitStream.h"
#include "stego/StegoAnalysis.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <map>

using namespace veilpane;

namespace {

struct CTally {
    int Cases = 0;
    int NotClean = 0;
    int Stego = 0;
    int Suspect = 0;
    int BytesWithin50 = 0;
    int EndWithin2Rows = 0;
};

QString WritePayload(const QTemporaryDir& dir, std::int64_t size) {
    const QString path = dir.filePath(QStringLiteral("payload.bin"));
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray bytes(static_cast<qsizetype>(size), '\0');
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    file.write(bytes);
    return path;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SetCipherLogStream(nullptr);
    QTextStream out(stdout);
    QTemporaryDir dir;
    std::map<QString, CTally> tallies;
    const QStringList images = app.arguments().mid(1);
    out << "image\tcase\tverdict\tstrength\tbytes\ttrue_bytes\tend_row\ttrue_end_row\tgeneric\n";
    for (const QString& path : images) {
        const CBitmap cover = CBitmap::Load(path);
        if (!cover.IsValid()) {
            continue;
        }
        const std::uint32_t capacity = ImageCapacity(cover.Width(), cover.Height());
        const CStegoAnalysis clean = AnalyseStego(cover);
        CTally& cleanTally = tallies[QStringLiteral("clean")];
        ++cleanTally.Cases;
        cleanTally.Stego += clean.Verdict == StegoVerdict::Stego;
        cleanTally.Suspect += clean.Verdict == StegoVerdict::Suspect;
        out << QFileInfo(path).fileName() << "\tclean\t" << VerdictWord(clean.Verdict) << '\t'
            << clean.SequentialStrength << '/' << clean.AgreementDistance << '\t' << clean.EstimatedBytes
            << "\t0\t" << clean.PayloadEndRow << "\t-1\t" << clean.Whole.GenericFlag() << '\n';
        const std::array<std::pair<QString, std::int64_t>, 3> cases{
            std::pair{QStringLiteral("10%"), std::int64_t{capacity} / 10 - CapacityOverhead},
            std::pair{QStringLiteral("2%"), std::int64_t{capacity} / 50 - CapacityOverhead},
            std::pair{QStringLiteral("5 bytes"), std::int64_t{5}}};
        for (const auto& [label, size] : cases) {
            if (size < 0 || size + CapacityOverhead > capacity) {
                continue;
            }
            CBitmap stego = cover.Copy();
            CReportStatistics statistics;
            const CHideResult hide =
                HideFileInImage(&stego, WritePayload(dir, size), "accuracy-run", statistics);
            if (!hide.Ok()) {
                continue;
            }
            const CStegoAnalysis found = AnalyseStego(stego);
            const std::int64_t trueBytes = 144 + hide.Value.EncryptedDataLength;
            const int trueEndRow =
                static_cast<int>((PayloadPixelCount(hide.Value.EncryptedDataLength) - 1) / cover.Width());
            CTally& tally = tallies[label];
            ++tally.Cases;
            tally.NotClean += found.Verdict != StegoVerdict::Clean;
            tally.Stego += found.Verdict == StegoVerdict::Stego;
            tally.BytesWithin50 += std::abs(found.EstimatedBytes - trueBytes) <= trueBytes / 2;
            tally.EndWithin2Rows += std::abs(found.PayloadEndRow - trueEndRow) <= 2;
            out << QFileInfo(path).fileName() << '\t' << label << '\t' << VerdictWord(found.Verdict) << '\t'
                << found.SequentialStrength << '/' << found.AgreementDistance << '\t' << found.EstimatedBytes
                << '\t' << trueBytes << '\t' << found.PayloadEndRow << '\t' << trueEndRow << '\t'
                << found.Whole.GenericFlag() << '\n';
        }
    }
    out << "\nsummary\n";
    const CTally& clean = tallies[QStringLiteral("clean")];
    out << QString::asprintf("clean photos: %d, stego %d (%.1f%%), suspect %d (%.1f%%)\n", clean.Cases,
                             clean.Stego, 100.0 * clean.Stego / std::max(1, clean.Cases), clean.Suspect,
                             100.0 * clean.Suspect / std::max(1, clean.Cases));
    for (const QString& label : {QStringLiteral("10%"), QStringLiteral("2%"), QStringLiteral("5 bytes")}) {
        const CTally& t = tallies[label];
        const double n = std::max(1, t.Cases);
        out << QString::asprintf(
            "%s: %d cases, not clean %.1f%%, stego %.1f%%, bytes within 50%% %.1f%%, end "
            "within 2 rows %.1f%%\n",
            qPrintable(label), t.Cases, 100.0 * t.NotClean / n, 100.0 * t.Stego / n,
            100.0 * t.BytesWithin50 / n, 100.0 * t.EndWithin2Rows / n);
    }
    return 0;
}
