#include "RptEngine.h"

#include "ReportFormat.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dovrex {

namespace {

const std::string CrLf = "\r\n";

// Only the barcode symbology the reports use, and its module width in pixels.
constexpr int16_t ElementBarcodeSymbology = clsDrawBarcode::bcCode128;
constexpr int16_t ElementBarcodeWidth = 14;

} // namespace

RptEngine::RptEngine(ReportServices services) : mServices(std::move(services)) {}

RptEngine::~RptEngine() = default;

void RptEngine::PageSetup(double PageWidth, double PageHeight, double MarginLeft, double MarginRight, double MarginTop,
                          double MarginBottom, double OverFlowThreshold) {
    mvarPageWidth = PageWidth;
    mvarPageLength = PageHeight;
    mvarMarginLeft = MarginLeft;
    mvarMarginRight = MarginRight;
    mvarMarginTop = MarginTop;
    mvarMarginBottom = MarginBottom;
    mvarOverFlowThreshold = OverFlowThreshold;
    mvarScaleMode = smInches;
}

double RptEngine::LineHeight() { return mOutput ? mOutput->TextHeight("X") : 0; }

// ---------------------------------------------------------------------------------------
// The run

bool RptEngine::Begin(int16_t FromPage, int16_t ThruPage, int16_t* LastPage) {
    mRowsProcessed = 0;
    mCancelled = false;
    mvarPageSelectFrom = FromPage;
    mvarPageSelectThru = ThruPage;
    ShowStatus(mvarTitle + CrLf + "Retrieving data");

    ThrowEvent(peReportStart, 0);
    mvarCurrentYPos = mvarMarginTop;
    mvarPageNo = 1;
    ThrowEvent(pePageHeader, 0);
    ThrowEvent(peReportHeader, 0);
    if (mvarSQLSource.empty()) {
        do {
            TestOverflow();
            ++mRowsProcessed;
            ThrowEvent(peDetail, 0);
        } while (mPendingHeight >= 0);
    }
    TestOverflow();
    ThrowEvent(peReportFooter, 0);
    TestOverflow();
    ThrowEvent(pePageFooter, 0);
    ThrowEvent(peReportEnd, 0);

    if (LastPage && *LastPage == 0) *LastPage = mvarPageNo;
    ClearStatus();
    if (mOutputKind == OutputKind::Printer && mPrinter) mPrinter->EndDoc();
    return mCancelled;
}

void RptEngine::ThrowEvent(int32_t peEvent, int16_t level) {
    mPendingHeight = 0;
    if (mSink) mSink->PrintEvent(peEvent, level, mPendingHeight);
    if (mPendingHeight > 0) AddSectionHeight();
}

void RptEngine::AddSectionHeight(std::optional<double> NewHeight) {
    if (!NewHeight) {
        mvarCurrentYPos += mPendingHeight;
        mPendingHeight = 0;
        return;
    }
    // The client passes the height it has just used; it is consumed here so that the band
    // does not advance by it a second time when the event returns.
    mvarCurrentYPos += *NewHeight;
    mPendingHeight = 0;
    TestOverflow();
}

bool RptEngine::TestOverflow() {
    if (mvarCurrentYPos < mvarOverFlowThreshold) return false;
    NewPage(0);
    return true;
}

void RptEngine::NewPage(int16_t level) {
    ThrowEvent(pePageFooter, 0);
    const int32_t next = static_cast<int32_t>(mvarPageNo) + 1;
    // A printer gets a new sheet only between two pages that are both drawn.
    if (mOutputKind == OutputKind::Printer && mPrinter && InSelection(mvarPageNo) && InSelection(next)) {
        mPrinter->NewPage();
    }
    mvarPageNo = CheckInt16(next);
    mvarCurrentYPos = mvarMarginTop;
    mPendingHeight = 0;
    UpdateStatus();
    ThrowEvent(pePageHeader, level);
}

bool RptEngine::InSelection(int32_t page) const {
    return page >= mvarPageSelectFrom && (mvarPageSelectThru <= 0 || page <= mvarPageSelectThru);
}

bool RptEngine::Suppressed() const { return !InSelection(mvarPageNo); }

void RptEngine::ShowStatus(const std::string& text) {
    if (mServices.Status && mServices.Status->Status(text)) mCancelled = true;
}

