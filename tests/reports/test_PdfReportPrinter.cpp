#include "reports/PdfLiteral.h"
#include "reports/PdfReportPrinter.h"

#include "platform/RuntimeError.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

using namespace dovrex;
using dovrex::test::TempFolder;

namespace {

// Fonts of fixed advances: bytes below 32 half as wide as the others, bold ones wider, the
// soft hyphen (0xAD) nothing, and in the face "No-Tilde" the tilde too; in the face "Varied"
// each byte from 32 has an advance of its own. Faces named "Embedded" give a font file. It counts what it was
// asked.
class FixedFonts final : public IPdfFontSource {
public:
    PdfFontMetrics Metrics(const ReportFont& font) override {
        ++MetricsAsked;
        PdfFontMetrics metrics;
        const double em = font.Size * 1200 / 72;
        for (int c = 0; c < 256; ++c) metrics.Advance[c] = em * (c < 32 ? 0.3 : font.Bold ? 0.65 : 0.6);
        metrics.Advance[0xAD] = 0;
        if (font.Name == "No-Tilde") metrics.Advance['~'] = 0;
        if (font.Name == "Varied") {
            for (int c = 32; c < 256; ++c) metrics.Advance[c] = em * (0.25 + c / 997.0);
        }
        metrics.Ascent = em * 0.8;
        metrics.LineHeight = em * 1.2;
        metrics.UnderlinePosition = em * 0.1;
        metrics.UnderlineThickness = em * 0.05;
        metrics.PostScriptName = font.Name + (font.Bold ? "-Bold" : "");
        metrics.BoundingBox = {-20, -250, 620, 800};
        metrics.FaceAscent = 800;
        metrics.FaceDescent = -200;
        metrics.CapHeight = 700;
        return metrics;
    }
    std::string FontProgram(const ReportFont& font) override {
        ++ProgramsAsked;
        return font.Name == "Embedded" ? "TRUETYPE" : "";
    }
    int MetricsAsked = 0;
    int ProgramsAsked = 0;
};

// A 2 x 2 picture, one inch square.
struct Checkers final : IReportPicture {
    double WidthInches() const override { return 1; }
    double HeightInches() const override { return 1; }
    RgbImage RgbPixels() const override { return {2, 2, {0, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0, 0}}; }
};

// A 3 x 2 page picture of a surface: the left column black, the rest white.
class PagePicture final : public ReportSurface, public IReportSurfacePixels {
public:
    RgbImage SurfacePixels() override {
        RgbImage image{3, 2, std::vector<uint8_t>(18, 255)};
        image.Rgb[0] = image.Rgb[1] = image.Rgb[2] = image.Rgb[9] = image.Rgb[10] = image.Rgb[11] = 0;
        return image;
    }

protected:
    double DotsPerInchX() const override { return 1; }
    double DotsPerInchY() const override { return 1; }
    double DeviceWidth() const override { return 3; }
    double DeviceHeight() const override { return 2; }
    double DeviceTextWidth(const ReportFont&, std::string_view) override { return 0; }
    double DeviceLineHeight(const ReportFont&) override { return 0; }
    void DeviceText(double, double, const ReportFont&, std::string_view) override {}
    void DeviceLine(double, double, double, double, int16_t) override {}
    void DeviceFill(double, double, double, double, int16_t) override {}
    void DevicePicture(const IReportPicture&, double, double, double, double) override {}
    void DeviceSurface(ReportSurface&, double, double, double, double) override {}
    void DeviceBlit(ReportSurface&, int32_t, int32_t, int32_t, int32_t) override {}
    void DeviceClear() override {}
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool HaveTool(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

std::string Output(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

size_t Pages(const std::string& pdf) { return Count(pdf, "/Type /Page ") + Count(pdf, "/Type /Page>"); }

void Text(ReportPrinter& out, const ReportFont& font, double x, double y, const std::string& text) {
    out.SetFontName(font.Name);
    out.SetFontSize(font.Size);
    out.SetFontBold(font.Bold);
    out.SetFontItalic(font.Italic);
    out.SetFontUnderline(font.Underline);
    out.SetCurrentX(x);
    out.SetCurrentY(y);
    out.Print(text);
}

// Three pages in two documents of one file: fonts, Windows-1252 bytes and the characters a
// PDF string escapes, a line, a fill, a picture and a surface's page (whole, and its left
// column copied) on a portrait page; landscape pages after.
void WriteSample(const std::string& path) {
    PdfReportPrinter pdf(path, std::make_unique<FixedFonts>());
    pdf.SetContinuous(true);
    pdf.SetScaleMode(smInches);
    Text(pdf, {"Courier", 10}, 1, 1, "Dovrex (1) \\ done");
    Text(pdf, {"Helvetica", 12, true}, 1, 2, "M\xFCller \x80 5 \xE9t\xE9");
    Text(pdf, {"Times-Italic", 9, false, true, true}, 1, 3, "Page 1");
    pdf.Line(1, 3.5, 7, 3.5);
    pdf.FillRect(1, 3.6, 2, 3.7);
    pdf.PaintPicture(Checkers(), 1, 4, 0, 0);
    PagePicture page;
    pdf.PaintSurface(page, 3, 4, 1.5, 1);
    pdf.Blit(page, 1, 2, 6000, 4800);
    pdf.EndDoc();
    pdf.SetOrientation(2);
    Text(pdf, {"Courier", 10}, 1, 1, "Second document");
    pdf.NewPage();
    Text(pdf, {"Courier", 10}, 1, 1, "Page 3");
    pdf.Finish();
}

} // namespace

// The poppler tools read the pages: their sizes, texts (Windows-1252 bytes as their
// characters, escaped characters as themselves) and the picture.
TEST(PdfReportPrinter, ToolsReadTheTextsAndPages) {
    if (!HaveTool("pdftotext") || !HaveTool("pdfinfo") || !HaveTool("pdfimages")) {
        GTEST_SKIP() << "the poppler tools (pdftotext, pdfinfo, pdfimages) are not installed";
    }
    TempFolder folder;
    const std::string path = folder.File("sample.pdf");
    WriteSample(path);
    const std::string info = Output("pdfinfo -f 1 -l 3 '" + path + "' 2>&1");
    EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
    struct Page { int number; const char* size; std::vector<std::string> texts; };
    for (const Page& page : {Page{1, "612 x 792 pts", {"Dovrex (1) \\ done", "M\xC3\xBCller \xE2\x82\xAC 5 \xC3\xA9t\xC3\xA9", "Page 1"}},
                             Page{2, "792 x 612 pts", {"Second document"}}, Page{3, "792 x 612 pts", {"Page 3"}}}) {
        const std::string number = std::to_string(page.number);
        EXPECT_NE(info.find("Page    " + number + " size:  " + page.size), std::string::npos) << info;
        const std::string text = Output("pdftotext -layout -f " + number + " -l " + number + " '" + path + "' - 2>&1");
        for (const std::string& expected : page.texts) EXPECT_NE(text.find(expected), std::string::npos) << number << ": " << text;
    }
    const std::string images = Output("pdfimages -list '" + path + "' 2>&1");
    for (const char* image : {"image       2     2  rgb     3   8", "image       3     2  rgb     3   8", "image       1     2  rgb     3   8"}) {
        EXPECT_NE(images.find(image), std::string::npos) << image << '\n' << images;
    }
    // The copied column is black: the third image's pixels as pdfimages writes them (PPM).
    Output("pdfimages '" + path + "' '" + folder.File("image") + "'");
    EXPECT_EQ(ReadAll(folder.File("image-002.ppm")), std::string("P6\n1 2\n255\n\0\0\0\0\0\0", 17));
}

// Every cross-reference entry points at its object, the trailer at the table, and the page
// tree counts the pages written.
TEST(PdfReportPrinter, CrossReferencesPointAtTheirObjects) {
    TempFolder folder;
    const std::string path = folder.File("sample.pdf");
    WriteSample(path);
    const std::string pdf = ReadAll(path);
    ASSERT_EQ(pdf.substr(0, 9), "%PDF-1.4\n");
    ASSERT_EQ(pdf.substr(pdf.size() - 6), "%%EOF\n");
    const size_t startxref = pdf.rfind("startxref\n");
    ASSERT_NE(startxref, std::string::npos);
    const size_t xref = std::stoul(pdf.substr(startxref + 10));
    ASSERT_EQ(pdf.compare(xref, 7, "xref\n0 "), 0);
    std::istringstream table(pdf.substr(xref + 7));
    size_t objects = 0;
    table >> objects;
    ASSERT_GT(objects, 5u);
    const size_t entries = pdf.find('\n', xref + 5) + 1;
    for (size_t i = 1; i < objects; ++i) {
        const std::string entry = pdf.substr(entries + 20 * i, 20);
        ASSERT_EQ(entry.substr(10), " 00000 n \n") << i;
        const std::string header = std::to_string(i) + " 0 obj\n";
        EXPECT_EQ(pdf.compare(std::stoul(entry.substr(0, 10)), header.size(), header), 0) << i;
    }
    EXPECT_EQ(pdf.substr(entries + 20 * objects, 8), "trailer\n");
    EXPECT_EQ(Pages(pdf), 3u);
    EXPECT_NE(pdf.find("/Type /Pages /Count 3 "), std::string::npos);
}

// Pages and documents follow the calls as on Qt's printers: the first drawing starts the
// document, EndDoc ends it (continuous: the next document starts on a new page), a file with
// no drawing is one blank page. Script: t text, n NewPage, e EndDoc, f Finish.
TEST(PdfReportPrinter, PagesFollowDocumentsAndPageBreaks) {
    struct Row { const char* name; bool continuous; std::string script; size_t pages; };
    const Row rows[] = {
        {"no drawing", false, "f", 1},
        {"one document", false, "te", 1},
        {"a page break", false, "tnte", 2},
        {"a page break with nothing after", false, "tne", 2},
        {"continuous, two documents", true, "tetef", 2},
        {"continuous, an end with nothing after", true, "teef", 1},
        {"continuous, two pages and one", true, "tntetf", 3},
        {"continuous, finished twice", true, "tff", 1},
    };
    TempFolder folder;
    for (const Row& row : rows) {
        const std::string path = folder.File("pages.pdf");
        {
            PdfReportPrinter pdf(path, std::make_unique<FixedFonts>());
            pdf.SetContinuous(row.continuous);
            for (const char step : row.script) {
                if (step == 't') Text(pdf, {"Courier", 10}, 100, 100, "x");
                if (step == 'n') pdf.NewPage();
                if (step == 'e') pdf.EndDoc();
                if (step == 'f') pdf.Finish();
            }
            const std::string pdfBytes = ReadAll(path);
            EXPECT_EQ(pdfBytes.substr(pdfBytes.size() - 6), "%%EOF\n") << row.name;
            EXPECT_EQ(Pages(pdfBytes), row.pages) << row.name;
        }
    }
}

// A file that cannot be created, or written, raises with its reason; so does drawing on a
// finished document.
TEST(PdfReportPrinter, WriteErrorsAreRaised) {
    TempFolder folder;
    struct Row { const char* name; std::string path; bool finishFirst; int number; std::string message; size_t textSize = 1; };
    const Row rows[] = {
        {"no such folder", folder.File("no/such/folder.pdf"), false, ErrPathFileAccess,
         "Cannot write " + folder.File("no/such/folder.pdf") + ": No such file or directory"},
        {"a full disk", "/dev/full", false, ErrDeviceIO, "Cannot write /dev/full: No space left on device"},
        // The file is buffered 256 KiB at a time: a page as large is written past the buffer.
        {"a full disk, a page past the buffer", "/dev/full", false, ErrDeviceIO,
         "Cannot write /dev/full: No space left on device", 256 * 1024},
        {"drawing after the end", folder.File("done.pdf"), true, ErrDeviceIO, "The document on " + folder.File("done.pdf") + " is complete"},
    };
    for (const Row& row : rows) {
        try {
            PdfReportPrinter pdf(row.path, std::make_unique<FixedFonts>());
            if (row.finishFirst) pdf.Finish();
            Text(pdf, {"Courier", 10}, 100, 100, std::string(row.textSize, 'x'));
            pdf.Finish();
            ADD_FAILURE() << row.name << ": nothing raised";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number(), row.number) << row.name;
            EXPECT_EQ(error.Description(), row.message) << row.name;
        }
    }
}

// Each glyph advances as the layout measured it: a word's box starts at the text's position
// plus the advances before it (bytes below 32 advance without a glyph; bytes measured as
// nothing are not drawn) and ends where its measured width ends; positions are points, 72 to
// 1200 pixels.
TEST(PdfReportPrinter, GlyphsLandWhereTheLayoutMeasuredThem) {
    if (!HaveTool("pdftotext")) GTEST_SKIP() << "pdftotext (poppler) is not installed";
    struct Row { const char* name; ReportFont font; std::string before; std::string word; };
    const Row rows[] = {
        {"a word at the text's start", {"Courier", 10}, "", "Reading"},
        {"after a space, the first drawn byte", {"Courier", 8}, " ", "X"},
        {"after byte 31, the last one not drawn", {"Courier", 8}, "\x1F", "X"},
        {"after a tab and a space", {"Helvetica", 12, true}, "\t ", "Total"},
        {"after escaped characters", {"Courier", 9}, "() ", "end"},
        {"a byte measured as nothing inside a word", {"Courier", 9}, "", "soft\xADhyphen"},
        {"a byte measured as something beside it", {"Courier", 9}, "", "soft\xACnot"},
    };
    TempFolder folder;
    for (const Row& row : rows) {
        const std::string path = folder.File("glyphs.pdf");
        double left = 0, right = 0;
        {
            PdfReportPrinter pdf(path, std::make_unique<FixedFonts>());
            pdf.SetScaleMode(smPixels);
            Text(pdf, row.font, 1234.5, 2000, row.before + row.word);
            left = (1234.5 + pdf.TextWidth(row.before)) * 72 / 1200;
            right = (1234.5 + pdf.TextWidth(row.before + row.word)) * 72 / 1200;
            pdf.Finish();
        }
        const std::string boxes = Output("pdftotext -bbox '" + path + "' - 2>&1");
        const size_t word = boxes.rfind("<word ");
        ASSERT_NE(word, std::string::npos) << row.name << boxes;
        const std::string tag = boxes.substr(word, boxes.find('>', word) - word);
        const double xMin = std::stod(tag.substr(tag.find("xMin=\"") + 6));
        const double xMax = std::stod(tag.substr(tag.find("xMax=\"") + 6));
        EXPECT_NEAR(xMin, left, 0.002) << row.name;
        EXPECT_NEAR(xMax, right, 0.002) << row.name;
        // The word as pdftotext reads it (UTF-8): the soft hyphen not drawn, the not sign drawn.
        std::string read = row.word;
        if (const size_t soft = read.find('\xAD'); soft != std::string::npos) read.erase(soft, 1);
        if (const size_t sign = read.find('\xAC'); sign != std::string::npos) read.replace(sign, 1, "\xC2\xAC");
        EXPECT_NE(boxes.find(">" + read + "</word>"), std::string::npos) << row.name << boxes;
    }
}

// Each font is measured once; sizes of a face whose advances scale share one font resource;
// each face is described once and its font file embedded when the source has one.
TEST(PdfReportPrinter, FontsAreAskedOnceAndShared) {
    struct Row { const char* name; std::vector<ReportFont> fonts; int measured; size_t resources; size_t files; };
    const Row rows[] = {
        {"one font twice", {{"Courier", 8}, {"Courier", 8}}, 1, 1, 0},
        {"sizes of a face", {{"Courier", 8}, {"Courier", 10}, {"Courier", 8}}, 2, 1, 0},
        {"bold is another face", {{"Courier", 8}, {"Courier", 8, true}}, 2, 2, 0},
        {"an embedded face in two sizes", {{"Embedded", 8}, {"Embedded", 11}}, 2, 1, 1},
    };
    TempFolder folder;
    for (const Row& row : rows) {
        const std::string path = folder.File("fonts.pdf");
        auto source = std::make_unique<FixedFonts>();
        FixedFonts& fonts = *source;
        {
            PdfReportPrinter pdf(path, std::move(source));
            for (const ReportFont& font : row.fonts) Text(pdf, font, 100, 100, "x");
            pdf.Finish();
            EXPECT_EQ(fonts.MetricsAsked, row.measured) << row.name;
        }
        const std::string pdf = ReadAll(path);
        EXPECT_EQ(Count(pdf, "/Type /Font "), row.resources) << row.name;
        EXPECT_EQ(Count(pdf, "/Type /FontDescriptor "), row.resources) << row.name;
        EXPECT_EQ(Count(pdf, "/Length1 8>>\nstream\nTRUETYPE\nendstream"), row.files) << row.name;
    }
}

// Devices keep what they found for the current font while its serial stays: every setter
// that changes the font changes the serial, and one that sets what is there already does not.
TEST(PdfReportPrinter, FontSerialChangesWithTheFont) {
    struct Row {
        const char* what;
        void (*set)(ReportSurface&, bool changed);
    };
    const Row rows[] = {
        {"name", [](ReportSurface& s, bool changed) { s.SetFontName(changed ? "Courier" : s.Font().Name); }},
        {"size", [](ReportSurface& s, bool changed) { s.SetFontSize(s.Font().Size + (changed ? 0.5 : 0)); }},
        {"bold", [](ReportSurface& s, bool changed) { s.SetFontBold(s.Font().Bold != changed); }},
        {"italic", [](ReportSurface& s, bool changed) { s.SetFontItalic(s.Font().Italic != changed); }},
        {"underline", [](ReportSurface& s, bool changed) { s.SetFontUnderline(s.Font().Underline != changed); }},
    };
    for (const Row& row : rows) {
        PagePicture surface;
        const ReportFont before = surface.Font();
        const uint64_t serial = surface.FontSerial();
        row.set(surface, false);
        EXPECT_EQ(surface.FontSerial(), serial) << row.what;
        EXPECT_EQ(surface.Font(), before) << row.what;
        row.set(surface, true);
        EXPECT_NE(surface.FontSerial(), serial) << row.what;
        EXPECT_NE(surface.Font(), before) << row.what;
    }
}

// A text goes into the page as a literal string: copied as it is when no byte needs escaping
// or skipping, escaped where one would end the string or change, and split around skipped
// bytes, which advance by their measured width (thousandths of the em) or not at all.
TEST(PdfReportPrinter, TextsAreWrittenAsLiteralStrings) {
    struct Row { const char* name; std::string text; std::string written; const char* face = "Courier"; };
    const Row rows[] = {
        {"one plain byte", "a", "(a)Tj\n"},
        {"printable ASCII measured as nothing", "a~b", "[(ab)]TJ\n", "No-Tilde"},
        {"plain bytes, the highest too", "Reading \xFF", "(Reading \xFF)Tj\n"},
        {"escaped first and last", "(x)", "(\\(x\\))Tj\n"},
        {"a backslash last", "x\\", "(x\\\\)Tj\n"},
        {"line ends, skipped as controls", "\r\n", "[()-300()-300()]TJ\n"},
        {"a skipped byte first", std::string("\x1F") + "X", "[()-300(X)]TJ\n"},
        {"a byte measured as nothing last", "X\xAD", "[(X)]TJ\n"},
        {"escaped and skipped", "a(b\x01", "[(a\\(b)-300()]TJ\n"},
        // Long texts: room of 64 bytes and 2 a byte (28 with skipped bytes) is made at the page's end.
        {"plain, 480 bytes", std::string(480, 'p'), "(" + std::string(480, 'p') + ")Tj\n"},
        {"plain, 481 bytes", std::string(481, 'p'), "(" + std::string(481, 'p') + ")Tj\n"},
        {"skipped, 34 bytes", "\x01" + std::string(33, 's'), "[()-300(" + std::string(33, 's') + ")]TJ\n"},
        {"skipped, 35 bytes", "\x01" + std::string(34, 's'), "[()-300(" + std::string(34, 's') + ")]TJ\n"},
        // The page's room starts at 64 KiB and grows, keeping what the page has.
        {"plain, more room than the page's first", std::string(40000, 'p'), "(" + std::string(40000, 'p') + ")Tj\n"},
        {"skipped, more room than the page's first", "\x01" + std::string(3000, 's'), "[()-300(" + std::string(3000, 's') + ")]TJ\n"},
    };
    TempFolder folder;
    for (const Row& row : rows) {
        const std::string path = folder.File("literal.pdf");
        {
            PdfReportPrinter pdf(path, std::make_unique<FixedFonts>());
            pdf.SetScaleMode(smPixels);
            Text(pdf, {row.face, 10}, 100, 100, row.text);
            pdf.Finish();
        }
        // The page's content stream, as long as its dictionary says: the text between the
        // font's selection and the end of the text object.
        const std::string pdf = ReadAll(path);
        const size_t length = pdf.find("<</Length ");
        ASSERT_NE(length, std::string::npos) << row.name;
        const size_t stream = pdf.find(">>\nstream\n", length) + 10;
        const std::string content = pdf.substr(stream, std::stoul(pdf.substr(length + 10)));
        EXPECT_EQ(pdf.compare(stream + content.size(), 11, "\nendstream\n"), 0) << row.name;
        EXPECT_EQ(content.rfind("BT\n/F1 10 Tf\n", 0), 0u) << row.name;
        const std::string end = " Td" + row.written + "ET\n";
        EXPECT_TRUE(content.size() >= end.size() && content.compare(content.size() - end.size(), end.size(), end) == 0)
            << row.name;
    }
}

// Texts are checked and copied many bytes at a time: a byte that is not plain ASCII, or is one
// of those escaped, is found at every place of texts of every length up to 40 bytes (one to
// three bytes, four to seven, eight to sixteen, and rounds of sixteen with the last ones
// overlapping), and the copy has every byte and no more.
TEST(PdfReportPrinter, PlainBytesAreFoundManyAtATime) {
    struct Row { unsigned char byte; bool plain; };
    const Row rows[] = {
        {0x00, false}, {0x1F, false}, {' ', true},  {'\'', true}, {'(', false},  {')', false}, {'*', true},
        {'[', true},   {'\\', false}, {']', true}, {'~', true},   {0x7F, true},  {0x80, false}, {0xFF, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(dovrex::pdf_literal::IsPlain(row.byte), row.plain) << int{row.byte};
        for (size_t size = 0; size <= 40; ++size) {
            for (size_t place = 0; place < std::max<size_t>(size, 1); ++place) {
                std::string text(size, 'a');
                if (size > 0) text[place] = static_cast<char>(row.byte);
                std::string room(size + 4, '#');
                const bool plain = dovrex::pdf_literal::CopyPlain(room.data() + 2, text.data(), text.size());
                const std::string at = std::to_string(row.byte) + " at " + std::to_string(place) + " of " + std::to_string(size);
                ASSERT_EQ(plain, row.plain || size == 0) << at;
                ASSERT_EQ(room, "##" + text + "##") << at;
            }
        }
    }
}

// A text's width is the sum of its bytes' advances added in order from the first, to the
// last bit (sums of inexact advances differ with their order): texts of no byte to three
// rounds of four and the bytes after them.
TEST(PdfReportPrinter, TextWidthAddsTheAdvancesInOrder) {
    const ReportFont varied{"Varied", 9};
    const PdfFontMetrics metrics = FixedFonts().Metrics(varied);
    TempFolder folder;
    PdfReportPrinter pdf(folder.File("width.pdf"), std::make_unique<FixedFonts>());
    pdf.SetFontName(varied.Name);
    pdf.SetFontSize(varied.Size);
    const std::string bytes = "Reading 0417 \xE9t\xE9 (total) ~";
    for (size_t size = 0; size <= 13; ++size) {
        const std::string text = bytes.substr(bytes.size() - size);
        double width = 0;
        for (const char c : text) width += metrics.Advance[static_cast<unsigned char>(c)];
        EXPECT_EQ(pdf.LineWidth(text), width) << size;
    }
}
