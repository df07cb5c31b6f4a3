#include "cli/HideCommand.h"

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "cli/PasswordOptions.h"
#include "platform/Bitmap.h"
#include "platform/Paths.h"
#include "stego/HideEngine.h"
#include "stego/MessageFile.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace veilpane::cli {

QString CHideCommand::Summary() const {
    return QStringLiteral("hide a file or a message in an image");
}

QString CHideCommand::Help() const {
    return QStringLiteral(
               "Usage: veilpane-cli hide CARRIER (--file PATH | --message TEXT) [-o OUTPUT] [--overwrite | "
               "--keep-both] [password options]\n\n"
               "Hides a file, or a message, in the pixels of CARRIER under the selected password and prints "
               "the\n"
               "report. A message travels as a text file named after the carrier in lower case (Photo.JPG "
               "->\n"
               "photo.txt).\n\n"
               "Options:\n"
               "  --file PATH        the file to hide: a regular file of at most 9999967 bytes\n"
               "  --message TEXT     the message to hide\n"
               "  -o, --output PATH  where to write the result; its extension names the format: png, bmp,\n"
               "                     tif or tiff (lossy formats would destroy the hidden data). Default: "
               "beside\n"
               "                     the carrier, as name_steg.png (Sunset.JPG -> Sunset_steg.png)\n\n") +
           CExistingFileOptions::HelpText() + CPasswordOptions::HelpText();
}

QString CHideCommand::DefaultOutputPath(const QString& carrierPath) {
    const QFileInfo info(carrierPath);
    QString base = info.fileName();
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) {
        base.truncate(dot);
    }
    return PathInFolder(info.path(), base + QStringLiteral("_steg.png"));
}

QString CHideCommand::OutputMimeType(const QString& outputPath) {
    const QString suffix = QFileInfo(outputPath).suffix().toLower();
    if (suffix == QLatin1String("png")) {
        return QStringLiteral("image/png");
    }
    if (suffix == QLatin1String("bmp")) {
        return QStringLiteral("image/bmp");
    }
    if (suffix == QLatin1String("tif") || suffix == QLatin1String("tiff")) {
        return QStringLiteral("image/tiff");
    }
    return {};
}

int CHideCommand::Run(const QStringList& arguments, CCliStreams& io) {
    QStringList args = arguments;
    CPasswordOptions passwords(&io.In);
    QString error;
    if (!passwords.Take(args, &error)) {
        return UsageError(io, Name(), error);
    }
    // The command's own options only see what the password options left, as "-o -p x" always read.
    CCommandLine line;
    line.AddOption({QStringLiteral("file")}, QStringLiteral("PATH"));
    line.AddOption({QStringLiteral("message")}, QStringLiteral("TEXT"));
    line.AddOption({QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("PATH"));
    CExistingFileOptions::AddTo(line);
    line.Parse(args);
    if (const QString misfit = line.Misfit(QStringLiteral("one carrier image only")); !misfit.isEmpty()) {
        return UsageError(io, Name(), misfit);
    }
    if (const QString option = line.MissingValue(); !option.isEmpty()) {
        return UsageError(io, Name(), QStringLiteral("option '%1' needs a value").arg(option));
    }
    const QString carrier = line.FirstOperand();
    const auto given = [&line](const QString& name) {
        return line.IsSet(name) ? std::optional<QString>(line.Value(name)) : std::nullopt;
    };
    const std::optional<QString> file = given(QStringLiteral("file"));
    const std::optional<QString> message = given(QStringLiteral("message"));
    QString output = line.Value(QStringLiteral("output"));
    const ExistingFile whenTaken = CExistingFileOptions::Read(line, &error);
    if (!error.isEmpty()) {
        return UsageError(io, Name(), error);
    }
    if (carrier.isEmpty()) {
        return UsageError(io, Name(), QStringLiteral("no carrier image given"));
    }
    if (file.has_value() == message.has_value()) {
        return UsageError(io, Name(), QStringLiteral("give either --file or --message"));
    }
    if (output.isEmpty()) {
        output = DefaultOutputPath(carrier);
    }
    const QString mimeType = OutputMimeType(output);
    if (mimeType.isEmpty()) {
        return UsageError(
            io, Name(),
            QStringLiteral("cannot write '%1': only PNG, BMP and TIFF (.png, .bmp, .tif, .tiff) "
                           "keep hidden data")
                .arg(output));
    }

    if (message && message->isEmpty()) {
        return Failure(io, QStringLiteral("The text message to hide is not defined.\nUse option 'Hide/Enter "
                                          "message to hide'"));
    }
    if (const auto refusal = CheckEncryptionPasswords(passwords.Set())) {
        return Failure(io, *refusal);
    }
    if (file && !QFileInfo::exists(*file)) {
        return Failure(io,
                       CUserMessage::ErrorBox(QStringLiteral("File not found"),
                                              QStringLiteral("The selected file to hide does not exist.")));
    }
    const std::optional<QString> writeTo = CExistingFileOptions::OutputPath(output, whenTaken);
    if (!writeTo) {
        return Failure(io, CExistingFileOptions::InTheWayError({output}));
    }
    output = *writeTo;
    CBitmap image = CBitmap::Load(carrier);
    if (!image.IsValid()) {
        return ImageReadFailure(io, carrier, image.ErrorText());
    }

    const QByteArray password = passwords.Set().SelectedPassword();
    CReportStatistics statistics;
    const CHideResult result =
        message ? HideMessageInImage(&image, FileNameOfPath(carrier), *message, password, statistics)
                : HideFileInImage(&image, *file, password, statistics);
    if (!result.Ok()) {
        return Failure(io, result.Message.value_or(FileToHideNotFoundMessage()));
    }
    if (!image.Save(output, mimeType)) {
        return Failure(io, QStringLiteral("Error saving image file.\n%1: %2")
                               .arg(QDir::toNativeSeparators(output), image.ErrorText()));
    }
    io.Out << FormatHideReport(result.Value) << '\n';
    io.Out << QStringLiteral("Image file saved: %1\n").arg(QDir::toNativeSeparators(output));
    return ExitOk;
}

} // namespace veilpane::cli
