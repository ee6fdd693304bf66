#include "reports/clsReport.h"

#include "handheld_db/QVFReader.h"

#include "ReadingsDatabase.h"
#include "RecordingSurface.h"
#include "support/TempFolder.h"
#include "support/TestDoubles.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <set>

using namespace dovrex;
using dovrex::test::DrawCall;
using dovrex::test::ReadingMeter;
using dovrex::test::RecordingPrinter;

namespace {

constexpr double Margin = 0.25;
constexpr double ReadingX = Margin + 1.5;
constexpr double ExceptionX = Margin + 9.4;

bool At(const DrawCall& call, double x) { return std::fabs(call.X - x) < 1e-9; }

// A printed row: the transponder, the reading and the exception label (lines joined by "\n").
struct PrintedRow {
    std::string Tag, Reading, Label;
    friend bool operator==(const PrintedRow&, const PrintedRow&) = default;
};
std::ostream& operator<<(std::ostream& out, const PrintedRow& row) {
    return out << row.Tag << " [" << row.Reading << "] [" << row.Label << "]";
}

// The detail rows of a printed report: a transponder (a number at the left margin) starts a
// row; the texts of the reading and exception columns below it, up to the next row, are its.
std::vector<PrintedRow> Rows(const RecordingPrinter& printer) {
    std::vector<PrintedRow> rows;
    std::vector<std::pair<double, double>> spans; // sheet, y
    for (const DrawCall& call : printer.Texts()) {
        const bool number = !call.Text.empty() && call.Text.find_first_not_of("0123456789") == std::string::npos;
        if (At(call, Margin) && number) {
            rows.push_back({call.Text, "", ""});
            spans.emplace_back(call.Page, call.Y);
        } else if (!rows.empty() && call.Page == spans.back().first && call.Y >= spans.back().second) {
            if (At(call, ReadingX)) rows.back().Reading += call.Text;
            if (At(call, ExceptionX) && !call.Text.empty()) {
                rows.back().Label += (rows.back().Label.empty() ? "" : "\n") + call.Text;
            }
        }
    }
    return rows;
}

struct ReportTest : ::testing::Test {
    test::TempFolder Folder;
    test::RecordingLog Log;
    test::RecordingMessageBox Messages;
    test::RecordingPrinters Printers;
    test::ScriptedPreviews Previews;
    FixedClock Clock{DateTime{2024, 1, 2, 9, 30, 0}};
    ReportServices Services{&Messages, &Log, nullptr, &Previews, &Printers, &Clock, LocaleFormats{}};

    // Runs one report onto a recording printer of its own.
    RecordingPrinter Print(const std::string& file, int32_t filter) {
        RecordingPrinter printer;
        clsReport report(Services);
        report.Init(&printer);
        EXPECT_TRUE(report.Begin(false, file, filter, ""));
        return printer;
    }
};

ReadingMeter Meter(int64_t tag, const std::function<void(ReadingMeter&)>& set = {}) {
    ReadingMeter m;
    m.MeterTagNbr = tag;
    if (set) set(m);
    return m;
}

} // namespace

