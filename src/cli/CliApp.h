#pragma once

#include "cli/CliCommand.h"

#include <memory>
#include <vector>

namespace veilpane::cli {

// Every command the terminal program knows, in the order the help lists them.
std::vector<std::unique_ptr<CCliCommand>> AllCommands();

// Runs the terminal program on args (without the program name). Returns the process exit status.
int RunCli(const QStringList& args, CCliStreams& io);

QString VersionText();

} // namespace veilpane::cli
