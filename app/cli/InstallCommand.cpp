#include "InstallCommand.h"

#include "install/PalmDesktopFolder.h"
#include "install/clsInstaller.h"
#include "platform/Cp1252.h"

#include <CLI/CLI.hpp>

#include <filesystem>

namespace dovrex::cli {

void InstallCommand::Register(CLI::App& app) {
    mCommand = app.add_subcommand("install", "Queue a file for a HotSync user's next HotSync (the user is added if new)");
    mCommand->add_option("UNIT", mUnit, "The HotSync user name")->required();
    mCommand->add_option("FILE", mFile,
                         "The file; a name without a folder is taken from the program's folder "
                         "(where the handheld application files are)")
        ->required();
    mCommand->fallthrough();
}

int InstallCommand::Run(CliContext& context) {
    const ProgramLocations locations = context.Locations();
    PalmDesktopFolder desktop(locations.PalmDesktop, locations.Home);
    // A path typed with a folder means the shell's folder; a bare name keeps the queue's rule.
    // Paths go to the file system as typed; only the user name is program text.
    std::string file = mFile;
    if (file.find('/') != std::string::npos) file = std::filesystem::absolute(file).lexically_normal().string();
    clsInstaller installer(desktop, context.Messages(), locations.Home);
    return installer.PRC(Utf8ToCp1252(mUnit), file) == 0 ? ExitOk : ExitFailed;
}

} // namespace dovrex::cli
