#pragma once

#include "Command.h"

#include <string>

namespace dovrex::cli {

// dump FILE [--json]: every record of a QVF database, decoded with its schema version.
class DumpCommand final : public Command {
public:
    void Register(CLI::App& app) override;
    bool Parsed() const override;
    int Run(CliContext& context) override;

private:
    CLI::App* mCommand = nullptr;
    std::string mFile;
    bool mJson = false;
};

} // namespace dovrex::cli
