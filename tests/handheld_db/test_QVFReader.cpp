#include "handheld_db/QVFReader.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

using namespace dovrex;
using dovrex::test::Bytes;
using dovrex::test::TempFolder;

TEST(QVFRecord, KindAndLayoutOfEveryRecordType) {
    using L = QVFRecord::Layout;
    struct Row { int32_t type; std::optional<clsQVF::RecordKind> kind; L layout; };
    const Row rows[] = {
        {0, clsQVF::rtHeader, L::Schema},  {1, clsQVF::rtRoute, L::Schema},  {256, clsQVF::rtRoute, L::Schema},
        {2, clsQVF::rtMeter, L::Schema},   {3, clsQVF::rtOrphan, L::Schema}, {4, clsQVF::rtLogins, L::Code},
        {5, clsQVF::rtCodes, L::Code},     {6, clsQVF::rtIndex, L::Index},   {7, clsQVF::rtAlerts, L::Code},
        {8, std::nullopt, L::Unknown},     {-1, std::nullopt, L::Unknown},   {255, std::nullopt, L::Unknown},
        {257, std::nullopt, L::Unknown},   {65535, std::nullopt, L::Unknown},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(QVFRecord::KindOf(row.type), row.kind) << row.type;
        EXPECT_EQ(QVFRecord::LayoutOf(row.type), row.layout) << row.type;
    }
}

// Every kind of record, decoded with the file's own schema version, in both containers.
TEST(QVFReader, DecodesEveryKindWithTheFilesVersion) {
    for (const int version : {0, 1, 2, 3}) {
        for (const int16_t container : {ContainerPDB, ContainerVFS}) {
            SCOPED_TRACE("version " + std::to_string(version) + " container " + std::to_string(container));
            TempFolder folder;
            const std::string path = folder.File("db");
            {
                clsQVF qvf;
                qvf.SetVersion(version);
                ASSERT_EQ(qvf.CreateQVF(path, container, 10), 0);
                qvf.AddNew();
                qvf.SetItem("MeterType", Value(int64_t{version}));
                qvf.WriteData();
                qvf.AddNew();
                qvf.SetItem("RecType", Value(int64_t{256}));
                qvf.SetItem("MeterTagNbr", Value(int64_t{16777215}));
                if (version > 0) qvf.SetItem("User5", Value("a\xE9"));
                qvf.WriteData();
                qvf.AddCodeRecord(5, 1, 2, 2, {"01", "02"}, {"Dog", "Gate"}, {"", "x"});
                qvf.AddIndexRecord(1, 2, 3, {"ELM", "MAIN", "MAIN"}, {7, 3, 9});
                qvf.DB().WriteRaw(Bytes({0, 2, 0, 0}));          // a meter shorter than any schema
                qvf.DB().WriteRaw(Bytes({0, 4, 0, 0, 0, 0, 0, 2, 'A', 0})); // entries missing
                qvf.DB().WriteRaw(Bytes({0, 99, 1}));
                qvf.DB().WriteRaw(Bytes({7}));
                qvf.Close();
            }
            QVFReader reader;
            ASSERT_TRUE(reader.Open(path)) << reader.FailureReason();
            EXPECT_EQ(reader.Version(), version);
            EXPECT_EQ(reader.Database().GetType(), container);
            std::vector<QVFRecord> records;
            QVFRecord record;
            while (reader.ReadNext(record)) records.push_back(record);
            ASSERT_EQ(records.size(), 8u);

            clsPalmDB& db = reader.Database().DB();
            for (const size_t i : {0, 1}) {
                EXPECT_EQ(records[i].RecordLayout, QVFRecord::Layout::Schema);
                ASSERT_EQ(records[i].Fields.Count(), static_cast<size_t>(db.FieldCount()));
                for (int16_t n = 1; n <= db.FieldCount(); ++n) EXPECT_EQ(records[i].Fields.Items()[n - 1].first, db.FieldName(n));
                EXPECT_TRUE(records[i].Problem.empty());
                EXPECT_FALSE(records[i].Undecoded);
            }
            EXPECT_EQ(records[0].Fields.Item("MeterType"), Value(int64_t{version}));
            EXPECT_EQ(records[1].RecordType, 256);
            EXPECT_EQ(records[1].Fields.Item("MeterTagNbr"), Value(int64_t{16777215}));
            EXPECT_EQ(records[1].Fields.Item("User5"), version > 0 ? Value("a\xE9") : Value::Null());

            EXPECT_EQ(records[2].RecordLayout, QVFRecord::Layout::Code);
            using Items = std::vector<std::pair<std::string, Value>>;
            EXPECT_EQ(records[2].Fields.Items(),
                      (Items{{"RecordType", Value(int64_t{5})}, {"CodeType", Value(int64_t{1})}, {"Flags", Value(int64_t{2})}}));
            ASSERT_EQ(records[2].CodeEntries.size(), 2u);
            EXPECT_EQ(records[2].CodeEntries[1].Code, "02");
            EXPECT_EQ(records[2].CodeEntries[1].CodeValue, "Gate");
            EXPECT_EQ(records[2].CodeEntries[1].Data, "x");
            EXPECT_TRUE(records[2].Problem.empty());

            EXPECT_EQ(records[3].RecordLayout, QVFRecord::Layout::Index);
            EXPECT_EQ(records[3].Fields.Items(),
                      (Items{{"RecType", Value(int64_t{6})}, {"RouteIndex", Value(int64_t{1})}, {"IndexType", Value(int64_t{2})}}));
            ASSERT_EQ(records[3].IndexEntries.size(), 2u);
            EXPECT_EQ(records[3].IndexEntries[1].Word, "MAIN");
            EXPECT_EQ(records[3].IndexEntries[1].Positions, (std::vector<int32_t>{3, 9}));
            EXPECT_EQ(records[3].IndexEntries[1].Text(), "MAIN:3:9");

            // What cannot be decoded says why and keeps its bytes.
            EXPECT_EQ(records[4].Problem, "short record of 4 bytes");
            EXPECT_EQ(records[4].Undecoded, Bytes({0, 2, 0, 0}));
            EXPECT_EQ(records[4].Fields.Count(), 1u);
            EXPECT_EQ(records[5].Problem, "damaged code record");
            EXPECT_FALSE(records[5].Undecoded);
            EXPECT_EQ(records[6].RecordType, 99);
            EXPECT_EQ(records[6].RecordLayout, QVFRecord::Layout::Unknown);
            EXPECT_EQ(records[6].Undecoded, Bytes({0, 99, 1}));
            EXPECT_EQ(records[7].RecordType, -1);
            EXPECT_EQ(records[7].Fields.Item("RecType"), Value(int64_t{-1}));
        }
    }
}

