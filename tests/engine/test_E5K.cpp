// The E5000 route import and reading export through the engine: the records built from
// a download, the upload built from a readings database, hostile downloads, and the round
// trip download -> route database -> handheld readings -> upload.

#include "ReadingsFixture.h"

#include "billing/clsE5KDownload.h"
#include "advanced/modIndexWords.h"
#include "handheld_db/ReadingSimulator.h"

#include <array>
#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

namespace dovrex::test {
namespace {

using FieldValues = std::vector<std::pair<std::string, Value>>;

// One download line of a kind: the given fields in their columns, blanks between them,
// nothing after the last one given.
std::string E5K(const std::string& kind, const FieldValues& values = {}) {
    static clsE5KDownload layouts;
    clsRecType* record = layouts.RecordType(kind);
    EXPECT_NE(record, nullptr) << kind;
    if (record == nullptr) return kind;
    record->Init();
    record->SetValue("RecID", kind);
    for (const auto& [name, value] : values) record->SetValue(name, value);
    return record->BuildLine(0);
}

std::string Meter(const std::string& kind, const std::string& relative, const std::string& serial, int dials,
                  int minimum, int maximum, int prior, const std::string& type, int size, int decimals) {
    return E5K(kind, {{"RelativeMeterNumber", relative}, {"MeterSerialNumber", serial}, {"NumberofDials", dials},
                      {"MinimumRead", minimum}, {"MaximumRead", maximum}, {"PriorRead", prior}, {"MeterType", type},
                      {"MeterSize", size}, {"MeterMake", "MK"}, {"NoDecimals", decimals}, {"MustReadFlag", 1},
                      {"MeterStatus", "A"}, {"MeterLocation", "07"}, {"MeterReference", "REF1"}});
}

std::string Account(const std::string& account, int sequence, const std::string& instruction = "") {
    return E5K("A", {{"Route", "R"}, {"AccountNumber", account}, {"MeterSequenceNumber", sequence},
                     {"AccountType", "R"}, {"SpecialInstruction", instruction}});
}

std::string Customer(const std::string& name, const std::string& address) {
    return E5K("B", {{"CustomerName", name}, {"Address", address}});
}

// The lines of a text file, each without its CR LF; fails when a line lacks it.
std::vector<std::string> FileLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<std::string> lines = Split(text.str(), "\r\n");
    EXPECT_TRUE(!lines.empty() && lines.back().empty()) << "the file does not end with CR LF";
    if (!lines.empty()) lines.pop_back();
    return lines;
}

std::string Pad80(std::string line) {
    line.resize(80, ' ');
    return line;
}

class E5KTest : public ReadingsFixture {
protected:
    void UseDownload(const std::vector<std::string>& lines) {
        WriteMap("E5K", MapTypeE5000, {});
        std::filesystem::remove(folder.File("RouteQVF.pdb"));
        UseSource(lines, "E5K");
    }

    std::vector<ValueCollection> Records(int64_t recType) {
        std::vector<ValueCollection> found;
        for (auto& record : ReadDatabase(folder.File("RouteQVF.pdb"))) {
            if (Number(record, "RecType") == recType) found.push_back(std::move(record));
        }
        return found;
    }

    // A readings database as a handheld returns it from an E5000 route database.
    std::string WriteE5KReadings(const Fields& header, const std::vector<Fields>& routes,
                                 const std::vector<Fields>& meters) {
        const std::string path = folder.File("ReadingQVF.pdb");
        std::filesystem::remove(path);
        clsQVF db;
        db.SetVersion(3);
        EXPECT_EQ(db.CreateQVF(path, ContainerPDB, 0), 0);
        for (const auto* records : {&routes, &meters}) {
            if (records == &routes) {
                db.AddNew();
                Put(db, {{"RecType", 0}, {"RouteNbr", static_cast<int32_t>(routes.size())}, {"MeterType", 3}});
                Put(db, header);
                db.WriteData();
            }
            for (const Fields& record : *records) {
                db.AddNew();
                db.SetItem("RecType", records == &routes ? 1 : 2);
                Put(db, record);
                db.WriteData();
            }
        }
        db.Close();
        return path;
    }

