#pragma once

#include "ReportInterfaces.h"
#include "clsDrawBarcode.h"
#include "clsPrintElement.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace dovrex {

// The bands of a report run, in the order the engine raises them.
enum PrintEvents : int32_t {
    peReportStart = 0,
    peReportHeader = 1,
    pePageHeader = 2,
    peDetail = 4,
    pePageFooter = 6,
    peReportFooter = 7,
    peReportEnd = 8,
};

// The client of a report run: it answers each band by rendering elements and sets
// SectionHeight to the height it used (above 0 advances; negative ends the detail band).
class IPrintEventSink {
public:
    virtual ~IPrintEventSink() = default;
    virtual void PrintEvent(int32_t peEvent, int16_t level, double& SectionHeight) = 0;
};

// A small banded report writer. The client answers the engine's bands with print elements;
// the engine keeps the position on the page, breaks pages, numbers them and reports progress.
// The same run renders onto a printer or a preview page, where only the selected page range
// is drawn and the rest is laid out the same way without drawing.
class RptEngine {
public:
    // The system's current printer.
    struct SystemPrinter {
        friend bool operator==(SystemPrinter, SystemPrinter) { return true; }
    };
    // What to render onto: the system printer, a printer by (part of) its name, a printer
    // object, or a picture surface.
    using OutputDevice = std::variant<SystemPrinter, std::string, ReportPrinter*, ReportSurface*>;

    explicit RptEngine(ReportServices services);
    ~RptEngine();
    RptEngine(const RptEngine&) = delete;
    RptEngine& operator=(const RptEngine&) = delete;

    void SetEventSink(IPrintEventSink* sink) { mSink = sink; }
    // Makes the printer that system-printer output uses when the system has none; null
    // output means there is nothing to print on.
    void SetNoPrinterFallback(std::function<ReportPrinter*()> fallback) { mNoPrinter = std::move(fallback); }

    // Properties.
    const std::string& BaseFontName() const { return mBaseFontName; }
    void SetBaseFontName(std::string v) { mBaseFontName = std::move(v); }
    int16_t BaseFontSize() const { return mBaseFontSize; }
    void SetBaseFontSize(int16_t v) { mBaseFontSize = v; }
    int32_t BaseFontStyle() const { return mBaseFontStyle; }
    void SetBaseFontStyle(int32_t v) { mBaseFontStyle = v; }
    const OutputDevice& GetOutputDevice() const { return mvarOutputDevice; }
    void SetOutputDevice(OutputDevice device) { mvarOutputDevice = std::move(device); }
    double OverFlowThreshold() const { return mvarOverFlowThreshold; }
    void SetOverFlowThreshold(double v) { mvarOverFlowThreshold = v; }
    double MarginRight() const { return mvarMarginRight; }
    void SetMarginRight(double v) { mvarMarginRight = v; }
    double MarginLeft() const { return mvarMarginLeft; }
    void SetMarginLeft(double v) { mvarMarginLeft = v; }
    double MarginBottom() const { return mvarMarginBottom; }
    void SetMarginBottom(double v) { mvarMarginBottom = v; }
    double MarginTop() const { return mvarMarginTop; }
    void SetMarginTop(double v) { mvarMarginTop = v; }
    const std::string& SubTitle() const { return mvarSubtitle; }
    void SetSubTitle(std::string v) { mvarSubtitle = std::move(v); }
    const std::string& ReportName() const { return mvarReportName; }
    void SetReportName(std::string v) { mvarReportName = std::move(v); }
    const std::string& Title() const { return mvarTitle; }
    void SetTitle(std::string v) { mvarTitle = std::move(v); }
    const std::string& Company() const { return mvarCompany; }
    void SetCompany(std::string v) { mvarCompany = std::move(v); }
    const std::string& DBName() const { return mvarDBName; }
    void SetDBName(std::string v) { mvarDBName = std::move(v); }
    const std::string& SQLSource() const { return mvarSQLSource; }
    void SetSQLSource(std::string v) { mvarSQLSource = std::move(v); }
    double PageLength() const { return mvarPageLength; }
    void SetPageLength(double v) { mvarPageLength = v; }
    double PageWidth() const { return mvarPageWidth; }
    void SetPageWidth(double v) { mvarPageWidth = v; }
    int16_t ScaleMode() const { return mvarScaleMode; }
    void SetScaleMode(int16_t v) { mvarScaleMode = v; }
    int32_t ErrorCode() const { return mvarErrorCode; }
    void SetErrorCode(int32_t v) { mvarErrorCode = v; }
    double CurrentYPos() const { return mvarCurrentYPos; }
    int16_t PageNo() const { return mvarPageNo; }
    // The output's text height of "X" in its current font.
    double LineHeight();
    // Page width less the left and right margins.
    double PrintWidth() const { return mvarPageWidth - mvarMarginLeft - mvarMarginRight; }
    // The surface the running report draws on; null outside a run.
    ReportSurface* Output() const { return mOutput; }

