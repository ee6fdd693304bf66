#include "StreamLog.h"

#include "platform/Cp1252.h"

#include <ostream>

namespace dovrex::cli {

void StreamLog::AddLog(const std::string& line) { mOut << Cp1252ToUtf8(line) << '\n'; }

} // namespace dovrex::cli