// Each meter's label and reading, and the reports it appears in.
TEST_F(ReportTest, RowsAndLabelsOfTheFourReports) {
    enum { E = 2, R = 4, O = 8, M = 16 };
    struct Row { ReadingMeter meter; std::string reading, label; int reports; };
    const std::vector<Row> rows = {
        {Meter(101, [](auto& m) { m.Status = 0, m.ResponseText = "Gate locked"; }), "--", "Missed\nGate locked", M},
        {Meter(102), "1500", "", R},
        {Meter(103, [](auto& m) { m.ResponseText = "Dog"; }), "1500", "Dog", R | E},
        {Meter(104, [](auto& m) { m.CurReading = 950; }), "950", "Low Reading", R | E},
        {Meter(105, [](auto& m) { m.CurReading = 2500, m.PrvReading = 3000, m.MinReading = m.MaxReading = 0; }), "2500",
         "Rollover", R | E},
        {Meter(106, [](auto& m) { m.Decimals = 2, m.CurReading = 123456, m.PrvReading = 1200; }), "1234", "", R},
        {Meter(107, [](auto& m) { m.RecType = 3, m.PrvReading = 1111, m.MinReading = 3333, m.MaxReading = 0; }), "1500",
         "Nearby: 1111 \n3333", O}, // wrapped at 1.1 inch
        {Meter(108, [](auto& m) { m.ResponseText = "Dog; Gate;Bell"; }), "1500", "Dog\nGate\nBell", R | E},
        {Meter(109, [](auto& m) { m.ReadType = 4; }), "1500", "Skipped", E},
        {Meter(110, [](auto& m) { m.TamperCount = 2; }), "1500", "TAMPER", R},
        {Meter(111, [](auto& m) { m.ReadType = 2, m.ResponseCode = 5; }), "1500*", "Manually Read", R | E},
        {Meter(112, [](auto& m) { m.Digits = 4, m.CurReading = 123456, m.ResponseText = "x"; }), "3456",
         "High Reading\nx", R | E},
        {Meter(113, [](auto& m) { m.MinReading = 2000, m.MaxReading = 1000; }), "1500", "High Reading", R | E},
        {Meter(114, [](auto& m) { m.ReadingDate = 0, m.TamperCount = 1; }), "1500", "Skipped\nTAMPER", E},
        {Meter(115, [](auto& m) { m.RecType = 3, m.PrvReading = m.MinReading = m.MaxReading = 0, m.ResponseText = "y"; }),
         "1500", "", O},
        {Meter(116, [](auto& m) { m.ReadType = 2, m.CurReading = 0; }), "0*", "Skipped", E},
        {Meter(117, [](auto& m) { m.Status = 0, m.ReadType = 2; }), "--", "Missed", M},
    };
    std::vector<ReadingMeter> meters;
    for (const Row& row : rows) meters.push_back(row.meter);
    const std::string file = Folder.File("ReadingQVF.pdb");
    test::WriteReadings(file, "UNIT7", "JD", meters);

    for (const int32_t filter : {E, R, O, M}) {
        std::vector<PrintedRow> expected;
        for (const Row& row : rows) {
            if (row.reports & filter) expected.push_back({std::to_string(row.meter.MeterTagNbr), row.reading, row.label});
        }
        const RecordingPrinter printer = Print(file, filter);
        EXPECT_EQ(Rows(printer), expected) << clsReport::TitleOf(filter);
        EXPECT_TRUE(printer.HasText(clsReport::TitleOf(filter))) << filter;
        EXPECT_EQ(printer.OrientationValue, 2);
    }
}

// The other columns of a meter row, and what an orphan row leaves blank.
TEST_F(ReportTest, RowColumns) {
    ValueCollection fields;
    const std::pair<const char*, Value> values[] = {
        {"MeterTagNbr", Value(int64_t{7001})}, {"TamperCount", Value(int64_t{0})},   {"CurReading", Value(int64_t{1500})},
        {"PrvReading", Value(int64_t{0})},     {"MinReading", Value(int64_t{1000})}, {"MaxReading", Value(int64_t{2000})},
        {"Status", Value(int64_t{1})},         {"ReadType", Value(int64_t{1})},     {"ReadingDate", Value(int64_t{20240115})},
        {"ReadingTime", Value(int64_t{90509})}, {"MeterType", Value(int64_t{2})},   {"ServiceUniqueID", Value("12  345      6")},
        {"MeterSerialNbr", Value("SN9")},       {"BillingName", Value("SMITH J")},  {"ServiceAddress", Value("1 MAIN ST")},
    };
    for (const auto& [name, value] : values) fields.Set(name, value);
    ReadingRow row = clsReport::MakeRow(fields, clsQVF::rtMeter);
    EXPECT_EQ(row.Transponder, "7001");
    EXPECT_EQ(row.Tamper, "0");
    EXPECT_EQ(row.Previous, "");
    EXPECT_EQ(row.Min, "1000");
    EXPECT_EQ(row.Max, "2000");
    EXPECT_EQ(row.DateTime, "01/15/2024\r\n09:05:09");
    EXPECT_EQ(row.AccountMeter, "12 345 6\r\nG SN9");
    EXPECT_EQ(row.BillingAddress, "SMITH J\r\n1 MAIN ST");
    EXPECT_EQ(row.Code, 4);
    for (const auto& [type, letter] : {std::pair{1, "W"}, {3, "E"}, {9, "9"}}) {
        fields.Set("MeterType", Value(int64_t{type}));
        EXPECT_EQ(clsReport::MakeRow(fields, clsQVF::rtMeter).AccountMeter, std::string("12 345 6\r\n") + letter + " SN9");
    }
    fields.Set("ReadingDate", Value(int64_t{0}));
    fields.Set("ReadingTime", Value(int64_t{0}));
    row = clsReport::MakeRow(fields, clsQVF::rtOrphan);
    EXPECT_EQ(row.DateTime, "\r\n");
    EXPECT_EQ(row.Min + row.Max + row.AccountMeter, "");
    EXPECT_EQ(row.BillingAddress, "**Orphan Transponder **");
    EXPECT_EQ(row.Label, "Nearby: 2000 1000");
    EXPECT_EQ(row.Code, 8);
}

