// Times the four readings reports of a 30,000-meter readings database and a preview page
// turn, on a surface that measures text as a fixed-pitch font and draws nothing; built with
// the Qt front end, also the four reports into one PDF file and page turns on the preview's
// page image.
//
//   bench_reports [--calls] [METERS [FOLDER]]   (FOLDER keeps the readings database ReadingQVF.pdb)
//
// --calls also prints, for each run, a hash of every drawing call with all its arguments
// (positions in hexadecimal floating point, so exactly) and the number of calls: two builds
// that draw the same reports print the same lines.

#include "reports/ReadingsDatabase.h"

#include "reports/clsReport.h"

#ifdef DOVREX_BENCH_QT
#include "reports/ui/QtReportPrinter.h"
#include "reports/ui/QtReportSurface.h"

#include <QGuiApplication>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

using namespace dovrex;

namespace {

// Every drawing call with its arguments, folded into one FNV-1a hash.
class CallHash {
public:
    uint64_t Value = 14695981039346656037ull;
    long Calls = 0;

    void Add(const char* what, std::initializer_list<double> numbers, const ReportFont* font = nullptr,
             std::optional<std::string_view> text = std::nullopt) {
        ++Calls;
        Bytes(what, std::strlen(what) + 1);
        for (const double n : numbers) {
            char buffer[40];
            const int length = std::snprintf(buffer, sizeof buffer, "%a;", n);
            Bytes(buffer, static_cast<size_t>(length));
        }
        if (font) {
            char buffer[80];
            const int length = std::snprintf(buffer, sizeof buffer, "%a;%d%d%d;", font->Size, font->Bold,
                                             font->Italic, font->Underline);
            Bytes(font->Name.data(), font->Name.size() + 1);
            Bytes(buffer, static_cast<size_t>(length));
        }
        if (text) {
            // The text and a zero that ends it, as a line that is part of a longer text has none.
            Bytes(text->data(), text->size());
            Bytes("", 1);
        }
    }

private:
    void Bytes(const char* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            Value ^= static_cast<unsigned char>(data[i]);
            Value *= 1099511628211ull;
        }
    }
};

class CountingPrinter final : public ReportPrinter {
public:
    long Texts = 0;
    int Pages = 1;
    CallHash* Hash = nullptr; // also hashes every call when set
    std::string DeviceName() const override { return "Counter"; }
    int16_t Orientation() const override { return mOrientation; }
    void SetOrientation(int16_t orientation) override { mOrientation = orientation; }
    void SetPaperBin(int16_t) override {}
    void NewPage() override {
        ++Pages;
        if (Hash) Hash->Add("page", {});
    }
    void EndDoc() override {
        if (Hash) Hash->Add("end", {});
    }

protected:
    double DotsPerInchX() const override { return 600; }
    double DotsPerInchY() const override { return 600; }
    double DeviceWidth() const override { return 11 * 600; }
    double DeviceHeight() const override { return 8.5 * 600; }
    double DeviceTextWidth(const ReportFont& font, std::string_view line) override {
        return static_cast<double>(line.size()) * 0.6 * font.Size / 72 * 600;
    }
    double DeviceLineHeight(const ReportFont& font) override { return 1.15 * font.Size / 72 * 600; }
    void DeviceText(double x, double y, const ReportFont& font, std::string_view line) override {
        ++Texts;
        if (Hash) Hash->Add("text", {x, y}, &font, line);
    }
    void DeviceLine(double x1, double y1, double x2, double y2, int16_t mode) override {
        if (Hash) Hash->Add("line", {x1, y1, x2, y2, static_cast<double>(mode)});
    }
    void DeviceFill(double x1, double y1, double x2, double y2, int16_t mode) override {
        if (Hash) Hash->Add("fill", {x1, y1, x2, y2, static_cast<double>(mode)});
    }
    void DevicePicture(const IReportPicture&, double x, double y, double w, double h) override {
        if (Hash) Hash->Add("picture", {x, y, w, h});
    }
    void DeviceSurface(ReportSurface&, double x, double y, double w, double h) override {
        if (Hash) Hash->Add("surface", {x, y, w, h});
    }
    void DeviceBlit(ReportSurface&, int32_t w, int32_t h, int32_t x, int32_t y) override {
        if (Hash) Hash->Add("blit", {double(w), double(h), double(x), double(y)});
    }
    void DeviceClear() override {
        if (Hash) Hash->Add("clear", {});
    }

private:
    int16_t mOrientation = 2;
};

double Seconds(std::chrono::steady_clock::time_point since);

class ErrorsToStderr final : public IMessageBox {
public:
    MsgResult Show(const std::string& text, const std::string&, MsgButtons, MsgIcon) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return MsgResult::OK;
    }
};

// A preview window that pages forward a few times, then to the last page, and closes; it
// times each page from the command to the page being shown.
class PageTurns final : public IReportPreviews, public IReportPreview {
public:
    explicit PageTurns(std::unique_ptr<ReportSurface> page) : mPage(std::move(page)) {}
    double Slowest = 0;
    size_t Turns = 0;
    std::string LastTitle;

