#include "Command.h"

#include <CLI/CLI.hpp>

namespace dovrex::cli {

bool Command::Parsed() const { return mCommand != nullptr && mCommand->parsed(); }

} // namespace dovrex::cli
