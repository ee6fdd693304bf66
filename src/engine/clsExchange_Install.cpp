// Handing finished databases to the HotSync install queue, and the "Install to Unit(s)"
// command's installation of the handheld application.

#include "clsExchange.h"

#include "install/clsInstaller.h"
#include "install/clsPalmUsers.h"
#include "platform/BinaryFile.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

namespace dovrex {

IPalmDesktop& clsExchange::PalmDesktop() {
    if (mPalmDesktop == nullptr) RaiseError(ErrInvalidCall, "Palm Desktop is not available");
    return *mPalmDesktop;
}

std::vector<std::string> clsExchange::UnitNames() { return clsPalmUsers(PalmDesktop()).Names(); }

bool clsExchange::InstallPRC(const std::string& SourcePRC) {
    try {
        std::string unit = Trim(mvarAutoInstallUnit);
        if (mvarAutoInstallPrompt || unit.empty()) {
            unit = mUnitChooser == nullptr ? std::string() : mUnitChooser->ChooseUnit(UnitNames());
        }
        if (unit.empty()) return false;

        clsInstaller installer(PalmDesktop(), mMessages, mProgramFolder);
        // A database of the same name queued earlier is replaced, not kept.
        installer.RemovePRC(unit, SourcePRC);
        if (installer.PRC(unit, SourcePRC) != 0) {
            WriteLog("Error: Unable to automatically install route to Handheld unit");
            return false;
        }
        WriteLog("Info: " + SourcePRC + " copied to HotSync install folder for " + unit);
        if (!mvarAutoInstallLeave) {
            if (DeleteFile(SourcePRC)) WriteLog("Info: " + SourcePRC + " Removed from destination folder");
            else WriteLog("Warning: " + SourcePRC + " could not be removed from destination folder");
        }
        return true;
    } catch (const std::exception& e) {
        WriteLog("Error: " + DescribeException(e) + " occurred during auto install");
        ShowError(e);
        return false;
    }
}

bool clsExchange::InstallToUnits(const std::vector<std::string>& Units, bool IncludeMeazura,
                                 const std::string& ProgramName) {
    try {
        clsInstaller installer(PalmDesktop(), mMessages, mProgramFolder);
        return installer.InstallToUnits(Units, clsInstaller::ApplicationFile(ProgramName), IncludeMeazura, mLog);
    } catch (const std::exception& e) {
        mMessages.Inform(DescribeException(e));
        return false;
    }
}

} // namespace dovrex
