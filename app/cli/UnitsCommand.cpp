#include "UnitsCommand.h"

#include "install/PalmDesktopFolder.h"
#include "install/clsPalmUsers.h"
#include "platform/Cp1252.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace dovrex::cli {

void UnitsCommand::Register(CLI::App& app) {
    mCommand = app.add_subcommand("units", "List the HotSync users (units) of the Palm Desktop folder");
    mCommand->fallthrough();
}

int UnitsCommand::Run(CliContext& context) {
    const ProgramLocations locations = context.Locations();
    PalmDesktopFolder desktop(locations.PalmDesktop, locations.Home);
    const clsPalmUsers users(desktop);
    for (const std::string& name : users.Names()) context.Out << Cp1252ToUtf8(name) << '\n';
    return ExitOk;
}

} // namespace dovrex::cli
