#include "maps/clsExchMap.h"

#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

using namespace dovrex;
using dovrex::test::TempFolder;
using namespace std::string_literals;

namespace {

// Each field as name, data type, "R" when required, and its range and prompt when set.
std::vector<std::string> Describe(const clsExchMap& map) {
    std::vector<std::string> fields;
    for (int i = 1; i <= map.FieldCount(); ++i) {
        std::string text = map.FieldName(i) + " " + std::to_string(map.DataType(i)) + (map.Required(i) ? "R" : "");
        if (map.MinValue(i) != 0 || map.MaxValue(i) != 0)
            text += " " + std::to_string(static_cast<long>(map.MinValue(i))) + ".." +
                    std::to_string(static_cast<long>(map.MaxValue(i)));
        if (map.Prompt(i) != map.FieldName(i)) text += " '" + map.Prompt(i) + "'";
        fields.push_back(text);
    }
    return fields;
}

// A fixed-width route map that maps every required field.
void MapRequiredRouteFields(clsExchMap& map) {
    map.SetMapType(MapTypeFixed);
    map.SetMapping("RouteNbr", "1", "5");
    map.SetMapping("Sequence", "A");
    map.SetMapping("MeterTagNbr", "6", "8");
    map.SetMapping("MeterType", "C", "W");
    map.SetMapping("UtilityCode", "P");
    map.SetMapping("ServiceAddress", "14", "20");
}

} // namespace

TEST(clsExchMap, DefaultFieldListsOfEachUse) {
    clsExchMap map("/nowhere");
    EXPECT_EQ(map.FieldCount(), 0);
    map.SetMapDelimiter(",");
    map.SetMapOptions(1, "Y");
    map.SetMapTerminator(2);
    map.SetMapType(MapTypeDelimited);
    map.SetDirty(false);

    map.NewMap("Standard.bcm", MapUseRoute);
    using V = std::vector<std::string>;
    const V route = {"RouteNbr 0R", "Sequence 3R 1..0", "MeterTagNbr 3R 0..16777215", "MeterType 0R", "Digits 1",
                     "Decimals 1", "PrvReading 3", "MaxReading 3", "MinReading 3", "ReadType 1", "LstReadingDate 4",
                     "UtilityCode 1R 1..255", "Lat 3", "Lng 3", "ScaleFactor 3 'Pulse Scaling (434)'",
                     "InitReading 3 'Initial Reading(434)'", "InitPulseCount 3 'Initial Pulse Count(434)'",
                     "InitTamperCount 2 'Initial Tamper Count(434)'", "Message 0", "ServiceAddress 0R",
                     "BillingName 0", "ServiceUniqueID 0", "MeterSerialNbr 0", "User1 0", "User2 0", "User3 0",
                     "User4 0", "User5 0"};
    EXPECT_EQ(Describe(map), route);
    EXPECT_TRUE(map.Dirty());
    EXPECT_EQ(map.MapType(), MapTypeNone);
    // A new map keeps the file-level settings other than name, use and type.
    EXPECT_EQ(map.MapTerminator(), 2);
    EXPECT_EQ(map.MapDelimiter(), ",");
    EXPECT_EQ(map.MapOptions(1), "Y");
    for (int i = 1; i <= map.FieldCount(); ++i) EXPECT_EQ(map.MapOption(i), MapOptionDoNotMap);

    map.NewMap("", MapUseReRead);
    EXPECT_EQ(Describe(map), route);

    map.NewMap("R.brm", MapUseReading);
    EXPECT_EQ(map.MapTerminator(), 3);
    const V reading = {"RouteNbr 0", "Sequence 3", "MeterTagNbr 3", "MeterType 0", "Digits 1", "Decimals 1",
                       "PrvReading 3", "MaxReading 3", "MinReading 3", "CurReading 3", "ReadingDate 4",
                       "ReadingTime 5", "Status 1", "ReadType 1", "ResponseCode 2", "LstReadingDate 4",
                       "TamperCount 2", "UtilityCode 1", "Signal 1", "Lat 3", "Lng 3",
                       "ScaleFactor 3 'Pulse Scaling (434)'", "InitReading 3 'Initial Reading(434)'",
                       "InitPulseCount 3 'Initial Pulse Count(434)'", "InitTamperCount 2 'Initial Tamper Count(434)'",
                       "Initials 0", "ResponseText 0", "Message 0", "ServiceAddress 0", "BillingName 0",
                       "ServiceUniqueID 0", "MeterSerialNbr 0", "ReceiverData 0", "User1 0", "User2 0", "User3 0",
                       "User4 0", "User5 0"};
    EXPECT_EQ(Describe(map), reading);

    map.SetMapTerminator(0);
    map.NewMap("O.bom", MapUseOrphan);
    EXPECT_EQ(map.MapTerminator(), 3);
    EXPECT_EQ(Describe(map), (V{"MeterTagNbr 3", "CurReading 3", "ReadingDate 4", "ReadingTime 5", "TamperCount 2",
                                "UtilityCode 1", "PrvReading 3 'NearbyTagNbr1'", "MaxReading 3 'NearbyTagNbr2'",
                                "MinReading 3 'NearbyTagNbr3'", "LstReadingDate 3 'NearbyTagNbr4'"}));

    map.NewMap("X", 7);
    EXPECT_EQ(map.FieldCount(), 0);
}

