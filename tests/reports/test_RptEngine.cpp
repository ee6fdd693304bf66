#include "reports/ReportFormat.h"
#include "reports/RptEngine.h"

#include "RecordingSurface.h"
#include "support/TestDoubles.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>

using namespace dovrex;
using dovrex::test::DrawCall;
using dovrex::test::RecordingPrinter;

namespace {

// Fifteen points make a line of exactly 0.25 inch and characters of 0.125 inch.
constexpr double L = 0.25;
constexpr double CW = 0.125;

// A client whose bands are answered by a function; it records the bands raised.
struct Client : IPrintEventSink {
    std::vector<int32_t> Events;
    std::function<void(int32_t, double&)> OnBand;
    void PrintEvent(int32_t peEvent, int16_t, double& SectionHeight) override {
        Events.push_back(peEvent);
        if (OnBand) OnBand(peEvent, SectionHeight);
    }
};

struct EngineTest : ::testing::Test {
    test::RecordingMessageBox Messages;
    test::ScriptedStatus Status;
    test::RecordingPrinters Printers{{"Office Laser", "Warehouse Label"}};
    test::ScriptedPreviews Previews;
    FixedClock Clock{DateTime{2024, 1, 2, 9, 30, 0}};
    RptEngine Engine{ReportServices{&Messages, nullptr, &Status, &Previews, &Printers, &Clock, LocaleFormats{}}};
    Client Report;

    EngineTest() {
        Engine.SetEventSink(&Report);
        Engine.SetBaseFontSize(15);
        Engine.SetTitle("T");
        Engine.PageSetup(8.5, 11, 0.5, 0.5, 0.5, 0.5, 2.0);
    }

    // A report of `rows` one-line rows: a one-line page header, a page-relative footer; five
    // rows fill a page.
    void RowsReport(int rows) {
        int row = 0;
        Report.OnBand = [this, rows, row](int32_t band, double& height) mutable {
            if (band == peReportStart) row = 0;
            if (band == pePageHeader) height = Engine.PrintElements({RptEngine::MakeElement(0, 0, Value("Head %p"))});
            if (band == pePageFooter) {
                Engine.PrintElements({RptEngine::MakeElement(0.5, 10.6, Value("Foot %p"))}, true);
            }
            if (band == peDetail) {
                height = ++row > rows ? -1 : Engine.PrintElements({RptEngine::MakeElement(0, 0, Value("Row " + std::to_string(row)))});
            }
        };
    }

    // Runs a report whose first detail band does `work` and ends the detail band.
    RecordingPrinter& InDetail(const std::function<void()>& work) {
        Report.OnBand = [work](int32_t band, double& height) {
            if (band == peDetail) {
                work();
                height = -1;
            }
        };
        Engine.SetOutputDevice(static_cast<ReportSurface*>(&Surface));
        Engine.PrintReport(0, 0, -1);
        return Surface;
    }

    // Prints detail as the one detail band of a report whose threshold, once the detail
    // starts, breaks a page before each of its lines; atHeader runs at every page header.
    // Returns the texts printed, on the pages of a printer.
    std::vector<DrawCall> PrintBreakingPages(const std::vector<clsPrintElement>& detail,
                                             const std::function<void()>& atHeader) {
        Report.OnBand = [&](int32_t band, double& height) {
            if (band == peReportStart) Engine.SetOverFlowThreshold(2.0);
            if (band == pePageHeader) atHeader();
            if (band == peDetail) {
                Engine.SetOverFlowThreshold(0.4);
                Engine.PrintElements(detail);
                height = -1;
            }
        };
        RecordingPrinter printer;
        Engine.SetOutputDevice(&printer);
        Engine.PrintReport(0, 0, -1);
        return printer.Texts();
    }
    RecordingPrinter Surface;
};

} // namespace

// The bands in order, page breaks at the threshold, and a negative detail height ending the
// detail band with the report footer, the last page footer and the end band still following.
TEST_F(EngineTest, BandsPageBreaksAndTheEndOfTheDetailBand) {
    RowsReport(12);
    RecordingPrinter printer;
    Engine.SetOutputDevice(&printer);
    Engine.PrintReport(0, 0, -1);
    EXPECT_EQ(Report.Events, (std::vector<int32_t>{0, 2, 1, 4, 4, 4, 4, 4, 6, 2, 4, 4, 4, 4, 4, 6, 2, 4, 4, 4, 7, 6, 8}));
    EXPECT_EQ(printer.NewPages, 2);
    EXPECT_EQ(printer.EndDocs, 1);
    EXPECT_EQ(printer.Joined(2), "Head 2|Row 6|Row 7|Row 8|Row 9|Row 10|Foot 2");
    const auto page3 = printer.Texts(3);
    EXPECT_DOUBLE_EQ(page3[0].Y, 0.5);      // the header at the top margin
    EXPECT_DOUBLE_EQ(page3[1].Y, 0.5 + L);  // rows below it
    EXPECT_DOUBLE_EQ(page3[1].X, 0.5);      // x from the left margin
    EXPECT_DOUBLE_EQ(page3.back().Y, 10.6); // the footer where it says
    EXPECT_EQ(Status.Texts, (std::vector<std::string>{"T\r\nRetrieving data", "T\r\nFormatting page 2\r\nRows processed: 5",
                                                      "T\r\nFormatting page 3\r\nRows processed: 10", "", ""}));

    Report.Events.clear();
    RowsReport(0);
    Engine.PrintReport(0, 0, -1);
    EXPECT_EQ(Report.Events, (std::vector<int32_t>{0, 2, 1, 4, 7, 6, 8}));
}

