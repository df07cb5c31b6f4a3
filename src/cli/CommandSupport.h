#pragma once

#include "cli/CliCommand.h"
#include "cli/PasswordOptions.h"
#include "platform/UserMessage.h"

#include <QString>
#include <QStringList>

namespace veilpane::cli {

// Writes a message the desktop program would show in a box to standard error, after the program's name.
void PrintMessage(CCliStreams& io, const CUserMessage& message);
void PrintError(CCliStreams& io, const QString& text);

// Writes a usage error naming the command and returns ExitUsage.
int UsageError(CCliStreams& io, const QString& command, const QString& text);

// Removes every occurrence of flag from args; true when there was one.
bool TakeFlag(QStringList& args, const QString& flag);

// Takes the password options, then leaves the operands in args. Fails (with *error set) on a bad password
// option or on an option nobody recognised; "--" ends the options.
bool TakeOperands(QStringList& args, CPasswordOptions& passwords, QString* error);

// Standard input read whole, UTF-8, without the line end that ends the last line.
QByteArray ReadAllInput(CCliStreams& io);

// Asks a yes/no question on standard error and reads the answer line; only "y" or "yes" (any case) agree.
bool Confirm(CCliStreams& io, const QString& question);

// Progress of a long run, one line redrawn in place on standard error, only when that is a terminal.
class CProgressLine {
public:
    CProgressLine(CCliStreams& io, QString verb) : m_io(io), m_verb(std::move(verb)) {}
    ~CProgressLine();
    void Show(int done, int total, qint64 bytesDone, qint64 bytesTotal);

private:
    CCliStreams& m_io;
    QString m_verb;
    bool m_shown = false;
};

// While it lives, an interrupt (Ctrl+C) or termination request only sets a flag, which a run reads between
// files; the previous handlers come back afterwards.
class CInterruptGuard {
public:
    CInterruptGuard();
    ~CInterruptGuard();
    CInterruptGuard(const CInterruptGuard&) = delete;
    CInterruptGuard& operator=(const CInterruptGuard&) = delete;
    static bool Interrupted();
};

} // namespace veilpane::cli