    bool ConvertReadings(const std::string& readings) {
        WriteWriteMap("E5KUp", MapUseReading, MapTypeE5000, {});
        UseReadings(readings, "E5KUp");
        std::filesystem::remove(folder.File("upload.txt"));
        return engine.ConvertReading();
    }
};

TEST_F(E5KTest, DownloadBecomesHeaderRouteAndMeterRecords) {
    UseDownload({
        E5K("F", {{"Route", " ROUTE1 "}}),
        Account("0000000001", 10, "SI"),
        Customer("SMITH JOHN", "12 ELM ST"),
        E5K("E", {{"CustomerAddressLotandPlan", "LOT 5"}}),
        E5K("C", {{"RecordCategory", "02"}, {"PropertyVGKey", "PK0001"}}),
        E5K("D", {{"SpecialInstructions", "BEWARE DOG"}}),
        Meter("H", "01", "00123456", 5, 100, 900, 450, "W", 25, 1),
        E5K("K01", {{"PropertyLocationDesc1", "FRONT"}, {"MeterLocationDesc1", "LEFT SIDE"}}),
        E5K("K05", {{"PropertyLocationDesc2", "BACK"}, {"MeterLocationDesc2", "UNDER STAIRS"}}),
        E5K("L", {{"Location", "NEAR GATE"}}),
        Meter("I", "02", "AB1234", 4, 0, 9999, 12, "G", 40, 0),
        E5K("Z", {{"Route", "ROUTE1"}, {"NumberofAccounts", 1}, {"NumberofMeters", 2}}),
        "Q stray line",
        E5K("F", {{"Route", "ROUTE2"}}),
        Account("0000000002", 5),
        Customer("JONES & CO", "3 OAK DR"),
        Meter("H", "01", "9999999999", 6, 0, 0, 0, "X", 1234567, 0),
        E5K("Z", {{"Route", "ROUTE2"}, {"NumberofAccounts", 7}}),
    });
    ASSERT_TRUE(engine.ConvertRoute());
    EXPECT_EQ(LogAfterStart(), (std::vector<std::string>{"Error: Unknown record type 'Q' at line 13",
                                                         "3 meters written to Route QVF File",
                                                         "Route Conversion Finished", ""}));

    const auto header = Records(0);
    ASSERT_EQ(header.size(), 1u);
    for (const auto& [field, expected] : std::vector<std::pair<const char*, int64_t>>{
             {"RouteNbr", 2}, {"Sequence", 20040115}, {"MeterTagNbr", 1345}, {"MeterType", 3},
             {"PrvReading", 3}, {"ReadingDate", 20040115}}) {
        EXPECT_EQ(Number(header[0], field), expected) << field;
    }
    EXPECT_EQ(header[0].Item("Initials").ToText(), "QVF loaded from " + folder.File("route.txt"));
    EXPECT_EQ(header[0].Item("User1").ToText(), "0");

    const auto routes = Records(1);
    ASSERT_EQ(routes.size(), 2u);
    const std::vector<std::tuple<int64_t, std::string, std::string>> routeRows = {{2, "ROUTE1", "1"}, {1, "ROUTE2", "7"}};
    for (size_t k = 0; k < routes.size(); ++k) {
        const auto& [meters, route, accounts] = routeRows[k];
        EXPECT_EQ(Number(routes[k], "RouteNbr"), static_cast<int64_t>(k + 1));
        EXPECT_EQ(Number(routes[k], "PrvReading"), meters);
        EXPECT_EQ(routes[k].Item("Initials").ToText(), route);
        EXPECT_EQ(routes[k].Item("ResponseText").ToText(), route);
        EXPECT_EQ(routes[k].Item("User1").ToText(), accounts);
    }

    // Serial numbers of digits are radio meters with their tag number; letters, or more
    // digits than a tag number holds, give tag 0. Instructions go to the first meter only.
    const std::vector<std::string> numbers = {"RouteNbr",   "Sequence",   "MeterTagNbr", "MeterType", "Digits",
                                              "Decimals",   "PrvReading", "MaxReading",  "MinReading", "ReadType"};
    const std::vector<std::vector<int64_t>> numberRows = {
        {1, 10, 123456, 1, 5, 1, 450, 900, 100, 1},
        {1, 10, 0, 2, 4, 0, 12, 9999, 0, 2},
        {2, 5, 0, 0, 6, 0, 0, 0, 0, 1},
    };
    const std::vector<std::string> texts = {"Message",        "ServiceAddress", "BillingName", "ServiceUniqueID",
                                            "MeterSerialNbr", "User1",          "User2",       "User3"};
    const std::vector<std::vector<std::string>> textRows = {
        {"Billing: SI BEWARE DOG LEFT SIDE UNDER STAIRS", "12 ELM ST LOT 5 NEAR GATE", "SMITH JOHN", "0000000001",
         "00123456  ", "PK0001", "01", "25"},
        {"Billing: SI", "12 ELM ST LOT 5", "SMITH JOHN", "0000000001", "AB1234    ", "PK0001", "02", "40"},
        {"", "3 OAK DR", "JONES & CO", "0000000002", "9999999999", "", "01", "1234567"},
    };
    const auto meters = Records(2);
    ASSERT_EQ(meters.size(), 3u);
    for (size_t m = 0; m < meters.size(); ++m) {
        for (size_t i = 0; i < numbers.size(); ++i) {
            EXPECT_EQ(Number(meters[m], numbers[i].c_str()), numberRows[m][i]) << "meter " << m << " " << numbers[i];
        }
        for (size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(meters[m].Item(texts[i]).ToText(), textRows[m][i]) << "meter " << m << " " << texts[i];
        }
    }
    // The word index has each tag number as its record holds it, without leading zeros
    // (tag 0 is no word).
    EXPECT_EQ(IndexRecords(folder.File("RouteQVF.pdb"), ixMeterTagNbr), (std::vector<std::string>{"1/2 123456:0"}));
}

// The number columns of a meter and an account, read as a word up to their end where
// they hold digits only, give what the field's general reading gives for every text: at
// the widest and smallest numbers, with blanks, a plus sign, a point, a letter or a
// character next to the digits anywhere.
TEST_F(E5KTest, NumberColumnsReadAsTheirGeneralReadingHasThem) {
    static clsE5KDownload layouts;
    // The line with the text in the named field's columns, and the text's reading.
    const auto put = [](std::string line, const char* kind, const char* name, const std::string& text) {
        const clsRecType* record = layouts.RecordType(kind);
        const clsField& field = record->Fields()[*record->FieldNumber(name)];
        EXPECT_EQ(text.size(), static_cast<size_t>(field.FieldLen())) << name << " '" << text << "'";
        line.replace(static_cast<size_t>(field.FieldPos()) - 1, text.size(), text);
        const double number = field.ExtractNumber(line);
        const int64_t reading = number < INT32_MIN || number > INT32_MAX ? 0 : static_cast<int32_t>(number);
        return std::pair{line, reading};
    };
    // Texts of eight columns (the readings), seven (the meter size) and five (the sequence).
    const struct { const char *Eight, *Seven, *Five; } rows[] = {
        {"00000000", "0000000", "00000"}, {"99999999", "9999999", "99999"}, {"00000001", "0000001", "00001"},
        {"1234567 ", "123456 ", "1234 "}, {" 1234567", " 123456", " 1234"}, {"+0000001", "+000001", "+0001"},
        {"0000001A", "000001A", "0001A"}, {"A0000001", "A000001", "A0001"}, {"        ", "       ", "     "},
        {"12.50000", "12.5000", "12.50"}, {"1234/678", "123:567", "12/45"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.Eight) + " " + row.Seven + " " + row.Five);
        auto [account, sequence] = put(Account("0000000001", 1), "A", "MeterSequenceNumber", row.Five);
        // A digit before the meter size (the meter type), as the account number is before
        // the sequence: the bytes before a column take no part in its number.
        std::string meter = Meter("H", "01", "123", 5, 1, 2, 3, "7", 4, 0);
        std::array<int64_t, 4> readings{};
        const char* const names[] = {"MinimumRead", "MaximumRead", "PriorRead"};
        for (size_t i = 0; i < 3; ++i) std::tie(meter, readings[i]) = put(meter, "H", names[i], row.Eight);
        std::tie(meter, readings[3]) = put(meter, "H", "MeterSize", row.Seven);
        UseDownload({E5K("F", {{"Route", "ROUTE1"}}), account, Customer("SMITH JOHN", "12 ELM ST"), meter});
        messages.QueueAnswer(MsgResult::Yes); // overwrite the last row's database
        ASSERT_TRUE(engine.ConvertRoute());
        const auto meters = Records(2);
        ASSERT_EQ(meters.size(), 1u);
        EXPECT_EQ(Number(meters[0], "Sequence"), sequence);
        EXPECT_EQ(Number(meters[0], "MinReading"), readings[0]);
        EXPECT_EQ(Number(meters[0], "MaxReading"), readings[1]);
        EXPECT_EQ(Number(meters[0], "PrvReading"), readings[2]);
        EXPECT_EQ(meters[0].Item("User3").ToText(), std::to_string(readings[3]));
    }
}

