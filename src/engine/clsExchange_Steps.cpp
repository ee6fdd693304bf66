// The steps every conversion driver shares: the run's state, the checks of its settings,
// the overwrite question, the map, the prompt values, the index question and the
// starting line.

#include "clsExchange.h"
#include "RunScope.h"

#include "advanced/clsAdvanced.h"
#include "handheld_db/clsQVF.h"
#include "maps/clsExchMap.h"
#include "platform/BinaryFile.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <DovrexVersion.h>

namespace dovrex {

clsExchange::RunScope::RunScope(clsExchange& engine, Kind kind) : mEngine(engine), mKind(kind) {
    if (mEngine.mRun) RaiseError(ErrInvalidCall, "A conversion is already running");
    mEngine.mRun = std::make_unique<ConversionRun>();
    // The validation message count is the one piece of state that goes on from the last
    // route conversion; a route import resets it before writing meters.
    mEngine.mRun->ValidationMessageCount = mEngine.mRouteValidationMessages;
}

clsExchange::RunScope::~RunScope() {
    const ConversionRun& run = *mEngine.mRun;
    mEngine.mLastConversion = ConversionOutcome{run.MetersWritten,          run.ConversionWarnings,
                                                run.ConversionProblems,     run.CreateIndexes,
                                                run.ValidationMessageCount, run.RouteList};
    if (mKind == RouteConversion) mEngine.mRouteValidationMessages = run.ValidationMessageCount;
    mEngine.mRun.reset();
}

void clsExchange::NoConversionRunning() { RaiseError(ErrInvalidCall, "No conversion is running"); }

bool clsExchange::RequireSetting(const std::string& value, const std::string& what) {
    if (!Trim(value).empty()) return true;
    WriteLog("Error: " + what + " not specified");
    return false;
}

bool clsExchange::RequireExistingFile(const std::string& path, const std::string& what) {
    if (FileExists(path)) return true;
    WriteLog("Error: " + what + " does not exist");
    return false;
}

bool clsExchange::ConfirmOverwrite(const std::string& path, const std::string& what, bool deleteExisting) {
    if (!FileExists(path)) return true;
    const bool overwrite = mMessages.Show(path + " already exists.  Overwrite?", what + " already exists",
                                          MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes;
    if (!overwrite) {
        WriteLog("Error: " + what + " already exists");
        return false;
    }
    if (deleteExisting && !DeleteFile(path)) RaiseError(ErrPermissionDenied, "Permission denied (" + path + ")");
    WriteLog("Notice: File " + path + " overwritten on request");
    return true;
}

bool clsExchange::LoadConversionMap(const std::string& mapName, int32_t mapUse, const std::string& what) {
    ConversionRun& run = Run();
    run.CurrentMap = std::make_unique<clsExchMap>(mProgramFolder);
    if (run.CurrentMap->LoadMap(mapName + MapExtension(mapUse), mapUse)) return true;
    WriteLog("Error: Could not load " + what);
    return false;
}

bool clsExchange::ValidateConversionMap() {
    std::string reason;
    if (Run().CurrentMap->ValidateMap(reason)) return true;
    WriteLog("Error: " + reason);
    return false;
}

bool clsExchange::AskPromptValues() {
    const clsExchMap& map = *Run().CurrentMap;
    std::string action;
    if (mPromptView == nullptr) {
        // Without a dialog to show, a map that asks for values cannot run.
        action = PromptVariables::Rows(map).empty() ? PromptActionOK : PromptActionCancel;
    } else {
        action = PromptVariables::Display(map, mPrompts, *mPromptView);
    }
    if (action != PromptActionCancel) return true;
    WriteLog("Error: Prompted entry of runtime variables cancelled");
    return false;
}

bool clsExchange::AskIndexControl() {
    switch (Advanced().IndexControl()) {
    case 0: return false;
    case 1: return true;
    case 2:
        return mMessages.Show("Create indexes?  \n(Takes longer to create and load, but speeds lookups in the field.)",
                              "Index Control", MsgButtons::YesNo, MsgIcon::Question) == MsgResult::Yes;
    default: return true;
    }
}

void clsExchange::LogConversionStart(const std::string& caption) {
    const DateTime now = mClock.Now();
    WriteLog(caption + mLocale.ShortTime(now) + " " + mLocale.ShortDate(now));
}

std::unique_ptr<clsQVF> clsExchange::NewRouteDatabase() {
    auto database = std::make_unique<clsQVF>(&mMessages);
    database->SetVersion(LookupFileVersion(version::Major, version::Minor));
    return database;
}

bool clsExchange::CreateRouteDatabase(int64_t presize) {
    ConversionRun& run = Run();
    const std::string destination = ResolvedPath(mvarRouteDestination);
    if (run.RouteDatabase->CreateQVF(destination, RouteFileType(mvarRouteQVFType), CheckInt32(presize)) != 0) {
        WriteLog("Error: Could not Create Route QVF File");
        // Nothing usable was written: the closing line must say so.
        run.ConversionProblems = true;
        return false;
    }
    run.RouteDatabaseCreated = true;
    return true;
}

} // namespace dovrex
