#pragma once

// What the report engine needs of the front end: the status window, the preview window,
// the system's printers, and the log and message boxes the rest of the program uses.

#include "ReportSurface.h"

#include "platform/DateTime.h"
#include "platform/ILog.h"
#include "platform/IMessageBox.h"

#include <memory>
#include <string>
#include <vector>

namespace dovrex {

// The status window: progress text and a cancel button.
class IReportStatus {
public:
    virtual ~IReportStatus() = default;
    // A non-empty text shows it and returns whether the user asked to cancel; an empty text
    // closes the window, clears the request and returns false.
    virtual bool Status(const std::string& NewStatus) = 0;
};

// The preview window: one rendered page and the user's navigation command.
class IReportPreview {
public:
    virtual ~IReportPreview() = default;
    // Sizes the page surface to the page (width and length in inches) with inches as its units.
    virtual void PreparePage(double PageWidth, double PageLength) = 0;
    virtual ReportSurface& Page() = 0;
    // Shows the page and waits: "FIRST", "PREV", "NEXT", "LAST", "PRINT" or "CLOSE".
    virtual std::string Display(const std::string& Title) = 0;
};

// The printers of the system.
class IReportPrinters {
public:
    virtual ~IReportPrinters() = default;
    virtual std::vector<std::string> DeviceNames() = 0;
    // -1 when the system has no printer.
    virtual int CurrentIndex() = 0;
    virtual void SelectPrinter(int Index) = 0;
    // The current printer; null when the system has none.
    virtual ReportPrinter* CurrentPrinter() = 0;
    // A printer that writes its pages into a PDF file; errors are raised.
    virtual std::unique_ptr<ReportPrinter> OpenPdf(const std::string& Path) = 0;
};

// Creates preview windows.
class IReportPreviews {
public:
    virtual ~IReportPreviews() = default;
    virtual std::unique_ptr<IReportPreview> CreatePreview() = 0;
};

// Everything a report reaches outside the core; a missing window is simply not shown.
struct ReportServices {
    IMessageBox* Messages = nullptr;
    ILog* Log = nullptr;
    IReportStatus* Status = nullptr;
    IReportPreviews* Previews = nullptr;
    IReportPrinters* Printers = nullptr;
    const IClock* Clock = nullptr;
    LocaleFormats Locale;
};

} // namespace dovrex
