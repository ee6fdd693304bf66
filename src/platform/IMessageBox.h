#pragma once

#include <string>

namespace dovrex {

enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel, AbortRetryIgnore };
enum class MsgIcon { None, Information, Question, Exclamation, Critical };
enum class MsgResult { OK, Cancel, Yes, No, Abort, Retry, Ignore };

// How the core shows a message box or asks a question. An empty title means the
// program's title.
class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual MsgResult Show(const std::string& text, const std::string& title, MsgButtons buttons,
                           MsgIcon icon) = 0;

    void Inform(const std::string& text, const std::string& title = {}) {
        Show(text, title, MsgButtons::OK, MsgIcon::None);
    }
    bool AskYesNo(const std::string& text, const std::string& title) {
        return Show(text, title, MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes;
    }
};

} // namespace dovrex
