#include "ReadingsFixture.h"

#include "platform/RuntimeError.h"

#include "support/FileSizeLimit.h"

using namespace dovrex;
using namespace dovrex::test;

namespace {

using Lines = std::vector<std::string>;

} // namespace

class ConvertReadingTest : public ReadingsFixture {};

TEST_F(ConvertReadingTest, FixedWidthUploadLaysOutEveryFieldByItsMapping) {
    WriteWriteMap("Fixed", MapUseReading, MapTypeFixed,
                  {"RouteNbr=1,6,L,B,0", "MeterTagNbr=7,5,R,Z,0", "CurReading=12,8,R,Z,0", "ReadingDate=20,10,L,B,26",
                   "ReadingTime=30,8,L,B,43", "Status=38,3,L,Z,0", "ReadType=41,2,R,B,0", "ResponseCode=43,4,R,B,0",
                   "LstReadingDate=47,8,L,B,14", "InitTamperCount=55,2,R,Z,0", "BillingName=57,5,L,B,0",
                   "User1=62,6,L,B,0", "User4=67,2,L,B,0", "User5=1,2,L,B,0"},
                  3, 70);
    // A version 2 file: InitTamperCount is not among its fields.
    ReadingsFile file{2, ContainerPDB, clsQVF::rtReadingRoute, {"0012", "0013"}, {}, {}, {}};
    file.Meters = {
        {{"RouteNbr", 1}, {"MeterTagNbr", 1234567}, {"CurReading", 12345}, {"Decimals", 2}, {"ReadingDate", 20040115},
         {"ReadingTime", 93005}, {"Status", 1}, {"ReadType", 1}, {"ResponseCode", 7}, {"LstReadingDate", 20031201},
         {"BillingName", "ABCDEFG"}, {"User1", " 42"}, {"User4", "XY"}, {"User5", "ZZ"}},
        {{"RouteNbr", 2}, {"MeterTagNbr", 42}, {"CurReading", 1234567}, {"Digits", 4}, {"ReadType", 2}},
        {{"RouteNbr", 5}, {"MeterTagNbr", 7}, {"CurReading", 5}, {"Decimals", 1}, {"Digits", 3},
         {"ReadingDate", 20041301}, {"ReadingTime", 256199}, {"Status", 3}, {"ReadType", 7}, {"ResponseCode", 12345},
         {"LstReadingDate", 20040230}, {"BillingName", "O'NEIL X"}, {"User1", "ABCDEFGHIJ"}, {"User4", "Q"}},
    };
    const std::string readings = WriteReadings("ReadingQVF.pdb", file);
    UseReadings(readings, "Fixed");
    ASSERT_TRUE(engine.ConvertReading());
    EXPECT_EQ(log.Lines, (Lines{"Reading from " + readings, "Writing to " + folder.File("upload.txt"), "Using map Fixed",
                                "Reading Conversion Starting  1:45 PM 1/15/2004",
                                "Warning: Defaulted InitTamperCount to 0", "Reading Conversion Finished", ""}));
    // Alignment and padding by field; numbers keep their low digits, texts their start;
    // User4 starts on User1's last character and User5 on the route's first two.
    EXPECT_EQ(folder.Read("upload.txt"),
              "ZZ12  34567000001230" "1/15/200409:30:05100 R   72003120100ABCDE42   XY  \r\n"
              "  13  000420000456700/00/000000:00:00000 M   00000000000" "     " "      " "   \r\n"
              "      000070000000000/00/000000:00:00300 7234500000000" "00O'NEIABCDEQ   \r\n");
    EXPECT_FALSE(progress.WentPastMax);
    EXPECT_EQ(progress.LastMax, 255);
}

