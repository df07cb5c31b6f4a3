#pragma once

#include "crypto/PasswordSet.h"
#include "support/TempFolder.h"

#include <QByteArray>
#include <QDir>
#include <QStringList>

#include <functional>
#include <initializer_list>

namespace veilpane::test {

// openssl's view of the format: PBKDF2-HMAC-SHA512, no salt, 8000 iterations, AES-256-CBC.
inline QStringList OpensslEncArgs(const QByteArray& password, bool decrypt, const QString& in,
                                  const QString& out) {
    QStringList args{QStringLiteral("enc"),     QStringLiteral("-aes-256-cbc"),
                     QStringLiteral("-nosalt"), QStringLiteral("-pbkdf2"),
                     QStringLiteral("-iter"),   QStringLiteral("8000"),
                     QStringLiteral("-md"),     QStringLiteral("sha512"),
                     QStringLiteral("-pass"),   QStringLiteral("pass:") + QString::fromUtf8(password),
                     QStringLiteral("-in"),     in,
                     QStringLiteral("-out"),    out};
    if (decrypt) {
        args.insert(1, QStringLiteral("-d"));
    }
    return args;
}

// A set with the given passwords at the given positions (1 to 5) and the given selection (1 to 5).
inline CPasswordSet SetOf(std::initializer_list<std::pair<int, QByteArray>> passwords, int selected = 1) {
    CPasswordSet set;
    for (const auto& [number, password] : passwords) {
        set.Passwords[static_cast<std::size_t>(number - 1)] = password;
    }
    set.PasswordRadioCry = selected - 1;
    return set;
}

// Every entry of a folder, hidden ones included, sorted: what a failure must leave unchanged.
inline QStringList FolderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// Runs fn in a child process whose files may not grow past limitBytes (the full disk of these tests).
// With ignoreSignal the write fails with EFBIG; without it the kernel kills the child mid-write.
// Returns fn's result (0 to 255), or -1 when the child was killed.
int RunWithFileSizeLimit(long limitBytes, bool ignoreSignal, const std::function<int()>& fn);

// While it lives, nothing can be created in or removed from a folder. Root ignores permission bits, so it
// uses the immutable attribute there. Valid() is false when neither works on this file system.
class CFrozenFolder {
public:
    explicit CFrozenFolder(QString folder);
    ~CFrozenFolder();
    bool Valid() const { return m_valid; }

private:
    QString m_folder;
    bool m_valid = false;
    bool m_immutable = false;
};

} // namespace veilpane::test
