#pragma once

#include "platform/MessageBoxes.h"

#include <QString>
#include <QStringList>

namespace veilpane {

class CEncryptDecryptMessageModel;
class CPasswordsDialogModel;

// The secret message to hide, as the dialog edits it.
struct CSecretMessageFields {
    QString Message;     // at most 16384 characters
    int SaveMessage = 1; // store it in the settings
};

// The formats a modified image may be saved in before it is left, as the save choice offers them.
struct CSaveFormatFields {
    QString ImageName;   // the image's name on disk, for the question
    QStringList Choices; // one line per format: its name and the file it would write
    int Chosen = 0;      // the line shown first; on OK the line chosen
};

// The program's modal value dialogs. Each takes its fields in and, only on OK, gives them back changed.
// Dialog logic that decides anything (validation, button actions) lives in widget-free models, so that the
// fakes in tests run the same logic as the windows.
class CDialogs {
public:
    virtual ~CDialogs() = default;
    // The passwords dialog. The model validates on OK and keeps the dialog open on refusal.
    virtual bool RunPasswords(CPasswordsDialogModel& model) = 0;
    // The message encryption dialog; its buttons act on the model. True when it ended with "Close".
    virtual bool RunEncryptDecryptMessage(CEncryptDecryptMessageModel& model) = 0;
    virtual bool RunSecretMessage(CSecretMessageFields& fields) = 0;
    // The value dialogs of Gamma Colors and Threshold: value in is what the dialog shows first; on OK it
    // holds what the user entered, already checked (a number; an integer 0 to 255).
    virtual bool RunGamma(double& value) = 0;
    virtual bool RunThreshold(int& level) = 0;
    virtual bool RunSaveFormat(CSaveFormatFields& fields) = 0;
    virtual void ShowFrameColors() = 0;
    virtual void ShowAbout() = 0;
};

} // namespace veilpane
