// Orphans and the automatic re-read database of a reading conversion, and the re-read
// conversion of a list of meters.

#include "ReadingsFixture.h"

using namespace dovrex;
using namespace dovrex::test;

namespace {

using Lines = std::vector<std::string>;

Fields Meter(int route, int tag, int status, int minReading, int maxReading, int reading) {
    return {{"RouteNbr", route},          {"MeterTagNbr", tag},        {"Status", status},
            {"MinReading", minReading},   {"MaxReading", maxReading},  {"CurReading", reading},
            {"ReadingDate", 20040114},    {"ReadingTime", 101500}};
}

} // namespace

class ReadingByProductsTest : public ReadingsFixture {
protected:
    void SetUp() override {
        WriteWriteMap("Tags", MapUseReading, MapTypeFixed, {"MeterTagNbr=1,3,R,Z,0"});
        WriteWriteMap("Orphans", MapUseOrphan, MapTypeFixed,
                      {"MeterTagNbr=1,8,R,Z,0", "CurReading=9,6,R,Z,0", "ReadingDate=15,8,L,B,14", "PrvReading=23,8,R,B,0"}, 3,
                      32);
    }
};

TEST_F(ReadingByProductsTest, OrphansReplaceOrAppendToTheOrphanFile) {
    ReadingsFile file{3, ContainerPDB, clsQVF::rtRoute, {"A"}, {Meter(1, 5, 1, 0, 0, 7)}, {}, {}};
    file.Orphans = {{{"MeterTagNbr", 4711}, {"CurReading", 123}, {"ReadingDate", 20040114}, {"PrvReading", 5}},
                    {{"MeterTagNbr", 4712}, {"CurReading", 9}}};
    const std::string readings = WriteReadings("ReadingQVF.pdb", file);
    const std::string none = WriteReadings("NoOrphans.pdb", ReadingsFile{3, ContainerPDB, 1, {"A"}, {}, {}, {}});
    const std::string orphans = folder.Write("orphans.txt", "OLD\r\n");
    const std::string lines = "00004711000123" "20040114" "       5" "  \r\n"
                              "00004712000009" "00000000" "       0" "  \r\n";
    engine.SetOrphanConvert(1);
    engine.SetOrphanMap("Orphans");
    engine.SetOrphanDestination(orphans);
    struct Case {
        int16_t replace;
        std::string readings;
        Lines log;
        std::string content;
    };
    const Case cases[] = {
        {1, readings,
         {"Notice: File " + orphans + " overwritten per configuration.  5 bytes lost.", "Using map Orphans",
          "Orphan Conversion Starting  1:45 PM 1/15/2004", "Notice: File " + orphans + " now contains 68 bytes."},
         lines},
        {0, readings,
         {"Using map Orphans", "Orphan Conversion Starting  1:45 PM 1/15/2004",
          "Notice: File " + orphans + " now contains 136 bytes."},
         lines + lines},
        // Without orphan records an appended file stays as it is and a replaced one is emptied.
        {0, none,
         {"Using map Orphans", "Orphan Conversion Starting  1:45 PM 1/15/2004",
          "Notice: File " + orphans + " now contains 136 bytes."},
         lines + lines},
        {1, none,
         {"Notice: File " + orphans + " overwritten per configuration.  136 bytes lost.", "Using map Orphans",
          "Orphan Conversion Starting  1:45 PM 1/15/2004", "Notice: File " + orphans + " now contains 0 bytes."},
         ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        log.Lines.clear();
        engine.SetOrphanReplace(c.replace);
        UseReadings(c.readings, "Tags", "upload" + std::to_string(n++) + ".txt");
        ASSERT_TRUE(engine.ConvertReading());
        Lines expected = {"Writing orphans to " + orphans};
        expected.insert(expected.end(), c.log.begin(), c.log.end());
        expected.insert(expected.end(), {"Reading Conversion Finished", ""});
        EXPECT_EQ(LogFrom("Writing orphans to "), expected);
        EXPECT_EQ(folder.Read("orphans.txt"), c.content);
    }
    // An orphan file that does not exist yet is created by appending too.
    DeleteFile(orphans);
    UseReadings(readings, "Tags", "upload9.txt");
    ASSERT_TRUE(engine.ConvertReading());
    EXPECT_EQ(folder.Read("orphans.txt"), lines);

    // An orphan map that cannot be loaded stops the run after the upload file.
    log.Lines.clear();
    engine.SetOrphanMap("Missing");
    UseReadings(readings, "Tags", "upload10.txt");
    EXPECT_FALSE(engine.ConvertReading());
    EXPECT_EQ(LogFrom("Writing orphans to "),
              (Lines{"Writing orphans to " + orphans, "Notice: File " + orphans + " overwritten per configuration.  68 bytes lost.",
                     "Using map Missing", "Error: Could not load Orphan Conversion Map"}));
    EXPECT_EQ(folder.Read("upload10.txt"), "005\r\n");
}

TEST_F(ReadingByProductsTest, ExceptionsOfAReadingBecomeARenumberedReReadDatabase) {
    ReadingsFile file{3, ContainerPDB, clsQVF::rtReadingRoute, {"R1", "R2", "R3"}, {}, {}, {}};
    file.Meters = {
        Meter(1, 101, 1, 100, 200, 150), Meter(1, 102, 1, 0, 0, 5),  // all read within their limits
        Meter(2, 201, 0, 100, 200, 0),   Meter(2, 202, 1, 100, 200, 250), Meter(2, 203, 1, 100, 200, 199),
        Meter(3, 301, 1, 9990, 20, 5),   Meter(3, 302, 1, 9990, 20, 500),
    };
    file.Meters[2].push_back({"ResponseCode", 4});
    file.Meters[2].push_back({"ResponseText", "DOG"});
    file.Orphans = {{{"MeterTagNbr", 999}}};
    UseReadings(WriteReadings("ReadingQVF.pdb", file), "Tags");
    engine.SetAutoReRead(true);
    const std::string reRead = folder.File("ReRead.pdb");
    engine.SetReReadDestination("ReRead.pdb");
    ASSERT_TRUE(engine.ConvertReading());
    EXPECT_EQ(LogFrom("Writing Exceptions"), (Lines{"Writing Exceptions for Re-Read to " + reRead,
                                                    "Notice: ReRead File prepared with 3 Meters",
                                                    "Reading Conversion Finished", ""}));
    const auto records = ReadDatabase(reRead);
    ASSERT_EQ(records.size(), 6u);
    const ValueCollection& header = records[0];
    EXPECT_EQ(Number(header, "RecType"), 0);
    EXPECT_EQ(Number(header, "RouteNbr"), 2);
    EXPECT_EQ(Number(header, "Sequence"), 20040115);
    EXPECT_EQ(Number(header, "MeterTagNbr"), 1345);
    EXPECT_EQ(Number(header, "MeterType"), 3);
    EXPECT_EQ(Number(header, "PrvReading"), 3);
    EXPECT_EQ(Number(header, "ReadingDate"), 20040115);
    // Route R1 is dropped; R2 and R3 move up, keeping their kind and texts.
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Number(records[1 + i], "RecType"), 256);
        EXPECT_EQ(Number(records[1 + i], "RouteNbr"), i + 1);
        EXPECT_EQ(records[1 + i].Item("Initials").ToText(), i == 0 ? "R2" : "R3");
    }
    const struct { int64_t tag, route, min, max; } meters[] = {{201, 1, 100, 200}, {202, 1, 100, 200}, {302, 2, 9990, 20}};
    for (int i = 0; i < 3; ++i) {
        const ValueCollection& meter = records[3 + i];
        SCOPED_TRACE(meters[i].tag);
        EXPECT_EQ(Number(meter, "RecType"), 2);
        EXPECT_EQ(Number(meter, "MeterTagNbr"), meters[i].tag);
        EXPECT_EQ(Number(meter, "RouteNbr"), meters[i].route);
        EXPECT_EQ(Number(meter, "MinReading"), meters[i].min);
        EXPECT_EQ(Number(meter, "MaxReading"), meters[i].max);
        for (const char* cleared : {"Status", "CurReading", "ReadingDate", "ReadingTime"}) {
            EXPECT_EQ(Number(meter, cleared), 0) << cleared;
        }
    }
    EXPECT_EQ(Number(records[3], "ResponseCode"), 4);
    EXPECT_EQ(records[3].Item("ResponseText").ToText(), "DOG");

    // Declining to replace the re-read file keeps it and fails the run.
    log.Lines.clear();
    messages.QueueAnswer(MsgResult::Yes); // the upload file
    messages.QueueAnswer(MsgResult::No);
    EXPECT_FALSE(engine.ConvertReading());
    EXPECT_EQ(LogFrom("Writing Exceptions"), (Lines{"Writing Exceptions for Re-Read to " + reRead,
                                                    "Error: ReRead Destination already exists",
                                                    "Reading Conversion Finished", ""}));
    EXPECT_EQ(ReadDatabase(reRead).size(), 6u);

    // A reading without exceptions leaves no re-read file behind.
    file.Meters = {Meter(1, 101, 1, 100, 200, 150), Meter(3, 301, 1, 9990, 20, 5)};
    UseReadings(WriteReadings("AllRead.pdb", file), "Tags", "upload2.txt");
    log.Lines.clear();
    messages.QueueAnswer(MsgResult::Yes);
    ASSERT_TRUE(engine.ConvertReading());
    EXPECT_EQ(LogFrom("Writing Exceptions"),
              (Lines{"Writing Exceptions for Re-Read to " + reRead, "Notice: File " + reRead + " overwritten on request",
                     "Notice: No exceptions found in reading.  Not creating re-read file", "Reading Conversion Finished",
                     ""}));
    EXPECT_FALSE(FileExists(reRead));

    // An exception meter of a route the file has no record for is a failure of this step.
    file.Meters = {Meter(1, 101, 0, 0, 0, 0), Meter(4, 401, 0, 0, 0, 0)};
    const std::string broken = WriteReadings("Broken.pdb", file);
    UseReadings(broken, "Tags", "upload3.txt");
    log.Lines.clear();
    EXPECT_FALSE(engine.ConvertReading());
    EXPECT_EQ(LogFrom("Writing Exceptions"),
              (Lines{"Writing Exceptions for Re-Read to " + reRead,
                     "Meter record 6 of " + broken + " names route 4, but the file has 3 route records",
                     "Reading Conversion Finished", ""}));
    EXPECT_FALSE(FileExists(reRead));
    EXPECT_EQ(folder.Read("upload3.txt"), "101\r\n401\r\n");
}

