#include "PdfReportPrinter.h"
#include "PdfLiteral.h"
#include "PdfNumbers.h"

#include "platform/RuntimeError.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

namespace dovrex {

namespace {

using pdf_numbers::PutFixed;
using pdf_numbers::RoundToInteger;

// Points per device pixel: PDF pages are measured in points, 72 to the inch.
constexpr double PointsPerPixel = 72.0 / 1200.0;
constexpr double LetterWidthInches = 8.5;
constexpr double LetterHeightInches = 11;

// The objects every file has, written at the end when everything they list is known.
constexpr int32_t CatalogObject = 1;
constexpr int32_t PagesObject = 2;
constexpr int32_t ResourcesObject = 3;
constexpr int32_t InfoObject = 4;

// Writers into room the caller has made; each returns the end of what it wrote.

template <size_t N>
char* Put(char* at, const char (&text)[N]) {
    std::memcpy(at, text, N - 1);
    return at + N - 1;
}

// The escape of each byte that would end a literal string or that readers would change
// (line ends); 0 for the others.
constexpr auto Escapes = [] {
    std::array<char, 256> escapes{};
    escapes['('] = '(';
    escapes[')'] = ')';
    escapes['\\'] = '\\';
    escapes['\r'] = 'r';
    escapes['\n'] = 'n';
    return escapes;
}();

// A literal string's bytes as they are, but for those escaped: at most two bytes a byte.
char* PutLiteral(char* at, const char* begin, const char* end) {
    for (const char* c = begin; c != end; ++c) {
        if (const char escape = Escapes[static_cast<unsigned char>(*c)]; escape != 0) {
            *at++ = '\\';
            *at++ = escape;
        } else {
            *at++ = *c;
        }
    }
    return at;
}

template <int Decimals>
void AppendFixed(std::string& out, int64_t value) {
    char text[24];
    out.append(text, PutFixed<Decimals>(text, value));
}

// Thousandths, the precision of page coordinates (a sixtieth of a device pixel).
int64_t Thousandths(double value) { return RoundToInteger(value * 1000); }

void AppendNumber(std::string& out, double value) { AppendFixed<3>(out, Thousandths(value)); }

// The longest number PutFixed writes, and the longest integer.
constexpr size_t NumberRoom = 24;
constexpr size_t IntegerRoom = 20;

char* PutInteger(char* at, int64_t value) { return std::to_chars(at, at + IntegerRoom, value).ptr; }

} // namespace

PdfPageContent& PdfPageContent::operator+=(std::string_view text) {
    std::memcpy(Room(text.size()), text.data(), text.size());
    mSize += text.size();
    return *this;
}

PdfPageContent& PdfPageContent::operator+=(char byte) {
    *Room(1) = byte;
    ++mSize;
    return *this;
}

// Doubles the room at least, so that a page's content is copied a few times as it grows.
void PdfPageContent::Grow(size_t size) {
    const size_t capacity = std::max({mCapacity * 2, mSize + size, size_t{64 * 1024}});
    auto bytes = std::make_unique_for_overwrite<char[]>(capacity);
    if (mSize > 0) std::memcpy(bytes.get(), mBytes.get(), mSize);
    mBytes = std::move(bytes);
    mCapacity = capacity;
}

namespace {

void AppendNumber(PdfPageContent& out, double value) {
    out.Keep(PutFixed<3>(out.Room(NumberRoom), Thousandths(value)));
}

// A PDF name: characters outside printable ASCII and the delimiters written as #XX.
std::string PdfName(const std::string& name) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "/";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte > '~' || std::strchr("()<>[]{}/%#", c)) {
            out += '#';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

// A font's size in points as the layout uses it (no size draws as one point).
double PointSize(const ReportFont& font) { return font.Size > 0 ? font.Size : 1; }

std::string Reference(int32_t object) { return std::to_string(object) + " 0 R"; }

} // namespace

PdfReportPrinter::PdfReportPrinter(const std::string& path, std::unique_ptr<IPdfFontSource> fonts, const std::string& name)
    : mName(name.empty() ? path : name), mFonts(std::move(fonts)) {
    FixResolution(Dpi, Dpi);
    mFile = std::fopen(path.c_str(), "wb");
    if (!mFile) RaiseError(ErrPathFileAccess, "Cannot write " + mName + ": " + std::strerror(errno));
    std::setvbuf(mFile, nullptr, _IOFBF, 256 * 1024);
    mObjectOffsets.resize(InfoObject + 1, 0);
    // The binary comment tells transfer programs that the file is not text.
    Write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

PdfReportPrinter::~PdfReportPrinter() {
    try {
        if (!mFinished && mFile) Finish();
    } catch (...) {
        // The document was incomplete anyway; the destructor cannot report it.
    }
    if (mFile) std::fclose(mFile);
}

void PdfReportPrinter::SetOrientation(int16_t orientation) { mOrientation = orientation == 2 ? 2 : 1; }

double PdfReportPrinter::DeviceWidth() const {
    return (mOrientation == 2 ? LetterHeightInches : LetterWidthInches) * Dpi;
}

double PdfReportPrinter::DeviceHeight() const {
    return (mOrientation == 2 ? LetterWidthInches : LetterHeightInches) * Dpi;
}

void PdfReportPrinter::NewPage() {
    ActivePage();
    EndPage();
    StartPage();
}

void PdfReportPrinter::EndDoc() {
    if (mContinuous) {
        // The next document of the file starts on a page of its own.
        if (mStarted) mNextOnNewPage = true;
        return;
    }
    Finish();
}

void PdfReportPrinter::Finish() {
    if (mFinished) return;
    mNextOnNewPage = false;
    ActivePage(); // a document without drawing is one blank page
    EndPage();
    WriteTrailer();
    mFinished = true;
    CloseFile();
}

void PdfReportPrinter::OpenPage() {
    if (mFinished) RaiseError(ErrDeviceIO, "The document on " + mName + " is complete");
    if (!mStarted) {
        mStarted = true;
        StartPage();
    } else if (mNextOnNewPage) {
        EndPage();
        StartPage();
    }
    mNextOnNewPage = false;
}

void PdfReportPrinter::StartPage() {
    mPageWidth = DeviceWidth();
    mPageHeight = DeviceHeight();
    mContent.clear();
    mInText = false;
    mPageFont = -1;
    mPageFontSize = -1;
    mLineWidth = -1;
}

// The page's content stream, then the page, written from room on the stack (a page ends
// often: a report has thousands).
void PdfReportPrinter::EndPage() {
    EndText();
    const int32_t contents = NewObject();
    WriteStream(contents, "", mContent.data(), mContent.size());
    const int32_t page = NewObject();
    mObjectOffsets[static_cast<size_t>(page)] = mOffset;
    char text[4 * IntegerRoom + 2 * NumberRoom + 96];
    char* at = Put(PutInteger(text, page), " 0 obj\n<</Type /Page /Parent ");
    at = Put(PutInteger(at, PagesObject), " 0 R /MediaBox [0 0 ");
    at = PutFixed<3>(at, Thousandths(mPageWidth * PointsPerPixel));
    *at++ = ' ';
    at = PutFixed<3>(at, Thousandths(mPageHeight * PointsPerPixel));
    at = Put(PutInteger(Put(at, "] /Resources "), ResourcesObject), " 0 R /Contents ");
    at = Put(PutInteger(at, contents), " 0 R>>\nendobj\n");
    Write(text, static_cast<size_t>(at - text));
    mPages.push_back(page);
    mContent.clear();
}

// Out of the texts' path, which seldom changes the font.
[[gnu::noinline]] void PdfReportPrinter::SetPageFont(int32_t resource, double size) {
    mContent += "/F" + std::to_string(resource) + ' ';
    AppendNumber(mContent, size);
    mContent += " Tf\n";
    mPageFont = resource;
    mPageFontSize = size;
}

void PdfReportPrinter::EndText() {
    if (!mInText) return;
    mContent += "ET\n";
    mInText = false;
}

namespace {

// The same font, the cheap fields compared first.
bool SameFont(const ReportFont& a, const ReportFont& b) {
    return a.Size == b.Size && a.Bold == b.Bold && a.Italic == b.Italic && a.Underline == b.Underline && a.Name == b.Name;
}

} // namespace

// Texts are drawn and measured in the surface's current font, which changes far less often
// than it is asked for: the font found for it is kept while its serial stays (the serial
// kept starts as one the surface never has).
inline PdfReportPrinter::Font& PdfReportPrinter::FontOf(const ReportFont& font) {
    if (&font == &ReportSurface::Font() && mCurrentFontSerial == FontSerial()) return *mCurrentFont;
    return FindFont(font);
}

// Out of the texts' path: looks the font up, and keeps it when it is the current one.
[[gnu::noinline]] PdfReportPrinter::Font& PdfReportPrinter::FindFont(const ReportFont& font) {
    const bool current = &font == &ReportSurface::Font();
    Font& found = LookUpFont(font);
    if (current) {
        mCurrentFont = &found;
        mCurrentFontSerial = FontSerial();
    }
    return found;
}

PdfReportPrinter::Font& PdfReportPrinter::LookUpFont(const ReportFont& font) {
    // Reports draw long stretches in one font: the last one asked for is tried first.
    if (mLastFont < mFontCache.size() && SameFont(mFontCache[mLastFont].first, font)) {
        return *mFontCache[mLastFont].second;
    }
    for (mLastFont = 0; mLastFont < mFontCache.size(); ++mLastFont) {
        if (SameFont(mFontCache[mLastFont].first, font)) return *mFontCache[mLastFont].second;
    }
    auto measured = std::make_unique<Font>();
    measured->Metrics = mFonts->Metrics(font);
    measured->SizePixels = PointSize(font) / PointsPerPixel;
    for (int c = 0; c < 256; ++c) {
        measured->Skipped[c] = c < 32 || measured->Metrics.Advance[c] == 0;
        measured->Special[c] = measured->Skipped[c] || Escapes[c] != 0;
    }
    measured->AsciiDrawn = true;
    for (int c = 32; c < 128; ++c) {
        if (pdf_literal::IsPlain(static_cast<unsigned char>(c)) && measured->Special[c]) measured->AsciiDrawn = false;
    }
    mFontCache.emplace_back(font, std::move(measured));
    return *mFontCache.back().second;
}

double PdfReportPrinter::DeviceTextWidth(const ReportFont& font, std::string_view line) {
    const auto& advance = FontOf(font).Metrics.Advance;
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    const size_t size = line.size();
    // The advances added one after another from the first, as the layout adds them: four a
    // round, then the last few.
    double width = 0;
    size_t i = 0;
    for (; i + 4 <= size; i += 4) {
        width += advance[bytes[i]];
        width += advance[bytes[i + 1]];
        width += advance[bytes[i + 2]];
        width += advance[bytes[i + 3]];
    }
    switch (size - i) {
    case 3: width += advance[bytes[i++]]; [[fallthrough]];
    case 2: width += advance[bytes[i++]]; [[fallthrough]];
    case 1: width += advance[bytes[i]]; break;
    default: break;
    }
    return width;
}

double PdfReportPrinter::DeviceLineHeight(const ReportFont& font) { return FontOf(font).Metrics.LineHeight; }

// One font resource serves every size of a face whose glyphs scale to the same widths; a
// size whose measured advances differ gets a resource of its own, so that each glyph
// advances exactly as the layout measured it.
int32_t PdfReportPrinter::FontResource(const ReportFont& font, const PdfFontMetrics& metrics) {
    const double sizePixels = PointSize(font) / PointsPerPixel;
    std::vector<int64_t> widths;
    widths.reserve(224);
    for (int c = 32; c < 256; ++c) widths.push_back(std::llround(metrics.Advance[c] / sizePixels * 1000 * 100));
    const auto key = std::make_tuple(metrics.PostScriptName, font.Bold, font.Italic, widths);
    if (const auto found = mResourceOf.find(key); found != mResourceOf.end()) return found->second;

    const int32_t descriptor = FontDescriptor(font, metrics);
    const int32_t object = NewObject();
    BeginObject(object);
    std::string dictionary = "<</Type /Font /Subtype /TrueType /BaseFont " + PdfName(metrics.PostScriptName) +
                             " /FirstChar 32 /LastChar 255 /Widths [";
    for (size_t i = 0; i < widths.size(); ++i) {
        if (i > 0) dictionary += ' ';
        AppendFixed<2>(dictionary, widths[i]);
    }
    dictionary += "] /Encoding /WinAnsiEncoding /FontDescriptor " + Reference(descriptor) + ">>\nendobj\n";
    Write(dictionary);
    mResources.emplace_back("/F" + std::to_string(mResourceOf.size() + 1), object);
    const auto resource = static_cast<int32_t>(mResourceOf.size() + 1);
    mResourceOf.emplace(key, resource);
    return resource;
}

int32_t PdfReportPrinter::FontDescriptor(const ReportFont& font, const PdfFontMetrics& metrics) {
    if (const auto found = mDescriptorOf.find(metrics.PostScriptName); found != mDescriptorOf.end()) {
        return found->second;
    }
    int32_t program = 0;
    const std::string file = mFonts->FontProgram(font);
    if (!file.empty()) {
        program = NewObject();
        WriteStream(program, "/Length1 " + std::to_string(file.size()), file.data(), file.size());
    }
    const int32_t object = NewObject();
    BeginObject(object);
    std::string dictionary = "<</Type /FontDescriptor /FontName " + PdfName(metrics.PostScriptName) +
                             " /Flags " + std::to_string(metrics.Flags) + " /FontBBox [";
    for (size_t i = 0; i < metrics.BoundingBox.size(); ++i) {
        if (i > 0) dictionary += ' ';
        AppendNumber(dictionary, metrics.BoundingBox[i]);
    }
    dictionary += "] /ItalicAngle ";
    AppendNumber(dictionary, metrics.ItalicAngle);
    dictionary += " /Ascent ";
    AppendNumber(dictionary, metrics.FaceAscent);
    dictionary += " /Descent ";
    AppendNumber(dictionary, metrics.FaceDescent);
    dictionary += " /CapHeight ";
    AppendNumber(dictionary, metrics.CapHeight);
    dictionary += " /StemV ";
    AppendNumber(dictionary, metrics.StemV);
    if (program != 0) dictionary += " /FontFile2 " + Reference(program);
    dictionary += ">>\nendobj\n";
    Write(dictionary);
    mDescriptorOf.emplace(metrics.PostScriptName, object);
    return object;
}

// The string of a text and its operator: copied as it is when no byte needs escaping or
// skipping, escaped, or split around skipped bytes into an array that advances by their
// widths.
char* PdfReportPrinter::PutString(char* at, const Font& font, std::string_view line) {
    const auto& skipped = font.Skipped;
    const char* const end = line.data() + line.size();
    const char* firstSpecial = line.data();
    while (firstSpecial != end && !font.Special[static_cast<unsigned char>(*firstSpecial)]) ++firstSpecial;
    if (firstSpecial == end) {
        *at++ = '(';
        std::memcpy(at, line.data(), line.size());
        return Put(at + line.size(), ")Tj\n");
    }
    if (std::none_of(firstSpecial, end, [&skipped](char c) { return skipped[static_cast<unsigned char>(c)]; })) {
        *at++ = '(';
        at = PutLiteral(at, line.data(), end);
        return Put(at, ")Tj\n");
    }
    at = Put(at, "[(");
    const char* start = line.data();
    for (const char* c = line.data(); c != end; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if (!skipped[byte]) continue;
        at = PutLiteral(at, start, c);
        start = c + 1;
        const int64_t advance = RoundToInteger(font.Metrics.Advance[byte] / font.SizePixels * 1000 * 100);
        if (advance == 0) continue;
        *at++ = ')';
        at = PutFixed<2>(at, -advance);
        *at++ = '(';
    }
    at = PutLiteral(at, start, end);
    return Put(at, ")]TJ\n");
}

// Each text is placed by moving the line start from the previous one (the offsets exact in
// thousandths of a point, as the positions are written); skipped bytes are not drawn but
// advance as the layout measured them.
void PdfReportPrinter::DeviceText(double x, double y, const ReportFont& font, std::string_view line) {
    if (line.empty()) return;
    ActivePage();
    Font& measured = FontOf(font);
    if (measured.Resource == 0) measured.Resource = FontResource(font, measured.Metrics);
    const PdfFontMetrics& metrics = measured.Metrics;
    const double baseline = mPageHeight - (y + metrics.Ascent);
    if (!mInText) {
        mContent += "BT\n";
        mInText = true;
        mLineX = mLineY = 0;
    }
    if (measured.Resource != mPageFont || PointSize(font) != mPageFontSize) SetPageFont(measured.Resource, PointSize(font));
    // Texts of a row share their baseline: its position is rounded once.
    if (baseline != mBaseline) {
        mBaseline = baseline;
        mBaselineY = Thousandths(baseline * PointsPerPixel);
    }
    const int64_t lineX = Thousandths(x * PointsPerPixel), lineY = mBaselineY;
    // Room for the move and the string; each skipped byte may take an adjustment instead.
    char* at = mContent.Room(64 + 28 * line.size());
    at = PutFixed<3>(at, lineX - mLineX);
    *at++ = ' ';
    at = PutFixed<3>(at, lineY - mLineY);
    mLineX = lineX;
    mLineY = lineY;
    at = Put(at, " Td");
    // Most texts are plain ASCII in a font that draws all of it: checked as they are copied.
    if (measured.AsciiDrawn && pdf_literal::CopyPlain(at + 1, line.data(), line.size())) {
        *at = '(';
        at = Put(at + 1 + line.size(), ")Tj\n");
    } else {
        at = PutString(at, measured, line);
    }
    mContent.Keep(at);

    if (font.Underline) {
        const double under = y + metrics.Ascent + metrics.UnderlinePosition;
        StrokeLine(x, under, x + DeviceTextWidth(font, line), under, std::max(metrics.UnderlineThickness, 1.0));
    }
}

void PdfReportPrinter::SetLineWidth(double pixels) {
    if (pixels == mLineWidth) return;
    AppendNumber(mContent, pixels * PointsPerPixel);
    mContent += " w\n";
    mLineWidth = pixels;
}

// Lines end flat at their end points (PDF's default cap).
void PdfReportPrinter::StrokeLine(double x1, double y1, double x2, double y2, double width) {
    EndText();
    SetLineWidth(width);
    AppendNumber(mContent, x1 * PointsPerPixel);
    mContent += ' ';
    AppendNumber(mContent, (mPageHeight - y1) * PointsPerPixel);
    mContent += " m ";
    AppendNumber(mContent, x2 * PointsPerPixel);
    mContent += ' ';
    AppendNumber(mContent, (mPageHeight - y2) * PointsPerPixel);
    mContent += " l S\n";
}

// A page has no raster operations: every drawing mode draws as a copy, as Qt's PDF printer did.
void PdfReportPrinter::DeviceLine(double x1, double y1, double x2, double y2, int16_t) {
    ActivePage();
    // Lines a hundredth of an inch wide, and never thinner than a pixel.
    StrokeLine(x1, y1, x2, y2, std::max(1.0, Dpi / 100));
}

void PdfReportPrinter::DeviceFill(double left, double top, double right, double bottom, int16_t) {
    ActivePage();
    EndText();
    AppendNumber(mContent, left * PointsPerPixel);
    mContent += ' ';
    AppendNumber(mContent, (mPageHeight - bottom) * PointsPerPixel);
    mContent += ' ';
    AppendNumber(mContent, (right - left) * PointsPerPixel);
    mContent += ' ';
    AppendNumber(mContent, (bottom - top) * PointsPerPixel);
    mContent += " re f\n";
}

void PdfReportPrinter::DevicePicture(const IReportPicture& picture, double x, double y, double width, double height) {
    ActivePage();
    PlaceImage(picture.RgbPixels(), x, y, width, height);
}

void PdfReportPrinter::DeviceSurface(ReportSurface& source, double x, double y, double width, double height) {
    ActivePage();
    if (auto* pixels = dynamic_cast<IReportSurfacePixels*>(&source)) PlaceImage(pixels->SurfacePixels(), x, y, width, height);
}

// The top left width x height pixels of the source, one to one.
void PdfReportPrinter::DeviceBlit(ReportSurface& source, int32_t width, int32_t height, int32_t destX, int32_t destY) {
    ActivePage();
    auto* pixels = dynamic_cast<IReportSurfacePixels*>(&source);
    if (!pixels) return;
    const RgbImage whole = pixels->SurfacePixels();
    RgbImage part;
    part.Width = std::clamp(width, 0, whole.Width);
    part.Height = std::clamp(height, 0, whole.Height);
    part.Rgb.reserve(static_cast<size_t>(part.Width) * part.Height * 3);
    for (int32_t row = 0; row < part.Height; ++row) {
        const auto from = whole.Rgb.begin() + static_cast<ptrdiff_t>(row) * whole.Width * 3;
        part.Rgb.insert(part.Rgb.end(), from, from + static_cast<ptrdiff_t>(part.Width) * 3);
    }
    PlaceImage(part, destX, destY, part.Width, part.Height);
}

// The image goes to the file at once as an XObject of the file's resources; the page draws it
// stretched over its rectangle.
void PdfReportPrinter::PlaceImage(const RgbImage& image, double x, double y, double width, double height) {
    if (image.Width <= 0 || image.Height <= 0 ||
        image.Rgb.size() != static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height) * 3) {
        return;
    }
    const int32_t object = NewObject();
    WriteStream(object,
                "/Type /XObject /Subtype /Image /Width " + std::to_string(image.Width) + " /Height " +
                    std::to_string(image.Height) + " /ColorSpace /DeviceRGB /BitsPerComponent 8",
                reinterpret_cast<const char*>(image.Rgb.data()), image.Rgb.size());
    const std::string name = "/Im" + std::to_string(++mImages);
    mResources.emplace_back(name, object);
    EndText();
    mContent += "q ";
    AppendNumber(mContent, width * PointsPerPixel);
    mContent += " 0 0 ";
    AppendNumber(mContent, height * PointsPerPixel);
    mContent += ' ';
    AppendNumber(mContent, x * PointsPerPixel);
    mContent += ' ';
    AppendNumber(mContent, (mPageHeight - y - height) * PointsPerPixel);
    mContent += " cm " + name + " Do Q\n";
}

void PdfReportPrinter::WriteTrailer() {
    BeginObject(CatalogObject);
    Write("<</Type /Catalog /Pages " + Reference(PagesObject) + ">>\nendobj\n");

    BeginObject(PagesObject);
    std::string pages = "<</Type /Pages /Count " + std::to_string(mPages.size()) + " /Kids [";
    for (size_t i = 0; i < mPages.size(); ++i) {
        if (i > 0) pages += ' ';
        pages += Reference(mPages[i]);
    }
    pages += "]>>\nendobj\n";
    Write(pages);

    BeginObject(ResourcesObject);
    std::string fonts, images;
    for (const auto& [name, object] : mResources) (name[1] == 'F' ? fonts : images) += name + ' ' + Reference(object) + ' ';
    std::string resources = "<</ProcSet [/PDF /Text /ImageC]";
    if (!fonts.empty()) resources += " /Font <<" + fonts + ">>";
    if (!images.empty()) resources += " /XObject <<" + images + ">>";
    Write(resources + ">>\nendobj\n");

    BeginObject(InfoObject);
    Write("<</Creator (Dovrex) /Producer (Dovrex)>>\nendobj\n");

    const int64_t xref = mOffset;
    std::string table = "xref\n0 " + std::to_string(mObjectOffsets.size()) + "\n0000000000 65535 f \n";
    char entry[32];
    for (size_t i = 1; i < mObjectOffsets.size(); ++i) {
        std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", static_cast<long long>(mObjectOffsets[i]));
        table += entry;
    }
    table += "trailer\n<</Size " + std::to_string(mObjectOffsets.size()) + " /Root " + Reference(CatalogObject) +
             " /Info " + Reference(InfoObject) + ">>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    Write(table);
}

int32_t PdfReportPrinter::NewObject() {
    mObjectOffsets.push_back(0);
    return static_cast<int32_t>(mObjectOffsets.size() - 1);
}

void PdfReportPrinter::BeginObject(int32_t number) {
    mObjectOffsets[static_cast<size_t>(number)] = mOffset;
    char text[IntegerRoom + 8];
    Write(text, static_cast<size_t>(Put(PutInteger(text, number), " 0 obj\n") - text));
}

void PdfReportPrinter::WriteStream(int32_t number, const std::string& dictionary, const char* data, size_t size) {
    mObjectOffsets[static_cast<size_t>(number)] = mOffset;
    char head[2 * IntegerRoom + 32];
    char* at = PutInteger(Put(PutInteger(head, number), " 0 obj\n<</Length "), static_cast<int64_t>(size));
    if (!dictionary.empty()) {
        *at++ = ' ';
        Write(head, static_cast<size_t>(at - head));
        Write(dictionary);
        at = head;
    }
    at = Put(at, ">>\nstream\n");
    Write(head, static_cast<size_t>(at - head));
    Write(data, size);
    Write("\nendstream\nendobj\n");
}

void PdfReportPrinter::Write(const char* data, size_t size) {
    if (!mFile) RaiseError(ErrDeviceIO, "Cannot write " + mName + ": the file is closed");
    if (size > 0 && std::fwrite(data, 1, size, mFile) != size) {
        RaiseError(ErrDeviceIO, "Cannot write " + mName + ": " + std::strerror(errno));
    }
    mOffset += static_cast<int64_t>(size);
}

void PdfReportPrinter::CloseFile() {
    std::FILE* file = mFile;
    mFile = nullptr;
    const bool flushed = std::fflush(file) == 0;
    const int flushError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!flushed || !closed) {
        RaiseError(ErrDeviceIO, "Cannot write " + mName + ": " + std::strerror(flushed ? errno : flushError));
    }
}

} // namespace dovrex
