#pragma once

#include "platform/UserMessage.h"

namespace veilpane {

enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageResult { Ok, Cancel, Yes, No };

// Modal message boxes. Error and warning boxes carry their own caption and no owner window; application
// boxes carry the application's title, "Veilpane", and the main window as owner.
class CMessageBoxes {
public:
    virtual ~CMessageBoxes() = default;
    virtual MessageResult Show(const CUserMessage& message, MessageButtons buttons = MessageButtons::Ok) = 0;
};

inline const QString ApplicationTitle = QStringLiteral("Veilpane");

} // namespace veilpane
