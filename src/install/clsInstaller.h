#pragma once

#include "IPalmDesktop.h"

#include "platform/ILog.h"
#include "platform/IMessageBox.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

// Queues files for the HotSync users of Palm Desktop. Every queueing problem is shown
// in a message box and returned as the status; the caller decides what follows.
class clsInstaller {
public:
    // Files without a folder are looked for in programFolder.
    clsInstaller(IPalmDesktop& desktop, IMessageBox& messages, std::string programFolder);

    // The number of HotSync users now (none when Palm Desktop reports a negative count).
    int32_t UserCount();
    // Every user name, in user-database order.
    std::vector<std::string> UserNames();
    // Queues PrcFile for User, adding the user first: 0 when queued or already queued.
    int16_t PRC(const std::string& User, const std::string& PrcFile);
    // Takes PrcFile off User's queue: 0 when removed or when it was not queued.
    int16_t RemovePRC(const std::string& User, const std::string& PrcFile);

    // "Install to Unit(s)" for the checked units, in order: the application file and,
    // when asked, the two Meazura files, with a warning line for each Meazura file that
    // failed. An unexpected failure is shown in a message box and ends the run (false).
    bool InstallToUnits(const std::vector<std::string>& Units, const std::string& ApplicationFile, bool IncludeMeazura,
                        ILog& log);

    // The handheld application file of a program (its executable name or path, letter
    // case aside, extension ignored); empty under any other name.
    static std::string ApplicationFile(std::string_view ProgramName);

    static constexpr const char* MeazuraLibraryFile = "MeazuraLib_V302b.prc";
    static constexpr const char* MeazuraPatchFile = "MeazuraStartupPatch_V200b.prc";

private:
    void UndefinedError(int16_t status);

    IPalmDesktop& mDesktop;
    IMessageBox& mMessages;
    std::string mProgramFolder;
};

} // namespace dovrex
