// The route import's rules, each over its whole table and at its limits, and the run
// state that must not carry from one conversion to the next.

#include "EngineFixture.h"

#include "engine/RouteLineLayout.h"

using namespace dovrex;
using namespace dovrex::test;

namespace {
using Lines = std::vector<std::string>;
}

class RouteRulesTest : public EngineFixture {};

TEST_F(RouteRulesTest, ReadTypesDecideTheTagChecksAndTheCodeWritten) {
    // Manual, probe and skipped meters need no unique tag within its maximum; the letter is
    // upper-cased first; anything else stores the parsed ReadType number.
    const struct { const char* readType; bool exempt; int64_t code; } rows[] = {
        {"R", false, 1}, {"r", false, 1}, {"M", true, 2}, {"m", true, 2}, {"S", true, 2}, {"s", true, 2},
        {"P", true, 3},  {"p", true, 3},  {"X", false, 0}, {"7", false, 7}, {" ", false, 0},
    };
    WriteFixedMap();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.readType);
        log.Lines.clear();
        UseSource({FixedLine("0012", 1, "16777215", "R", row.readType, "1 MAIN", "A"),
                   FixedLine("0012", 2, "0", "R", row.readType, "2 MAIN", "B"),
                   FixedLine("0012", 3, "16777216", "R", row.readType, "3 MAIN", "C"),
                   FixedLine("0012", 4, "500", "R", row.readType, "4 MAIN", "D"),
                   FixedLine("0012", 5, "500", "R", row.readType, "5 MAIN", "E")});
        messages.QueueAnswer(MsgResult::Yes); // overwrite the last run's database
        EXPECT_EQ(engine.ConvertRoute(), row.exempt);
        const Lines expected = row.exempt
            ? Lines{"5 meters written to Route QVF File", "Route Conversion Finished", ""}
            : Lines{"MeterTagNbr zero in Line 2",
                    "Value of MeterTagNbr(16777216) exceeds maximum permitted value in Line 3",
                    "Meter Tag Number of 500 is duplicate in Line 5", "   Info: 5 MAIN E",
                    "Route QVF File NOT created", "Route Conversion Finished with Warnings", ""};
        EXPECT_EQ(LogAfterStart(), expected);
        const auto records = ReadDatabase(folder.File("RouteQVF.pdb"));
        ASSERT_GE(records.size(), 3u);
        EXPECT_EQ(Number(records[2], "ReadType"), row.code);
    }
}

TEST_F(RouteRulesTest, MaximumValuesAreAllowedUpToAndIncludingTheLimit) {
    const struct { const char* mapping; const char* message; } rows[] = {
        {"UtilityCode=C,255", nullptr},
        {"UtilityCode=C,256", "Value of UtilityCode(256) exceeds maximum permitted value in Line 1"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mapping);
        log.Lines.clear();
        WriteFixedMap("Max", {row.mapping});
        UseSource({FixedLine("0012", 1, "7", "R", "R", "1 MAIN")}, "Max");
        messages.QueueAnswer(MsgResult::Yes);
        ASSERT_TRUE(engine.ConvertRoute());
        const Lines logged = LogAfterStart();
        EXPECT_EQ(logged.front(), row.message ? row.message : "1 meters written to Route QVF File");
    }
}

TEST_F(RouteRulesTest, MeterTypeLettersFromAOnAreStoredAsTheirCharacterCode) {
    const struct { const char* text; int64_t stored; } rows[] = {
        {"A", 65}, {"@", 0}, {"R", 82}, {"a", 97}, {"[", 91}, {"1", 1}, {"9", 9}, {"", 0},
    };
    WriteFixedMap("Std", {"MeterType=16,1"});
    Lines lines;
    for (size_t i = 0; i < std::size(rows); ++i) {
        lines.push_back(FixedLine("0012", static_cast<int>(i + 1), std::to_string(100 + i), rows[i].text, "R", "1 MAIN"));
    }
    UseSource(lines);
    ASSERT_TRUE(engine.ConvertRoute());
    const auto records = ReadDatabase(folder.File("RouteQVF.pdb"));
    ASSERT_EQ(records.size(), std::size(rows) + 2);
    for (size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(Number(records[i + 2], "MeterType"), rows[i].stored) << rows[i].text;
}

TEST_F(RouteRulesTest, TwoConversionsInARowEachNumberFromOne) {
    // One engine runs many conversions in the desktop program; the autonumber of one run
    // must not carry into the next (two runs together pass the 16-bit limit).
    WriteMap("Auto", MapTypeDelimited, {"RouteNbr=1,0", "Sequence=A", "MeterTagNbr=2,0", "MeterType=C,R",
                                        "UtilityCode=C,1", "ServiceAddress=C,X"}, ",");
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "R" + std::to_string(i / 1000) + "," + std::to_string(i + 1) + "\r\n";
    engine.SetRouteSource(folder.Write("route.txt", text));
    engine.SetRouteDestination(folder.File("RouteQVF.pdb"));
    engine.SetRouteMap("Auto");
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        messages.QueueAnswer(MsgResult::Yes);
        ASSERT_TRUE(engine.ConvertRoute());
        EXPECT_FALSE(engine.Busy());
        const auto records = ReadDatabase(folder.File("RouteQVF.pdb"));
        ASSERT_EQ(records.size(), 20021u);
        EXPECT_EQ(Number(records[21], "Sequence"), 1);
        EXPECT_EQ(Number(records.back(), "Sequence"), 20000);
        EXPECT_EQ(engine.LastConversion().MetersWritten, 20000);
    }
}