    void PageSetup(double PageWidth, double PageHeight, double MarginLeft, double MarginRight, double MarginTop,
                   double MarginBottom, double OverFlowThreshold);
    void DefaultOverflowThreshhold() { mvarOverFlowThreshold = mvarPageLength - mvarMarginBottom; }

    // Runs the whole report drawing only pages FromPage to ThruPage (0: no limit); a LastPage
    // that is 0 receives the final page number. Returns whether the user cancelled.
    bool Begin(int16_t FromPage, int16_t ThruPage, int16_t* LastPage = nullptr);
    // Renders onto the output device; errors are shown, not raised.
    void PrintReport(int16_t FromPage, int16_t ThruPage, int16_t Tray);
    // Renders page by page into the preview window until the user closes it or prints.
    void PreviewReport();
    // Makes the first printer whose name contains NewPrinter (any letter case) current.
    bool SetPrinter(const std::string& NewPrinter);

    // Renders elements in the current band (or at page positions); returns the band height used.
    double PrintElements(const std::vector<clsPrintElement>& Elements, bool RelativeToPage = false);
    // Applies the base font to the output, as every batch of elements starts with.
    void ApplyBaseFont();
    // Line breaks (CR LF) inserted so that each line fits PrintWidth in the output's font.
    std::string WraptoWidth(const std::string& Value, double PrintWidth);

    // Without a height: advances by the pending section height and clears it. With one:
    // advances by it and breaks the page when the position reaches the threshold.
    void AddSectionHeight(std::optional<double> NewHeight = std::nullopt);
    void NewPage(int16_t level);
    bool TestOverflow();
    void ThrowEvent(int32_t peEvent, int16_t level);
    void UpdateStatus();
    void ClearStatus();

    // Groups: level 1-9 (0 takes the next free one); 0 when the level is out of range.
    int16_t CreateGroup(int16_t level, bool NewPage, const std::vector<std::string>& GroupBy);
    struct Group {
        int16_t Level = 0;
        std::string Key;
        std::string Current;
        bool NewPage = false;
    };
    const std::vector<Group>& Groups() const { return mGroups; }

    // Copies pixels of one surface onto another, from the source's origin.
    static void Blit(ReportSurface& SrcDC, int32_t SrcWidth, int32_t SrcHeight, ReportSurface& DestDC, int32_t DestX,
                     int32_t DestY) {
        DestDC.Blit(SrcDC, SrcWidth, SrcHeight, DestX, DestY);
    }

    static clsPrintElement MakeElement(double X, double Y, ElementValue Value, int32_t Align = alLeft,
                                       int32_t FontStyle = 0, std::string Source = {},
                                       std::optional<int16_t> FontSize = std::nullopt, double PrintWidth = 0,
                                       std::string FormatString = {});
    static clsPrintElement MakeLine(double X, double Y, double LineWidth, double LineHeight);
    static clsPrintElement MakeBox(double X, double Y, double PrintWidth, double PrintHeight);
    static clsPrintElement MakeSolid(double X, double Y, double PrintWidth, double PrintHeight);

private:
    enum class OutputKind { None, Picture, Printer };

