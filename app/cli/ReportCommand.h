#pragma once

#include "Command.h"

#include <string>

namespace dovrex::cli {

// report KIND READINGS --pdf OUT: readings reports of a readings database as one PDF file;
// KIND "all" writes the four in the order the main window prints them.
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
