#pragma once

#include <string>

namespace dovrex::ui {

// A program folder that is new (missing or empty) gets the shipped samples: the maps
// beside the program's files, the billing files in "Samples". Nothing that exists is
// overwritten. Returns the number of files copied.
int CopySamplesIntoNewFolder(const std::string& programFolder, const std::string& samplesFolder);

} // namespace dovrex::ui
