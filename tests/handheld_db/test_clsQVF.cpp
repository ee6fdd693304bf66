#include "handheld_db/clsQVF.h"

#include "platform/RuntimeError.h"

#include "support/TempFolder.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>

#include <map>

using namespace dovrex;
using dovrex::test::Bytes;
using dovrex::test::RecordingMessageBox;
using dovrex::test::TempFolder;

TEST(QVF, SchemaOffsetsOfEveryVersion) {
    clsQVF qvf;
    struct Expect { int version; int fields; int fixed; std::map<std::string, int> offsets; };
    const Expect expected[] = {
        {0, 5, 15, {{"RecType", 0}, {"RouteNbr", 2}, {"Sequence", 6}, {"MeterTagNbr", 10}, {"MeterType", 14}}},
        {1, 36, 68, {{"Digits", 15}, {"PrvReading", 16}, {"CurReading", 28}, {"Status", 40}, {"ResponseCode", 42},
                     {"TamperCount", 48}, {"Signal", 51}, {"Lng", 56}, {"InitReading", 64}}},
        {2, 38, 70, {{"Decimals", 16}, {"Reserved1", 17}, {"PrvReading", 18}, {"ReadingTime", 38}, {"ReadType", 43},
                     {"LstReadingDate", 46}, {"UtilityCode", 52}, {"ScaleFactor", 62}, {"InitReading", 66}}},
        {3, 40, 76, {{"PrvReading", 18}, {"InitPulseCount", 70}, {"InitTamperCount", 74}}},
    };
    for (const auto& e : expected) {
        qvf.SetVersion(e.version);
        clsPalmDB& db = qvf.DB();
        EXPECT_EQ(db.FieldCount(), e.fields) << e.version;
        EXPECT_EQ(db.FixedLength(), e.fixed) << e.version;
        for (const auto& [name, offset] : e.offsets) {
            EXPECT_EQ(db.FieldOffset(db.FindItem(name)), offset) << name << " v" << e.version;
        }
    }
    qvf.SetVersion(3);
    EXPECT_EQ(qvf.DB().FieldName(28), "Initials");
    EXPECT_EQ(qvf.DB().FieldOffset(40), 13); // User5 is string 13
    qvf.AddNew();
    EXPECT_EQ(qvf.RawData().size(), 89u);
}

TEST(QVF, CodeRecordLayout) {
    TempFolder folder;
    clsQVF qvf;
    qvf.SetVersion(3);
    ASSERT_EQ(qvf.CreateQVF(folder.File("c.pdb"), 1, 10), 0);
    qvf.AddCodeRecord(5, 0, 0, 1, {"AB"}, {"GATE LOCKED"}, {""});
    const std::string expected =
        Bytes({0, 5, 0, 0, 0, 0, 0, 1}) + "AB" + Bytes({0, 0}) + "GATE LOCKED" + Bytes({0}) + Bytes({0, 0, 0xFF, 0xFF});
    EXPECT_EQ(qvf.RawData(), expected);
    EXPECT_EQ(expected.size(), 28u);

    int32_t type = 0, codeType = 0, flags = 0;
    std::vector<std::string> codes, values, data;
    EXPECT_TRUE(qvf.GetCodeRecord(type, codeType, flags, codes, values, data));
    EXPECT_EQ(values, std::vector<std::string>{"GATE LOCKED"});

    // No entries: the blank schema record keeps its length, FF FF at offset 8.
    qvf.AddCodeRecord(4, 1, 2, 0, {}, {}, {});
    EXPECT_EQ(qvf.RawData().size(), 89u);
    EXPECT_EQ(qvf.RawData().substr(0, 10), Bytes({0, 4, 0, 1, 0, 2, 0, 0, 0xFF, 0xFF}));
    EXPECT_TRUE(qvf.GetCodeRecord(type, codeType, flags, codes, values, data));
    EXPECT_TRUE(codes.empty());
}

