#pragma once

#include "platform/UserMessage.h"

#include <QStringList>

#include <optional>

namespace veilpane {

class CSettingsStore;

// How many folders File / Recent folders offers.
inline constexpr int MaxRecentFolders = 8;

// The recent folders as stored ("RecentFolders"), newest first, at most MaxRecentFolders of them.
QStringList ReadRecentFolders(const CSettingsStore& settings);
void WriteRecentFolders(CSettingsStore& settings, const QStringList& folders);
// The list with folder moved to the front once, cut to MaxRecentFolders.
QStringList WithRecentFolder(const QStringList& folders, const QString& folder);

// What the user typed in the path bar as a full path: "~" is the home folder, and a relative path is
// taken from the current folder.
QString ExpandTypedFolder(const QString& typed, const QString& currentFolder);
// Why a folder cannot be shown (it does not exist, is a file, may not be read), naming it; nullopt when
// it can.
std::optional<CUserMessage> FolderProblem(const QString& folder);

} // namespace veilpane
