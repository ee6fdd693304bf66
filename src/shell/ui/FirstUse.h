#pragma once

#include <string>

namespace dovrex::ui {

// A program folder that is new (missing or empty) gets the shipped samples: the maps
// beside the program's files, the billing files in "Samples". Nothing that exists is
// overwritten. Returns the number of files copied.
int CopySamplesIntoNewFolder(const std::string& programFolder, const std::string& samplesFolder);

// Where the shipped samples are: an installed program finds them at installedRelative
// from its executable's folder (e.g. "../share/dovrex/samples"); a program run from its
// build folder uses builtIn, the source tree's samples.
std::string ShippedSamplesFolder(const std::string& executableFolder, const std::string& installedRelative,
                                 const std::string& builtIn);

} // namespace dovrex::ui