void RptEngine::UpdateStatus() {
    if (!mServices.Status) return; // no window to show the text in
    ShowStatus(mvarTitle + CrLf + "Formatting page " + NumberText(mvarPageNo) + CrLf +
               "Rows processed: " + NumberText(mRowsProcessed));
}

void RptEngine::ClearStatus() {
    if (mServices.Status) mServices.Status->Status({});
}

void RptEngine::ShowError(const std::string& text) {
    if (mServices.Messages) mServices.Messages->Show(text, {}, MsgButtons::OK, MsgIcon::None);
}

// ---------------------------------------------------------------------------------------
// Output selection

bool RptEngine::SetPrinter(const std::string& NewPrinter) {
    if (NewPrinter.empty() || !mServices.Printers) return false;
    const std::vector<std::string> names = mServices.Printers->DeviceNames();
    const std::string wanted = UCase(NewPrinter);
    for (size_t i = 0; i < names.size(); ++i) {
        if (UCase(names[i]).find(wanted) != std::string::npos) {
            mServices.Printers->SelectPrinter(static_cast<int>(i));
            return true;
        }
    }
    return false;
}

ReportPrinter* RptEngine::ResolvePrinter(const OutputDevice& device, std::optional<int>& restoreIndex) {
    if (const auto* name = std::get_if<std::string>(&device)) {
        if (mServices.Printers) restoreIndex = mServices.Printers->CurrentIndex();
        SetPrinter(*name);
    }
    ReportPrinter* printer = mServices.Printers ? mServices.Printers->CurrentPrinter() : nullptr;
    if (!printer && mNoPrinter) printer = mNoPrinter();
    if (!printer) RaiseError(ErrDeviceIO, "No printer is installed");
    return printer;
}

void RptEngine::PrintReport(int16_t FromPage, int16_t ThruPage, int16_t Tray) {
    std::optional<int> restoreIndex;
    mOutput = nullptr;
    mPrinter = nullptr;
    mOutputKind = OutputKind::None;
    try {
        if (auto* const* picture = std::get_if<ReportSurface*>(&mvarOutputDevice)) {
            if (!*picture) RaiseError(ErrInvalidCall, "There is no surface to draw the report on");
            mOutput = *picture;
            mOutputKind = OutputKind::Picture;
        } else {
            auto* const* object = std::get_if<ReportPrinter*>(&mvarOutputDevice);
            mPrinter = object ? *object : ResolvePrinter(mvarOutputDevice, restoreIndex);
            if (!mPrinter) RaiseError(ErrInvalidCall, "There is no printer to print the report on");
            mOutput = mPrinter;
            mOutputKind = OutputKind::Printer;
            if (Tray != -1) {
                try {
                    mPrinter->SetPaperBin(Tray);
                } catch (const std::exception&) {
                    // A printer without that bin prints from its default one.
                }
            }
        }
        mOutput->SetScaleMode(mvarScaleMode);
        Begin(FromPage, ThruPage);
    } catch (const std::exception& e) {
        ShowError(DescribeException(e));
    }
    ClearStatus();
    if (restoreIndex && *restoreIndex >= 0 && mServices.Printers) mServices.Printers->SelectPrinter(*restoreIndex);
    mOutput = nullptr;
    mPrinter = nullptr;
    mOutputKind = OutputKind::None;
}

void RptEngine::PreviewReport() {
    if (!mServices.Previews) return;
    try {
        std::unique_ptr<IReportPreview> window = mServices.Previews->CreatePreview();
        window->PreparePage(mvarPageWidth, mvarPageLength);
        int16_t page = 1;
        int16_t lastPage = 0;
        for (;;) {
            ReportSurface& surface = window->Page();
            surface.Clear();
            mOutput = &surface;
            mPrinter = nullptr;
            mOutputKind = OutputKind::Picture;
            const bool cancelled = Begin(page, page, &lastPage);
            mOutput = nullptr;
            mOutputKind = OutputKind::None;
            if (cancelled) break;
            const std::string command =
                window->Display(mvarTitle + " Page " + NumberText(page) + " of " + NumberText(lastPage));
            if (command == "FIRST") {
                page = 1;
            } else if (command == "PREV") {
                if (page >= 2) --page;
            } else if (command == "NEXT") {
                if (page < lastPage) ++page;
            } else if (command == "LAST") {
                page = lastPage;
            } else if (command == "PRINT") {
                // All pages on the device the report was set up for, from its default tray.
                PrintReport(0, 0, -1);
                break;
            } else {
                break;
            }
        }
    } catch (const std::exception& e) {
        ClearStatus();
        ShowError(DescribeException(e));
    }
    mOutput = nullptr;
    mOutputKind = OutputKind::None;
}

