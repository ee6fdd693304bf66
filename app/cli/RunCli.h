#pragma once

#include <iosfwd>

namespace dovrex::cli {

// Runs the command line with the given streams; returns the exit code.
int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err);
int RunCli(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err);

} // namespace dovrex::cli