TEST_F(ConvertReadingTest, DelimitedUploadQuotesTextsAndFlaggedDatesAndTimes) {
    const std::vector<std::string> mappings = {"RouteNbr=1,0,L,B,0",       "MeterTagNbr=2,0,L,B,0",
                                               "ReadingDate=3,0,L,B,26",   "ReadingTime=6,0,L,B,43",
                                               "ReadType=9,0,L,B,0",       "ResponseCode=2,0,L,B,0",
                                               "LstReadingDate=5,0,L,B,14", "BillingName=4,0,L,B,0", "User1=8,0,L,B,0"};
    WriteWriteMap("Csv", MapUseReading, MapTypeDelimited, mappings, 2, 0, 0, ",", "\"");
    WriteWriteMap("Plain", MapUseReading, MapTypeDelimited, mappings, 2, 0, 0, ",");
    ReadingsFile file{3, ContainerVFS, clsQVF::rtRoute, {"0012"}, {}, {}, {}};
    file.Meters = {
        {{"RouteNbr", 1}, {"MeterTagNbr", 1001}, {"ResponseCode", 3}, {"ReadingDate", 20040115}, {"ReadingTime", 93005},
         {"LstReadingDate", 20031201}, {"BillingName", "O\"BRIEN\r\nSMITH"}, {"User1", "x,y"}, {"ReadType", 1}},
        {{"RouteNbr", 9}, {"MeterTagNbr", 5}},
    };
    const std::string readings = WriteReadings("ReadingQVF.vfs", file);
    UseReadings(readings, "Csv", "csv.txt");
    ASSERT_TRUE(engine.ConvertReading()) << ::testing::PrintToString(log.Lines);
    // A later field in the same column (ResponseCode) replaces the earlier one.
    EXPECT_EQ(folder.Read("csv.txt"), "\"0012\",3,\"01/15/2004\",\"O\"\"BRIENSMITH\",20031201,\"09:30:05\",,\"x,y\",R\n"
                                      "\"\",0,\"00/00/0000\",\"\",00000000,\"00:00:00\",,\"\",0\n");
    UseReadings(readings, "Plain", "plain.txt");
    ASSERT_TRUE(engine.ConvertReading());
    EXPECT_EQ(folder.Read("plain.txt"), "0012,3,01/15/2004,O\"BRIEN\r\nSMITH,20031201,09:30:05,,x,y,R\n"
                                        ",0,00/00/0000,,00000000,00:00:00,,,0\n");
}

TEST_F(ConvertReadingTest, TerminatorsAndFiltersDecideWhatEachMeterAdds) {
    ReadingsFile file{3, ContainerPDB, clsQVF::rtRoute, {"A"}, {}, {}, {}};
    for (const auto& [tag, status, response] : {std::tuple{11, 1, 0}, {12, 0, 0}, {13, 0, 3}, {14, 2, 1}}) {
        file.Meters.push_back({{"RouteNbr", 1}, {"MeterTagNbr", tag}, {"Status", status}, {"ResponseCode", response}});
    }
    const std::string readings = WriteReadings("ReadingQVF.pdb", file);
    const std::string empty = WriteReadings("Empty.pdb", ReadingsFile{3, ContainerPDB, clsQVF::rtRoute, {"A"}, {}, {}, {}});
    struct Case {
        int32_t terminator, filter;
        std::string readings, expected;
    };
    const Case cases[] = {
        {0, 0, readings, "11121314"},
        {1, 0, readings, "11\r12\r13\r14\r"},
        {2, 0, readings, "11\n12\n13\n14\n"},
        {3, 0, readings, "11\r\n12\r\n13\r\n14\r\n"},
        {4, 0, readings, std::string("11\0" "12\0" "13\0" "14\0", 12)},
        {9, 0, readings, "11121314"},
        {3, 1, readings, "11\r\n14\r\n"},
        {3, 2, readings, "11\r\n13\r\n14\r\n"},
        {3, 3, readings, "12\r\n13\r\n"},
        {3, 7, readings, ""},
        {3, 0, empty, ""}, // no meter, no terminator
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        WriteWriteMap("Tags", MapUseReading, MapTypeFixed, {"MeterTagNbr=1,2,R,Z,0"}, c.terminator, 0, c.filter);
        const std::string upload = "upload" + std::to_string(n++) + ".txt";
        UseReadings(c.readings, "Tags", upload);
        ASSERT_TRUE(engine.ConvertReading());
        EXPECT_EQ(folder.Read(upload), c.expected);
    }
}