// ---------------------------------------------------------------------------------------
// Elements

clsPrintElement RptEngine::MakeElement(double X, double Y, ElementValue Value, int32_t Align, int32_t FontStyle,
                                       std::string Source, std::optional<int16_t> FontSize, double PrintWidth,
                                       std::string FormatString) {
    clsPrintElement element;
    element.X = X;
    element.Y = Y;
    element.Value = std::move(Value);
    element.Align = Align;
    element.FontStyle = FontStyle;
    element.Source = std::move(Source);
    if (FontSize) element.FontSize = *FontSize;
    element.PrintWidth = PrintWidth;
    element.FormatString = std::move(FormatString);
    return element;
}

namespace {

clsPrintElement Shape(double X, double Y, double Width, double Height, int32_t Style) {
    clsPrintElement element;
    element.X = X;
    element.Y = Y;
    element.PrintWidth = Width;
    element.PrintHeight = Height;
    element.FontStyle = Style;
    return element;
}

} // namespace

clsPrintElement RptEngine::MakeLine(double X, double Y, double LineWidth, double LineHeight) {
    return Shape(X, Y, LineWidth, LineHeight, fsLine);
}
clsPrintElement RptEngine::MakeBox(double X, double Y, double PrintWidth, double PrintHeight) {
    return Shape(X, Y, PrintWidth, PrintHeight, fsBox);
}
clsPrintElement RptEngine::MakeSolid(double X, double Y, double PrintWidth, double PrintHeight) {
    return Shape(X, Y, PrintWidth, PrintHeight, fsSolid);
}

// Inline: every element applies its style.
[[gnu::always_inline]] inline void RptEngine::ApplyStyle(int32_t style) {
    if (style & fsRegular) {
        mOutput->SetFontBold(false);
        mOutput->SetFontItalic(false);
    } else if (style & fsItalic) {
        mOutput->SetFontBold(false);
        mOutput->SetFontItalic(true);
    } else if (style & fsBold) {
        mOutput->SetFontBold(true);
        mOutput->SetFontItalic(false);
    }
    mOutput->SetFontUnderline(false);
}

void RptEngine::ApplyBaseFont() {
    if (!mOutput) return;
    if (!mBaseFontName.empty()) mOutput->SetFontName(mBaseFontName);
    ApplyStyle(mBaseFontStyle);
    if (mBaseFontSize != 0) mOutput->SetFontSize(mBaseFontSize);
}

double RptEngine::PrintElements(const std::vector<clsPrintElement>& Elements, bool RelativeToPage) {
    if (mCancelled || !mOutput) return 0;
    ReportSurface& out = *mOutput;
    ApplyBaseFont();
    double greatest = 0;
    double previousY = mvarCurrentYPos;
    for (const clsPrintElement& element : Elements) {
        if (element.FontStyle & fsHidden) continue;
        double x, y;
        if (RelativeToPage) {
            x = element.X;
            y = element.Y;
        } else {
            y = element.Y >= 0 ? element.Y + mvarCurrentYPos : previousY;
            x = element.X >= 0 ? element.X + mvarMarginLeft : out.CurrentX();
        }
        previousY = y;

        if (!element.FontName.empty()) out.SetFontName(element.FontName);
        out.SetFontSize(element.FontSize != 0 ? element.FontSize : mBaseFontSize);
        ApplyStyle(element.FontStyle);

        bool drew = false;
        if (!(element.FontStyle & (fsLine | fsBox | fsSolid | fsBarcode)) &&
            std::holds_alternative<std::string>(element.Value)) {
            // A text given as a string, as most elements are: printed at once.
            PrintText(element, x, y, RelativeToPage);
            drew = true;
        } else {
            DrawElement(element, x, y, RelativeToPage, drew);
        }
        if (drew) greatest = std::max(greatest, out.CurrentY() - mvarCurrentYPos);
    }
    return greatest;
}

