#include "EngineFixture.h"

#include "platform/BinaryFile.h"

#include <filesystem>

using namespace dovrex;
using namespace dovrex::test;

namespace {

using Lines = std::vector<std::string>;

} // namespace

class ConvertRouteTest : public EngineFixture {};

TEST_F(ConvertRouteTest, FixedWidthFileBecomesHeaderRouteAndMeterRecords) {
    WriteFixedMap();
    UseSource({
        FixedLine("0012", 10, "1001", "R", "R", "12 MAIN ST", "SMITH", "DOG"),
        FixedLine("0012", 20, "1002", "1", "m", "14 MAIN ST", "JONES"),
        FixedLine("0013", 30, "1003", "2", "X", "3 ELM AVE", "BROWN"),
        FixedLine("0012", 40, "1004", "E", "P", "16 MAIN ST"),
    });
    ASSERT_TRUE(engine.ConvertRoute());
    const std::string source = engine.RouteSource();
    EXPECT_EQ(log.Lines, (Lines{"Reading from " + source, "Writing to " + folder.File("RouteQVF.pdb"), "Using Map: Std",
                                "Route Conversion Starting 1:45 PM 1/15/2004", "4 meters written to Route QVF File",
                                "Route Conversion Finished", ""}));
    EXPECT_TRUE(messages.Shown.empty());

    const auto records = ReadDatabase(folder.File("RouteQVF.pdb"));
    ASSERT_EQ(records.size(), 7u);
    const ValueCollection& header = records[0];
    EXPECT_EQ(Number(header, "RecType"), 0);
    EXPECT_EQ(Number(header, "RouteNbr"), 2);
    EXPECT_EQ(Number(header, "Sequence"), 20040115);
    EXPECT_EQ(Number(header, "MeterTagNbr"), 1345);
    EXPECT_EQ(Number(header, "MeterType"), 3);
    EXPECT_EQ(Number(header, "PrvReading"), 4);
    EXPECT_EQ(Number(header, "ReadingDate"), 20040115);
    EXPECT_EQ(header.Item("Initials").ToText(), "QVF loaded from " + source);

    const struct { int64_t position, meters; const char* text; } routes[] = {{1, 3, "0012"}, {2, 1, "0013"}};
    for (int i = 0; i < 2; ++i) {
        const ValueCollection& route = records[1 + i];
        EXPECT_EQ(Number(route, "RecType"), 1);
        EXPECT_EQ(Number(route, "RouteNbr"), routes[i].position);
        EXPECT_EQ(Number(route, "PrvReading"), routes[i].meters);
        EXPECT_EQ(route.Item("Initials").ToText(), routes[i].text);
        EXPECT_EQ(route.Item("ResponseText").ToText(), routes[i].text);
    }

    // Meters keep the source order and carry the route's position, never its text.
    const struct { int64_t route, sequence, tag, meterType, readType; const char* message; } meters[] = {
        {1, 10, 1001, 'R', 1, "Billing: DOG"}, {1, 20, 1002, 1, 2, ""}, {2, 30, 1003, 2, 0, ""}, {1, 40, 1004, 'E', 3, ""}};
    for (int i = 0; i < 4; ++i) {
        const ValueCollection& meter = records[3 + i];
        SCOPED_TRACE(i);
        EXPECT_EQ(Number(meter, "RecType"), 2);
        EXPECT_EQ(Number(meter, "RouteNbr"), meters[i].route);
        EXPECT_EQ(Number(meter, "Sequence"), meters[i].sequence);
        EXPECT_EQ(Number(meter, "MeterTagNbr"), meters[i].tag);
        EXPECT_EQ(Number(meter, "MeterType"), meters[i].meterType);
        EXPECT_EQ(Number(meter, "ReadType"), meters[i].readType);
        EXPECT_EQ(meter.Item("Message").ToText(), meters[i].message);
        EXPECT_EQ(Number(meter, "Digits"), 5);
        EXPECT_EQ(Number(meter, "UtilityCode"), 1);
        EXPECT_EQ(Number(meter, "LstReadingDate"), 20031201); // a date text in a numeric field
        EXPECT_EQ(Number(meter, "CurReading"), 0);
    }
    EXPECT_EQ(records[3].Item("ServiceAddress").ToText(), "12 MAIN ST");
    EXPECT_EQ(records[3].Item("BillingName").ToText(), "SMITH");

    // Progress runs over three times the file's 128-byte blocks and never past them.
    EXPECT_GT(progress.Calls, 8);
    EXPECT_EQ(progress.LastMax, 3 * static_cast<int32_t>((4 * 63 + 127) / 128));
    EXPECT_FALSE(progress.WentPastMax);
}