// Pages outside the selection are laid out alike (page numbers, breaks) but not drawn.
TEST_F(EngineTest, PageSelectionDrawsOnlyTheSelectedPages) {
    struct Row { int16_t from, thru; std::string drawn; int newPages; };
    const Row rows[] = {
        {0, 0, "1,2,3", 2}, {3, 3, "3", 0}, {2, 0, "2,3", 1}, {1, 1, "1", 0}, {4, 4, "", 0},
    };
    RowsReport(12);
    RecordingPrinter all;
    Engine.SetOutputDevice(&all);
    Engine.PrintReport(0, 0, -1);
    for (const Row& row : rows) {
        RowsReport(12);
        Report.Events.clear();
        RecordingPrinter printer;
        Engine.SetOutputDevice(&printer);
        Engine.PrintReport(row.from, row.thru, -1);
        EXPECT_EQ(Report.Events.size(), 23u);
        EXPECT_EQ(printer.NewPages, row.newPages) << row.from << "-" << row.thru;
        std::string expected;
        for (const DrawCall& call : all.Texts()) {
            if (call.Page >= row.from && (row.thru == 0 || call.Page <= row.thru)) expected += call.Text + "@" + std::to_string(call.Y) + "|";
        }
        std::string drawn;
        for (const DrawCall& call : printer.Texts()) drawn += call.Text + "@" + std::to_string(call.Y) + "|";
        EXPECT_EQ(drawn, expected) << row.from << "-" << row.thru;
    }
}

// Where and how text elements print, and the band height they use.
TEST_F(EngineTest, TextElements) {
    struct Text { std::string text; double x, y; bool bold = false; bool italic = false; };
    struct Row {
        const char* name;
        std::vector<clsPrintElement> elements;
        std::vector<Text> texts;
        double height;
    };
    auto element = [](double x, double y, Value v, int32_t align = alLeft, int32_t style = 0) {
        return RptEngine::MakeElement(x, y, std::move(v), align, style);
    };
    clsPrintElement hidden = element(0, 0, Value("hidden"), alLeft, fsHidden);
    clsPrintElement sized = element(0, 0, Value("ab"), alLeft, fsBold | fsItalic);
    sized.FontSize = 30;
    clsPrintElement wrapped = element(0, 0, Value("aaa bbb ccc"));
    wrapped.PrintWidth = 8 * CW + 0.01;
    clsPrintElement formatted = element(0, 0, Value(1234.5));
    formatted.FormatString = "#,##0.00";
    const Row rows[] = {
        {"X and Y of -1 continue the previous text on its line",
         {element(0, 0.5, Value("Name:")), element(-1, -1, Value("Smith"))},
         {{"Name:", 0.5, 1.0}, {"Smith", 0.5 + 5 * CW, 1.0}}, 0.5 + L},
        {"inline tags: the word bold, the number regular, one line",
         {element(1, 0, Value("<b>Total</b> 12"))},
         {{"Total", 1.5, 0.5, true}, {" 12", 1.5 + 5 * CW, 0.5}}, L},
        {"a tag inside a line of a multi-line text",
         {element(0, 0, Value("a<i>b\r\nc"))},
         {{"a", 0.5, 0.5}, {"b", 0.5 + CW, 0.5, false, true}, {"c", 0.5, 0.5 + L, false, true}}, 2 * L},
        {"null, empty and hidden values print nothing and take no height",
         {element(0, 0.5, Value::Null()), element(0, 0.7, Value()), hidden}, {}, 0},
        {"alignment right and centred at x",
         {element(2, 0, Value("abcd"), alRight), element(2, 0.5, Value("abcd"), alCenter)},
         {{"abcd", 2.5 - 4 * CW, 0.5}, {"abcd", 2.5 - 2 * CW, 1.0}}, 0.5 + L},
        {"lines of a multi-line text each aligned, each a line lower",
         {element(3, 0, Value("ab\r\nc"), alRight)},
         {{"ab", 3.5 - 2 * CW, 0.5}, {"c", 3.5 - CW, 0.5 + L}}, 2 * L},
        {"an empty text takes one line", {element(0, 0, Value(""))}, {}, L},
        {"style 6 is italic, not bold; a size of its own",
         {sized}, {{"ab", 0.5, 0.5, false, true}}, 2 * L},
        {"wrapped at its width", {wrapped}, {{"aaa bbb ", 0.5, 0.5}, {"ccc", 0.5, 0.5 + L}}, 2 * L},
        {"page number, company, title, subtitle and today's date",
         {element(0, 0, Value("%p %c %t %s %d"))}, {{"1 C T S 1/2/2024", 0.5, 0.5}}, L},
        {"a format string", {formatted}, {{"1,234.50", 0.5, 0.5}}, L},
        {"numbers print as text", {element(0, 0, Value(int64_t{-42}))}, {{"-42", 0.5, 0.5}}, L},
    };
    Engine.SetCompany("C");
    Engine.SetSubTitle("S");
    for (const Row& row : rows) {
        Surface.Calls.clear();
        double height = -1;
        InDetail([&] { height = Engine.PrintElements(row.elements); });
        const auto texts = Surface.Texts();
        ASSERT_EQ(texts.size(), row.texts.size()) << row.name;
        for (size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(texts[i].Text, row.texts[i].text) << row.name;
            EXPECT_NEAR(texts[i].X, row.texts[i].x, 1e-9) << row.name << " " << texts[i].Text;
            EXPECT_NEAR(texts[i].Y, row.texts[i].y, 1e-9) << row.name << " " << texts[i].Text;
            EXPECT_EQ(texts[i].Font.Bold, row.texts[i].bold) << row.name << " " << texts[i].Text;
            EXPECT_EQ(texts[i].Font.Italic, row.texts[i].italic) << row.name << " " << texts[i].Text;
        }
        EXPECT_NEAR(height, row.height, 1e-9) << row.name;
    }
}