TEST(clsExchMap, FieldsAreAddressedByNameOrNumber) {
    clsExchMap map("/nowhere");
    map.NewMap("Standard.bcm", MapUseRoute);
    EXPECT_EQ(map.FindItem("metertagnbr"), 3);
    EXPECT_EQ(map.FindItem(28), 28);
    EXPECT_EQ(map.FindItem(29), 0);
    EXPECT_EQ(map.FindItem(0), 0);
    EXPECT_EQ(map.FindItem("Bogus"), 0);
    EXPECT_EQ(map.FieldName("sequence", true), "Sequence(Required)");
    EXPECT_EQ(map.FieldName(5, true), "Digits");
    EXPECT_EQ(map.Prompt("ScaleFactor", true), "Pulse Scaling (434)");
    EXPECT_EQ(map.Prompt("UtilityCode", true), "UtilityCode(Required)");

    map.SetDirty(false);
    map.SetDataPosition(std::string("METERTAGNBR"), 12);
    EXPECT_EQ(map.DataPosition(3), 12);
    EXPECT_TRUE(map.Dirty());

    // Unknown fields read as nothing and take no writes.
    map.SetDirty(false);
    map.SetMapConstant("Bogus", "x");
    map.SetDataWidth(-1, 5);
    EXPECT_FALSE(map.Dirty());
    EXPECT_EQ(map.MapConstant("Bogus"), "");
    EXPECT_EQ(map.DataWidth(-1), 0);
    EXPECT_FALSE(map.Required(99));
    EXPECT_EQ(map.FieldName(99, true), "");
    EXPECT_FALSE(map.SetMapping("Bogus", "N"));
}

