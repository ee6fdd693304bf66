#include "ReadingCommand.h"

#include "EngineSession.h"

#include <CLI/CLI.hpp>

#include <ostream>

namespace dovrex::cli {

void ReadingCommand::Register(CLI::App& app) {
    mCommand = app.add_subcommand("reading", "Convert the readings database into the upload file (stored settings)");
    mCommand->fallthrough();
}

int ReadingCommand::Run(CliContext& context) {
    EngineSession session(context);
    session.Engine().LoadSettings();
    const bool converted = session.Engine().ConvertReading();
    context.Out.flush();
    return converted ? ExitOk : ExitFailed;
}

} // namespace dovrex::cli
