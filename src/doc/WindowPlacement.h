#pragma once

#include <QRect>
#include <QString>

#include <optional>

namespace veilpane {

class CSettingsStore;
struct CBinarySetting;

// A window's normal-state rectangle as the settings keep it: 16 bytes, the left, top, right and bottom edges
// as little-endian signed 32-bit integers, right and bottom exclusive. A value of any other length is
// ignored, as if absent.
std::optional<QRect> ReadWindowRect(const CSettingsStore& settings, const CBinarySetting& key);
void WriteWindowRect(CSettingsStore& settings, const CBinarySetting& key, const QRect& rect);

QByteArray EncodeWindowRect(const QRect& rect);
std::optional<QRect> DecodeWindowRect(const QByteArray& bytes);

} // namespace veilpane
