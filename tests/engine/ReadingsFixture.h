#pragma once

// The engine fixture with helpers for the reading side: reading and orphan maps, and
// readings databases written record by record as a handheld returns them.

#include "EngineFixture.h"

#include "platform/BinaryFile.h"

#include <utility>

namespace dovrex::test {

// The fields of one schema record, by name.
using Fields = std::vector<std::pair<std::string, Value>>;

struct ReadingsFile {
    int Version = 3;
    int16_t Container = ContainerPDB;
    int32_t RouteKind = clsQVF::rtRoute;
    std::vector<std::string> Routes;
    std::vector<Fields> Meters;
    std::vector<Fields> Orphans;
    // Added after the header; the header's route count stays the number of Routes.
    std::vector<std::string> ExtraRoutes;
};

class ReadingsFixture : public EngineFixture {
protected:
    // A reading (use 3) or orphan (use 99) map; each mapping is "Field=parts" as in a map file line.
    void WriteWriteMap(const std::string& name, int32_t use, int32_t type, const std::vector<std::string>& mappings,
                       int32_t terminator = 3, int16_t length = 0, int32_t filter = 0, const std::string& delimiter = "",
                       const std::string& quote = "") {
        clsExchMap map(folder.Path());
        map.NewMap(name + clsExchange::MapExtension(use), use);
        map.SetMapType(type);
        map.SetMapTerminator(terminator);
        map.SetMapLength(length);
        map.SetMapFilter(filter);
        map.SetMapDelimiter(delimiter);
        map.SetMapQuote(quote);
        for (const std::string& mapping : mappings) {
            const size_t equals = mapping.find('=');
            std::vector<std::string> parts = Split(mapping.substr(equals + 1), ",");
            parts.resize(5);
            ASSERT_TRUE(map.SetMapping(mapping.substr(0, equals), parts[0], parts[1], parts[2], parts[3], parts[4]))
                << mapping;
        }
        ASSERT_TRUE(map.SaveMap());
    }

    static void Put(clsQVF& db, const Fields& fields) {
        for (const auto& [name, value] : fields) db.SetItem(name, value);
    }

    std::string WriteReadings(const std::string& name, const ReadingsFile& file) {
        const std::string path = folder.File(name);
        clsQVF db;
        db.SetVersion(file.Version);
        EXPECT_EQ(db.CreateQVF(path, file.Container, 0), 0);
        db.AddNew();
        Put(db, {{"RecType", 0}, {"RouteNbr", static_cast<int32_t>(file.Routes.size())}, {"MeterType", file.Version}});
        db.WriteData();
        std::vector<std::string> routes = file.Routes;
        routes.insert(routes.end(), file.ExtraRoutes.begin(), file.ExtraRoutes.end());
        for (size_t i = 0; i < routes.size(); ++i) {
            db.AddNew();
            Put(db, {{"RecType", file.RouteKind}, {"RouteNbr", static_cast<int32_t>(i + 1)}, {"Initials", routes[i]}});
            db.WriteData();
        }
        for (const Fields& meter : file.Meters) {
            db.AddNew();
            db.SetItem("RecType", 2);
            Put(db, meter);
            db.WriteData();
        }
        for (const Fields& orphan : file.Orphans) {
            db.AddNew();
            db.SetItem("RecType", 3);
            Put(db, orphan);
            db.WriteData();
        }
        db.Close();
        return path;
    }

    // Points the reading settings at a readings file, a map and an upload file.
    void UseReadings(const std::string& readings, const std::string& map, const std::string& upload = "upload.txt") {
        engine.SetReadingSource(readings);
        engine.SetReadingMap(map);
        engine.SetReadingDestination(folder.File(upload));
    }

    // The log from the line that starts the reading conversion on.
    std::vector<std::string> LogFrom(const std::string& start) const {
        std::vector<std::string> lines;
        bool started = false;
        for (const auto& line : log.Lines) {
            if (StartsWith(line, start)) started = true;
            if (started) lines.push_back(line);
        }
        return lines;
    }
};

} // namespace dovrex::test
