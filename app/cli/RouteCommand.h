#pragma once

#include "Command.h"

namespace dovrex::cli {

// route: a route conversion with the stored settings. Exit 0 when it succeeded, 1 when not.
class RouteCommand final : public Command {
public:
    void Register(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
};

} // namespace dovrex::cli
