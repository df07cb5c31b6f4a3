#include "cli/EditCommand.h"

#include "cli/CliSupport.h"
#include "cli/CommandLine.h"
#include "image/ImageOperations.h"
#include "platform/Bitmap.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <array>
#include <cmath>

namespace veilpane::cli {

namespace {

struct COperationName {
    const char* Name;
    ImageOperation Operation;
};

constexpr std::array<COperationName, 12> OperationNames = {{
    {"mirror", ImageOperation::Mirror},
    {"flip", ImageOperation::Flip},
    {"rotate-right", ImageOperation::RotateRight},
    {"rotate-left", ImageOperation::RotateLeft},
    {"grayscale", ImageOperation::Grayscale},
    {"negative", ImageOperation::Negative},
    {"gamma", ImageOperation::Gamma},
    {"threshold", ImageOperation::Threshold},
    {"lighten", ImageOperation::Lighten},
    {"darken", ImageOperation::Darken},
    {"contrast", ImageOperation::Contrast},
    {"sharpen", ImageOperation::Sharpen},
}};

std::optional<ImageOperation> OperationNamed(const QString& name) {
    for (const COperationName& entry : OperationNames) {
        if (name == QLatin1String(entry.Name)) {
            return entry.Operation;
        }
    }
    return std::nullopt;
}

bool IsNumber(const QString& text) {
    bool ok = false;
    QLocale::c().toDouble(text, &ok);
    return ok;
}

bool TakesValue(ImageOperation operation) {
    return operation == ImageOperation::Gamma || operation == ImageOperation::Threshold;
}

} // namespace

QString CEditCommand::Summary() const {
    return QStringLiteral("mirror, rotate or recolour an image into a new file");
}

QString CEditCommand::Help() const {
    return QStringLiteral(
               "Usage: veilpane-cli edit INPUT OUTPUT OPERATION [VALUE] [--overwrite | --keep-both]\n\n"
               "Reads INPUT, applies one of the Edit menu's operations and writes OUTPUT, in the format its\n"
               "extension names: png, bmp, tif or tiff, jpg or jpeg, gif. OUTPUT may be INPUT itself, with\n"
               "--overwrite.\n\n"
               "Operations:\n"
               "  mirror          left to right\n"
               "  flip            top to bottom\n"
               "  rotate-right    90 degrees clockwise\n"
               "  rotate-left     90 degrees counter-clockwise\n"
               "  grayscale       0.299 red + 0.587 green + 0.114 blue in every channel\n"
               "  negative        every channel inverted\n"
               "  gamma VALUE     gamma correction: each channel c (0 to 1) becomes c^(1/VALUE); VALUE is a\n"
               "                  number of at least 0.001, taken in thousandths (1 changes nothing)\n"
               "  threshold VALUE a channel above VALUE (0 to 255) becomes 255, any other 0\n"
               "  lighten         every channel + 20%\n"
               "  darken          every channel - 20%\n"
               "  contrast        every channel 1.6 times as far from the middle\n"
               "  sharpen         every channel 1.2 times as far from the middle\n\n"
               "Translucent pixels blend the new colour with their old one, as when it is painted over "
               "them.\n"
               "The rotations and flips lose nothing. JPEG and GIF outputs are lossy.\n\n") +
           CExistingFileOptions::HelpText() +
           QStringLiteral("Exit status: 0 written, 1 the input could not be read or the output not written, "
                          "2 bad usage.\n");
}

QString CEditCommand::OutputMimeType(const QString& outputPath) {
    const QString extension = QFileInfo(outputPath).suffix().toLower();
    if (extension == QLatin1String("png")) {
        return QStringLiteral("image/png");
    }
    if (extension == QLatin1String("bmp")) {
        return QStringLiteral("image/bmp");
    }
    if (extension == QLatin1String("tif") || extension == QLatin1String("tiff")) {
        return QStringLiteral("image/tiff");
    }
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg")) {
        return QStringLiteral("image/jpeg");
    }
    if (extension == QLatin1String("gif")) {
        return QStringLiteral("image/gif");
    }
    return {};
}

int CEditCommand::Run(const QStringList& arguments, CCliStreams& io) {
    CCommandLine line(CCommandLine::DoubleDashEndsOptions);
    // A negative VALUE is a value, not an option, and is refused below for what it is.
    line.SetOptionTest([](const QString& arg) { return LooksLikeOption(arg) && !IsNumber(arg); });
    CExistingFileOptions::AddTo(line);
    line.Parse(arguments);
    if (const QString misfit = line.Misfit(); !misfit.isEmpty()) {
        return UsageError(io, Name(), misfit);
    }
    QString error;
    const ExistingFile whenTaken = CExistingFileOptions::Read(line, &error);
    if (!error.isEmpty()) {
        return UsageError(io, Name(), error);
    }
    const QStringList operands = line.Operands();
    if (operands.size() < 3) {
        return UsageError(io, Name(), QStringLiteral("give INPUT, OUTPUT and OPERATION"));
    }
    const QString& input = operands[0];
    QString output = operands[1];
    const std::optional<ImageOperation> operation = OperationNamed(operands[2]);
    if (!operation) {
        return UsageError(io, Name(), QStringLiteral("unknown operation '%1'").arg(operands[2]));
    }
    if (TakesValue(*operation) && operands.size() < 4) {
        return UsageError(io, Name(), QStringLiteral("%1 needs a VALUE").arg(operands[2]));
    }
    if (operands.size() > (TakesValue(*operation) ? 4 : 3)) {
        return UsageError(io, Name(),
                          QStringLiteral("'%1' is extra").arg(operands[TakesValue(*operation) ? 4 : 3]));
    }
    int value = 0;
    if (*operation == ImageOperation::Gamma) {
        bool ok = false;
        const double gamma = QLocale::c().toDouble(operands[3], &ok);
        value = ok ? GammaOperationValue(gamma) : 0;
        // The desktop program draws such a gamma as no change at all; a terminal run says so instead.
        if (value <= 0) {
            return UsageError(io, Name(),
                              QStringLiteral("the gamma VALUE must be a number of at least 0.001, not '%1'")
                                  .arg(operands[3]));
        }
    } else if (*operation == ImageOperation::Threshold) {
        bool ok = false;
        value = operands[3].toInt(&ok, 10);
        if (!ok || value < 0 || value > 255) {
            return UsageError(
                io, Name(),
                QStringLiteral("the threshold VALUE must be an integer between 0 and 255, not '%1'")
                    .arg(operands[3]));
        }
    }
    const QString mime = OutputMimeType(output);
    if (mime.isEmpty()) {
        return UsageError(io, Name(),
                          QStringLiteral("cannot tell the format of '%1': use .png, .bmp, .tif, .tiff, .jpg, "
                                         ".jpeg or .gif")
                              .arg(output));
    }

    const std::optional<QString> writeTo = CExistingFileOptions::OutputPath(output, whenTaken);
    if (!writeTo) {
        return Failure(io, CExistingFileOptions::InTheWayError({output}));
    }
    output = *writeTo;
    const CBitmap source = CBitmap::Load(input);
    if (!source.IsValid()) {
        return ImageReadFailure(io, input, source.ErrorText());
    }
    CBitmap result = ApplyImageOperation(source, *operation, value);
    if (!result.IsValid()) {
        return Failure(io,
                       QStringLiteral("Not enough memory to edit %1").arg(QDir::toNativeSeparators(input)));
    }
    if (!result.Save(output, mime)) {
        return Failure(
            io,
            QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(output), result.ErrorText()));
    }
    return ExitOk;
}

} // namespace veilpane::cli
