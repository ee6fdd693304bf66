#pragma once

#include "ConversionRun.h"
#include "PromptVariables.h"
#include "RouteLineLayout.h"
#include "clsPrompts.h"

#include "install/IPalmDesktop.h"
#include "install/IUnitChooser.h"
#include "maps/clsExchMap.h"

#include "platform/DateTime.h"
#include "platform/ILog.h"
#include "platform/IMessageBox.h"
#include "platform/IProgress.h"
#include "platform/ValueCollection.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace dovrex {

class clsAdvanced;
class clsQVF;
class RecordAssembly;

// What validating a route line gives.
enum ValidationResult : int16_t { ValidationClean = 0, ValidationWarned = 1, ValidationProblem = 2, ValidationStop = 3 };
class clsRegistry;

// The conversion engine: every conversion setting and every conversion.
class clsExchange {
public:
    clsExchange(ILog& log, IMessageBox& messages, IProgress& progress, const IClock& clock, LocaleFormats locale,
                std::string programFolder);
    ~clsExchange();
    clsExchange(const clsExchange&) = delete;
    clsExchange& operator=(const clsExchange&) = delete;

    // Collaborators that may be attached; without them the matching steps are skipped.
    void SetRegistry(clsRegistry* registry) { mRegistry = registry; }
    void SetPromptView(IPromptVariablesView* view) { mPromptView = view; }
    // The advanced configuration the conversions use; without one, the program's shared
    // instance for the attached settings store.
    void SetAdvanced(clsAdvanced* advanced) { mAdvanced = advanced; }
    // Palm Desktop, whose HotSync users and install queue take the finished databases;
    // without it an installation fails with its reason.
    void SetPalmDesktop(IPalmDesktop* desktop) { mPalmDesktop = desktop; }
    // "Install To Unit"; without it the question counts as cancelled.
    void SetUnitChooser(IUnitChooser* chooser) { mUnitChooser = chooser; }

    // Settings.
    const std::string& RouteSource() const { return mvarRouteSource; }
    void SetRouteSource(std::string v) { mvarRouteSource = std::move(v); }
    const std::string& RouteDestination() const { return mvarRouteDestination; }
    void SetRouteDestination(std::string v) { mvarRouteDestination = std::move(v); }
    const std::string& RouteMap() const { return mvarRouteMap; }
    void SetRouteMap(std::string v) { mvarRouteMap = std::move(v); }
    const std::string& RouteQVFType() const { return mvarRouteQVFType; }
    void SetRouteQVFType(std::string v) { mvarRouteQVFType = std::move(v); }
    const std::string& ReReadSource() const { return mvarReReadSource; }
    void SetReReadSource(std::string v) { mvarReReadSource = std::move(v); }
    const std::string& ReReadDestination() const { return mvarReReadDestination; }
    void SetReReadDestination(std::string v) { mvarReReadDestination = std::move(v); }
    const std::string& ReReadMap() const { return mvarReReadMap; }
    void SetReReadMap(std::string v) { mvarReReadMap = std::move(v); }
    const std::string& ReReadQVFType() const { return mvarReReadQVFType; }
    void SetReReadQVFType(std::string v) { mvarReReadQVFType = std::move(v); }
    const std::string& ReadingSource() const { return mvarReadingSource; }
    void SetReadingSource(std::string v) { mvarReadingSource = std::move(v); }
    const std::string& ReadingDestination() const { return mvarReadingDestination; }
    void SetReadingDestination(std::string v) { mvarReadingDestination = std::move(v); }
    const std::string& ReadingMap() const { return mvarReadingMap; }
    void SetReadingMap(std::string v) { mvarReadingMap = std::move(v); }
    bool AutoReRead() const { return mvarAutoReRead; }
    void SetAutoReRead(bool v) { mvarAutoReRead = v; }
    const std::string& OrphanDestination() const { return mvarOrphanDestination; }
    void SetOrphanDestination(std::string v) { mvarOrphanDestination = std::move(v); }
    const std::string& OrphanMap() const { return mvarOrphanMap; }
    void SetOrphanMap(std::string v) { mvarOrphanMap = std::move(v); }
    int16_t OrphanConvert() const { return mvarOrphanConvert; }
    void SetOrphanConvert(int16_t v) { mvarOrphanConvert = v; }
    int16_t OrphanReplace() const { return mvarOrphanReplace; }
    void SetOrphanReplace(int16_t v) { mvarOrphanReplace = v; }
    bool AutoInstall() const { return mvarAutoInstall; }
    void SetAutoInstall(bool v) { mvarAutoInstall = v; }
    const std::string& AutoInstallUnit() const { return mvarAutoInstallUnit; }
    void SetAutoInstallUnit(std::string v) { mvarAutoInstallUnit = std::move(v); }
    bool AutoInstallPrompt() const { return mvarAutoInstallPrompt; }
    void SetAutoInstallPrompt(bool v) { mvarAutoInstallPrompt = v; }
    bool AutoInstallLeave() const { return mvarAutoInstallLeave; }
    void SetAutoInstallLeave(bool v) { mvarAutoInstallLeave = v; }

