// Reads a settings store file of any content: as text into a tree and back, which must
// be stable (a store saved twice stays the same), and through the store itself, listing,
// reading and changing a value.

#include "FuzzFile.h"
#include "FuzzQuiet.h"

#include "platform/ProgramKey.h"
#include "platform/RegistryText.h"
#include "platform/clsRegistry.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string written = dovrex::FormatRegistryText(dovrex::ParseRegistryText(bytes));
    if (dovrex::FormatRegistryText(dovrex::ParseRegistryText(written)) != written) {
        std::fprintf(stderr, "the store file changes each time it is saved:\n%s\n", written.c_str());
        std::abort();
    }

    const std::string path = WriteFuzzFile("settings.reg", data, size);
    FuzzQuiet quiet;
    try {
        dovrex::clsRegistry registry(path, &quiet);
        (void)registry.GetKeyInfo(0, {"HKEY_LOCAL_MACHINE", "Software"});
        (void)registry.GetKeys(dovrex::ProgramKeyPath(""));
        (void)registry.GetValues(dovrex::ProgramKeyPath("Route"));
        (void)registry.GetValue(dovrex::ProgramValuePath("Route", "Source"));
        registry.SaveValue(dovrex::Value("route.txt"), dovrex::ProgramValuePath("Route", "Source"));
        registry.DeleteValue(dovrex::ProgramValuePath("Route", "Map"));
    } catch (const std::exception&) {
    }
    return 0;
}