// Lines, boxes, solids, rules over text, barcodes and page-relative elements.
TEST_F(EngineTest, ShapesRulesBarcodesAndPagePositions) {
    clsPrintElement ruled = RptEngine::MakeElement(0, 0, Value("ab"), alLeft, fsDoubleRule);
    clsPrintElement barcode = RptEngine::MakeElement(1, 2, Value("123456"), alLeft, fsBarcode);
    barcode.PrintHeight = 0.5;
    double height = 0;
    InDetail([&] {
        height = Engine.PrintElements({RptEngine::MakeLine(0, 0.1, 1, 0), RptEngine::MakeBox(1, 0, 1, 0.5), barcode,
                                       RptEngine::MakeSolid(2, 0, 1, 0.75), ruled});
    });
    std::vector<std::string> calls;
    for (const DrawCall& c : Surface.Calls) {
        if (c.What == DrawCall::kFill && c.DrawMode == dmCopyPen) continue; // barcode bars, below
        char text[160];
        std::snprintf(text, sizeof text, "%s %.2f,%.2f %.2f,%.2f m%d%s", c.What == DrawCall::kLine ? "line" : c.What == DrawCall::kFill ? "fill" : "text",
                      c.X, c.Y, c.X2, c.Y2, c.DrawMode, c.Text.c_str());
        calls.push_back(text);
    }
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "line 0.50,0.60 1.50,0.60 m13",
                         "line 1.50,0.50 1.50,1.00 m13", "line 1.50,1.00 2.50,1.00 m13",
                         "line 2.50,1.00 2.50,0.50 m13", "line 2.50,0.50 1.50,0.50 m13",
                         "fill 2.50,0.50 3.51,1.26 m2",
                         "line 0.50,0.50 0.75,0.50 m10", "line 0.50,0.45 0.75,0.45 m10",
                         "text 0.50,0.50 0.00,0.00 m0ab"}));
    EXPECT_EQ(Surface.DrawMode(), dmNotXorPen);
    // The solid reaches furthest; the barcode, at its own page position, takes no height.
    EXPECT_DOUBLE_EQ(height, 0.75);
    std::vector<double> bars;
    for (const DrawCall& c : Surface.Calls) {
        if (c.What == DrawCall::kFill && c.DrawMode == dmCopyPen) bars.push_back(c.X);
    }
    ASSERT_FALSE(bars.empty());
    EXPECT_DOUBLE_EQ(bars[0], 1.0);            // at X = 1 inch, without the margin
    EXPECT_DOUBLE_EQ(bars[1] - bars[0], 0.42); // Start C's first bar is 2 modules of 14 pixels + 1 space
    EXPECT_EQ(Surface.ScaleMode(), smInches);

    // Pictures at their own position, at their own size or stretched; another surface copied
    // pixel for pixel to the origin or painted stretched. None takes height.
    struct Picture : IReportPicture {
        double WidthInches() const override { return 2; }
        double HeightInches() const override { return 1; }
    };
    const auto picture = std::make_shared<Picture>();
    RecordingPrinter other;
    clsPrintElement stretched = RptEngine::MakeElement(1, 1, picture);
    stretched.PrintWidth = 3;
    stretched.PrintHeight = 0.5;
    clsPrintElement painted = RptEngine::MakeElement(2, 3, static_cast<ReportSurface*>(&other));
    painted.PrintWidth = painted.PrintHeight = 1;
    Surface.Calls.clear();
    InDetail([&] {
        height = Engine.PrintElements({RptEngine::MakeElement(1, 1, picture), stretched,
                                       RptEngine::MakeElement(0, 0, static_cast<ReportSurface*>(&other)), painted});
    });
    std::vector<std::string> placed;
    for (const DrawCall& c : Surface.Calls) {
        placed.push_back(std::to_string(c.What) + " " + std::to_string(c.X) + "," + std::to_string(c.Y) + " " +
                         std::to_string(c.X2) + "," + std::to_string(c.Y2));
    }
    EXPECT_EQ(placed, (std::vector<std::string>{"3 1.000000,1.000000 3.000000,2.000000", "3 1.000000,1.000000 4.000000,1.500000",
                                                "5 0.000000,0.000000 8.500000,11.000000", "4 2.000000,3.000000 3.000000,4.000000"}));
    EXPECT_DOUBLE_EQ(height, 0);

    // Page-relative elements take X and Y as they are.
    Surface.Calls.clear();
    InDetail([&] { Engine.PrintElements({RptEngine::MakeElement(3, 9, Value("foot"))}, true); });
    ASSERT_EQ(Surface.Texts().size(), 1u);
    EXPECT_DOUBLE_EQ(Surface.Texts()[0].X, 3);
    EXPECT_DOUBLE_EQ(Surface.Texts()[0].Y, 9);
}

