#include "DistCommand.h"

#include "CliFileDialog.h"

#include "platform/clsRegistry.h"
#include "shell/clsDist.h"

#include <CLI/CLI.hpp>

namespace dovrex::cli {

void DistCommand::Register(CLI::App& app) {
    mCommand = app.add_subcommand("dist", "Write or load a setup distribution (settings and map files)");
    mCommand->require_subcommand(1);
    mCommand->fallthrough();
    mWrite = mCommand->add_subcommand("write", "Bundle the settings and every map file into FILE");
    mLoad = mCommand->add_subcommand("load", "Restore the settings and map files of FILE");
    for (CLI::App* sub : {mWrite, mLoad}) {
        sub->add_option("FILE", mFile, "The distribution file (.dst)");
        sub->fallthrough();
    }
}

int DistCommand::Run(CliContext& context) {
    const ProgramLocations locations = context.Locations();
    clsRegistry registry(locations.Registry, &context.Messages());
    CliFileDialog dialog(context);
    clsDist dist(registry, context.Messages(), &dialog, locations.Home);
    const bool done = mWrite->parsed() ? dist.WriteDist(mFile) : dist.LoadDist(mFile);
    return done ? ExitOk : ExitFailed;
}

} // namespace dovrex::cli
