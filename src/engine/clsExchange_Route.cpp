// The route conversion driver: checks the settings, loads the map, asks for prompt
// values and index creation, dispatches to the import of the map's file type and
// writes the closing lines.

#include "clsExchange.h"

#include "handheld_db/clsQVF.h"
#include "maps/clsExchMap.h"
#include "platform/BinaryFile.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <DovrexVersion.h>

namespace dovrex {

std::string clsExchange::PromptDisplay() {
    // Without a dialog to show, a map that asks for values cannot run.
    if (mPromptView == nullptr) {
        return PromptVariables::Rows(*mCurrentMap).empty() ? PromptActionOK : PromptActionCancel;
    }
    return PromptVariables::Display(*mCurrentMap, mPrompts, *mPromptView);
}

bool clsExchange::AskIndexControl() {
    const int16_t control = mAdvanced ? mAdvanced->IndexControl() : 1;
    switch (control) {
    case 0: return false;
    case 1: return true;
    case 2:
        return mMessages.Show("Create indexes?  \n(Takes longer to create and load, but speeds lookups in the field.)",
                              "Index Control", MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes;
    default: return true;
    }
}

bool clsExchange::ConvertRoute() {
    mCreateIndexes = true;
    mIndexPosition = 0;
    bool stateReset = false;
    bool result = false;
    try {
        if (Trim(mvarRouteSource).empty()) {
            WriteLog("Error: Route Source not specified");
            return false;
        }
        const std::string source = ResolvedPath(mvarRouteSource);
        if (!FileExists(source)) {
            WriteLog("Error: Route Source does not exist");
            return false;
        }
        WriteLog("Reading from " + source);
        if (Trim(mvarRouteDestination).empty()) {
            WriteLog("Error: Route Destination not specified");
            return false;
        }
        const std::string destination = ResolvedPath(mvarRouteDestination);
        WriteLog("Writing to " + destination);
        if (FileExists(destination)) {
            const bool overwrite = mMessages.Show(destination + " already exists.  Overwrite?",
                                                  "Route Destination already exists", MsgButtons::YesNo,
                                                  MsgIcon::Question) == MsgResult::Yes;
            if (!overwrite) {
                WriteLog("Error: Route Destination already exists");
                return false;
            }
            if (!DeleteFile(destination)) RaiseError(ErrPermissionDenied, "Permission denied (" + destination + ")");
            WriteLog("Notice: File " + destination + " overwritten on request");
        }
        if (mvarRouteMap.empty()) {
            WriteLog("Error: Route Conversion Map not specified");
            return false;
        }
        WriteLog("Using Map: " + mvarRouteMap);
        mCurrentMap = std::make_unique<clsExchMap>(mProgramFolder);
        if (!mCurrentMap->LoadMap(mvarRouteMap + MapExtension(MapUseRoute), MapUseRoute)) {
            WriteLog("Error: Could not load Route Conversion Map");
            return false;
        }
        const int32_t mapType = mCurrentMap->MapType();
        if (mapType == MapTypeMVRS && mCurrentMap->MapOptions(1) == "Y") {
            WriteLog("Notice: Special radio processing option is enabled");
        }
        if (mapType != MapTypeMVRS && mapType != MapTypeE5000) {
            std::string reason;
            if (!mCurrentMap->ValidateMap(reason)) {
                WriteLog("Error: " + reason);
                return false;
            }
        }
        mRouteDatabase = std::make_unique<clsQVF>(&mMessages);
        mRouteDatabase->SetVersion(LookupFileVersion(version::Major, version::Minor));
        if (PromptDisplay() == PromptActionCancel) {
            WriteLog("Error: Prompted entry of runtime variables cancelled");
            return false;
        }
        mCreateIndexes = AskIndexControl();
        const DateTime now = mClock.Now();
        WriteLog("Route Conversion Starting " + mLocale.ShortTime(now) + " " + mLocale.ShortDate(now));

        stateReset = true;
        mSourceFile.Close();
        ClearRoute();
        mLineNumber = 0;
        mMetersWritten = 0;
        mSeenTags.Clear();
        mConversionWarnings = false;
        mConversionProblems = false;

        bool imported = false;
        switch (mapType) {
        case MapTypeMVRS: RaiseError(ErrInvalidCall, "MVRS route files cannot be converted by this version");
        case MapTypeE5000: RaiseError(ErrInvalidCall, "E5000 route files cannot be converted by this version");
        default: imported = ConvertRouteFlat(); break;
        }

        // The last route's index records and the handheld configuration go in either way.
        if (mIndexer) mIndexer->IndexMeter(*mRouteDatabase, mCreateIndexes, 0, 0, "", "", "", "", "");
        if (mCodeRecords) {
            mCodeRecords->WriteLoginRecords(*mRouteDatabase);
            mCodeRecords->WriteSkipCodeRecords(*mRouteDatabase);
            mCodeRecords->WriteChangeoutRecords(*mRouteDatabase);
            mCodeRecords->WriteAlertRecords(*mRouteDatabase);
        }

        if (imported) {
            if (mMetersWritten == 0) {
                WriteLog("The RouteQVF contains no meter records. The RouteQVF file is unusable.");
                mSeenTags.Clear();
                mRouteDatabase.reset();
                mSourceFile.Close();
                return false;
            }
            WriteLog(NumberText(static_cast<int64_t>(mMetersWritten)) + " meters written to Route QVF File");
            mRouteDatabase->Close();
            mRouteDatabase.reset();
            if ((mvarRouteQVFType == "PRC" || mvarRouteQVFType == "PDB") && mvarAutoInstall) {
                if (!InstallPRC(destination)) {
                    WriteLog("Install Cancelled without selecting unit");
                    mConversionWarnings = true;
                }
            }
            result = true;
        } else {
            WriteLog("Route QVF File NOT created");
        }
    } catch (const std::exception& e) {
        ShowError(e);
        // Whatever was written is incomplete: the closing line must not read as a success.
        mConversionProblems = true;
        result = false;
    }

    if (mConversionProblems) WriteLog("Problems encountered; Route file unusable");
    else if (mConversionWarnings) WriteLog("Route Conversion Finished with Warnings");
    else WriteLog("Route Conversion Finished");
    WriteLog("");

    if (stateReset) {
        mSeenTags.Clear();
        mSourceFile.Close();
    }
    mRouteDatabase.reset();
    return result;
}

} // namespace dovrex