// Lines break after the last space or comma that fits (which stays on the line); a word
// wider than the width is cut where it no longer fits; line breaks and blank lines stay.
TEST_F(EngineTest, WrapToWidth) {
    struct Row { std::string text; double chars; std::string wrapped; };
    const Row rows[] = {
        {"the quick brown fox", 11, "the quick \r\nbrown fox"},
        {"  padded  ", 11, "padded"},
        {"abcdefghijklmnop", 11, "abcdefghijk\r\nlmnop"},
        {"aaaa,bbbbbbbbbb", 11, "aaaa,\r\nbbbbbbbbbb"},
        {"exactly ten", 11, "exactly ten"},
        {"exactly ten!", 11, "exactly \r\nten!"},
        {"ab\r\ncd", 11, "ab\r\ncd"},
        {"ab\r\n\r\ncd", 11, "ab\r\n\r\ncd"},
        {"ab\r\n", 11, "ab\r\n"},
        {"abc", 0.5, "a\r\nb\r\nc"},
        {std::string(45, 'x'), 20, std::string(20, 'x') + "\r\n" + std::string(20, 'x') + "\r\n" + std::string(5, 'x')},
        {"", 5, ""},
    };
    for (const Row& row : rows) {
        std::string wrapped;
        InDetail([&] {
            Engine.ApplyBaseFont();
            wrapped = Engine.WraptoWidth(row.text, row.chars * CW + 0.001);
        });
        EXPECT_EQ(wrapped, row.wrapped) << row.text;
    }
}

// A page field, a line break or a tag is found wherever it is in a text of any length: at
// its first and at its last bytes, for lengths at and one past each block the search takes
// at once (4, 8, 16 and whole blocks of 16 bytes).
TEST_F(EngineTest, FieldsBreaksAndTagsFoundAtEitherEnd) {
    struct Mark { std::string mark, printed; };
    const Mark marks[] = {{"%p", "1"}, {"\r\n", ""}, {"<b>", ""}};
    const size_t lengths[] = {3, 4, 5, 7, 8, 9, 15, 16, 17, 32, 33};
    for (const Mark& mark : marks) {
        for (const size_t length : lengths) {
            const std::string filler(length - mark.mark.size(), 'x');
            for (const bool atEnd : {false, true}) {
                const std::string text = atEnd ? filler + mark.mark : mark.mark + filler;
                Surface.Calls.clear();
                InDetail([&] { Engine.PrintElements({RptEngine::MakeElement(0, 0, Value(text))}); });
                std::string printed;
                for (const DrawCall& call : Surface.Texts()) printed += call.Text;
                EXPECT_EQ(printed, atEnd ? filler + mark.printed : mark.printed + filler)
                    << length << (atEnd ? " ending with " : " starting with ") << mark.mark;
            }
        }
    }
}

// A text's lines end at each CR LF: a CR alone, or before another CR, or after a LF, is a
// byte of its line; a text ending with CR LF has no line after it; blank lines are drawn
// empty, each a line lower.
TEST_F(EngineTest, LinesEndAtEachCrLf) {
    struct Row { std::string text, lines; };
    const Row rows[] = {
        {"ab", "ab"},           {"\r", "\r"},               {"ab\r", "ab\r"},         {"\r\r\n", "\r"},
        {"\r\n", ""},           {"\r\nx", "|x"},            {"x\r\n", "x"},           {"x\r\n\r\ny", "x||y"},
        {"a\rb\r\nc", "a\rb|c"}, {"x\n\r", "x\n\r"},          {"x\r\r\r\ny", "x\r\r|y"}, {"<b>a\r\nb", "a|b"},
    };
    for (const Row& row : rows) {
        Surface.Calls.clear();
        InDetail([&] { Engine.PrintElements({RptEngine::MakeElement(0, 0, Value(row.text))}); });
        std::string lines;
        double lastY = -1;
        for (const DrawCall& call : Surface.Texts()) {
            if (lastY >= 0) {
                lines += '|';
                EXPECT_GT(call.Y, lastY) << row.text;
            }
            lines += call.Text;
            lastY = call.Y;
        }
        EXPECT_EQ(lines, row.lines) << row.text;
    }
}

// Page fields are replaced in turn (page, company, title, subtitle, date), each in what the
// ones before put in; a '%' that starts no field, and a field put in by a later one, stay.
TEST_F(EngineTest, PageFieldsReplacedInTurn) {
    struct Row { std::string company, title, subtitle, text, printed; };
    const Row rows[] = {
        {"C", "T", "S", "%p %c %t %s %d", "1 C T S 1/2/2024"},
        {"%t", "T", "S", "%c", "T"},
        {"C", "%p", "S", "%t", "%p"},
        {"C", "T", "%d", "%s", "1/2/2024"},
        {"%s", "T", "%c", "%c|%s", "%c|%c"},
        {"C", "T", "S", "100% %x %%p %", "100% %x %1 %"},
        {"C", "T", "S", "%P %C", "%P %C"},
    };
    for (const Row& row : rows) {
        Engine.SetCompany(row.company);
        Engine.SetTitle(row.title);
        Engine.SetSubTitle(row.subtitle);
        Surface.Calls.clear();
        InDetail([&] { Engine.PrintElements({RptEngine::MakeElement(0, 0, Value(row.text))}); });
        ASSERT_EQ(Surface.Texts().size(), 1u) << row.text;
        EXPECT_EQ(Surface.Texts()[0].Text, row.printed) << row.text;
    }
}

