#include "cli/DetectCommand.h"

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/PasswordOptions.h"
#include "platform/ImageFiles.h"
#include "platform/TopRowsReader.h"
#include "stego/HiddenContent.h"

#include <QDir>
#include <QFileInfo>

namespace veilpane::cli {

QString CDetectCommand::Summary() const {
    return QStringLiteral("tell what images carry");
}

QString CDetectCommand::Help() const {
    return QStringLiteral(
               "Usage: veilpane-cli detect IMAGE_OR_FOLDER... [password options]\n\n"
               "Prints one line per image: the path, a tab, one of none, image, message or file, a\n"
               "tab, and the hidden file's name (empty for none). A folder stands for its images.\n"
               "Every password of the set is tried, in order.\n\n") +
           CPasswordOptions::HelpText();
}

int CDetectCommand::Run(const QStringList& arguments, CCliStreams& io) {
    CCommandLine line;
    CPasswordOptions::AddTo(line);
    line.Parse(arguments);
    CPasswordOptions passwords(&io.In);
    if (const QString error = passwords.ReadAll(line); !error.isEmpty()) {
        return UsageError(io, Name(), error);
    }
    if (line.Operands().isEmpty()) {
        return UsageError(io, Name(), QStringLiteral("no image or folder given"));
    }
    int status = ExitOk;
    for (const QString& path : ImageOperands(io, line.Operands(), status)) {
        const CBitmap top = LoadTopRows(path, HeaderPixelCount);
        if (!top.IsValid()) {
            status = ImageReadFailure(io, path, top.ErrorText());
            continue;
        }
        const auto found = DetectPayload(top, passwords.Set());
        const HiddenKind kind = found ? found->Header.Kind : HiddenNothing;
        const QString name = found ? PrintableName(ConfinedHiddenName(found->Header.Name)) : QString();
        // A file name with a tab or line end of its own would forge fields or lines of the table.
        io.Out << PrintableName(QDir::toNativeSeparators(path)) << '\t' << KindWord(kind) << '\t' << name
               << '\n';
    }
    return status;
}

} // namespace veilpane::cli