// Downloads that are damaged, odd or hostile: each gives a clear outcome and never more.
TEST_F(E5KTest, OddDownloadsEndClearly) {
    const std::string route = E5K("F", {{"Route", "R1"}});
    const std::string meter = Meter("H", "01", "00123456", 5, 0, 0, 0, "W", 1, 0);
    struct Row {
        std::vector<std::string> lines;
        bool result;
        std::vector<std::string> log; // the log after the starting line
        std::string message;          // the error box, when one is shown
    };
    const std::vector<Row> rows = {
        {{}, false, {"The RouteQVF contains no meter records. The RouteQVF file is unusable."}, ""},
        {{route, E5K("Z", {{"NumberofAccounts", 3}})},
         false,
         {"The RouteQVF contains no meter records. The RouteQVF file is unusable."},
         ""},
        // Kinds told by their first one or three characters, exactly.
        {{route, "K02 DESCRIPTION", "K0", "a lower case", "", meter},
         true,
         {"Error: Unknown record type 'K' at line 2", "Error: Unknown record type 'K' at line 3",
          "Error: Unknown record type 'a' at line 4", "Error: Unknown record type '' at line 5",
          "1 meters written to Route QVF File", "Route Conversion Finished", ""},
         ""},
        // The same serial number twice: both meters are written, the file is not usable.
        {{route, Account("1", 1), meter, meter},
         false,
         {"Meter Tag Number of 00123456 is duplicate in Line 4", "   Info:  ", "Route QVF File NOT created",
          "Problems encountered; Route file unusable", ""},
         ""},
        {{meter, route},
         false,
         {"Problems encountered; Route file unusable", ""},
         "[Error] The H record in line 1 of " + folder.File("route.txt") + " comes before any route of the file"},
        {{E5K("Z", {{"NumberofAccounts", 3}})},
         false,
         {"Problems encountered; Route file unusable", ""},
         "[Error] The Z record in line 1 of " + folder.File("route.txt") + " comes before any route of the file"},
        // Long lines, NUL characters and short lines are only text.
        {{route + std::string(2000, 'X'), Account(std::string("1\0002", 3), 1), std::string("B\0", 2),
          meter.substr(0, 20), "HX"},
         true,
         {"2 meters written to Route QVF File", "Route Conversion Finished", ""},
         ""},
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        log.Lines.clear();
        messages.Shown.clear();
        UseDownload(rows[i].lines);
        EXPECT_EQ(engine.ConvertRoute(), rows[i].result);
        EXPECT_EQ(LogAfterStart(), rows[i].log);
        EXPECT_EQ(messages.Lines(), rows[i].message.empty() ? std::vector<std::string>{}
                                                              : std::vector<std::string>{rows[i].message});
    }
}

