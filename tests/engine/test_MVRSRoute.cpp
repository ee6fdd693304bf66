// The MVRS route import: the records it writes, the packing of the download values the
// upload needs, its rules over their whole tables, and downloads it must refuse or cut short.

#include "MVRSFixture.h"
#include "engine/modMVRS.h"

using namespace dovrex;
using namespace dovrex::test;

namespace {

using Lines = std::vector<std::string>;

const DateTime kCycleDate{2004, 1, 20, 0, 0, 0};

std::string Route(const std::string& number, FieldValues more = {}) {
    more.insert(more.begin(), {"RouteNumber", number});
    return Download("RHD", more);
}

std::string Cycle(int routes) {
    return Download("CHD", {{"CycleNumber", 1}, {"NumberRoutes", routes}, {"CycleDate", kCycleDate}});
}

std::string Customer(const std::string& account, const std::string& name, const std::string& address) {
    return Download("CUS", {{"Account", account}, {"Name", name}, {"Address1", address}});
}

std::string Meter(const std::string& number, FieldValues more = {}) {
    more.insert(more.begin(), {"MeterNumber", number});
    return Download("MTR", more);
}

std::string Reading(const std::string& method, int dials = 5, int high = 0) {
    return Download("RDG", {{"NumberDials", dials}, {"ReadMethod", method}, {"High1", high}});
}

std::string Radio(const std::string& ertid) { return Download("RFF", {{"RFERTID", ertid}}); }

} // namespace

class MVRSRouteTest : public MVRSFixture {};