TEST_F(ReadingByProductsTest, TheExceptionTestAndWindowsThatWrapPastTheRollover) {
    const struct {
        int64_t status, min, max, reading;
        bool exception;
    } cases[] = {
        {0, 100, 200, 150, true},   {0, 0, 0, 0, true},          // unread, whatever the reading
        {1, 100, 200, 100, false},  {1, 100, 200, 200, false},   {1, 100, 200, 99, true}, {1, 100, 200, 201, true},
        {1, 50, 50, 0, false},      {1, 50, 50, 99999, false},   // no window
        {1, 9990, 20, 5, false},    {1, 9990, 20, 9995, false},  {1, 9990, 20, 9990, false}, {1, 9990, 20, 20, false},
        {1, 9990, 20, 21, true},    {1, 9990, 20, 9989, true},   {1, 9990, 20, 500, true},
        {2, 9990, 20, 500, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(clsExchange::IsReReadException(c.status, c.min, c.max, c.reading), c.exception)
            << c.status << " " << c.min << ".." << c.max << " " << c.reading;
    }
}

class ConvertReReadTest : public ReadingsFixture {
protected:
    void SetUp() override {
        WriteMap("ReRead", MapTypeFixed,
                 {"RouteNbr=C,X", "Sequence=A", "MeterTagNbr=1,8", "MeterType=C,R", "UtilityCode=C,1",
                  "ServiceAddress=10,20", "ReadType=30,1", "ScaleFactor=C,5", "InitPulseCount=C,9"});
        engine.SetReReadMap("ReRead");
        engine.SetReReadDestination(folder.File("ReReadQVF.pdb"));
    }
    void UseList(const Lines& lines) {
        std::string text;
        for (const auto& line : lines) text += line + "\r\n";
        engine.SetReReadSource(folder.Write("ids.txt", text));
    }
};

TEST_F(ConvertReReadTest, EveryLineBecomesAMeterOfTheOneRouteReRead) {
    UseList({"10000001 12 MAIN ST          p", "10000002 14 MAIN ST", "10000003 16 MAIN ST          R"});
    ASSERT_TRUE(engine.ConvertReRead());
    const std::string source = engine.ReReadSource(), destination = folder.File("ReReadQVF.pdb");
    EXPECT_EQ(log.Lines, (Lines{"Reading from " + source, "Writing to " + destination, "Using Map: ReRead",
                                "ReRead Conversion Starting 1:45 PM 1/15/2004", "3 meters written to ReRead QVF File",
                                "ReRead Conversion Finished", ""}));
    const auto records = ReadDatabase(destination);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(Number(records[0], "RouteNbr"), 1);
    EXPECT_EQ(Number(records[0], "PrvReading"), 3);
    EXPECT_EQ(records[0].Item("Initials").ToText(), "QVF loaded from " + source);
    EXPECT_EQ(Number(records[1], "RecType"), 1);
    EXPECT_EQ(Number(records[1], "PrvReading"), 3);
    EXPECT_EQ(records[1].Item("Initials").ToText(), "REREAD");
    EXPECT_EQ(records[1].Item("ResponseText").ToText(), "REREAD");
    const int64_t readTypes[] = {3, 0, 1};
    for (int i = 0; i < 3; ++i) {
        const ValueCollection& meter = records[2 + i];
        EXPECT_EQ(Number(meter, "RecType"), 2);
        EXPECT_EQ(Number(meter, "RouteNbr"), 1); // the map's route number is not used
        EXPECT_EQ(Number(meter, "Sequence"), i + 1);
        EXPECT_EQ(Number(meter, "MeterTagNbr"), 10000001 + i);
        EXPECT_EQ(Number(meter, "ReadType"), readTypes[i]);
        EXPECT_EQ(Number(meter, "MeterType"), 'R');
        EXPECT_EQ(Number(meter, "InitPulseCount"), 9);
        EXPECT_EQ(Number(meter, "ScaleFactor"), 0); // not carried by a re-read meter
    }
    EXPECT_EQ(records[2].Item("ServiceAddress").ToText(), "12 MAIN ST");

    // An empty list is unusable; a duplicate tag stops at its line. Neither writes a closing line.
    struct Case {
        Lines lines, log;
    };
    const Case cases[] = {
        {{}, {"The ReReadQVF contains no meter records. The ReReadQVF file is unusable."}},
        {{"10000001 1 MAIN", "10000001 2 MAIN"}, {"Meter Tag Number of 10000001 is duplicate in Line 2", "   Info: 2 MAIN "}},
    };
    for (const Case& c : cases) {
        UseList(c.lines);
        log.Lines.clear();
        messages.QueueAnswer(MsgResult::Yes);
        EXPECT_FALSE(engine.ConvertReRead());
        Lines after(log.Lines.begin() + 5, log.Lines.end());
        EXPECT_EQ(after, c.log);
    }
}

TEST_F(ConvertReReadTest, TheValidationLimitCountsTheLastRouteConversionsMessages) {
    WriteFixedMap();
    Lines route;
    for (int i = 1; i <= 45; ++i) route.push_back(FixedLine("0012", i, std::to_string(1000 + i), "R", "R", ""));
    UseSource(route);
    ASSERT_TRUE(engine.ConvertRoute());
    Lines list;
    for (int i = 1; i <= 8; ++i) list.push_back(std::to_string(10000000 + i));
    UseList(list);
    // Twice: a re-read conversion does not add its messages to the count of the next one.
    for (int run = 0; run < 2; ++run) {
        log.Lines.clear();
        if (run > 0) messages.QueueAnswer(MsgResult::Yes);
        EXPECT_FALSE(engine.ConvertReRead());
        EXPECT_EQ(LogFrom("ServiceAddress"),
                  (Lines{"ServiceAddress empty in Line 1", "ServiceAddress empty in Line 2", "ServiceAddress empty in Line 3",
                         "ServiceAddress empty in Line 4", "ServiceAddress empty in Line 5",
                         "Remaining validation messages suppressed", "Fatal Error limit reached"}));
    }
}

TEST_F(ConvertReReadTest, EachMissingSettingStopsWithItsOwnError) {
    UseList({"10000001 1 MAIN"});
    const std::string source = engine.ReReadSource(), destination = engine.ReReadDestination();
    const struct {
        std::string source, destination, map;
        Lines log;
    } cases[] = {
        {" ", destination, "ReRead", {"Error: ReRead Source not specified"}},
        {folder.File("none.txt"), destination, "ReRead", {"Error: ReRead Source does not exist"}},
        {source, "", "ReRead", {"Reading from " + source, "Error: ReRead Destination not specified"}},
        {source, destination, "", {"Reading from " + source, "Writing to " + destination, "Error: ReRead Conversion Map not specified"}},
        {source, destination, "Nope",
         {"Reading from " + source, "Writing to " + destination, "Using Map: Nope", "Error: Could not load ReRead Conversion Map"}},
    };
    for (const auto& c : cases) {
        log.Lines.clear();
        engine.SetReReadSource(c.source);
        engine.SetReReadDestination(c.destination);
        engine.SetReReadMap(c.map);
        EXPECT_FALSE(engine.ConvertReRead());
        EXPECT_EQ(log.Lines, c.log);
        EXPECT_FALSE(FileExists(destination));
    }
}
