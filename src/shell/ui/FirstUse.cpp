#include "FirstUse.h"

#include <filesystem>
#include <system_error>

namespace dovrex::ui {

namespace fs = std::filesystem;

int CopySamplesIntoNewFolder(const std::string& programFolder, const std::string& samplesFolder) {
    std::error_code error;
    if (fs::exists(programFolder, error) && !fs::is_empty(programFolder, error)) return 0;
    if (error || !fs::is_directory(samplesFolder, error)) return 0;
    int copied = 0;
    for (const auto& group : fs::directory_iterator(samplesFolder, error)) {
        if (!group.is_directory(error)) continue;
        // Maps are looked for in the program's folder itself.
        const fs::path target = group.path().filename() == "maps" ? fs::path(programFolder)
                                                                   : fs::path(programFolder) / "Samples";
        for (const auto& file : fs::directory_iterator(group.path(), error)) {
            if (!file.is_regular_file(error)) continue;
            fs::create_directories(target, error);
            std::error_code copyError;
            if (fs::copy_file(file.path(), target / file.path().filename(), fs::copy_options::skip_existing, copyError)) {
                ++copied;
            }
        }
    }
    return copied;
}

std::string ShippedSamplesFolder(const std::string& executableFolder, const std::string& installedRelative,
                                 const std::string& builtIn) {
    if (executableFolder.empty() || installedRelative.empty()) return builtIn;
    const fs::path installed = (fs::path(executableFolder) / installedRelative).lexically_normal();
    std::error_code error;
    return fs::is_directory(installed, error) ? installed.string() : builtIn;
}

} // namespace dovrex::ui