// A reading date shows the parts cut from its digits as they stand (of eight digits or not);
// a reading time its last six digits with leading zeros; 0 shows nothing.
TEST_F(ReportTest, DateAndTimeTexts) {
    const std::pair<int64_t, const char*> dates[] = {
        {0, ""},           {1, "//1"},        {9999999, "99/9/9999"},     {10000000, "00/00/1000"},
        {20240115, "01/15/2024"}, {99999999, "99/99/9999"}, {100000000, "00/00/1000"}, {2147483647, "48/36/2147"},
    };
    const std::pair<int64_t, const char*> times[] = {
        {0, ""},           {1, "00:00:01"},   {90509, "09:05:09"},  {235959, "23:59:59"},
        {999999, "99:99:99"}, {1000000, "00:00:00"}, {1234567, "23:45:67"}, {2147483647, "48:36:47"},
    };
    ValueCollection fields;
    for (const auto& [date, text] : dates) {
        for (const auto& [time, clock] : times) {
            fields.Set("ReadingDate", Value(date));
            fields.Set("ReadingTime", Value(time));
            EXPECT_EQ(clsReport::MakeRow(fields, clsQVF::rtMeter).DateTime, std::string(text) + "\r\n" + clock)
                << date << " " << time;
        }
    }
}

// Runs of blanks in the account shrink as replacing five blanks by one, then four, three and
// two does, whatever their length.
TEST_F(ReportTest, AccountBlankRuns) {
    ValueCollection fields;
    fields.Set("MeterType", Value(int64_t{1}));
    fields.Set("MeterSerialNbr", Value("S"));
    for (size_t blanks = 0; blanks <= 60; ++blanks) {
        std::string account = "A" + std::string(blanks, ' ') + "B" + std::string(blanks / 2, ' ') + "C";
        fields.Set("ServiceUniqueID", Value(account));
        for (const char* run : {"     ", "    ", "   ", "  "}) account = Replace(account, run, " ");
        EXPECT_EQ(clsReport::MakeRow(fields, clsQVF::rtMeter).AccountMeter, account + "\r\nW S") << blanks;
    }
}

