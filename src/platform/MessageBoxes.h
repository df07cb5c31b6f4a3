#pragma once

#include "platform/UserMessage.h"

namespace veilpane {

enum class MessageButtons {
    Ok,
    OkCancel,
    YesNo,
    // The same question where Yes changes many files at once: No is the default, so Enter changes nothing.
    YesNoDefaultNo,
    // A file is in the way: Replace / Keep both / Skip, Keep both the default and Escape meaning Skip. The
    // ForAll variant adds an "Apply to all" check box for runs over many files.
    ReplaceKeepBothSkip,
    ReplaceKeepBothSkipForAll,
    // Unsaved work is about to go: Save / Discard / Cancel, Escape meaning Cancel.
    SaveDiscardCancel,
};
enum class MessageResult {
    Ok,
    Cancel,
    Yes,
    No,
    Replace,
    KeepBoth,
    Skip,
    // The same answers with "Apply to all" checked.
    ReplaceAll,
    KeepBothAll,
    SkipAll,
    Save,
    Discard,
};

// Modal message boxes. Error and warning boxes carry their own caption and no owner window; application
// boxes carry the application's title, "Veilpane", and the main window as owner.
class CMessageBoxes {
public:
    virtual ~CMessageBoxes() = default;
    virtual MessageResult Show(const CUserMessage& message, MessageButtons buttons = MessageButtons::Ok) = 0;
};

inline const QString ApplicationTitle = QStringLiteral("Veilpane");

} // namespace veilpane
