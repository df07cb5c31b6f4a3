#pragma once

#include <QString>

#include <optional>

namespace veilpane {

// Plain text on the system clipboard.
class CClipboard {
public:
    virtual ~CClipboard() = default;
    // nullopt when the clipboard holds no text.
    virtual std::optional<QString> GetText() = 0;
    virtual bool SetText(const QString& text) = 0;
};

} // namespace veilpane
