// dovrex-cli with the readings reports' PDF drawing: dovrex-cli hands its "report" command
// line to this program, so that its other commands start without Qt's libraries.

#include "cli/ReportPdf.h"
#include "cli/RunCli.h"
#include "cli/TerminalQuestions.h"

#include <cstdio>
#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    dovrex::cli::SetReportDrawer(dovrex::cli::DrawReportsPdf);
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
