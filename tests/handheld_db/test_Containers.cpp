#include "handheld_db/clsPalmFilePDB.h"
#include "handheld_db/clsPalmFileVFS.h"
#include "handheld_db/modPDB.h"

#include "platform/RuntimeError.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace dovrex;
using dovrex::test::Bytes;
using dovrex::test::TempFolder;

namespace {

std::string CreatePdb(const std::string& path, int32_t presize, const std::vector<std::string>& records) {
    clsPalmFilePDB pdb;
    std::string appInfo = "x", sortInfo = "y";
    EXPECT_EQ(pdb.CreateFile(path, "RouteQVF", "kELZ", "DATA", presize, appInfo, sortInfo), 0);
    EXPECT_TRUE(appInfo.empty());
    EXPECT_TRUE(sortInfo.empty());
    for (const auto& record : records) EXPECT_TRUE(pdb.WriteRecord(record));
    pdb.CloseFile();
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(PalmFilePDB, WritesTheExactHeaderRecordListAndData) {
    TempFolder folder;
    const std::string file = CreatePdb(folder.File("a.pdb"), 3, {"HELLO"});
    ASSERT_EQ(file.size(), 107u);
    EXPECT_EQ(file.substr(0, 8), "RouteQVF");
    EXPECT_EQ(file.substr(8, 52), std::string(52, '\0'));
    EXPECT_EQ(file.substr(60, 8), "DATAkELZ");
    EXPECT_EQ(file.substr(68, 10), Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(file.substr(78, 8), Bytes({0, 0, 0, 0x66, 0, 0, 0, 0}));
    EXPECT_EQ(file.substr(86, 16), std::string(16, '\0'));
    EXPECT_EQ(file.substr(102), "HELLO");

    // The default capacity is 999 slots; unique IDs count records; a 32-character title has no terminator.
    const std::string big = CreatePdb(folder.File("b.pdb"), 0, {"A", "BC", ""});
    EXPECT_EQ(big.size(), 8070u + 3);
    EXPECT_EQ(big.substr(78, 8), Bytes({0, 0, 0x1F, 0x86, 0, 0, 0, 0}));
    EXPECT_EQ(big.substr(86, 8), Bytes({0, 0, 0x1F, 0x87, 0, 0, 0, 1}));
    EXPECT_EQ(big.substr(94, 8), Bytes({0, 0, 0x1F, 0x89, 0, 0, 0, 2}));

    clsPalmFilePDB pdb;
    std::string a, s;
    pdb.CreateFile(folder.File("c.pdb"), std::string(40, 'T'), "kELZLONG", "DA", 1, a, s);
    pdb.CloseFile();
    const std::string c = folder.Read("c.pdb");
    EXPECT_EQ(c.substr(0, 32), std::string(32, 'T'));
    EXPECT_EQ(c.substr(60, 8), std::string("DA\0\0kELZ", 8));
}

TEST(PalmFilePDB, ReadsByNumberThenSequentiallyAndReportsProgress) {
    TempFolder folder;
    const std::string path = folder.File("r.pdb");
    CreatePdb(path, 5, {"one", "two", "three"});
    clsPalmFilePDB pdb;
    ASSERT_EQ(pdb.OpenFile(path), 0);
    EXPECT_EQ(pdb.RecordCount(), 3);
    EXPECT_EQ(pdb.Title(), "RouteQVF");
    EXPECT_EQ(pdb.DBType(), "DATA");
    EXPECT_EQ(pdb.Creator(), "kELZ");
    EXPECT_FALSE(pdb.CreateDate().has_value());

    std::string buffer;
    int32_t number = 1;
    EXPECT_TRUE(pdb.ReadRecord(number, buffer));
    EXPECT_EQ(buffer, "two");
    number = -1;
    EXPECT_TRUE(pdb.ReadRecord(number, buffer));
    EXPECT_EQ(number, 1); // the same record again
    EXPECT_EQ(buffer, "two");
    number = -1;
    EXPECT_TRUE(pdb.ReadRecord(number, buffer));
    EXPECT_EQ(buffer, "three");
    number = -1;
    EXPECT_FALSE(pdb.ReadRecord(number, buffer));
    EXPECT_LT(number, 0);
    EXPECT_TRUE(buffer.empty());
    number = 3;
    EXPECT_FALSE(pdb.ReadRecord(number, buffer));

    // Two records: 0 before reading, 255 after the first, still 255 after the second.
    CreatePdb(path, 0, {"a", "b"});
    ASSERT_EQ(pdb.OpenFile(path), 0);
    EXPECT_EQ(pdb.Position255(), 0);
    number = -1;
    pdb.ReadRecord(number, buffer);
    EXPECT_EQ(pdb.Position255(), 255);
    number = -1;
    pdb.ReadRecord(number, buffer);
    EXPECT_EQ(pdb.Position255(), 255);
    pdb.Rewind();
    EXPECT_EQ(pdb.Position255(), 0);
}

// Records are read from the file in blocks: records of every size, over many blocks, in
// order and by number in any order, come back exactly.
TEST(PalmFilePDB, RecordsReadInBlocksComeBackExactly) {
    TempFolder folder;
    const std::string path = folder.File("blocks.pdb");
    std::vector<std::string> records;
    for (int i = 0; i < 60; ++i) {
        std::string record(static_cast<size_t>(i % 7 == 0 ? 32000 : i * 211 % 5000), static_cast<char>('A' + i % 26));
        if (!record.empty()) record[0] = static_cast<char>(i);
        records.push_back(record);
    }
    CreatePdb(path, 60, records);
    clsPalmFilePDB pdb;
    ASSERT_EQ(pdb.OpenFile(path), 0);
    std::string buffer;
    for (int pass = 0; pass < 2; ++pass) {
        pdb.Rewind();
        for (size_t i = 0; i < records.size(); ++i) {
            int32_t number = -1;
            ASSERT_TRUE(pdb.ReadRecord(number, buffer));
            ASSERT_EQ(buffer, records[i]) << i;
        }
    }
    for (int32_t i = 59; i >= 0; i -= 7) {
        int32_t number = i;
        ASSERT_TRUE(pdb.ReadRecord(number, buffer));
        EXPECT_EQ(buffer, records[static_cast<size_t>(i)]) << i;
    }
}

TEST(PalmFilePDB, HeaderPropertiesOfAFileWrittenElsewhere) {
    TempFolder folder;
    std::string file = std::string("Named") + std::string(27, '\0');
    file += Bytes({0, 9, 0, 0});                          // attributes, version
    file += Bytes({0, 0, 0, 0, 0, 1, 0x51, 0x81});        // created: none; modified: 1904-01-02 00:00:01
    file += Bytes({0, 0, 0, 0, 0, 0, 0, 0});              // backup, modification number
    file += Bytes({0, 0, 0, 78, 0, 0, 0, 81});            // appInfo at 78, sortInfo at 81
    file += "TYPECRTR" + std::string(8, '\0') + Bytes({0, 0});
    file += "APPSORTED";
    const std::string path = folder.Write("h.pdb", file);
    clsPalmFilePDB pdb;
    ASSERT_EQ(pdb.OpenFile(path), 0);
    EXPECT_EQ(pdb.Title(), "Named");
    EXPECT_EQ(pdb.Attributes(), 9);
    EXPECT_FALSE(pdb.CreateDate());
    EXPECT_EQ(pdb.ModifyDate(), (DateTime{1904, 1, 2, 0, 0, 1}));
    EXPECT_EQ(pdb.AppInfo(), "APP");
    EXPECT_EQ(pdb.SortInfo(), "SORTED"); // no records: runs to the end of the file
    EXPECT_EQ(pdb.RecordCount(), 0);
}

TEST(PalmFilePDB, WritingPastTheReservedSlotsIsAnError) {
    TempFolder folder;
    clsPalmFilePDB pdb;
    std::string a, s;
    pdb.CreateFile(folder.File("full.pdb"), "t", "c", "d", 1, a, s);
    EXPECT_TRUE(pdb.WriteRecord("1"));
    EXPECT_THROW(pdb.WriteRecord("2"), RuntimeError);
}

TEST(PalmFileVFS, StreamsLengthPrefixedRecordsAndDetectsItsKind) {
    TempFolder folder;
    const std::string path = folder.File("v.vfs");
    clsPalmFileVFS vfs;
    std::string a, s;
    ASSERT_EQ(vfs.CreateFile(path, "ignored", "x", "y", 3, a, s), 0);
    vfs.WriteRecord("abc");
    vfs.WriteRecord(std::string("\0z", 2));
    vfs.CloseFile();
    EXPECT_EQ(folder.Read("v.vfs"), Bytes({0, 0, 0, 3}) + "abc" + Bytes({0, 0, 0, 2, 0}) + "z");

    EXPECT_TRUE(vfs.TestFileType(path));
    ASSERT_EQ(vfs.OpenFile(path), 0);
    EXPECT_EQ(vfs.RecordCount(), -1);
    EXPECT_EQ(vfs.Title(), "");
    std::string buffer;
    int32_t ignored = 7;
    EXPECT_TRUE(vfs.ReadRecord(ignored, buffer));
    EXPECT_EQ(buffer, "abc");
    EXPECT_EQ(vfs.Position255(), 137); // 7 of 13 bytes
    EXPECT_TRUE(vfs.ReadRecord(ignored, buffer));
    EXPECT_FALSE(vfs.ReadRecord(ignored, buffer));
    EXPECT_TRUE(buffer.empty());
    vfs.Rewind();
    EXPECT_TRUE(vfs.ReadRecord(ignored, buffer));
    EXPECT_EQ(buffer, "abc");

    // A first record of 0 or of 65536 bytes is not a plausible VFS start.
    EXPECT_FALSE(vfs.TestFileType(folder.Write("z", Bytes({0, 0, 0, 0, 1}))));
    EXPECT_FALSE(vfs.TestFileType(folder.Write("big", Bytes({0, 1, 0, 0, 1}))));
    EXPECT_TRUE(vfs.TestFileType(folder.Write("max", Bytes({0, 0, 0xFF, 0xFF}))));
    EXPECT_FALSE(vfs.TestFileType(folder.Write("short", Bytes({0, 0, 1}))));
    EXPECT_FALSE(vfs.TestFileType(folder.File("missing")));
}

TEST(PalmFileVFS, AnEmptyFirstRecordReadsAsTheEnd) {
    TempFolder folder;
    clsPalmFileVFS vfs;
    ASSERT_EQ(vfs.OpenFile(folder.Write("e", Bytes({0, 0, 0, 0, 0, 0, 0, 1, 'x'}))), 0);
    std::string buffer = "old";
    int32_t n = -1;
    EXPECT_FALSE(vfs.ReadRecord(n, buffer));
    EXPECT_TRUE(buffer.empty());
}

TEST(ModPDB, BigEndianNumbersAndTextsInFixedWidths) {
    EXPECT_EQ(BytesToLong(Bytes({0x12, 0x34})), 0x1234);
    EXPECT_EQ(BytesToLong(Bytes({0xFF})), 255);
    EXPECT_EQ(BytesToLong(Bytes({0x7F, 0xFF, 0xFF, 0xFF})), 2147483647);
    EXPECT_EQ(BytesToLong(Bytes({0x80, 0, 0, 0})), 0);
    EXPECT_EQ(ValueToBytes(Value(int64_t{-1}), 4), Bytes({0, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(ValueToBytes(Value(int64_t{-16777215}), 4), Bytes({0, 0, 0, 1}));
    EXPECT_THROW(ValueToBytes(Value(int64_t{-16777216}), 4), RuntimeError);
    EXPECT_EQ(ValueToBytes(Value(2.5), 2), Bytes({0, 2}));
    EXPECT_EQ(ValueToBytes(Value(3.5), 1), Bytes({4}));
    EXPECT_EQ(ValueToBytes(Value(int64_t{0x12345}), 2), Bytes({0x23, 0x45}));
    EXPECT_EQ(ValueToBytes(Value("AB"), 4), std::string("AB\0\0", 4));
    EXPECT_EQ(ValueToBytes(Value("ABCDE"), 4), "ABCD");
    EXPECT_EQ(ValueToBytes(Value(), 2), Bytes({0, 0}));
    EXPECT_THROW(ValueToBytes(Value(3e9), 4), RuntimeError);
}
