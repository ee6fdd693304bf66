// The MVRS upload export: the record order around routes and meters, the columns of
// every record kind, the read codes and methods over their whole table, the totals in
// the trailers, failures answered Abort, Retry or Ignore, and the round trip from a
// download through the route and readings databases to the upload.

#include "MVRSFixture.h"
#include "ReadingsFixture.h"

#include "billing/clsMVRSUpload.h"
#include "platform/BinaryFile.h"

#include <map>

using namespace dovrex;
using namespace dovrex::test;

namespace {

using Lines = std::vector<std::string>;

// An upload file taken apart by the upload's own layouts.
class Upload {
public:
    explicit Upload(const std::string& text) {
        mLines = Split(text, "\r\n");
        if (!mLines.empty() && mLines.back().empty()) mLines.pop_back();
    }
    size_t Size() const { return mLines.size(); }
    const std::string& Line(size_t i) const { return mLines.at(i); }
    Lines Kinds() const {
        Lines kinds;
        for (const auto& line : mLines) kinds.push_back(line.substr(0, 3));
        return kinds;
    }
    // The columns of a field of line i, as written.
    std::string Col(size_t i, const std::string& field) const {
        const std::string& line = mLines.at(i);
        for (const auto& kind : Layouts().RecordTypes()) {
            if (kind->RIValue() != line.substr(0, 3)) continue;
            for (const clsField& f : kind->Fields()) {
                if (f.FieldName() == field) return line.substr(static_cast<size_t>(f.FieldPos()) - 1, static_cast<size_t>(f.FieldLen()));
            }
        }
        ADD_FAILURE() << "no field " << field << " in " << line.substr(0, 3);
        return {};
    }

private:
    static clsMVRSUpload& Layouts() {
        static clsMVRSUpload layouts;
        return layouts;
    }
    Lines mLines;
};

const std::string kUser2 = "g~1~2~B~S~PROBE-ID~7~7~3~4~1~SURVEY~L~MORE~00000120";
const std::string kUser4 = "12~915~T1~ERT9~WAND7~WP01";
const std::string kCustomerA = "0~ACCT-A~G~N~SEG1~P~INFO A";

// One meter record: the route, its readings and the texts of the route conversion.
Fields MeterRecord(int route, int status, int readType, const std::string& method, Fields more = {}) {
    Fields fields = {{"RouteNbr", route},
                     {"Status", status},
                     {"ReadType", readType},
                     {"ReadingDate", 20040115},
                     {"ReadingTime", 94500},
                     {"ServiceAddress", "1 MAIN ST"},
                     {"BillingName", "SMITH"},
                     {"MeterSerialNbr", "M-100"},
                     {"User1", kCustomerA},
                     {"User2", kUser2},
                     {"User3", "KWH ~F~5~6~" + method + "~10~1~2~1"},
                     {"User4", kUser4}};
    fields.insert(fields.end(), more.begin(), more.end());
    return fields;
}

} // namespace

class MVRSReadingTest : public ReadingsFixture {
protected:
    MVRSReadingTest() { WriteWriteMap("Mvrs", MapUseReading, MapTypeMVRS, {}); }

    // A readings database of route records (number text, User1) and meter records.
    std::string WriteMVRSReadings(const std::vector<std::pair<std::string, std::string>>& routes,
                                  const std::vector<Fields>& meters, std::optional<int32_t> headerRoutes = {}) {
        const std::string path = folder.File("ReadingQVF.pdb");
        std::filesystem::remove(path);
        clsQVF db;
        db.SetVersion(3);
        EXPECT_EQ(db.CreateQVF(path, ContainerPDB, 0), 0);
        db.AddNew();
        Put(db, {{"RecType", 0}, {"RouteNbr", headerRoutes.value_or(static_cast<int32_t>(routes.size()))},
                 {"MeterType", 3}});
        db.WriteData();
        for (size_t k = 0; k < routes.size(); ++k) {
            db.AddNew();
            Put(db, {{"RecType", 256}, {"RouteNbr", static_cast<int32_t>(k + 1)}, {"Initials", routes[k].first},
                     {"User1", routes[k].second}});
            db.WriteData();
        }
        for (const Fields& meter : meters) {
            db.AddNew();
            db.SetItem("RecType", 2);
            Put(db, meter);
            db.WriteData();
        }
        db.Close();
        return path;
    }

    // The readings a handheld returns for a route database: every meter read 5 above its
    // prior reading on 21 January 2004 at 10:15, except each unread-th one.
    void ReadRoute(const std::string& route, const std::string& readings, int unread) {
        clsQVF db;
        db.SetVersion(3);
        ASSERT_EQ(db.CreateQVF(readings, ContainerPDB, 0), 0);
        int meter = 0;
        for (ValueCollection& record : ReadDatabase(route)) {
            if (Number(record, "RecType") == 1) record.Set("RecType", Value(256));
            if (Number(record, "RecType") == 2 && ++meter % unread != 0) {
                record.Set("Status", Value(1));
                record.Set("CurReading", Value(Number(record, "PrvReading") + 5));
                record.Set("ReadingDate", Value(20040121));
                record.Set("ReadingTime", Value(101500));
            }
            db.AddNew();
            for (const auto& [name, value] : record) db.SetItem(name, value);
            db.WriteData();
        }
        db.Close();
    }