void RptEngine::DrawElement(const clsPrintElement& e, double x, double y, bool relativeToPage, bool& drew) {
    ReportSurface& out = *mOutput;
    const double w = e.PrintWidth, h = e.PrintHeight;
    if (e.FontStyle & fsLine) {
        if (!Suppressed()) out.Line(x, y, x + w, y + h);
        out.SetCurrentX(x + w);
        out.SetCurrentY(y + h);
        drew = true;
        return;
    }
    if (e.FontStyle & fsBox) {
        if (!Suppressed()) {
            out.Line(x, y, x, y + h);
            out.Line(x, y + h, x + w, y + h);
            out.Line(x + w, y + h, x + w, y);
            out.Line(x + w, y, x, y);
        }
        out.SetCurrentX(x);
        out.SetCurrentY(y);
        drew = true;
        return;
    }
    if (e.FontStyle & fsSolid) {
        if (!Suppressed()) {
            out.SetDrawMode(dmNotMergePen);
            out.FillRect(x, y, x + w, y + h);
            out.SetDrawMode(dmCopyPen);
            out.SetDrawMode(dmNotXorPen);
        }
        out.SetCurrentX(x + w);
        out.SetCurrentY(y + h);
        drew = true;
        return;
    }
    if (e.FontStyle & fsBarcode) {
        // Placed at the element's own position; it takes no height in the band and leaves
        // the current point where it was, so drawn and skipped pages lay out alike.
        if (Suppressed()) return;
        const double keepX = out.CurrentX(), keepY = out.CurrentY();
        if (!mBarcode) mBarcode = std::make_unique<clsDrawBarcode>(mServices.Messages);
        out.SetScaleMode(smInches);
        const Value* value = std::get_if<Value>(&e.Value);
        const std::string* text = std::get_if<std::string>(&e.Value);
        mBarcode->Draw(ElementBarcodeSymbology, out, e.X, e.Y, e.PrintHeight, ElementBarcodeWidth,
                       value ? value->ToText() : text ? *text : std::string());
        out.SetCurrentX(keepX);
        out.SetCurrentY(keepY);
        return;
    }
    if (const auto* picture = std::get_if<std::shared_ptr<const IReportPicture>>(&e.Value)) {
        if (*picture && !Suppressed()) {
            out.PaintPicture(**picture, e.X, e.Y, w > 0 && h > 0 ? w : 0, w > 0 && h > 0 ? h : 0);
        }
        return;
    }
    if (auto* const* surface = std::get_if<ReportSurface*>(&e.Value)) {
        if (*surface && !Suppressed()) {
            if (w <= 0 && h <= 0) {
                Blit(**surface, static_cast<int32_t>((*surface)->PixelWidth()),
                     static_cast<int32_t>((*surface)->PixelHeight()), out, 0, 0);
            } else {
                out.PaintSurface(**surface, e.X, e.Y, w, h);
            }
        }
        return;
    }
    if (const Value* value = std::get_if<Value>(&e.Value); value && (value->IsEmpty() || value->IsNull())) return;
    PrintText(e, x, y, relativeToPage);
    drew = true;
}

namespace {

// What the printing of a text looks for: page fields ('%'), inline tags ('<') and line
// breaks (CR LF; any CR is taken for one, and the text goes the general way). Most texts
// have none of them: one pass finds all three.
enum TextMarks : uint8_t { tmField = 1, tmTag = 2, tmBreak = 4 };

uint8_t MarkOf(char c) { return c == '%' ? tmField : c == '<' ? tmTag : c == '\r' ? tmBreak : 0; }

#if defined(__SSE2__)
// The marks of 16 bytes, added to those found so far.
struct MarkScan {
    __m128i Field = _mm_setzero_si128(), Tag = _mm_setzero_si128(), Break = _mm_setzero_si128();
    void Add(__m128i bytes) {
        Field = _mm_or_si128(Field, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('%')));
        Tag = _mm_or_si128(Tag, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('<')));
        Break = _mm_or_si128(Break, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')));
    }
    uint8_t Marks() const {
        return (_mm_movemask_epi8(Field) ? tmField : 0) | (_mm_movemask_epi8(Tag) ? tmTag : 0) |
               (_mm_movemask_epi8(Break) ? tmBreak : 0);
    }
};
#endif

