#pragma once

#include "crypto/PasswordSet.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace veilpane {

class CClipboard;
class CMessageBoxes;

inline constexpr int MaxMessageInputLength = 16384;

// The message encryption dialog without its widgets: its three fields and what each button does to them.
// The window stores its controls into the fields before a button acts and refreshes them afterwards.
class CEncryptDecryptMessageModel {
public:
    CEncryptDecryptMessageModel(const CPasswordSet& set, CMessageBoxes& messages, CClipboard& clipboard);

    QString MessageInput;
    QString MessageOutput;
    int SaveMessages = 1;
    // The moment stamped into an encrypted message; replaceable for tests.
    std::function<QDateTime()> Now = [] {
        return QDateTime::currentDateTime();
    };

    void OnEncryptMessage();
    void OnDecryptMessage();
    void OnClear();
    void OnPaste();
    void OnCopy();

private:
    CPasswordSet m_set;
    CMessageBoxes& m_messages;
    CClipboard& m_clipboard;
};

} // namespace veilpane
