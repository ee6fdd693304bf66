#include "ConsoleMessageBox.h"

#include "platform/Cp1252.h"
#include "platform/modRuntime.h"

#include <DovrexVersion.h>

#include <ostream>

namespace dovrex::cli {

ConsoleMessageBox::ConsoleMessageBox(std::ostream& err, AnswerPolicy policy, TerminalQuestions& terminal)
    : mErr(err), mPolicy(policy), mTerminal(terminal) {}

MsgResult ConsoleMessageBox::Show(const std::string& text, const std::string& title, MsgButtons buttons, MsgIcon) {
    const std::string shownTitle = title.empty() ? std::string(version::Title) : title;
    const std::string message = "[" + Cp1252ToUtf8(shownTitle) + "] " + Cp1252ToUtf8(text);
    const bool question = buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel;
    if (!question) {
        mErr << message << '\n' << std::flush;
        return MsgResult::OK;
    }
    if (mPolicy == AnswerPolicy::Yes || mPolicy == AnswerPolicy::No) {
        const bool yes = mPolicy == AnswerPolicy::Yes;
        mErr << message << '\n' << std::flush;
        return yes ? MsgResult::Yes : MsgResult::No;
    }
    for (;;) {
        const auto answer = mTerminal.AskLine(message + " [y/n] ");
        if (!answer) {
            if (!mTerminal.Interactive()) mErr << message << '\n' << std::flush;
            return MsgResult::No;
        }
        const std::string word = UCase(Trim(*answer));
        if (word == "Y" || word == "YES") return MsgResult::Yes;
        if (word == "N" || word == "NO") return MsgResult::No;
    }
}

} // namespace dovrex::cli
