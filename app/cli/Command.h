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
    virtual bool Parsed() const = 0;
    virtual int Run(CliContext& context) = 0;
};

} // namespace dovrex::cli
