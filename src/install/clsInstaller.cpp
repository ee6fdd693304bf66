#include "clsInstaller.h"

#include "clsPalmUsers.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>

namespace dovrex {

namespace {

// Relative file names are taken from the program's folder, which stands in for the
// current folder the queue expects; a bare name is spelt as one in the current folder.
std::string QueuedName(const std::string& file) {
    return file.find('/') != std::string::npos ? file : "./" + file;
}

} // namespace

clsInstaller::clsInstaller(IPalmDesktop& desktop, IMessageBox& messages, std::string programFolder)
    : mDesktop(desktop), mMessages(messages), mProgramFolder(std::move(programFolder)) {}

int32_t clsInstaller::UserCount() { return std::max(mDesktop.UmGetUserCount(), 0); }

std::vector<std::string> clsInstaller::UserNames() {
    std::vector<std::string> names;
    const int32_t count = UserCount();
    for (int32_t position = 0; position < count; ++position) {
        std::string name(UserNameBufferLength, '\0');
        mDesktop.UmGetUserName(mDesktop.UmGetUserID(position), name);
        names.push_back(clsPalmUsers::CleanZ(name));
    }
    return names;
}

void clsInstaller::UndefinedError(int16_t status) {
    mMessages.Inform("Undefined error: " + NumberText(status) + " occurred.");
}

int16_t clsInstaller::PRC(const std::string& User, const std::string& PrcFile) {
    mDesktop.UmAddUser(User, 0);
    const int16_t status = mDesktop.PltInstallFile(User, QueuedName(PrcFile));
    switch (status) {
    case PalmStatusOK: return 0;
    case PalmStatusAlreadyQueued:
        mMessages.Inform("Application (" + PrcFile + ") is already scheduled to be installed during next HotSync operation.");
        return 0;
    case PalmStatusFileNotFound:
        mMessages.Inform("Application not found in " + mProgramFolder + ": " + PrcFile);
        return status;
    default: UndefinedError(status); return status;
    }
}

int16_t clsInstaller::RemovePRC(const std::string& User, const std::string& PrcFile) {
    mDesktop.UmAddUser(User, 0);
    const int16_t status = mDesktop.PltRemoveInstallFile(User, PrcFile);
    switch (status) {
    case PalmStatusAlreadyQueued: return 0;
    case PalmStatusOK:
    case PalmStatusNotQueued:
    case PalmStatusFileNotFound: return status;
    default: UndefinedError(status); return status;
    }
}

bool clsInstaller::InstallToUnits(const std::vector<std::string>& Units, const std::string& ApplicationFile,
                                  bool IncludeMeazura, ILog& log) {
    try {
        for (const std::string& unit : Units) {
            PRC(unit, ApplicationFile);
            if (!IncludeMeazura) continue;
            if (PRC(unit, MeazuraLibraryFile) != 0) log.AddLog("Warning: Meazura Support extension file failed to install");
            if (PRC(unit, MeazuraPatchFile) != 0) log.AddLog("Warning: Meazura Startup patch file failed to install");
        }
        return true;
    } catch (const std::exception& e) {
        mMessages.Inform(DescribeException(e));
        return false;
    }
}

std::string clsInstaller::ApplicationFile(std::string_view ProgramName) {
    std::string_view name = ProgramName;
    if (const size_t slash = name.find_last_of("/\\"); slash != std::string_view::npos) name.remove_prefix(slash + 1);
    if (const size_t dot = name.rfind('.'); dot != std::string_view::npos) name = name.substr(0, dot);
    if (EqualsNoCase(name, "Dovrex")) return "PELLUCORA.PRC";
    if (EqualsNoCase(name, "Lumetra")) return "CASPELINE.PRC";
    if (EqualsNoCase(name, "ELumetra")) return "VEDERODARI.PRC";
    return {};
}

} // namespace dovrex
