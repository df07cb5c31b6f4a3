#pragma once

#include "platform/MessageBoxes.h"

#include <QPointer>

#include <memory>

class QMessageBox;
class QWidget;

namespace veilpane {

// Message boxes through QMessageBox. Error and warning boxes stand alone with their own caption, so that
// they show even before the main window exists; application boxes carry the title "Veilpane" and sit on
// the main window once it is known. Texts are always plain: file names may contain "<".
class CQtMessageBoxes final : public CMessageBoxes {
public:
    explicit CQtMessageBoxes(QWidget* owner = nullptr);
    void SetOwner(QWidget* owner);

    MessageResult Show(const CUserMessage& message, MessageButtons buttons = MessageButtons::Ok) override;

    // The box Show() runs, ready to exec().
    std::unique_ptr<QMessageBox> CreateBox(const CUserMessage& message, MessageButtons buttons) const;

private:
    QPointer<QWidget> m_owner;
};

} // namespace veilpane