TEST(clsExchMap, SavesTheExactFileLayout) {
    TempFolder folder;
    clsExchMap map(folder.Path());
    map.NewMap("Standard.bcm", MapUseRoute);
    EXPECT_EQ(map.MapFileName(), folder.Path() + "/Standard.bcm");
    map.SetMapType(MapTypeDelimited);
    map.SetMapDelimiter("<tab>");
    EXPECT_EQ(map.MapDelimiterChar(), "\t");
    map.SetMapping("RouteNbr", "1", "5");
    map.SetMapping("Sequence", "A");
    map.SetMapping("MeterTagNbr", "12", "8");
    map.SetMapping("MeterType", "C", "W");
    map.SetMapping("UtilityCode", "P");
    map.SetMapping("LstReadingDate", "20", "8", "", "", "24");
    map.SetMapOption("Digits", 0); // an action the editor left unchosen
    ASSERT_TRUE(map.SaveMap());
    EXPECT_FALSE(map.Dirty());
    std::string expected =
        "QVF=1.1\r\nMAPNAME=Standard.bcm\r\nMAPTYPE=2\r\nMAPFILTER=0\r\nMAPDELIMITER=<tab>\r\nMAPQUOTE=\r\n"
        "MAPTERMINATOR= 0 \r\nMAPLENGTH=0\r\nRouteNbr=1,5,,,0\r\nSequence=A\r\nMeterTagNbr=12,8,,,0\r\n"
        "MeterType=C,W\r\nDigits=N\r\nDecimals=N\r\nPrvReading=N\r\nMaxReading=N\r\nMinReading=N\r\nReadType=N\r\n"
        "LstReadingDate=20,8,,,24\r\nUtilityCode=P\r\n";
    for (const char* name : {"Lat", "Lng", "ScaleFactor", "InitReading", "InitPulseCount", "InitTamperCount",
                             "Message", "ServiceAddress", "BillingName", "ServiceUniqueID", "MeterSerialNbr", "User1",
                             "User2", "User3", "User4", "User5"})
        expected += std::string(name) + "=N\r\n";
    EXPECT_EQ(folder.Read("Standard.bcm"), expected);

    // A write map with options and a quote; texts cannot break the line structure.
    clsExchMap reading(folder.Path());
    reading.NewMap("Up.brm", MapUseReading);
    reading.SetMapType(MapTypeFixed);
    reading.SetMapQuote("\"");
    reading.SetMapFilter(2);
    reading.SetMapLength(120);
    reading.SetMapOptions(3, "N");
    reading.SetMapOptions(1, "Y\r\nMAPTYPE=2");
    reading.SetMapping("CurReading", "21", "6", "R", "Z", "0");
    reading.SetMapping("ReadingDate", "27", "8", "L", "B", "14");
    ASSERT_TRUE(reading.SaveMap());
    const std::string text = folder.Read("Up.brm");
    EXPECT_EQ(text.substr(0, text.find("RouteNbr=")),
              "QVF=1.1\r\nMAPNAME=Up.brm\r\nMAPTYPE=1\r\nMAPFILTER=2\r\nMAPDELIMITER=\r\nMAPQUOTE=\"\r\n"
              "MAPOPTIONS=1:Y;3:N\r\nMAPTERMINATOR= 3 \r\nMAPLENGTH=120\r\n");
    EXPECT_NE(text.find("\r\nCurReading=21,6,R,Z,0\r\nReadingDate=27,8,L,B,14\r\n"), std::string::npos);

    clsExchMap unnamed(folder.Path());
    unnamed.NewMap("", MapUseRoute);
    EXPECT_EQ(unnamed.MapFileName(), "");
    EXPECT_FALSE(unnamed.SaveMap());
    EXPECT_TRUE(unnamed.Dirty());
    EXPECT_FALSE(unnamed.DeleteMap());

    EXPECT_TRUE(map.DeleteMap());
    EXPECT_FALSE(map.LoadMap("Standard.bcm", MapUseRoute));
}

TEST(clsExchMap, AFailedSaveKeepsTheOldFileAndSaysWhy) {
    TempFolder folder;
    const std::string kept = "QVF=1.1\r\nMAPTYPE=1\r\n";
    struct Row {
        const char* Case;
        std::string Folder;
        std::string Name;
        uint64_t SizeLimit; // 0: none
        std::string Error;
    };
    const Row rows[] = {
        {"no name", folder.Path(), "", 0, "The map has no name"},
        {"a missing folder", folder.File("gone"), "A.bcm", 0, "File not found (" + folder.File("gone/A.bcm") + ")"},
        {"a folder in the way", folder.Path(), "Dir.bcm", 0, "Path/File access error (" + folder.File("Dir.bcm") + ")"},
        {"a full disk", folder.Path(), "Kept.bcm", 64, "Disk full (" + folder.File("Kept.bcm") + ")"},
    };
    std::filesystem::create_directory(folder.File("Dir.bcm"));
    folder.Write("Kept.bcm", kept);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Case);
        clsExchMap map(row.Folder);
        map.NewMap(row.Name, MapUseRoute);
        bool saved = true;
        {
            std::optional<dovrex::test::FileSizeLimit> limit;
            if (row.SizeLimit > 0) limit.emplace(row.SizeLimit);
            saved = map.SaveMap();
        }
        EXPECT_FALSE(saved);
        EXPECT_EQ(map.SaveError(), row.Error);
        EXPECT_TRUE(map.Dirty());
        if (row.SizeLimit > 0) {
            EXPECT_EQ(folder.Read(row.Name), kept);
            EXPECT_TRUE(map.SaveMap()) << "with room again";
            EXPECT_EQ(map.SaveError(), "");
            EXPECT_NE(folder.Read(row.Name), kept);
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
    }
}

