#pragma once

#include "reports/PdfReportPrinter.h"

#include <QBuffer>
#include <QPdfWriter>

#include <memory>
#include <string>

namespace dovrex::ui {

// The system's fonts for the PDF printer, measured as the report surfaces measure them on a
// 1200 dpi page (per-byte advances with kerning off), with the face's descriptor values and
// its TrueType file read from the font's own tables.
class QtPdfFontSource final : public IPdfFontSource {
public:
    QtPdfFontSource();
    PdfFontMetrics Metrics(const ReportFont& font) override;
    std::string FontProgram(const ReportFont& font) override;

private:
    // A PDF page device that is never drawn on: fonts measure on it as on Qt's PDF pages.
    QBuffer mNothing;
    QPdfWriter mDevice;
};

// A PDF file of Letter pages written by the PDF printer with the system's fonts; raises when
// the file cannot be created.
std::unique_ptr<PdfReportPrinter> OpenPdfPrinter(const std::string& path);

} // namespace dovrex::ui
