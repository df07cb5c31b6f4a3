#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace veilpane {

inline constexpr int PasswordCount = 5;
inline constexpr int MinPasswordLength = 5;
inline constexpr int MaxPasswordLength = 64;
inline constexpr char FactoryPassword[] = "corvide2741";

// The user's five passwords: all are tried, in order, by everything that decrypts or extracts; only the
// selected one encrypts and hides. A value type, so that a thread can work on a snapshot of it.
struct CPasswordSet {
    std::array<QByteArray, PasswordCount> Passwords; // UTF-8 bytes as typed; empty = not defined
    int PasswordRadioCry = 0;                        // index of the password that encrypts
    int PasswordSaveCry = 1;                         // whether the passwords are written to the settings

    // True as soon as one password is defined.
    bool HasDefinedPassword() const;
    // The selection brought into 0 to 4 (a stored value outside is treated as password 1).
    int SelectedIndex() const;
    // The password that encrypts; empty when the selected one is not defined.
    QByteArray SelectedPassword() const;
    // The defined passwords with their indices, in the order decryption tries them.
    QList<std::pair<int, QByteArray>> DecryptionOrder() const;

    bool operator==(const CPasswordSet&) const = default;
};

// A password's bytes as the text the user typed. QString::fromUtf8 would drop a leading U+FEFF as a
// byte-order mark, and a password shown, confirmed or saved through it would no longer be the one in use.
QString PasswordText(const QByteArray& password);

// The messages of the two checks every command makes first, and of the passwords dialog's validation.
QString NoDefinedPasswordsMessage();
QString EmptySelectedPasswordMessage(int number); // number 1 to 5
QString PasswordTooShortMessage();

// nullopt when the password set may encrypt; otherwise the message to show.
std::optional<QString> CheckSelectedPassword(const CPasswordSet& set);
// nullopt when the set may decrypt; otherwise the message to show.
std::optional<QString> CheckDefinedPasswords(const CPasswordSet& set);
// The passwords dialog's check on OK: each text is empty or at least 5 characters. Texts longer than 64
// characters are cut by the dialog, not refused.
std::optional<QString> ValidatePasswordTexts(const QStringList& texts);

} // namespace veilpane