TEST(QVF, IndexRecordLayoutAndDecoding) {
    TempFolder folder;
    clsQVF qvf;
    qvf.SetVersion(3);
    ASSERT_EQ(qvf.CreateQVF(folder.File("i.pdb"), 1, 10), 0);
    qvf.AddIndexRecord(1, 1, 3, {"ELM", "MAIN", "MAIN"}, {7, 3, 9});
    const std::string expected = Bytes({0, 6, 0, 1, 0, 1}) + Bytes({0, 0x0E}) + "ELM" + Bytes({0, 0, 7}) +
                                 Bytes({0xFF, 0xFF}) + "MAIN" + Bytes({0, 0, 0, 3, 0, 9});
    EXPECT_EQ(qvf.RawData(), expected);
    EXPECT_EQ(expected.size(), 26u);

    int32_t route = 0, type = 0, count = 0;
    std::vector<std::string> entries;
    qvf.GetIndexRecord(route, type, count, entries);
    EXPECT_EQ(route, 1);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(entries, (std::vector<std::string>{"ELM:7", "MAIN:3:9"}));

    // Only neighbours merge: unsorted pairs give MAIN twice.
    qvf.AddIndexRecord(2, 0, 3, {"MAIN", "ELM", "MAIN"}, {3, 7, 9});
    qvf.GetIndexRecord(route, type, count, entries);
    EXPECT_EQ(entries, (std::vector<std::string>{"MAIN:3", "ELM:7", "MAIN:9"}));

    // Words of every length up to past 16 bytes, odd and even, each with a position or two.
    std::vector<std::string> words;
    std::vector<int32_t> positions;
    std::vector<std::string> texts;
    for (int length = 1; length <= 20; ++length) {
        std::string word;
        for (int i = 0; i < length; ++i) word += static_cast<char>('A' + (length + i) % 26);
        const int32_t second = length % 3 == 0 ? 300 * length : 0;
        words.insert(words.end(), second != 0 ? 2 : 1, word);
        positions.push_back(length);
        if (second != 0) positions.push_back(second);
        texts.push_back(word + ":" + std::to_string(length) + (second != 0 ? ":" + std::to_string(second) : ""));
    }
    qvf.AddIndexRecord(3, 4, static_cast<int32_t>(words.size()), words, positions);
    qvf.GetIndexRecord(route, type, count, entries);
    EXPECT_EQ(entries, texts);

    // Records and their links are 16-bit: a record of 32766 bytes is written, one of 32776
    // raises the overflow error. Entries of a four-letter word and one position take 10
    // bytes from offset 6.
    for (const int entryCount : {3276, 3277}) {
        std::vector<std::string> fourLetters;
        for (int k = 0; k < entryCount; ++k) {
            fourLetters.push_back(std::string{static_cast<char>('A' + k / 17576), static_cast<char>('A' + k / 676 % 26),
                                              static_cast<char>('A' + k / 26 % 26), static_cast<char>('A' + k % 26)});
        }
        const std::vector<int32_t> ones(fourLetters.size(), 1);
        if (entryCount == 3276) {
            qvf.AddIndexRecord(5, 2, entryCount, fourLetters, ones);
            qvf.GetIndexRecord(route, type, count, entries);
            ASSERT_EQ(count, entryCount);
            EXPECT_EQ(entries.back(), fourLetters.back() + ":1");
            EXPECT_EQ(qvf.RawData().size(), 32766u);
        } else {
            EXPECT_THROW(qvf.AddIndexRecord(5, 2, entryCount, fourLetters, ones), RuntimeError);
        }
    }

    // Damaged records end the walk instead of looping or reading outside.
    for (const std::string& damaged : {Bytes({0, 6, 0, 1, 0, 1, 0, 2, 'A', 0, 0, 1}),
                                       Bytes({0, 6, 0, 1, 0, 1, 0x7F, 0xFF, 'A', 'B', 'C'}), Bytes({0, 6}),
                                       Bytes({0, 6, 0, 1, 0, 1, 0, 0, 0})}) {
        qvf.SetRawData(damaged);
        qvf.GetIndexRecord(route, type, count, entries);
        EXPECT_LE(count, 2);
    }
}

