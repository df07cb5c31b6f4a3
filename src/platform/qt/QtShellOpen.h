#pragma once

#include "platform/ShellOpen.h"

namespace veilpane {

// Folders open in the file manager, web pages in the browser, as the desktop has them configured.
class CQtShellOpen final : public CShellOpen {
public:
    bool Open(const QUrl& url) override;
};

} // namespace veilpane
