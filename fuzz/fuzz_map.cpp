// Loads a map file of any content, validates it and saves it again.

#include "FuzzFile.h"

#include "maps/clsExchMap.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteFuzzFile("m.bcm", data, size);
    try {
        dovrex::clsExchMap map(FuzzFolder());
        map.LoadMap("m.bcm", 1);
        std::string message;
        map.ValidateMap(message);
        (void)map.MapOptions(0);
        map.SetMapName("out.bcm");
        map.SaveMap();
    } catch (const std::exception&) {
    }
    return 0;
}