namespace {

// Every date and time code the map editor offers, with 20040115 / 93005 and with 0.
const struct {
    int32_t code;
    const char *date, *zero;
} kDateCodes[] = {
    {10, "040115", "000000"},         {11, "04-01-15", "00-00-00"},     {12, "04/01/15", "00/00/00"},
    {14, "20040115", "00000000"},     {15, "2004-01-15", "0000-00-00"}, {16, "2004/01/15", "0000/00/00"},
    {20, "011504", "000000"},         {21, "01-15-04", "00-00-00"},     {22, "01/15/04", "00/00/00"},
    {24, "01152004", "00000000"},     {25, "01-15-2004", "00-00-0000"}, {26, "01/15/2004", "00/00/0000"},
    {30, "150104", "000000"},         {31, "15-01-04", "00-00-00"},     {32, "15/01/04", "00/00/00"},
    {34, "15012004", "00000000"},     {35, "15-01-2004", "00-00-0000"}, {36, "15/01/2004", "00/00/0000"},
};
const struct {
    int32_t code;
    const char *time, *zero;
} kTimeCodes[] = {{40, "0930", "0000"}, {41, "093005", "000000"}, {42, "09:30", "00:00"}, {43, "09:30:05", "00:00:00"}};

} // namespace

TEST_F(ConvertReadingTest, EveryDateAndTimeCodeInTheUploadFile) {
    ReadingsFile file{3, ContainerPDB, clsQVF::rtRoute, {"A"}, {}, {}, {}};
    file.Meters = {{{"RouteNbr", 1}, {"ReadingDate", 20040115}, {"ReadingTime", 93005}},
                   {{"RouteNbr", 1}, {"LstReadingDate", 20040115}}};
    const std::string readings = WriteReadings("ReadingQVF.pdb", file);
    for (size_t i = 0; i < std::size(kDateCodes); ++i) {
        const auto& date = kDateCodes[i];
        const auto& time = kTimeCodes[i % std::size(kTimeCodes)];
        SCOPED_TRACE(date.code);
        WriteWriteMap("Dates", MapUseReading, MapTypeFixed,
                      {"ReadingDate=1,10,L,B," + std::to_string(date.code), "ReadingTime=11,8,L,B," + std::to_string(time.code),
                       "LstReadingDate=19,10,L,B," + std::to_string(date.code)});
        const std::string upload = "dates" + std::to_string(i) + ".txt";
        UseReadings(readings, "Dates", upload);
        ASSERT_TRUE(engine.ConvertReading());
        EXPECT_EQ(folder.Read(upload), Pad(date.date, 10) + Pad(time.time, 8) + Pad(date.zero, 10) + "\r\n" +
                                           Pad(date.zero, 10) + Pad(time.zero, 8) + Pad(date.date, 10) + "\r\n");
    }
}

TEST_F(ConvertReadingTest, DatesAndTimesThatAreNoCalendarValuesComeOutAsZeros) {
    const struct {
        bool date;
        const char* value;
        int32_t code;
        const char* expected;
    } cases[] = {
        {true, " 20040115 ", 14, "20040115"}, {true, "20000229", 26, "02/29/2000"}, {true, "19000229", 26, "00/00/0000"},
        {true, "20041301", 22, "00/00/00"},   {true, "20040132", 14, "00000000"},   {true, "2004011", 26, "01/01/2004"},
        {true, "2004", 26, "00/00/0000"},     {true, "abc", 15, "0000-00-00"},      {true, "-20040115", 14, "00000000"},
        {true, "19991231", 12, "99/12/31"},   {false, "235959", 43, "23:59:59"},   {false, "5", 41, "000005"},
        {false, "240000", 43, "00:00:00"},    {false, "006000", 42, "00:00"},       {false, "1234567", 41, "000000"},
        {false, " 93005", 40, "0930"},        {false, "x", 43, "00:00:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.date ? clsExchange::FormatMapDate(c.value, c.code) : clsExchange::FormatMapTime(c.value, c.code),
                  c.expected)
            << c.value << " " << c.code;
    }
    EXPECT_EQ(clsExchange::ExtractUser(std::string("A~\x01" "B~~C", 7)), (Lines{"A", std::string("\0B", 2), "", "C"}));
    EXPECT_EQ(clsExchange::ExtractUser(clsExchange::CombineUser({"x", std::string(1, '\0'), ""})),
              (Lines{"x", std::string(1, '\0'), ""}));
}

