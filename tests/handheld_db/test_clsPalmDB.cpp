#include "handheld_db/RecordAssembly.h"
#include "handheld_db/clsPalmDB.h"

#include "platform/RuntimeError.h"

#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>

#include <optional>

using namespace dovrex;
using dovrex::test::Bytes;
using dovrex::test::RecordingMessageBox;
using dovrex::test::TempFolder;

namespace {

// Int16 A, String S1, Int32 B, String S2: fixed length 6, strings 1 and 2.
void MixedSchema(clsPalmDB& db) {
    db.AddField(clsPalmDB::ftInt16, "A");
    db.AddField(clsPalmDB::ftString, " S1 ");
    db.AddField(clsPalmDB::ftInt32, "B");
    db.AddField(clsPalmDB::ftString, "S2");
}

} // namespace

TEST(PalmDB, SchemaPlacesNumbersInTheFixedPartAndNumbersTheStrings) {
    clsPalmDB db;
    MixedSchema(db);
    EXPECT_EQ(db.FixedLength(), 6);
    EXPECT_EQ(db.StringCount(), 2);
    EXPECT_EQ(db.FieldOffset(3), 2);
    EXPECT_EQ(db.FieldOffset(2), 1);
    EXPECT_EQ(db.FieldOffset(4), 2);
    EXPECT_EQ(db.FieldName(2), "S1"); // trimmed
    EXPECT_EQ(db.FindItem("a"), 1);
    EXPECT_EQ(db.FindItem(0), 0);
    EXPECT_EQ(db.FindItem(5), 0);
    EXPECT_EQ(db.FindItem(4), 4);
    db.AddNew();
    EXPECT_EQ(db.RawData(), std::string(8, '\0'));

    // Explicit offsets may overlap and only grow the fixed part when they reach past it.
    db.AddField(clsPalmDB::ftInt8, "Low", 1);
    EXPECT_EQ(db.FixedLength(), 6);
    db.AddField(clsPalmDB::ftInt32, "Far", 10);
    EXPECT_EQ(db.FixedLength(), 14);
    db.ClearSchema();
    EXPECT_EQ(db.FieldCount(), 0);
    EXPECT_EQ(db.FixedLength(), 0);
}

TEST(PalmDB, StringsAreSetInPlaceAndReadByNumber) {
    clsPalmDB db;
    MixedSchema(db);
    db.AddNew();
    db.SetItem("S2", Value("xy"));
    db.SetItem("s1", Value("abc"));
    EXPECT_EQ(db.RawData(), std::string(6, '\0') + "abc" + Bytes({0}) + "xy" + Bytes({0}));
    EXPECT_EQ(db.Item("S2"), Value("xy"));
    EXPECT_EQ(db.GetString(0), "abc"); // numbers below 2 mean the first string

    db.SetRawData(std::string(6, '\0') + "abc" + Bytes({0}));
    EXPECT_EQ(db.GetString(2), "");
    EXPECT_EQ(db.GetString(3), "");
    EXPECT_THROW(db.SetString(3, "x"), RuntimeError);
    // A missing terminator: the last string runs to the end of the buffer.
    db.SetRawData(std::string(6, '\0') + "abc");
    EXPECT_EQ(db.GetString(1), "abc");
    // A NUL inside a text would shift every later string: the text ends there.
    db.AddNew();
    db.SetItem("S1", Value(std::string("ab\0cd", 5)));
    EXPECT_EQ(db.Item("S1"), Value("ab"));
    EXPECT_EQ(db.Item("S2"), Value(""));
}

