#pragma once

#include "QtReportSurface.h"

#include "reports/ReportInterfaces.h"

#include <QPrinterInfo>

#include <memory>
#include <string>
#include <vector>

class QPagedPaintDevice;
class QPrinter;

namespace dovrex::ui {

// A printer of pages: a system printer (QPrinter) or a PDF file (QPdfWriter). A document
// starts with the first drawing; EndDoc sends it to the printer or completes the file.
class QtReportPrinter final : public ReportPrinter {
public:
    // A system printer.
    explicit QtReportPrinter(const QPrinterInfo& printer);
    // A PDF file of Letter pages; raises when the file cannot be written.
    static std::unique_ptr<QtReportPrinter> Pdf(const std::string& path);
    ~QtReportPrinter() override;

    std::string DeviceName() const override { return mName; }
    int16_t Orientation() const override;
    void SetOrientation(int16_t orientation) override;
    // Paper bins numbered as the old printers numbered them (1 upper ... 15 form source).
    void SetPaperBin(int16_t bin) override;
    void NewPage() override;
    // Ends the document. In continuous mode the next document goes on on a new page of the
    // same file instead, until Finish.
    void EndDoc() override;
    void SetContinuous(bool on) { mContinuous = on; }
    // Ends the file of a continuous printer; errors are raised.
    void Finish();

protected:
    double DotsPerInchX() const override { return mDrawing->DotsPerInchX(); }
    double DotsPerInchY() const override { return mDrawing->DotsPerInchY(); }
    double DeviceWidth() const override { return mDrawing->Width(); }
    double DeviceHeight() const override { return mDrawing->Height(); }
    double DeviceTextWidth(const ReportFont& font, std::string_view line) override {
        return mDrawing->TextWidth(font, line);
    }
    double DeviceLineHeight(const ReportFont& font) override { return mDrawing->LineHeight(font); }
    void DeviceText(double x, double y, const ReportFont& font, std::string_view line) override {
        mDrawing->Text(x, y, font, line);
    }
    void DeviceLine(double x1, double y1, double x2, double y2, int16_t drawMode) override {
        mDrawing->Line(x1, y1, x2, y2, drawMode);
    }
    void DeviceFill(double left, double top, double right, double bottom, int16_t drawMode) override {
        mDrawing->Fill(left, top, right, bottom, drawMode);
    }
    void DevicePicture(const IReportPicture& picture, double x, double y, double width, double height) override {
        mDrawing->Picture(picture, x, y, width, height);
    }
    void DeviceSurface(ReportSurface& source, double x, double y, double width, double height) override {
        mDrawing->Surface(source, x, y, width, height);
    }
    void DeviceBlit(ReportSurface& source, int32_t width, int32_t height, int32_t destX, int32_t destY) override {
        mDrawing->Blit(source, width, height, destX, destY);
    }
    void DeviceClear() override {}

private:
    QtReportPrinter(std::unique_ptr<QPagedPaintDevice> device, QPrinter* printer, std::string name);
    // The painter of the document, begun with the first drawing.
    QPainter& ActivePainter();

    std::string mName;
    QPrinter* mPrinter; // the device when it is a system printer
    std::unique_ptr<QPagedPaintDevice> mDevice;
    QPainter mPainter;
    std::unique_ptr<QtPainterDrawing> mDrawing;
    bool mContinuous = false;
    bool mNextOnNewPage = false;
};

// The system's printers through Qt's print support; the default printer is current at first.
class QtReportPrinters final : public IReportPrinters {
public:
    QtReportPrinters();
    ~QtReportPrinters() override;
    std::vector<std::string> DeviceNames() override;
    int CurrentIndex() override { return mPrinters.empty() ? -1 : mCurrent; }
    void SelectPrinter(int Index) override;
    ReportPrinter* CurrentPrinter() override;
    std::unique_ptr<ReportPrinter> OpenPdf(const std::string& Path) override;

private:
    QList<QPrinterInfo> mPrinters;
    int mCurrent = 0;
    std::unique_ptr<QtReportPrinter> mPrinter;
};

} // namespace dovrex::ui