    std::unique_ptr<IReportPreview> CreatePreview() override {
        struct Window final : IReportPreview {
            PageTurns& Owner;
            explicit Window(PageTurns& owner) : Owner(owner) {}
            void PreparePage(double w, double l) override { Owner.PreparePage(w, l); }
            ReportSurface& Page() override { return Owner.Page(); }
            std::string Display(const std::string& title) override { return Owner.Display(title); }
        };
        mSince = std::chrono::steady_clock::now();
        return std::make_unique<Window>(*this);
    }
    void PreparePage(double, double) override { mPage->SetScaleMode(smInches); }
    ReportSurface& Page() override { return *mPage; }
    std::string Display(const std::string& title) override {
        Slowest = std::max(Slowest, Seconds(mSince));
        LastTitle = title;
        mSince = std::chrono::steady_clock::now();
        return ++Turns < 4 ? "NEXT" : Turns == 4 ? "LAST" : "CLOSE";
    }

private:
    std::unique_ptr<ReportSurface> mPage;
    std::chrono::steady_clock::time_point mSince;
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A readings database with a realistic mix of rows: mostly good reads, some out of range,
// skipped, missed, with response texts, and orphans.
void MakeDatabase(const std::string& path, int meters) {
    std::vector<test::ReadingMeter> rows;
    rows.reserve(static_cast<size_t>(meters));
    for (int i = 0; i < meters; ++i) {
        test::ReadingMeter m;
        m.MeterTagNbr = 10000000 + i;
        m.CurReading = 1000 + (i * 37) % 1500;
        m.ServiceUniqueID = "ACCT  " + std::to_string(400000 + i);
        m.MeterSerialNbr = "SN" + std::to_string(i);
        m.BillingName = "CUSTOMER NUMBER " + std::to_string(i) + " WITH A LONGER NAME";
        m.ServiceAddress = std::to_string(100 + i % 900) + " MAIN STREET";
        switch (i % 10) {
        case 1: m.Status = 0; break;
        case 2: m.ReadType = 4; break;
        case 3: m.ResponseText = "Dog in yard; gate locked"; break;
        case 4: m.RecType = clsQVF::rtOrphan; break;
        default: break;
        }
        rows.push_back(std::move(m));
    }
    test::WriteReadings(path, "UNIT7", "JD", rows);
}

void PrintHash(const char* what, const CallHash* hash) {
    if (hash) std::printf("calls of %-28s %016llx %ld\n", what, static_cast<unsigned long long>(hash->Value), hash->Calls);
}

// Opens the Reading Report in a preview drawn on `page` and turns a few pages.
void TurnPages(std::unique_ptr<ReportSurface> page, const char* what, const std::string& file,
               const IClock* clock = nullptr) {
    PageTurns previews(std::move(page));
    ErrorsToStderr messages;
    ReportServices services;
    services.Clock = clock;
    services.Previews = &previews;
    services.Messages = &messages;
    clsReport report(services);
    report.Begin(true, file, clsReport::rkReading, "");
    std::printf("page turns on a %s: slowest %.2f s of %zu, up to %s\n", what, previews.Slowest, previews.Turns,
                previews.LastTitle.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const bool calls = argc > 1 && std::strcmp(argv[1], "--calls") == 0;
    const int first = calls ? 2 : 1;
    const int meters = argc > first ? std::atoi(argv[first]) : 30000;
    const bool keep = argc > first + 1;
    const std::filesystem::path folder = keep ? std::filesystem::path(argv[first + 1])
                                              : std::filesystem::temp_directory_path() / "dovrex-bench-reports";
    // With --calls the reports print one fixed date, so that runs on different days compare.
    const FixedClock fixedClock(DateTime{2024, 1, 15, 13, 5, 9});
    const IClock* clock = calls ? &fixedClock : nullptr;
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "ReadingQVF.pdb").string();

    auto start = std::chrono::steady_clock::now();
    MakeDatabase(file, meters);
    std::printf("readings database of %d meters written in %.2f s\n", meters, Seconds(start));

    double total = 0;
    for (const int32_t kind : {clsReport::rkException, clsReport::rkReading, clsReport::rkOrphan, clsReport::rkMissed}) {
        CountingPrinter printer;
        CallHash hash;
        if (calls) printer.Hash = &hash;
        ReportServices services;
        services.Clock = clock;
        clsReport report(services);
        report.Init(&printer);
        start = std::chrono::steady_clock::now();
        report.Begin(false, file, kind, "");
        const double seconds = Seconds(start);
        total += seconds;
        std::printf("%-18s %5d pages %8ld texts %6.2f s\n", clsReport::TitleOf(kind).c_str(), printer.Pages,
                    printer.Texts, seconds);
        PrintHash(clsReport::TitleOf(kind).c_str(), printer.Hash);
    }
    std::printf("four reports                               %6.2f s\n", total);

    // A page turn renders the whole report again, drawing only the selected page.
    auto page = std::make_unique<CountingPrinter>();
    CallHash pageHash;
    if (calls) page->Hash = &pageHash;
    TurnPages(std::move(page), "counting surface", file, clock);
    PrintHash("page turns", calls ? &pageHash : nullptr);
#ifdef DOVREX_BENCH_QT
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    TurnPages(std::make_unique<ui::QtPictureSurface>(11, 8.5, 120), "preview page image", file);

    const std::string pdfPath = (folder / "Reports.pdf").string();
    auto pdf = ui::QtReportPrinter::Pdf(pdfPath);
    pdf->SetContinuous(true);
    start = std::chrono::steady_clock::now();
    for (const int32_t kind : {clsReport::rkException, clsReport::rkReading, clsReport::rkOrphan, clsReport::rkMissed}) {
        clsReport report(ReportServices{});
        report.Init(static_cast<ReportPrinter*>(pdf.get()));
        report.Begin(false, file, kind, clsReport::TitleOf(kind));
    }
    pdf->Finish();
    std::printf("four reports into one PDF file               %6.2f s (%s)\n", Seconds(start), pdfPath.c_str());
#endif
    if (!keep) std::filesystem::remove_all(folder);
    return 0;
}
