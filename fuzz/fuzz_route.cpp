// Converts a route file of any content with a fixed-width and a delimited map.

#include "FuzzFile.h"
#include "FuzzQuiet.h"

#include "engine/clsExchange.h"
#include "maps/clsExchMap.h"
#include "platform/BinaryFile.h"

#include <exception>

namespace {

void WriteMaps(const std::string& folder) {
    dovrex::clsExchMap fixed(folder);
    fixed.NewMap("F.bcm", 1);
    fixed.SetMapType(1);
    const char* fields[] = {"RouteNbr", "Sequence", "MeterTagNbr", "MeterType", "ReadType", "UtilityCode",
                            "ServiceAddress", "Digits", "LstReadingDate", "User1"};
    int position = 1;
    for (const char* field : fields) {
        fixed.SetMapping(field, std::to_string(position), "3");
        position += 3;
    }
    fixed.SaveMap();
    dovrex::clsExchMap delimited(folder);
    delimited.NewMap("D.bcm", 1);
    delimited.SetMapType(2);
    delimited.SetMapDelimiter(",");
    delimited.SetMapQuote("\"");
    position = 1;
    for (const char* field : fields) delimited.SetMapping(field, std::to_string(position++), "0");
    delimited.SaveMap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (WriteMaps(FuzzFolder()), true);
    (void)ready;
    const std::string source = WriteFuzzFile("route.txt", data, size);
    FuzzQuiet quiet;
    dovrex::NullProgress progress;
    dovrex::FixedClock clock({2026, 1, 2, 3, 4, 5});
    dovrex::clsExchange engine(quiet, quiet, progress, clock, {}, FuzzFolder());
    engine.SetRouteSource(source);
    engine.SetRouteDestination("out.pdb");
    for (const char* map : {"F", "D"}) {
        engine.SetRouteMap(map);
        engine.ConvertRoute();
    }
    return 0;
}
