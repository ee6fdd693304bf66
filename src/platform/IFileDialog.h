#pragma once

// How the core asks the user for a file to open or a name to save under. Each front end
// answers: the desktop program with its file dialogs, the command line from its
// arguments or the terminal, a test from a prepared answer.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dovrex {

struct FileDialogRequest {
    bool Save = false;
    std::string Title;
    std::string DefaultExt; // appended when the user gives a name without an extension
    std::string Filename;   // the name the dialog starts with
    std::string InitDir;    // the folder shown at start
    std::vector<std::pair<std::string, std::string>> Filters; // description, pattern
    int16_t FilterIndex = 1; // 1-based
    int32_t Flags = 0;
};

struct FileDialogAnswer {
    std::string Filename; // the chosen full path
    int16_t FilterIndex = 1;
};

class IFileDialog {
public:
    virtual ~IFileDialog() = default;
    // Nothing when the user cancelled.
    virtual std::optional<FileDialogAnswer> Ask(const FileDialogRequest& request) = 0;
};

} // namespace dovrex
