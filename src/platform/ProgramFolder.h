#pragma once

#include <optional>
#include <string>

namespace dovrex {

// Where the program keeps its files on this machine.
struct ProgramLocations {
    std::string Home;        // maps, handheld application files, default databases
    std::string Registry;    // the settings store file
    std::string PalmDesktop; // the HotSync stand-in folder

    // From explicit options, else the environment ($DOVREX_HOME, $DOVREX_REGISTRY,
    // $DOVREX_PALM_DESKTOP), else the XDG folders. The home folder is created.
    static ProgramLocations Resolve(const std::optional<std::string>& home,
                                    const std::optional<std::string>& registry,
                                    const std::optional<std::string>& palmDesktop);
};

// A relative path is taken relative to base; absolute and empty paths stay as they are.
std::string ResolvePath(const std::string& base, const std::string& path);
// Joins a folder and a file name with one "/".
std::string JoinPath(const std::string& folder, const std::string& name);
// Creates a folder and its parents; true when it exists afterwards.
bool MakeFolders(const std::string& path);

} // namespace dovrex