    Upload Convert(const std::string& readings, bool expected = true) {
        std::filesystem::remove(folder.File("upload.txt"));
        UseReadings(readings, "Mvrs");
        EXPECT_EQ(engine.ConvertReading(), expected);
        return Upload(folder.Read("upload.txt"));
    }
};

TEST_F(MVRSReadingTest, RecordOrderColumnsAndTotalsOfEveryKindOfMeter) {
    const std::string readings = WriteMVRSReadings(
        {{"00000101", "R1~Z2~O3~01/20/2004~4"}, {"00000102", "R9~Z9~O9~garbage~x"}},
        {
            // Keyed with one decimal; the download read it by radio.
            MeterRecord(1, 1, 2, "R", {{"CurReading", 12345}, {"Decimals", 1}, {"Digits", 5}, {"PrvReading", 12000},
                                       {"MeterType", 3}, {"Sequence", 120}, {"MeterTagNbr", 55501234}}),
            // Unread, on the other route.
            MeterRecord(2, 0, 0, "K", {{"MeterType", 1}, {"MeterSerialNbr", "0"},
                                       {"User2", "~~~~~~~12~~~~~~~"}}),
            // Probe, with a customer of two lines, a special message and a trouble code.
            MeterRecord(1, 1, 3, "P", {{"MeterType", 2}, {"ResponseCode", 3},
                                       {"ServiceAddress", Pad("2 OAK", 20) + Pad("UNIT 5", 20) + "TOWN"},
                                       {"BillingName", Pad("BROWN", 20) + "JANE"},
                                       {"User1", "0~ACCT-B~H~Y~SEG2~Q~INFO B"}, {"User5", "  DOG IN YARD  "},
                                       {"User2", "g~1~2~B~S~PROBE-ID~7~1.5~3~4~1~SURVEY~L~MORE~00000120"}}),
            // Wand, skipped.
            MeterRecord(1, 1, 4, "W", {{"CurReading", 77}}),
        });
    const Upload up = Convert(readings);
    EXPECT_EQ(up.Kinds(), (Lines{"FHD", "RHD", "CUS", "MTR", "RDG", "RFF", "RTR", "RHD", "CUS", "MTR", "RDG", "RTR",
                                 "RHD", "CUS", "CSX", "MTR", "MTS", "RDG", "PRB", "CUS", "MTR", "RDG", "WRR", "RTR",
                                 "FTR"}));
    for (size_t i = 0; i < up.Size(); ++i) EXPECT_GE(up.Line(i).size(), 126u) << i;
    EXPECT_EQ(up.Line(0).substr(3), up.Line(up.Size() - 1).substr(3)); // FTR repeats FHD

    struct Cell { size_t line; const char* field; std::string text; };
    const Cell cells[] = {
        {0, "NewServiceIndicator", "N"}, {0, "ChangeMeterIndicator", "N"}, {0, "NumberRoutes", "002"},
        {0, "NumberCustomerRecords", "000004"}, {0, "NumberMeterRecords", "000004"}, {0, "NumberReadRecords", "000004"},
        {0, "ExtendedIndicator", "N"}, {0, "FileTrailerLineNumber", "000000"}, {0, "Reserved1", " "},
        // Route 1 carries the totals of all three of its meters in each header and trailer.
        {1, "RouteNumber", "00000101"}, {1, "SurveyIndicator", "N"}, {1, "RouteMessageIndicator", "N"},
        {1, "TotalNumberKeys", "0000"}, {1, "TotalNumberReadingRecords", "0003"}, {1, "TotalNumberDemandMeters", "0000"},
        {1, "TotalNumberKeyedReadings", "0001"}, {1, "TotalNumberOpticalProbeReadings", "0001"},
        {1, "TotalNumberOffsiteRadioReadings", "0000"}, {1, "TotalCustomerRecords", "0003"},
        {1, "TotalMeterRecords", "0003"}, {1, "TimeUsedtoReadRoute", "0     "}, {1, "ResequenceFlag", "N"},
        {1, "OriginalSequenceFlag", "Y"}, {1, "NumberCustomerRecords", "0003"}, {1, "NumberMeterRecords", "0003"},
        {1, "NumberReadingRecords", "0003"}, {1, "NumberMissedReadings", "0000"}, {1, "NumberSkippedReadings", "0001"},
        {1, "NumberGasMeters", "0001"}, {1, "NumberWaterMeters", "0000"}, {1, "NumberElectricMeters", "0001"},
        {1, "NumberLocationMeters", "0000"}, {1, "NumberExtraMeters", "0000"}, {1, "Region", "R1"}, {1, "Zone", "Z2"},
        {1, "Office", "O3"}, {1, "ScheduledReadDate", "01202004"}, {1, "MeterReaderStatisticsRecord", "N"},
        {1, "ForceCompleteFlag", "N"}, {1, "ForceCompleteCode", "00"}, {1, "NumberRemoteWandReads", "0004"},
        {1, "TypeRoute", " "}, {1, "TypeResequenceFlag", "N"},
        {6, "TotalNumberReadingRecords", "0003"}, {12, "NumberSkippedReadings", "0001"}, {23, "NumberGasMeters", "0001"},
        {7, "RouteNumber", "00000102"}, {7, "NumberMissedReadings", "0001"}, {7, "NumberWaterMeters", "0001"},
        {7, "ScheduledReadDate", "00000000"}, {7, "NumberRemoteWandReads", "0000"}, {11, "RouteNumber", "00000102"},
        // The keyed meter.
        {2, "RouteNumber", "00000101"}, {2, "NumberMeters", "001"}, {2, "Account", Pad("ACCT-A", 20)},
        {2, "Name", Pad("SMITH", 20)}, {2, "Address1", Pad("1 MAIN ST", 20)}, {2, "Address2", Pad("", 20)},
        {2, "Reserved", "00"}, {2, "GroupCode", "G"}, {2, "ExtraIndicator", "N"}, {2, "ExceptionCode", " "},
        {2, "SegmentCode", "SEG1"}, {2, "UtilityID", "  "}, {2, "PassThru", "P"}, {2, "CustomerInfo", Pad("INFO A", 20)},
        {3, "NumberReadings", "001"}, {3, "GroupCode", "g"}, {3, "Reserved2", "0000000000"},
        {3, "SurveyCode1DisplayIndicator", "1"}, {3, "Reserved3", "00"}, {3, "SurveyCode2DisplayIndicator", "2"},
        {3, "BillCode", "B"}, {3, "MeterStatus", "S"}, {3, "OpticalProbeID", Pad("PROBE-ID", 14)},
        {3, "MeterNumber", Pad("M-100", 12)}, {3, "Reserved4", "00"}, {3, "MeterType", "07"},
        {3, "ReadSequence", "00000120"}, {3, "NewReadSequence", "00000120"}, {3, "Reserved5", "0"},
        {3, "MeterLocation", "07"}, {3, "Reserved6", "0"}, {3, "ReadInstruction1", "03"}, {3, "Reserved7", "0"},
        {3, "ReadInstruction2", "04"}, {3, "SpecialMessageDisplayIndicator", "1"}, {3, "SpecialMessageIndicator", "N"},
        {3, "TroubleMessageIndicator", "N"}, {3, "SurveyResponse1", " "}, {3, "SurveyResponse2", " "},
        {3, "MeterChangeOutIndicator", "N"}, {3, "ChangeMeterRecordIndicator", "N"}, {3, "MeterCategory", "E"},
        {3, "LocationExtraMeter", "L"}, {3, "TimeCode", "000"}, {3, "Reserved8", "   "},
        {3, "OriginalAdditionalMeterInfo", Pad("M-100", 20)},
        {4, "TextPrompt", "KWH "}, {4, "ReadDirection", "F"}, {4, "CompareCode", "005"}, {4, "ValidationCode", "006"},
        {4, "Reserved1", "0"}, {4, "ChannelNumber", "00"}, {4, "ReadMethod", "K"}, {4, "MeterConstant", "000010"},
        {4, "ConstantFlag", "1"}, {4, "Reading", "0000001234"}, {4, "ReadOrder", "0001"}, {4, "ReadDate", "01152004"},
        {4, "ReadTime", "094500"}, {4, "ReadCode", "O"}, {4, "Reserved3", "0"}, {4, "ReadReason", "00"},
        {4, "ReadAuditResult", "0"}, {4, "Reserved4", "0"}, {4, "TroubleCode1", "00"}, {4, "Reserved5", "0"},
        {4, "TroubleCode2", "00"}, {4, "AuditCounter", "0"}, {4, "ClearCounter", "0"}, {4, "UnprocessedReadFlag", "N"},
        {4, "MeterReaderID", "TRAV     "}, {4, "ElapsedTime", "00000"}, {4, "NewNumberDials", "05"},
        {4, "NewNumberDecimals", "01"}, {4, "NewReadMethod", "K"}, {4, "MeterConstantVerified", " "},
        {4, "HHFPosition", "2"}, {4, "NewMeterConstant", "000010"}, {4, "Reserved6", "0"}, {4, "ReadTypeCode", "00"},
        {4, "PreviousReading", "0000012000"},
        {5, "RFERTID", "55501234"}, {5, "GeographicArea", "12"}, {5, "RFFrequency", Pad("915", 12)}, {5, "RFTone", "T1  "},
        {5, "Tamper", "00"}, {5, "ReadDate", "01152004"}, {5, "ReadTime", "094500"}, {5, "Reading", "0000001235"},
        {5, "ERTType", "ERT9    "}, {5, "VisualReadIndicator", "Y"}, {5, "Reserved4", "  "},
        // The unread meter: no meter number, no read date or time.
        {9, "MeterNumber", Pad(" ", 12)}, {9, "OriginalAdditionalMeterInfo", Pad(" ", 20)}, {9, "MeterLocation", "12"},
        {9, "MeterCategory", "W"}, {10, "ReadDate", "00000000"}, {10, "ReadTime", "000000"}, {10, "ReadCode", " "},
        {10, "ReadMethod", "N"}, {10, "NewReadMethod", "N"}, {10, "Reading", "0000000000"},
        // The probe meter with its second customer line and its message.
        {14, "RouteNumber", "00000101"}, {14, "Account", Pad("ACCT-B", 20)}, {14, "Name", Pad("JANE", 20)},
        {14, "NewCustomerInfo", Pad("INFO B", 20)}, {14, "Address3", Pad("TOWN", 20)},
        {13, "Address2", Pad("UNIT 5", 20)}, {15, "MeterLocation", "00"}, {15, "SpecialMessageIndicator", "Y"},
        {15, "TroubleMessageIndicator", "Y"}, {15, "MeterCategory", "G"},
        {16, "MeterNumber", Pad("M-100", 12)}, {16, "SpecialMessageText", Pad("DOG IN YARD", 100)},
        {17, "ReadMethod", "W"}, {17, "ReadCode", "N"},
        {18, "OpticalProbeRecorderID", Pad("PROBE-ID", 14)}, {18, "ExpectedDeviceID", Pad("", 20)},
        {18, "DeviceDate", "00000000"}, {18, "DeviceTime", "      "}, {18, "ReadDate", "01152004"},
        {18, "ReadTime", "094500"}, {18, "StatusOpen", "00"}, {18, "StatusAutoTimeSet", "00"}, {18, "StatusCodes6", "00"},
        // The wand meter.
        {21, "ReadMethod", "N"}, {21, "ReadCode", "S"}, {22, "DeviceID", Pad("WAND7", 14)}, {22, "WandProgram", "WP01"},
        {22, "TamperStatus", "0   "}, {22, "Reading", "0000000077"}, {22, "VisualReadIndicator", "N"},
        {22, "ReadDate", "01152004"},
    };
    for (const Cell& cell : cells) EXPECT_EQ(up.Col(cell.line, cell.field), cell.text) << cell.line << " " << cell.field;
}

