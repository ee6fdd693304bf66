#pragma once

#include <iosfwd>

namespace dovrex::cli {

// Runs the command line with the given streams; returns the exit code. Questions are
// asked on in/err only when interactive (standard input is a terminal). Nothing is
// thrown: an unexpected failure is one line "dovrex-cli: ..." on err and exit 1.
int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err, bool interactive);
int RunCli(int argc, char** argv, std::istream& in, std::ostream& out, std::ostream& err, bool interactive);
// A program's main: RunCli over the standard streams, asking questions only when standard
// input is a terminal; anything that escapes it is one line on standard error and exit 1.
int RunCliMain(int argc, char** argv);

} // namespace dovrex::cli
