#pragma once

#include "cli/CliCommand.h"

#include <memory>

namespace veilpane::cli {

// The commands that encrypt and decrypt files, folders and messages.
std::unique_ptr<CCliCommand> MakeEncryptCommand();
std::unique_ptr<CCliCommand> MakeDecryptCommand();
std::unique_ptr<CCliCommand> MakeEncryptFolderCommand();
std::unique_ptr<CCliCommand> MakeDecryptFolderCommand();
std::unique_ptr<CCliCommand> MakeMessageEncryptCommand();
std::unique_ptr<CCliCommand> MakeMessageDecryptCommand();

} // namespace veilpane::cli