TEST_F(ConvertRouteTest, DelimitedColumnsWithQuotesAutonumberAndMissingColumns) {
    WriteMap("Csv", MapTypeDelimited,
             {"RouteNbr=1,0", "Sequence=A", "MeterTagNbr=2,0", "MeterType=3,0", "UtilityCode=4,0", "ServiceAddress=5,0",
              "BillingName=6,0", "User1=7,0"},
             ",", "\"");
    UseSource({"R1,501,R,1,\"12 MAIN ST, APT 4\",\"O\"\"BRIEN\",x~y", "R1,502,R,1,\"9 ELM\"", "R2,503,R,1,  5 OAK  ,NAME  "},
              "Csv");
    ASSERT_TRUE(engine.ConvertRoute()) << ::testing::PrintToString(log.Lines);
    const auto records = ReadDatabase(folder.File("RouteQVF.pdb"));
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[3].Item("ServiceAddress").ToText(), "12 MAIN ST, APT 4");
    EXPECT_EQ(records[3].Item("BillingName").ToText(), "O\"BRIEN");
    EXPECT_EQ(records[3].Item("User1").ToText(), "x,y"); // a "~" in the data comes back as the delimiter
    EXPECT_EQ(records[4].Item("BillingName").ToText(), "");
    EXPECT_EQ(records[4].Item("User1").ToText(), "");
    EXPECT_EQ(records[5].Item("ServiceAddress").ToText(), "  5 OAK"); // delimited texts lose trailing blanks only
    EXPECT_EQ(records[5].Item("BillingName").ToText(), "NAME");
    EXPECT_EQ(Number(records[3], "Sequence"), 1); // the autonumber restarts for the written pass
    EXPECT_EQ(Number(records[5], "Sequence"), 3);
    EXPECT_EQ(Number(records[1], "PrvReading"), 2);
    EXPECT_EQ(Number(records[5], "RouteNbr"), 2);
}

TEST_F(ConvertRouteTest, ValidationMessagesWarnButKeepTheMeters) {
    WriteFixedMap();
    UseSource({
        FixedLine("0012", 10, "100", "R", "R", "1 MAIN"),
        FixedLine("0012", 20, "101", "", "R", "2 MAIN"),
        FixedLine("0012", 30, "99999999", "R", "R", "3 MAIN"),
        FixedLine("0012", 40, "103", "R", "R", "4 MAIN", "", "", "0"),
        FixedLine("0012", 50, "", "R", "M", "5 MAIN"), // a manual meter needs no tag
        FixedLine("0012", 0, "105", "R", "R", ""),
    });
    ASSERT_TRUE(engine.ConvertRoute());
    EXPECT_EQ(LogAfterStart(), (Lines{
                                   "MeterType empty in Line 2",
                                   "Value of MeterTagNbr(99999999) exceeds maximum permitted value in Line 3",
                                   "UtilityCode zero in Line 4",
                                   "Sequence zero in Line 6",
                                   "ServiceAddress empty in Line 6",
                                   "6 meters written to Route QVF File",
                                   "Route Conversion Finished with Warnings",
                                   "",
                               }));
    EXPECT_EQ(ReadDatabase(folder.File("RouteQVF.pdb")).size(), 8u);
}

TEST_F(ConvertRouteTest, TheFiftyFirstValidationMessageStopsTheImport) {
    WriteFixedMap();
    Lines lines;
    for (int i = 1; i <= 60; ++i) lines.push_back(FixedLine("0012", i, std::to_string(1000 + i), "R", "R", ""));
    UseSource(lines);
    EXPECT_FALSE(engine.ConvertRoute());
    const Lines after = LogAfterStart();
    ASSERT_EQ(after.size(), 55u);
    EXPECT_EQ(after[0], "ServiceAddress empty in Line 1");
    EXPECT_EQ(after[49], "ServiceAddress empty in Line 50");
    EXPECT_EQ(Lines(after.begin() + 50, after.end()),
              (Lines{"Remaining validation messages suppressed", "Fatal Error limit reached", "Route QVF File NOT created",
                     "Route Conversion Finished with Warnings", ""}));
    // The records written so far stay: header, one route, fifty meters.
    EXPECT_EQ(ReadDatabase(folder.File("RouteQVF.pdb")).size(), 52u);
}

