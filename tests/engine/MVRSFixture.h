#pragma once

// MVRS conversions on the engine fixture: download lines built from field values, MVRS
// route maps, and the meter records of a route database.

#include "EngineFixture.h"

#include "billing/clsMVRSDownload.h"

#include <filesystem>
#include <utility>

namespace dovrex::test {

using FieldValues = std::vector<std::pair<std::string, Value>>;

// One download line of a kind: the given fields in their columns, blanks between them,
// nothing after the last one given.
inline std::string Download(const std::string& kind, const FieldValues& values = {}) {
    static clsMVRSDownload layouts;
    clsRecType* record = layouts.RecordType(kind);
    EXPECT_NE(record, nullptr) << kind;
    if (record == nullptr) return kind;
    record->Init();
    record->SetValue("RecID", kind);
    for (const auto& [name, value] : values) record->SetValue(name, value);
    return record->BuildLine(0);
}

class MVRSFixture : public EngineFixture {
protected:
    // An MVRS route map; radio turns special radio processing on.
    void WriteMVRSMap(const std::string& name, bool radio) {
        clsExchMap map(folder.Path());
        map.NewMap(name + ".bcm", MapUseRoute);
        map.SetMapType(MapTypeMVRS);
        map.SetMapOptions(1, radio ? "Y" : "N");
        ASSERT_TRUE(map.SaveMap());
    }

    // Writes the download and points the route settings at it and at the map; the
    // destination of an earlier conversion is removed.
    void UseDownload(const std::vector<std::string>& lines, bool radio = false) {
        WriteMVRSMap("MVRS", radio);
        std::filesystem::remove(folder.File("RouteQVF.pdb"));
        UseSource(lines, "MVRS");
    }

    // The meter records (RecType 2) of a database.
    std::vector<ValueCollection> Meters(const std::string& path) {
        std::vector<ValueCollection> meters;
        for (auto& record : ReadDatabase(path)) {
            if (Number(record, "RecType") == 2) meters.push_back(std::move(record));
        }
        return meters;
    }

    static std::string Text(const ValueCollection& record, const char* name) { return record.Item(name).ToText(); }
};

} // namespace dovrex::test