TEST_F(E5KTest, UploadGroupsReadMetersByRouteAndAccount) {
    auto read = [](int32_t route, const std::string& account, const std::string& key, int32_t sequence,
                   int32_t readType, int32_t reading, const std::string& serial, const std::string& relative,
                   const std::string& size, int32_t date = 20040115) {
        return Fields{{"RouteNbr", route},         {"ServiceUniqueID", account}, {"User1", key},
                      {"Sequence", sequence},      {"ReadType", readType},       {"CurReading", reading},
                      {"MeterSerialNbr", serial},  {"User2", relative},          {"User3", size},
                      {"ReadingDate", date},       {"ReadingTime", 93005},       {"Status", 1}};
    };
    const std::string readings = WriteE5KReadings(
        {{"Initials", "EMP123"}, {"ResponseText", "PROC987"}},
        {{{"RouteNbr", 1}, {"Initials", "ROUTE1"}, {"User1", "2"}},
         {{"RouteNbr", 2}, {"Initials", "ROUTE2"}, {"User1", "1"}},
         {{"RouteNbr", 3}, {"Initials", "ROUTE3"}, {"User1", "4"}}},
        {
            read(1, "A1", "PK1", 0, 2, 0, "S1", "01", "1"),             // keyed without a reading: left out
            read(1, "A1", "PK1", 10, 1, 1234, "00123456", "01", "25"),  // the route's read date and first sequence
            read(1, "A1", "PK1", 20, 2, 77, "S2", "02", "40", 20040116),
            read(1, "A1", "PK1", 25, 4, 5, "S3", "03", "1"),            // skipped: left out
            read(1, "A1", "PK1", 27, 1, 5, "S4", "04", "1", 0),         // no reading date: left out
            read(1, "A2", "", 30, 1, 123456789, "S5", "01", "1234567"), // no property key: no "S"
            read(1, "A1", "PK1", 40, 3, 8, "S6", "01", ""),            // the account again: a second "C"
            read(2, "B1", "PK9", 5, 1, 1, "S7", "01", "3"),
            read(3, "C1", "PK8", 1, 1, 1, "S8", "01", "3", 0),          // a route of unread meters: no "A"/"Z"
        });
    ASSERT_TRUE(ConvertReadings(readings));
    EXPECT_EQ(LogFrom("Reading Conversion Finished").size(), 2u);
    const std::vector<std::string> expected = {
        "AROUTE1  00020004987040115  0001000040",
        "CROUTE1  A1           200115",
        "S02PK1",
        "D0100123456        000025",
        "E0000012340093005   1000",
        "D02S2              000040",
        "E0000000770093005   1000",
        "CROUTE1  A2           200115",
        "D01S5              123456",
        "E0123456780093005   1000",
        "CROUTE1  A1           200115",
        "S02PK1",
        "D01S6              000000",
        "E0000000080093005   1000",
        "ZROUTE1  987EMP",
        "AROUTE2  00010001987040115  0000500005",
        "CROUTE2  B1           200115",
        "S02PK9",
        "D01S7              000003",
        "E0000000010093005   1000",
        "ZROUTE2  987EMP",
    };
    std::vector<std::string> padded;
    for (const auto& line : expected) padded.push_back(Pad80(line));
    EXPECT_EQ(FileLines(folder.File("upload.txt")), padded);
}

