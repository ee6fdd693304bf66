#include "RouteCommand.h"

#include "EngineSession.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace dovrex::cli {

void RouteCommand::Register(CLI::App& app) {
    mCommand = app.add_subcommand("route", "Convert the billing route file into the route database (stored settings)");
    mCommand->fallthrough();
}

int RouteCommand::Run(CliContext& context) {
    EngineSession session(context);
    session.Engine().LoadSettings();
    const bool converted = session.Engine().ConvertRoute();
    context.Out.flush();
    return converted ? ExitOk : ExitFailed;
}

} // namespace dovrex::cli
