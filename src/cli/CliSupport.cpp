#include "cli/CliSupport.h"

#include <QFileDevice>

namespace veilpane::cli {

int UsageError(CCliStreams& io, const QString& command, const QString& text) {
    io.Err << QStringLiteral("veilpane-cli %1: %2\nRun 'veilpane-cli %1 --help' for usage.\n")
                  .arg(command, text);
    io.Err.flush();
    return ExitUsage;
}

int Failure(CCliStreams& io, const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    io.Err << shown << '\n';
    io.Err.flush();
    return ExitFailure;
}

int Failure(CCliStreams& io, const CUserMessage& message) {
    return Failure(io, message.Text);
}

void WriteRaw(CCliStreams& io, const QByteArray& bytes) {
    io.Out.flush();
    if (QIODevice* device = io.Out.device()) {
        device->write(bytes);
        if (auto* file = qobject_cast<QFileDevice*>(device)) {
            file->flush();
        }
    } else {
        io.Out << QString::fromUtf8(bytes);
    }
}

QString KindWord(HiddenKind kind) {
    switch (kind) {
    case HiddenImage:
        return QStringLiteral("image");
    case HiddenMessage:
        return QStringLiteral("message");
    case HiddenFile:
        return QStringLiteral("file");
    case HiddenNothing:
        break;
    }
    return QStringLiteral("none");
}

QString PrintableName(QString name) {
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            c = QLatin1Char('?');
        }
    }
    return name;
}

bool LooksLikeOption(const QString& arg) {
    return arg.size() > 1 && arg.startsWith(QLatin1Char('-'));
}

} // namespace veilpane::cli