TEST_F(ConvertRouteTest, DuplicateTagsStopTheImportExceptForManualMeters) {
    WriteFixedMap();
    UseSource({
        FixedLine("0012", 10, "500", "R", "R", "16 MAIN ST", "SMITH"),
        FixedLine("0012", 20, "500", "R", "M", "17 MAIN ST"),
        FixedLine("0012", 30, "501", "R", "S", "18 MAIN ST"),
        FixedLine("0012", 40, "501", "R", "P", "19 MAIN ST"),
        FixedLine("0012", 50, "500", "R", "R", "20 MAIN ST", "JONES"),
    });
    EXPECT_FALSE(engine.ConvertRoute());
    EXPECT_EQ(LogAfterStart(), (Lines{"Meter Tag Number of 500 is duplicate in Line 5", "   Info: 20 MAIN ST JONES",
                                      "Route QVF File NOT created", "Route Conversion Finished", ""}));
    EXPECT_EQ(ReadDatabase(folder.File("RouteQVF.pdb")).size(), 6u);

    // Tags compare as text without regard to letter case.
    ConversionRun run;
    EXPECT_TRUE(run.SeenTags.Insert("ab1"));
    EXPECT_FALSE(run.SeenTags.Insert("AB1"));
}

TEST_F(ConvertRouteTest, EachMissingSettingStopsWithItsOwnError) {
    WriteFixedMap();
    WriteMap("Broken", MapTypeFixed, {"RouteNbr=1,4", "Sequence=A", "MeterTagNbr=N"});
    const std::string source = folder.Write("route.txt", FixedLine("0012", 1, "1", "R", "R", "1 MAIN") + "\r\n");
    const std::string destination = folder.File("out.pdb");
    struct Case {
        std::string source, destination, map;
        Lines expected;
    };
    const Case cases[] = {
        {"", destination, "Std", {"Error: Route Source not specified"}},
        {"   ", destination, "Std", {"Error: Route Source not specified"}},
        {folder.File("missing.txt"), destination, "Std", {"Error: Route Source does not exist"}},
        {source, " ", "Std", {"Reading from " + source, "Error: Route Destination not specified"}},
        {source, destination, "", {"Reading from " + source, "Writing to " + destination, "Error: Route Conversion Map not specified"}},
        {source, destination, "Nope",
         {"Reading from " + source, "Writing to " + destination, "Using Map: Nope", "Error: Could not load Route Conversion Map"}},
        {source, destination, "Broken",
         {"Reading from " + source, "Writing to " + destination, "Using Map: Broken",
          "Error: Mapping Errors found:\r\n\tMapping of MeterTagNbr is required\r\n\tMapping of MeterType is "
          "required\r\n\tMapping of UtilityCode is required\r\n\tMapping of ServiceAddress is required\r\n"}},
    };
    for (const auto& c : cases) {
        log.Lines.clear();
        engine.SetRouteSource(c.source);
        engine.SetRouteDestination(c.destination);
        engine.SetRouteMap(c.map);
        EXPECT_FALSE(engine.ConvertRoute());
        EXPECT_EQ(log.Lines, c.expected);
        EXPECT_FALSE(FileExists(destination));
    }
    EXPECT_TRUE(messages.Shown.empty());
}

TEST_F(ConvertRouteTest, AnExistingDestinationIsReplacedOnlyWhenTheUserAgrees) {
    WriteFixedMap();
    UseSource({FixedLine("0012", 1, "7", "R", "R", "1 MAIN")});
    const std::string destination = folder.Write("RouteQVF.pdb", "old");

    messages.QueueAnswer(MsgResult::No);
    EXPECT_FALSE(engine.ConvertRoute());
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].Title, "Route Destination already exists");
    EXPECT_EQ(messages.Shown[0].Text, destination + " already exists.  Overwrite?");
    EXPECT_EQ(messages.Shown[0].Buttons, MsgButtons::YesNo);
    EXPECT_EQ(log.Lines.back(), "Error: Route Destination already exists");
    EXPECT_EQ(folder.Read("RouteQVF.pdb"), "old");

    log.Lines.clear();
    messages.QueueAnswer(MsgResult::Yes);
    EXPECT_TRUE(engine.ConvertRoute());
    EXPECT_EQ(log.Lines[2], "Notice: File " + destination + " overwritten on request");
    EXPECT_EQ(ReadDatabase(destination).size(), 3u);
}

TEST_F(ConvertRouteTest, ASourceWithoutMetersIsUnusable) {
    WriteFixedMap();
    UseSource({});
    EXPECT_FALSE(engine.ConvertRoute());
    EXPECT_EQ(LogAfterStart(), Lines{"The RouteQVF contains no meter records. The RouteQVF file is unusable."});
}