    bool Suppressed() const;
    bool InSelection(int32_t page) const;
    void ShowStatus(const std::string& text);
    void ApplyStyle(int32_t style);
    void PrintText(const clsPrintElement& element, double x, double y, bool relativeToPage);
    // WraptoWidth into result, which keeps its capacity. wholeWidth, when not negative, is
    // the TextWidth of the trimmed text, measured before, for a text without line breaks.
    void WrapInto(std::string_view text, double printWidth, std::string& result, double wholeWidth = -1);
    // The text with its page fields (%p, %c, %t, %s, %d) replaced.
    std::string PageFields(const std::string& text) const;
    struct TextBuffers;
    // Prints a text piece by piece: its lines, and the parts between its inline tags (tags
    // tells whether it may have any).
    void PrintPieces(const clsPrintElement& element, double x, bool relativeToPage, const std::string& text, bool tags,
                     TextBuffers& buffers);
    // Whether every line (CR LF separated) of a trimmed text is within width: the wrapping
    // keeps such a text as it is, unless it starts with a line break. pixels receives the
    // widths of the lines measured.
    bool LinesFit(std::string_view text, double width, std::vector<double>& pixels);
    // Places one piece of a text (pixels wide) on the current line and draws it unless the
    // page is not drawn; a piece that ends a line moves down a line, back to the element's x
    // when more of the text follows.
    void PrintPiece(const clsPrintElement& element, double x, std::string_view piece, double pixels, bool tag,
                    bool endsLine, bool more);
    void DrawElement(const clsPrintElement& element, double x, double y, bool relativeToPage, bool& drew);
    ReportPrinter* ResolvePrinter(const OutputDevice& device, std::optional<int>& restoreIndex);
    void ShowError(const std::string& text);

    ReportServices mServices;
    IPrintEventSink* mSink = nullptr;
    std::function<ReportPrinter*()> mNoPrinter;

    int16_t mvarScaleMode = smInches;
    double mvarPageWidth = 8.5;
    double mvarPageLength = 11;
    double mvarMarginTop = 0.5;
    double mvarMarginBottom = 0.5;
    double mvarMarginLeft = 0.5;
    double mvarMarginRight = 0.5;
    double mvarOverFlowThreshold = 10.5;
    double mvarCurrentYPos = 0;
    int16_t mvarPageNo = 0;
    int16_t mvarPageSelectFrom = 0;
    int16_t mvarPageSelectThru = 0;
    std::string mvarCompany = "{Replace with Company Name}";
    std::string mvarTitle = "{Replace with Report Title}";
    std::string mvarReportName = "Replace w/Report Name}";
    std::string mvarSubtitle = "{Replace with Report Subtitle}";
    std::string mvarDBName;
    std::string mvarSQLSource;
    int32_t mvarErrorCode = 0;
    OutputDevice mvarOutputDevice;
    std::string mBaseFontName = "Arial";
    int16_t mBaseFontSize = 10;
    int32_t mBaseFontStyle = fsRegular;
    double mPendingHeight = 0;
    int32_t mRowsProcessed = 0;
    bool mCancelled = false;
    OutputKind mOutputKind = OutputKind::None;
    ReportSurface* mOutput = nullptr;
    ReportPrinter* mPrinter = nullptr;
    std::vector<Group> mGroups;
    std::unique_ptr<clsDrawBarcode> mBarcode;
    // The texts PrintText works in, one set for each print under way (a page break while
    // printing prints the page's bands), kept for their capacity.
    struct TextBuffers {
        std::string Text, Wrapped;
        // The widths of the lines the wrapping measured, in the font of that serial, when
        // they are the text's pieces.
        std::vector<double> LinePixels;
        bool Measured = false;
        uint64_t MeasuredFont = 0;
    };
    std::vector<std::unique_ptr<TextBuffers>> mTextBuffers;
    size_t mTextDepth = 0;
};

} // namespace dovrex