// An element's text given as a plain string prints as the Value of that text does: the same
// drawing calls and the same band height, with formats, tags, page fields and wrapping.
TEST_F(EngineTest, PlainTextPrintsAsItsValue) {
    struct Row { std::string text; std::string format; double wrap; int32_t align; };
    const Row rows[] = {
        {"", "", 0, alLeft},           {"a", "", 0, alRight},         {"ab\r\ncd", "", 0, alCenter},
        {"<b>x</b> y", "", 0, alLeft}, {"Page %p of %t", "", 0, alLeft}, {"abc def ghi", "", 5 * CW + 0.01, alLeft},
        {"mixed Case", ">", 0, alLeft}, {"1234.5", "#,##0.00", 0, alRight},
    };
    for (const Row& row : rows) {
        auto drawn = [&](ElementValue value) {
            clsPrintElement element = RptEngine::MakeElement(1, 0, std::move(value), row.align, 0, {}, std::nullopt,
                                                             row.wrap, row.format);
            Surface.Calls.clear();
            double height = -1;
            InDetail([&] { height = Engine.PrintElements({element, RptEngine::MakeElement(-1, -1, Value("|"))}); });
            auto exactly = [](double number) {
                char text[40];
                std::snprintf(text, sizeof text, "%a", number);
                return std::string(text);
            };
            std::string calls;
            for (const DrawCall& call : Surface.Calls) {
                calls += call.Text + "@" + exactly(call.X) + "," + exactly(call.Y) + (call.Font.Bold ? "b" : "") + ";";
            }
            return calls + "=" + exactly(height);
        };
        EXPECT_EQ(drawn(row.text), drawn(Value(row.text))) << row.text;
    }
}

// A text with a wrap width prints as its wrapped text printed without one: the same drawing
// calls and band height for texts that fit as they are (on one line or on several, exactly
// at the width) and for those one pixel too wide, padded, blank, starting with a line break,
// with blank lines, a lone CR, tags and page fields.
TEST_F(EngineTest, WrappedTextPrintsAsItsWrapping) {
    struct Row { std::string text; double chars; int32_t align; };
    const Row rows[] = {
        {"abcdefgh", 8, alLeft},          {"abcdefgh", 7.92, alLeft},     {"  padded  ", 6, alRight},
        {"  padded  ", 5.92, alCenter},   {"ab cd\r\nefgh", 5, alRight}, {"ab cd\r\nefgh", 4.92, alLeft},
        {"efgh\r\nab cd", 4.92, alLeft}, {"\r\nab", 5, alLeft},         {"ab\r\n\r\ncd", 2, alCenter},
        {"ab\r\n", 2, alLeft},            {"ab \r\n cd", 3, alLeft},     {"a\rb", 3, alLeft},
        {"a\rb", 2.92, alLeft},           {"   ", 3, alLeft},             {"<b>bold</b> x", 13, alLeft},
        {"<b>bold</b> x", 12.92, alLeft},  {"Page %p", 5.92, alLeft},        {"abcdefghijkl", 5.92, alRight},
    };
    auto exactly = [](double number) {
        char text[40];
        std::snprintf(text, sizeof text, "%a", number);
        return std::string(text);
    };
    for (const Row& row : rows) {
        const double width = row.chars * CW;
        auto drawn = [&](bool wrapping) {
            Surface.Calls.clear();
            double height = -1;
            InDetail([&] {
                Engine.ApplyBaseFont();
                const std::string text = wrapping ? row.text : Engine.WraptoWidth(row.text, width);
                const clsPrintElement element = RptEngine::MakeElement(1, 0, text, row.align, 0, {}, std::nullopt,
                                                                       wrapping ? width : 0);
                height = Engine.PrintElements({element, RptEngine::MakeElement(-1, -1, Value("|"))});
            });
            std::string calls;
            for (const DrawCall& call : Surface.Calls) {
                calls += call.Text + "@" + exactly(call.X) + "," + exactly(call.Y) + (call.Font.Bold ? "b" : "") + ";";
            }
            return calls + "=" + exactly(height);
        };
        EXPECT_EQ(drawn(true), drawn(false)) << row.text << " in " << row.chars;
    }
}

// A text that breaks pages prints as it was when it started, whatever the page events change:
// below the threshold every line starts a page, and each page header after the first changes
// the element.
TEST_F(EngineTest, TextBreakingPagesKeepsItsText) {
    struct Row { std::string text; int pages; };
    const Row rows[] = {{"a\r\nb\r\nc", 3}, {std::string(20, 'a') + "\r\n" + std::string(20, 'b'), 2}};
    for (const auto& [text, pages] : rows) {
        std::vector<clsPrintElement> detail = {RptEngine::MakeElement(0, 0, Value(text))};
        int headers = 0;
        const std::vector<DrawCall> texts = PrintBreakingPages(detail, [&] {
            if (++headers > 1) detail[0].Value = Value(std::string(text.size(), 'x'));
        });
        std::string printed;
        for (const DrawCall& call : texts) printed += call.Text + "\r\n";
        EXPECT_EQ(printed, text + "\r\n");
        EXPECT_EQ(texts.back().Page - texts.front().Page + 1, pages) << text;
    }
}

