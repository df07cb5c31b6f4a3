#include "doc/WindowPlacement.h"

#include "platform/SettingsStore.h"

#include <QtEndian>

#include <array>

namespace veilpane {

QByteArray EncodeWindowRect(const QRect& rect) {
    const std::array<qint32, 4> edges = {rect.left(), rect.top(), rect.left() + rect.width(),
                                         rect.top() + rect.height()};
    QByteArray bytes(16, '\0');
    for (std::size_t i = 0; i < edges.size(); ++i) {
        qToLittleEndian<qint32>(edges[i], bytes.data() + 4 * i);
    }
    return bytes;
}

std::optional<QRect> DecodeWindowRect(const QByteArray& bytes) {
    if (bytes.size() != 16) {
        return std::nullopt;
    }
    std::array<qint32, 4> edges{};
    for (std::size_t i = 0; i < edges.size(); ++i) {
        edges[i] = qFromLittleEndian<qint32>(bytes.constData() + 4 * i);
    }
    // Widths that overflow or go negative come from a damaged value, never from a window.
    const qint64 width = qint64{edges[2]} - edges[0];
    const qint64 height = qint64{edges[3]} - edges[1];
    if (width <= 0 || height <= 0 || width > 100000 || height > 100000) {
        return std::nullopt;
    }
    return QRect(edges[0], edges[1], static_cast<int>(width), static_cast<int>(height));
}

std::optional<QRect> ReadWindowRect(const CSettingsStore& settings, const CBinarySetting& key) {
    const std::optional<QByteArray> bytes = settings.Get(key);
    return bytes ? DecodeWindowRect(*bytes) : std::nullopt;
}

void WriteWindowRect(CSettingsStore& settings, const CBinarySetting& key, const QRect& rect) {
    settings.Write(key, EncodeWindowRect(rect));
}

} // namespace veilpane
