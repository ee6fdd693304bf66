#include "cli/ReportPdf.h"
#include "cli/RunCli.h"

#include "reports/ReadingsDatabase.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

using namespace dovrex;
using dovrex::test::TempFolder;

namespace {

struct Result {
    int Code;
    std::string Out;
    std::string Err;
};

Result Cli(const TempFolder& folder, std::vector<std::string> args) {
    std::vector<std::string> all = {"dovrex-cli", "--home", folder.Path(), "--registry", folder.File("registry.ini")};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<const char*> argv;
    for (const auto& arg : all) argv.push_back(arg.c_str());
    std::istringstream in;
    std::ostringstream out, err;
    const int code = cli::RunCli(static_cast<int>(argv.size()), argv.data(), in, out, err, false);
    return {code, out.str(), err.str()};
}

size_t Pages(const std::string& pdf) {
    size_t pages = 0;
    for (size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1)) {
        if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
    }
    return pages;
}

} // namespace

// report KIND READINGS --pdf OUT: one report, or all four in one file; an unreadable
// database fails without leaving a file; usage errors exit 2.
TEST(ReportCommand, WritesThePdfOfTheChosenReports) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    cli::SetReportDrawer(cli::DrawReportsPdf);
    TempFolder folder;
    const std::string readings = folder.File("ReadingQVF.pdb");
    test::ReadingMeter meter;
    meter.MeterTagNbr = 7;
    test::WriteReadings(readings, "UNIT7", "JD", {meter});

    struct Row { std::string kind; size_t pages; };
    for (const Row& row : {Row{"exception", 1}, Row{"missed", 1}, Row{"all", 4}}) {
        const std::string pdf = folder.File(row.kind + ".pdf");
        const Result result = Cli(folder, {"report", row.kind, readings, "--pdf", pdf});
        EXPECT_EQ(result.Code, 0) << row.kind << result.Err;
        const std::string bytes = folder.Read(row.kind + ".pdf");
        EXPECT_EQ(bytes.substr(0, 5), "%PDF-") << row.kind;
        EXPECT_EQ(Pages(bytes), row.pages) << row.kind;
    }

    const Result missing = Cli(folder, {"report", "all", folder.File("missing.pdb"), "--pdf", folder.File("m.pdf")});
    EXPECT_EQ(missing.Code, 1);
    EXPECT_EQ(missing.Out, "Error: Could not read QVF file\n");
    EXPECT_FALSE(std::filesystem::exists(folder.File("m.pdf")));

    const Result unwritable = Cli(folder, {"report", "all", readings, "--pdf", folder.File("no/such/folder.pdf")});
    EXPECT_EQ(unwritable.Code, 1);
    EXPECT_NE(unwritable.Err.find("Cannot write " + folder.File("no/such/folder.pdf")), std::string::npos) << unwritable.Err;

    EXPECT_EQ(Cli(folder, {"report", "everything", readings, "--pdf", folder.File("x.pdf")}).Code, 2);
    EXPECT_EQ(Cli(folder, {"report", "all", readings}).Code, 2);
}

// dovrex-cli itself carries no Qt: it hands the report command to the PDF program beside
// it, and says so when there is none (as beside this test program).
TEST(ReportCommand, IsHandedToThePdfProgram) {
    TempFolder folder;
    const std::string readings = folder.File("ReadingQVF.pdb");
    test::WriteReadings(readings, "UNIT7", "JD", {test::ReadingMeter{}});
    cli::SetReportDrawer(nullptr);
    const Result none = Cli(folder, {"report", "all", readings, "--pdf", folder.File("none.pdf")});
    cli::SetReportDrawer(cli::DrawReportsPdf);
    EXPECT_EQ(none.Code, 1);
    EXPECT_EQ(none.Err, "dovrex-cli: reports need the PDF program dovrex-cli-pdf, which is not installed beside dovrex-cli\n");

    const std::string command = "QT_QPA_PLATFORM=offscreen '" DOVREX_CLI_PROGRAM "' --home '" + folder.Path() +
                                "' --registry '" + folder.File("registry.ini") + "' report missed '" + readings +
                                "' --pdf '" + folder.File("missed.pdf") + "' > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(Pages(folder.Read("missed.pdf")), 1u);
}