TEST(clsExchMap, SavedMapsLoadBackUnchanged) {
    TempFolder folder;
    clsExchMap map(folder.Path());
    map.NewMap("Orph.bom", MapUseOrphan);
    map.SetMapType(MapTypeDelimited);
    map.SetMapDelimiter("||");
    map.SetMapQuote("\"");
    map.SetMapTerminator(4);
    map.SetMapLength(-5);
    map.SetMapOptions(2, "Y");
    map.SetMapping("MeterTagNbr", "1", "10", "L", "Z", "0");
    map.SetMapping("ReadingTime", "3", "0", "R", "B", "43");
    ASSERT_TRUE(map.SaveMap());

    clsExchMap loaded(folder.Path());
    ASSERT_TRUE(loaded.LoadMap("Orph.bom", MapUseOrphan));
    EXPECT_FALSE(loaded.Dirty());
    EXPECT_EQ(loaded.MapName(), "Orph.bom");
    EXPECT_EQ(loaded.MapType(), MapTypeDelimited);
    EXPECT_EQ(loaded.MapDelimiterChar(), "||");
    EXPECT_EQ(loaded.MapQuote(), "\"");
    EXPECT_EQ(loaded.MapTerminator(), 4);
    EXPECT_EQ(loaded.MapLength(), -5);
    EXPECT_EQ(loaded.MapOptions(0), "2:Y");
    for (int i = 1; i <= map.FieldCount(); ++i) {
        SCOPED_TRACE(map.FieldName(i));
        EXPECT_EQ(loaded.MapOption(i), map.MapOption(i));
        EXPECT_EQ(loaded.DataPosition(i), map.DataPosition(i));
        EXPECT_EQ(loaded.DataWidth(i), map.DataWidth(i));
        EXPECT_EQ(loaded.MapAlign(i), map.MapAlign(i));
        EXPECT_EQ(loaded.MapPad(i), map.MapPad(i));
        EXPECT_EQ(loaded.MapFormat(i), map.MapFormat(i));
    }
    EXPECT_EQ(loaded.MapAlign("ReadingTime"), 2);
    EXPECT_EQ(loaded.MapPad("MeterTagNbr"), 1);
}

