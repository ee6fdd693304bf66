// The distribution file, lines ending in CR LF:
//
//   DIST 1.0
//   [REGISTRY]
//   <the listing of the program's settings key>
//   <an empty line>
//   [ROUTE MAP name.bcm]        (READING MAP for .brm, ORPHAN MAP for .bom,
//   <the map file's bytes>       UNKNOWN MAP for any other *.b?m)
//   ...
//   <one final line break>

#include "clsDist.h"

#include "platform/BinaryFile.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramKey.h"
#include "platform/RuntimeError.h"
#include "platform/clsOpenSave.h"
#include "platform/clsRegistry.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace dovrex {

namespace {

constexpr const char* kTitle = "Distribution";
constexpr const char* kFilter = "Distribution Files (*.dst)|*.dst|All Files(*.*)|*.*";
constexpr size_t kHeaderScan = 200; // how much of a map section the name is looked for in

// The files of a folder whose names satisfy keep, ordered by name ignoring letter case
// (the order the old platform's folders list them in).
std::vector<std::string> FolderFiles(const std::string& folder, bool (*keep)(const std::string&)) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        const std::string name = it->path().filename().string();
        if (keep(name)) names.push_back(name);
    }
    if (error) throw FileError(error.value(), folder);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string ua = UCase(a), ub = UCase(b);
        return ua != ub ? ua < ub : a < b;
    });
    return names;
}

bool IsDistributionName(const std::string& name) { return name.size() > 4 && UCase(name.substr(name.size() - 4)) == ".DST"; }

std::string SectionHeader(const std::string& name) {
    const std::string extension = UCase(name.substr(name.size() - 4));
    if (extension == ".BCM") return "[ROUTE MAP " + name + "]";
    if (extension == ".BRM") return "[READING MAP " + name + "]";
    if (extension == ".BOM") return "[ORPHAN MAP " + name + "]";
    return "[UNKNOWN MAP " + name + "]";
}

void DropEnding(std::string& text, const std::string& ending) {
    if (EndsWith(text, ending)) text.resize(text.size() - ending.size());
}

} // namespace

clsDist::clsDist(clsRegistry& registry, IMessageBox& messages, IFileDialog* dialog, std::string programFolder)
    : mRegistry(registry), mMessages(messages), mDialog(dialog), mProgramFolder(std::move(programFolder)) {}

bool clsDist::IsMapFileName(const std::string& name) {
    if (name.size() < 5 || name == "." || name == "..") return false;
    if (name.find_first_of(std::string("/\\\0", 3)) != std::string::npos) return false;
    const std::string extension = UCase(name.substr(name.size() - 4));
    return extension[0] == '.' && extension[1] == 'B' && extension[3] == 'M';
}

std::string clsDist::AskFile(bool save) {
    clsOpenSave dialog(mDialog);
    dialog.CancelError = false;
    dialog.DialogTitle = save ? "Save Distribution" : "Load Distribution";
    dialog.DefaultExt = "DST";
    dialog.InitDir = mProgramFolder;
    dialog.SetFilter(kFilter);
    dialog.Flags = save ? 0x8 : 0x80008;
    if (save) dialog.ShowSave();
    else dialog.ShowOpen();
    return dialog.Filename();
}

std::vector<std::string> clsDist::MapFiles() const { return FolderFiles(mProgramFolder, &IsMapFileName); }

bool clsDist::WriteDist(const std::string& Filename) {
    try {
        const std::string name = Filename.empty() ? AskFile(true) : Filename;
        if (name.empty()) return false;

        std::string maps;
        for (const std::string& map : MapFiles()) {
            maps += SectionHeader(map) + "\r\n";
            maps += ReadWholeFile(JoinPath(mProgramFolder, map));
            // The next header must begin a line, or loading would take it for map text.
            if (!EndsWith(maps, "\r\n")) maps += "\r\n";
        }
        const std::string listing = mRegistry.GetKeyInfo(0, {kProgramHive, std::string(kProgramKey) + "\\"});

        WriteWholeFile(name, "DIST 1.0\r\n[REGISTRY]\r\n" + listing + "\r\n" + maps + "\r\n");
        mMessages.Inform(name + " written.", kTitle);
        return true;
    } catch (const std::exception& e) {
        mMessages.Inform(DescribeException(e), kTitle);
        return false;
    }
}

