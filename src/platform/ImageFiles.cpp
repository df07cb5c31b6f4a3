#include "platform/ImageFiles.h"

#include "platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace veilpane {

bool IsImageFile(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        return false;
    }
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
