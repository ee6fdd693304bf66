#include "clsOpenSave.h"

#include "RuntimeError.h"
#include "modRuntime.h"

#include <algorithm>

namespace dovrex {

namespace {

constexpr int kCancelSelected = 32755;

// The stored filter back into its description and pattern pairs.
std::vector<std::pair<std::string, std::string>> FilterPairs(const std::string& stored) {
    std::vector<std::string> parts = Split(stored, std::string_view("\0", 1));
    while (!parts.empty() && parts.back().empty()) parts.pop_back();
    std::vector<std::pair<std::string, std::string>> pairs;
    for (size_t i = 0; i < parts.size(); i += 2) pairs.emplace_back(parts[i], i + 1 < parts.size() ? parts[i + 1] : "");
    return pairs;
}

} // namespace

clsOpenSave::clsOpenSave(IFileDialog* dialog) : mDialog(dialog) { SetFilter("All Files (*.*)|*.*"); }

std::string clsOpenSave::Filename() const { return mFilename.substr(0, mFilename.find('\0')); }

void clsOpenSave::SetFilter(const std::string& value) {
    mFilter = value;
    for (char& c : mFilter) {
        if (c == '|') c = '\0';
    }
    const std::string_view ending = std::string_view("\0\0", 2);
    if (!EndsWith(mFilter, ending)) mFilter += EndsWith(mFilter, ending.substr(1)) ? ending.substr(1) : ending;
}

void clsOpenSave::ShowOpen() { Show(false); }

void clsOpenSave::ShowSave() {
    if (!Show(true) && CancelError) RaiseError(kCancelSelected, "Cancel was selected");
}

bool clsOpenSave::Show(bool save) {
    if (mDialog == nullptr) return false;
    FileDialogRequest request;
    request.Save = save;
    request.Title = DialogTitle;
    request.DefaultExt = DefaultExt;
    request.Filename = Filename();
    request.InitDir = InitDir;
    request.Filters = FilterPairs(mFilter);
    request.FilterIndex = FilterIndex;
    request.Flags = Flags;
    const std::optional<FileDialogAnswer> answer = mDialog->Ask(request);
    if (!answer) return false;
    mFilename = Trim(answer->Filename);
    const size_t slash = mFilename.find_last_of('/');
    const size_t titleStart = slash == std::string::npos ? 0 : slash + 1;
    FileTitle = Trim(std::string_view(mFilename).substr(titleStart));
    const size_t dot = mFilename.rfind('.');
    FileExt = dot == std::string::npos || dot < titleStart ? 0 : static_cast<int16_t>(std::min<size_t>(dot + 1, 32767));
    FilterIndex = answer->FilterIndex;
    return true;
}

} // namespace dovrex