TEST_F(MVRSRouteTest, WritesHeaderRouteAndMeterRecordsAndPacksTheUploadValues) {
    // Supervisor messages found by the trimmed account, serial and tag of the meter.
    advanced.AddMessage("Account", "00000101", "ACCT-1", "ACCOUNT NOTE");
    advanced.AddMessage("SerialNbr", "00000101", "M-100", "SERIAL NOTE");
    advanced.AddMessage("TagNbr", "ANY", "55501234", "TAG NOTE");
    UseDownload({
        Download("FHD", {{"Version", "01.00"}, {"NumberCycles", 1}}),
        Cycle(1),
        Route("00000101", {{"NumberCustomerRecords", 1}, {"NumberMeterRecords", 2}, {"Region", "R1"}, {"Zone", "Z2"},
                           {"Office", "O3"}, {"NumberRemoteWandReads", 4}}),
        Download("CUS", {{"NumberMeters", 1}, {"Account", "ACCT-1"}, {"Name", "SMITH JOHN"}, {"Address1", "12 MAIN ST"},
                         {"Address2", "APT 4"}, {"GroupCode", "G"}, {"CustomerInfo", "INFO"}, {"ExtraIndicator", "Y"},
                         {"SegmentCode", "SEG1"}, {"UtilityID", "01"}, {"PassThru", "~"}}),
        Download("CSX", {{"Name", "SMITH MARY"}, {"Address3", "SPRINGFIELD"}}),
        Download("RTS", {{"SurveyText1", "LOST: BEFORE ITS METER"}}),
        Meter("M-100", {{"NumberReadings", 1}, {"GroupCode", "g"}, {"SurveyCode1DisplayIndicator", "1"},
                        {"SurveyCode2DisplayIndicator", "2"}, {"BillCode", "B"}, {"MeterStatus", "S"},
                        {"OpticalProbeID", "PROBE1"}, {"MeterType", 7}, {"ReadSequence", 120},
                        {"AdditionalMeterInfo", "BEHIND GARAGE"}, {"MeterLocation", "07"}, {"ReadInstruction1", 3},
                        {"ReadInstruction2", 4}, {"SpecialMessageDisplayIndicator", 1}, {"MeterCategory", "W"},
                        {"LocationExtraMeter", "L"}, {"MeterAudit4", "A"}}),
        Download("RDG", {{"TextPrompt", "KWH"}, {"ReadDirection", "F"}, {"CompareCode", 5}, {"ValidationCode", 6},
                         {"NumberDials", 5}, {"NumberDecimals", 1}, {"ReadMethod", "K"}, {"PreviousReading", 12345},
                         {"High1", 13000}, {"Low1", 12000}, {"MeterConstant", 10}, {"ConstantFlag", 1},
                         {"HHFPosition", 2}, {"NegativeDialCreep", 0}}),
        Download("MTS", {{"SpecialMessageText", "DOG~IN YARD"}}),
        Download("RTS", {{"SurveyText1", "SURVEY ONE"}, {"SurveyText2", "TWO"}}),
        Download("WRR", {{"DeviceID", "WAND7"}, {"WandProgram", "WP01"}}),
        Download("RFF", {{"RFERTID", "55501234"}, {"GeographicArea", 12}, {"RFFrequency", "915"}, {"RFTone", "T1"},
                         {"Tamper", 3}, {"50ESSFlag", "N"}}),
        Meter("M-200", {{"MeterCategory", "X"}}),
        Download("RTR"), Download("CTR"), Download("FTR"),
    });
    ASSERT_TRUE(engine.ConvertRoute());
    EXPECT_EQ(LogAfterStart(), (Lines{"2 meters written to Route QVF File", "Route Conversion Finished", ""}));
    EXPECT_FALSE(progress.WentPastMax);

    const auto records = ReadDatabase(folder.File("RouteQVF.pdb"));
    ASSERT_EQ(records.size(), 4u);
    const ValueCollection& header = records[0];
    for (const auto& [name, value] : std::vector<std::pair<const char*, int64_t>>{
             {"RecType", 0}, {"RouteNbr", 1}, {"Sequence", 20040115}, {"MeterTagNbr", 1345}, {"MeterType", 3},
             {"PrvReading", 2}, {"ReadingDate", 20040115}, {"CurReading", 0}}) {
        EXPECT_EQ(Number(header, name), value) << name;
    }
    EXPECT_EQ(Text(header, "Initials"), "QVF loaded from " + folder.File("route.txt"));
    EXPECT_EQ(Text(header, "User1"), "1~2");

    const ValueCollection& route = records[1];
    EXPECT_EQ(Number(route, "RecType"), 1);
    EXPECT_EQ(Number(route, "RouteNbr"), 1);
    EXPECT_EQ(Number(route, "PrvReading"), 2);
    EXPECT_EQ(Text(route, "Initials"), "00000101");
    EXPECT_EQ(Text(route, "ResponseText"), "00000101");
    EXPECT_EQ(Text(route, "User1"), "R1~Z2~O3~01/20/2004~4");

    const ValueCollection& meter = records[2];
    for (const auto& [name, value] : std::vector<std::pair<const char*, int64_t>>{
             {"RecType", 2}, {"RouteNbr", 1}, {"Sequence", 120}, {"MeterTagNbr", 55501234}, {"MeterType", 1},
             {"Digits", 5}, {"Decimals", 1}, {"PrvReading", 12345}, {"MaxReading", 13000}, {"MinReading", 12000},
             {"Status", 0}, {"ReadType", 2}, {"TamperCount", 3}, {"UtilityCode", '0'}, {"CurReading", 0}}) {
        EXPECT_EQ(Number(meter, name), value) << name;
    }
    const std::string message = Text(meter, "Message");
    EXPECT_EQ(message, advanced.LookupMessage("DOG~IN YARD", "00000101", "ACCT-1", "M-100", "55501234"));
    for (const char* note : {"DOG~IN YARD", "ACCOUNT NOTE", "SERIAL NOTE", "TAG NOTE"}) {
        EXPECT_NE(message.find(note), std::string::npos) << note;
    }
    EXPECT_EQ(Text(meter, "ServiceAddress"), Pad("12 MAIN ST", 20) + Pad("APT 4", 20) + "SPRINGFIELD");
    EXPECT_EQ(Text(meter, "BillingName"), Pad("SMITH JOHN", 20) + "SMITH MARY");
    EXPECT_EQ(Text(meter, "ServiceUniqueID"), Pad("ACCT-1", 20));
    EXPECT_EQ(Text(meter, "MeterSerialNbr"), Pad("M-100", 12));
    EXPECT_EQ(Text(meter, "User1"), "0~" + Pad("ACCT-1", 20) + "~G~Y~SEG1~-~" + Pad("INFO", 20));
    EXPECT_EQ(Text(meter, "User2"), "g~1~2~B~S~" + Pad("PROBE1", 14) + "~7~7~3~4~1~" + Pad("SURVEY ONE", 40) + "~L~" +
                                        Pad("BEHIND GARAGE", 20) + "~00000120");
    EXPECT_EQ(Text(meter, "User3"), "KWH ~F~5~6~K~10~1~2~1");
    EXPECT_EQ(Text(meter, "User4"), "12~" + Pad("915", 12) + "~T1  ~~" + Pad("WAND7", 14) + "~WP01");
    // A "~" inside a value would shift every value after it when the upload unpacks them.
    EXPECT_EQ(Text(meter, "User5"), Pad("DOG-IN YARD", 100));

    // The next meter starts afresh but keeps its customer; codes it lacks are not the meter before's.
    const ValueCollection& second = records[3];
    EXPECT_EQ(Number(second, "MeterType"), 0);
    EXPECT_EQ(Number(second, "MeterTagNbr"), 0);
    EXPECT_EQ(Number(second, "ReadType"), 0);
    EXPECT_EQ(Text(second, "BillingName"), Text(meter, "BillingName"));
    EXPECT_EQ(Text(second, "User1"), Text(meter, "User1")); // its "~" still mended
    EXPECT_EQ(Text(second, "User4"), "0~~~~~");
    EXPECT_EQ(Text(second, "User5"), "");

    // The word index of the route, from the values read back from each meter record.
    EXPECT_EQ(IndexRecords(folder.File("RouteQVF.pdb")),
              (Lines{"1/0 JOHN:0:1 MARY:0:1 SMITH:0:0:1:1", "1/1 APT:0:1 MAIN:0:1 SPRINGFIELD:0:1",
                     "1/2 55501234:0", "1/3 M-100:0 M-200:1", "1/4 ACCT-1:0:1"}));
    EXPECT_EQ(engine.LastConversion().RouteList, (Lines{"00000101"}));
}

