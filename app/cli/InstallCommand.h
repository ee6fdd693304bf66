#pragma once

#include "Command.h"

#include <string>

namespace dovrex::cli {

// install UNIT FILE: queue a file for a HotSync user's next HotSync, adding the user
// when Palm Desktop does not know it yet. Exit 0 when queued (or already queued).
class InstallCommand final : public Command {
public:
    void Register(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    std::string mUnit;
    std::string mFile;
};

} // namespace dovrex::cli