    void LoadSettings();
    // Writes every setting in one update of the store: all of them or, when the store
    // cannot be saved (its LastError says why), none; false then.
    bool SaveSettings();
    std::string GetParm(const std::string& Hive, const std::string& KeyName, const std::string& Default);
    bool SaveParm(const std::string& Hive, const std::string& KeyName, const std::string& ParmValue);

    // Lookups by map use.
    static std::string MapExtension(int32_t MapUse);
    static std::string DefaultFileExtension(int32_t MapUse);
    static std::string TypeDescr(int32_t MapUse);
    // The route database version a program version writes; 0 (after a message) when unknown.
    int LookupFileVersion(int Major, int Minor);

    // Conversions.
    bool ConvertRoute();
    // Queues a finished database for the HotSync unit of the settings (or the one chosen);
    // false when no unit was chosen or the queueing failed.
    bool InstallPRC(const std::string& SourcePRC);

    // "Install to Unit(s)": the units to choose from (the HotSync users, in user-database
    // order; raises when Palm Desktop cannot be read), and the installation of the
    // application file of the program named ProgramName (its executable name) and, when
    // asked, the Meazura files on the chosen units. Warnings go to the log; an unexpected
    // failure is shown in a message box and gives false.
    std::vector<std::string> UnitNames();
    bool InstallToUnits(const std::vector<std::string>& Units, bool IncludeMeazura, const std::string& ProgramName);

    // Helpers shared by the route imports.
    static std::string CombineUser(const std::vector<std::string>& Values);
    static bool IsAllDigits(std::string_view text);

    // The reading conversion (upload file, orphans, automatic re-read) and the re-read
    // conversion of a list of meters.
    bool ConvertReading();
    bool ConvertReRead();
    // Reverses CombineUser: character 1 back to 0, split at every "~".
    static std::vector<std::string> ExtractUser(const std::string& Source);
    // A stored yyyymmdd date or hhnnss time in the text of a map format code.
    static std::string FormatMapDate(const std::string& value, int32_t code);
    static std::string FormatMapTime(const std::string& value, int32_t code);
    // A meter to visit again: unread, or its reading outside its window (which may wrap
    // past the register's rollover).
    static bool IsReReadException(int64_t Status, int64_t MinReading, int64_t MaxReading, int64_t CurReading);

    // Log and progress.
    void WriteLog(const std::string& message);
    void SetProgress(int32_t maxValue, int32_t currentValue) { mProgress.SetProgressButton(maxValue, currentValue); }

    // The answers of the last "Runtime Variables" dialog.
    clsPrompts& Prompts() { return mPrompts; }
    const std::string& ProgramFolder() const { return mProgramFolder; }
    // A setting's path, taken relative to the program's folder.
    std::string ResolvedPath(const std::string& path) const;

    // True while a conversion runs; the engine runs one at a time.
    bool Busy() const { return mRun != nullptr; }
    // What the last conversion left, for callers that report on it.
    const ConversionOutcome& LastConversion() const { return mLastConversion; }

private:
    class RunScope;

    // The state of the conversion that runs; raises when none does. Inline: the line
    // imports ask for it several times a line.
    ConversionRun& Run() {
        if (!mRun) [[unlikely]] NoConversionRunning();
        return *mRun;
    }
    [[noreturn]] static void NoConversionRunning();

