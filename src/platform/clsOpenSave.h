#pragma once

// The one wrapper through which the program asks for a file to open or a name to save
// under: properties in, ShowOpen or ShowSave, properties out. A cancelled dialog changes
// nothing, so a caller that started with an empty Filename reads an empty one as
// "cancelled".

#include "IFileDialog.h"

#include <cstdint>
#include <string>

namespace dovrex {

class clsOpenSave {
public:
    // dialog: the front end's dialogs; without one every dialog counts as cancelled.
    explicit clsOpenSave(IFileDialog* dialog);

    void ShowOpen();
    // With CancelError on, a cancelled dialog raises error 32755 "Cancel was selected".
    void ShowSave();

    bool CancelError = false;
    std::string DefaultExt;
    std::string DialogTitle;
    std::string FileTitle;   // out: the chosen file's name without its folder
    int16_t FilterIndex = 1; // in and out, 1-based
    int32_t Flags = 0;       // passed through to the dialog
    std::string InitDir = "C:\\";
    int16_t MaxFileSize = 260;
    int32_t hWnd = 0;
    int16_t FileExt = 0; // out: zero-based position of the extension in Filename, 0 without one

    // The name the dialog starts with (in) and the chosen path (out), up to its first NUL.
    std::string Filename() const;
    void SetFilename(std::string value) { mFilename = std::move(value); }
    // Pairs of description and pattern joined by "|"; kept with NULs for "|" and ending in
    // two NULs, as the old dialogs took it.
    const std::string& Filter() const { return mFilter; }
    void SetFilter(const std::string& value);

private:
    bool Show(bool save);

    IFileDialog* mDialog;
    std::string mFilename;
    std::string mFilter;
};

} // namespace dovrex
