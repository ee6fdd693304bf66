#include "EngineFixture.h"

#include "handheld_db/QVFReader.h"

using namespace dovrex;
using namespace dovrex::test;

namespace {

using Lines = std::vector<std::string>;

// Every record of a route database in short: "meter 1001", "index 1/0 ADAMS:1 SMITH:0",
// "code 5/1/0 B=Broken=".
Lines Describe(const std::string& path) {
    Lines records;
    QVFReader reader;
    EXPECT_TRUE(reader.Open(path)) << reader.FailureReason();
    QVFRecord record;
    auto number = [&](const char* name) { return record.Fields.Item(name).ToText(); };
    while (reader.ReadNext(record)) {
        std::string text;
        switch (record.RecordLayout) {
        case QVFRecord::Layout::Code:
            text = "code " + number("RecordType") + "/" + number("CodeType") + "/" + number("Flags");
            for (const QVFCodeEntry& entry : record.CodeEntries) text += " " + entry.Code + "=" + entry.CodeValue + "=" + entry.Data;
            break;
        case QVFRecord::Layout::Index:
            text = "index " + number("RouteIndex") + "/" + number("IndexType");
            for (const QVFIndexEntry& entry : record.IndexEntries) text += " " + entry.Text();
            break;
        default:
            text = number("RecType") == "0" ? "header" : number("RecType") == "1" ? "route " + number("RouteNbr")
                                                                                   : "meter " + number("MeterTagNbr");
        }
        records.push_back(text);
    }
    return records;
}

} // namespace

class RouteAdvancedTest : public EngineFixture {
protected:
    void SetUp() override {
        WriteFixedMap("Std", {"MeterSerialNbr=62,4", "ServiceUniqueID=66,4"});
        UseSource({
            FixedLine("0012", 1, "1001", "R", "R", "12 MAIN ST", "SMITH & CO", "GATE") + "S1  A1  ",
            FixedLine("0012", 2, "1002", "R", "R", "14 MAIN ST", "ADAMS INC", "HI") + "    A2  ",
            FixedLine("0013", 3, "1003", "R", "R", "3 ELM AVE", "", "") + "S3  A3  ",
        });
        advanced.SetUseLoginSecurity(true);
        advanced.AddLogin("SMITH", "pw", "S");
        advanced.AddLogin("JONES", "pw2", "");
        advanced.AddSkip("01", "Dog");
        advanced.AddSkip("02", "Gate locked");
        advanced.AddChangeout("MS", "58", "5/8");
        advanced.AddChangeout("RC", "B", "Broken");
        advanced.AddChangeout("MT", "W", "Water");
        advanced.SetAlertOutOfBounds(1);
        advanced.SetAlertRollover(2);
        advanced.AddMessage("Account", "ANY", "A1", "Dog");
        advanced.AddMessage("TagNbr", "0012", "1001", "Ladder");
        advanced.AddMessage("Account", "0013", "A3", "Bees");
        advanced.AddMessage("Account", "0012", "A3", "Not this route");
    }

    Lines Records() { return Describe(folder.File("RouteQVF.pdb")); }
};

