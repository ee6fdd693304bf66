#include "ReReadCommand.h"

#include "EngineSession.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace dovrex::cli {

void ReReadCommand::Register(CLI::App& app) {
    mCommand = app.add_subcommand("reread", "Convert a text file of meter IDs into a re-read route database (stored settings)");
    mCommand->fallthrough();
}

int ReReadCommand::Run(CliContext& context) {
    EngineSession session(context);
    session.Engine().LoadSettings();
    const bool converted = session.Engine().ConvertReRead();
    context.Out.flush();
    return converted ? ExitOk : ExitFailed;
}

} // namespace dovrex::cli