TEST_F(ConvertRouteTest, AValueTooLargeForItsFieldTakesTheErrorPath) {
    WriteFixedMap("Std", {"Digits=62,5"});
    UseSource({FixedLine("0012", 1, "7", "R", "R", "1 MAIN") + "40000"});
    EXPECT_FALSE(engine.ConvertRoute());
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].Title, "Error");
    EXPECT_EQ(messages.Shown[0].Text, "Overflow");
    // The log must not read as a success after a failure.
    EXPECT_EQ(LogAfterStart(), (Lines{"Problems encountered; Route file unusable", ""}));
}

TEST_F(ConvertRouteTest, TheFirstPassFindsEveryNumberTooLargeForItsField) {
    // The first pass converts only the numbers that could overflow: more digits than the
    // type holds, or an exponent. A number too large stops the conversion before the
    // database is created. Digits is a 16-bit field of 5 columns.
    struct Row {
        const char* digits;
        bool fits;
    };
    const Row rows[] = {{"9999", true},  {"32767", true}, {"32768", false}, {"-3276", true},
                        {"9E9", false},  {"9e9", false},  {"9d4", false},   {"1D", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.digits);
        std::filesystem::remove(folder.File("RouteQVF.pdb"));
        WriteFixedMap("Std", {"Digits=62,5"});
        UseSource({FixedLine("0012", 1, "7", "R", "R", "1 MAIN") + "1",
                   FixedLine("0012", 2, "8", "R", "R", "2 MAIN") + row.digits});
        EXPECT_EQ(engine.ConvertRoute(), row.fits);
        EXPECT_EQ(std::filesystem::exists(folder.File("RouteQVF.pdb")), row.fits);

        // A delimited line is counted from its first columns, up to the route's (5) and
        // the last number's (3); the quoted delimiter before them must not shift them.
        std::filesystem::remove(folder.File("RouteQVF.pdb"));
        WriteMap("Csv", MapTypeDelimited,
                 {"MeterTagNbr=1,0", "ServiceAddress=2,0", "Digits=3,0", "RouteNbr=5,0", "BillingName=6,0", "Sequence=A",
                  "MeterType=C,R", "UtilityCode=C,1"},
                 ",", "\"");
        UseSource({"7,\"1 MAIN, A\",1,,R1,NAME", "8,2 MAIN," + std::string(row.digits) + ",,R2,NAME"}, "Csv");
        EXPECT_EQ(engine.ConvertRoute(), row.fits) << ::testing::PrintToString(log.Lines);
        if (row.fits) {
            EXPECT_EQ(ReadDatabase(folder.File("RouteQVF.pdb")).size(), 5u); // two routes
        }
    }
}

TEST_F(ConvertRouteTest, TheFirstPassChecksEveryColumnWideEnoughToOverflow) {
    // A whole-number column of two characters cannot hold a number too large ("9E" is 9),
    // one of three can ("9E9"); a Double column needs five ("1E309"). A constant is the
    // same on every line and is checked on the first.
    struct Row {
        const char* field;
        const char* text;
        bool fits;
    };
    const Row rows[] = {{"Digits=62,2", "9E", true},     {"Digits=62,3", "9E9", false},
                        {"Lat=62,5", "1E309", false},   {"Lat=62,5", "99999", true},
                        {"ScaleFactor=C,1E309", "", false}, {"ScaleFactor=C,25", "", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.field) + " " + row.text);
        std::filesystem::remove(folder.File("RouteQVF.pdb"));
        WriteFixedMap("Std", {row.field});
        UseSource({FixedLine("0012", 1, "7", "R", "R", "1 MAIN"), FixedLine("0012", 2, "8", "R", "R", "2 MAIN") + row.text});
        engine.ConvertRoute();
        EXPECT_EQ(std::filesystem::exists(folder.File("RouteQVF.pdb")), row.fits);
    }
}

