#pragma once

#include "platform/SettingsStore.h"

#include <array>

// Every entry the program keeps in SettingsSection: its stored name, the type it is stored as and what it
// reads as when absent. The names and types are the settings file users already have, so they never change.
namespace veilpane::setting {

// Absent until the first start has run, which writes 0; deleting it makes the next start a first run again.
inline constexpr CIntSetting FirstRunMarker{"VeilpaneData", 1};

// The password set: passwords 1 to 5, the selected one (0 to 4) and whether the passwords are kept.
inline constexpr std::array<CTextSetting, 5> Passwords{{
    {"PasswordCry01"},
    {"PasswordCry02"},
    {"PasswordCry03"},
    {"PasswordCry04"},
    {"PasswordCry05"},
}};
inline constexpr CIntSetting PasswordRadioCry{"PasswordRadioCry", 0};
inline constexpr CIntSetting PasswordSaveCry{"PasswordSaveCry", 1};

// The message to hide and the encrypted-text window's texts, each with whether it is kept (0: stored empty).
inline constexpr CTextSetting SecretMessage{"SecretMessage"};
inline constexpr CIntSetting SecretMessageSave{"SecretMessageSave", 1};
inline constexpr CTextSetting CryMessageIn{"CryMessageIn"};
inline constexpr CTextSetting CryMessageOut{"CryMessageOut"};
inline constexpr CIntSetting CryMessagesInOutSave{"CryMessagesInOutSave", 1};

// The folder shown at the last exit.
inline constexpr CTextSetting FolderSelected{"FolderSelected"};
// The order of the thumbnails: 0 by name, 1 by date, 2 by size.
inline constexpr CIntSetting ThumbnailOrder{"ThumbnailOrder", 0};
// 1: thumbnails the steganalysis flags are framed even when no password opens them (View / Frame by
// analysis verdict).
inline constexpr CIntSetting FrameByAnalysis{"FrameByAnalysis", 0};

// Window placement: normal-state rectangles in the 16-byte form of doc/WindowPlacement.h, and whether the
// main window was maximized.
inline constexpr CBinarySetting MainWindowPos{"MainWindowPos"};
inline constexpr CIntSetting MainWindowMax{"MainWindowMax", 0};
inline constexpr CBinarySetting FolderWindowPos{"FolderWindowPos"};
inline constexpr CBinarySetting ImgPrevWindowPos{"ImgPrevWindowPos"};
// Where the two tool windows are docked or float, as the main window saves its layout; absent until the
// first close, which leaves the first start's layout.
inline constexpr CBinarySetting MainWindowDocks{"MainWindowDocks"};

// The folders shown last, newest first, one per line; File / Recent folders offers them.
inline constexpr CTextSetting RecentFolders{"RecentFolders"};

} // namespace veilpane::setting
