#pragma once

#include "cli/TerminalText.h"

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace veilpane::cli {

// Exit statuses every command shares.
enum ExitStatus : int { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

// Where a command reads and writes; tests substitute strings for the process's streams. Every text written
// to Out and Err is made safe for a terminal there, so no command can print a name from a file raw.
struct CCliStreams {
    CTerminalText Out;
    CTerminalText Err;
    QTextStream& In;
    bool ErrIsTerminal = false; // progress goes to Err only when someone watches it
    bool InIsTerminal = false;  // questions are asked only on a terminal
    bool OutIsTerminal = false; // raw content is made safe only for a terminal; a pipe gets every byte
};

// One terminal command: its name, a one-line summary for the command list, its full help text and its run.
class CCliCommand {
public:
    virtual ~CCliCommand() = default;
    virtual QString Name() const = 0;
    virtual QString Summary() const = 0;
    virtual QString Help() const = 0;
    // args excludes the program and command names. Returns an ExitStatus.
    virtual int Run(const QStringList& args, CCliStreams& io) = 0;
};

} // namespace veilpane::cli
