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
    if (buttons == MsgButtons::AbortRetryIgnore) return AskAbortRetryIgnore(message);
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

MsgResult ConsoleMessageBox::AskAbortRetryIgnore(const std::string& message) {
    // --yes and --no answer Yes/No questions only; a failure is never retried or passed
    // over without someone at the terminal choosing so.
    for (;;) {
        const auto answer = mTerminal.AskLine(message + " [a]bort/[r]etry/[i]gnore ");
        if (!answer) {
            if (!mTerminal.Interactive()) mErr << message << '\n' << std::flush;
            return MsgResult::Abort;
        }
        const std::string word = UCase(Trim(*answer));
        if (word == "A" || word == "ABORT") return MsgResult::Abort;
        if (word == "R" || word == "RETRY") return MsgResult::Retry;
        if (word == "I" || word == "IGNORE") return MsgResult::Ignore;
    }
}

} // namespace dovrex::cli
