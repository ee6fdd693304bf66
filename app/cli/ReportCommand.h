#pragma once

#include "Command.h"

#include <cstdint>
#include <string>
#include <vector>

namespace dovrex::cli {

// What the report command draws: the reports of KindList (in that order) of a readings
// database, into one PDF file.
struct ReportJob {
    std::vector<int32_t> Kinds;
    std::string Readings;
    std::string Pdf;
};

// Draws a job and returns the exit code. Drawing needs Qt; dovrex-cli itself starts without
// Qt's libraries, so only the PDF program (and the tests) set a drawer.
using ReportDrawer = int (*)(const ReportJob& job, CliContext& context);
void SetReportDrawer(ReportDrawer drawer);

// report KIND READINGS --pdf OUT: readings reports of a readings database as one PDF file;
// KIND "all" writes the four in the order the main window prints them. Without a drawer
// the whole command line is handed to the PDF program dovrex-cli-pdf.
class ReportCommand final : public Command {
public:
    void Register(CLI::App& app) override;
    int Run(CliContext& context) override;

private:
    std::string mKind;
    std::string mReadings;
    std::string mPdf;
};

} // namespace dovrex::cli