TEST(clsExchMap, LoadingReadsWhatItCanAndSkipsTheRest) {
    TempFolder folder;
    folder.Write("Odd.bcm",
                 "# comment\r\n"
                 "   \r\n"
                 "QVF=1.1\r\n"
                 "MAPNAME=Other.bcm\r\n"
                 "MAPQUOTE=<none>\n"          // a line ending in LF alone
                 "MAPTYPE=1\r\n"
                 "MapType=2\r"                // mixed case: a field name that does not exist; CR alone
                 "MAPFILTER=Only\r\n"         // not a number: unchanged
                 "MAPLENGTH=99999\r\n"        // too large for 16 bits: unchanged
                 "MAPTERMINATOR=1e999\r\n"    // beyond any number: unchanged
                 "MAPDELIMITER= \r\n"         // a single space trims to nothing
                 " metertagnbr = 99999 , 8 ,,, 0 \r\n"
                 "MeterType=C,A,B\r\n"
                 "Message=C,x=y\r\n"
                 "RouteNbr=3,2=junk\r\n"
                 "UtilityCode\r\n"
                 "Digits=n\r\n"
                 "\x01\xff\x00garbage=1,2\r\n"s +
                     std::string(300000, 'Z') + "=1,1\r\n" + "BillingName=P");

    clsExchMap map(folder.Path());
    map.SetMapDelimiter(",");
    map.SetMapQuote("'");
    map.SetMapFilter(2);
    map.SetMapLength(7);
    map.SetMapTerminator(1);
    ASSERT_TRUE(map.LoadMap("Odd.bcm", MapUseRoute));
    EXPECT_FALSE(map.Dirty());
    EXPECT_EQ(map.MapName(), "Odd.bcm");
    EXPECT_EQ(map.MapType(), MapTypeFixed);
    EXPECT_EQ(map.MapFilter(), 2);
    EXPECT_EQ(map.MapLength(), 7);
    EXPECT_EQ(map.MapTerminator(), 1);
    EXPECT_EQ(map.MapDelimiter(), "");
    EXPECT_EQ(map.MapQuote(), "");
    // The position does not fit and stays 0; the rest of the line applies.
    EXPECT_EQ(map.MapOption("MeterTagNbr"), MapOptionFromSource);
    EXPECT_EQ(map.DataPosition("MeterTagNbr"), 0);
    EXPECT_EQ(map.DataWidth("MeterTagNbr"), 8);
    EXPECT_EQ(map.MapConstant("MeterType"), "A");
    EXPECT_EQ(map.MapConstant("Message"), "x");
    EXPECT_EQ(map.DataWidth("RouteNbr"), 2);
    EXPECT_EQ(map.MapOption("RouteNbr"), MapOptionFromSource);
    // A line without "=" maps from position 0; a lower-case action letter is no action.
    EXPECT_EQ(map.MapOption("UtilityCode"), MapOptionFromSource);
    EXPECT_EQ(map.MapOption("Digits"), MapOptionFromSource);
    EXPECT_EQ(map.MapOption("BillingName"), MapOptionPrompt);

    std::string message;
    EXPECT_FALSE(map.ValidateMap(message));
    EXPECT_EQ(message, "Mapping Errors found:\r\n"
                       "\tMapping of Sequence is required\r\n"
                       "\tPosition of MeterTagNbr is required\r\n"
                       "\tPosition of Digits is required\r\n"
                       "\tPosition of UtilityCode is required\r\n"
                       "\tMapping of ServiceAddress is required\r\n");

    // A file written with LF line ends alone.
    folder.Write("Unix.bcm", "MAPTYPE=2\nRouteNbr=4,0,,,0\n\nSequence=A\n");
    ASSERT_TRUE(map.LoadMap("Unix.bcm", MapUseReRead));
    EXPECT_EQ(map.MapType(), MapTypeDelimited);
    EXPECT_EQ(map.DataPosition("RouteNbr"), 4);
    EXPECT_EQ(map.MapOption("Sequence"), MapOptionAutonumber);

    // A missing file leaves the default map of the use.
    EXPECT_FALSE(map.LoadMap("Missing.bcm", MapUseRoute));
    EXPECT_EQ(map.FieldCount(), 28);
    EXPECT_EQ(map.MapOption("MeterTagNbr"), MapOptionDoNotMap);
    EXPECT_FALSE(map.Dirty());
}

TEST(clsExchMap, OptionSlots) {
    TempFolder folder;
    folder.Write("Mvrs.bcm", "MAPTYPE=3\r\nMAPOPTIONS=1:Y;3:;x:1;-2:Y;99999:Y;5\r\n");
    clsExchMap map(folder.Path());
    ASSERT_TRUE(map.LoadMap("Mvrs.bcm", MapUseRoute));
    EXPECT_EQ(map.MapOptions(1), "Y");
    EXPECT_EQ(map.MapOptions(3), "");
    EXPECT_EQ(map.MapOptions(5), "");
    EXPECT_EQ(map.MapOptions(6), "");
    EXPECT_EQ(map.MapOptions(-1), "");
    EXPECT_EQ(map.MapOptions(0), "1:Y");
    ASSERT_TRUE(map.SaveMap());
    EXPECT_NE(folder.Read("Mvrs.bcm").find("\r\nMAPOPTIONS=1:Y\r\nMAPTERMINATOR="), std::string::npos);

    // Slots without a value still give the line, with nothing after "=".
    map.SetMapOptions(1, " ");
    ASSERT_TRUE(map.SaveMap());
    EXPECT_NE(folder.Read("Mvrs.bcm").find("\r\nMAPOPTIONS=\r\nMAPTERMINATOR="), std::string::npos);

    map.SetMapOptions(0, "2:N;4:Y");
    EXPECT_EQ(map.MapOptions(0), "2:N;4:Y");
    map.SetMapOptions(clsExchMap::kMaxMapOptions + 1, "Y");
    map.SetMapOptions(-3, "Y");
    EXPECT_EQ(map.MapOptions(0), "2:N;4:Y");
}

