#pragma once

#include "crypto/PasswordSet.h"

#include <QString>
#include <QStringList>

namespace veilpane::cli {

class CCommandLine;

// The password options every command shares:
//   -p, --password TEXT    add a password to the set (repeatable, at most five, tried in this order)
//   --password-file FILE   read the set from FILE, one password per line
//   --use N                which password of the set hides or encrypts (1 to 5, default 1)
// With neither -p nor --password-file the desktop program's saved set and selection are used.
class CPasswordOptions {
public:
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

    static QString HelpText();

private:
    CPasswordSet m_set;
};

// The desktop program's saved password set (settings group "DataApp").
CPasswordSet LoadSavedPasswordSet();

} // namespace veilpane::cli