uint8_t MarksOf(std::string_view text) {
    const char* const p = text.data();
    const size_t n = text.size();
#if defined(__SSE2__)
    // Whole blocks of 16 and the last 16 bytes; a shorter text as two overlapping halves
    // (the bytes of zero that fill them are no mark). Only the text's own bytes are read.
    MarkScan scan;
    if (n >= 16) {
        for (size_t i = 0; i + 16 < n; i += 16) scan.Add(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)));
        scan.Add(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 16)));
        return scan.Marks();
    }
    if (n >= 8) {
        uint64_t head, tail;
        std::memcpy(&head, p, 8);
        std::memcpy(&tail, p + n - 8, 8);
        scan.Add(_mm_set_epi64x(static_cast<int64_t>(head), static_cast<int64_t>(tail)));
        return scan.Marks();
    }
    if (n >= 4) {
        uint32_t head, tail;
        std::memcpy(&head, p, 4);
        std::memcpy(&tail, p + n - 4, 4);
        scan.Add(_mm_set_epi32(0, 0, static_cast<int32_t>(head), static_cast<int32_t>(tail)));
        return scan.Marks();
    }
#endif
    uint8_t marks = 0;
    for (size_t i = 0; i < n; ++i) marks |= MarkOf(p[i]);
    return marks;
}

// Where the first CR LF at or after pos starts; npos when there is none. A CR alone is a
// character of the line.
size_t FindLineBreak(std::string_view text, size_t pos) {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* at = begin + std::min(pos, text.size());
    while (at < end) {
        const auto* cr = static_cast<const char*>(std::memchr(at, '\r', static_cast<size_t>(end - at)));
        if (!cr || cr + 1 == end) break;
        if (cr[1] == '\n') return static_cast<size_t>(cr - begin);
        at = cr + 1;
    }
    return std::string_view::npos;
}

} // namespace

// Inline: it runs for every piece, and both callers know most of its arguments.
[[gnu::always_inline]] inline void RptEngine::PrintPiece(const clsPrintElement& e, double x, std::string_view piece,
                                                         double pixels, bool tag, bool endsLine, bool more) {
    ReportSurface& out = *mOutput;
    const double width = out.UnitsWide(pixels);
    // A tag's piece goes on where the text before it ended.
    const double left = tag                  ? out.CurrentX()
                        : e.Align == alRight  ? x - width
                        : e.Align == alCenter ? x - width / 2
                                              : x;
    const double top = out.CurrentY();
    if (Suppressed()) {
        out.SetCurrentX(left + width);
    } else {
        if (e.FontStyle & (fsRule | fsDoubleRule)) {
            out.Line(left, top, left + width, top);
            if (e.FontStyle & fsDoubleRule) out.Line(left, top - 0.05, left + width, top - 0.05);
            out.SetCurrentY(top);
        }
        out.SetCurrentX(left);
        out.PrintLine(piece, pixels);
    }
    if (endsLine) {
        out.SetCurrentY(top + out.LineHeight());
        // The next line starts at the element's x; after the last one the output stays at
        // the end of the text, where an element with X = -1 continues.
        if (more) out.SetCurrentX(x);
    }
}

std::string RptEngine::PageFields(const std::string& text) const {
    // The fields in turn, each in what the ones before put in; a field the text does not
    // hold is neither made nor replaced.
    std::string replaced = text;
    auto field = [&replaced](std::string_view name, const auto& make) {
        if (replaced.find(name) != std::string::npos) replaced = Replace(replaced, name, make());
    };
    field("%p", [this] { return NumberText(mvarPageNo); });
    field("%c", [this]() -> const std::string& { return mvarCompany; });
    field("%t", [this]() -> const std::string& { return mvarTitle; });
    field("%s", [this]() -> const std::string& { return mvarSubtitle; });
    field("%d", [this] {
        const SystemClock systemClock;
        const IClock& clock = mServices.Clock ? *mServices.Clock : systemClock;
        return mServices.Locale.ShortDate(clock.Now());
    });
    return replaced;
}

