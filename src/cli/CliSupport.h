#pragma once

#include "cli/CliCommand.h"
#include "platform/UserMessage.h"
#include "stego/PayloadFormat.h"

#include <QByteArray>

namespace veilpane::cli {

// A usage error of a command: one line naming the command, a pointer to its help, and status 2.
int UsageError(CCliStreams& io, const QString& command, const QString& text);

// A failure: the program's message on standard error (CR LF written as the terminal's line end), status 1.
int Failure(CCliStreams& io, const QString& text);
int Failure(CCliStreams& io, const CUserMessage& message);

// Writes bytes to standard output unchanged (binary content survives); through the text stream when it
// has no device, as in tests.
void WriteRaw(CCliStreams& io, const QByteArray& bytes);

// "none", "image", "message" or "file".
QString KindWord(HiddenKind kind);

// A hidden name from someone else's image, fit for one line of output: no control characters.
QString PrintableName(QString name);

// True for an argument that looks like an option ("-x", "--xyz"), but not "-" alone.
bool LooksLikeOption(const QString& arg);

} // namespace veilpane::cli
