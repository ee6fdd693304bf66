#pragma once

#include "platform/ILog.h"

#include <iosfwd>

namespace dovrex::cli {

// The engine's log on a stream: one line per log line, in UTF-8.
class StreamLog final : public ILog {
public:
    explicit StreamLog(std::ostream& out) : mOut(out) {}
    void AddLog(const std::string& line) override;

private:
    std::ostream& mOut;
};

} // namespace dovrex::cli
