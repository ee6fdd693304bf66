#pragma once

// The command line's message box, log and answers: messages go to standard error as
// "[Title] text", log lines to standard output, questions are answered by a fixed
// policy or on the terminal.

#include "ILog.h"
#include "IMessageBox.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace dovrex {

enum class AnswerPolicy { Yes, No, Ask };

// Asks a question on the terminal; returns nothing when standard input is not a
// terminal or reaches its end.
class TerminalQuestions {
public:
    TerminalQuestions(std::istream& in, std::ostream& out, bool interactive);
    std::optional<std::string> AskLine(const std::string& question);
    bool Interactive() const { return mInteractive; }

    static bool StdinIsTerminal();

private:
    std::istream& mIn;
    std::ostream& mOut;
    bool mInteractive;
};

class ConsoleMessageBox final : public IMessageBox {
public:
    ConsoleMessageBox(std::ostream& err, AnswerPolicy policy, TerminalQuestions& terminal);
    MsgResult Show(const std::string& text, const std::string& title, MsgButtons buttons, MsgIcon icon) override;

private:
    std::ostream& mErr;
    AnswerPolicy mPolicy;
    TerminalQuestions& mTerminal;
};

class StreamLog final : public ILog {
public:
    explicit StreamLog(std::ostream& out) : mOut(out) {}
    void AddLog(const std::string& line) override;

private:
    std::ostream& mOut;
};

} // namespace dovrex