TEST(clsExchMap, ValidationMessages) {
    clsExchMap map("/nowhere");
    map.NewMap("Standard.bcm", MapUseRoute);
    MapRequiredRouteFields(map);
    std::string message = "left over";
    EXPECT_TRUE(map.ValidateMap(message));
    EXPECT_EQ(message, "");

    map.SetMapping("MeterTagNbr", "N");
    EXPECT_FALSE(map.ValidateMap(message));
    EXPECT_EQ(message, "Mapping Errors found:\r\n\tMapping of MeterTagNbr is required\r\n");

    // Width matters only for fixed maps.
    MapRequiredRouteFields(map);
    map.SetMapping("RouteNbr", "1", "0");
    EXPECT_FALSE(map.ValidateMap(message));
    EXPECT_EQ(message, "Mapping Errors found:\r\n\tWidth of RouteNbr is required\r\n");
    map.SetMapType(MapTypeDelimited);
    EXPECT_TRUE(map.ValidateMap(message));

    // One line per field, the first check that applies; MappedOK appends.
    std::string lines = "x";
    map.SetMapConstant("MeterType", "");
    EXPECT_FALSE(map.MappedOK("MeterType", lines));
    EXPECT_TRUE(map.MappedOK("Sequence", lines));
    EXPECT_FALSE(map.MappedOK("NoSuchField", lines));
    EXPECT_FALSE(map.MappedOK(40, lines));
    EXPECT_EQ(lines, "x\tConstant missing for MeterType\r\n\tMapping of NoSuchField not complete\r\n"
                     "\tMapping of 40 not complete\r\n");

    clsExchMap reading("/nowhere");
    reading.NewMap("Up.brm", MapUseReading);
    reading.SetMapType(MapTypeFixed);
    EXPECT_TRUE(reading.ValidateMap(message));
    reading.SetMapping("ReadingDate", "1", "8", "L", "Z", "0");
    reading.SetMapping("CurReading", "0", "0", "R", "Z", "0");
    EXPECT_FALSE(reading.ValidateMap(message));
    EXPECT_EQ(message, "Mapping Errors found:\r\n\tPosition of CurReading is required\r\n"
                       "\tDate/Time format missing for ReadingDate\r\n");
    reading.SetMapFormat("ReadingDate", 26);
    reading.SetMapping("CurReading", "9", "0", "R", "Z", "0");
    EXPECT_FALSE(reading.ValidateMap(message));
    EXPECT_EQ(message, "Mapping Errors found:\r\n\tWidth of CurReading is required\r\n");
}

TEST(clsExchMap, AlignmentAndPadPartsLoadAndSaveByTheirLetters) {
    // Only "L" is left and only "Z" is zeros; a blank or any other text is right / blanks.
    const struct { const char* align; const char* pad; int32_t mapAlign, mapPad; const char* saved; } rows[] = {
        {"L", "Z", 1, 1, "CurReading=21,6,L,Z,0"}, {"R", "B", 2, 2, "CurReading=21,6,R,B,0"},
        {"", "", 2, 2, "CurReading=21,6,R,B,0"},   {"l", "z", 2, 2, "CurReading=21,6,R,B,0"},
        {" L", "Z ", 2, 2, "CurReading=21,6,R,B,0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.align) + "|" + row.pad);
        TempFolder folder;
        folder.Write("Up.brm", "MAPTYPE=1\r\nCurReading=21,6," + std::string(row.align) + "," + row.pad + ",0\r\n");
        clsExchMap map(folder.Path());
        ASSERT_TRUE(map.LoadMap("Up.brm", MapUseReading));
        EXPECT_EQ(map.MapAlign("CurReading"), row.mapAlign);
        EXPECT_EQ(map.MapPad("CurReading"), row.mapPad);
        map.SetMapName("Again.brm");
        ASSERT_TRUE(map.SaveMap());
        EXPECT_NE(folder.Read("Again.brm").find(std::string(row.saved) + "\r\n"), std::string::npos);
    }
}
