#include "handheld_db/QVFReader.h"
#include "handheld_db/ReadingSimulator.h"

#include "platform/BinaryFile.h"
#include "platform/RuntimeError.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <set>

using namespace dovrex;
using dovrex::test::TempFolder;

namespace {

// A route database of two routes and 400 meters with plain, wrapped and missing windows.
std::string WriteRoute(const TempFolder& folder, int version = 3, int16_t container = ContainerPDB) {
    const std::string path = folder.File("RouteQVF.db");
    clsQVF qvf;
    qvf.SetVersion(version);
    EXPECT_EQ(qvf.CreateQVF(path, container, 410), 0);
    auto record = [&](std::initializer_list<std::pair<const char*, Value>> fields) {
        qvf.AddNew();
        for (const auto& [name, value] : fields) qvf.SetItem(name, value);
        qvf.WriteData();
    };
    record({{"RecType", 0}, {"RouteNbr", 2}, {"Sequence", 20040115}, {"MeterType", version}});
    record({{"RecType", 1}, {"RouteNbr", 1}, {"Initials", "R1"}});
    record({{"RecType", 1}, {"RouteNbr", 2}, {"Initials", "R2"}});
    for (int i = 0; i < 400; ++i) {
        const int low = i % 3 == 0 ? 100 : i % 3 == 1 ? 9990 : 0, high = i % 3 == 0 ? 900 : i % 3 == 1 ? 20 : 0;
        record({{"RecType", 2}, {"RouteNbr", 1 + i / 200}, {"MeterTagNbr", 1000 + i}, {"Digits", 4}, {"PrvReading", 50},
                {"MinReading", low}, {"MaxReading", high}, {"ReadType", i % 4}, {"ServiceAddress", "MAIN ST"}});
    }
    qvf.AddCodeRecord(5, 0, 0, 1, {"01"}, {"DOG"}, {""});
    qvf.Close();
    return path;
}

bool Outside(int64_t low, int64_t high, int64_t reading) {
    if (low < high) return reading < low || reading > high;
    if (low > high) return reading < low && reading > high;
    return false;
}

} // namespace

TEST(ReadingSimulator, ReadingsLookLikeAHandheldsAndFollowTheSeed) {
    TempFolder folder;
    const std::string route = WriteRoute(folder);
    const auto summary = ReadingSimulator(42, 256).Simulate(route, folder.File("a.pdb"));
    ReadingSimulator(42, 256).Simulate(route, folder.File("b.pdb"));
    ReadingSimulator(43, 256).Simulate(route, folder.File("c.pdb"));
    EXPECT_EQ(ReadWholeFile(folder.File("a.pdb")), ReadWholeFile(folder.File("b.pdb")));
    EXPECT_NE(ReadWholeFile(folder.File("a.pdb")), ReadWholeFile(folder.File("c.pdb")));

    QVFReader source, readings;
    ASSERT_TRUE(source.Open(route));
    ASSERT_TRUE(readings.Open(folder.File("a.pdb")));
    EXPECT_EQ(readings.Version(), 3);
    QVFRecord in, out;
    int meters = 0, read = 0, unread = 0, outside = 0, responses = 0, orphans = 0;
    std::set<int64_t> routeTags;
    auto number = [](const QVFRecord& r, const char* name) { return static_cast<int64_t>(r.Fields.Item(name).ToNumber()); };
    while (readings.ReadNext(out)) {
        if (out.RecordType == clsQVF::rtOrphan) {
            ++orphans;
            EXPECT_EQ(routeTags.count(number(out, "MeterTagNbr")), 0u);
            EXPECT_EQ(routeTags.count(number(out, "PrvReading")), 1u); // a nearby route meter
            EXPECT_GT(number(out, "ReadingDate"), 20040115);
            continue;
        }
        ASSERT_TRUE(source.ReadNext(in));
        SCOPED_TRACE(meters);
        if (in.RecordType == clsQVF::rtRoute) {
            EXPECT_EQ(out.RecordType, 256);
            EXPECT_EQ(out.Fields.Item("Initials"), in.Fields.Item("Initials"));
            continue;
        }
        if (in.RecordType != clsQVF::rtMeter) {
            EXPECT_EQ(readings.Database().RawData(), source.Database().RawData()); // header and code records as they were
            continue;
        }
        ++meters;
        routeTags.insert(number(in, "MeterTagNbr"));
        for (const char* kept : {"RouteNbr", "MeterTagNbr", "MinReading", "MaxReading", "ServiceAddress"}) {
            EXPECT_EQ(out.Fields.Item(kept), in.Fields.Item(kept)) << kept;
        }
        if (number(out, "ResponseCode") > 0) ++responses;
        if (number(out, "Status") == 0) {
            ++unread;
            EXPECT_EQ(number(out, "CurReading"), 0);
            EXPECT_EQ(number(out, "ReadingDate"), 0);
            continue;
        }
        ++read;
        const int64_t reading = number(out, "CurReading"), time = number(out, "ReadingTime");
        EXPECT_GE(reading, 0);
        EXPECT_LT(reading, 10000); // four digits
        EXPECT_GE(number(out, "ReadingDate"), 20040116);
        EXPECT_TRUE(time >= 80000 && time < 170000) << time;
        EXPECT_TRUE(number(out, "ReadType") >= 1 && number(out, "ReadType") <= 3);
        if (Outside(number(in, "MinReading"), number(in, "MaxReading"), reading)) ++outside;
    }
    EXPECT_FALSE(source.ReadNext(in));
    EXPECT_EQ(summary.Meters, 400);
    EXPECT_EQ(meters, 400);
    EXPECT_EQ(summary.Read, read);
    EXPECT_EQ(summary.Unread, unread);
    EXPECT_EQ(summary.OutsideWindow, outside);
    EXPECT_EQ(summary.Responses, responses);
    EXPECT_EQ(summary.Orphans, 5);
    EXPECT_EQ(orphans, 5);
    // Shares a supervisor can try an exception map on.
    EXPECT_TRUE(unread > 10 && unread < 60) << unread;
    EXPECT_TRUE(outside > 5 && outside < 50) << outside;
}

TEST(ReadingSimulator, ARouteDatabaseItCannotUseIsAClearError) {
    TempFolder folder;
    const std::string version0 = folder.File("v0.db");
    {
        clsQVF qvf;
        ASSERT_EQ(qvf.CreateQVF(version0, ContainerVFS, 0), 0);
        qvf.AddNew();
        qvf.WriteData();
        qvf.Close();
    }
    const std::string route = WriteRoute(folder);
    const std::string before = ReadWholeFile(route);
    const struct {
        std::string route, readings, reason;
    } cases[] = {
        {folder.Write("text.txt", std::string(300, 'x')), folder.File("r.pdb"),
         folder.File("text.txt") + ": Invalid file format"},
        {folder.File("missing.pdb"), folder.File("r.pdb"), folder.File("missing.pdb") + ": File not found"},
        {version0, folder.File("r.pdb"), version0 + ": no header record names a schema with readings"},
        {route, route, route + ": the readings cannot replace the route database they come from"},
        {route, folder.File("no/such/folder/r.pdb"), "File not found (" + folder.File("no/such/folder/r.pdb") + ")"},
    };
    for (const auto& c : cases) {
        try {
            ReadingSimulator(1).Simulate(c.route, c.readings);
            ADD_FAILURE() << c.route;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.Description(), c.reason);
        }
    }
    EXPECT_EQ(ReadWholeFile(route), before);
}
