#include "TerminalQuestions.h"

#include "platform/Cp1252.h"

#include <istream>
#include <ostream>
#include <unistd.h>

namespace dovrex::cli {

TerminalQuestions::TerminalQuestions(std::istream& in, std::ostream& out, bool interactive)
    : mIn(in), mOut(out), mInteractive(interactive) {}

bool TerminalQuestions::StdinIsTerminal() { return ::isatty(STDIN_FILENO) == 1; }

std::optional<std::string> TerminalQuestions::AskLine(const std::string& question) {
    if (!mInteractive) return std::nullopt;
    mOut << question << std::flush;
    std::string answer;
    if (!std::getline(mIn, answer)) return std::nullopt;
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    return Utf8ToCp1252(answer);
}

} // namespace dovrex::cli
