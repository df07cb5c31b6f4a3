#include "cli/SuggestCoverCommand.h"

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "platform/ImageFiles.h"
#include "stego/CoverAdvisor.h"
#include "stego/HideEngine.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace veilpane::cli {

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
    std::vector<CCoverTrial> trials = RankCovers(ListFolderImages(folder), size);
    int status = ExitOk;
    for (const CCoverTrial& trial : trials) {
        if (!trial.Error.isEmpty()) {
            status = ImageReadFailure(io, trial.Path, trial.Error);
        }
    }
    std::erase_if(trials, [](const CCoverTrial& trial) { return !trial.Fits; });
    for (const CCoverTrial& trial : trials) {
        io.Out << PrintableName(QDir::toNativeSeparators(trial.Path)) << '\t' << VerdictWord(trial.Verdict)
               << '\t' << (trial.GenericFlag ? "flagged" : "unflagged") << '\t'
               << QString::asprintf("%.4f", trial.Change) << '\n';
    }
    return status;
}

} // namespace veilpane::cli