// A row read straight from the record's bytes shows what the row of its fields decoded one by
// one shows: every number field at the edges of its type, and schemas that lack fields.
TEST_F(ReportTest, RowsFromTheRecordAsFromItsDecodedFields) {
    const std::vector<ReadingMeter> meters = {
        Meter(1),
        Meter(2, [](auto& m) { m.Status = 255, m.ReadType = 255, m.Decimals = 1, m.Digits = 255, m.MeterType = 255; }),
        Meter(3, [](auto& m) { m.ReadType = 2, m.ResponseCode = 65535, m.TamperCount = 65535, m.Digits = 8; }),
        Meter(4, [](auto& m) { m.ResponseCode = 32768, m.TamperCount = 32767, m.Digits = 9, m.CurReading = 0x7FFFFFFF; }),
        Meter(5, [](auto& m) { m.CurReading = -1, m.PrvReading = -16777215, m.MinReading = 0, m.MaxReading = 16777216; }),
        Meter(0x7FFFFFFF, [](auto& m) { m.ReadingDate = 0x7FFFFFFF, m.ReadingTime = 0x7FFFFFFF, m.Decimals = 255; }),
        Meter(7, [](auto& m) { m.RecType = 3, m.LstReadingDate = 0x7FFFFFFF, m.PrvReading = 1; }),
        Meter(8, [](auto& m) { m.Status = 0, m.ReadingDate = 1, m.ReadingTime = 1, m.Digits = 1; }),
    };
    // Without blanks and line breaks: the engine draws each line apart and wraps at blanks.
    auto bare = [](std::string text) {
        std::erase_if(text, [](char c) { return c == ' ' || c == '\r' || c == '\n'; });
        return text;
    };
    constexpr double ColumnX[] = {0, 1.0, 1.5, 2.2, 2.9, 3.6, 4.7, 5.6, 7.1, 9.4};
    for (const int version : {0, 1, 2, 3}) {
        const std::string file = Folder.File("ReadingQVF" + std::to_string(version) + ".pdb");
        test::WriteReadings(file, "UNIT7", "JD", meters, version);
        // Each schema record's row from its fields decoded one by one, as ten column texts.
        std::vector<std::vector<std::string>> expected;
        QVFReader reader;
        ASSERT_TRUE(reader.Open(file));
        QVFRecord record;
        while (reader.ReadNext(record)) {
            if (record.RecordType != clsQVF::rtMeter && record.RecordType != clsQVF::rtOrphan) continue;
            const ReadingRow row = clsReport::MakeRow(record.Fields, record.RecordType);
            expected.push_back({});
            for (const std::string* text : {&row.Transponder, &row.Tamper, &row.Reading, &row.Previous, &row.Min, &row.Max,
                                            &row.DateTime, &row.AccountMeter, &row.BillingAddress, &row.Label}) {
                expected.back().push_back(bare(*text));
            }
        }
        ASSERT_EQ(expected.size(), meters.size()) << version;
        // The rows the report prints of every kind, column by column: a row is the texts from
        // its transponder's line down to the next row's.
        const RecordingPrinter printer = Print(file, clsReport::rkException | clsReport::rkReading |
                                                         clsReport::rkOrphan | clsReport::rkMissed);
        std::vector<std::vector<std::string>> printed;
        double rowY = 0;
        for (const DrawCall& call : printer.Texts()) {
            if (At(call, Margin) && !call.Text.empty() && call.Text.find_first_not_of("0123456789") == std::string::npos) {
                printed.push_back(std::vector<std::string>(std::size(ColumnX)));
                rowY = call.Y;
            }
            if (printed.empty() || call.Y > rowY + 0.5) continue; // the headers, the page footer
            for (size_t column = 0; column < std::size(ColumnX); ++column) {
                if (At(call, Margin + ColumnX[column])) printed.back()[column] += bare(call.Text);
            }
        }
        EXPECT_EQ(printed, expected) << version;
    }
}

// The unit header heads every page, with the reader of the record that starts the page; the
// page header and footer carry the title, the dates and page numbers.
TEST_F(ReportTest, UnitHeaderOnEveryPage) {
    std::vector<ReadingMeter> meters;
    for (int i = 0; i < 45; ++i) meters.push_back(Meter(5000 + i));
    const std::string file = Folder.File("ReadingQVF.pdb");
    test::WriteReadings(file, "UNIT7", "JD", meters);
    const RecordingPrinter printer = Print(file, clsReport::rkReading);

    ASSERT_GE(printer.NewPages, 2);
    EXPECT_EQ(Rows(printer).size(), 45u);
    for (int sheet = 1; sheet <= printer.NewPages + 1; ++sheet) {
        SCOPED_TRACE(sheet);
        const std::vector<DrawCall> texts = printer.Texts(sheet);
        ASSERT_GE(texts.size(), 20u);
        const std::vector<std::string> top = {"Dovrex", "1/2/2024", "Reading Report", "Page " + std::to_string(sheet),
                                              "Unit ID:", "Reader:", "UNIT7", sheet == 1 ? "JD" : "MK", "Transponder"};
        for (size_t i = 0; i < top.size(); ++i) EXPECT_EQ(texts[i].Text, top[i]);
        EXPECT_TRUE(texts[8].Font.Bold);
        EXPECT_TRUE(texts[6].Font.Italic);
        EXPECT_EQ(texts[8].Font.Name, "Courier New");
        EXPECT_EQ(texts[8].Font.Size, 8);
        // The footer under its line at the bottom margin; every row ends above that line.
        EXPECT_EQ(texts.back().Text, "Page " + std::to_string(sheet));
        EXPECT_DOUBLE_EQ(texts.back().X, 10.5 - 6 * RecordingPrinter::CharWidth(8));
        EXPECT_EQ(texts[texts.size() - 2].Text, "Printed 1/2/2024");
        EXPECT_DOUBLE_EQ(texts[texts.size() - 2].Y, 7.75);
        for (size_t i = 0; i + 2 < texts.size(); ++i) {
            EXPECT_LE(texts[i].Y + RecordingPrinter::LineHeight(8), 7.75) << texts[i].Text;
        }
    }
}

