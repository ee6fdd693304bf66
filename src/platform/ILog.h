#pragma once

#include <string>

namespace dovrex {

// Where the engine's log lines go (the main window's log pane, standard output, a test).
class ILog {
public:
    virtual ~ILog() = default;
    // One line without its line break; an empty text is a blank line.
    virtual void AddLog(const std::string& line) = 0;
};

} // namespace dovrex
