#include "ReportCommand.h"

#include "reports/clsReport.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <unistd.h>

namespace dovrex::cli {

namespace {

ReportDrawer gDrawer = nullptr;

// The PDF program: beside this program (the build folder), else where installing puts it.
std::string PdfProgram() {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) return {};
    for (const fs::path& candidate : {self.parent_path() / "dovrex-cli-pdf",
                                      self.parent_path() / DOVREX_PDF_PROGRAM_FROM_BINDIR}) {
        if (fs::is_regular_file(candidate, error) && access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return {};
}

} // namespace

void SetReportDrawer(ReportDrawer drawer) { gDrawer = drawer; }

void ReportCommand::Register(CLI::App& app) {
    mCommand = app.add_subcommand("report", "Write readings reports of a readings database as a PDF file");
    mCommand->add_option("KIND", mKind, "exception, reading, orphan, missed, or all (the four in one file)")
        ->required()
        ->check(CLI::IsMember({"exception", "reading", "orphan", "missed", "all"}));
    mCommand->add_option("READINGS", mReadings, "The readings database (PDB or VFS)")->required();
    mCommand->add_option("--pdf", mPdf, "The PDF file to write")->required()->type_name("OUT");
    mCommand->fallthrough();
}

int ReportCommand::Run(CliContext& context) {
    if (gDrawer == nullptr) {
        const std::string program = PdfProgram();
        if (program.empty() || context.Arguments.empty()) {
            context.Fail("reports need the PDF program dovrex-cli-pdf, which is not installed beside dovrex-cli");
            return ExitFailed;
        }
        std::vector<char*> argv;
        for (std::string& argument : context.Arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        context.Out.flush();
        context.Err.flush();
        execv(program.c_str(), argv.data());
        context.Fail("cannot start " + program + ": " + std::strerror(errno));
        return ExitFailed;
    }
    ReportJob job;
    const std::pair<const char*, int32_t> names[] = {{"exception", clsReport::rkException},
                                                     {"reading", clsReport::rkReading},
                                                     {"orphan", clsReport::rkOrphan},
                                                     {"missed", clsReport::rkMissed}};
    for (const auto& [name, kind] : names) {
        if (mKind == name || mKind == "all") job.Kinds.push_back(kind);
    }
    job.Readings = mReadings;
    job.Pdf = mPdf;
    return gDrawer(job, context);
}

} // namespace dovrex::cli
