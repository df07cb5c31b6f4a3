#pragma once

#include "cli/CliCommand.h"
#include "platform/ExistingFile.h"
#include "platform/UserMessage.h"
#include "stego/PayloadFormat.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace veilpane::cli {

// A usage error of a command: one line naming the command, a pointer to its help, and status 2.
int UsageError(CCliStreams& io, const QString& command, const QString& text);

// A failure: the program's message on standard error (CR LF written as the terminal's line end), status 1.
int Failure(CCliStreams& io, const QString& text);
int Failure(CCliStreams& io, const CUserMessage& message);
// "Cannot read the image PATH: REASON" as a failure.
int ImageReadFailure(CCliStreams& io, const QString& path, const QString& reason);

// The images the operands name, a folder standing for its images. An operand that does not exist is
// reported as a failure and sets status to it; the others are still listed.
QStringList ImageOperands(CCliStreams& io, const QStringList& operands, int& status);

// Writes bytes to standard output unchanged, so binary content survives a pipe; to a terminal, or when the
// stream has no device as in tests, through the text stream, which keeps control sequences off the screen.
void WriteRaw(CCliStreams& io, const QByteArray& bytes);

// "none", "image", "message" or "file".
QString KindWord(HiddenKind kind);

// A name from someone else's image or folder, fit for one line or one tab-separated field of output: no
// control characters, tabs or line ends.
QString PrintableName(QString name);

// True for an argument that looks like an option ("-x", "--xyz"), but not "-" alone.
bool LooksLikeOption(const QString& arg);

// Writes a message the desktop program would show in a box to standard error, after the program's name.
void PrintMessage(CCliStreams& io, const CUserMessage& message);
void PrintError(CCliStreams& io, const QString& text);

// Standard input, UTF-8, without the line end that ends the last line; nothing when it holds more than
// limit bytes before that line end, and then no more than two bytes past them are read.
std::optional<QByteArray> ReadInput(CCliStreams& io, qint64 limit);

// Asks a yes/no question on standard error and reads the answer line; only "y" or "yes" (any case) agree.
bool Confirm(CCliStreams& io, const QString& question);

class CCommandLine;

// --overwrite and --keep-both, for every command that writes files beside its input: what to do with an
// output whose name is taken. With neither, nothing is replaced: the command names the file in the way and
// stops before changing anything.
class CExistingFileOptions {
public:
    static void AddTo(CCommandLine& line);
    // The lines of a command's help that describe them.
    static QString HelpText();
    // Replace, KeepBoth, or Refuse when neither was given; a usage error in error when both were.
    static ExistingFile Read(const CCommandLine& line, QString* error);
    // The refusal for outputs in the way when neither option was given, naming them.
    static QString InTheWayError(const QStringList& paths);
    // The path to write an image output named path to: itself when free or to be replaced, the free name
    // beside it for KeepBoth; nothing when it is taken and neither option was given. A folder of that name
    // is left for the write to fail on.
    static std::optional<QString> OutputPath(const QString& path, ExistingFile whenTaken);
};

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