TEST_F(ConvertReadingTest, EachMissingSettingOrUnusableInputStopsWithItsOwnError) {
    WriteFixedMap("Std"); // a route map only: a map of the wrong use
    WriteWriteMap("Good", MapUseReading, MapTypeFixed, {"MeterTagNbr=1,8,R,Z,0"});
    WriteWriteMap("NoFormat", MapUseReading, MapTypeFixed, {"ReadingDate=1,8,L,B,0"});
    WriteWriteMap("Asks", MapUseReading, MapTypeFixed, {"MeterTagNbr=1,8,R,Z,0", "User1=P"});
    const std::string readings = WriteReadings("ReadingQVF.pdb", ReadingsFile{3, ContainerPDB, 1, {"A"}, {}, {}, {}});
    const std::string text = folder.Write("notqvf.pdb", std::string(200, 'x'));
    const std::string upload = folder.File("upload.txt");
    const std::string from = "Reading from " + readings, to = "Writing to " + upload;
    struct Case {
        std::string source, destination, map;
        int16_t orphans;
        std::string orphanDestination, orphanMap;
        bool reRead;
        std::string reReadDestination;
        Lines expected;
    };
    const Case cases[] = {
        {"", upload, "Good", 0, "", "", false, "", {"Error: Reading Source not specified"}},
        {folder.File("none.pdb"), upload, "Good", 0, "", "", false, "",
         {"Reading from " + folder.File("none.pdb"), "Error: Reading Source does not exist"}},
        {readings, "  ", "Good", 0, "", "", false, "", {from, "Error: Reading Destination not specified"}},
        {readings, upload, "", 0, "", "", false, "", {from, "Error: Reading Conversion Map not specified"}},
        {readings, upload, "Good", 1, " ", "Good", false, "", {from, "Error: Orphan Destination not specified"}},
        {readings, upload, "Good", 1, "o.txt", "", false, "", {from, "Error: Orphan Conversion Map not specified"}},
        {readings, upload, "Good", 0, "", "", true, "", {from, "Error: Re-Read Destination not specified"}},
        {text, upload, "Good", 0, "", "", false, "", {"Reading from " + text, to, "Error: Could not read QVF file"}},
        {readings, upload, "Std", 0, "", "", false, "",
         {from, to, "Using map Std", "Error: Could not load Reading Conversion Map"}},
        {readings, upload, "NoFormat", 0, "", "", false, "",
         {from, to, "Using map NoFormat", "Error: Mapping Errors found:\r\n\tDate/Time format missing for ReadingDate\r\n"}},
        {readings, upload, "Asks", 0, "", "", false, "",
         {from, to, "Using map Asks", "Error: Prompted entry of runtime variables cancelled"}},
    };
    for (const Case& c : cases) {
        log.Lines.clear();
        engine.SetReadingSource(c.source);
        engine.SetReadingDestination(c.destination);
        engine.SetReadingMap(c.map);
        engine.SetOrphanConvert(c.orphans);
        engine.SetOrphanDestination(c.orphanDestination);
        engine.SetOrphanMap(c.orphanMap);
        engine.SetAutoReRead(c.reRead);
        engine.SetReReadDestination(c.reReadDestination);
        EXPECT_FALSE(engine.ConvertReading());
        EXPECT_EQ(log.Lines, c.expected);
        EXPECT_FALSE(FileExists(upload));
    }

    // Declining to replace an upload file keeps it as it was.
    engine.SetReadingMap("Good");
    folder.Write("upload.txt", "old");
    log.Lines.clear();
    messages.QueueAnswer(MsgResult::No);
    EXPECT_FALSE(engine.ConvertReading());
    EXPECT_EQ(messages.Lines(), Lines{"[Reading Destination already exists] " + upload + " already exists.  Overwrite?"});
    EXPECT_EQ(log.Lines, (Lines{from, to, "Error: Reading Destination already exists"}));
    EXPECT_EQ(folder.Read("upload.txt"), "old");
    messages.QueueAnswer(MsgResult::Yes);
    EXPECT_TRUE(engine.ConvertReading());
    EXPECT_EQ(log.Lines[5], "Notice: File " + upload + " overwritten on request");
    EXPECT_EQ(folder.Read("upload.txt"), "");
}

