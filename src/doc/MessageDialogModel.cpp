#include "doc/MessageDialogModel.h"

#include "crypto/MessageBlock.h"
#include "platform/Clipboard.h"
#include "platform/MessageBoxes.h"

namespace veilpane {

CEncryptDecryptMessageModel::CEncryptDecryptMessageModel(const CPasswordSet& set, CMessageBoxes& messages,
                                                         CClipboard& clipboard)
    : m_set(set), m_messages(messages), m_clipboard(clipboard) {}

void CEncryptDecryptMessageModel::OnEncryptMessage() {
    const CMessageResult result = EncryptMessageCommand(MessageInput.toUtf8(), m_set, Now());
    if (result.Outcome == Outcome::Refused) {
        m_messages.Show(*result.Message);
        return;
    }
    MessageOutput = QString::fromUtf8(result.Value.Output);
}

void CEncryptDecryptMessageModel::OnDecryptMessage() {
    const CMessageResult result = DecryptMessageCommand(MessageInput.toUtf8(), m_set);
    if (result.Outcome == Outcome::Refused) {
        m_messages.Show(*result.Message);
        return;
    }
    MessageOutput = QString::fromUtf8(result.Value.Output);
}

void CEncryptDecryptMessageModel::OnClear() {
    MessageInput.clear();
    MessageOutput.clear();
}

void CEncryptDecryptMessageModel::OnPaste() {
    const std::optional<QString> text = m_clipboard.GetText();
    if (!text || text->isEmpty()) {
        m_messages.Show(CUserMessage::ErrorBox(QStringLiteral("Clipboard error"),
                                               QStringLiteral("No text in Clipboard")));
        return;
    }
    // The text up to its terminating NUL, as far as the input box takes it.
    QString pasted = *text;
    const qsizetype nul = pasted.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        pasted.truncate(nul);
    }
    MessageInput = pasted.left(MaxMessageInputLength);
}

void CEncryptDecryptMessageModel::OnCopy() {
    m_clipboard.SetText(MessageOutput);
}

} // namespace veilpane
