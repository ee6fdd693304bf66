#pragma once

#include "ReportSurface.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace dovrex {

// What a PDF file needs to know of a report font, measured as the page layout measures it.
struct PdfFontMetrics {
    // Device pixels at 1200 dpi: each byte's advance (Windows-1252), the ascent, the line
    // spacing, and the underline's distance below the baseline and its thickness.
    std::array<double, 256> Advance{};
    double Ascent = 0;
    double LineHeight = 0;
    double UnderlinePosition = 0;
    double UnderlineThickness = 0;
    // The face, for the font descriptor; glyph space units (1000 to the em).
    std::string PostScriptName;
    int32_t Flags = 32; // nonsymbolic
    std::array<double, 4> BoundingBox{};
    double ItalicAngle = 0;
    double FaceAscent = 0;
    double FaceDescent = 0;
    double CapHeight = 0;
    double StemV = 80;
};

// The fonts of the system, for a PDF writer that cannot ask them itself.
class IPdfFontSource {
public:
    virtual ~IPdfFontSource() = default;
    virtual PdfFontMetrics Metrics(const ReportFont& font) = 0;
    // The face's TrueType font file to embed; empty when the face is not TrueType.
    virtual std::string FontProgram(const ReportFont& font) = 0;
};

// A surface whose pages a PDF writer can copy: it gives its pixels.
class IReportSurfacePixels {
public:
    virtual ~IReportSurfacePixels() = default;
    virtual RgbImage SurfacePixels() = 0;
};

// A page's content: bytes written straight into room made at its end (without the
// zero-filling of a string's resize) and kept up to where the writing ended. The room
// stays for the next page.
class PdfPageContent {
public:
    // At least size bytes to write at the end; Keep ends the content where writing ended.
    char* Room(size_t size) {
        if (mCapacity - mSize < size) Grow(size);
        return mBytes.get() + mSize;
    }
    void Keep(const char* end) { mSize = static_cast<size_t>(end - mBytes.get()); }
    PdfPageContent& operator+=(std::string_view text);
    PdfPageContent& operator+=(char byte);
    const char* data() const { return mBytes.get(); }
    size_t size() const { return mSize; }
    void clear() { mSize = 0; }

private:
    void Grow(size_t size);
    std::unique_ptr<char[]> mBytes;
    size_t mSize = 0;
    size_t mCapacity = 0;
};

// A printer that writes its pages into a PDF 1.4 file of Letter pages at 1200 pixels per inch:
// text in simple TrueType fonts (Windows-1252 bytes as they are, each glyph as wide as the
// layout measured it), lines, filled rectangles and pictures. Each page goes to the file when
// it ends, so memory stays the same for any number of pages; the page tree and the
// cross-reference table follow at the end. A document starts with the first drawing; EndDoc
// completes the file, or in continuous mode starts the next document on a new page, until
// Finish. Write errors are raised.
class PdfReportPrinter final : public ReportPrinter {
public:
    // Raises when the file cannot be created, with the system's reason. The name, for the
    // printer's name and messages, is the path when none is given.
    PdfReportPrinter(const std::string& path, std::unique_ptr<IPdfFontSource> fonts, const std::string& name = {});
    // A file that was not finished is completed as far as it can be; errors are not raised.
    ~PdfReportPrinter() override;

    std::string DeviceName() const override { return mName; }
    int16_t Orientation() const override { return mOrientation; }
    // Takes effect on the next page started.
    void SetOrientation(int16_t orientation) override;
    // A file has no paper bins.
    void SetPaperBin(int16_t) override {}
    void NewPage() override;
    void EndDoc() override;
    void SetContinuous(bool on) { mContinuous = on; }
    // Ends the file; errors are raised.
    void Finish();

protected:
    double DotsPerInchX() const override { return Dpi; }
    double DotsPerInchY() const override { return Dpi; }
    double DeviceWidth() const override;
    double DeviceHeight() const override;
    double DeviceTextWidth(const ReportFont& font, std::string_view line) override;
    double DeviceLineHeight(const ReportFont& font) override;
    void DeviceText(double x, double y, const ReportFont& font, std::string_view line) override;
    void DeviceLine(double x1, double y1, double x2, double y2, int16_t drawMode) override;
    void DeviceFill(double left, double top, double right, double bottom, int16_t drawMode) override;
    void DevicePicture(const IReportPicture& picture, double x, double y, double width, double height) override;
    void DeviceSurface(ReportSurface& source, double x, double y, double width, double height) override;
    void DeviceBlit(ReportSurface& source, int32_t width, int32_t height, int32_t destX, int32_t destY) override;
    void DeviceClear() override {}

private:
    static constexpr double Dpi = 1200;

