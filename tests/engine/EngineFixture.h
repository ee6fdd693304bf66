#pragma once

// A route conversion engine on a temporary program folder, with recording stand-ins
// for the front end and helpers that write maps and source files and read databases.

#include "advanced/clsAdvanced.h"
#include "engine/clsExchange.h"
#include "handheld_db/clsQVF.h"
#include "maps/clsExchMap.h"
#include "platform/modRuntime.h"

#include "support/TempFolder.h"
#include "support/TestDoubles.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace dovrex::test {

// The prompt dialog: answers prepared by the test; records the rows it was shown.
class ScriptedPromptView : public IPromptVariablesView {
public:
    PromptAnswer ShowPrompts(const std::vector<PromptRow>& rows) override {
        Shown.push_back(rows);
        if (Answers.empty()) return {PromptActionCancel, {}};
        PromptAnswer answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    std::deque<PromptAnswer> Answers;
    std::vector<std::vector<PromptRow>> Shown;
};

class EngineFixture : public ::testing::Test {
protected:
    EngineFixture()
        : clock(DateTime{2004, 1, 15, 13, 45, 30}),
          engine(log, messages, progress, clock, LocaleFormats{}, folder.Path()) {
        engine.SetPromptView(&prompts);
        engine.SetAdvanced(&advanced);
    }

    // A route map: each mapping is "Field=parts" as in a map file line.
    void WriteMap(const std::string& name, int32_t type, const std::vector<std::string>& mappings,
                  const std::string& delimiter = "", const std::string& quote = "") {
        clsExchMap map(folder.Path());
        map.NewMap(name + ".bcm", MapUseRoute);
        map.SetMapType(type);
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

    // A fixed-width map over FixedLine's columns.
    void WriteFixedMap(const std::string& name = "Std", std::vector<std::string> extra = {}) {
        std::vector<std::string> mappings = {
            "RouteNbr=1,4",       "Sequence=5,3",        "MeterTagNbr=8,8",      "MeterType=16,1",
            "ReadType=17,1",      "UtilityCode=18,1",    "LstReadingDate=19,8,,,14", "ServiceAddress=27,15",
            "BillingName=42,10",  "Message=52,10",       "Digits=C,5",
        };
        mappings.insert(mappings.end(), extra.begin(), extra.end());
        WriteMap(name, MapTypeFixed, mappings);
    }

    static std::string Pad(const std::string& text, size_t width) {
        std::string padded = text.substr(0, width);
        padded.resize(width, ' ');
        return padded;
    }

    static std::string FixedLine(const std::string& route, int sequence, const std::string& tag, const std::string& type,
                                 const std::string& readType, const std::string& address, const std::string& name = "",
                                 const std::string& message = "", const std::string& utility = "1",
                                 const std::string& date = "20031201") {
        return Pad(route, 4) + Pad(std::to_string(sequence), 3) + Pad(tag, 8) + Pad(type, 1) + Pad(readType, 1) +
               Pad(utility, 1) + Pad(date, 8) + Pad(address, 15) + Pad(name, 10) + Pad(message, 10);
    }

    // Writes the lines, CR LF terminated, as the route source and points the settings at it.
    void UseSource(const std::vector<std::string>& lines, const std::string& map = "Std") {
        std::string text;
        for (const auto& line : lines) text += line + "\r\n";
        engine.SetRouteSource(folder.Write("route.txt", text));
        engine.SetRouteDestination(folder.File("RouteQVF.pdb"));
        engine.SetRouteMap(map);
    }

    // The header, route (also as a readings database has them) and meter records of a
    // database, decoded with the current schema
    // (the index and code records that follow the meters have layouts of their own).
    std::vector<ValueCollection> ReadDatabase(const std::string& path) {
        std::vector<ValueCollection> records;
        clsQVF qvf;
        qvf.SetVersion(3);
        EXPECT_FALSE(qvf.OpenQVF(path)) << path;
        while (qvf.ReadData()) {
            // Schema records only; code and index records have layouts of their own.
            const int32_t type = qvf.RecordType();
            if (type <= clsQVF::rtOrphan || type == clsQVF::rtReadingRoute) records.push_back(qvf.GetValues());
        }
        return records;
    }

    // The log without the lines every successful run writes before the conversion starts.
    std::vector<std::string> LogAfterStart() const {
        std::vector<std::string> lines;
        bool started = false;
        for (const auto& line : log.Lines) {
            if (started) lines.push_back(line);
            if (StartsWith(line, "Route Conversion Starting ")) started = true;
        }
        return lines;
    }

    static int64_t Number(const ValueCollection& record, const char* name) {
        return static_cast<int64_t>(record.Item(name).ToNumber());
    }

    TempFolder folder;
    RecordingLog log;
    RecordingMessageBox messages;
    RecordingProgress progress;
    FixedClock clock;
    ScriptedPromptView prompts;
    clsAdvanced advanced{""}; // the default configuration, kept in no store
    clsExchange engine;
};

// The index records of a route database, "route/kind WORD:pos:pos ..." each; only those of
// one kind when kind is 0 or more.
inline std::vector<std::string> IndexRecords(const std::string& path, int32_t onlyKind = -1) {
    std::vector<std::string> records;
    clsQVF qvf;
    qvf.SetVersion(3);
    EXPECT_FALSE(qvf.OpenQVF(path));
    while (qvf.ReadData()) {
        if (qvf.RecordType() != clsQVF::rtIndex) continue;
        int32_t route = 0, kind = 0;
        std::vector<QVFIndexEntry> entries;
        qvf.GetIndexEntries(route, kind, entries);
        if (onlyKind >= 0 && kind != onlyKind) continue;
        std::string text = std::to_string(route) + "/" + std::to_string(kind);
        for (const QVFIndexEntry& entry : entries) text += " " + entry.Text();
        records.push_back(text);
    }
    return records;
}

} // namespace dovrex::test