void RptEngine::PrintPieces(const clsPrintElement& e, double x, bool relativeToPage, const std::string& text, bool tags,
                            TextBuffers& buffers) {
    ReportSurface& out = *mOutput;
    const std::string_view all = text;
    // Pieces end at a line break or before an inline tag ("<b>", "<i>", "<u>", "</...>");
    // the output moves down after each piece that ends a line.
    size_t pos = 0;
    size_t lineNumber = 0;
    while (pos < all.size()) {
        if (!relativeToPage) TestOverflow();
        const size_t lineBreak = FindLineBreak(all, pos);
        const size_t tagStart = tags ? all.find('<', pos + 1) : std::string_view::npos;
        std::string_view piece;
        bool endsLine = true;
        if (lineBreak != std::string_view::npos && (tagStart == std::string_view::npos || lineBreak < tagStart)) {
            piece = all.substr(pos, lineBreak - pos);
            pos = lineBreak + CrLf.size();
        } else if (tagStart != std::string_view::npos) {
            piece = all.substr(pos, tagStart - pos);
            pos = tagStart;
            endsLine = false;
        } else {
            piece = all.substr(pos);
            pos = all.size();
        }

        const bool tag = !piece.empty() && piece[0] == '<';
        if (tag) {
            if (piece.size() >= 2) {
                switch (piece[1]) {
                case 'i': case 'I': out.SetFontItalic(true); break;
                case 'b': case 'B': out.SetFontBold(true); break;
                case 'u': case 'U': out.SetFontUnderline(true); break;
                case '/':
                    out.SetFontItalic(false);
                    out.SetFontBold(false);
                    out.SetFontUnderline(false);
                    break;
                default: break;
                }
            }
            if (piece.size() >= 3 && piece[2] == '>') {
                piece.remove_prefix(3);
            } else if (piece.size() >= 4 && piece[3] == '>') {
                piece.remove_prefix(4);
            }
        }

        // Measured once, for placing and for drawing.
        const bool known = buffers.Measured && out.FontSerial() == buffers.MeasuredFont;
        const double pixels = known ? buffers.LinePixels[lineNumber] : out.LineWidth(piece);
        ++lineNumber;
        PrintPiece(e, x, piece, pixels, tag, endsLine, pos < all.size());
    }
}

