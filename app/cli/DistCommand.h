#pragma once

#include "Command.h"

#include <string>

namespace dovrex::cli {

// dist write [FILE] | dist load [FILE]: setup distribution files. Without FILE, load
// takes the program folder's only ".dst" file; otherwise the name is asked on the terminal.
class DistCommand final : public Command {
public:
    void Register(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    CLI::App* mWrite = nullptr;
    CLI::App* mLoad = nullptr;
    std::string mFile;
};

} // namespace dovrex::cli
