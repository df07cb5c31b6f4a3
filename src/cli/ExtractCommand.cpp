#include "cli/ExtractCommand.h"

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/PasswordOptions.h"
#include "stego/HiddenContent.h"

#include <QDir>
#include <QFileInfo>

namespace veilpane::cli {

QString CExtractCommand::Summary() const {
    return QStringLiteral("extract the file or message an image hides");
}

QString CExtractCommand::Help() const {
    return QStringLiteral(
               "Usage: veilpane-cli extract IMAGE [-d DIR | --print] [--overwrite | --keep-both] [password "
               "options]\n\n"
               "Writes the file IMAGE hides into DIR under its own name (only its plain file name is used)\n"
               "and prints the path written. A file already there under that name is left alone and nothing\n"
               "is extracted, unless --overwrite or --keep-both says otherwise. IMAGE itself is never\n"
               "replaced, not even with --overwrite.\n\n"
               "Options:\n"
               "  -d, --directory DIR  where to write (default: the image's folder)\n"
               "  --print              write the moment of hiding, an empty line and the content to "
               "standard\n"
               "                       output instead of a file\n\n") +
           CExistingFileOptions::HelpText() + CPasswordOptions::HelpText();
}

int CExtractCommand::Run(const QStringList& arguments, CCliStreams& io) {
    QStringList args = arguments;
    CPasswordOptions passwords(&io.In);
    QString error;
    if (!passwords.Take(args, &error)) {
        return UsageError(io, Name(), error);
    }
    // The command's own options only see what the password options left, as "-d -p x" always read.
    CCommandLine line;
    line.AddOption({QStringLiteral("d"), QStringLiteral("directory")}, QStringLiteral("DIR"));
    line.AddOption({QStringLiteral("print")});
    CExistingFileOptions::AddTo(line);
    line.Parse(args);
    if (const QString misfit = line.Misfit(QStringLiteral("one image only")); !misfit.isEmpty()) {
        return UsageError(io, Name(), misfit);
    }
    if (const QString option = line.MissingValue(); !option.isEmpty()) {
        return UsageError(io, Name(), QStringLiteral("option '%1' needs a value").arg(option));
    }
    const QString image = line.FirstOperand();
    QString directory = line.Value(QStringLiteral("directory"));
    const bool print = line.IsSet(QStringLiteral("print"));
    const ExistingFile whenTaken = CExistingFileOptions::Read(line, &error);
    if (!error.isEmpty()) {
        return UsageError(io, Name(), error);
    }
    if (image.isEmpty()) {
        return UsageError(io, Name(), QStringLiteral("no image given"));
    }
    if (print && !directory.isEmpty()) {
        return UsageError(io, Name(), QStringLiteral("-d and --print exclude each other"));
    }
    if (print && whenTaken != ExistingFile::Refuse) {
        return UsageError(io, Name(),
                          QStringLiteral("--print writes no file: --overwrite and --keep-both "
                                         "do not apply"));
    }
    if (directory.isEmpty()) {
        directory = QFileInfo(image).absolutePath();
    } else if (!QFileInfo(directory).isDir()) {
        return Failure(io, QStringLiteral("Folder not found: %1").arg(QDir::toNativeSeparators(directory)));
    }
    if (const auto refusal = CheckDefinedPasswords(passwords.Set())) {
        return Failure(io, *refusal);
    }
    const CBitmap bitmap = CBitmap::Load(image);
    if (!bitmap.IsValid()) {
        return ImageReadFailure(io, image, bitmap.ErrorText());
    }
    if (!print) {
        // The name travels in the payload, so it may be the carrier's own; nothing replaces the carrier.
        const CResult<CHiddenContent> header =
            FindHiddenContent(bitmap, passwords.Set(), true, HiddenOutput::Folder);
        const QFileInfo target(HiddenFilePath(directory, header.Value.Name));
        if (header.Ok() && !header.Value.Name.isEmpty() && whenTaken != ExistingFile::KeepBoth &&
            target.exists() && target.canonicalFilePath() == QFileInfo(image).canonicalFilePath()) {
            return Failure(
                io, QStringLiteral("The hidden file of %1 has the name of that image and would replace "
                                   "it; nothing was extracted.\nGive --keep-both to write it beside "
                                   "the image.")
                        .arg(QDir::toNativeSeparators(image)));
        }
    }
    const CResult<CHiddenContent> found =
        FindHiddenContent(bitmap, passwords.Set(), false, print ? HiddenOutput::Text : HiddenOutput::Folder,
                          directory, whenTaken);
    if (!found.Value.InTheWay.isEmpty()) {
        return Failure(io, CExistingFileOptions::InTheWayError({found.Value.InTheWay}));
    }
    if (!found.Ok()) {
        // A payload a password opens but whose content could not be read or written is not "nothing there".
        if (found.Outcome == Outcome::Failed) {
            return Failure(io, QStringLiteral("The hidden file of %1 could not be extracted.")
                                   .arg(QDir::toNativeSeparators(image)));
        }
        return Failure(io, QStringLiteral("No hidden data found in %1 with the given passwords.")
                               .arg(QDir::toNativeSeparators(image)));
    }
    if (print) {
        WriteRaw(io, found.Value.Moment + "\n\n" + found.Value.Content);
    } else {
        // The path alone on its line, for scripts; the warning about a dot name goes beside it to stderr.
        const QString shown = PrintableName(QDir::toNativeSeparators(found.Value.WrittenPath));
        io.Out << shown << '\n';
        if (const QString note = DotFileNote(found.Value.WrittenPath); !note.isEmpty()) {
            PrintError(io, QStringLiteral("%1 was written%2").arg(shown, note));
        }
    }
    return ExitOk;
}

} // namespace veilpane::cli
