#include "doc/FolderHistory.h"

#include "platform/SettingsKeys.h"

#include <QDir>
#include <QFileInfo>

namespace veilpane {

QStringList ReadRecentFolders(const CSettingsStore& settings) {
    QStringList folders;
    for (const QString& line : settings.Get(setting::RecentFolders).split(QLatin1Char('\n'))) {
        const QString clean = QDir::cleanPath(line);
        if (!line.isEmpty() && !folders.contains(clean) && folders.size() < MaxRecentFolders) {
            folders << clean;
        }
    }
    return folders;
}

void WriteRecentFolders(CSettingsStore& settings, const QStringList& folders) {
    settings.Write(setting::RecentFolders, folders.mid(0, MaxRecentFolders).join(QLatin1Char('\n')));
}

QStringList WithRecentFolder(const QStringList& folders, const QString& folder) {
    const QString clean = QDir::cleanPath(folder);
    QStringList result{clean};
    for (const QString& other : folders) {
        if (QDir::cleanPath(other) != clean && result.size() < MaxRecentFolders) {
            result << other;
        }
    }
    return result;
}

QString ExpandTypedFolder(const QString& typed, const QString& currentFolder) {
    QString path = QDir::fromNativeSeparators(typed.trimmed());
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/"))) {
        path = QDir::homePath() + path.mid(1);
    }
    if (path.isEmpty()) {
        return {};
    }
    if (QDir::isRelativePath(path)) {
        path = QDir(currentFolder.isEmpty() ? QDir::homePath() : currentFolder).filePath(path);
    }
    return QDir::cleanPath(path);
}

std::optional<CUserMessage> FolderProblem(const QString& folder) {
    const QString shown = QDir::toNativeSeparators(folder);
    const auto problem = [](const QString& text) {
        return CUserMessage::WarningBox(QStringLiteral("Folder not found"), text);
    };
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.exists()) {
        return problem(QStringLiteral("%1 does not exist.").arg(shown));
    }
    if (!info.isDir()) {
        return problem(QStringLiteral("%1 is a file, not a folder.").arg(shown));
    }
    if (!info.isReadable() || !info.isExecutable()) {
        return problem(QStringLiteral("%1 cannot be opened: permission denied.").arg(shown));
    }
    return std::nullopt;
}

} // namespace veilpane
