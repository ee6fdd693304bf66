// Loads a distribution file of any content into an empty program folder and settings
// store, then writes the distribution back. Restoring a distribution writes map files:
// every file it leaves must be in the program folder or the store's folder.

#include "FuzzFile.h"
#include "FuzzQuiet.h"

#include "platform/ProgramKey.h"
#include "platform/clsRegistry.h"
#include "shell/clsDist.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

namespace {

// The places a load may write to lie two levels down, so that a name that climbs out of
// them lands in the fuzz folder, where it is seen.
std::string Place(const char* name) { return FuzzFolder() + "/a/b/" + name; }

void CheckNothingOutside() {
    const std::filesystem::path program = Place("program"), store = Place("store");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(FuzzFolder())) {
        if (entry.is_directory()) continue;
        const std::filesystem::path folder = entry.path().parent_path();
        if (folder != program && folder != store) {
            std::fprintf(stderr, "written outside the program folder: %s\n", entry.path().c_str());
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::filesystem::remove_all(FuzzFolder() + "/a");
    std::filesystem::create_directories(Place("program"));
    std::filesystem::create_directories(Place("store"));
    // The only distribution of the program folder is the one taken without a name.
    WriteFuzzFile("a/b/program/setup.dst", data, size);
    FuzzQuiet quiet;
    try {
        dovrex::clsRegistry registry(Place("store") + "/settings.reg", &quiet);
        dovrex::clsDist dist(registry, quiet, nullptr, Place("program"));
        if (dist.LoadDist("")) {
            (void)registry.GetKeyInfo(0, dovrex::ProgramKeyPath(""));
            dist.WriteDist(Place("program") + "/out.dst");
        }
    } catch (const std::exception&) {
    }
    CheckNothingOutside();
    return 0;
}