TEST_F(MVRSReadingTest, ReadMethodReadCodeAndTheRecordAfterTheReading) {
    // Status, read type, reading and the download's read method against the "RDG" columns
    // and the record the method adds.
    struct Row { int status, readType, reading; const char* method; const char* rdgMethod; const char* code;
                 const char* newMethod; const char* extra; const char* visual; };
    const Row rows[] = {
        {0, 4, 5, "K", "N", "S", "N", nullptr, nullptr}, {0, 2, 0, "K", "K", "S", "N", nullptr, nullptr},
        {0, 2, 7, "K", "K", " ", "N", nullptr, nullptr}, {0, 1, 0, "R", "R", " ", "N", "RFF", "N"},
        {1, 0, 5, "K", "N", " ", "N", nullptr, nullptr}, {1, 1, 5, "R", "R", "N", "R", "RFF", "N"},
        {1, 2, 5, "R", "K", "O", "K", "RFF", "Y"},       {1, 3, 5, "P", "W", "N", "W", "PRB", nullptr},
        {1, 4, 5, "W", "N", "S", "N", "WRR", "N"},       {1, 9, 5, "X", "X", " ", " ", nullptr, nullptr},
        {2, 2, 5, "W", "K", "O", "K", "WRR", "Y"},
    };
    std::vector<Fields> meters;
    for (const Row& row : rows) meters.push_back(MeterRecord(1, row.status, row.readType, row.method, {{"CurReading", row.reading}}));
    const Upload up = Convert(WriteMVRSReadings({{"R1", ""}}, meters));
    size_t line = 2;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.status) + "/" + std::to_string(row.readType) + row.method);
        ASSERT_EQ(up.Line(line + 2).substr(0, 3), "RDG");
        EXPECT_EQ(up.Col(line + 2, "ReadMethod"), row.rdgMethod);
        EXPECT_EQ(up.Col(line + 2, "ReadCode"), row.code);
        EXPECT_EQ(up.Col(line + 2, "NewReadMethod"), row.newMethod);
        EXPECT_EQ(up.Col(line + 2, "ReadDate"), row.status == 0 ? "00000000" : "01152004");
        line += 3;
        if (row.extra == nullptr) continue;
        ASSERT_EQ(up.Line(line).substr(0, 3), row.extra);
        if (row.visual) {
            EXPECT_EQ(up.Col(line, "VisualReadIndicator"), row.visual);
        }
        ++line;
    }
    EXPECT_EQ(up.Line(line).substr(0, 3), "RTR");
    EXPECT_EQ(up.Col(line, "NumberMissedReadings"), "0005");
    EXPECT_EQ(up.Col(line, "NumberSkippedReadings"), "0001");
    EXPECT_EQ(up.Col(line, "TotalNumberOffsiteRadioReadings"), "0001");
}