TEST(PalmDB, StringPiecesReadInAnyOrderFollowEveryChangeOfTheRecord) {
    // Reads and writes go on from the piece met last; every change that can move the
    // pieces must start the search afresh.
    clsPalmDB db;
    db.AddField(clsPalmDB::ftInt16, "A");
    for (const char* name : {"P1", "P2", "P3", "P4"}) db.AddField(clsPalmDB::ftString, name);
    db.AddNew();
    for (const int16_t field : {4, 2, 5, 3}) db.SetText(field, std::string(static_cast<size_t>(field), 'a' + field));
    std::string scratch;
    auto pieces = [&](std::initializer_list<int16_t> order) {
        std::string seen;
        for (const int16_t field : order) seen += std::string(db.ItemText(field, scratch)) + "|";
        return seen;
    };
    EXPECT_EQ(pieces({5, 2, 4, 3, 5}), "fffff|cc|eeee|ddd|fffff|");
    db.SetString(2, "X"); // piece 2 shrinks after piece 4 was read
    EXPECT_EQ(pieces({5, 4, 3}), "fffff|eeee|X|");
    db.SetInt8(2, Value(int64_t{0})); // a NUL over the first piece's first byte adds a piece
    EXPECT_EQ(pieces({4, 3, 2}), "X|c||");
    db.SetRawData(std::string(2, '\0') + "p" + Bytes({0}) + "q" + Bytes({0}) + "r" + Bytes({0}) + "s");
    EXPECT_EQ(pieces({5, 2}), "s|p|");
    db.AddField(clsPalmDB::ftInt8, "B", 4); // the fixed part grows over "p" and "q"
    EXPECT_EQ(pieces({3, 4}), "r|s|");
}

TEST(PalmDB, NumbersAreUnsignedExceptTheTopBitOfInt32) {
    RecordingMessageBox messages;
    clsPalmDB db(&messages);
    db.AddField(clsPalmDB::ftInt8, "I8");
    db.AddField(clsPalmDB::ftInt16, "I16");
    db.AddField(clsPalmDB::ftInt32, "I32");
    db.AddNew();
    db.SetItem("I8", Value(int64_t{-1}));
    db.SetItem("I16", Value(int64_t{-1}));
    db.SetItem("I32", Value(int64_t{2147483647}));
    EXPECT_EQ(db.Item("I8"), Value(int64_t{255}));
    EXPECT_EQ(db.Item("I16"), Value(int64_t{65535}));
    EXPECT_EQ(db.Item("I32"), Value(int64_t{2147483647}));
    db.SetItem("I8", Value(256.0));
    EXPECT_EQ(db.Item("I8"), Value(int64_t{0}));
    db.SetItem("I16", Value(2.5));
    EXPECT_EQ(db.Item("I16"), Value(int64_t{2}));
    db.SetItem("I16", Value("1"));
    EXPECT_EQ(db.Item("I16"), Value(int64_t{0x3100})); // a text is stored as its bytes
    db.SetRawData(Bytes({0, 0, 0, 0x80, 0, 0, 0}));
    EXPECT_EQ(db.Item("I32"), Value(int64_t{0}));
    EXPECT_THROW(db.SetItem("I32", Value(-16777216.0)), RuntimeError);
    EXPECT_TRUE(db.Item(9).IsNull());
    EXPECT_TRUE(messages.Shown.empty());

    // Reading past the end of a short record tells the user and gives an empty value.
    db.SetRawData(Bytes({1, 0}));
    EXPECT_TRUE(db.Item("I32").IsEmpty());
    ASSERT_EQ(messages.Shown.size(), 1u);
    // Writing an unknown field changes nothing.
    db.SetItem("Nope", Value(int64_t{1}));
    EXPECT_EQ(messages.Shown.back().Text, "Nope not valid field in Record");
    EXPECT_EQ(db.RawData(), Bytes({1, 0}));
}

TEST(PalmDB, ByteOperationsGrowOnlyWhereTheyMay) {
    clsPalmDB db;
    db.SetRawData(std::string(8, 'x'));
    EXPECT_EQ(db.AppendString(8, "a", true), 10);
    EXPECT_EQ(db.RawData(), std::string(8, 'x') + "a" + Bytes({0}));
    db.SetRawData(std::string(8, 'x'));
    EXPECT_EQ(db.AppendString(8, "ab", true), 12);
    EXPECT_EQ(db.RawData().substr(8), "ab" + Bytes({0, 0}));
    EXPECT_EQ(db.AppendString(3, "q", false), 5); // drops what followed
    EXPECT_EQ(db.RawData(), "xxxq" + Bytes({0}));

    db.SetRawData(std::string(4, '\0'));
    EXPECT_EQ(db.SetInt16(4, Value(int64_t{0x0102})), 6);
    EXPECT_EQ(db.RawData().size(), 6u);
    EXPECT_EQ(db.SetInt16(0, Value(int64_t{7})), 2);
    EXPECT_EQ(db.RawData().size(), 6u);
    EXPECT_THROW(db.SetInt16(9, Value(int64_t{1})), RuntimeError);
    EXPECT_THROW(db.SetInt32(4, Value(int64_t{1})), RuntimeError);
    EXPECT_THROW(db.SetInt8(6, Value(int64_t{1})), RuntimeError);
    EXPECT_THROW(db.GetInt16(5), RuntimeError);
    EXPECT_EQ(db.GetInt16(4), 0x0102);

    // A record never grows beyond 32767 bytes.
    db.SetRawData(std::string(32766, '\0'));
    EXPECT_THROW(db.SetInt16(32766, Value(int64_t{1})), RuntimeError);
    EXPECT_THROW(db.AppendString(32760, std::string(10, 'a'), false), RuntimeError);
}