TEST_F(MVRSRouteTest, MeterRulesOfRadioProcessingSequenceCategoryAndReadMethod) {
    // Each row is one meter: its MTR values, the records after it and what its record holds.
    struct Row {
        const char* trace;
        bool radio;
        FieldValues mtr;
        Lines after;
        int64_t tag, readType, sequence, meterType, digits, high;
    };
    const Row rows[] = {
        {"8 digits, radio on", true, {{"MeterNumber", "12345678"}}, {Reading("K")}, 12345678, 1, 0, 0, 5, 0},
        {"8 digits in blanks", true, {{"MeterNumber", "  12345678"}}, {Reading("K")}, 12345678, 1, 0, 0, 5, 0},
        {"8 digits, radio off", false, {{"MeterNumber", "12345678"}}, {Reading("K")}, 0, 2, 0, 0, 5, 0},
        {"7 digits", true, {{"MeterNumber", "1234567"}}, {Reading("K")}, 0, 2, 0, 0, 5, 0},
        {"7 digits and a letter", true, {{"MeterNumber", "1234567A"}}, {Reading("K")}, 0, 2, 0, 0, 5, 0},
        {"9 digits", true, {{"MeterNumber", "123456789"}}, {Reading("K")}, 0, 2, 0, 0, 5, 0},
        {"RFF replaces the tag", true, {{"MeterNumber", "12345678"}}, {Reading("K"), Radio("87654321")}, 87654321, 1, 0, 0, 5, 0},
        {"RFF tag not numeric", false, {}, {Radio("ABCDEFGH")}, 0, 0, 0, 0, 0, 0},
        {"sequence 32767", false, {{"ReadSequence", 32767}}, {}, 0, 0, 32767, 0, 0, 0},
        {"sequence 32768", false, {{"ReadSequence", 32768}}, {}, 0, 0, 0, 0, 0, 0},
        {"sequence 00040000", false, {{"ReadSequence", 40000}}, {}, 0, 0, 0, 0, 0, 0},
        {"second RDG wins", false, {}, {Reading("K", 4, 100), Reading("P", 6, 900)}, 0, 3, 0, 0, 6, 900},
        {"method R", false, {}, {Reading("R")}, 0, 1, 0, 0, 5, 0},
        {"method N", false, {}, {Reading("N")}, 0, 0, 0, 0, 5, 0},
        {"method W", false, {}, {Reading("W")}, 0, 3, 0, 0, 5, 0},
        {"method X leaves it unset", false, {}, {Reading("X")}, 0, 0, 0, 0, 5, 0},
        {"category W", false, {{"MeterCategory", "W"}}, {}, 0, 0, 0, 1, 0, 0},
        {"category G", false, {{"MeterCategory", "G"}}, {}, 0, 0, 0, 2, 0, 0},
        {"category E", false, {{"MeterCategory", "E"}}, {}, 0, 0, 0, 3, 0, 0},
        {"category S", false, {{"MeterCategory", "S"}}, {}, 0, 0, 0, 4, 0, 0},
        {"category I", false, {{"MeterCategory", "I"}}, {}, 0, 0, 0, 5, 0, 0},
        {"category w", false, {{"MeterCategory", "w"}}, {}, 0, 0, 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        Lines lines = {Cycle(1), Route("R1"), Customer("A1", "N", "ADDR"), Download("MTR", row.mtr)};
        lines.insert(lines.end(), row.after.begin(), row.after.end());
        UseDownload(lines, row.radio);
        ASSERT_TRUE(engine.ConvertRoute());
        const auto meters = Meters(folder.File("RouteQVF.pdb"));
        ASSERT_EQ(meters.size(), 1u);
        EXPECT_EQ(Number(meters[0], "MeterTagNbr"), row.tag);
        EXPECT_EQ(Number(meters[0], "ReadType"), row.readType);
        EXPECT_EQ(Number(meters[0], "Sequence"), row.sequence);
        EXPECT_EQ(Number(meters[0], "MeterType"), row.meterType);
        EXPECT_EQ(Number(meters[0], "Digits"), row.digits);
        EXPECT_EQ(Number(meters[0], "MaxReading"), row.high);
    }
    EXPECT_TRUE(log.Contains("Notice: Special radio processing option is enabled"));
}

TEST_F(MVRSRouteTest, EachMeterHasItsOwnNumbersWhateverTheMeterBefore) {
    // Meters in a row whose numbers repeat, go back to none and come back.
    UseDownload({Cycle(1), Route("R1"), Download("CUS", {{"UtilityID", "01"}}), Meter("M1", {{"MeterCategory", "W"}}),
                 Reading("K", 4, 90), Meter("M2", {{"MeterCategory", "W"}}), Reading("K", 4, 90),
                 Download("CUS", {{"UtilityID", "11"}}), Meter("M3", {{"MeterCategory", "X"}}),
                 Download("CUS", {{"UtilityID", "01"}}), Meter("M4", {{"MeterCategory", "W"}}), Reading("K", 4, 90)});
    ASSERT_TRUE(engine.ConvertRoute());
    const auto meters = Meters(folder.File("RouteQVF.pdb"));
    ASSERT_EQ(meters.size(), 4u);
    const int64_t expected[][5] = {{1, 2, 4, 90, '0'}, {1, 2, 4, 90, '0'}, {0, 0, 0, 0, '1'}, {1, 2, 4, 90, '0'}};
    for (size_t i = 0; i < meters.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Number(meters[i], "MeterType"), expected[i][0]);
        EXPECT_EQ(Number(meters[i], "ReadType"), expected[i][1]);
        EXPECT_EQ(Number(meters[i], "Digits"), expected[i][2]);
        EXPECT_EQ(Number(meters[i], "MaxReading"), expected[i][3]);
        EXPECT_EQ(Number(meters[i], "UtilityCode"), expected[i][4]);
        EXPECT_EQ(Number(meters[i], "RouteNbr"), 1);
    }
}

