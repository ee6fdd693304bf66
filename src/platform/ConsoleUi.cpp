#include "ConsoleUi.h"

#include "Cp1252.h"
#include "modRuntime.h"

#include <DovrexVersion.h>

#include <istream>
#include <ostream>
#include <unistd.h>

namespace dovrex {

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

void StreamLog::AddLog(const std::string& line) { mOut << Cp1252ToUtf8(line) << '\n'; }

} // namespace dovrex