void RptEngine::PrintText(const clsPrintElement& e, double x, double y, bool relativeToPage) {
    ReportSurface& out = *mOutput;
    // A page break while printing raises the page events, whose elements are printed with
    // buffers of their own.
    if (mTextDepth == mTextBuffers.size()) mTextBuffers.push_back(std::make_unique<TextBuffers>());
    TextBuffers& buffers = *mTextBuffers[mTextDepth];
    ++mTextDepth;
    struct Leave {
        size_t& Depth;
        ~Leave() { --Depth; }
    } leave{mTextDepth};

    // The element's own text while no page break can come before it is printed (the page
    // events may change elements); otherwise, and when the text is made, in the buffers.
    const Value* value = std::get_if<Value>(&e.Value);
    const std::string* own = value ? (value->IsText() ? &value->Text() : nullptr) : &std::get<std::string>(e.Value);
    const bool mayBreak = !relativeToPage && mvarCurrentYPos >= mvarOverFlowThreshold;
    const std::string* text = &buffers.Text;
    if (e.FormatString.empty() && own) {
        if (mayBreak) {
            buffers.Text.assign(*own);
        } else {
            text = own;
        }
    } else if (e.FormatString.empty()) {
        buffers.Text = ReportText(*value, mServices.Locale);
    } else {
        buffers.Text = FormatValue(value ? *value : Value(*own), e.FormatString, mServices.Locale);
    }
    uint8_t marks = MarksOf(*text);
    if (marks & tmField) {
        buffers.Text = PageFields(*text);
        text = &buffers.Text;
        // What the fields put in may hold tags and line breaks.
        marks = MarksOf(*text);
    }
    // A text whose lines the wrapping found to fit was measured line by line then, in the
    // font of that serial; its lines are drawn with those widths while the font stays the
    // same and the text has no tags (its pieces are then its lines).
    bool measured = false;
    uint64_t measuredFont = 0;
    std::vector<double>& linePixels = buffers.LinePixels;
    if (e.PrintWidth != 0) {
        // The wrapping keeps a text whose lines all fit as it is, trimmed: only a text with
        // a line too wide (or that starts with a line break) is wrapped.
        const std::string_view trimmed = TrimView(*text);
        if (trimmed.size() != text->size()) {
            buffers.Wrapped.assign(trimmed);
            text = &buffers.Wrapped;
        }
        if (marks & tmBreak) {
            if (StartsWith(trimmed, CrLf) || !LinesFit(trimmed, e.PrintWidth, linePixels)) {
                // From the text itself: the wrapped lines go where its trimmed copy was.
                WrapInto(trimmed, e.PrintWidth, buffers.Wrapped);
                text = &buffers.Wrapped;
            } else {
                measured = true;
                measuredFont = out.FontSerial();
            }
        } else if (!text->empty()) {
            const double pixels = out.LineWidth(*text);
            const double width = out.UnitsWide(pixels);
            if (width <= e.PrintWidth) {
                measured = true;
                measuredFont = out.FontSerial();
                linePixels.assign(1, pixels);
            } else {
                // The wrapping's first measurement is this one.
                WrapInto(trimmed, e.PrintWidth, buffers.Wrapped, width);
                text = &buffers.Wrapped;
                marks |= tmBreak;
            }
        }
    }

    out.SetCurrentX(x);
    out.SetCurrentY(y);
    if (text->empty()) {
        // An empty text is one line high (as TextHeight measures it).
        out.SetCurrentY(y + out.LineHeight());
        return;
    }
    if (!(marks & (tmTag | tmBreak))) {
        // One line without tags, as most texts are: the whole text is its one piece.
        if (!relativeToPage) TestOverflow();
        const double pixels = measured && out.FontSerial() == measuredFont ? linePixels[0] : out.LineWidth(*text);
        PrintPiece(e, x, *text, pixels, false, true, false);
        return;
    }
    buffers.Measured = measured && !(marks & tmTag);
    buffers.MeasuredFont = measuredFont;
    PrintPieces(e, x, relativeToPage, *text, (marks & tmTag) != 0, buffers);
}

namespace {

// TextWidth of the prefixes of one text, as the line wrapping measures them again and again:
// the width of a text is that of its widest line, so only the last line of a prefix is
// measured and the lines before it once for all prefixes that share them.
class PrefixWidths {
public:
    PrefixWidths(ReportSurface& out, std::string_view text) : mOut(out), mText(text) {}

    // Where the last CR LF within the first n characters starts; npos when there is none.
    // The prefixes are asked for from the longest down: the last answer mostly stands.
    size_t LastBreak(size_t n) {
        if (n > mBreakAsked || (mBreak != std::string_view::npos && mBreak + 2 > n)) {
            mBreak = n < 2 ? std::string_view::npos : mText.rfind(CrLfView, n - 2);
        }
        mBreakAsked = n;
        return mBreak;
    }
    // The width of the lines before the CR LF at lastBreak.
    double Head(size_t lastBreak) {
        if (lastBreak != mHeadBreak) {
            mHeadBreak = lastBreak;
            mHead = mOut.TextWidth(mText.substr(0, lastBreak));
        }
        return mHead;
    }
    // The width of the last line of the first n characters, after the CR LF at lastBreak;
    // as a single line, measured as TextWidth measures it.
    double Tail(size_t n, size_t lastBreak) {
        // The longest prefix is measured for the halving and then again for the fitting.
        if (n == mTailEnd) return mTail;
        const size_t start = lastBreak == std::string_view::npos ? 0 : lastBreak + 2;
        mTailEnd = n;
        mTail = mOut.UnitsWide(mOut.LineWidth(mText.substr(start, n - start)));
        return mTail;
    }
    // The first n characters, a line without breaks, measured before as width units wide.
    void Measured(size_t n, double width) {
        mTailEnd = n;
        mTail = width;
    }
    // TextWidth of the first n characters.
    double Width(size_t n) {
        const size_t lastBreak = LastBreak(n);
        if (lastBreak == std::string_view::npos) return Tail(n, lastBreak);
        return std::max(Head(lastBreak), Tail(n, lastBreak));
    }
    // The most characters, from n down, whose TextWidth is within limit; 0 when none is.
    // The prefixes that end on the lines after one too wide are not measured.
    size_t Fitting(size_t n, double limit) {
        while (n > 0) {
            const size_t lastBreak = LastBreak(n);
            if (lastBreak != std::string_view::npos && Head(lastBreak) > limit) {
                n = lastBreak + 1;
                continue;
            }
            if (Tail(n, lastBreak) <= limit) break;
            --n;
        }
        return n;
    }

private:
    static constexpr std::string_view CrLfView = "\r\n";
    ReportSurface& mOut;
    std::string_view mText;
    size_t mTailEnd = std::string_view::npos; // the last prefix whose last line was measured
    double mTail = 0;
    size_t mBreakAsked = 0;
    size_t mBreak = std::string_view::npos;
    size_t mHeadBreak = std::string_view::npos;
    double mHead = 0;
};

} // namespace

