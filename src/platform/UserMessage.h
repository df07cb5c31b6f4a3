#pragma once

#include <QString>

namespace veilpane {

// How a message reaches the user. Engines return these as values; the document shows them through the
// message-box service and the terminal program prints their text.
enum class MessageKind {
    Error,    // error box: error icon, a caption of its own, no owner window
    Question, // application box: caption "Veilpane", question-mark icon (information and refusals)
    Plain,    // application box without an icon
    Warning,  // warning box (missing folders)
};

struct CUserMessage {
    MessageKind Kind = MessageKind::Question;
    QString Caption; // empty for application boxes: they carry the application's title
    QString Text;

    static CUserMessage ErrorBox(const QString& caption, const QString& text) {
        return {MessageKind::Error, caption, text};
    }
    static CUserMessage AppBox(const QString& text) { return {MessageKind::Question, QString(), text}; }
    static CUserMessage PlainBox(const QString& text) { return {MessageKind::Plain, QString(), text}; }
    static CUserMessage WarningBox(const QString& caption, const QString& text) {
        return {MessageKind::Warning, caption, text};
    }

    bool operator==(const CUserMessage&) const = default;
};

} // namespace veilpane