TEST(PalmDB, OpensWithKindDetection) {
    TempFolder folder;
    clsPalmDB db;
    std::string a, s;
    ASSERT_EQ(db.CreateDB(2, folder.File("v"), "t", "c", "d", 0, a, s), 0);
    db.WriteRaw("rec");
    ASSERT_EQ(db.CreateDB(1, folder.File("p"), "t", "c", "d", 0, a, s), 0);
    db.WriteRaw("rec");
    db.Close();
    EXPECT_EQ(db.OpenDB(folder.File("v"), -1), 0);
    EXPECT_EQ(db.GetType(), 2);
    EXPECT_EQ(db.OpenDB(folder.File("p"), -1), 0);
    EXPECT_EQ(db.GetType(), 1);
    std::string raw;
    EXPECT_TRUE(db.ReadRaw(raw));
    EXPECT_EQ(raw, "rec");
    EXPECT_EQ(db.OpenDB(folder.Write("junk", "this is not a database at all, not even close to one; no"), -1), -1);
    EXPECT_EQ(db.OpenDB(folder.File("missing"), -1), -1);
    EXPECT_EQ(db.OpenDB(folder.File("missing"), 1), ErrFileNotFound);
}

TEST(PalmDB, WriteErrorsReachTheCallerAtTheLatestWhenTheDatabaseIsClosed) {
    TempFolder folder;
    struct Row {
        const char* Case;
        int16_t Kind;
        std::string Path;
        uint64_t SizeLimit; // 0: none
        std::string RaisedAt;
    };
    // Three records of 80 bytes: a PDB's header and record list take 102 bytes, a VFS
    // record 84; records of a PDB are written in blocks, at the latest by Close.
    const Row rows[] = {
        {"PDB on a full device", ContainerPDB, "/dev/full", 0, "create"},
        {"VFS on a full device", ContainerVFS, "/dev/full", 0, "write 1"},
        {"PDB past the file size limit", ContainerPDB, folder.File("p.pdb"), 200, "close"},
        {"VFS past the file size limit", ContainerVFS, folder.File("v.vfs"), 200, "write 3"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Case);
        clsPalmDB db;
        std::string raisedAt = "nowhere", description;
        {
            std::optional<dovrex::test::FileSizeLimit> limit;
            if (row.SizeLimit > 0) limit.emplace(row.SizeLimit);
            try {
                raisedAt = "create";
                std::string appInfo, sortInfo;
                EXPECT_EQ(db.CreateDB(row.Kind, row.Path, "t", "c", "d", 3, appInfo, sortInfo), 0);
                for (int i = 1; i <= 3; ++i) {
                    raisedAt = "write " + std::to_string(i);
                    EXPECT_TRUE(db.WriteRaw(std::string(80, 'x')));
                }
                raisedAt = "close";
                db.Close();
                raisedAt = "nowhere";
            } catch (const RuntimeError& e) {
                description = e.Description();
            }
        }
        EXPECT_EQ(raisedAt, row.RaisedAt);
        EXPECT_EQ(description, "Disk full (" + row.Path + ")");
        EXPECT_NO_THROW(db.Close());
    }
}

