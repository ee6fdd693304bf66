#pragma once

// Report surfaces that record what is drawn, with fixed font metrics: 100 pixels per inch,
// every character 0.6 times the font size wide (as a fixed-pitch face) and a line 1.2 times
// the size high. Positions are recorded in inches.

#include "reports/ReportInterfaces.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dovrex::test {

struct DrawCall {
    enum Kind { kText, kLine, kFill, kPicture, kSurface, kBlit, kClear };
    Kind What = kText;
    int Page = 1;       // the printer's sheet, counted from 1
    double X = 0, Y = 0, X2 = 0, Y2 = 0; // inches; fills are half-open in pixels / 100
    std::string Text;
    ReportFont Font;
    int16_t DrawMode = 0;
};

class RecordingPrinter : public ReportPrinter {
public:
    static constexpr double Dpi = 100;
    static double CharWidth(double points) { return 0.6 * points / 72; } // inches
    static double LineHeight(double points) { return 1.2 * points / 72; }

    explicit RecordingPrinter(std::string name = "Recorder") : mName(std::move(name)) {}
    ~RecordingPrinter() override {
        if (OnDestroy) OnDestroy(*this);
    }
    // Called when the printer goes away, to keep what it recorded.
    std::function<void(RecordingPrinter&)> OnDestroy;

    std::vector<DrawCall> Calls;
    int Sheet = 1;
    int NewPages = 0;
    int EndDocs = 0;
    int16_t Bin = -1;
    bool RejectBin = false;
    int16_t OrientationValue = 1;

    // The texts drawn, in order, optionally only on one sheet.
    std::vector<DrawCall> Texts(int sheet = 0) const;
    // Text of every text call on a sheet joined with "|".
    std::string Joined(int sheet) const;
    bool HasText(const std::string& text, int sheet = 0) const;

    std::string DeviceName() const override { return mName; }
    int16_t Orientation() const override { return OrientationValue; }
    void SetOrientation(int16_t orientation) override { OrientationValue = orientation; }
    void SetPaperBin(int16_t bin) override;
    void NewPage() override;
    void EndDoc() override { ++EndDocs; }

protected:
    double DotsPerInchX() const override { return Dpi; }
    double DotsPerInchY() const override { return Dpi; }
    double DeviceWidth() const override { return (OrientationValue == 2 ? 11 : 8.5) * Dpi; }
    double DeviceHeight() const override { return (OrientationValue == 2 ? 8.5 : 11) * Dpi; }
    double DeviceTextWidth(const ReportFont& font, std::string_view line) override {
        return static_cast<double>(line.size()) * CharWidth(font.Size) * Dpi;
    }
    double DeviceLineHeight(const ReportFont& font) override { return LineHeight(font.Size) * Dpi; }
    void DeviceText(double x, double y, const ReportFont& font, std::string_view line) override;
    void DeviceLine(double x1, double y1, double x2, double y2, int16_t drawMode) override;
    void DeviceFill(double left, double top, double right, double bottom, int16_t drawMode) override;
    void DevicePicture(const IReportPicture&, double x, double y, double width, double height) override;
    void DeviceSurface(ReportSurface&, double x, double y, double width, double height) override;
    void DeviceBlit(ReportSurface&, int32_t width, int32_t height, int32_t destX, int32_t destY) override;
    void DeviceClear() override;

private:
    void Record(DrawCall call);
    std::string mName;
};

// The status window: records every text and asks to cancel at a chosen call.
class ScriptedStatus : public IReportStatus {
public:
    bool Status(const std::string& NewStatus) override;
    std::vector<std::string> Texts;
    int CancelAtCall = -1; // index into Texts at which the user presses Cancel
    bool Requested = false;
};

// The system's printers, all recording; OpenPdf makes a recording printer named by the path.
class RecordingPrinters : public IReportPrinters {
public:
    explicit RecordingPrinters(std::vector<std::string> names = {"Recorder"});
    std::vector<std::unique_ptr<RecordingPrinter>> Printers;
    int Current = 0;
    std::vector<std::string> PdfPaths;

    std::vector<std::string> DeviceNames() override;
    int CurrentIndex() override { return Printers.empty() ? -1 : Current; }
    void SelectPrinter(int Index) override { Current = Index; }
    ReportPrinter* CurrentPrinter() override { return Printers.empty() ? nullptr : Printers[Current].get(); }
    std::unique_ptr<ReportPrinter> OpenPdf(const std::string& Path) override;
    // Keeps what the PDF printers drew after the report released them.
    std::vector<std::vector<DrawCall>> PdfCalls;
};

// The preview window: answers with prepared commands and keeps the page shown each time.
class ScriptedPreviews;
class ScriptedPreview : public IReportPreview {
public:
    explicit ScriptedPreview(ScriptedPreviews& owner) : mOwner(owner) {}
    void PreparePage(double PageWidth, double PageLength) override;
    ReportSurface& Page() override { return mPage; }
    std::string Display(const std::string& Title) override;

private:
    ScriptedPreviews& mOwner;
    RecordingPrinter mPage{"Preview"};
};

class ScriptedPreviews : public IReportPreviews {
public:
    // The answers of the preview windows, in order; none left answers "CLOSE".
    std::deque<std::string> Commands;
    // What the windows showed: the captions, the texts of each page (joined with "|") and
    // the page size they were prepared for.
    std::vector<std::string> Titles;
    std::vector<std::string> PagesShown;
    double Width = 0, Length = 0;
    int Created = 0;
    std::unique_ptr<IReportPreview> CreatePreview() override;
};

} // namespace dovrex::test