bool clsDist::LoadDist(const std::string& Filename) {
    std::string name = Filename;
    if (name.empty()) {
        const std::vector<std::string> found = FolderFiles(mProgramFolder, &IsDistributionName);
        if (found.size() == 1) name = JoinPath(mProgramFolder, found.front());
    }
    if (name.empty()) name = AskFile(false);
    if (name.empty()) return false;

    const std::string text = ReadWholeFile(name);
    const std::string lineBreak = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::vector<std::string> sections = Split(text, lineBreak + "[");
    if (!StartsWith(sections.front(), "DIST ")) {
        mMessages.Inform("Distribution file not properly formatted", kTitle);
        return false;
    }
    // The file's final line break and the line break that ends the last map's text close
    // the last section, as the line break before the next "[" closes every other one.
    DropEnding(sections.back(), lineBreak);
    DropEnding(sections.back(), lineBreak);

    for (size_t i = 1; i < sections.size(); ++i) {
        const std::string& section = sections[i];
        const std::string upper = UCase(section.substr(0, kHeaderScan));
        if (StartsWith(upper, "ROUTE MAP") || StartsWith(upper, "READING MAP") || StartsWith(upper, "ORPHAN MAP")) {
            LoadMapSection(section, lineBreak);
        } else if (StartsWith(upper, "REGISTRY")) {
            LoadRegistrySection(section, lineBreak);
        }
        // Anything else (an unknown map among them) is not restored.
    }
    mMessages.Inform(name + " loaded.", kTitle);
    return true;
}

void clsDist::LoadMapSection(const std::string& section, const std::string& lineBreak) {
    const std::string head = section.substr(0, kHeaderScan);
    const size_t map = head.find(" MAP ");
    const size_t close = map == std::string::npos ? std::string::npos : head.find(']', map + 5);
    const std::string name = close == std::string::npos ? std::string() : head.substr(map + 5, close - map - 5);
    // The name becomes a file of the program's folder: nothing else may be written.
    if (!IsMapFileName(name)) {
        mMessages.Inform("Improperly formatted map file");
        return;
    }
    const size_t start = section.find("QVF=", close);
    if (start == std::string::npos) {
        RaiseError(ErrBadFileFormat, "Map file " + name + " in the distribution holds no map (QVF= missing)");
    }
    WriteWholeFile(JoinPath(mProgramFolder, name), section.substr(start) + lineBreak);
}

void clsDist::LoadRegistrySection(const std::string& section, const std::string& lineBreak) {
    std::string subkey;
    std::vector<clsRegistry::ValueSave> values;
    for (const std::string& raw : Split(section, lineBreak)) {
        const std::string line = Trim(raw);
        if (line.empty() || line == "REGISTRY]") continue;
        if (EndsWith(line, ":")) {
            subkey = line.substr(0, line.size() - 1);
            continue;
        }
        const size_t marker = line.find("> ");
        const size_t equals = marker == std::string::npos ? std::string::npos : line.find('=', marker + 2);
        if (equals == std::string::npos) {
            mMessages.Inform("Improperly formatted registry entry\r\n" + line);
            continue;
        }
        const std::string name = Trim(std::string_view(line).substr(marker + 2, equals - marker - 2));
        // A listed value reads "> Name = "text"": the value starts at the third character
        // after the "=", past the blank and the opening quote. A number is listed as
        // "&H" and hex digits without quotes and is kept whole.
        const std::string afterEquals = LTrim(std::string_view(line).substr(equals + 1));
        std::string value;
        if (StartsWith(afterEquals, "&H")) {
            value = Trim(afterEquals);
        } else {
            value = Trim(equals + 3 <= line.size() ? std::string_view(line).substr(equals + 3) : std::string_view());
            if (StartsWith(value, "\"")) value.erase(0, 1);
            if (EndsWith(value, "\"")) value.pop_back();
        }
        values.push_back({{kProgramHive, "Software", "Kelmora, Inc.", "Dovrex", subkey, name}, value});
    }
    // One update of the store for the whole section.
    if (!values.empty() && !mRegistry.SaveValues(values)) {
        const std::string reason = mRegistry.LastError();
        RaiseError(ErrPathFileAccess, reason.empty() ? "The settings could not be saved in " + mRegistry.StorePath() : reason);
    }
}

} // namespace dovrex
