#pragma once

#include "PdfReportPrinter.h"

#include <memory>
#include <string>

namespace dovrex {

// The system's fonts for the PDF printer, without a window system: fontconfig picks the face
// for a report font's family, weight and slant (and, for a character the face lacks, the
// face of the first fallback family that has it), and FreeType measures it on a 1200 dpi page
// exactly as Qt's text layout measures it there (per-byte advances, kerning off), so that
// reports wrap and align the same in the desktop's windows and in the PDF files. The
// descriptor values and the TrueType file come from the face's own tables. A family that
// matches no face, or a face that cannot be read, raises a RuntimeError.
class FontconfigFontSource final : public IPdfFontSource {
public:
    // The system's font configuration.
    FontconfigFontSource();
    // The fonts of a fontconfig configuration file (raises when it cannot be read).
    explicit FontconfigFontSource(const std::string& configFile);
    ~FontconfigFontSource() override;
    FontconfigFontSource(const FontconfigFontSource&) = delete;
    FontconfigFontSource& operator=(const FontconfigFontSource&) = delete;

    PdfFontMetrics Metrics(const ReportFont& font) override;
    std::string FontProgram(const ReportFont& font) override;

private:
    struct Fonts;
    std::unique_ptr<Fonts> mFonts;
};

// A PDF file of Letter pages written by the PDF printer with the system's fonts: the file's
// name as the file system takes it, and as messages show it (Windows-1252). Raises when the
// file cannot be created.
std::unique_ptr<PdfReportPrinter> OpenPdfPrinter(const std::string& file, const std::string& name);

} // namespace dovrex
