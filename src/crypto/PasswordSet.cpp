#include "crypto/PasswordSet.h"

#include <QStringDecoder>

namespace veilpane {

QString PasswordText(const QByteArray& password) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(password);
}

bool CPasswordSet::HasDefinedPassword() const {
    for (const QByteArray& password : Passwords) {
        if (!password.isEmpty()) {
            return true;
        }
    }
    return false;
}

int CPasswordSet::SelectedIndex() const {
    return PasswordRadioCry >= 0 && PasswordRadioCry < PasswordCount ? PasswordRadioCry : 0;
}

QByteArray CPasswordSet::SelectedPassword() const {
    return Passwords[static_cast<std::size_t>(SelectedIndex())];
}

QList<std::pair<int, QByteArray>> CPasswordSet::DecryptionOrder() const {
    QList<std::pair<int, QByteArray>> order;
    for (int i = 0; i < PasswordCount; ++i) {
        if (!Passwords[static_cast<std::size_t>(i)].isEmpty()) {
            order.append({i, Passwords[static_cast<std::size_t>(i)]});
        }
    }
    return order;
}

QString NoDefinedPasswordsMessage() {
    return QStringLiteral(
        "There are no defined passwords to decrypt.\nPlease define the passwords in 'Settings/Passwords'.");
}

QString EmptySelectedPasswordMessage(int number) {
    return QStringLiteral("The selected encryption password (%1) is empty.\nPlease select a valid encryption "
                          "password in 'Settings/Passwords'.")
        .arg(number);
}

QString PasswordTooShortMessage() {
    return QStringLiteral("Passwords length should be at least 5 characters.");
}

std::optional<QString> CheckSelectedPassword(const CPasswordSet& set) {
    if (set.SelectedPassword().isEmpty()) {
        return EmptySelectedPasswordMessage(set.SelectedIndex() + 1);
    }
    return std::nullopt;
}

std::optional<QString> CheckDefinedPasswords(const CPasswordSet& set) {
    if (!set.HasDefinedPassword()) {
        return NoDefinedPasswordsMessage();
    }
    return std::nullopt;
}

std::optional<QString> ValidatePasswordTexts(const QStringList& texts) {
    for (const QString& text : texts) {
        // Characters, not UTF-16 units: a character outside the basic plane takes two units.
        if (!text.isEmpty() && text.toUcs4().size() < MinPasswordLength) {
            return PasswordTooShortMessage();
        }
    }
    return std::nullopt;
}

} // namespace veilpane