TEST_F(E5KTest, DamagedReadingsStopTheExportWithTheReason) {
    // A meter of a route the file does not have, then a record too short for its fields.
    const std::string readings = WriteE5KReadings(
        {}, {{{"RouteNbr", 1}, {"Initials", "ROUTE1"}}},
        {{{"RouteNbr", 1}, {"ReadingDate", 20040115}, {"ReadType", 1}, {"ServiceUniqueID", "A1"}},
         {{"RouteNbr", 9}, {"ReadingDate", 20040115}, {"ReadType", 1}}});
    EXPECT_FALSE(ConvertReadings(readings));
    EXPECT_TRUE(log.Contains("Meter record 4 of " + readings + " names route 9, outside the 1 routes of the file"));

    {
        clsQVF db;
        db.SetVersion(3);
        ASSERT_EQ(db.CreateQVF(readings, ContainerPDB, 0), 0);
        db.AddNew();
        Put(db, {{"RecType", 0}, {"RouteNbr", 1}, {"MeterType", 3}});
        db.WriteData();
        db.SetRawData(std::string("\0\2\0\0", 4));
        db.WriteData();
        db.Close();
    }
    log.Lines.clear();
    EXPECT_FALSE(ConvertReadings(readings));
    EXPECT_TRUE(log.Contains("Record 2 of " + readings + " is damaged: 4 bytes, fewer than the 76 bytes of its fields"));
}

