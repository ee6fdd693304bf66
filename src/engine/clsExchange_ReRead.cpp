// The re-read conversion: a text file of meters to visit again (typically transponder
// IDs) becomes a small route database with one route, "REREAD". Lines are parsed and
// checked by the flat route import's parser and validation.

#include "MeterRecordPlan.h"
#include "RunScope.h"
#include "clsExchange.h"

#include "handheld_db/clsQVF.h"
#include "maps/clsExchMap.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

namespace dovrex {

bool clsExchange::OpenReReadConversion() {
    ConversionRun& run = Run();
    if (!RequireSetting(mvarReReadSource, "ReRead Source")) return false;
    const std::string source = ResolvedPath(mvarReReadSource);
    if (!RequireExistingFile(source, "ReRead Source")) return false;
    WriteLog("Reading from " + source);
    if (!RequireSetting(mvarReReadDestination, "ReRead Destination")) return false;
    const std::string destination = ResolvedPath(mvarReReadDestination);
    WriteLog("Writing to " + destination);
    if (!ConfirmOverwrite(destination, "ReRead Destination", true)) return false;
    if (!RequireSetting(mvarReReadMap, "ReRead Conversion Map")) return false;
    WriteLog("Using Map: " + mvarReReadMap);
    if (!LoadConversionMap(mvarReReadMap, MapUseReRead, "ReRead Conversion Map")) return false;
    if (!ValidateConversionMap()) return false;
    run.RouteDatabase = NewRouteDatabase();
    if (!AskPromptValues()) return false;
    // Asked as for a route conversion, though a re-read database has no index records.
    run.CreateIndexes = AskIndexControl();
    return true;
}

bool clsExchange::ConvertReRead() {
    if (Busy()) {
        WriteLog("Error: A conversion is already running");
        return false;
    }
    // The run starts with the validation count of the last route conversion: the limit of
    // fifty messages counts those too.
    RunScope scope(*this, RunScope::OtherConversion);
    ConversionRun& run = *mRun;
    bool result = false;
    try {
        if (!OpenReReadConversion()) return false;
        LogConversionStart("ReRead Conversion Starting ");
        run.ClearRoute();
        run.ConversionWarnings = false;
        run.ConversionProblems = false;
        run.AddRoute("REREAD");
        run.LineNumber = 0;
        run.SeenTags.Clear();
        run.Layout = std::make_unique<RouteLineLayout>(*run.CurrentMap, mPrompts);

        // First pass: every line is a meter of the one route.
        const std::string source = ResolvedPath(mvarReReadSource);
        if (const int status = run.SourceFile.Open(source); status != 0) throw RuntimeError(status);
        int16_t lines = 0;
        std::string_view text;
        while (run.SourceFile.ReadLine(text)) {
            ++run.LineNumber;
            run.RouteMeterCount[0] = CheckInt16(static_cast<int64_t>(run.RouteMeterCount[0]) + 1);
            lines = CheckInt16(static_cast<int64_t>(lines) + 1);
        }
        run.SourceFile.Close();
        if (const int status = run.SourceFile.Open(source); status != 0) throw RuntimeError(status);
        // Until the reader meets a NUL byte, no line needs a search for one.
        run.SourceFile.WatchForNul();
        run.LineNumber = 0;
        run.SeenTags.Reserve(static_cast<size_t>(lines));

        const std::string destination = ResolvedPath(mvarReReadDestination);
        const int64_t presize = static_cast<int64_t>(run.RouteList.size()) + lines + 1;
        if (run.RouteDatabase->CreateQVF(destination, RouteFileType(mvarReReadQVFType), CheckInt32(presize)) != 0) {
            WriteLog("Error: Could not Create ReRead QVF File");
            return false;
        }
        WriteOpeningRecords(lines, source);
        MeterRecordPlan plan = PlanRouteMeterRecord(*run.Layout, *run.RouteDatabase, true);
        // Each line is a view of the reader's buffer, kept until the meter is written.
        static_assert(TextLineReader::LineSlack >= RecordSource::Slack);
        plan.LineViews = true;

        run.AutoNumberCounter = 0;
        run.MetersWritten = 0;
        const uint64_t length = std::max<uint64_t>(run.SourceFile.Length(), 1);
        ParsedLine line;
        for (;;) {
            SetProgress(255, static_cast<int32_t>(255 * run.SourceFile.Position() / length));
            if (!run.SourceFile.ReadLine(text)) break;
            ++run.LineNumber;
            ParseRoute(text, line, &plan);
            const int16_t validation = ValidateRoute(line);
            if (validation == ValidationWarned) run.ConversionWarnings = true;
            if (validation == ValidationProblem) run.ConversionProblems = true;
            // The line is not written, and the log ends with the validation messages.
            if (validation == ValidationStop) return false;
            WriteMeterRecord(plan, line, 1);
            ++run.MetersWritten;
        }

        if (run.ConversionProblems) {
            WriteLog("Problems encountered; Route file unusable");
            return false;
        }
        if (run.MetersWritten == 0) {
            WriteLog("The ReReadQVF contains no meter records. The ReReadQVF file is unusable.");
            return false;
        }
        // Every line written counts, manual meters (which are not in the tag set) too.
        WriteLog(NumberText(static_cast<int64_t>(run.MetersWritten)) + " meters written to ReRead QVF File");
        run.RouteDatabase->Close();
        run.RouteDatabase.reset();
        if ((mvarReReadQVFType == "PRC" || mvarReReadQVFType == "PDB") && mvarAutoInstall) InstallPRC(destination);
        result = true;
    } catch (const std::exception& e) {
        ShowError(e);
        result = false;
    }
    run.SeenTags.Clear();
    WriteLog(run.ConversionWarnings ? "ReRead Conversion Finished with Warnings" : "ReRead Conversion Finished");
    WriteLog("");
    return result;
}

} // namespace dovrex