TEST(PalmDB, AnAssembledRecordHoldsWhatTheRecordBufferWouldHold) {
    // Each row is set into the record buffer and into an assembly, over an assembly
    // record that still holds the row before: both must read back and write alike.
    struct Case {
        const char* field;
        Value value;
    };
    const Case cases[] = {
        {"A", Value(int64_t{-2})},          {"A", Value(int64_t{65535})},   {"B", Value(int64_t{16777215})},
        {"B", Value(int64_t{-1})},          {"B", Value(2.5)},              {"B", Value(3.5)},
        {"A", Value("xyz")},                {"B", Value("ab")},             {"S1", Value("")},
        {"S1", Value(std::string("ab\0cd", 5))}, {"S2", Value(int64_t{-42})}, {"S2", Value(0.1)},
        {"S2", Value(1234567.0)},           {"C", Value(int64_t{300})},      {"S1", Value("long text")},
        // whole numbers that are not negative and fit take a short path, at its limits
        {"B", Value(int64_t{0})},           {"B", Value(int64_t{2147483647})}, {"B", Value(2147483647.0)},
        {"A", Value(int64_t{65536 + 258})}, {"C", Value(255.0)},           {"B", Value(-0.0)},
    };
    clsPalmDB db;
    MixedSchema(db);
    db.AddField(clsPalmDB::ftInt8, "C");
    RecordAssembly assembly(db);
    assembly.AddNew();
    for (const Case& c : cases) {
        const int16_t field = db.FindItem(c.field);
        db.AddNew();
        db.SetItem(field, c.value);
        assembly.AddNew();
        assembly.SetItem(field, c.value);
        EXPECT_EQ(assembly.Bytes(), db.RawData()) << c.field << " " << c.value.ToText();
        // The setters without a Value store the same.
        if (c.value.IsText()) {
            assembly.SetText(field, c.value.Text());
            // A text without a NUL may skip the search for one, or be kept as a view of the
            // caller's text with room after it.
            if (c.value.Text().find('\0') == std::string::npos) {
                const std::string held = c.value.Text() + std::string(RecordSource::Slack, '~');
                assembly.SetTextView(assembly.Resolve(field), std::string_view(held).substr(0, c.value.Text().size()));
                EXPECT_EQ(assembly.Bytes(), db.RawData()) << c.field << " as a view";
                assembly.SetTextWithoutNul(field, c.value.Text());
            }
        }
        else if (c.value.GetKind() == Value::Kind::Integer) assembly.SetInteger(field, c.value.Integer());
        else assembly.SetNumber(field, c.value.ToNumber());
        EXPECT_EQ(assembly.Bytes(), db.RawData()) << c.field << " " << c.value.ToText();
        std::string scratch;
        EXPECT_EQ(assembly.ItemText(field, scratch), db.ItemText(field, scratch)) << c.field;
    }
    // Values that do not fit raise and leave the record as it was; so do unknown fields.
    const std::string before(assembly.Bytes());
    EXPECT_THROW(assembly.SetInteger(db.FindItem("B"), int64_t{1} << 31), RuntimeError);
    EXPECT_THROW(assembly.SetInteger(db.FindItem("B"), -16777216 - 1), RuntimeError);
    EXPECT_THROW(assembly.SetNumber(db.FindItem("A"), 2147483647.5), RuntimeError);
    EXPECT_THROW(assembly.SetNumber(db.FindItem("B"), 2147483648.0), RuntimeError);
    EXPECT_THROW(assembly.SetText(0, "x"), RuntimeError);
    EXPECT_THROW(assembly.SetText(6, "x"), RuntimeError);
    EXPECT_EQ(assembly.Bytes(), before);
}

TEST(PalmDB, AnAssembledRecordIsWrittenAsItsBytes) {
    // Text sizes at and around the room a short text is moved with, and records large
    // enough that several fill a block of the file's pending data, the last the largest
    // record a database holds; in both containers.
    const size_t sizes[] = {0, 1, 31, 32, 33, 64, 20000, 32767 - 6 - 3};
    for (const int16_t kind : {int16_t{1}, int16_t{2}}) {
        TempFolder folder;
        clsPalmDB db;
        std::string appInfo;
        std::string sortInfo;
        ASSERT_EQ(db.CreateDB(kind, folder.File("r"), "t", "c", "d", 200, appInfo, sortInfo), 0);
        MixedSchema(db);
        RecordAssembly assembly(db);
        std::vector<std::string> written;
        for (int round = 0; round < 4; ++round) {
            for (const size_t size : sizes) {
                assembly.AddNew();
                assembly.SetInteger(1, static_cast<int64_t>(size));
                assembly.SetText(2, std::string(size, static_cast<char>('a' + round)));
                assembly.SetText(4, size % 2 == 0 ? "x" : "");
                written.emplace_back(assembly.Bytes());
                ASSERT_TRUE(assembly.WriteTo(db)) << size;
            }
        }
        // One past the largest record raises and writes nothing.
        assembly.SetText(4, "xy");
        EXPECT_THROW(assembly.WriteTo(db), RuntimeError);
        db.Close();
        ASSERT_EQ(db.OpenDB(folder.File("r"), kind), 0);
        std::string record;
        for (const std::string& expected : written) {
            ASSERT_TRUE(db.ReadRaw(record));
            EXPECT_EQ(record, expected) << kind << " " << expected.size();
        }
        EXPECT_FALSE(db.ReadRaw(record));
        db.Close();
    }
}

