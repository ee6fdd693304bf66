// dovrex-cli with the readings reports' PDF drawing: dovrex-cli hands its "report" command
// line to this program, so that its other commands start without Qt's libraries.

#include "cli/ReportPdf.h"
#include "cli/RunCli.h"

int main(int argc, char** argv) {
    dovrex::cli::SetReportDrawer(dovrex::cli::DrawReportsPdf);
    return dovrex::cli::RunCliMain(argc, argv);
}
