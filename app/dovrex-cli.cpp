#include "cli/RunCli.h"
#include "cli/TerminalQuestions.h"

#include <cstdio>
#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    // RunCli reports its own failures; this guard keeps anything that escapes it from
    // ending the program with an uncaught exception.
    try {
        return dovrex::cli::RunCli(argc, argv, std::cin, std::cout, std::cerr,
                                   dovrex::cli::TerminalQuestions::StdinIsTerminal());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dovrex-cli: %s\n", e.what());
    } catch (...) {
        std::fputs("dovrex-cli: unexpected error\n", stderr);
    }
    return 1;
}