TEST(PalmDB, FieldsViewedOncePerRecordReadAsItemViewReadsThem) {
    // Int8, Int16, String 1, Int32, String 2, String 3: fixed length 7.
    RecordingMessageBox messages;
    clsPalmDB db(&messages);
    db.AddField(clsPalmDB::ftInt8, "I8");
    db.AddField(clsPalmDB::ftInt16, "I16");
    db.AddField(clsPalmDB::ftString, "S1");
    db.AddField(clsPalmDB::ftInt32, "I32");
    db.AddField(clsPalmDB::ftString, "S2");
    db.AddField(clsPalmDB::ftString, "S3");
    const std::string fixed = Bytes({0xFF, 0xFF, 0xFE, 0x7F, 0xFF, 0xFF, 0xFF});
    const std::string records[] = {
        fixed + "abcdefghij" + Bytes({0}) + "k" + Bytes({0}) + "lmnopqrstuvwxyz" + Bytes({0}),
        fixed + Bytes({0, 0, 0}),                                        // every text empty
        fixed + "12345678" + Bytes({0}) + "no end",                      // the last text without its NUL
        fixed + "only one" + Bytes({0}),                                 // texts past the end
        Bytes({0, 0, 1, 0x80, 0, 0, 0}) + "x" + Bytes({0, 0}) + "z" + Bytes({0}), // top bit of Int32
        // The string part is searched 16 bytes at a time: NULs at a block's last byte and
        // the next block's first, several in one block, more than there are texts, a text
        // across blocks without its NUL, and none at all.
        fixed + "0123456789abcde" + Bytes({0}) + "f" + Bytes({0}) + "ghijklmnopqrstuvw",
        fixed + "0123456789abcdef" + Bytes({0, 0}) + "x",
        fixed + "a" + Bytes({0}) + "b" + Bytes({0}) + "c" + Bytes({0}) + "d" + Bytes({0, 0}) + std::string(20, 'e'),
        fixed + "0123456789abcdefghijklmnopqrstuvwxyz",
        fixed + "0123456789abcd" + Bytes({0}) + "0123456789abcde" + Bytes({0}),
        // A first text that ends in the first block, the next across two more, the last
        // without its NUL: searching as asked stops after the block of the text asked for.
        fixed + "ab" + Bytes({0}) + std::string(30, 'c') + Bytes({0}) + "d",
        fixed.substr(0, 5),                                              // too short for its numbers
        "",
    };
    auto shown = [](const ValueView& value) {
        std::string scratch;
        return std::to_string(static_cast<int>(value.Kind)) + ":" + std::string(value.TextIn(scratch));
    };
    for (const std::string& record : records) {
        db.SetRawData(record);
        std::vector<std::string> expected;
        for (int16_t field = 0; field <= 7; ++field) expected.push_back(shown(db.ItemView(field)));
        const size_t reported = messages.Shown.size();
        // Fields in any order, each text found from the pieces gone through before.
        for (const auto& order : {std::vector<int16_t>{6, 1, 3, 5, 2, 4, 0, 7}, {3, 5, 6, 3, 1}, {5, 3, 6}, {3, 6, 5}}) {
            for (const auto search : {clsPalmDB::TextSearch::Whole, clsPalmDB::TextSearch::AsAsked}) {
                // A record read again is viewed afresh only after ViewRecord; before it, through ItemView.
                db.SetRawData(record);
                EXPECT_EQ(shown(db.View(6)), expected[6]);
                db.ViewRecord(search);
                for (const int16_t field : order) {
                    EXPECT_EQ(shown(db.View(field)), expected[static_cast<size_t>(field)]) << field;
                }
            }
        }
        // A record too short for its numbers is reported as ItemView reports it.
        EXPECT_EQ(messages.Shown.size() > reported, record.size() < 7) << record.size();
    }
}