TEST_F(MVRSRouteTest, IndexWordsEndWhereANulEndsTheStoredText) {
    using namespace std::string_literals;
    // A NUL in each record the indexed texts come from, one at a time.
    const std::pair<Lines, Lines> rows[] = {
        {{Customer("A1\0B"s, "SMITH", "1 ELM\0ST"s), Download("CSX"), Meter("M-1")},
         {"1/0 SMITH:0", "1/1 ELM:0", "1/3 M-1:0", "1/4 A1:0"}},
        {{Customer("A1", "SMITH", "1 ELM"), Download("CSX", {{"Name", "BROWN\0MARY"s}}), Meter("M-1")},
         {"1/0 BROWN:0 SMITH:0", "1/1 ELM:0", "1/3 M-1:0", "1/4 A1:0"}},
        {{Customer("A1", "SMITH", "1 ELM"), Download("CSX"), Meter("M-1\0X"s)},
         {"1/0 SMITH:0", "1/1 ELM:0", "1/3 M-1:0", "1/4 A1:0"}},
    };
    for (const auto& [records, index] : rows) {
        SCOPED_TRACE(index.front());
        Lines lines = {Cycle(1), Route("R1")};
        lines.insert(lines.end(), records.begin(), records.end());
        UseDownload(lines);
        ASSERT_TRUE(engine.ConvertRoute());
        EXPECT_EQ(IndexRecords(folder.File("RouteQVF.pdb")), index);
    }
}

