#pragma once

// Where the program keeps its settings in the settings store:
// HKEY_LOCAL_MACHINE\Software\Kelmora, Inc.\Dovrex\<Section>\<Name>.

#include <string>
#include <vector>

namespace dovrex {

inline constexpr const char* kProgramHive = "HKEY_LOCAL_MACHINE";
// The program's key below the hive, its parts joined with "\".
inline constexpr const char* kProgramKey = "Software\\Kelmora, Inc.\\Dovrex";

// The path of a key below the program's key ("Route", or "Advanced\\Logins"), as hive and key.
inline std::vector<std::string> ProgramKeyPath(const std::string& section) {
    return {kProgramHive, section.empty() ? std::string(kProgramKey) : std::string(kProgramKey) + "\\" + section};
}

// The path of one value below the program's key, as hive, key and value name.
inline std::vector<std::string> ProgramValuePath(const std::string& section, const std::string& name) {
    std::vector<std::string> path = ProgramKeyPath(section);
    path.push_back(name);
    return path;
}

} // namespace dovrex
