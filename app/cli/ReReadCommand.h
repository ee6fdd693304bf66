#pragma once

#include "Command.h"

namespace dovrex::cli {

// reread: a route database of the meters listed in a text file (stored settings).
// Exit 0 when it succeeded, 1 when not.
class ReReadCommand final : public Command {
public:
    void Register(CLI::App& app) override;
    int Run(CliContext& context) override;
};

} // namespace dovrex::cli