bool RptEngine::LinesFit(std::string_view text, double width, std::vector<double>& pixels) {
    ReportSurface& out = *mOutput;
    const std::string_view crLf = CrLf;
    pixels.clear();
    size_t start = 0;
    for (;;) {
        const size_t end = FindLineBreak(text, start);
        pixels.push_back(out.LineWidth(text.substr(start, end - start)));
        if (!(out.UnitsWide(pixels.back()) <= width)) return false;
        if (end == std::string_view::npos) return true;
        start = end + crLf.size();
    }
}

std::string RptEngine::WraptoWidth(const std::string& Value, double PrintWidth) {
    if (!mOutput) return Value;
    std::string result;
    WrapInto(Value, PrintWidth, result);
    return result;
}

void RptEngine::WrapInto(std::string_view text, double printWidth, std::string& result, double wholeWidth) {
    auto isBreak = [](char c) { return c == ' ' || c == ',' || static_cast<unsigned char>(c) < 32; };
    const std::string_view crLf = CrLf;

    std::string_view remaining = TrimView(text);
    result.clear();
    while (!remaining.empty()) {
        if (StartsWith(remaining, crLf)) remaining.remove_prefix(crLf.size());
        PrefixWidths widths(*mOutput, remaining);
        if (wholeWidth >= 0) widths.Measured(remaining.size(), wholeWidth);
        wholeWidth = -1; // the first line only: the text as a whole
        size_t n = remaining.size();
        while (n > 10 && widths.Width(n) > 2 * printWidth) n = static_cast<size_t>(RoundHalfEven(n / 2.0));
        n = widths.Fitting(n, printWidth);
        // A line always takes at least one character, so nothing is lost when even that is
        // too wide.
        if (n == 0 && !remaining.empty() && !StartsWith(remaining, crLf)) n = 1;
        const std::string_view line = remaining.substr(0, n);
        if (n < remaining.size() && std::any_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == ','; })) {
            while (n > 0 && !isBreak(remaining[n - 1])) --n;
        }
        const size_t lineBreak = remaining.find(crLf);
        if (lineBreak != std::string_view::npos && lineBreak < n) n = lineBreak;

        if (!result.empty()) result += crLf;
        if (n == 0) {
            // An empty line (two line breaks in a row) is kept; the text goes on after it.
            if (remaining.empty()) break;
            continue;
        }
        result += remaining.substr(0, n);
        remaining = TrimView(remaining.substr(n));
    }
}

// ---------------------------------------------------------------------------------------
// Groups

int16_t RptEngine::CreateGroup(int16_t level, bool NewPage, const std::vector<std::string>& GroupBy) {
    if (level == 0) {
        level = 1;
        while (level < static_cast<int16_t>(mGroups.size()) && mGroups[level].Level != 0) ++level;
    }
    if (level < 1 || level > 9) {
        ShowError("Attempted to create group level: " + NumberText(level) + ".  Only levels 1-9 allowed.");
        return 0;
    }
    if (static_cast<int16_t>(mGroups.size()) <= level) mGroups.resize(static_cast<size_t>(level) + 1);
    Group& group = mGroups[level];
    group.Level = level;
    group.Key = UCase(Join(GroupBy, "|"));
    group.Current.clear();
    group.NewPage = NewPage;
    return level;
}

} // namespace dovrex