    // Opening steps shared by the conversion drivers. Each logs its "Error: " line and
    // returns false when the conversion must stop.
    bool RequireSetting(const std::string& value, const std::string& what);
    bool RequireExistingFile(const std::string& path, const std::string& what);
    // Asks before an existing destination is replaced; deleteExisting removes it at once.
    bool ConfirmOverwrite(const std::string& path, const std::string& what, bool deleteExisting);
    // Loads the map as the run's CurrentMap; what names it in the messages ("Route Conversion Map").
    bool LoadConversionMap(const std::string& mapName, int32_t mapUse, const std::string& what);
    bool ValidateConversionMap();
    bool AskPromptValues();
    bool AskIndexControl();
    void LogConversionStart(const std::string& caption);
    // A new route database object of the running program's file version.
    std::unique_ptr<clsQVF> NewRouteDatabase();
    // Creates the route conversion's destination file with room for that many records;
    // false (logged, the run marked as failed) when it cannot be created.
    bool CreateRouteDatabase(int64_t presize);

    // ConvertRoute's checks of the settings and the map, up to the index question.
    bool OpenRouteConversion();
    // The closing line by the run's problem and warning flags, then an empty line.
    void WriteClosingLines(const std::string& finished, const std::string& failed);
    bool ConvertRouteFlat();
    // The MVRS route import and reading export; their working data lives in the classes.
    class MVRSRouteImport;
    class MVRSReadingExport;
    bool ConvertRouteMVRS();
    // The parsed line: every map field's raw text by its option, converted by its data type.
    struct MeterRecordPlan;
    // With a plan, the texts and numbers that go unchanged into the meter record are
    // written to the plan's record as they are parsed.
    void ParseRoute(std::string_view Source, ParsedLine& line, MeterRecordPlan* plan = nullptr);
    template <class SourceText>
    void ParseFields(const SourceText& sourceText, bool fixedWidth, ParsedLine& line, MeterRecordPlan* plan);
    void ParseRouteFixed(std::string_view Buffer, ParsedLine& line, MeterRecordPlan* plan);
    void ParseRouteDelimited(std::string_view Buffer, ParsedLine& line, MeterRecordPlan* plan);
    // The field's text by its option; an autonumber is kept by the line.
    std::string_view RawFieldText(const RouteLineLayout::Field& field, std::string_view sourceText, ParsedLine& line);
    // ValidationClean, ValidationWarned (a message was logged) or ValidationStop.
    int16_t ValidateRoute(const ParsedLine& Values);
    bool CheckDuplicateTag(const std::string& tag, const std::string& info, int32_t line);
    // The same with the info line (info() returns it) made only when the tag is a duplicate.
    template <class Info> bool CheckDuplicateTag(std::string_view tag, const Info& info, int32_t line) {
        return !AddSeenTag(tag) && ReportDuplicateTag(tag, info, line);
    }
    // Adds the tag to the run's tags; false when it is there already. A tag the set cannot
    // take is reported by the set's error and counts as new.
    bool AddSeenTag(std::string_view tag);
    // Logs the duplicate tag: false when that failed (the error is reported).
    bool ReportDuplicateTag(std::string_view tag, const std::function<std::string()>& info, int32_t line);
    void ReportValidation(const std::string& message, int16_t& result);
    // reRead: the re-read conversion's meter record (no letter rule, no radio register values).
    MeterRecordPlan PlanRouteMeterRecord(const RouteLineLayout& layout, clsQVF& db, bool reRead = false) const;
    // The first call also makes the plan's template of the constant fields. The line must
    // have been parsed with the plan.
    void WriteMeterRecord(MeterRecordPlan& plan, const ParsedLine& Values, int16_t routePosition);
    enum class MeterSteps { Varying, Constant };
    void WriteMeterSteps(MeterRecordPlan& plan, const ParsedLine& Values, MeterSteps which);
    void IndexWrittenMeter(MeterRecordPlan& plan, const RecordAssembly& record);
    // The same for the meter of a parsed line, taking the line's values where the record
    // holds them as set.
    void IndexParsedMeter(MeterRecordPlan& plan, const ParsedLine& Values, int16_t routePosition);
    // The advanced configuration in use: the attached one, else the shared instance.
    clsAdvanced& Advanced();
    // Hands the words of one written meter to its route's index collectors; the index
    // records of a route are written when the first meter of the next route arrives.
    // RouteNbr 0 with empty texts flushes: the last route's records, then the collectors go.
    // The texts may be views of the route database's record buffer.
    void IndexMeter(int32_t RouteNbr, int16_t Position, std::string_view TagNbr, std::string_view SerialNbr,
                    std::string_view BillingName, std::string_view ServiceAddress, std::string_view ServiceID);
    // The configuration's code records, written in this order after the index flush.
    void WriteLoginCodes();
    void WriteSkipCodes();
    void WriteChangeoutCodes();
    void WriteAlertCodes();
    // A view of the plan's message buffer, valid until the next meter's lookup.
    std::string_view LookupMessage(MeterRecordPlan& plan, const ParsedLine& Values);
    // Header record and one route record per route, from RouteList and RouteMeterCount;
    // a file format's own User1 texts of the header and of each route go in when given.
    void WriteOpeningRecords(int32_t meterCount, const std::string& sourcePath, const std::string& headerUser1 = {},
                             const std::vector<std::string>& routeUser1 = {});
    void ShowError(const std::exception& e);
    // The attached Palm Desktop; raises when there is none.
    IPalmDesktop& PalmDesktop();
    int16_t RouteFileType(const std::string& qvfType) const;

