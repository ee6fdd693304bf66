#pragma once

#include "platform/ILog.h"
#include "platform/IMessageBox.h"
#include "reports/ReportInterfaces.h"

#include <string>

class QWidget;

namespace dovrex {
class clsExchange;
}

namespace dovrex::ui {

class UserSettings;

// The main window's reports step after a reading conversion: the selection window, then a
// preview of the chosen reports together (and the selection again), or each ticked report
// printed on the system's default printer, or as a PDF beside the readings file when the
// system has no printer. printers: the system's printers when null.
void RunReportsStep(QWidget& parent, const std::string& readingsFile, UserSettings& settings, IMessageBox& messages,
                    ILog& log, IReportPrinters* printers = nullptr);
// The same for the readings file of the engine's last reading conversion, logging through it.
void RunReportsStep(QWidget& parent, clsExchange& engine, UserSettings& settings, IMessageBox& messages);

} // namespace dovrex::ui
