#include "ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace dovrex {

namespace {

std::optional<std::string> Env(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

std::string XdgFolder(const char* variable, const char* fallback) {
    if (auto value = Env(variable)) return *value;
    const std::string home = Env("HOME").value_or(".");
    return JoinPath(home, fallback);
}

} // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string ResolvePath(const std::string& base, const std::string& path) {
    if (path.empty() || path.front() == '/' || base.empty()) return path;
    return JoinPath(base, path);
}

bool MakeFolders(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}

ProgramLocations ProgramLocations::Resolve(const std::optional<std::string>& home,
                                           const std::optional<std::string>& registry,
                                           const std::optional<std::string>& palmDesktop) {
    ProgramLocations locations;
    locations.Home = home ? *home : Env("DOVREX_HOME").value_or(JoinPath(XdgFolder("XDG_DATA_HOME", ".local/share"), "Dovrex"));
    // Settings paths are taken from the program's folder and handed on as they are (to the
    // HotSync queue, which takes relative names from that folder too), so it is made
    // absolute once, here.
    std::error_code error;
    if (auto absolute = std::filesystem::absolute(locations.Home, error); !error) locations.Home = absolute.string();
    MakeFolders(locations.Home);
    locations.Registry = registry ? *registry
                                  : Env("DOVREX_REGISTRY").value_or(
                                        JoinPath(JoinPath(XdgFolder("XDG_CONFIG_HOME", ".config"), "Dovrex"), "registry.ini"));
    locations.PalmDesktop = palmDesktop ? *palmDesktop
                                        : Env("DOVREX_PALM_DESKTOP").value_or(JoinPath(locations.Home, "PalmDesktop"));
    return locations;
}

} // namespace dovrex
