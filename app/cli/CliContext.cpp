#include "CliContext.h"

#include "platform/Cp1252.h"

#include <ostream>

namespace dovrex::cli {

CliContext::CliContext(std::istream& in, std::ostream& out, std::ostream& err, bool interactive)
    : In(in), Out(out), Err(err), mTerminal(in, err, interactive) {}

ProgramLocations CliContext::Locations() const {
    return ProgramLocations::Resolve(Options.Home, Options.Registry, Options.PalmDesktop);
}

ConsoleMessageBox& CliContext::Messages() {
    if (!mMessages) {
        const AnswerPolicy policy = Options.Yes ? AnswerPolicy::Yes : Options.No ? AnswerPolicy::No : AnswerPolicy::Ask;
        mMessages = std::make_unique<ConsoleMessageBox>(Err, policy, mTerminal);
    }
    return *mMessages;
}

std::map<std::string, std::string> CliContext::PromptValues() const {
    std::map<std::string, std::string> values;
    for (const std::string& pair : Options.Prompts) {
        const size_t equals = pair.find('=');
        values[Utf8ToCp1252(pair.substr(0, equals))] =
            equals == std::string::npos ? std::string() : Utf8ToCp1252(pair.substr(equals + 1));
    }
    return values;
}

void CliContext::Fail(const std::string& message) const { Err << "dovrex-cli: " << message << '\n'; }

} // namespace dovrex::cli
