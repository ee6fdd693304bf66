#pragma once

// Setup distribution files (".dst"): the program's settings and every conversion map of
// the program's folder bundled into one text file, to carry a complete setup to another
// computer.

#include "platform/IFileDialog.h"
#include "platform/IMessageBox.h"

#include <string>
#include <vector>

namespace dovrex {

class clsRegistry;

class clsDist {
public:
    // dialog: asked for the file when none is given; may be null (then nothing is asked).
    clsDist(clsRegistry& registry, IMessageBox& messages, IFileDialog* dialog, std::string programFolder);

    // Writes a distribution; asks for the name when Filename is empty. Every failure is
    // shown in a message box and gives false.
    bool WriteDist(const std::string& Filename);
    // Restores one; without a name it takes the program folder's only ".dst" file, else
    // asks. Format problems are shown and skipped; an unreadable file, a map section
    // without a map or a settings store that refuses a value raise an error.
    bool LoadDist(const std::string& Filename);

    // True for a name of the form "*.b?m" (letter case ignored) that names a file in the
    // program's folder itself: no folder separators, not "." or "..".
    static bool IsMapFileName(const std::string& name);

private:
    std::string AskFile(bool save);
    // The map files of the program's folder, ordered by name as the folder lists them.
    std::vector<std::string> MapFiles() const;
    void LoadMapSection(const std::string& section, const std::string& lineBreak);
    void LoadRegistrySection(const std::string& section, const std::string& lineBreak);

    clsRegistry& mRegistry;
    IMessageBox& mMessages;
    IFileDialog* mDialog;
    std::string mProgramFolder;
};

} // namespace dovrex
