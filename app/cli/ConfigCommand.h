#pragma once

#include "Command.h"

#include <string>
#include <vector>

namespace dovrex::cli {

// config list | set Subkey/Name=Value ... | unset Subkey/Name ...: the values under the
// program's key in the settings store.
class ConfigCommand final : public Command {
public:
    void Register(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    int List(CliContext& context);
    int Set(CliContext& context);
    int Unset(CliContext& context);

    CLI::App* mList = nullptr;
    CLI::App* mSet = nullptr;
    CLI::App* mUnset = nullptr;
    std::vector<std::string> mAssignments;
    std::vector<std::string> mNames;
};

} // namespace dovrex::cli
