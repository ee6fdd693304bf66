#pragma once

// The working state of one conversion: created when a conversion starts and dropped
// when it ends, so that nothing of one run leaks into the next.

#include "ReadingLineLayout.h"
#include "RouteLineLayout.h"

#include "maps/clsExchMap.h"

#include "handheld_db/clsIndex.h"
#include "handheld_db/clsQVF.h"

#include "platform/TextLineReader.h"
#include "platform/ValueCollection.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

class clsAdvanced;

struct ConversionRun {
    std::unique_ptr<clsExchMap> CurrentMap;
    std::unique_ptr<clsQVF> RouteDatabase;
    // The map's fields resolved for the lines of a flat source.
    std::unique_ptr<RouteLineLayout> Layout;
    // Route number texts in order of first appearance, and the meters counted for each.
    std::vector<std::string> RouteList;
    std::vector<int16_t> RouteMeterCount;
    CaseInsensitiveSet SeenTags;
    TextLineReader SourceFile;
    int32_t LineNumber = 0;
    int32_t MetersWritten = 0;
    int16_t AutoNumberCounter = 0;
    int16_t ValidationMessageCount = 0;
    int16_t IndexPosition = 0;
    std::string CurrentReadType;
    bool ConversionWarnings = false;
    bool ConversionProblems = false;
    bool CreateIndexes = true;
    // The first pass over a flat source only counts routes and lines.
    bool CountingOnly = false;
    // The output fields of a reading or orphan map, and whether the meter being built is
    // the first of a reading export (the one that reports defaulted values).
    std::unique_ptr<ReadingLineLayout> ReadingLayout;
    bool FirstMeter = false;
    // The readings export's text buffer, reused from field to field and line to line: a
    // field's text, or a date or time as the reading map formats it.
    std::string FormattedText;
    // The word index of the route being written: one collector per index kind (element k
    // holds kind k) while a route is indexed, none otherwise; and the route of the last
    // meter indexed.
    std::vector<clsIndex> IndexCollectors;
    int32_t LastIndexedRoute = 0;
    // The upper-cased text of the field being indexed, reused for every meter, and the
    // configuration whose excluded words apply, taken once per conversion.
    std::string IndexText;
    const clsAdvanced* IndexAdvanced = nullptr;
    // The import created the route database file (the code records go only into one).
    bool RouteDatabaseCreated = false;

    void ClearRoute();
    // The 1-based position of the route number text, appended when new.
    int16_t AddRoute(const std::string& NewRoute);
};

// What a finished conversion leaves for its caller to report on. Of it, only the
// validation message count is taken over by a later conversion (the re-read conversion).
struct ConversionOutcome {
    int32_t MetersWritten = 0;
    bool ConversionWarnings = false;
    bool ConversionProblems = false;
    bool CreateIndexes = true;
    int16_t ValidationMessageCount = 0;
    std::vector<std::string> RouteList;
};

} // namespace dovrex
