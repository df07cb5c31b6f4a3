#include "platform/qt/QtMessageBoxes.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

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
    case MessageButtons::YesNoDefaultNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::SaveDiscardCancel:
        return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
    case MessageButtons::ReplaceKeepBothSkip:
    case MessageButtons::ReplaceKeepBothSkipForAll:
        return QMessageBox::NoButton; // buttons of their own, added by CreateBox
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
    case QMessageBox::Save:
        return MessageResult::Save;
    case QMessageBox::Discard:
        return MessageResult::Discard;
    default:
        break;
    }
    switch (buttons) {
    case MessageButtons::OkCancel:
    case MessageButtons::SaveDiscardCancel:
        return MessageResult::Cancel;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoDefaultNo:
        return MessageResult::No;
    case MessageButtons::ReplaceKeepBothSkip:
    case MessageButtons::ReplaceKeepBothSkipForAll:
        return MessageResult::Skip;
    case MessageButtons::Ok:
        break;
    }
    return MessageResult::Ok;
}

// The answer of the Replace / Keep both / Skip box, read from the button's name and the check box.
MessageResult ExistingFileResult(const QMessageBox& box) {
    const QAbstractButton* clicked = box.clickedButton();
    const QString name = clicked ? clicked->objectName() : QString();
    const bool all = box.checkBox() && box.checkBox()->isChecked();
    if (name == QLatin1String("replace")) {
        return all ? MessageResult::ReplaceAll : MessageResult::Replace;
    }
    if (name == QLatin1String("keepBoth")) {
        return all ? MessageResult::KeepBothAll : MessageResult::KeepBoth;
    }
    return all ? MessageResult::SkipAll : MessageResult::Skip;
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
    } else if (buttons == MessageButtons::YesNoDefaultNo) {
        box->setDefaultButton(QMessageBox::No);
        box->setEscapeButton(QMessageBox::No);
    } else if (buttons == MessageButtons::SaveDiscardCancel) {
        box->setDefaultButton(QMessageBox::Save);
        box->setEscapeButton(QMessageBox::Cancel);
    } else if (buttons == MessageButtons::ReplaceKeepBothSkip ||
               buttons == MessageButtons::ReplaceKeepBothSkipForAll) {
        const auto add = [&box](const QString& text, const char* name, QMessageBox::ButtonRole role) {
            QPushButton* button = box->addButton(text, role);
            button->setObjectName(QLatin1String(name));
            return button;
        };
        add(QStringLiteral("&Replace"), "replace", QMessageBox::DestructiveRole);
        // Keeping both loses nothing, so it is what Enter chooses.
        box->setDefaultButton(add(QStringLiteral("&Keep both"), "keepBoth", QMessageBox::AcceptRole));
        box->setEscapeButton(add(QStringLiteral("&Skip"), "skip", QMessageBox::RejectRole));
        if (buttons == MessageButtons::ReplaceKeepBothSkipForAll) {
            box->setCheckBox(new QCheckBox(QStringLiteral("&Apply to all"), box.get()));
        }
    }
    return box;
}

MessageResult CQtMessageBoxes::Show(const CUserMessage& message, MessageButtons buttons) {
    const std::unique_ptr<QMessageBox> box = CreateBox(message, buttons);
    box->exec();
    if (buttons == MessageButtons::ReplaceKeepBothSkip ||
        buttons == MessageButtons::ReplaceKeepBothSkipForAll) {
        return ExistingFileResult(*box);
    }
    return ResultFor(box->standardButton(box->clickedButton()), buttons);
}

} // namespace veilpane