// A report without rows still prints one page with its headers and footer.
TEST_F(ReportTest, EmptyReportPrintsOnePage) {
    const std::string file = Folder.File("ReadingQVF.pdb");
    test::WriteReadings(file, "UNIT7", "JD", {Meter(1)});
    const RecordingPrinter printer = Print(file, clsReport::rkOrphan);
    EXPECT_EQ(printer.NewPages, 0);
    EXPECT_EQ(printer.EndDocs, 1);
    EXPECT_EQ(printer.Joined(1), "Dovrex|1/2/2024|Orphan Report|Page 1|Unit ID:|Reader:|UNIT7|JD|Transponder|Tamper|"
                                 "Reading|Previous|Min|Max|Date/Time|Account/Meter|Billing/Address|Exception|"
                                 "Printed 1/2/2024|Page 1");
    EXPECT_EQ(printer.Calls.back().What, DrawCall::kText);
}

// Without a printer the report becomes a PDF beside the readings file; an unreadable
// database is logged; the preview shows the chosen reports together.
TEST_F(ReportTest, PdfWithoutPrinterUnreadableFileAndPreview) {
    const std::string file = Folder.File("ReadingQVF.pdb");
    test::WriteReadings(file, "UNIT7", "JD", {Meter(1, [](auto& m) { m.ResponseText = "Dog"; })});
    Printers.Printers.clear();
    clsReport report(Services);
    EXPECT_TRUE(report.Begin(false, file, clsReport::rkException, "Exception Report"));
    const std::string pdf = Folder.File("ReadingQVF Exception Report.pdf");
    EXPECT_EQ(Printers.PdfPaths, (std::vector<std::string>{pdf}));
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"Info: No printer is installed; Exception Report written to " + pdf}));
    ASSERT_EQ(Printers.PdfCalls.size(), 1u);
    EXPECT_GT(Printers.PdfCalls[0].size(), 20u);

    Log.Lines.clear();
    Folder.Write("junk.pdb", "not a database");
    EXPECT_FALSE(report.Begin(false, Folder.File("junk.pdb"), clsReport::rkException, ""));
    EXPECT_FALSE(report.Begin(false, Folder.File("missing.pdb"), clsReport::rkException, ""));
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"Error: Could not read QVF file", "Error: Could not read QVF file"}));

    EXPECT_TRUE(report.Begin(true, file, clsReport::rkException | clsReport::rkReading, ""));
    EXPECT_EQ(Previews.Titles, (std::vector<std::string>{"Exception Report, Reading Report Page 1 of 1"}));
    EXPECT_DOUBLE_EQ(Previews.Width, 11);
    EXPECT_DOUBLE_EQ(Previews.Length, 8.5);
    EXPECT_NE(Previews.PagesShown[0].find("|1|0|1500|1400|1000|2000|01/15/2024|13:05:09|ACCT|W SN|NAME|ADDRESS|Dog|"),
              std::string::npos)
        << Previews.PagesShown[0];

    EXPECT_EQ(report.Tray(), "0");
    report.SetTray(" 3");
    EXPECT_EQ(report.Tray(), "3");
    EXPECT_THROW(report.SetTray("40000"), RuntimeError);
}
