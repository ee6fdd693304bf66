#pragma once

// Recording stand-ins for the front end: they keep what the core showed and answer
// questions from a prepared list.

#include "platform/ILog.h"
#include "platform/IMessageBox.h"
#include "platform/IProgress.h"

#include <deque>
#include <string>
#include <vector>

namespace dovrex::test {

struct ShownMessage {
    std::string Title;
    std::string Text;
    MsgButtons Buttons;
};

class RecordingMessageBox : public IMessageBox {
public:
    MsgResult Show(const std::string& text, const std::string& title, MsgButtons buttons, MsgIcon icon) override;

    // Answers for the next questions, in order; a question with none left is answered No.
    void QueueAnswer(MsgResult answer) { mAnswers.push_back(answer); }

    std::vector<ShownMessage> Shown;
    // "[Title] text" of every box, for compact assertions.
    std::vector<std::string> Lines() const;

private:
    std::deque<MsgResult> mAnswers;
};

class RecordingLog : public ILog {
public:
    void AddLog(const std::string& line) override { Lines.push_back(line); }
    std::vector<std::string> Lines;
    bool Contains(const std::string& line) const;
};

class RecordingProgress : public IProgress {
public:
    void SetProgressButton(int32_t maxValue, int32_t currentValue) override;
    int Calls = 0;
    int32_t LastMax = 0;
    int32_t LastValue = 0;
    bool WentPastMax = false;
};

} // namespace dovrex::test
