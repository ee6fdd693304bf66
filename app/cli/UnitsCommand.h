#pragma once

#include "Command.h"

namespace dovrex::cli {

// units: the HotSync users of the Palm Desktop folder, one name per line.
class UnitsCommand final : public Command {
public:
    void Register(CLI::App& app) override;
    int Run(CliContext& context) override;
};

} // namespace dovrex::cli