TEST_F(MVRSReadingTest, DecimalsMeterLocationsAndMeterNumbers) {
    // The reading in whole units: "RDG" drops the decimals, "RFF" and "WRR" round them.
    struct Row { int reading, decimals; const char* location; const char* number; const char* rdg; const char* rff;
                 const char* uploadLocation; const char* uploadNumber; };
    const Row rows[] = {
        {12345, 0, "7", "0", "0000012345", "0000012345", "07", " "},
        {12345, 1, "12", " 0 ", "0000001234", "0000001235", "12", " "},
        {12344, 1, "1.5", "00", "0000001234", "0000001234", "00", "00"},
        {12350, 2, "", "M1", "0000000123", "0000000124", "00", "M1"},
        {99999, 3, "123", "X", "0000000099", "0000000100", "12", "X"},
    };
    std::vector<Fields> meters;
    for (const Row& row : rows) {
        meters.push_back(MeterRecord(1, 1, 1, "R", {{"CurReading", row.reading}, {"Decimals", row.decimals},
                                                    {"MeterSerialNbr", row.number},
                                                    {"User2", std::string("~~~~~~~") + row.location + "~~~~~~~"}}));
    }
    const Upload up = Convert(WriteMVRSReadings({{"R1", ""}}, meters));
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const size_t mtr = 3 + 4 * i;
        EXPECT_EQ(up.Col(mtr, "MeterLocation"), rows[i].uploadLocation);
        EXPECT_EQ(up.Col(mtr, "MeterNumber"), Pad(rows[i].uploadNumber, 12));
        EXPECT_EQ(up.Col(mtr + 1, "Reading"), rows[i].rdg);
        EXPECT_EQ(up.Col(mtr + 2, "Reading"), rows[i].rff);
    }
}