// One set of cases, run for every schema version in both containers.
class QVFRoundTrip : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(QVFRoundTrip, WritesAndReadsBackEveryKindOfRecord) {
    const auto [version, fileType] = GetParam();
    TempFolder folder;
    const std::string path = folder.File("RouteQVF.pdb");
    {
        clsQVF qvf;
        qvf.SetVersion(version);
        ASSERT_EQ(qvf.CreateQVF(path, static_cast<int16_t>(fileType), 20), 0);
        qvf.AddNew();
        qvf.SetItem("RecType", Value(int64_t{0}));
        qvf.SetItem("RouteNbr", Value(int64_t{1}));
        qvf.SetItem("Sequence", Value(int64_t{20260115}));
        qvf.SetItem("MeterTagNbr", Value(int64_t{1345}));
        qvf.SetItem("MeterType", Value(int64_t{version}));
        if (version >= 1) qvf.SetItem("Initials", Value("QVF loaded from x"));
        qvf.WriteData();
        qvf.AddNew();
        qvf.SetItem("RecType", Value(int64_t{2}));
        qvf.SetItem("MeterTagNbr", Value(int64_t{16777215}));
        qvf.SetItem("MeterType", Value(int64_t{'R'}));
        if (version >= 1) {
            qvf.SetItem("PrvReading", Value(int64_t{123456}));
            qvf.SetItem("User5", Value("a~b"));
            qvf.SetItem("BillingName", Value("SMITH \xc9"));
        }
        if (version >= 3) qvf.SetItem("InitTamperCount", Value(int64_t{65535}));
        qvf.WriteData();
        qvf.AddCodeRecord(5, 1, 0, 2, {"01", "02"}, {"Dog", "Gate"}, {"", "x"});
        qvf.AddIndexRecord(1, 2, 1, {"16777215"}, {0});
    }
    EXPECT_EQ(ReadQVFVersion(path), version);

    clsQVF qvf;
    qvf.SetVersion(version);
    ASSERT_FALSE(qvf.OpenQVF(path));
    EXPECT_EQ(qvf.GetType(), fileType);
    EXPECT_EQ(qvf.RecordCount(), fileType == 1 ? 4 : -1);
    if (fileType == 1) {
        EXPECT_EQ(qvf.DB().Title(), "RouteQVF");
    }
    ASSERT_TRUE(qvf.ReadData());
    EXPECT_EQ(qvf.Item("Sequence"), Value(int64_t{20260115}));
    ASSERT_TRUE(qvf.ReadData());
    const ValueCollection meter = qvf.GetValues();
    EXPECT_EQ(meter.Count(), static_cast<size_t>(qvf.DB().FieldCount()));
    EXPECT_EQ(meter.Item("MeterTagNbr"), Value(int64_t{16777215}));
    EXPECT_EQ(meter.Item("MeterType"), Value(int64_t{82}));
    if (version >= 1) {
        EXPECT_EQ(meter.Item("PrvReading"), Value(int64_t{123456}));
        EXPECT_EQ(meter.Item("User5"), Value("a~b"));
        EXPECT_EQ(meter.Item("billingname"), Value("SMITH \xc9"));
        EXPECT_EQ(meter.Item("User4"), Value(""));
    } else {
        EXPECT_TRUE(meter.Item("PrvReading").IsNull());
    }
    if (version >= 3) {
        EXPECT_EQ(meter.Item("InitTamperCount"), Value(int64_t{65535}));
    }
    ASSERT_TRUE(qvf.ReadData());
    EXPECT_EQ(qvf.RecordType(), 5);
    int32_t t = 0, c = 0, f = 0;
    std::vector<std::string> codes, values, data;
    EXPECT_TRUE(qvf.GetCodeRecord(t, c, f, codes, values, data));
    EXPECT_EQ(values, (std::vector<std::string>{"Dog", "Gate"}));
    EXPECT_EQ(data, (std::vector<std::string>{"", "x"}));
    ASSERT_TRUE(qvf.ReadData());
    int32_t route = 0, type = 0, count = 0;
    std::vector<std::string> entries;
    qvf.GetIndexRecord(route, type, count, entries);
    EXPECT_EQ(entries, std::vector<std::string>{"16777215:0"});
    EXPECT_FALSE(qvf.ReadData());
    EXPECT_EQ(qvf.Position255(), 255);
}

INSTANTIATE_TEST_SUITE_P(AllVersions, QVFRoundTrip,
                         ::testing::Combine(::testing::Values(0, 1, 2, 3), ::testing::Values(1, 2)),
                         [](const auto& info) {
                             return "V" + std::to_string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) == 1 ? "_PDB" : "_VFS");
                         });

TEST(QVF, AReadingsFileWithoutAHeaderReadsWithVersionZero) {
    TempFolder folder;
    const std::string path = folder.File("r.pdb");
    {
        clsQVF qvf;
        qvf.SetVersion(3);
        qvf.CreateQVF(path, 1, 0);
        qvf.AddNew();
        qvf.SetItem("RecType", Value(int64_t{2}));
        qvf.SetItem("MeterType", Value(int64_t{3}));
        qvf.WriteData();
    }
    EXPECT_EQ(ReadQVFVersion(path), 0);
    EXPECT_EQ(ReadQVFVersion(folder.File("missing")), -1);
}

