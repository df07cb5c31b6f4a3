#pragma once

#include "crypto/PasswordSet.h"

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

namespace veilpane::cli {

class CCommandLine;

// The password options every command shares:
//   -p, --password TEXT    add a password to the set (repeatable, at most five, tried in this order)
//   --password-file FILE   read the set from FILE, one password per line ("-": standard input)
//   --use N                which password of the set hides or encrypts (1 to 5, default 1)
// With neither -p nor --password-file the desktop program's saved set and selection are used.
class CPasswordOptions {
public:
    CPasswordOptions() = default;
    // standardInput is what "--password-file -" reads; without one that option is refused.
    explicit CPasswordOptions(QTextStream* standardInput) : m_input(standardInput) {}

    // Declares the password options to a pass over a command's arguments.
    static void AddTo(CCommandLine& line);

    // Builds the set from a parsed pass. Returns false with *error set on a usage error (a missing value,
    // a sixth password, --use out of range, an unreadable password file).
    bool Read(const CCommandLine& line, QString* error);

    // Read, then the pass's misfit (an unknown option, an extra operand: see CCommandLine::Misfit), for a
    // pass whose only options are the password options. The first usage error, or empty when there is none.
    QString ReadAll(const CCommandLine& line, const QString& oneOperand = {});

    // Takes the password options from anywhere in args ("--" included), leaving the other arguments in
    // their order; fails as Read does.
    bool Take(QStringList& args, QString* error);

    // The set the command works with.
    const CPasswordSet& Set() const { return m_set; }
    // True when the set came from standard input, which nothing else can read then.
    bool ReadStandardInput() const { return m_readInput; }

    static QString HelpText();

private:
    CPasswordSet m_set;
    QTextStream* m_input = nullptr;
    bool m_readInput = false;
};

// What every encrypting command (encrypt, encrypt-folder, message-encrypt, hide) checks first, with the
// desktop program's messages: the set as the passwords dialog accepts it (each password empty or 5 to 64
// characters), then a selected password that is defined. Decrypting commands take any password, so that a
// file made elsewhere still opens.
std::optional<QString> CheckEncryptionPasswords(const CPasswordSet& set);

// The desktop program's saved password set (settings group "DataApp").
CPasswordSet LoadSavedPasswordSet();

} // namespace veilpane::cli