TEST_F(MVRSReadingTest, FailuresAskAbortRetryOrIgnore) {
    // The third meter names a route the table does not have: pass 1 and pass 2 each meet it.
    const std::vector<Fields> meters = {MeterRecord(1, 1, 2, "K"), MeterRecord(3, 1, 2, "K"), MeterRecord(1, 1, 2, "K")};
    const std::string readings = WriteMVRSReadings({{"R1", ""}, {"R2", ""}}, meters);
    const std::string failure = "Meter record 5 of " + readings + " names route 3, outside the route table of 2 routes";
    struct Row { std::vector<MsgResult> answers; bool result; size_t boxes; Lines kinds; };
    const Row rows[] = {
        {{MsgResult::Ignore, MsgResult::Ignore}, true, 2,
         {"FHD", "RHD", "CUS", "MTR", "RDG", "CUS", "MTR", "RDG", "RTR", "FTR"}},
        {{MsgResult::Retry, MsgResult::Ignore, MsgResult::Ignore}, true, 3,
         {"FHD", "RHD", "CUS", "MTR", "RDG", "CUS", "MTR", "RDG", "RTR", "FTR"}},
        // Abort keeps what was written; the driver logs the failure.
        {{MsgResult::Ignore, MsgResult::Abort}, false, 2, {"FHD", "RHD", "CUS", "MTR", "RDG"}},
        {{MsgResult::Abort}, false, 1, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.boxes);
        messages.Shown.clear();
        log.Lines.clear();
        for (MsgResult answer : row.answers) messages.QueueAnswer(answer);
        const Upload up = Convert(readings, row.result);
        EXPECT_EQ(up.Kinds(), row.kinds);
        ASSERT_EQ(messages.Shown.size(), row.boxes);
        for (const ShownMessage& shown : messages.Shown) {
            EXPECT_EQ(shown.Title, "Error");
            EXPECT_EQ(shown.Text, failure);
            EXPECT_EQ(shown.Buttons, MsgButtons::AbortRetryIgnore);
        }
        Lines expected = {"Reading Conversion Starting  1:45 PM 1/15/2004", "Reading Conversion Finished", ""};
        if (!row.result) expected.insert(expected.begin() + 1, failure);
        EXPECT_EQ(LogFrom("Reading Conversion Starting"), expected);
    }
}

