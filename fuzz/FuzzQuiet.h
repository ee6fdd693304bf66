#pragma once

// A user who answers every question with Yes and reads nothing: the harnesses run the
// program's operations without anyone at the screen.

#include "platform/ILog.h"
#include "platform/IMessageBox.h"

#include <string>

class FuzzQuiet : public dovrex::ILog, public dovrex::IMessageBox {
public:
    void AddLog(const std::string&) override {}
    dovrex::MsgResult Show(const std::string&, const std::string&, dovrex::MsgButtons, dovrex::MsgIcon) override {
        return dovrex::MsgResult::Yes;
    }
};
