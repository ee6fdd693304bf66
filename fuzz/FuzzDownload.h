#pragma once

// Shared by the billing download harnesses: the input is read line by line as download
// records, then converted into a route database with one of the shipped sample maps.

#include "FuzzFile.h"
#include "FuzzQuiet.h"

#include "billing/clsRecType.h"
#include "engine/clsExchange.h"

#include <exception>
#include <filesystem>

// Every record of the file: each field's value, the line built back and the listing.
template <class Reader> void ReadDownloadRecords(const std::string& path) {
    FuzzQuiet quiet;
    Reader download(&quiet);
    if (!download.OpenFile(path)) return;
    // A line of no known kind may end the pass as the end of the file does: read on
    // until the line count stops moving.
    for (int32_t before = -1; download.LineNo() != before;) {
        before = download.LineNo();
        if (const dovrex::clsRecType* record = download.ReadNext()) {
            for (size_t i = 0; i < record->Fields().size(); ++i) (void)record->ValueAt(i).ToText();
            (void)record->BuildLine(0);
            (void)record->Dump();
        }
        (void)download.Position255();
    }
}

// The route conversion of the file with the sample route map (copied once beside it).
inline void ConvertDownload(const std::string& source, const char* map) {
    static const bool ready = (std::filesystem::copy_file(std::string(DOVREX_SOURCE_DIR) + "/samples/maps/" + map + ".bcm",
                                                          FuzzFolder() + "/" + map + ".bcm",
                                                          std::filesystem::copy_options::overwrite_existing),
                               true);
    (void)ready;
    FuzzQuiet quiet;
    dovrex::NullProgress progress;
    dovrex::FixedClock clock({2026, 1, 2, 3, 4, 5});
    dovrex::clsExchange engine(quiet, quiet, progress, clock, {}, FuzzFolder());
    engine.SetRouteSource(source);
    engine.SetRouteDestination("out.pdb");
    engine.SetRouteMap(map);
    engine.ConvertRoute();
}

template <class Reader> int FuzzDownload(const uint8_t* data, size_t size, const char* map) {
    const std::string source = WriteFuzzFile("download.dat", data, size);
    try {
        ReadDownloadRecords<Reader>(source);
    } catch (const std::exception&) {
    }
    try {
        ConvertDownload(source, map);
    } catch (const std::exception&) {
    }
    return 0;
}
