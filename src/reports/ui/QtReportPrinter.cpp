#include "QtReportPrinter.h"

#include "reports/FontconfigFontSource.h"

#include "platform/Cp1252.h"
#include "platform/RuntimeError.h"
#include "platform/ui/QtText.h"

#include <QFile>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>

#include <optional>

namespace dovrex::ui {

namespace {

constexpr int ErrInvalidPropertyValue = 380;

// The paper bins of the old printers and Qt's names for them.
std::optional<QPrinter::PaperSource> PaperSourceOf(int16_t bin) {
    switch (bin) {
    case 1: return QPrinter::OnlyOne;
    case 2: return QPrinter::Lower;
    case 3: return QPrinter::Middle;
    case 4: return QPrinter::Manual;
    case 5: return QPrinter::Envelope;
    case 6: return QPrinter::EnvelopeManual;
    case 7: return QPrinter::Auto;
    case 8: return QPrinter::Tractor;
    case 9: return QPrinter::SmallFormat;
    case 10: return QPrinter::LargeFormat;
    case 11: return QPrinter::LargeCapacity;
    case 14: return QPrinter::Cassette;
    case 15: return QPrinter::FormSource;
    default: return std::nullopt;
    }
}

} // namespace

QtReportPrinter::QtReportPrinter(std::unique_ptr<QPagedPaintDevice> device, QPrinter* printer, std::string name)
    : mName(std::move(name)), mPrinter(printer), mDevice(std::move(device)) {
    mDrawing = std::make_unique<QtPainterDrawing>(*mDevice, [this]() -> QPainter& { return ActivePainter(); }, false);
}

QtReportPrinter::QtReportPrinter(const QPrinterInfo& info) : mName(ToCore(info.printerName())), mPrinter(nullptr) {
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setFullPage(true);
    mPrinter = printer.get();
    mDevice = std::move(printer);
    mDrawing = std::make_unique<QtPainterDrawing>(*mDevice, [this]() -> QPainter& { return ActivePainter(); }, false);
}

std::unique_ptr<QtReportPrinter> QtReportPrinter::Pdf(const std::string& path) {
    // Find out now whether the file can be written, with the system's reason when not.
    QFile probe(FromCore(path));
    if (!probe.open(QIODevice::WriteOnly)) {
        RaiseError(ErrPathFileAccess, "Cannot write " + path + ": " + ToCore(probe.errorString()));
    }
    probe.close();
    auto writer = std::make_unique<QPdfWriter>(FromCore(path));
    writer->setResolution(1200);
    writer->setPageSize(QPageSize(QPageSize::Letter));
    writer->setPageMargins(QMarginsF(0, 0, 0, 0));
    writer->setCreator(QStringLiteral("Dovrex"));
    return std::unique_ptr<QtReportPrinter>(new QtReportPrinter(std::move(writer), nullptr, path));
}

QtReportPrinter::~QtReportPrinter() {
    if (mPainter.isActive()) {
        mDrawing->Flush();
        mPainter.end();
    }
}

QPainter& QtReportPrinter::ActivePainter() {
    if (!mPainter.isActive()) {
        if (!mPainter.begin(mDevice.get())) RaiseError(ErrDeviceIO, "Cannot print on " + mName);
        mPainter.setRenderHint(QPainter::Antialiasing, true);
        mPainter.setRenderHint(QPainter::TextAntialiasing, true);
    } else if (mNextOnNewPage) {
        mDrawing->Flush();
        mDevice->newPage();
    }
    mNextOnNewPage = false;
    return mPainter;
}

int16_t QtReportPrinter::Orientation() const {
    return mDevice->pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
}

void QtReportPrinter::SetOrientation(int16_t orientation) {
    mDrawing->Flush();
    mDevice->setPageOrientation(orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void QtReportPrinter::SetPaperBin(int16_t bin) {
    const auto source = PaperSourceOf(bin);
    if (!source) RaiseError(ErrInvalidPropertyValue, "Invalid property value");
    if (mPrinter) mPrinter->setPaperSource(*source);
}

void QtReportPrinter::NewPage() {
    ActivePainter();
    mDrawing->Flush();
    mDevice->newPage();
}

void QtReportPrinter::EndDoc() {
    mDrawing->Flush();
    if (mContinuous) {
        // The next report of the file starts on a page of its own.
        if (mPainter.isActive()) mNextOnNewPage = true;
        return;
    }
    Finish();
}

void QtReportPrinter::Finish() {
    mNextOnNewPage = false;
    ActivePainter(); // a document without drawing is one blank page
    mDrawing->Flush();
    if (!mPainter.end()) RaiseError(ErrDeviceIO, "Cannot complete the document on " + mName);
}

QtReportPrinters::QtReportPrinters() {
    mPrinters = QPrinterInfo::availablePrinters();
    const QString defaultName = QPrinterInfo::defaultPrinterName();
    for (int i = 0; i < mPrinters.size(); ++i) {
        if (mPrinters[i].printerName() == defaultName) mCurrent = i;
    }
}

QtReportPrinters::~QtReportPrinters() = default;

std::vector<std::string> QtReportPrinters::DeviceNames() {
    std::vector<std::string> names;
    for (const QPrinterInfo& info : mPrinters) names.push_back(ToCore(info.printerName()));
    return names;
}

void QtReportPrinters::SelectPrinter(int Index) {
    if (Index < 0 || Index >= mPrinters.size() || Index == mCurrent) return;
    mCurrent = Index;
    mPrinter.reset();
}

ReportPrinter* QtReportPrinters::CurrentPrinter() {
    if (mPrinters.empty()) return nullptr;
    if (!mPrinter) mPrinter = std::make_unique<QtReportPrinter>(mPrinters[mCurrent]);
    return mPrinter.get();
}

std::unique_ptr<ReportPrinter> QtReportPrinters::OpenPdf(const std::string& Path) {
    return OpenPdfPrinter(Cp1252ToUtf8(Path), Path);
}

} // namespace dovrex::ui
