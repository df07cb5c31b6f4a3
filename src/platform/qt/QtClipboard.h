#pragma once

#include "platform/Clipboard.h"

namespace veilpane {

// The system clipboard, plain text only.
class CQtClipboard final : public CClipboard {
public:
    std::optional<QString> GetText() override;
    bool SetText(const QString& text) override;
};

} // namespace veilpane