TEST(QVF, HostileFilesEndInAnErrorNotACrash) {
    TempFolder folder;
    std::string header = "RouteQVF" + std::string(24, '\0') + std::string(28, '\0') + "DATAkELZ" + std::string(8, '\0');
    auto pdb = [&](int count, const std::string& rest) {
        return header + Bytes({count >> 8, count & 0xFF}) + rest;
    };
    const std::string entry0 = Bytes({0, 0, 0, 86, 0, 0, 0, 0});
    const std::vector<std::pair<std::string, std::string>> badOpen = {
        {"truncated header", header.substr(0, 50)},
        {"count beyond file", pdb(500, entry0 + "data")},
        {"count above 32767", pdb(0xFFFF, std::string(600000, '\0'))},
        {"offset outside file", pdb(1, Bytes({0, 0x10, 0, 0, 0, 0, 0, 0}) + "data")},
        {"offsets backwards", pdb(2, Bytes({0, 0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 96, 0, 0, 0, 1}) + std::string(10, 'x'))},
        {"offset inside record list", pdb(1, Bytes({0, 0, 0, 10, 0, 0, 0, 0}))},
    };
    for (const auto& [name, bytes] : badOpen) {
        clsQVF qvf;
        EXPECT_TRUE(qvf.OpenQVF(folder.Write("bad", bytes))) << name;
        EXPECT_EQ(ReadQVFVersion(folder.File("bad")), -1) << name;
    }

    // A VFS length prefix that runs past the end raises a clear error instead of allocating.
    clsQVF vfs;
    ASSERT_FALSE(vfs.OpenQVF(folder.Write("v", Bytes({0, 0, 0, 2, 'a', 'b', 0x7F, 0xFF, 0xFF, 0xFF, 'c'}))));
    EXPECT_TRUE(vfs.ReadData());
    try {
        vfs.ReadData();
        FAIL() << "expected an error";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.Number(), ErrInputPastEnd);
    }
    clsQVF partial;
    ASSERT_FALSE(partial.OpenQVF(folder.Write("p", Bytes({0, 0, 0, 1, 'a', 0, 0}))));
    EXPECT_TRUE(partial.ReadData());
    EXPECT_THROW(partial.ReadData(), RuntimeError);

    // A short schema record: the user is told, the value is empty, reading goes on.
    RecordingMessageBox messages;
    clsQVF shortRecord(&messages);
    shortRecord.SetVersion(3);
    ASSERT_FALSE(shortRecord.OpenQVF(folder.Write("s", pdb(1, Bytes({0, 0, 0, 86, 0, 0, 0, 0}) + Bytes({0, 2, 0, 0})))));
    ASSERT_TRUE(shortRecord.ReadData());
    EXPECT_EQ(shortRecord.Item("RecType"), Value(int64_t{2}));
    EXPECT_TRUE(shortRecord.Item("Sequence").IsEmpty());
    EXPECT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(shortRecord.Item("User1"), Value(""));
}

TEST(QVF, AFullDatabaseIsWrittenAndReadBack) {
    TempFolder folder;
    const std::string path = folder.File("full.pdb");
    {
        clsQVF qvf;
        qvf.SetVersion(3);
        ASSERT_EQ(qvf.CreateQVF(path, 1, 32767), 0);
        for (int i = 0; i < 32767; ++i) {
            qvf.AddNew();
            qvf.SetItem("RecType", Value(int64_t{2}));
            qvf.SetItem("Sequence", Value(int64_t{i}));
            qvf.SetItem("ServiceAddress", Value("123 MAIN ST"));
            qvf.SetItem("BillingName", Value("SMITH JOHN"));
            qvf.WriteData();
        }
    }
    clsQVF qvf;
    qvf.SetVersion(3);
    ASSERT_FALSE(qvf.OpenQVF(path));
    EXPECT_EQ(qvf.RecordCount(), 32767);
    int records = 0;
    while (qvf.ReadData()) {
        EXPECT_EQ(qvf.Item("Sequence"), Value(int64_t{records}));
        ++records;
    }
    EXPECT_EQ(records, 32767);
}
