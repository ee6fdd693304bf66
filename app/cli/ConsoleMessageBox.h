#pragma once

#include "TerminalQuestions.h"

#include "platform/IMessageBox.h"

#include <iosfwd>

namespace dovrex::cli {

// How questions are answered: --yes, --no, or on the terminal.
enum class AnswerPolicy { Yes, No, Ask };

// The command line's message box: messages go to standard error as "[Title] text";
// questions are answered by the policy or on the terminal, else No; Abort/Retry/Ignore
// is asked on the terminal, else answered Abort.
class ConsoleMessageBox final : public IMessageBox {
public:
    ConsoleMessageBox(std::ostream& err, AnswerPolicy policy, TerminalQuestions& terminal);
    MsgResult Show(const std::string& text, const std::string& title, MsgButtons buttons, MsgIcon icon) override;

private:
    MsgResult AskAbortRetryIgnore(const std::string& message);

    std::ostream& mErr;
    AnswerPolicy mPolicy;
    TerminalQuestions& mTerminal;
};

} // namespace dovrex::cli
