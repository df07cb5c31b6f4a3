#pragma once

#include "platform/MessageBoxes.h"

namespace veilpane {

// "Veilpane v1.1b": the About box's product line, the status bar's idle text and what
// `veilpane-cli --version` prints. One text, so that the three never tell different versions.
inline QString ProductLine() {
    return ApplicationTitle + QStringLiteral(" " VEILPANE_VERSION_TEXT);
}

} // namespace veilpane
