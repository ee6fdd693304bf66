#include "CliUnitChooser.h"

#include "platform/Cp1252.h"
#include "platform/modRuntime.h"

#include <ostream>

namespace dovrex::cli {

std::string CliUnitChooser::ChooseUnit(const std::vector<std::string>& Units) {
    if (mContext.Options.Unit) return Utf8ToCp1252(*mContext.Options.Unit);
    TerminalQuestions& terminal = mContext.Terminal();
    // Like the window, only a listed unit can be chosen; an empty answer cancels.
    if (!terminal.Interactive()) return {};
    if (Units.empty()) {
        mContext.Err << "Install To Unit: there are no units to choose from\n";
        return {};
    }
    mContext.Err << "Install To Unit\n";
    for (size_t i = 0; i < Units.size(); ++i) mContext.Err << "  " << i + 1 << ") " << Cp1252ToUtf8(Units[i]) << '\n';
    while (const auto typed = terminal.AskLine("Unit (number or name, empty to cancel): ")) {
        const std::string answer = Trim(*typed);
        if (answer.empty()) return {};
        const double number = Val(answer);
        if (NumberText(number) == answer && number >= 1 && number <= static_cast<double>(Units.size())) {
            return Units[static_cast<size_t>(number) - 1];
        }
        for (const std::string& unit : Units) {
            if (EqualsNoCase(unit, answer)) return unit;
        }
        mContext.Err << "No unit " << Cp1252ToUtf8(answer) << '\n';
    }
    return {};
}

} // namespace dovrex::cli
