#include "TestDoubles.h"

#include <algorithm>

namespace dovrex::test {

MsgResult RecordingMessageBox::Show(const std::string& text, const std::string& title, MsgButtons buttons, MsgIcon) {
    Shown.push_back({title, text, buttons});
    if (buttons == MsgButtons::OK) return MsgResult::OK;
    if (mAnswers.empty()) return MsgResult::No;
    const MsgResult answer = mAnswers.front();
    mAnswers.pop_front();
    return answer;
}

std::vector<std::string> RecordingMessageBox::Lines() const {
    std::vector<std::string> lines;
    for (const auto& shown : Shown) lines.push_back("[" + shown.Title + "] " + shown.Text);
    return lines;
}

bool RecordingLog::Contains(const std::string& line) const {
    return std::find(Lines.begin(), Lines.end(), line) != Lines.end();
}

void RecordingProgress::SetProgressButton(int32_t maxValue, int32_t currentValue) {
    ++Calls;
    LastMax = maxValue;
    LastValue = currentValue;
    if (currentValue > maxValue) WentPastMax = true;
}

} // namespace dovrex::test