TEST_F(MVRSRouteTest, LocationsAndRadioTagsReadAsTheirLeadingNumber) {
    // The location's number goes packed into the meter's texts; the radio record's ID is its
    // tag, indexed as the record holds it (a small negative number reads back as another).
    const struct {
        const char *location, *packed, *ertid;
        int64_t tag;
    } rows[] = {
        {"SI", "0", "12345678", 12345678}, {"e5", "0", "  123456", 123456}, {"7X", "7", "1234 678", 1234678},
        {" 5", "5", "00000042", 42},        {"-3", "-3", "-1234567", 15542649}, {".5", "0.5", "12AB5678", 12},
        {"  ", "0", "        ", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.location);
        UseDownload({Cycle(1), Route("R1"), Meter("M1", {{"MeterLocation", row.location}}), Radio(row.ertid)});
        engine.ConvertRoute();
        const auto meters = Meters(folder.File("RouteQVF.pdb"));
        ASSERT_EQ(meters.size(), 1u);
        const std::string user2 = Text(meters[0], "User2");
        std::vector<std::string> values;
        for (size_t start = 0, end; start <= user2.size(); start = end + 1) {
            end = std::min(user2.find('~', start), user2.size());
            values.push_back(user2.substr(start, end - start));
        }
        ASSERT_GT(values.size(), 7u);
        EXPECT_EQ(values[7], row.packed);
        EXPECT_EQ(Number(meters[0], "MeterTagNbr"), row.tag);
        const Lines index = IndexRecords(folder.File("RouteQVF.pdb"));
        EXPECT_EQ(std::count(index.begin(), index.end(), "1/2 " + std::to_string(row.tag) + ":0"), row.tag != 0);
    }
}

