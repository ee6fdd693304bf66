// dovrex-cli with the readings reports' PDF drawing: dovrex-cli hands its "report" command
// line to this program, so that its other commands start without Qt's libraries.

#include "cli/ReportPdf.h"
#include "cli/RunCli.h"

#include <malloc.h>

int main(int argc, char** argv) {
    // Qt's PDF writer allocates and frees a few hundred kilobytes for every page (the page
    // buffer and the compressor's state). With the C library's defaults those blocks go back
    // to the system each time and come back as fresh zeroed pages, and that took two fifths of
    // the run. Kept in the heap, the same memory serves page after page.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    dovrex::cli::SetReportDrawer(dovrex::cli::DrawReportsPdf);
    return dovrex::cli::RunCliMain(argc, argv);
}