TEST_F(ConvertReadingTest, AFailingExportIsLoggedAndTheStepsAfterItStillRun) {
    WriteWriteMap("Tags", MapUseReading, MapTypeFixed, {"MeterTagNbr=1,2,R,Z,0"});
    WriteWriteMap("Mvrs", MapUseReading, MapTypeMVRS, {});
    WriteWriteMap("Orphans", MapUseOrphan, MapTypeFixed, {"MeterTagNbr=1,3,R,Z,0"});
    ReadingsFile file{3, ContainerVFS, clsQVF::rtRoute, {"A"}, {}, {}, {}};
    for (int tag = 11; tag <= 13; ++tag) file.Meters.push_back({{"RouteNbr", 1}, {"MeterTagNbr", tag}});
    file.Orphans = {{{"MeterTagNbr", 901}}};
    const std::string whole = WriteReadings("whole.vfs", file);
    const std::string bytes = ReadWholeFile(whole);
    // Cut inside the third meter's record: its length prefix promises more than is left.
    const std::string truncated = folder.Write("truncated.vfs", bytes.substr(0, bytes.size() - 89 - 4 - 10));
    // A meter record shorter than the fields of its schema.
    clsQVF damaged;
    damaged.SetVersion(3);
    ASSERT_EQ(damaged.CreateQVF(folder.File("damaged.pdb"), ContainerPDB, 0), 0);
    damaged.AddNew();
    damaged.SetItem("MeterType", 3);
    damaged.WriteData();
    damaged.SetRawData(std::string("\0\x02\0\0", 4));
    damaged.WriteData();
    damaged.Close();

    engine.SetOrphanConvert(1);
    engine.SetOrphanReplace(1);
    engine.SetOrphanMap("Orphans");
    const std::string orphans = folder.File("orphans.txt");
    engine.SetOrphanDestination(orphans);
    struct Case {
        std::string readings, map, failure, upload;
        bool orphansFail;
        std::string orphans;
    };
    const Case cases[] = {
        // The orphan pass meets the cut record too.
        {truncated, "Tags", "Input past end of file: a record of 89 bytes runs past the end of " + truncated,
         "11\r\n12\r\n", true, ""},
        {folder.File("damaged.pdb"), "Tags",
         "Record 2 of " + folder.File("damaged.pdb") + " is damaged: 4 bytes, fewer than the 76 bytes of its fields", "",
         false, ""},
        {whole, "Mvrs", "MVRS upload files cannot be converted by this version", "", false, "901\r\n"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.readings);
        log.Lines.clear();
        const std::string upload = "upload" + std::to_string(n++) + ".txt";
        UseReadings(c.readings, c.map, upload);
        EXPECT_FALSE(engine.ConvertReading());
        Lines expected = {"Reading Conversion Starting  1:45 PM 1/15/2004", c.failure, "Writing orphans to " + orphans,
                          "Using map Orphans", "Orphan Conversion Starting  1:45 PM 1/15/2004"};
        if (c.orphansFail) expected.push_back(c.failure);
        expected.push_back("Notice: File " + orphans + " now contains " + std::to_string(c.orphans.size()) + " bytes.");
        expected.insert(expected.end(), {"Reading Conversion Finished", ""});
        EXPECT_EQ(LogFrom("Reading Conversion Starting"), expected);
        EXPECT_EQ(folder.Read(upload), c.upload);
        EXPECT_EQ(folder.Read("orphans.txt"), c.orphans);
    }
    EXPECT_TRUE(messages.Shown.empty()) << ::testing::PrintToString(messages.Lines());

    // An upload file that cannot be written whole (a full disk) fails the conversion.
    engine.SetOrphanConvert(0);
    UseReadings(whole, "Tags", "full.txt");
    log.Lines.clear();
    bool converted = true;
    {
        const FileSizeLimit full(5);
        converted = engine.ConvertReading();
    }
    EXPECT_FALSE(converted);
    EXPECT_EQ(LogFrom("Reading Conversion Starting"),
              (Lines{"Reading Conversion Starting  1:45 PM 1/15/2004", "Disk full (" + folder.File("full.txt") + ")",
                     "Reading Conversion Finished", ""}));
}
