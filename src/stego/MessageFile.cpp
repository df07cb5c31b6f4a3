#include "stego/MessageFile.h"

#include "platform/Paths.h"

#include <QFile>
#include <QTemporaryDir>

namespace veilpane {

namespace {

constexpr int MaxMessageBaseLength = 58;

// Cuts UTF-8 text to at most limit bytes without splitting a character.
QByteArray CutUtf8(const QByteArray& text, int limit) {
    if (text.size() <= limit) {
        return text;
    }
    int end = limit;
    // Continuation bytes are 10xxxxxx: step back to the start of the character that would be split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) {
        --end;
    }
    return text.left(end);
}

} // namespace

QString MessageFileName(const QString& entryName) {
    QString base = entryName.toLower();
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) {
        base.truncate(dot);
    }
    return QString::fromUtf8(CutUtf8(base.toUtf8(), MaxMessageBaseLength)) + QStringLiteral(".txt");
}

QByteArray MessageFileContent(const QString& message) {
    QByteArray content = message.toUtf8();
    content.replace("\n", "\r\n");
    content += "\r\n";
    return content;
}

CHideResult HideMessageInImage(CBitmap* image, const QString& entryName, const QString& message,
                               const QByteArray& password, CReportStatistics& statistics,
                               const QDateTime& moment) {
    const QTemporaryDir folder;
    const QString path = PathInFolder(folder.path(), MessageFileName(entryName));
    bool written = false;
    if (folder.isValid()) {
        const QByteArray content = MessageFileContent(message);
        QFile file(path);
        written = file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.flush();
    }
    if (!written && !password.isEmpty() && image && image->IsValid()) {
        // A message file that could not be written is a file that is not there.
        return CHideResult::Refused(FileToHideNotFoundMessage());
    }
    return HideFileInImage(image, path, password, statistics, moment);
}

} // namespace veilpane