TEST_F(RouteRulesTest, AnUncreatableDestinationFailsAlikeForBothContainers) {
    WriteFixedMap();
    for (const char* type : {"PDB", "PRC", "VFS"}) {
        SCOPED_TRACE(type);
        log.Lines.clear();
        UseSource({FixedLine("0012", 1, "7", "R", "R", "1 MAIN")});
        engine.SetRouteDestination(folder.File("no such folder/RouteQVF.pdb"));
        engine.SetRouteQVFType(type);
        EXPECT_FALSE(engine.ConvertRoute());
        EXPECT_EQ(LogAfterStart(), (Lines{"Error: Could not Create Route QVF File", "Route QVF File NOT created",
                                          "Problems encountered; Route file unusable", ""}));
        EXPECT_TRUE(messages.Shown.empty());
    }
}

TEST_F(RouteRulesTest, FieldsFixedForTheRunAreTheSameOnEveryMeterAndTheRestFollowTheirLine) {
    // Constants, absent fields and numbers fixed for the run are written once and kept;
    // autonumbers, read type codes and messages still change from meter to meter.
    WriteFixedMap("Std", {"MeterType=C,W", "Sequence=A", "User2=C,RE-READ", "User3=N", "ScaleFactor=C,3"});
    const struct { const char* readType; const char* message; int64_t code; } rows[] = {
        {"R", "GATE", 1}, {"M", "", 2}, {"P", "DOG", 3}, {"R", "", 1},
    };
    Lines lines;
    for (size_t i = 0; i < std::size(rows); ++i) {
        lines.push_back(FixedLine("0012", 0, std::to_string(100 + i), "X", rows[i].readType, "1 MAIN", "A", rows[i].message));
    }
    UseSource(lines);
    ASSERT_TRUE(engine.ConvertRoute());
    const auto records = ReadDatabase(folder.File("RouteQVF.pdb"));
    ASSERT_EQ(records.size(), std::size(rows) + 2);
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const ValueCollection& meter = records[i + 2];
        EXPECT_EQ(Number(meter, "Sequence"), static_cast<int64_t>(i + 1));
        EXPECT_EQ(Number(meter, "MeterTagNbr"), static_cast<int64_t>(100 + i));
        EXPECT_EQ(Number(meter, "ReadType"), rows[i].code);
        EXPECT_EQ(Number(meter, "MeterType"), 87);
        EXPECT_EQ(Number(meter, "Digits"), 5);
        EXPECT_EQ(Number(meter, "ScaleFactor"), 3);
        EXPECT_EQ(meter.Item("User2").ToText(), "RE-READ");
        EXPECT_EQ(meter.Item("User3").ToText(), "");
        EXPECT_EQ(meter.Item("Message").ToText(), *rows[i].message ? "Billing: " + std::string(rows[i].message) : "");
    }
}

// A number column stores what the lenient parse reads from its text: a text that starts
// with a letter has no leading number, while a sign, a decimal point and blanks lead one.
TEST_F(RouteRulesTest, NumberColumnsStoreTheLeadingNumberOfTheirText) {
    // Digits (16-bit in the map) and Lat (a Double) both go into whole-number record fields.
    const struct { const char* text; double stored; } rows[] = {
        {"+7", 7}, {".5", 0}, {"1.5", 2}, {"2.5", 2}, {"  3 ", 3}, {"A9", 0}, {"Z9", 0}, {"a9", 0},
        {"z9", 0}, {"@9", 0}, {"[9", 0},  {"`9", 0},  {"{9", 0},   {"9Z", 9},  {"0", 0},
    };
    WriteFixedMap("Num", {"Digits=62,4", "Lat=66,4"});
    Lines lines;
    for (size_t i = 0; i < std::size(rows); ++i) {
        std::string text = rows[i].text;
        text.resize(4, ' ');
        lines.push_back(FixedLine("0012", static_cast<int>(i + 1), std::to_string(100 + i), "R", "R", "1 MAIN") + text + text);
    }
    UseSource(lines, "Num");
    ASSERT_TRUE(engine.ConvertRoute()) << ::testing::PrintToString(log.Lines);
    const auto records = ReadDatabase(folder.File("RouteQVF.pdb"));
    ASSERT_EQ(records.size(), std::size(rows) + 2);
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].text);
        EXPECT_EQ(records[i + 2].Item("Digits").ToNumber(), rows[i].stored);
        EXPECT_EQ(records[i + 2].Item("Lat").ToNumber(), rows[i].stored);
    }
}

