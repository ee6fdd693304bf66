#include "ReportPdf.h"

#include "CliContext.h"
#include "StreamLog.h"

#include "reports/FontconfigFontSource.h"
#include "reports/clsReport.h"

#include "platform/Cp1252.h"

#include <filesystem>
#include <memory>
#include <system_error>

namespace dovrex::cli {

namespace {

// Counts the message boxes a report shows: any of them means the report failed.
class CountingMessages final : public IMessageBox {
public:
    explicit CountingMessages(IMessageBox& shown) : mShown(shown) {}
    MsgResult Show(const std::string& text, const std::string& title, MsgButtons buttons, MsgIcon icon) override {
        ++Count;
        return mShown.Show(text, title, buttons, icon);
    }
    int Count = 0;

private:
    IMessageBox& mShown;
};

} // namespace

int DrawReportsPdf(const ReportJob& job, CliContext& context) {
    // The file's name as given (bytes, as the file system takes them); messages show it in
    // the core's Windows-1252.
    std::unique_ptr<PdfReportPrinter> pdf = OpenPdfPrinter(job.Pdf, Utf8ToCp1252(job.Pdf));
    pdf->SetContinuous(true);
    StreamLog log(context.Out);
    CountingMessages messages(context.Messages());
    const SystemClock clock;
    const ReportServices services{&messages, &log, nullptr, nullptr, nullptr, &clock, LocaleFormats::System()};
    bool done = true;
    for (const int32_t kind : job.Kinds) {
        clsReport report(services);
        report.Init(static_cast<ReportPrinter*>(pdf.get()));
        if (!report.Begin(false, job.Readings, kind, clsReport::TitleOf(kind)) || messages.Count > 0) {
            done = false;
            break;
        }
    }
    pdf->Finish();
    if (done) return ExitOk;
    // A file with only part of what was asked for is not left behind.
    pdf.reset();
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(job.Pdf), ignored);
    return ExitFailed;
}

} // namespace dovrex::cli
