#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace dovrex::cli {

// Asks a question on the terminal; returns nothing when standard input is not a
// terminal or reaches its end.
class TerminalQuestions {
public:
    TerminalQuestions(std::istream& in, std::ostream& out, bool interactive);
    // The answer line in the core's single-byte text, without its line break.
    std::optional<std::string> AskLine(const std::string& question);
    bool Interactive() const { return mInteractive; }

    // Whether the process's standard input is a terminal (decided once, in main).
    static bool StdinIsTerminal();

private:
    std::istream& mIn;
    std::ostream& mOut;
    bool mInteractive;
};

} // namespace dovrex::cli