// The one-pass split of a one-character delimiter and quote gives the columns of the
// general split, over quoted delimiters, doubled quotes, "~", unbalanced and empty quotes,
// and NUL bytes; with its marks on either side of the edges of the 64-byte blocks it reads
// (a quote opening in one block and closing in the next, a doubled quote across an edge),
// in lines shorter than a block, and when it stops after the columns wanted.
TEST(DelimitedColumns, TheOnePassSplitMatchesTheGeneralSplit) {
    const char* lines[] = {
        "",        "a",           "a,b,,c,",      "\"a,b\",c",      "\"O\"\"BRIEN\",x",  "x~y,\"p~q,r\"",
        "\"\",\"\"", "\"",         "a,\"b,c",      "\"a\"\"\",b\"",  "\"\"\"\"\"\",z",   ",\"a\"b\"c\",\"",
        "  \"a\" ,b", "a\"\"b,\"\"", "~,~~,\"~\"", "\"a,\"\"b,\"\"c\"",
        "\"a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,s,t,u,v,w,x,y,z,0,1,2,3,4,5,6,7,8,9\",\"\"\"x\"\"\",~,\"",
        ",,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,\"\"\"\"\"\"\"\",,",
    };
    const std::pair<std::string, std::string> marks[] = {{",", "\""}, {";", "'"}, {",", ""}};
    for (const auto& [delimiter, quote] : marks) {
        for (const std::string line : lines) {
            // The same lines in the marks of the row, shifted to other places in the eight-byte
            // words the marks are searched in, and next to bytes of 0x80 and up.
            std::string text = line;
            for (char& c : text) {
                if (c == ',') c = delimiter[0];
                else if (c == '"' && !quote.empty()) c = quote[0];
            }
            for (const size_t shift : {0, 3, 7, 8, 13, 47, 55, 60, 61, 62, 63, 64, 65, 66, 127}) {
                const std::string shifted = std::string(shift, shift % 2 == 0 ? 'y' : '\xac') + text +
                                            std::string("\x80\xff\0", 3) + text;
                for (const size_t wanted : {SIZE_MAX, size_t{1}, size_t{2}, size_t{7}}) {
                    ParsedLine fast, general;
                    fast.SplitColumns(shifted, delimiter, quote, wanted);
                    general.SplitColumnsAnyWidth(shifted, delimiter, quote);
                    std::vector<std::string> a(fast.Columns().begin(), fast.Columns().end());
                    std::vector<std::string> b(general.Columns().begin(), general.Columns().end());
                    // Splitting may give more columns than wanted, never fewer.
                    ASSERT_GE(a.size(), std::min(wanted, b.size()));
                    a.resize(std::min(wanted, b.size()));
                    b.resize(a.size());
                    EXPECT_EQ(a, b) << '[' << shifted << "] delimiter " << delimiter << " quote " << quote
                                    << " columns wanted " << wanted;
                }
            }
        }
    }
    ParsedLine line;
    line.SplitColumns("'a;b';'it''s';c~d", ";", "'");
    EXPECT_EQ(std::vector<std::string>(line.Columns().begin(), line.Columns().end()),
              (std::vector<std::string>{"a;b", "it's", "c;d"}));
}

// Every line after the first is parsed by the plan's kinds of field (texts, numbers, the
// rest such as dates in order): each line stores what it stores as a first line, which is
// parsed field by field in the map's order. Whole lines and lines that end inside or before
// a column, numbers read from plain digits (up to a 32-bit field's limit) and by the lenient
// parse, and blank, lower-case and NUL-holding texts.
TEST_F(RouteRulesTest, ALineAfterTheFirstStoresWhatItStoresAsTheFirst) {
    WriteFixedMap("Std", {"Digits=62,2", "Lat=64,16", "User1=80,3"});
    const std::string whole = FixedLine("0012", 7, "4711", "W", "R", "  1 MAIN ST", "SMITH", "GATE");
    const std::string lines[] = {
        whole + "99" + "      2147483647" + "ABC",
        whole + "-1" + "1E3             " + "  C",
        whole + "7 " + "  12.5          " + "AB",
        whole + " 3" + "            -999",
        whole.substr(0, 30),
        whole.substr(0, 15),
        FixedLine("0012", 7, "  4711A", "w", "m", "", "SMI" + std::string(1, '\0') + "TH", "  ") + "  " + "2.5",
    };
    for (const std::string& line : lines) {
        SCOPED_TRACE(::testing::PrintToString(line));
        UseSource({line});
        messages.QueueAnswer(MsgResult::Yes);
        ASSERT_TRUE(engine.ConvertRoute()) << ::testing::PrintToString(log.Lines);
        const auto alone = ReadDatabase(folder.File("RouteQVF.pdb"));
        UseSource({FixedLine("0012", 1, "99", "W", "R", "2 ELM"), line});
        messages.QueueAnswer(MsgResult::Yes);
        ASSERT_TRUE(engine.ConvertRoute()) << ::testing::PrintToString(log.Lines);
        const auto second = ReadDatabase(folder.File("RouteQVF.pdb"));
        ASSERT_EQ(alone.size(), 3u);
        ASSERT_EQ(second.size(), 4u);
        for (const auto& [name, value] : alone[2]) {
            EXPECT_EQ(second[3].Item(name).ToText(), value.ToText()) << name;
        }
    }
}
