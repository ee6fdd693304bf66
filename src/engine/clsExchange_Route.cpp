// The route conversion driver: checks the settings, loads the map, asks for prompt
// values and index creation, dispatches to the import of the map's file type and
// writes the closing lines.

#include "clsExchange.h"
#include "RunScope.h"

#include "handheld_db/clsQVF.h"
#include "maps/clsExchMap.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

namespace dovrex {

bool clsExchange::OpenRouteConversion() {
    ConversionRun& run = Run();
    if (!RequireSetting(mvarRouteSource, "Route Source")) return false;
    const std::string source = ResolvedPath(mvarRouteSource);
    if (!RequireExistingFile(source, "Route Source")) return false;
    WriteLog("Reading from " + source);
    if (!RequireSetting(mvarRouteDestination, "Route Destination")) return false;
    const std::string destination = ResolvedPath(mvarRouteDestination);
    WriteLog("Writing to " + destination);
    if (!ConfirmOverwrite(destination, "Route Destination", true)) return false;
    if (!RequireSetting(mvarRouteMap, "Route Conversion Map")) return false;
    WriteLog("Using Map: " + mvarRouteMap);
    if (!LoadConversionMap(mvarRouteMap, MapUseRoute, "Route Conversion Map")) return false;
    const int32_t mapType = run.CurrentMap->MapType();
    if (mapType == MapTypeMVRS && run.CurrentMap->MapOptions(1) == "Y") {
        WriteLog("Notice: Special radio processing option is enabled");
    }
    if (mapType != MapTypeMVRS && mapType != MapTypeE5000 && !ValidateConversionMap()) return false;
    run.RouteDatabase = NewRouteDatabase();
    if (!AskPromptValues()) return false;
    run.CreateIndexes = AskIndexControl();
    return true;
}

bool clsExchange::ConvertRoute() {
    if (Busy()) {
        WriteLog("Error: A conversion is already running");
        return false;
    }
    RunScope scope(*this, RunScope::RouteConversion);
    ConversionRun& run = *mRun;
    bool result = false;
    try {
        if (!OpenRouteConversion()) return false;
        LogConversionStart("Route Conversion Starting ");

        bool imported = false;
        switch (run.CurrentMap->MapType()) {
        case MapTypeMVRS: imported = ConvertRouteMVRS(); break;
        case MapTypeE5000: imported = ConvertRouteE5K(); break;
        default: imported = ConvertRouteFlat(); break;
        }

        // The last route's index records and the handheld configuration go in either way,
        // into a database that was created.
        IndexMeter(0, 0, "", "", "", "", "");
        if (run.RouteDatabaseCreated) {
            WriteLoginCodes();
            WriteSkipCodes();
            WriteChangeoutCodes();
            WriteAlertCodes();
        }

        if (imported) {
            if (run.MetersWritten == 0) {
                WriteLog("The RouteQVF contains no meter records. The RouteQVF file is unusable.");
                return false;
            }
            WriteLog(NumberText(static_cast<int64_t>(run.MetersWritten)) + " meters written to Route QVF File");
            run.RouteDatabase->Close();
            run.RouteDatabase.reset();
            if ((mvarRouteQVFType == "PRC" || mvarRouteQVFType == "PDB") && mvarAutoInstall) {
                if (!InstallPRC(ResolvedPath(mvarRouteDestination))) {
                    WriteLog("Install Cancelled without selecting unit");
                    run.ConversionWarnings = true;
                }
            }
            result = true;
        } else {
            WriteLog("Route QVF File NOT created");
        }
    } catch (const std::exception& e) {
        ShowError(e);
        // Whatever was written is incomplete: the closing line must not read as a success.
        run.ConversionProblems = true;
        result = false;
    }
    WriteClosingLines("Route Conversion Finished", "Problems encountered; Route file unusable");
    return result;
}

void clsExchange::WriteClosingLines(const std::string& finished, const std::string& failed) {
    const ConversionRun& run = Run();
    if (run.ConversionProblems) WriteLog(failed);
    else if (run.ConversionWarnings) WriteLog(finished + " with Warnings");
    else WriteLog(finished);
    WriteLog("");
}

} // namespace dovrex
