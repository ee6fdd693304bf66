#pragma once

#include "ConsoleMessageBox.h"

#include "platform/ProgramFolder.h"

#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dovrex::cli {

// Exit codes of the command line.
enum ExitCode : int { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// The options that may appear anywhere on the line.
struct GlobalOptions {
    std::optional<std::string> Home;
    std::optional<std::string> Registry;
    std::optional<std::string> PalmDesktop;
    bool Yes = false;
    bool No = false;
    std::vector<std::string> Prompts; // NAME=VALUE
    std::optional<std::string> Unit;
};

// What a command needs from its surroundings: streams that tests can replace, the
// global options and the console's message box.
class CliContext {
public:
    CliContext(std::istream& in, std::ostream& out, std::ostream& err, bool interactive);

    std::istream& In;
    std::ostream& Out;
    std::ostream& Err;
    GlobalOptions Options;
    // The command line as given, program name first.
    std::vector<std::string> Arguments;

    // Resolves the program's folders from the options and the environment.
    ProgramLocations Locations() const;
    TerminalQuestions& Terminal() { return mTerminal; }
    ConsoleMessageBox& Messages();
    // The --prompt values by field name (converted to the core's single-byte text).
    std::map<std::string, std::string> PromptValues() const;

    // Writes "dovrex-cli: message" to standard error.
    void Fail(const std::string& message) const;

private:
    TerminalQuestions mTerminal;
    std::unique_ptr<ConsoleMessageBox> mMessages;
};

} // namespace dovrex::cli