TEST_F(RouteAdvancedTest, TheRouteDatabaseCarriesMessagesIndexesAndTheConfiguration) {
    ASSERT_TRUE(engine.ConvertRoute());
    EXPECT_TRUE(messages.Shown.empty());
    const Lines meters = {"header", "route 1", "route 2", "meter 1001", "meter 1002", "meter 1003"};
    // Route 1's index records follow the first meter of route 2; route 2's come with the flush.
    const Lines indexes = {
        "index 1/0 ADAMS:1 SMITH:0", "index 1/1 MAIN:0:1", "index 1/2 1001:0 1002:1", "index 1/3 S1:0",
        "index 1/4 A1:0 A2:1",       "index 2/1 ELM:2",    "index 2/2 1003:2",        "index 2/3 S3:2",
        "index 2/4 A3:2",
    };
    const Lines codes = {
        "code 4/0/1 SMITH=pw=S JONES=pw2=", "code 5/0/0 01=Dog= 02=Gate locked=", "code 5/1/0 B=Broken=",
        "code 5/2/0 W=Water=",              "code 5/4/0 58=5/8=",                "code 7/0/1 RANGE=1= ROLLOVER=2= TAMPER=0=",
    };
    Lines expected = meters;
    expected.insert(expected.end(), indexes.begin(), indexes.end());
    expected.insert(expected.end(), codes.begin(), codes.end());
    EXPECT_EQ(Records(), expected);

    const auto records = ReadDatabase(folder.File("RouteQVF.pdb"));
    EXPECT_EQ(records[3].Item("Message").ToText(), "Billing: GATE\nSupervisor: Account: Dog; TagNbr: Ladder");
    EXPECT_EQ(records[4].Item("Message").ToText(), "Billing: HI");
    EXPECT_EQ(records[5].Item("Message").ToText(), "Supervisor: Bees");

    // No index records with IndexControl 0, nor with 2 answered No; the code records stay.
    Lines withoutIndexes = meters;
    withoutIndexes.insert(withoutIndexes.end(), codes.begin(), codes.end());
    advanced.SetIndexControl(0);
    messages.QueueAnswer(MsgResult::Yes); // overwrite
    ASSERT_TRUE(engine.ConvertRoute());
    EXPECT_EQ(Records(), withoutIndexes);
    advanced.SetIndexControl(2);
    messages.QueueAnswer(MsgResult::Yes);
    messages.QueueAnswer(MsgResult::No);
    ASSERT_TRUE(engine.ConvertRoute());
    EXPECT_EQ(messages.Lines().back(),
              "[Index Control] Create indexes?  \n(Takes longer to create and load, but speeds lookups in the field.)");
    EXPECT_EQ(Records(), withoutIndexes);
    messages.QueueAnswer(MsgResult::Yes);
    messages.QueueAnswer(MsgResult::Yes);
    ASSERT_TRUE(engine.ConvertRoute());
    EXPECT_EQ(Records(), expected);
}

TEST_F(RouteAdvancedTest, AnImportStoppedByValidationStillGetsItsIndexAndCodes) {
    advanced.SetUseLoginSecurity(false);
    UseSource({FixedLine("0012", 1, "1001", "R", "R", "12 MAIN ST"), FixedLine("0013", 2, "1001", "R", "R", "3 ELM")});
    EXPECT_FALSE(engine.ConvertRoute()); // the duplicate tag stops the import
    EXPECT_EQ(Records(), (Lines{"header", "route 1", "route 2", "meter 1001", "index 1/1 MAIN:0", "index 1/2 1001:0",
                                "code 5/0/0 01=Dog= 02=Gate locked=", "code 5/1/0 B=Broken=", "code 5/2/0 W=Water=",
                                "code 5/4/0 58=5/8=", "code 7/0/1 RANGE=1= ROLLOVER=2= TAMPER=0="}));
}

TEST_F(RouteAdvancedTest, ARouteTooLongForAnIndexConvertsWhenNoIndexIsWanted) {
    // Two name words a meter: 17,000 meters give more words than one index holds.
    Lines lines;
    for (int i = 0; i < 17000; ++i) lines.push_back(FixedLine("0012", i % 999 + 1, std::to_string(100000 + i), "R", "R", "1 ST", "AA BB"));
    UseSource(lines);
    advanced.SetIndexControl(0);
    ASSERT_TRUE(engine.ConvertRoute());
    EXPECT_TRUE(messages.Shown.empty());
    advanced.SetIndexControl(1);
    messages.QueueAnswer(MsgResult::Yes); // overwrite
    EXPECT_FALSE(engine.ConvertRoute());
    EXPECT_EQ(messages.Lines().back(), "[Error] Overflow");
}

TEST_F(RouteAdvancedTest, IndexWordsEndWhereTheRecordsTextsEndAtANul) {
    // A text ends at its first NUL byte in the record, and the index takes its words from
    // what the record holds; a line without a NUL keeps its texts whole.
    const std::string nul(1, '\0');
    UseSource({FixedLine("0012", 1, "1001", "R", "R", "12 MAIN" + nul + "ST", "ADAMS" + nul + "JONE") + "S1" + nul +
                   "XA" + nul + "B ",
               FixedLine("0012", 2, "1002", "R", "R", "14 OAK ST", "BAKER INC") + "S2  A2  "});
    ASSERT_TRUE(engine.ConvertRoute());
    EXPECT_EQ(IndexRecords(folder.File("RouteQVF.pdb")),
              (Lines{"1/0 ADAMS:0 BAKER:1", "1/1 MAIN:0 OAK:1", "1/2 1001:0 1002:1", "1/3 S1:0 S2:1", "1/4 A:0 A2:1"}));
}