TEST_F(MVRSRouteTest, RouteTableFollowsTheCycleHeaders) {
    // CHD announcements against the RHD records that follow; an RHD that no CHD announced
    // fails the conversion.
    struct Row {
        const char* trace;
        Lines head;
        size_t rhd;
        Lines routeTexts; // route numbers of the route records; empty when the conversion fails
    };
    const Row rows[] = {
        {"NumberRoutes 0 counts as one", {Cycle(0)}, 1, {"R1      "}},
        {"two CHD records add up", {Cycle(2), Cycle(3)}, 4, {"R1      ", "R2      ", "R3      ", "R4      ", ""}},
        {"one RHD too many", {Cycle(1)}, 2, {}},
        {"RHD before any CHD", {}, 1, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        log.Lines.clear();
        messages.Shown.clear();
        Lines lines = row.head;
        for (size_t i = 1; i <= row.rhd; ++i) {
            lines.push_back(Route("R" + std::to_string(i)));
            lines.push_back(Meter("M" + std::to_string(i)));
        }
        UseDownload(lines);
        const bool ok = engine.ConvertRoute();
        EXPECT_EQ(ok, !row.routeTexts.empty());
        if (!ok) {
            ASSERT_FALSE(messages.Shown.empty());
            EXPECT_EQ(messages.Shown.back().Title, "Error");
            EXPECT_EQ(messages.Shown.back().Text, "The RHD record in line " + std::to_string(lines.size() - 1) + " of " +
                                                  folder.File("route.txt") +
                                                  " is not announced by the CHD records before it");
            EXPECT_EQ(LogAfterStart(), (Lines{"Problems encountered; Route file unusable", ""}));
            continue;
        }
        const auto records = ReadDatabase(folder.File("RouteQVF.pdb"));
        ASSERT_EQ(records.size(), 1 + row.routeTexts.size() + row.rhd);
        EXPECT_EQ(Number(records[0], "RouteNbr"), static_cast<int64_t>(row.routeTexts.size()));
        for (size_t k = 0; k < row.routeTexts.size(); ++k) {
            EXPECT_EQ(Text(records[1 + k], "Initials"), row.routeTexts[k]);
            EXPECT_EQ(Number(records[1 + k], "PrvReading"), k < row.rhd ? 1 : 0);
        }
        EXPECT_EQ(Number(records.back(), "RouteNbr"), static_cast<int64_t>(row.rhd));
    }
}

TEST_F(MVRSRouteTest, DuplicateRadioIdsAreLoggedAllMetersWrittenAndTheRouteUnusable) {
    UseDownload({Cycle(1), Route("R1"), Customer("A1", "JONES", "1 ELM"), Meter("M1"), Radio("00000555"),
                 Customer("A2", "BROWN", "2 OAK"), Meter("M2"), Radio("555"), Meter("M3"), Radio("556")});
    EXPECT_FALSE(engine.ConvertRoute());
    EXPECT_EQ(LogAfterStart(), (Lines{"Meter Tag Number of 555 is duplicate in Line 8",
                                      "   Info: " + Pad("2 OAK", 20) + " " + Pad("BROWN", 20),
                                      "Route QVF File NOT created", "Problems encountered; Route file unusable", ""}));
    EXPECT_EQ(Meters(folder.File("RouteQVF.pdb")).size(), 3u);
}

TEST_F(MVRSRouteTest, BadDownloadsEndThePassOrFailWithAReason) {
    struct Row {
        const char* trace;
        Lines lines;
        size_t meters;          // meter records written
        const char* firstLog;   // the first line after the start
        const char* error;      // the error box, if any
    };
    const Row rows[] = {
        {"a line of unknown kind ends the pass",
         {Cycle(1), Route("R1"), Meter("M1"), "XYZ whatever", Meter("M2")}, 1, "1 meters written to Route QVF File", nullptr},
        {"a lower-case kind is unknown", {Cycle(1), Route("R1"), Meter("M1"), "mtr", Meter("M2")}, 1,
         "1 meters written to Route QVF File", nullptr},
        {"short lines read as blanks and zeros", {Cycle(1), Route("R1"), "MTR", "RDG", "RFF", "CUS", "CSX", "MTR"}, 2,
         "2 meters written to Route QVF File", nullptr},
        {"no meters", {Download("FHD"), Cycle(1), Route("R1"), Download("RTR")}, 0,
         "The RouteQVF contains no meter records. The RouteQVF file is unusable.", nullptr},
        {"first line unknown", {"ZZZ", Cycle(1), Route("R1"), Meter("M1")}, 0,
         "The RouteQVF contains no meter records. The RouteQVF file is unusable.", nullptr},
        {"a meter before any route", {Cycle(1), Meter("M1"), Route("R1")}, 0, "Problems encountered; Route file unusable",
         "The MTR record in line 2 of <source> comes before any route of the file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        log.Lines.clear();
        messages.Shown.clear();
        UseDownload(row.lines);
        engine.ConvertRoute();
        const Lines logged = LogAfterStart();
        ASSERT_FALSE(logged.empty());
        EXPECT_EQ(logged.front(), row.firstLog);
        if (row.error) {
            ASSERT_FALSE(messages.Shown.empty());
            EXPECT_EQ(messages.Shown.back().Text, Replace(row.error, "<source>", folder.File("route.txt")));
        } else {
            EXPECT_EQ(Meters(folder.File("RouteQVF.pdb")).size(), row.meters);
        }
    }
}

TEST_F(MVRSRouteTest, ColumnsCutByTheLineEndReadWhatTheLineHolds) {
    const std::string full = Meter("M-12345", {{"MeterCategory", "W"}});
    const size_t serial = full.find("M-12345");
    for (const size_t length : {serial, serial + 1, serial + 4, serial + 7, full.size()}) {
        SCOPED_TRACE(length);
        UseDownload({Cycle(1), Route("R1"), full.substr(0, length)});
        ASSERT_TRUE(engine.ConvertRoute());
        const auto meters = Meters(folder.File("RouteQVF.pdb"));
        ASSERT_EQ(meters.size(), 1u);
        EXPECT_EQ(TrimView(Text(meters[0], "MeterSerialNbr")), full.substr(serial, std::min<size_t>(length - serial, 7)));
        EXPECT_EQ(Number(meters[0], "MeterType"), length == full.size() ? 1 : 0);
    }
}

TEST_F(MVRSRouteTest, NonNumericNumbersReadTheirLeadingNumberOrZero) {
    // Number columns are laid over text here: a leading number is kept, anything else is 0.
    const std::string line = "RDG" + Pad("R1", 8) + Pad("", 15) + "AB" + "1 " + "K" + Pad("12AB", 10) + Pad("X", 10) +
                             Pad("7X", 10);
    UseDownload({Cycle(1), Route("R1"), Meter("M1"), line});
    ASSERT_TRUE(engine.ConvertRoute());
    const auto meters = Meters(folder.File("RouteQVF.pdb"));
    ASSERT_EQ(meters.size(), 1u);
    EXPECT_EQ(Number(meters[0], "Digits"), 0);
    EXPECT_EQ(Number(meters[0], "Decimals"), 1);
    EXPECT_EQ(Number(meters[0], "ReadType"), 2);
    EXPECT_EQ(Number(meters[0], "PrvReading"), 12);
    EXPECT_EQ(Number(meters[0], "MaxReading"), 0);
    EXPECT_EQ(Number(meters[0], "MinReading"), 7);
}

TEST(MVRSRoute, CopyNotingRareFindsTildeOrNulAtEveryPlace) {
    // Lengths around the sixteen bytes looked at together, a rare character at each end,
    // at either side of a sixteen-byte boundary and in the last, overlapping sixteen.
    for (const size_t length : {0, 1, 15, 16, 17, 31, 32, 33, 47, 100}) {
        std::vector<size_t> places = {0, length - 1, length / 2};
        if (length > 16) places.insert(places.end(), {15, 16, length - 16});
        for (const char rare : {'~', '\0'}) {
            for (const size_t place : places) {
                if (length == 0) break;
                std::string text(length, 'a');
                text[place] = rare;
                std::string copy(length, 'x');
                SCOPED_TRACE(std::to_string(length) + " at " + std::to_string(place));
                EXPECT_TRUE(CopyNotingRare(copy.data(), text));
                EXPECT_EQ(copy, text);
            }
        }
        const std::string plain(length, '}'); // "~" plus one: no near miss counts
        std::string copy(length, 'x');
        EXPECT_FALSE(CopyNotingRare(copy.data(), plain)) << length;
        EXPECT_EQ(copy, plain);
    }
}

TEST(MVRSRoute, PackUserKeepsOneSeparatorPerValue) {
    using namespace std::string_literals;
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, ""},
        {{""}, ""},
        {{"", "", ""}, "~~"},
        {{"", "b"}, "~b"},
        {{"a", "", "c"}, "a~~c"},
        {{"a~b", "~"}, "a-b~-"},
        {{"a\0b"s, "c"}, "a\x01" "b~c"},
        {{"~\0~"s, "", "x"}, "-\x01-~~x"},
        // Longer texts of every length that is copied apart: characters found eight at a time,
        // and in the part after the last eight.
        {{"abcdefghijklmnopq", "r", "s"}, "abcdefghijklmnopq~r~s"},
        {{"abcdefgh", "ijklmnop~q"}, "abcdefgh~ijklmnop-q"},
        {{"abcdefghijklmno\0"s, "p"}, "abcdefghijklmno\x01~p"},
        {{"abcd", "efghijk", "lmnopqrstuvwxyz"}, "abcd~efghijk~lmnopqrstuvwxyz"},
        {{"ab", "cde", "f"}, "ab~cde~f"},
    };
    for (const auto& [values, expected] : cases) {
        SCOPED_TRACE(expected);
        std::vector<std::string_view> views(values.begin(), values.end());
        std::string packed;
        switch (views.size()) {
        case 0: packed = PackUser({}); break;
        case 1: packed = PackUser({views[0]}); break;
        case 2: packed = PackUser({views[0], views[1]}); break;
        default: packed = PackUser({views[0], views[1], views[2]}); break;
        }
        EXPECT_EQ(packed, expected);
    }
}
