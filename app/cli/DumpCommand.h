#pragma once

#include "Command.h"

#include <string>

namespace dovrex::cli {

// dump FILE [--json]: every record of a QVF database, decoded with its schema version.
class DumpCommand final : public Command {
public:
    void Register(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    std::string mFile;
    bool mJson = false;
};

} // namespace dovrex::cli
