#include "clsExchange.h"

#include "handheld_db/clsQVF.h"
#include "maps/clsExchMap.h"
#include "platform/BinaryFile.h"
#include "platform/ProgramFolder.h"
#include "platform/ProgramKey.h"
#include "platform/RuntimeError.h"
#include "platform/clsRegistry.h"
#include "platform/modRuntime.h"

#include <DovrexVersion.h>

#include <algorithm>
#include <limits>

namespace dovrex {

namespace {

std::string YesNo(bool value) { return value ? "Y" : "N"; }

int16_t LenientInt16(const std::string& text) {
    // A hand-edited value too large for 16 bits still means "on".
    const double value = RoundHalfEven(Val(text));
    return static_cast<int16_t>(std::clamp(value, -32768.0, 32767.0));
}

} // namespace

clsExchange::clsExchange(ILog& log, IMessageBox& messages, IProgress& progress, const IClock& clock,
                         LocaleFormats locale, std::string programFolder)
    : mLog(log), mMessages(messages), mProgress(progress), mClock(clock), mLocale(std::move(locale)),
      mProgramFolder(std::move(programFolder)) {}

clsExchange::~clsExchange() = default;

std::string clsExchange::ResolvedPath(const std::string& path) const { return ResolvePath(mProgramFolder, path); }

std::string clsExchange::GetParm(const std::string& Hive, const std::string& KeyName, const std::string& Default) {
    if (mRegistry == nullptr) return Default;
    const std::string value = mRegistry->GetValue(ProgramValuePath(Hive, KeyName)).ToText();
    return value.empty() ? Default : value;
}

bool clsExchange::SaveParm(const std::string& Hive, const std::string& KeyName, const std::string& ParmValue) {
    if (mRegistry == nullptr) return false;
    return mRegistry->SaveValue(ParmValue, ProgramValuePath(Hive, KeyName));
}

void clsExchange::LoadSettings() {
    mvarRouteSource = GetParm("Route", "Source", "");
    mvarRouteDestination = GetParm("Route", "Destination", "RouteQVF.pdb");
    mvarRouteMap = GetParm("Route", "Map", "");
    mvarRouteQVFType = GetParm("Route", "QVFType", "PDB");
    mvarReReadSource = GetParm("ReRead", "Source", "");
    mvarReReadDestination = GetParm("ReRead", "Destination", "RouteQVF.pdb");
    mvarReReadMap = GetParm("ReRead", "Map", "");
    mvarReReadQVFType = GetParm("ReRead", "QVFType", "PDB");
    mvarReadingSource = GetParm("Reading", "Source", "ReadingQVF.pdb");
    mvarReadingDestination = GetParm("Reading", "Destination", "");
    mvarReadingMap = GetParm("Reading", "Map", "");
    mvarAutoReRead = GetParm("Reading", "AutoReRead", "N") == "Y";
    mvarOrphanDestination = GetParm("Orphan", "Destination", "");
    mvarOrphanMap = GetParm("Orphan", "Map", "");
    mvarOrphanConvert = LenientInt16(GetParm("Orphan", "Convert", "0"));
    mvarOrphanReplace = LenientInt16(GetParm("Orphan", "Replace", "0"));
    mvarAutoInstall = GetParm("PRCInstall", "AutoInstall", "N") == "Y";
    mvarAutoInstallUnit = GetParm("PRCInstall", "Unit", "");
    mvarAutoInstallPrompt = GetParm("PRCInstall", "Prompt", "N") == "Y";
    mvarAutoInstallLeave = GetParm("PRCInstall", "Leave", "N") == "Y";
}

bool clsExchange::SaveSettings() {
    if (mRegistry == nullptr) return false;
    struct Setting {
        const char* Section;
        const char* Name;
        std::string Text;
    };
    const Setting settings[] = {
        {"Route", "Source", mvarRouteSource},
        {"Route", "Destination", mvarRouteDestination},
        {"Route", "QVFType", mvarRouteQVFType},
        {"Route", "Map", mvarRouteMap},
        {"ReRead", "Source", mvarReReadSource},
        {"ReRead", "Destination", mvarReReadDestination},
        {"ReRead", "QVFType", mvarReReadQVFType},
        {"ReRead", "Map", mvarReReadMap},
        {"Reading", "Source", mvarReadingSource},
        {"Reading", "Destination", mvarReadingDestination},
        {"Reading", "Map", mvarReadingMap},
        {"Reading", "AutoReRead", YesNo(mvarAutoReRead)},
        {"Orphan", "Destination", mvarOrphanDestination},
        {"Orphan", "Map", mvarOrphanMap},
        {"Orphan", "Convert", NumberText(mvarOrphanConvert)},
        {"Orphan", "Replace", NumberText(mvarOrphanReplace)},
        {"PRCInstall", "AutoInstall", YesNo(mvarAutoInstall)},
        {"PRCInstall", "Prompt", YesNo(mvarAutoInstallPrompt)},
        {"PRCInstall", "Leave", YesNo(mvarAutoInstallLeave)},
        {"PRCInstall", "Unit", mvarAutoInstallUnit},
    };
    // One locked rewrite of the store for all of them, rather than one per value.
    std::vector<clsRegistry::ValueSave> saves;
    for (const Setting& setting : settings) {
        saves.push_back({ProgramValuePath(setting.Section, setting.Name), Value(setting.Text)});
    }
    return mRegistry->SaveValues(saves);
}

std::string clsExchange::MapExtension(int32_t MapUse) {
    switch (MapUse) {
    case MapUseRoute:
    case MapUseReRead: return ".bcm";
    case MapUseReading: return ".brm";
    case MapUseOrphan: return ".bom";
    default: return {};
    }
}

std::string clsExchange::DefaultFileExtension(int32_t MapUse) {
    switch (MapUse) {
    case MapUseRoute:
    case MapUseReRead:
    case MapUseReading:
    case MapUseOrphan: return ".txt";
    default: return {};
    }
}

std::string clsExchange::TypeDescr(int32_t MapUse) {
    switch (MapUse) {
    case MapUseRoute: return "Route";
    case MapUseReRead: return "ReRead";
    case MapUseReading: return "Reading";
    case MapUseOrphan: return "Orphan";
    default: return {};
    }
}

int clsExchange::LookupFileVersion(int Major, int Minor) {
    if (Major == 1 && Minor == 2) return 1;
    if (Major == 1 && Minor == 3) return 2;
    if (Major == 1 && Minor >= 4 && Minor <= 6) return 3;
    if (Major == 3 && Minor == 0) return 3;
    mMessages.Inform(std::string("Contact Support - cannot determine internal file version from this version of ") +
                     version::ProductName);
    return 0;
}

void clsExchange::WriteLog(const std::string& message) { mLog.AddLog(message); }

void clsExchange::ShowError(const std::exception& e) {
    mMessages.Show(DescribeException(e), "Error", MsgButtons::OK, MsgIcon::Critical);
}

void clsExchange::WriteOpeningRecords(int32_t meterCount, const std::string& sourcePath,
                                      const std::string& headerUser1, const std::vector<std::string>& routeUser1) {
    const DateTime now = mClock.Now();
    const ConversionRun& run = Run();
    clsQVF& db = *run.RouteDatabase;
    db.AddNew();
    db.SetItem("RecType", Value(int64_t{0}));
    db.SetItem("RouteNbr", Value(static_cast<int64_t>(run.RouteList.size())));
    db.SetItem("Sequence", Value(DateNumber(now)));
    db.SetItem("MeterTagNbr", Value(TimeNumberHHNN(now)));
    db.SetItem("MeterType", Value(static_cast<int64_t>(db.Version())));
    db.SetItem("PrvReading", Value(meterCount));
    db.SetItem("ReadingDate", Value(DateNumber(now)));
    db.SetItem("Initials", Value("QVF loaded from " + sourcePath));
    if (!headerUser1.empty()) db.SetItem("User1", Value(headerUser1));
    db.WriteData();
    for (size_t i = 0; i < run.RouteList.size(); ++i) {
        db.AddNew();
        db.SetItem("RecType", Value(int64_t{1}));
        db.SetItem("RouteNbr", Value(static_cast<int64_t>(i + 1)));
        db.SetItem("PrvReading", Value(run.RouteMeterCount[i]));
        db.SetItem("Initials", Value(run.RouteList[i]));
        db.SetItem("ResponseText", Value(run.RouteList[i]));
        if (i < routeUser1.size()) db.SetItem("User1", Value(routeUser1[i]));
        db.WriteData();
    }
}

int16_t clsExchange::RouteFileType(const std::string& qvfType) const {
    return qvfType == "PRC" || qvfType == "PDB" ? ContainerPDB : ContainerVFS;
}

bool clsExchange::IsAllDigits(std::string_view text) {
    const std::string_view trimmed = TrimView(text);
    return !trimmed.empty() && std::all_of(trimmed.begin(), trimmed.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string clsExchange::CombineUser(const std::vector<std::string>& Values) {
    std::string joined = Join(Values, "~");
    std::replace(joined.begin(), joined.end(), '\0', '\x01');
    return joined;
}

} // namespace dovrex
