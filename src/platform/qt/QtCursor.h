#pragma once

#include "platform/WaitCursor.h"

namespace veilpane {

// The application-wide busy cursor. Qt keeps a stack of override cursors, so nested waits end correctly.
class CQtCursor final : public CCursor {
public:
    void BeginWait() override;
    void EndWait() override;
};

} // namespace veilpane
