#include "SimulateCommand.h"

#include "handheld_db/ReadingSimulator.h"
#include "platform/BinaryFile.h"
#include "platform/RuntimeError.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace dovrex::cli {

void SimulateCommand::Register(CLI::App& app) {
    mCommand = app.add_subcommand("simulate", "Write the readings database a handheld would return for a route database");
    mCommand->add_option("ROUTE", mRoute, "The route database (PDB or VFS)")->required();
    mCommand->add_option("READINGS", mReadings, "The readings database to write")->required();
    mCommand->add_option("--seed", mSeed, "The seed of the simulated readings (the same seed, the same file)")
        ->type_name("N");
    mCommand->add_option("--route-kind", mRouteKind, "The record type of the route records written back")
        ->check(CLI::IsMember({1, 256}));
    mCommand->fallthrough();
}

int SimulateCommand::Run(CliContext& context) {
    if (FileExists(mReadings) &&
        !context.Messages().AskYesNo(mReadings + " already exists.  Overwrite?", "Readings already exist")) {
        context.Fail(mReadings + " already exists");
        return ExitFailed;
    }
    ReadingSimulator::Summary summary;
    try {
        summary = ReadingSimulator(mSeed, mRouteKind).Simulate(mRoute, mReadings);
    } catch (const std::exception& e) {
        context.Fail(DescribeException(e));
        return ExitFailed;
    }
    context.Out << "Simulated readings of " << summary.Meters << " meters written to " << mReadings << ": "
                << summary.Read << " read (" << summary.OutsideWindow << " outside their window), " << summary.Unread
                << " unread, " << summary.Responses << " with a response code, " << summary.Orphans << " orphans\n";
    return ExitOk;
}

} // namespace dovrex::cli
