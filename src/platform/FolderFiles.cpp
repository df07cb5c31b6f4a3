#include "platform/FolderFiles.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

namespace veilpane {

void ListFolderFiles(const QString& folder, const QString& pattern, QStringList& files) {
    const QString wildcard = pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern;
    const QRegularExpression match(QRegularExpression::wildcardToRegularExpression(wildcard),
                                   QRegularExpression::CaseInsensitiveOption);
    // Without QDir::System, sockets, pipes and devices are left out: reading a pipe would never end.
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    QDirIterator entries(folder, QDir::Files | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QFileInfo info = entries.fileInfo();
        const QString name = info.fileName();
        if (name.startsWith(QLatin1Char('.')) || info.isSymLink() || !info.isFile() ||
            !match.match(name).hasMatch()) {
            continue;
        }
        files.append(prefix + name);
    }
}

} // namespace veilpane