TEST_F(ConvertRouteTest, PromptedFieldsTakeTheEnteredValues) {
    WriteFixedMap("Std", {"MeterType=P", "ScaleFactor=P"});
    UseSource({FixedLine("0012", 1, "7", "R", "R", "1 MAIN"), FixedLine("0012", 2, "8", "R", "R", "2 MAIN")});

    prompts.Answers.push_back({PromptActionOK, {"W", "2.5"}});
    ASSERT_TRUE(engine.ConvertRoute());
    ASSERT_EQ(prompts.Shown.size(), 1u);
    const auto& rows = prompts.Shown[0];
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].FieldName, "MeterType");
    EXPECT_EQ(rows[0].Entry, PromptRow::Box::Text);
    EXPECT_EQ(rows[0].Tag(), "*MeterType");
    EXPECT_EQ(rows[1].FieldName, "ScaleFactor");
    EXPECT_EQ(rows[1].Entry, PromptRow::Box::Numeric);
    EXPECT_EQ(rows[1].MaxLength, 10);
    EXPECT_EQ(rows[1].Tag(), " ScaleFactor");
    const auto records = ReadDatabase(folder.File("RouteQVF.pdb"));
    EXPECT_EQ(Number(records[2], "MeterType"), 'W');
    EXPECT_EQ(Number(records[3], "ScaleFactor"), 2); // 2.5 rounds to even

    log.Lines.clear();
    prompts.Answers.push_back({PromptActionCancel, {"X", "1"}});
    messages.QueueAnswer(MsgResult::Yes);
    EXPECT_FALSE(engine.ConvertRoute());
    EXPECT_EQ(log.Lines.back(), "Error: Prompted entry of runtime variables cancelled");
    EXPECT_EQ(engine.Prompts().Count(), 0u);

    // Closed with the close box: the conversion goes on with empty values.
    log.Lines.clear();
    prompts.Answers.push_back({"", {"X", "1"}});
    messages.QueueAnswer(MsgResult::Yes);
    EXPECT_TRUE(engine.ConvertRoute());
    EXPECT_TRUE(log.Contains("MeterType empty in Line 1"));
}

TEST_F(ConvertRouteTest, RelativePathsAreTakenFromTheProgramFolderAndJunkDoesNoHarm) {
    WriteFixedMap();
    std::string junk;
    for (int b = 1; b < 256; ++b) {
        if (b != '\r') junk += static_cast<char>(b);
    }
    folder.Write("route.txt", FixedLine("0012", 1, "7", "R", "R", "1 MAIN") + "overlong tail" + "\r\n" + "0012   2     999" + "\r\n" +
                                  junk + "\r");
    engine.SetRouteSource("route.txt");
    engine.SetRouteDestination("RouteQVF.pdb");
    engine.SetRouteMap("Std");
    EXPECT_TRUE(engine.ConvertRoute()) << ::testing::PrintToString(log.Lines);
    EXPECT_EQ(log.Lines[0], "Reading from " + folder.File("route.txt"));
    EXPECT_EQ(log.Lines[1], "Writing to " + folder.File("RouteQVF.pdb"));
    EXPECT_EQ(ReadDatabase(folder.File("RouteQVF.pdb")).size(), 6u);
}

TEST_F(ConvertRouteTest, MoreLinesThanADatabaseHoldsEndInAnError) {
    WriteMap("Csv", MapTypeDelimited, {"RouteNbr=1,0", "Sequence=A", "MeterTagNbr=2,0", "MeterType=C,R", "UtilityCode=C,1",
                                       "ServiceAddress=C,X"}, ",");
    std::string text;
    for (int i = 0; i < 32768; ++i) text += "1," + std::to_string(i + 1) + "\r\n";
    engine.SetRouteSource(folder.Write("route.txt", text));
    engine.SetRouteDestination(folder.File("RouteQVF.pdb"));
    engine.SetRouteMap("Csv");
    EXPECT_FALSE(engine.ConvertRoute());
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].Text, "Overflow");
}

TEST_F(ConvertRouteTest, ThirtyThousandMetersOverSixtyRoutesConvert) {
    // How fast this runs is measured by bench/run.sh, not here.
    WriteFixedMap();
    Lines lines;
    for (int i = 0; i < 30000; ++i) {
        lines.push_back(FixedLine(std::to_string(1000 + i / 500), i % 500 + 1, std::to_string(100000 + i), "R", "R",
                                  std::to_string(i) + " MAIN ST", "OWNER"));
    }
    UseSource(lines);
    ASSERT_TRUE(engine.ConvertRoute());
    EXPECT_EQ(engine.LastConversion().MetersWritten, 30000);
    EXPECT_EQ(engine.LastConversion().RouteList.size(), 60u);
    std::vector<ValueCollection> meters;
    for (auto& record : ReadDatabase(folder.File("RouteQVF.pdb"))) {
        if (Number(record, "RecType") == 2) meters.push_back(std::move(record));
    }
    ASSERT_EQ(meters.size(), 30000u);
    for (const size_t i : {size_t{0}, size_t{499}, size_t{500}, size_t{29999}}) {
        EXPECT_EQ(Number(meters[i], "RouteNbr"), static_cast<int64_t>(i / 500 + 1)) << i;
        EXPECT_EQ(Number(meters[i], "Sequence"), static_cast<int64_t>(i % 500 + 1)) << i;
        EXPECT_EQ(Number(meters[i], "MeterTagNbr"), static_cast<int64_t>(100000 + i)) << i;
    }
}
