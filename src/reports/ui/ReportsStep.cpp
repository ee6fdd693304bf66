#include "ReportsStep.h"

#include "Dialog.h"
#include "QtReportPrinter.h"
#include "frmPreview.h"
#include "frmReports.h"

#include "engine/clsExchange.h"
#include "reports/clsReport.h"

namespace dovrex::ui {

void RunReportsStep(QWidget& parent, const std::string& readingsFile, UserSettings& settings, IMessageBox& messages,
                    ILog& log, IReportPrinters* printers) {
    Dialog status(&parent);
    QtReportPreviews previews(&parent);
    std::unique_ptr<QtReportPrinters> systemPrinters;
    if (!printers) printers = (systemPrinters = std::make_unique<QtReportPrinters>()).get();
    const SystemClock clock;
    const ReportServices services{&messages, &log, &status, &previews, printers, &clock, LocaleFormats::System()};
    for (;;) {
        frmReports selection(settings, &parent);
        const int16_t chosen = selection.Display();
        if (chosen == 0) return;
        if (chosen & clsReport::rkPreview) {
            clsReport report(services);
            report.Begin(true, readingsFile, chosen & ~clsReport::rkPreview, "");
            continue;
        }
        for (const int32_t kind : {clsReport::rkException, clsReport::rkReading, clsReport::rkOrphan, clsReport::rkMissed}) {
            if ((chosen & kind) == 0) continue;
            clsReport report(services);
            report.Begin(false, readingsFile, kind, clsReport::TitleOf(kind));
        }
        return;
    }
}

void RunReportsStep(QWidget& parent, clsExchange& engine, UserSettings& settings, IMessageBox& messages) {
    struct EngineLog final : ILog {
        explicit EngineLog(clsExchange& e) : Engine(e) {}
        void AddLog(const std::string& line) override { Engine.WriteLog(line); }
        clsExchange& Engine;
    } log(engine);
    RunReportsStep(parent, engine.ResolvedPath(engine.ReadingSource()), settings, messages, log);
}

} // namespace dovrex::ui