// A text that fits its wrap width and breaks pages whose headers change the font is placed
// as the same text without a wrap width: each line measured in the font it is drawn in.
TEST_F(EngineTest, FittingTextBreakingPagesMeasuresInTheFontDrawn) {
    struct Row { std::string text; int16_t headerSize; };
    const Row rows[] = {{"aa\r\nbbbb\r\ncc", 30}, {"aa\r\nbbbb\r\ncc", 15}, {"aaaa", 30}};
    for (const Row& row : rows) {
        auto drawn = [&](double wrap) {
            std::vector<clsPrintElement> detail = {
                RptEngine::MakeElement(6, 0, Value(row.text), alRight, 0, {}, std::nullopt, wrap),
                RptEngine::MakeElement(-1, -1, Value("|"))};
            std::string calls;
            for (const DrawCall& call : PrintBreakingPages(detail, [&] {
                     Engine.PrintElements({RptEngine::MakeElement(0, 0, Value("H"), alLeft, 0, {}, row.headerSize)}, true);
                 })) {
                char text[80];
                std::snprintf(text, sizeof text, "@%a,%a,%a/%d;", call.X, call.Y, call.Font.Size, call.Page);
                calls += call.Text + text;
            }
            return calls;
        };
        EXPECT_EQ(drawn(5), drawn(0)) << row.text << " " << row.headerSize;
    }
}

// Wrapping measures each prefix of a line as a whole (its widest line), on a surface whose
// characters differ in width, including line breaks, blank lines and lines at exactly the
// width and one pixel past it.
namespace {

class ProportionalPrinter : public RecordingPrinter {
protected:
    // Pixels: "i" 4, "W" 13, CR 5, anything else 8.
    double DeviceTextWidth(const ReportFont&, std::string_view line) override {
        double pixels = 0;
        for (const char c : line) pixels += c == 'i' ? 4 : c == 'W' ? 13 : c == '\r' ? 5 : 8;
        return pixels;
    }
};

// The wrapping measured prefix by prefix, every prefix whole.
std::string WrapMeasuringWholePrefixes(ReportSurface& out, const std::string& value, double width) {
    auto isBreak = [](char c) { return c == ' ' || c == ',' || static_cast<unsigned char>(c) < 32; };
    std::string remaining = Trim(value), result;
    while (!remaining.empty()) {
        if (StartsWith(remaining, "\r\n")) remaining.erase(0, 2);
        size_t n = remaining.size();
        while (n > 10 && out.TextWidth(remaining.substr(0, n)) > 2 * width) n = static_cast<size_t>(RoundHalfEven(n / 2.0));
        while (n > 0 && out.TextWidth(remaining.substr(0, n)) > width) --n;
        if (n == 0 && !remaining.empty() && !StartsWith(remaining, "\r\n")) n = 1;
        if (n < remaining.size() && remaining.substr(0, n).find_first_of(" ,") != std::string::npos) {
            while (n > 0 && !isBreak(remaining[n - 1])) --n;
        }
        const size_t lineBreak = remaining.find("\r\n");
        if (lineBreak != std::string::npos && lineBreak < n) n = lineBreak;
        if (!result.empty()) result += "\r\n";
        if (n == 0) {
            if (remaining.empty()) break;
            continue;
        }
        result += remaining.substr(0, n);
        remaining = Trim(std::string_view(remaining).substr(n));
    }
    return result;
}

} // namespace

TEST(EngineWrap, MeasuresEachPrefixAsAWhole) {
    struct Row { std::string text; double pixels; };
    const std::string longLine = std::string(30, 'W') + " iiii, aa bb";
    const Row rows[] = {
        {"iiii WWW\r\nab cd ef", 4 * 4 + 8 + 3 * 13},     // first line exactly at the width
        {"iiii WWW\r\nab cd ef", 4 * 4 + 8 + 3 * 13 - 1}, // one pixel past it
        {"ab\r\nWWWWWWWWWWWW iii\r\nx", 40},               // a later line too wide
        {"ab\r\nWWWWWWWWWWWW iii\r\nx", 12 * 13 + 8 + 12}, // all of it fits
        {"aaaa\r\n\r\nbbbb\r\n", 32},
        {"aaaa\r\n\r\nbbbb\r\n", 31},
        {longLine, 50},                                   // halved first: far wider than twice the width
        {longLine, 30 * 13 / 2},
        {std::string(11, 'a'), 44},                        // eleven characters, twice the width plus 0 and 1 pixel
        {std::string(11, 'a'), 43},
        {std::string(10, 'a'), 39},                        // ten are never halved
        {"x\r", 8}, {"x\r", 13}, {"a\rb c\r\nd", 21}, {"a\rb c\r\nd", 20},
        {"  ,,,  ,", 8}, {"WWWWWWWW", 12}, {"", 10},
    };
    ProportionalPrinter surface;
    RptEngine engine{ReportServices{}};
    Client client;
    engine.SetEventSink(&client);
    client.OnBand = [&](int32_t band, double& height) {
        if (band != peDetail) return;
        engine.ApplyBaseFont();
        for (const Row& row : rows) {
            const double width = row.pixels / RecordingPrinter::Dpi;
            EXPECT_EQ(engine.WraptoWidth(row.text, width), WrapMeasuringWholePrefixes(surface, row.text, width))
                << row.text << " at " << row.pixels;
        }
        height = -1;
    };
    engine.SetOutputDevice(static_cast<ReportSurface*>(&surface));
    engine.PrintReport(0, 0, -1);
    EXPECT_EQ(client.Events.size(), 7u);
}

