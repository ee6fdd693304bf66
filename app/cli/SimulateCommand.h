#pragma once

#include "Command.h"

#include <cstdint>
#include <string>

namespace dovrex::cli {

// simulate ROUTE READINGS [--seed N] [--route-kind 1|256]: the readings database a
// handheld would return for a route database; the same seed gives the same file.
class SimulateCommand final : public Command {
public:
    void Register(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    std::string mRoute;
    std::string mReadings;
    uint64_t mSeed = 1;
    int32_t mRouteKind = 1;
};

} // namespace dovrex::cli