    // A font as measured, and the font resource that draws it at its size.
    struct Font {
        PdfFontMetrics Metrics;
        int32_t Resource = 0; // n of /Fn
        double SizePixels = 0;
        // Bytes not drawn: those below the encoding's first character, and those the layout
        // measures as nothing (a soft hyphen), which a PDF font would draw as a glyph.
        std::array<bool, 256> Skipped{};
        // Bytes skipped or escaped in a literal string.
        std::array<bool, 256> Special{};
        // Every plain byte of a literal string (printable ASCII but the escaped ones) is drawn.
        bool AsciiDrawn = false;
    };
    // Writes the string of a text in the font and its operator; returns the end.
    static char* PutString(char* at, const Font& font, std::string_view line);
    Font& FontOf(const ReportFont& font);
    Font& FindFont(const ReportFont& font);
    Font& LookUpFont(const ReportFont& font);
    int32_t FontResource(const ReportFont& font, const PdfFontMetrics& metrics);
    int32_t FontDescriptor(const ReportFont& font, const PdfFontMetrics& metrics);

    // The page being drawn, started by the first drawing after a page break.
    void ActivePage() {
        if (!mStarted || mNextOnNewPage || mFinished) OpenPage();
    }
    void OpenPage();
    void StartPage();
    void EndPage();
    void EndText();
    void SetPageFont(int32_t resource, double size);
    void SetLineWidth(double pixels);
    void StrokeLine(double x1, double y1, double x2, double y2, double width);
    void PlaceImage(const RgbImage& image, double x, double y, double width, double height);
    void WriteTrailer();

    // The file: objects numbered from 1, their offsets kept for the cross-reference table.
    int32_t NewObject();
    void BeginObject(int32_t number);
    void Write(const char* data, size_t size);
    void Write(std::string_view text) { Write(text.data(), text.size()); }
    void WriteStream(int32_t number, const std::string& dictionary, const char* data, size_t size);
    void CloseFile();

    std::string mName;
    std::unique_ptr<IPdfFontSource> mFonts;
    std::FILE* mFile = nullptr;
    int64_t mOffset = 0;
    std::vector<int64_t> mObjectOffsets{0}; // by object number; 0 the free head
    std::vector<int32_t> mPages;             // page objects

    int16_t mOrientation = 1;
    bool mContinuous = false;
    bool mStarted = false;
    bool mFinished = false;
    bool mNextOnNewPage = false;
    double mPageWidth = 0; // pixels of the page being drawn
    double mPageHeight = 0;

    // The fonts measured (a report uses a few), and the one asked for last.
    std::vector<std::pair<ReportFont, std::unique_ptr<Font>>> mFontCache;
    size_t mLastFont = 0;
    // The font found for the surface's current font, while its serial is unchanged.
    Font* mCurrentFont = nullptr;
    uint64_t mCurrentFontSerial = UINT64_MAX;
    // Font resources by face and widths; descriptors and font files by face.
    std::map<std::tuple<std::string, bool, bool, std::vector<int64_t>>, int32_t> mResourceOf;
    std::map<std::string, int32_t> mDescriptorOf;
    std::vector<std::pair<std::string, int32_t>> mResources; // "/F1", object; "/Im1", object
    int32_t mImages = 0;

    // The page's content, and the text and line state it has set.
    PdfPageContent mContent;
    bool mInText = false;
    int64_t mLineX = 0; // the text line start, in thousandths of a point
    int64_t mLineY = 0;
    double mBaseline = std::numeric_limits<double>::quiet_NaN(); // the last text's, in pixels
    int64_t mBaselineY = 0;                                      // its position, as lineY
    int32_t mPageFont = -1;
    double mPageFontSize = -1;
    double mLineWidth = -1;
};

} // namespace dovrex
