#include "RunCli.h"
#include "TerminalQuestions.h"

#include "CliContext.h"
#include "ConfigCommand.h"
#include "DistCommand.h"
#include "DumpCommand.h"
#include "InstallCommand.h"
#include "ReReadCommand.h"
#include "ReadingCommand.h"
#include "RouteCommand.h"
#include "ReportCommand.h"
#include "SimulateCommand.h"
#include "UnitsCommand.h"

#include "platform/RuntimeError.h"

#include <DovrexVersion.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <exception>
#include <cstdio>

#include <algorithm>
#include <ostream>
#include <memory>
#include <vector>

namespace dovrex::cli {

namespace {

void AddGlobalOptions(CLI::App& app, GlobalOptions& options) {
    app.add_option("--home", options.Home, "The program's folder (maps, databases)")->type_name("DIR");
    app.add_option("--registry", options.Registry, "The settings store file")->type_name("FILE");
    app.add_option("--palm-desktop", options.PalmDesktop, "The HotSync stand-in folder")->type_name("DIR");
    auto* yes = app.add_flag("--yes", options.Yes, "Answer Yes to every question");
    auto* no = app.add_flag("--no", options.No, "Answer No to every question");
    yes->excludes(no);
    app.add_option("--prompt", options.Prompts, "The value of a prompted map field (repeatable)")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    app.add_option("--unit", options.Unit, "The answer of the unit chooser")->type_name("NAME");
}

int Run(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err, bool interactive) {
    CliContext context(in, out, err, interactive);
    context.Arguments.assign(argv, argv + argc);

    CLI::App app{std::string(version::Title) + " " + version::VersionText + ": " + version::FileDescription,
                 "dovrex-cli"};
    app.set_version_flag("--version", std::string("dovrex-cli ") + version::VersionText);
    app.require_subcommand(0, 1);
    app.allow_extras();
    AddGlobalOptions(app, context.Options);

    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<RouteCommand>());
    commands.push_back(std::make_unique<ConfigCommand>());
    commands.push_back(std::make_unique<DumpCommand>());
    commands.push_back(std::make_unique<ReportCommand>());
    commands.push_back(std::make_unique<DistCommand>());
    commands.push_back(std::make_unique<UnitsCommand>());
    commands.push_back(std::make_unique<InstallCommand>());
    commands.push_back(std::make_unique<ReadingCommand>());
    commands.push_back(std::make_unique<ReReadCommand>());
    commands.push_back(std::make_unique<SimulateCommand>());
    for (auto& command : commands) command->Register(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return ExitOk;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return ExitOk;
    } catch (const CLI::CallForVersion&) {
        out << std::string("dovrex-cli ") + version::VersionText << '\n';
        return ExitOk;
    } catch (const CLI::ParseError& e) {
        // --help after a subcommand reaches here too: print that subcommand's help.
        if (e.get_exit_code() == 0) {
            for (const auto* sub : app.get_subcommands()) {
                out << sub->help();
                return ExitOk;
            }
            out << app.help();
            return ExitOk;
        }
        context.Fail(e.what());
        err << "Run 'dovrex-cli --help' for usage.\n";
        return ExitUsage;
    }

    if (!app.remaining().empty()) {
        const std::string first = app.remaining().front();
        const bool named = std::any_of(commands.begin(), commands.end(), [](const auto& c) { return c->Parsed(); });
        const char* what = first.rfind('-', 0) == 0 ? "unknown option '" : named ? "unexpected argument '" : "unknown command '";
        context.Fail(what + first + "'");
        err << "Run 'dovrex-cli --help' for usage.\n";
        return ExitUsage;
    }
    for (auto& command : commands) {
        if (!command->Parsed()) continue;
        try {
            return command->Run(context);
        } catch (const std::exception& e) {
            context.Fail(DescribeException(e));
            return ExitFailed;
        }
    }
    context.Fail("a command is required");
    err << app.help();
    return ExitUsage;
}

} // namespace

int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err,
           bool interactive) {
    std::string failure;
    try {
        const int code = Run(argc, argv, in, out, err, interactive);
        // Output that never arrived (a full disk, a closed pipe) is a failure, not success;
        // a command that failed has said why already.
        if (code != ExitOk || !out.flush().fail()) return code;
        failure = "cannot write the output";
    } catch (const std::exception& e) {
        failure = DescribeException(e);
    } catch (...) {
        failure = "unexpected error";
    }
    try {
        err << "dovrex-cli: " << failure << '\n' << std::flush;
    } catch (...) {
        // Standard error itself failed: the exit code is all that is left.
    }
    return ExitFailed;
}

int RunCli(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err, bool interactive) {
    return RunCli(argc, const_cast<const char* const*>(argv), in, out, err, interactive);
}

int RunCliMain(int argc, char** argv) {
    // RunCli reports its own failures; this guard keeps anything that escapes it from
    // ending the program with an uncaught exception.
    try {
        return RunCli(argc, argv, std::cin, std::cout, std::cerr, TerminalQuestions::StdinIsTerminal());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dovrex-cli: %s\n", e.what());
    } catch (...) {
        std::fputs("dovrex-cli: unexpected error\n", stderr);
    }
    return 1;
}

} // namespace dovrex::cli
