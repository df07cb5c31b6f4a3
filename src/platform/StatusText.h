#pragma once

#include <QString>

namespace veilpane {

// The one-pane status bar every command reports results and progress through.
class CStatusText {
public:
    virtual ~CStatusText() = default;
    virtual void SetStatusText(const QString& text) = 0;
};

} // namespace veilpane