TEST_F(MVRSReadingTest, EmptyDatabasesUnwritableUploadsAndHugeRouteCounts) {
    // Header and routes only: the file header and trailer with no meters.
    Upload up = Convert(WriteMVRSReadings({{"R1", ""}, {"R2", ""}}, {}));
    EXPECT_EQ(up.Kinds(), (Lines{"FHD", "FTR"}));
    EXPECT_EQ(up.Col(0, "NumberRoutes"), "002");
    EXPECT_EQ(up.Col(1, "NumberMeterRecords"), "000000");
    EXPECT_TRUE(messages.Shown.empty());

    // An upload that cannot be created: the writer says so, and the first write asks.
    messages.Shown.clear();
    engine.SetReadingDestination(folder.File("no such folder/upload.txt"));
    engine.SetReadingSource(WriteMVRSReadings({{"R1", ""}}, {MeterRecord(1, 1, 2, "K")}));
    engine.SetReadingMap("Mvrs");
    messages.QueueAnswer(MsgResult::Abort);
    EXPECT_FALSE(engine.ConvertReading());
    ASSERT_EQ(messages.Shown.size(), 2u);
    EXPECT_EQ(messages.Shown[0].Buttons, MsgButtons::OK);
    EXPECT_EQ(messages.Shown[1].Buttons, MsgButtons::AbortRetryIgnore);

    // Header route counts up to what a route position can name; each failure is ignored.
    struct Row { int32_t routes; size_t boxes; Lines kinds; };
    const Row rows[] = {
        {32767, 0, {"FHD", "RHD", "CUS", "MTR", "RDG", "RTR", "FTR"}},
        {32768, 4, {"FHD", "FTR"}}, // the header, the route record, the meter in each pass
        {0, 3, {"FHD", "FTR"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.routes);
        messages.Shown.clear();
        for (size_t i = 0; i < row.boxes; ++i) messages.QueueAnswer(MsgResult::Ignore);
        up = Convert(WriteMVRSReadings({{"R1", ""}}, {MeterRecord(1, 1, 2, "K")}, row.routes));
        EXPECT_EQ(up.Kinds(), row.kinds);
        EXPECT_EQ(messages.Shown.size(), row.boxes) << ::testing::PrintToString(messages.Lines());
    }
}

namespace {

// One meter of a download and the records around it.
struct DownloadMeter {
    std::string route;
    FieldValues cus, csx, mtr, rdg, mts, rff, wrr;
};

// A field's columns of a line, by the layouts of a file class.
std::string Columns(const std::vector<std::unique_ptr<clsRecType>>& kinds, const std::string& line,
                    const std::string& field) {
    for (const auto& kind : kinds) {
        if (kind->RIValue() != line.substr(0, 3)) continue;
        for (const clsField& f : kind->Fields()) {
            if (f.FieldName() != field) continue;
            const size_t start = static_cast<size_t>(f.FieldPos()) - 1;
            return start < line.size() ? line.substr(start, static_cast<size_t>(f.FieldLen())) : std::string();
        }
    }
    ADD_FAILURE() << "no field " << field << " in " << line.substr(0, 3);
    return {};
}

} // namespace

TEST_F(MVRSReadingTest, RoundTripFromDownloadThroughRouteAndReadingsDatabasesToUpload) {
    const FieldValues customer1 = {{"Account", "ACCT-100"}, {"Name", "SMITH JOHN"}, {"Address1", "12 MAIN ST"},
                                   {"Address2", "APT 4"}, {"GroupCode", "A"}, {"CustomerInfo", "INFO ONE"},
                                   {"ExtraIndicator", "Y"}, {"SegmentCode", "S001"}, {"UtilityID", "01"},
                                   {"PassThru", "P"}};
    const FieldValues customer2 = {{"Account", "ACCT-200"}, {"Name", "BROWN MARY"}, {"Address1", "7 OAK AVE"},
                                   {"GroupCode", "B"}, {"CustomerInfo", "INFO TWO"}, {"ExtraIndicator", "N"},
                                   {"SegmentCode", "S002"}, {"PassThru", "Q"}};
    auto mtr = [](const std::string& number, const std::string& category, int sequence, const std::string& location) {
        return FieldValues{{"NumberReadings", 1}, {"GroupCode", "g"}, {"SurveyCode1DisplayIndicator", "1"},
                           {"SurveyCode2DisplayIndicator", "0"}, {"BillCode", "B"}, {"MeterStatus", "A"},
                           {"OpticalProbeID", "OP-" + number}, {"MeterNumber", number}, {"MeterType", 12},
                           {"ReadSequence", sequence}, {"AdditionalMeterInfo", "INFO " + number},
                           {"MeterLocation", location}, {"ReadInstruction1", 21}, {"ReadInstruction2", 22},
                           {"SpecialMessageDisplayIndicator", 1}, {"MeterCategory", category},
                           {"LocationExtraMeter", "N"}, {"TimeCode", 5}, {"MeterAudit4", "Z"}};
    };
    auto rdg = [](const std::string& method, int previous) {
        return FieldValues{{"TextPrompt", "KWH"}, {"ReadDirection", "F"}, {"CompareCode", 101}, {"ValidationCode", 202},
                           {"ChannelNumber", 1}, {"NumberDials", 6}, {"NumberDecimals", 0}, {"ReadMethod", method},
                           {"PreviousReading", previous}, {"High1", previous + 1000}, {"Low1", previous},
                           {"MeterConstant", 1000}, {"ConstantFlag", 1}, {"HHFPosition", 3}, {"NegativeDialCreep", 0}};
    };
    const std::vector<DownloadMeter> meters = {
        {"00000101", customer1, {{"Account", "ACCT-100"}, {"Name", "SMITH JANE"}, {"Address3", "SPRINGFIELD"}}, mtr("K-1", "W", 10, "07"),
         rdg("K", 1000), {{"MeterNumber", "K-1"}, {"SpecialMessageText", "BEWARE OF DOG"}}, {}, {}},
        {"00000101", customer1, {{"Account", "ACCT-100"}, {"Name", "SMITH JANE"}, {"Address3", "SPRINGFIELD"}}, mtr("R-2", "G", 20, "12"),
         rdg("R", 2000), {}, {{"RFERTID", "55501234"}, {"GeographicArea", 12}, {"RFFrequency", "915.000"},
                              {"RFTone", "T1"}, {"Tamper", 0}, {"50ESSFlag", "N"}}, {}},
        {"00000102", customer2, {}, mtr("P-3", "E", 30, "03"), rdg("P", 3000), {}, {}, {}},
        {"00000102", customer2, {}, mtr("W-4", "E", 40, "04"), rdg("W", 4000), {}, {},
         {{"DeviceID", "WAND-4"}, {"WandProgram", "WP01"}, {"NodeNumber", 1}, {"NoTamperCheckIndicator", "N"}}},
    };
    Lines download = {Download("FHD", {{"Version", "01.00"}, {"NumberCycles", 1}}),
                      Download("CHD", {{"CycleNumber", 1}, {"NumberRoutes", 2}, {"CycleDate", DateTime{2004, 1, 20, 0, 0, 0}}})};
    std::string route;
    const FieldValues* lastCustomer = nullptr;
    for (const DownloadMeter& m : meters) {
        if (m.route != route) {
            route = m.route;
            download.push_back(Download("RHD", {{"RouteNumber", route}, {"NumberCustomerRecords", 1},
                                                {"NumberMeterRecords", 2}, {"Region", "RG"}, {"Zone", "ZN"},
                                                {"Office", "OF"}, {"NumberRemoteWandReads", 1}, {"MobileAMR", "N"}}));
        }
        auto withRoute = [&](FieldValues values) {
            values.insert(values.begin(), {"RouteNumber", route});
            return values;
        };
        if (lastCustomer == nullptr || *lastCustomer != m.cus) {
            lastCustomer = &m.cus;
            download.push_back(Download("CUS", withRoute(m.cus)));
            if (!m.csx.empty()) download.push_back(Download("CSX", withRoute(m.csx)));
        }
        download.push_back(Download("MTR", withRoute(m.mtr)));
        download.push_back(Download("RDG", withRoute(m.rdg)));
        for (const auto& [kind, values] : {std::pair{"MTS", &m.mts}, {"RFF", &m.rff}, {"WRR", &m.wrr}}) {
            if (!values->empty()) download.push_back(Download(kind, withRoute(*values)));
        }
    }

    // Download to route database.
    clsExchMap routeMap(folder.Path());
    routeMap.NewMap("MvrsRoute.bcm", MapUseRoute);
    routeMap.SetMapType(MapTypeMVRS);
    ASSERT_TRUE(routeMap.SaveMap());
    UseSource(download, "MvrsRoute");
    ASSERT_TRUE(engine.ConvertRoute());

    // What a handheld returns: every meter read but the third, by the method it was given.
    ASSERT_EQ(ReadDatabase(folder.File("RouteQVF.pdb")).size(), 7u);
    ReadRoute(folder.File("RouteQVF.pdb"), folder.File("ReadingQVF.pdb"), 3);

    engine.SetAutoReRead(true);
    engine.SetReReadDestination(folder.File("ReRead.pdb"));
    const Upload up = Convert(folder.File("ReadingQVF.pdb"));
    EXPECT_TRUE(log.Contains("Notice: ReRead File prepared with 1 Meters")) << ::testing::PrintToString(log.Lines);
    EXPECT_EQ(up.Kinds(), (Lines{"FHD", "RHD", "CUS", "CSX", "MTR", "MTS", "RDG", "CUS", "CSX", "MTR", "RDG", "RFF",
                                 "RTR", "RHD", "CUS", "MTR", "RDG", "PRB", "CUS", "MTR", "RDG", "WRR", "RTR", "FTR"}));

    // Every download value the upload carries comes back in the same columns.
    const clsMVRSDownload downloadLayouts;
    const clsMVRSUpload uploadLayouts;
    const std::vector<std::pair<std::string, std::vector<std::string>>> carried = {
        {"RHD", {"RouteNumber", "Region", "Zone", "Office", "NumberRemoteWandReads"}},
        {"CUS", {"RouteNumber", "Account", "Name", "Address1", "Address2", "GroupCode", "CustomerInfo",
                 "ExtraIndicator", "SegmentCode", "PassThru"}},
        {"CSX", {"RouteNumber", "Account", "Name", "Address3"}},
        {"MTR", {"RouteNumber", "GroupCode", "SurveyCode1DisplayIndicator", "SurveyCode2DisplayIndicator", "BillCode",
                 "MeterStatus", "OpticalProbeID", "MeterNumber", "MeterType", "ReadSequence", "MeterLocation",
                 "ReadInstruction1", "ReadInstruction2", "SpecialMessageDisplayIndicator", "MeterCategory",
                 "LocationExtraMeter"}},
        {"MTS", {"RouteNumber", "MeterNumber", "SpecialMessageText"}},
        {"RDG", {"RouteNumber", "TextPrompt", "ReadDirection", "CompareCode", "ValidationCode", "MeterConstant",
                 "ConstantFlag", "HHFPosition", "PreviousReading"}},
        {"RFF", {"RouteNumber", "RFERTID", "GeographicArea", "RFFrequency", "RFTone"}},
        {"WRR", {"RouteNumber", "DeviceID", "WandProgram"}},
    };
    for (const auto& [kind, fields] : carried) {
        Lines from, to;
        for (const auto& line : download) {
            if (line.substr(0, 3) == kind) from.push_back(line);
        }
        for (size_t i = 0; i < up.Size(); ++i) {
            if (up.Line(i).substr(0, 3) == kind) to.push_back(up.Line(i));
        }
        // The download names a customer once for its meters; the upload once per meter.
        if (kind == "CUS" || kind == "CSX") {
            Lines perMeter;
            for (size_t i = 0; i < from.size(); ++i) perMeter.insert(perMeter.end(), 2, from[i]);
            from = perMeter;
        }
        if (kind == "RHD") to = {to[0], to[1]};
        ASSERT_EQ(from.size(), to.size()) << kind;
        for (size_t i = 0; i < from.size(); ++i) {
            for (const std::string& field : fields) {
                EXPECT_EQ(Columns(uploadLayouts.RecordTypes(), to[i], field),
                          Columns(downloadLayouts.RecordTypes(), from[i], field))
                    << kind << " " << i << " " << field;
            }
        }
    }
    EXPECT_EQ(up.Col(1, "ScheduledReadDate"), "01202004");
    EXPECT_EQ(up.Col(6, "Reading"), "0000001005");
    EXPECT_EQ(up.Col(6, "ReadDate"), "01212004");
    EXPECT_EQ(up.Col(16, "ReadCode"), " "); // the unread meter
    EXPECT_EQ(up.Col(16, "NewReadMethod"), "N");
}

TEST_F(MVRSReadingTest, TheShippedSampleGoesBothWaysWithItsMaps) {
    const std::string samples = DOVREX_SOURCE_DIR "/samples/";
    for (const char* map : {"MvrsSample.bcm", "MvrsSample.brm"}) {
        std::filesystem::copy_file(samples + "maps/" + map, folder.File(map));
    }
    engine.SetRouteSource(samples + "routes/mvrs-download.dat");
    engine.SetRouteDestination(folder.File("RouteQVF.pdb"));
    engine.SetRouteMap("MvrsSample");
    ASSERT_TRUE(engine.ConvertRoute());
    ReadRoute(folder.File("RouteQVF.pdb"), folder.File("ReadingQVF.pdb"), 5);
    UseReadings(folder.File("ReadingQVF.pdb"), "MvrsSample");
    ASSERT_TRUE(engine.ConvertReading());
    EXPECT_TRUE(messages.Shown.empty()) << ::testing::PrintToString(messages.Lines());

    // One customer, meter and reading record per meter, and each meter's other records as
    // the download gave them; a route header and trailer per route.
    std::map<std::string, size_t> download, upload;
    for (const std::string& line : Split(ReadWholeFile(samples + "routes/mvrs-download.dat"), "\r\n")) {
        if (!line.empty()) ++download[line.substr(0, 3)];
    }
    const Upload up(folder.Read("upload.txt"));
    for (const std::string& kind : up.Kinds()) ++upload[kind];
    for (const char* kind : {"MTR", "RDG", "MTS", "CSX", "PRB", "RFF", "WRR", "RHD", "RTR"}) {
        EXPECT_EQ(upload[kind], download[kind]) << kind;
    }
    EXPECT_EQ(upload["CUS"], download["MTR"]);
    EXPECT_EQ(upload["FHD"], 1u);
    EXPECT_EQ(upload["FTR"], 1u);
}