// The shipped download and maps: download, route database, a handheld's readings, upload.
// Every read meter arrives with the relative meter number and the meter size of its
// download record, and the readings database is still open for the re-read of the
// exceptions.
TEST_F(E5KTest, RoundTripCarriesMeterSizeAndRelativeMeterNumber) {
    const std::string samples = std::string(DOVREX_SOURCE_DIR) + "/samples/";
    for (const char* map : {"E5000Sample.bcm", "E5000Sample.brm"}) {
        std::filesystem::copy_file(samples + "maps/" + map, folder.File(map));
    }
    std::map<std::string, std::pair<std::string, double>> downloaded; // serial -> relative number, size
    clsE5KDownload download;
    ASSERT_TRUE(download.OpenFile(samples + "routes/e5000-download.dat"));
    while (const clsRecType* record = download.ReadNext()) {
        if (record->RIValue() != "H" && record->RIValue() != "I") continue;
        downloaded[Trim(record->Value("MeterSerialNumber").ToText())] = {record->Value("RelativeMeterNumber").ToText(),
                                                                         record->Value("MeterSize").ToNumber()};
    }
    ASSERT_GT(downloaded.size(), 20u);
    engine.SetRouteSource(samples + "routes/e5000-download.dat");
    engine.SetRouteDestination(folder.File("RouteQVF.pdb"));
    engine.SetRouteMap("E5000Sample");
    ASSERT_TRUE(engine.ConvertRoute());

    const std::string readings = folder.File("ReadingQVF.pdb");
    ReadingSimulator(7).Simulate(folder.File("RouteQVF.pdb"), readings);
    engine.SetAutoReRead(true);
    engine.SetReReadDestination(folder.File("ReReadQVF.pdb"));
    UseReadings(readings, "E5000Sample");
    ASSERT_TRUE(engine.ConvertReading());

    int readMeters = 0;
    clsQVF db;
    db.SetVersion(3);
    ASSERT_FALSE(db.OpenQVF(readings));
    while (db.ReadData()) {
        if (db.RecordType() != clsQVF::rtMeter) continue;
        const int64_t type = static_cast<int64_t>(db.Item("ReadType").ToNumber());
        const bool read = db.Item("ReadingDate").ToNumber() != 0 && type != 4 &&
                          !(type == 2 && db.Item("CurReading").ToNumber() == 0);
        readMeters += read ? 1 : 0;
    }
    ASSERT_GT(readMeters, 0);

    int meterLines = 0;
    for (const std::string& line : FileLines(folder.File("upload.txt"))) {
        ASSERT_EQ(line.size(), 80u) << line;
        if (line[0] != 'D') continue;
        ++meterLines;
        const std::string number = Trim(line.substr(3, 10));
        ASSERT_EQ(downloaded.count(number), 1u) << line;
        EXPECT_EQ(line.substr(1, 2), downloaded[number].first) << line;
        EXPECT_EQ(Val(line.substr(19, 6)), downloaded[number].second) << line;
    }
    EXPECT_EQ(meterLines, readMeters);
    const auto tail = LogFrom("Writing Exceptions for Re-Read to ");
    ASSERT_GE(tail.size(), 2u);
    EXPECT_TRUE(StartsWith(tail[1], "Notice: ReRead File prepared with ") ||
                tail[1] == "Notice: No exceptions found in reading.  Not creating re-read file")
        << tail[1];
}

} // namespace
} // namespace dovrex::test