TEST_F(EngineTest, GroupLevels) {
    EXPECT_EQ(Engine.CreateGroup(12, false, {"a"}), 0);
    EXPECT_EQ(Engine.CreateGroup(-1, false, {"a"}), 0);
    EXPECT_EQ(Messages.Lines(), (std::vector<std::string>{"[] Attempted to create group level: 12.  Only levels 1-9 allowed.",
                                                          "[] Attempted to create group level: -1.  Only levels 1-9 allowed."}));
    EXPECT_EQ(Engine.CreateGroup(1, true, {"Route", "book"}), 1);
    EXPECT_EQ(Engine.CreateGroup(2, false, {}), 2);
    EXPECT_EQ(Engine.CreateGroup(3, false, {}), 3);
    EXPECT_EQ(Engine.CreateGroup(0, false, {"x"}), 4);
    EXPECT_EQ(Engine.CreateGroup(9, false, {}), 9);
    EXPECT_EQ(Engine.Groups()[1].Key, "ROUTE|BOOK");
    EXPECT_TRUE(Engine.Groups()[1].NewPage);
    EXPECT_EQ(Engine.Groups()[4].Key, "X");
    for (int16_t level : {5, 6, 7, 8}) EXPECT_EQ(Engine.CreateGroup(0, false, {}), level);
    EXPECT_EQ(Engine.CreateGroup(0, false, {}), 0); // all nine taken
    EXPECT_EQ(Messages.Lines().back(), "[] Attempted to create group level: 10.  Only levels 1-9 allowed.");
}

// A cancel in the status window stops all drawing; the run still ends and says so.
TEST_F(EngineTest, CancelStopsDrawing) {
    RowsReport(12);
    Status.CancelAtCall = 1; // at "Formatting page 2"
    RecordingPrinter printer;
    Engine.SetOutputDevice(&printer);
    Engine.PrintReport(0, 0, -1);
    EXPECT_EQ(printer.Joined(0), "Head 1|Row 1|Row 2|Row 3|Row 4|Row 5|Foot 1");
    // The run goes on to its end; bands drawn as nothing take no height.
    EXPECT_EQ(printer.NewPages, 1);
    EXPECT_EQ(Status.Texts.back(), "");
}

// The output device: printers by name (and back), the paper bin, a missing printer, errors.
TEST_F(EngineTest, PrintReportChoosesTheOutput) {
    RowsReport(1);
    Engine.SetOutputDevice(std::string("label"));
    Printers.Current = 0;
    Engine.PrintReport(0, 0, 3);
    EXPECT_TRUE(Printers.Printers[1]->HasText("Row 1"));
    EXPECT_EQ(Printers.Printers[1]->Bin, 3);
    EXPECT_EQ(Printers.Printers[1]->ScaleMode(), smInches);
    EXPECT_EQ(Printers.Current, 0);
    EXPECT_TRUE(Engine.SetPrinter("OFFICE"));
    EXPECT_FALSE(Engine.SetPrinter("Plotter"));
    EXPECT_FALSE(Engine.SetPrinter(""));

    RowsReport(1);
    Printers.Printers[0]->RejectBin = true;
    Engine.SetOutputDevice(RptEngine::SystemPrinter{});
    Engine.PrintReport(0, 0, 2);
    EXPECT_TRUE(Printers.Printers[0]->HasText("Row 1"));
    EXPECT_EQ(Printers.Printers[0]->Bin, -1);

    RowsReport(1);
    Printers.Printers.clear();
    Engine.PrintReport(0, 0, -1);
    RowsReport(1);
    RecordingPrinter fallback;
    Engine.SetNoPrinterFallback([&fallback]() -> ReportPrinter* { return &fallback; });
    Engine.PrintReport(0, 0, -1);
    EXPECT_TRUE(fallback.HasText("Row 1"));

    Report.OnBand = [](int32_t band, double&) {
        if (band == peDetail) RaiseError(ErrInputPastEnd, "Input past end of file");
    };
    Engine.PrintReport(0, 0, -1);
    EXPECT_EQ(Messages.Lines(), (std::vector<std::string>{"[] No printer is installed", "[] Input past end of file"}));
    EXPECT_EQ(Status.Texts.back(), "");
}

// The preview renders the selected page each time and follows the window's commands.
TEST_F(EngineTest, PreviewNavigation) {
    RowsReport(12);
    RecordingPrinter printer;
    Engine.SetOutputDevice(&printer);
    Previews.Commands = {"NEXT", "NEXT", "NEXT", "PREV", "FIRST", "PREV", "LAST", "PRINT"};
    Engine.PreviewReport();
    EXPECT_EQ(Previews.Titles, (std::vector<std::string>{"T Page 1 of 3", "T Page 2 of 3", "T Page 3 of 3", "T Page 3 of 3",
                                                         "T Page 2 of 3", "T Page 1 of 3", "T Page 1 of 3", "T Page 3 of 3"}));
    EXPECT_EQ(Previews.PagesShown[1], "Head 2|Row 6|Row 7|Row 8|Row 9|Row 10|Foot 2");
    EXPECT_DOUBLE_EQ(Previews.Width, 8.5);
    // PRINT prints every page on the configured device and ends the preview.
    EXPECT_EQ(printer.NewPages, 2);
    EXPECT_TRUE(printer.HasText("Row 12", 3));

    RowsReport(12);
    Previews.Commands = {};
    Previews.Titles.clear();
    Engine.PreviewReport();
    EXPECT_EQ(Previews.Titles, (std::vector<std::string>{"T Page 1 of 3"}));
    EXPECT_EQ(Previews.Created, 2);

    RowsReport(12);
    Previews.Titles.clear();
    Status.CancelAtCall = static_cast<int>(Status.Texts.size()) + 1;
    Engine.PreviewReport();
    EXPECT_TRUE(Previews.Titles.empty());
}

