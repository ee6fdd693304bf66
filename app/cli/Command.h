#pragma once

#include "CliContext.h"

namespace CLI {
class App;
}

namespace dovrex::cli {

// One command of the command line: it declares its arguments on its own subcommand
// and runs when that subcommand was given.
class Command {
public:
    virtual ~Command() = default;
    // Adds the subcommand (and any nested ones) to the application.
    virtual void Register(CLI::App& app) = 0;
    // True when this command was named on the command line.
    bool Parsed() const;
    virtual int Run(CliContext& context) = 0;

protected:
    // The command's own subcommand, set by Register.
    CLI::App* mCommand = nullptr;
};

} // namespace dovrex::cli
