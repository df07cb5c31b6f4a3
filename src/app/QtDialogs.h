#pragma once

#include "platform/Dialogs.h"

#include <QPointer>

class QWidget;

namespace veilpane {

class CMessageBoxes;

// The program's modal dialogs as Qt windows on the main window. Refusals the dialogs' models raise go
// through the given message boxes.
class CQtDialogs final : public CDialogs {
public:
    explicit CQtDialogs(CMessageBoxes& messages, QWidget* owner = nullptr);
    void SetOwner(QWidget* owner);

    bool RunPasswords(CPasswordsDialogModel& model) override;
    bool RunEncryptDecryptMessage(CEncryptDecryptMessageModel& model) override;
    bool RunSecretMessage(CSecretMessageFields& fields) override;
    bool RunGamma(double& value) override;
    bool RunThreshold(int& level) override;
    bool RunSaveFormat(CSaveFormatFields& fields) override;
    void ShowFrameColors() override;
    void ShowAbout() override;

private:
    CMessageBoxes& m_messages;
    QPointer<QWidget> m_owner;
};

} // namespace veilpane