    // Reading conversion: the exports by map type and their line builders; InValues holds
    // one value per output field of the run's ReadingLayout, Null where the record has none.
    bool OpenReadingConversion(int& FileVersion, std::string& pendingFailure);
    bool ConvertReadingFlat(int FileVersion);
    bool ConvertReadingMVRS(int FileVersion);
    bool ConvertReadingE5K(int FileVersion);
    // The E5000 route import and reading export; their working data lives in the classes.
    class E5KRouteImport;
    class E5KReadingExport;
    bool ConvertRouteE5K();
    // The readings database of the run, opened with the schema of FileVersion when no
    // export left it open.
    clsQVF& OpenReadingsDatabase(int FileVersion);
    // The values are views of the record read last (or of texts kept in InTexts).
    void ReadValues(clsQVF& db, std::vector<ValueView>& InValues);
    // The line of a record, padded with blanks to the map's length, built in line (whose
    // buffer is reused from record to record). A failure inside the line builders is
    // logged; the line then comes out blank.
    void AssembleLine(const std::vector<ValueView>& InValues, std::string& line);
    void AssembleFixed(const std::vector<ValueView>& InValues, std::string& line);
    void AssembleDelimited(const std::vector<ValueView>& InValues, std::string& line);
    // A field's value as text: defaulted when missing, dates and times in their format.
    // The field's text: a view of the value, of the field's default or of out, where a
    // number or a formatted date or time is made.
    std::string_view OutputText(const ReadingLineLayout::Field& field, const ValueView& value, std::string& out);
    bool ConvertOrphanFlat(int FileVersion);
    // Copies the exception meters of the readings into a new route database at path and
    // returns how many; with none, no file is left there.
    int32_t BuildReReadDatabase(clsQVF& Readings, const std::string& path);
    // Re-read conversion: its checks of the settings and the map.
    bool OpenReReadConversion();

    ILog& mLog;
    IMessageBox& mMessages;
    IProgress& mProgress;
    const IClock& mClock;
    LocaleFormats mLocale;
    std::string mProgramFolder;
    clsRegistry* mRegistry = nullptr;
    IPromptVariablesView* mPromptView = nullptr;
    clsAdvanced* mAdvanced = nullptr;
    IPalmDesktop* mPalmDesktop = nullptr;
    IUnitChooser* mUnitChooser = nullptr;
    clsPrompts mPrompts;

    // Settings.
    std::string mvarRouteSource;
    std::string mvarRouteDestination = "RouteQVF.pdb";
    std::string mvarRouteMap;
    std::string mvarRouteQVFType = "PDB";
    std::string mvarReReadSource;
    std::string mvarReReadDestination = "RouteQVF.pdb";
    std::string mvarReReadMap;
    std::string mvarReReadQVFType = "PDB";
    std::string mvarReadingSource = "ReadingQVF.pdb";
    std::string mvarReadingDestination;
    std::string mvarReadingMap;
    bool mvarAutoReRead = false;
    std::string mvarOrphanDestination;
    std::string mvarOrphanMap;
    int16_t mvarOrphanConvert = 0;
    int16_t mvarOrphanReplace = 0;
    bool mvarAutoInstall = false;
    std::string mvarAutoInstallUnit;
    bool mvarAutoInstallPrompt = false;
    bool mvarAutoInstallLeave = false;

    // The conversion that runs, and what the last one left.
    std::unique_ptr<ConversionRun> mRun;
    ConversionOutcome mLastConversion;
    // Validation messages of the last route conversion; the re-read conversion counts on from it.
    int16_t mRouteValidationMessages = 0;
};

} // namespace dovrex