// Format strings of elements.
// A device with a fixed resolution converts exactly as one that is asked each time: every
// scale mode, positions and sizes of either sign, a third, and one so large that the order of
// the arithmetic (units times resolution, then divided) decides whether it overflows.
namespace {

class FixedResolutionPrinter : public RecordingPrinter {
public:
    FixedResolutionPrinter() { FixResolution(Dpi, Dpi); }
};

} // namespace

TEST(ReportSurface, FixedResolutionConvertsAsAskingTheDevice) {
    struct Row { int16_t mode; double unitsPerInch; double value; };
    const Row rows[] = {
        {smTwips, 1440, 7},        {smPoints, 72, -2.5},       {smPixels, RecordingPrinter::Dpi, 1.0 / 3},
        {smInches, 1, 0.1},        {smMillimeters, 25.4, 0},   {smCentimeters, 2.54, 123.456},
        {smTwips, 1440, 1e308},    {smPixels, RecordingPrinter::Dpi, -1e308},
    };
    for (const Row& row : rows) {
        RecordingPrinter asking;
        FixedResolutionPrinter fixed;
        std::vector<std::vector<double>> seen;
        for (RecordingPrinter* surface : {static_cast<RecordingPrinter*>(&asking), static_cast<RecordingPrinter*>(&fixed)}) {
            ReportSurface& out = *surface;
            // A line's height before and after the scale mode and the font change.
            const double before = out.LineHeight();
            out.SetScaleMode(row.mode);
            const double inMode = out.LineHeight();
            out.SetFontSize(15);
            out.Line(row.value, -row.value, 2 * row.value, row.value / 3);
            const DrawCall& line = surface->Calls.back();
            seen.push_back({line.X, line.Y, line.X2, line.Y2, out.CurrentX(), out.CurrentY(), out.ScaleWidth(),
                            out.ScaleHeight(), out.UnitsWide(row.value), out.LineHeight(), out.TextWidth("ab\r\nc"),
                            out.TextHeight("ab\r\nc"), before, inMode});
        }
        // Pixels are recorded in hundredths: units * dpi / units per inch, then / 100.
        const double pixels = row.value * RecordingPrinter::Dpi / row.unitsPerInch;
        EXPECT_EQ(seen[0][0], pixels / RecordingPrinter::Dpi) << row.mode << " " << row.value;
        const double units = 2 * row.value * RecordingPrinter::Dpi / row.unitsPerInch * row.unitsPerInch /
                             RecordingPrinter::Dpi;
        EXPECT_EQ(seen[0][4], units) << row.mode << " " << row.value;
        for (size_t i = 0; i < seen[0].size(); ++i) {
            // Bit for bit, infinities and zeros of either sign alike.
            EXPECT_EQ(std::signbit(seen[0][i]), std::signbit(seen[1][i])) << row.mode << " " << row.value << " #" << i;
            if (!std::isnan(seen[0][i])) {
                EXPECT_EQ(seen[0][i], seen[1][i]) << row.mode << " " << row.value << " #" << i;
            }
            EXPECT_EQ(std::isnan(seen[0][i]), std::isnan(seen[1][i])) << row.mode << " " << row.value << " #" << i;
        }
    }
}

TEST(ReportFormat, FormatValue) {
    struct Row { Value value; std::string pattern, text; };
    const Row rows[] = {
        {Value(1234.5), "#,##0.00", "1,234.50"},
        {Value(int64_t{7}), "000", "007"},
        {Value(0.456), "0.0%", "45.6%"},
        {Value(-5.0), "0.00", "-5.00"},
        {Value(-5.0), "0.00;(0.00)", "(5.00)"},
        {Value(0.0), "0.00;(0.00);\"nil\"", "nil"},
        {Value(0.5), "#.##", ".5"},
        {Value(5.0), "#.##", "5."},
        {Value(12.0), "\"$\"#,##0", "$12"},
        {Value("42"), "0.0", "42.0"},
        {Value("abc"), ">", "ABC"},
        {Value("AbC"), "<", "abc"},
        {Value("abc"), "0.00", "abc"},
        {Value(3.14159), "Fixed", "3.14"},
        {Value(1234567.0), "Standard", "1,234,567.00"},
        {Value(int64_t{0}), "Yes/No", "No"},
        {Value(DateTime{2024, 3, 9, 14, 5, 0}), "yyyy-MM-dd HH:mm", "2024-03-09 14:05"},
        {Value(DateTime{2024, 3, 9, 14, 5, 0}), "Short Date", "3/9/2024"},
        {Value(DateTime{2024, 3, 9, 14, 5, 0}), "", "3/9/2024 2:05 PM"},
        {Value::Null(), "0.00", ""},
    };
    for (const Row& row : rows) EXPECT_EQ(FormatValue(row.value, row.pattern, LocaleFormats{}), row.text) << row.pattern;
}