TEST(QVFReader, SaysWhyAFileCannotBeRead) {
    TempFolder folder;
    const std::pair<std::string, std::string> cases[] = {
        {folder.File("missing.pdb"), "File not found"},
        {folder.Write("short", "short"), "Invalid file format"},
        {folder.Path(), "File not found"}, // a folder is no file
    };
    for (const auto& [path, reason] : cases) {
        QVFReader reader;
        EXPECT_FALSE(reader.Open(path)) << path;
        EXPECT_EQ(reader.FailureReason(), reason) << path;
    }
    // A file without a header record is read with the version 0 schema.
    {
        clsQVF qvf;
        qvf.SetVersion(3);
        ASSERT_EQ(qvf.CreateQVF(folder.File("r.pdb"), ContainerPDB, 0), 0);
        qvf.AddNew();
        qvf.SetItem("RecType", Value(int64_t{2}));
        qvf.SetItem("MeterType", Value(int64_t{3}));
        qvf.WriteData();
    }
    QVFReader reader;
    ASSERT_TRUE(reader.Open(folder.File("r.pdb")));
    EXPECT_EQ(reader.Version(), 0);
    QVFRecord record;
    ASSERT_TRUE(reader.ReadNext(record));
    EXPECT_EQ(record.Fields.Count(), 5u);
    EXPECT_FALSE(reader.ReadNext(record));
}
