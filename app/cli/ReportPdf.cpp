#include "ReportPdf.h"

#include "CliContext.h"
#include "StreamLog.h"

#include "reports/clsReport.h"
#include "reports/ui/QtPdfFontSource.h"

#include "platform/ui/QtText.h"

#include <QFile>
#include <QGuiApplication>

#include <cstdlib>
#include <memory>

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

// Fonts need Qt's application object, made for the command when there is
// none; without a display it draws offscreen.
std::unique_ptr<QGuiApplication> QtApplication() {
    if (QCoreApplication::instance()) return nullptr;
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "dovrex-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int DrawReportsPdf(const ReportJob& job, CliContext& context) {
    const std::unique_ptr<QGuiApplication> application = QtApplication();
    std::unique_ptr<PdfReportPrinter> pdf = ui::OpenPdfPrinter(ui::ToCore(QString::fromLocal8Bit(job.Pdf.c_str())));
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
    QFile::remove(QString::fromLocal8Bit(job.Pdf.c_str()));
    return ExitFailed;
}

} // namespace dovrex::cli
