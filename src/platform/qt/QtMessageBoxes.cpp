#include "platform/qt/QtMessageBoxes.h"

#include <QMessageBox>

namespace veilpane {

namespace {

QMessageBox::Icon IconFor(MessageKind kind) {
    switch (kind) {
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Question:
        return QMessageBox::Question;
    case MessageKind::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ButtonsFor(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// Closing the box without a button counts as the answer that changes nothing.
MessageResult ResultFor(QMessageBox::StandardButton pressed, MessageButtons buttons) {
    switch (pressed) {
    case QMessageBox::Ok:
        return MessageResult::Ok;
    case QMessageBox::Cancel:
        return MessageResult::Cancel;
    case QMessageBox::Yes:
        return MessageResult::Yes;
    case QMessageBox::No:
        return MessageResult::No;
    default:
        break;
    }
    switch (buttons) {
    case MessageButtons::OkCancel:
        return MessageResult::Cancel;
    case MessageButtons::YesNo:
        return MessageResult::No;
    case MessageButtons::Ok:
        break;
    }
    return MessageResult::Ok;
}

bool IsApplicationBox(MessageKind kind) {
    return kind == MessageKind::Question || kind == MessageKind::Plain;
}

} // namespace

CQtMessageBoxes::CQtMessageBoxes(QWidget* owner) : m_owner(owner) {}

void CQtMessageBoxes::SetOwner(QWidget* owner) {
    m_owner = owner;
}

std::unique_ptr<QMessageBox> CQtMessageBoxes::CreateBox(const CUserMessage& message,
                                                        MessageButtons buttons) const {
    const bool application = IsApplicationBox(message.Kind);
    auto box = std::make_unique<QMessageBox>(IconFor(message.Kind),
                                             application ? ApplicationTitle : message.Caption, message.Text,
                                             ButtonsFor(buttons), application ? m_owner.data() : nullptr);
    box->setTextFormat(Qt::PlainText);
    if (buttons == MessageButtons::OkCancel) {
        box->setEscapeButton(QMessageBox::Cancel);
    } else if (buttons == MessageButtons::YesNo) {
        box->setEscapeButton(QMessageBox::No);
    }
    return box;
}

MessageResult CQtMessageBoxes::Show(const CUserMessage& message, MessageButtons buttons) {
    const std::unique_ptr<QMessageBox> box = CreateBox(message, buttons);
    box->exec();
    return ResultFor(box->standardButton(box->clickedButton()), buttons);
}

} // namespace veilpane
