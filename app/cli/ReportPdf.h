#pragma once

#include "ReportCommand.h"

namespace dovrex::cli {

// Draws the reports of a job into its PDF file with the system's fonts; a file with only part
// of what was asked for is removed.
int DrawReportsPdf(const ReportJob& job, CliContext& context);

} // namespace dovrex::cli
