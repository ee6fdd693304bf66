// The MVRS upload export of the reading conversion: the readings database read twice,
// first for the route and file totals, then to write the upload: a file header, per run
// of meters of one route a route header, each meter's customer, meter and reading
// records and a route trailer, and a file trailer. What the upload needs of the download
// travels in the route records and the User1..User5 texts of the meter records.

#include "MVRSRouteInfo.h"
#include "clsExchange.h"
#include "modMVRS.h"

#include "billing/RecordColumn.h"
#include "billing/RecordLine.h"
#include "billing/clsMVRSUpload.h"
#include "handheld_db/clsQVF.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace dovrex {

namespace {

// The values of a packed text as ExtractUser gives them: views of the text (or of scratch,
// when the text carries character 0 as character 1), the first Count of them, missing
// trailing values empty. Valid while the text and scratch are.
template <size_t Count>
void Unpack(std::string_view text, std::string& scratch, std::array<std::string_view, Count>& values) {
    if (text.find('\x01') != std::string_view::npos) {
        scratch.assign(text);
        std::replace(scratch.begin(), scratch.end(), '\x01', '\0');
        text = scratch;
    }
    size_t start = 0;
    for (std::string_view& value : values) {
        if (start > text.size()) {
            value = {};
            continue;
        }
        const size_t tilde = text.find('~', start);
        value = text.substr(start, tilde == std::string_view::npos ? tilde : tilde - start);
        start = tilde == std::string_view::npos ? text.size() + 1 : tilde + 1;
    }
}

// Characters from (1-based) of a text, fewer or none where it ends earlier.
std::string_view Mid(std::string_view text, size_t from, size_t length) {
    return from - 1 < text.size() ? text.substr(from - 1, length) : std::string_view();
}

// A time of day hhnnss as its six digits, in buffer.
std::string_view SixDigits(int64_t number, char (&buffer)[24]) {
    char digits[20];
    const uint64_t magnitude = number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
    const size_t count = static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
    size_t length = 0;
    if (number < 0) buffer[length++] = '-';
    for (size_t zeros = count; zeros < 6; ++zeros) buffer[length++] = '0';
    std::memcpy(buffer + length, digits, count);
    return std::string_view(buffer, length + count);
}

// A whole number kept in a 16- or 32-bit working value as Fitting keeps it: 0 when it does not fit.
template <class Int> Int FittingWhole(int64_t value) {
    return value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max() ? 0
                                                                                              : static_cast<Int>(value);
}

// The tamper count is not carried by the route database.
constexpr int16_t kTamperCount = 0;

std::string_view MeterCategoryOfType(int64_t meterType) {
    switch (meterType) {
    case 1: return "W";
    case 2: return "G";
    case 3: return "E";
    case 4: return "S";
    case 5: return "I";
    default: return {};
    }
}

// The read method a read type stands for; nothing for other read types.
std::optional<std::string_view> MethodOfReadType(int64_t readType) {
    switch (readType) {
    case 0:
    case 4: return "N";
    case 1: return "R";
    case 2: return "K";
    case 3: return "W";
    default: return std::nullopt;
    }
}

int16_t Plus1(int16_t counter) { return CheckInt16(static_cast<int64_t>(counter) + 1); }

// The fields of the upload's record kinds that the export writes, each found once.
struct FileColumns {
    FileColumns(const clsMVRSUpload& upload, const char* id)
        : Kind(upload.RecordType(id)), NewServiceIndicator(Kind, "NewServiceIndicator"),
          ChangeMeterIndicator(Kind, "ChangeMeterIndicator"), NumberRoutes(Kind, "NumberRoutes"),
          NumberCustomerRecords(Kind, "NumberCustomerRecords"), NumberMeterRecords(Kind, "NumberMeterRecords"),
          NumberReadRecords(Kind, "NumberReadRecords"), FileTrailerLineNumber(Kind, "FileTrailerLineNumber"),
          ExtendedIndicator(Kind, "ExtendedIndicator") {}
    clsRecType* Kind;
    RecordColumn NewServiceIndicator, ChangeMeterIndicator, NumberRoutes, NumberCustomerRecords, NumberMeterRecords,
        NumberReadRecords, FileTrailerLineNumber, ExtendedIndicator;
};

struct RouteColumns {
    RouteColumns(const clsMVRSUpload& upload, const char* id)
        : Kind(upload.RecordType(id)), RouteNumber(Kind, "RouteNumber"), SurveyIndicator(Kind, "SurveyIndicator"),
          RouteMessageIndicator(Kind, "RouteMessageIndicator"), TotalNumberKeys(Kind, "TotalNumberKeys"),
          TotalNumberReadingRecords(Kind, "TotalNumberReadingRecords"),
          TotalNumberDemandMeters(Kind, "TotalNumberDemandMeters"),
          TotalNumberKeyedReadings(Kind, "TotalNumberKeyedReadings"),
          TotalNumberOpticalProbeReadings(Kind, "TotalNumberOpticalProbeReadings"),
          TotalNumberOffsiteRadioReadings(Kind, "TotalNumberOffsiteRadioReadings"),
          TotalCustomerRecords(Kind, "TotalCustomerRecords"), TotalMeterRecords(Kind, "TotalMeterRecords"),
          TimeUsedtoReadRoute(Kind, "TimeUsedtoReadRoute"), ResequenceFlag(Kind, "ResequenceFlag"),
          OriginalSequenceFlag(Kind, "OriginalSequenceFlag"), NumberCustomerRecords(Kind, "NumberCustomerRecords"),
          NumberMeterRecords(Kind, "NumberMeterRecords"), NumberReadingRecords(Kind, "NumberReadingRecords"),
          NumberMissedReadings(Kind, "NumberMissedReadings"), NumberSkippedReadings(Kind, "NumberSkippedReadings"),
          NumberGasMeters(Kind, "NumberGasMeters"), NumberWaterMeters(Kind, "NumberWaterMeters"),
          NumberElectricMeters(Kind, "NumberElectricMeters"), NumberLocationMeters(Kind, "NumberLocationMeters"),
          NumberExtraMeters(Kind, "NumberExtraMeters"), Region(Kind, "Region"), Zone(Kind, "Zone"),
          Office(Kind, "Office"), ScheduledReadDate(Kind, "ScheduledReadDate"),
          MeterReaderStatisticsRecord(Kind, "MeterReaderStatisticsRecord"), ForceCompleteFlag(Kind, "ForceCompleteFlag"),
          ForceCompleteCode(Kind, "ForceCompleteCode"), NumberRemoteWandReads(Kind, "NumberRemoteWandReads"),
          TypeRoute(Kind, "TypeRoute"), TypeResequenceFlag(Kind, "TypeResequenceFlag") {}
    clsRecType* Kind;
    RecordColumn RouteNumber, SurveyIndicator, RouteMessageIndicator, TotalNumberKeys, TotalNumberReadingRecords,
        TotalNumberDemandMeters, TotalNumberKeyedReadings, TotalNumberOpticalProbeReadings,
        TotalNumberOffsiteRadioReadings, TotalCustomerRecords, TotalMeterRecords, TimeUsedtoReadRoute, ResequenceFlag,
        OriginalSequenceFlag, NumberCustomerRecords, NumberMeterRecords, NumberReadingRecords, NumberMissedReadings,
        NumberSkippedReadings, NumberGasMeters, NumberWaterMeters, NumberElectricMeters, NumberLocationMeters,
        NumberExtraMeters, Region, Zone, Office, ScheduledReadDate, MeterReaderStatisticsRecord, ForceCompleteFlag,
        ForceCompleteCode, NumberRemoteWandReads, TypeRoute, TypeResequenceFlag;
};

// The current customer and meter taken from a meter record: views of the record read last
// and of the export's unpacked texts, valid until the next record is read.
struct MVRSCustomerView {
    std::string_view Address1, Address2, Address3, Name, Name2; // cut to 20 characters
    std::string_view Account, GroupCode, ExtraIndicator, SegmentCode, PassThru, CustomerInfo;
};

struct MVRSMeterView {
    std::string_view MeterNumber, GroupCode, SurveyCode1DisplayIndicator, SurveyCode2DisplayIndicator, BillCode,
        MeterStatus, OpticalProbeID, MeterTypeText, MeterLocation, ReadInstruction1, ReadInstruction2,
        LocationExtraMeter, TextPrompt, ReadDirection, CompareCode, ValidationCode, ReadMethod, MeterConstant,
        ConstantFlag, HHFPosition, RFFrequency, RFTone, ERTType, DeviceID, WandProgram, SpecialMessageText,
        ResponseText, MeterCategory, NewReadMethod;
    int32_t Sequence = 0, TagNumber = 0, CurrentReading = 0, PreviousReading = 0;
    int32_t ReadTime = 0; // hhnnss
    int16_t NumberDials = 0, NumberDecimals = 0, SpecialMessageDisplayIndicator = 0, GeographicArea = 0;
    int64_t ResponseCode = 0;
    DateTime ReadDate{1899, 12, 30, 0, 0, 0};
};

// The upload's per-meter record kinds, each written into a template line that holds the
// values every meter shares; each meter sets only its own.
struct CustomerLine {
    explicit CustomerLine(const clsMVRSUpload& upload)
        : Line(upload.RecordType("CUS"), clsMVRSUpload::LineWidth), Account(Line.Field("Account")),
          Name(Line.Field("Name")), Address1(Line.Field("Address1")), Address2(Line.Field("Address2")),
          GroupCode(Line.Field("GroupCode")), ExtraIndicator(Line.Field("ExtraIndicator")),
          SegmentCode(Line.Field("SegmentCode")), PassThru(Line.Field("PassThru")),
          CustomerInfo(Line.Field("CustomerInfo")) {
        Line.Fix("NumberMeters", 1);
        Line.Fix("ExceptionCode", " ");
        Line.Fix("UtilityID", ""); // not carried by the route database
        Line.Fix("Reserved", "00");
    }
    RecordLine Line;
    const clsField &Account, &Name, &Address1, &Address2, &GroupCode, &ExtraIndicator, &SegmentCode, &PassThru,
        &CustomerInfo;
};

struct CustomerExtraLine {
    explicit CustomerExtraLine(const clsMVRSUpload& upload)
        : Line(upload.RecordType("CSX"), clsMVRSUpload::LineWidth), Account(Line.Field("Account")),
          Name(Line.Field("Name")), NewCustomerInfo(Line.Field("NewCustomerInfo")), Address3(Line.Field("Address3")) {}
    RecordLine Line;
    const clsField &Account, &Name, &NewCustomerInfo, &Address3;
};

struct MeterLine {
    explicit MeterLine(const clsMVRSUpload& upload)
        : Line(upload.RecordType("MTR"), clsMVRSUpload::LineWidth), GroupCode(Line.Field("GroupCode")),
          SurveyCode1DisplayIndicator(Line.Field("SurveyCode1DisplayIndicator")),
          SurveyCode2DisplayIndicator(Line.Field("SurveyCode2DisplayIndicator")), BillCode(Line.Field("BillCode")),
          MeterStatus(Line.Field("MeterStatus")), OpticalProbeID(Line.Field("OpticalProbeID")),
          MeterNumber(Line.Field("MeterNumber")), MeterType(Line.Field("MeterType")),
          ReadSequence(Line.Field("ReadSequence")), NewReadSequence(Line.Field("NewReadSequence")),
          MeterLocation(Line.Field("MeterLocation")), ReadInstruction1(Line.Field("ReadInstruction1")),
          ReadInstruction2(Line.Field("ReadInstruction2")),
          SpecialMessageDisplayIndicator(Line.Field("SpecialMessageDisplayIndicator")),
          SpecialMessageIndicator(Line.Field("SpecialMessageIndicator")),
          TroubleMessageIndicator(Line.Field("TroubleMessageIndicator")), MeterCategory(Line.Field("MeterCategory")),
          LocationExtraMeter(Line.Field("LocationExtraMeter")),
          OriginalAdditionalMeterInfo(Line.Field("OriginalAdditionalMeterInfo")) {
        Line.Fix("NumberReadings", 1);
        Line.Fix("SurveyResponse1", " ");
        Line.Fix("SurveyResponse2", " ");
        Line.Fix("MeterChangeOutIndicator", "N");
        Line.Fix("ChangeMeterRecordIndicator", "N");
        Line.Fix("TimeCode", 0);
        Line.Fix("Reserved2", "0000000000");
        Line.Fix("Reserved3", "00");
        Line.Fix("Reserved4", "0000000000");
        for (const char* reserved : {"Reserved5", "Reserved6", "Reserved7"}) Line.Fix(reserved, "0");
    }
    RecordLine Line;
    const clsField &GroupCode, &SurveyCode1DisplayIndicator, &SurveyCode2DisplayIndicator, &BillCode, &MeterStatus,
        &OpticalProbeID, &MeterNumber, &MeterType, &ReadSequence, &NewReadSequence, &MeterLocation, &ReadInstruction1,
        &ReadInstruction2, &SpecialMessageDisplayIndicator, &SpecialMessageIndicator, &TroubleMessageIndicator,
        &MeterCategory, &LocationExtraMeter, &OriginalAdditionalMeterInfo;
};

struct MessageLine {
    explicit MessageLine(const clsMVRSUpload& upload)
        : Line(upload.RecordType("MTS"), clsMVRSUpload::LineWidth), MeterNumber(Line.Field("MeterNumber")),
          SpecialMessageText(Line.Field("SpecialMessageText")) {}
    RecordLine Line;
    const clsField &MeterNumber, &SpecialMessageText;
};

struct ReadingLine {
    explicit ReadingLine(const clsMVRSUpload& upload)
        : Line(upload.RecordType("RDG"), clsMVRSUpload::LineWidth), TextPrompt(Line.Field("TextPrompt")),
          ReadDirection(Line.Field("ReadDirection")), CompareCode(Line.Field("CompareCode")),
          ValidationCode(Line.Field("ValidationCode")), ReadMethod(Line.Field("ReadMethod")),
          MeterConstant(Line.Field("MeterConstant")), ConstantFlag(Line.Field("ConstantFlag")),
          Reading(Line.Field("Reading")), ReadDate(Line.Field("ReadDate")), ReadTime(Line.Field("ReadTime")),
          ReadCode(Line.Field("ReadCode")), NewNumberDials(Line.Field("NewNumberDials")),
          NewNumberDecimals(Line.Field("NewNumberDecimals")), NewReadMethod(Line.Field("NewReadMethod")),
          HHFPosition(Line.Field("HHFPosition")), NewMeterConstant(Line.Field("NewMeterConstant")),
          PreviousReading(Line.Field("PreviousReading")) {
        // The download's PromptCode has no column in the upload.
        Line.Fix("ChannelNumber", 0);
        Line.Fix("ReadOrder", 1);
        for (const char* zero : {"ReadReason", "ReadAuditResult", "TroubleCode1", "TroubleCode2", "AuditCounter",
                                 "ClearCounter", "ElapsedTime", "ReadTypeCode"}) {
            Line.Fix(zero, 0);
        }
        Line.Fix("UnprocessedReadFlag", "N");
        Line.Fix("MeterReaderID", "TRAV");
        Line.Fix("MeterConstantVerified", " ");
        for (const char* reserved : {"Reserved1", "Reserved3", "Reserved4", "Reserved5", "Reserved6"}) {
            Line.Fix(reserved, "0");
        }
    }
    RecordLine Line;
    const clsField &TextPrompt, &ReadDirection, &CompareCode, &ValidationCode, &ReadMethod, &MeterConstant,
        &ConstantFlag, &Reading, &ReadDate, &ReadTime, &ReadCode, &NewNumberDials, &NewNumberDecimals, &NewReadMethod,
        &HHFPosition, &NewMeterConstant, &PreviousReading;
};

struct ProbeLine {
    explicit ProbeLine(const clsMVRSUpload& upload)
        : Line(upload.RecordType("PRB"), clsMVRSUpload::LineWidth),
          OpticalProbeRecorderID(Line.Field("OpticalProbeRecorderID")), ReadDate(Line.Field("ReadDate")),
          ReadTime(Line.Field("ReadTime")) {
        for (const char* empty : {"ExpectedDeviceID", "DeviceID", "DeviceDate", "DeviceTime", "TIMName"}) {
            Line.Fix(empty, "");
        }
        for (const char* status : {"StatusOpen", "StatusTOU", "StatusLPAll", "StatusLPPartial", "StatusStatusCheck",
                                   "StatusResetDemand", "StatusAutoTimeSet", "StatusCodes1", "StatusCodes2",
                                   "StatusCodes3", "StatusCodes4", "StatusCodes5", "StatusCodes6"}) {
            Line.Fix(status, "00");
        }
    }
    RecordLine Line;
    const clsField &OpticalProbeRecorderID, &ReadDate, &ReadTime;
};

struct RadioLine {
    explicit RadioLine(const clsMVRSUpload& upload)
        : Line(upload.RecordType("RFF"), clsMVRSUpload::LineWidth), RFERTID(Line.Field("RFERTID")),
          GeographicArea(Line.Field("GeographicArea")), RFFrequency(Line.Field("RFFrequency")),
          RFTone(Line.Field("RFTone")), ReadDate(Line.Field("ReadDate")), ReadTime(Line.Field("ReadTime")),
          Reading(Line.Field("Reading")), ERTType(Line.Field("ERTType")),
          VisualReadIndicator(Line.Field("VisualReadIndicator")) {
        Line.Fix("Tamper", kTamperCount);
    }
    RecordLine Line;
    const clsField &RFERTID, &GeographicArea, &RFFrequency, &RFTone, &ReadDate, &ReadTime, &Reading, &ERTType,
        &VisualReadIndicator;
};

struct WandLine {
    explicit WandLine(const clsMVRSUpload& upload)
        : Line(upload.RecordType("WRR"), clsMVRSUpload::LineWidth), DeviceID(Line.Field("DeviceID")),
          WandProgram(Line.Field("WandProgram")), ReadDate(Line.Field("ReadDate")), ReadTime(Line.Field("ReadTime")),
          Reading(Line.Field("Reading")), VisualReadIndicator(Line.Field("VisualReadIndicator")) {
        Line.Fix("TamperStatus", kTamperCount);
    }
    RecordLine Line;
    const clsField &DeviceID, &WandProgram, &ReadDate, &ReadTime, &Reading, &VisualReadIndicator;
};

} // namespace

class clsExchange::MVRSReadingExport {
public:
    MVRSReadingExport(clsExchange& engine, int FileVersion)
        : mEngine(engine), mRun(engine.Run()), mFileVersion(FileVersion),
          mSource(engine.ResolvedPath(engine.mvarReadingSource)), mUpload(&engine.mMessages),
          mFileHeader(mUpload, "FHD"), mFileTrailer(mUpload, "FTR"), mRouteHeader(mUpload, "RHD"),
          mRouteTrailer(mUpload, "RTR"), mCUS(mUpload), mCSX(mUpload), mMTR(mUpload), mMTS(mUpload), mRDG(mUpload),
          mPRB(mUpload), mRFF(mUpload), mWRR(mUpload) {}

    bool Export() {
        // A file that cannot be created is shown by the writer; each write then fails and asks.
        mUpload.CreateFile(mEngine.ResolvedPath(mEngine.mvarReadingDestination));
        if (Attempt([&] { OpenDatabase(); })) CountPass();
        mRun.ClearRoute();
        for (const MVRSRouteInfo& route : mRoutes) mRun.RouteList.push_back(route.RouteNumber);
        const bool open = Attempt([&] { OpenDatabase(); });
        Attempt([&] { WriteFileRecord(mFileHeader); });
        if (open) WritePass();
        if (mCurrentRoute != 0) Attempt([&] { WriteRouteRecord(mRouteTrailer, mCurrentRoute); });
        Attempt([&] { WriteFileRecord(mFileTrailer); });
        Attempt([&] { mUpload.CloseFile(); });
        // The readings database stays open, read to its end, for the automatic re-read.
        return true;
    }

private:
    // Runs one step of the export. A failure asks Abort, Retry or Ignore: Retry runs the
    // step again, Ignore goes on without it (false), Abort raises the failure again, which
    // ends the export with the records written so far and lets the driver report it.
    template <class Step> bool Attempt(Step&& step) {
        for (;;) {
            try {
                step();
                return true;
            } catch (const std::exception& e) {
                const MsgResult answer = mEngine.mMessages.Show(DescribeException(e), "Error",
                                                                MsgButtons::AbortRetryIgnore, MsgIcon::Critical);
                if (answer == MsgResult::Retry) continue;
                if (answer == MsgResult::Ignore) return false;
                throw;
            }
        }
    }

    void OpenDatabase() {
        mDatabase = nullptr;
        mRecords = nullptr;
        clsQVF& db = mEngine.OpenReadingsDatabase(mFileVersion);
        clsPalmDB& records = db.DB();
        auto field = [&records](const char* name) { return records.FindItem(name); };
        mFields = RecordFields{field("RecType"),        field("RouteNbr"),       field("Sequence"),
                               field("MeterTagNbr"),    field("MeterType"),      field("Digits"),
                               field("Decimals"),       field("PrvReading"),     field("CurReading"),
                               field("ReadingDate"),    field("ReadingTime"),    field("Status"),
                               field("ReadType"),       field("ResponseCode"),   field("Initials"),
                               field("ServiceAddress"), field("BillingName"),    field("MeterSerialNbr"),
                               field("ResponseText"),   field("User1"),          field("User2"),
                               field("User3"),          field("User4"),          field("User5")};
        mRecordNumber = 0;
        mDatabase = &db;
        mRecords = &records;
    }

    // The next record of the database; false at its end. A record that cannot be read
    // ends the pass when ignored, since the records after it cannot be found reliably.
    bool ReadNext(int32_t progressBase) {
        mEngine.SetProgress(255, mDatabase->Position255() / 2 + progressBase);
        bool more = false;
        if (!Attempt([&] {
                more = mDatabase->ReadData();
                if (more) mRecordType = RequireFixedPart();
            })) {
            return false;
        }
        if (more) ++mRecordNumber;
        return more;
    }

    // The record's type; raises when the record is too short for it or its fields.
    int64_t RequireFixedPart() const {
        const size_t length = mRecords->RawData().size();
        const auto fixed = static_cast<size_t>(mRecords->FixedLength());
        // Code and index records have layouts of their own; schema records hold the fields.
        const int32_t type = mDatabase->RecordType();
        const bool schema = (type >= clsQVF::rtHeader && type <= clsQVF::rtOrphan) || type == clsQVF::rtReadingRoute;
        // RecType is the record's first field: the type read here is the one it holds. A
        // schema record is decoded once, for the fields read from it.
        if (type != -1 && (!schema || length >= fixed)) {
            if (schema) mRecords->ViewRecord();
            return mFields.RecType != 0 ? type : 0;
        }
        RaiseError(ErrBadRecordLength, "Record " + std::to_string(mRecordNumber + 1) + " of " + mSource +
                                           " is damaged: " + std::to_string(length) + " bytes, fewer than the " +
                                           std::to_string(fixed) + " bytes of its fields");
    }

    int64_t Number(int16_t field) const { return field != 0 ? mRecords->ViewWhole(field) : 0; }
    std::string Text(int16_t field) const { return std::string(TextView(field)); }
    // A view of the record read last, or of mScratch for a number.
    std::string_view TextView(int16_t field) const {
        return field != 0 ? mRecords->View(field).TextIn(mScratch) : std::string_view();
    }

    // The route table entry of a route position; raises when the table has none.
    MVRSRouteInfo& RouteEntry(int64_t k, const char* what) {
        if (k < 1 || static_cast<size_t>(k) > mRoutes.size()) {
            RaiseError(ErrSubscript, std::string(what) + " record " + std::to_string(mRecordNumber) + " of " + mSource +
                                         " names route " + std::to_string(k) + ", outside the route table of " +
                                         std::to_string(mRoutes.size()) + " routes");
        }
        return mRoutes[static_cast<size_t>(k) - 1];
    }

    // Pass 1: the route table from the header and route records, its counters and the
    // file totals from the meter records.
    void CountPass() {
        while (ReadNext(0)) {
            Attempt([&] {
                switch (mRecordType) {
                case clsQVF::rtHeader:
                    mRoutes.resize(static_cast<size_t>(std::max<int16_t>(CheckInt16(Number(mFields.RouteNbr)), 0)));
                    break;
                case clsQVF::rtRoute:
                case clsQVF::rtReadingRoute: CountRoute(); break;
                case clsQVF::rtMeter: CountMeter(); break;
                default: break;
                }
            });
        }
    }

    void CountRoute() {
        MVRSRouteInfo& route = RouteEntry(Number(mFields.RouteNbr), "Route");
        const int16_t routes = Plus1(mNumberRoutes);
        std::array<std::string_view, 5> values;
        Unpack(TextView(mFields.User1), mUnpacked[0], values);
        route.MeterCount = Fitting<int16_t>(static_cast<double>(Number(mFields.PrvReading)));
        route.RouteNumber = Text(mFields.Initials);
        route.Region = values[0];
        route.Zone = values[1];
        route.Office = values[2];
        if (const auto date = clsField::DateFromText(values[3])) route.ScheduledDate = *date;
        route.RemoteWandReads = Fitting<int16_t>(Val(values[4]));
        mNumberRoutes = routes;
    }

    void CountMeter() {
        MVRSRouteInfo& route = RouteEntry(Number(mFields.RouteNbr), "Meter");
        // The counters the meter raises, each raised once; all are raised together, so
        // that a retried record is not counted twice.
        std::array<int16_t*, 9> counters{&route.MeterRecords,        &route.CustomerRecords,
                                         &route.TotalCustomerRecords, &route.TotalMeterRecords,
                                         &route.TotalReadingRecords,  &route.ReadingRecords};
        size_t count = 6;
        switch (Number(mFields.MeterType)) {
        case 1: counters[count++] = &route.WaterMeters; break;
        case 2: counters[count++] = &route.GasMeters; break;
        case 3: counters[count++] = &route.ElectricMeters; break;
        default: break;
        }
        const int64_t status = Number(mFields.Status);
        if (status == 0) counters[count++] = &route.MissedReadings;
        if (status == 1) {
            switch (Number(mFields.ReadType)) {
            case 0: counters[count++] = &route.MissedReadings; break;
            case 1: counters[count++] = &route.TotalOffsiteRadioReadings; break;
            case 2: counters[count++] = &route.TotalKeyedReadings; break;
            case 3: counters[count++] = &route.TotalOpticalProbeReadings; break;
            case 4: counters[count++] = &route.SkippedReadings; break;
            default: break;
            }
        }
        const int16_t meters = Plus1(mNumberMeters);
        std::array<int16_t, 9> raised{};
        for (size_t i = 0; i < count; ++i) raised[i] = Plus1(*counters[i]);
        for (size_t i = 0; i < count; ++i) *counters[i] = raised[i];
        mNumberMeters = meters;
    }

    // Pass 2: the records of every meter, with a route header and trailer around each run
    // of meters of one route.
    void WritePass() {
        while (ReadNext(127)) {
            if (mRecordType != clsQVF::rtMeter) continue;
            int64_t routeIndex = 0;
            // A meter that cannot be taken apart is left out when ignored.
            if (!Attempt([&] { routeIndex = DecodeMeter(); })) continue;
            if (routeIndex != mCurrentRoute) {
                if (mCurrentRoute != 0) Attempt([&] { WriteRouteRecord(mRouteTrailer, mCurrentRoute); });
                mCurrentRoute = routeIndex;
                FixRouteNumber(RouteEntry(mCurrentRoute, "Meter").RouteNumber);
                Attempt([&] { WriteRouteRecord(mRouteHeader, mCurrentRoute); });
            }
            WriteMeterRecords();
        }
    }

    // Rebuilds the current customer and meter from the meter record; returns its route.
    // Every value the records take is set anew, so nothing of the last meter remains.
    int64_t DecodeMeter() {
        const int64_t routeIndex = Number(mFields.RouteNbr);
        RouteEntry(routeIndex, "Meter");
        MVRSCustomerView& c = mCustomer;
        MVRSMeterView& m = mMeter;
        // The texts in the order they lie in the record, so that each is found from the last.
        m.ResponseText = TextView(mFields.ResponseText);
        const std::string_view address = TextView(mFields.ServiceAddress);
        const std::string_view name = TextView(mFields.BillingName);
        m.MeterNumber = TextView(mFields.MeterSerialNbr);
        const std::string_view packed[] = {TextView(mFields.User1), TextView(mFields.User2), TextView(mFields.User3),
                                           TextView(mFields.User4), TextView(mFields.User5)};

        c.Address1 = Mid(address, 1, 20);
        c.Address2 = Mid(address, 21, 20);
        c.Address3 = Mid(address, 41, 20);
        c.Name = Mid(name, 1, 20);
        c.Name2 = Mid(name, 21, 20);
        std::array<std::string_view, 7> customer;
        Unpack(packed[0], mUnpacked[0], customer);
        c.Account = customer[1];
        c.GroupCode = customer[2];
        c.ExtraIndicator = customer[3];
        c.SegmentCode = customer[4];
        c.PassThru = customer[5];
        c.CustomerInfo = customer[6];

        m.Sequence = FittingWhole<int32_t>(Number(mFields.Sequence));
        m.TagNumber = FittingWhole<int32_t>(Number(mFields.MeterTagNbr));
        m.MeterCategory = MeterCategoryOfType(Number(mFields.MeterType));
        m.NumberDials = FittingWhole<int16_t>(Number(mFields.Digits));
        m.NumberDecimals = FittingWhole<int16_t>(Number(mFields.Decimals));
        m.CurrentReading = FittingWhole<int32_t>(Number(mFields.CurReading));
        m.PreviousReading = FittingWhole<int32_t>(Number(mFields.PrvReading));
        mStatus = Number(mFields.Status);
        mReadType = Number(mFields.ReadType);
        m.ReadDate = clsField::ZeroDate();
        m.ReadTime = 0;
        const int64_t readingDate = Number(mFields.ReadingDate);
        if (mStatus != 0 && readingDate != 0) {
            m.ReadDate = ReadDateOf(readingDate);
            m.ReadTime = FittingWhole<int32_t>(Number(mFields.ReadingTime));
        }
        m.ResponseCode = Number(mFields.ResponseCode);

        // Of the fifteen meter values the last two (the additional meter info and the read
        // sequence text) have no place in the upload.
        std::array<std::string_view, 13> meter;
        Unpack(packed[1], mUnpacked[1], meter);
        m.GroupCode = meter[0];
        m.SurveyCode1DisplayIndicator = meter[1];
        m.SurveyCode2DisplayIndicator = meter[2];
        m.BillCode = meter[3];
        m.MeterStatus = meter[4];
        m.OpticalProbeID = meter[5];
        m.MeterTypeText = meter[6];
        m.MeterLocation = meter[7];
        m.ReadInstruction1 = meter[8];
        m.ReadInstruction2 = meter[9];
        m.SpecialMessageDisplayIndicator = Fitting<int16_t>(Val(meter[10]));
        // Survey text 1 (11) has no place in the upload either.
        m.LocationExtraMeter = meter[12];
        std::array<std::string_view, 9> reading;
        Unpack(packed[2], mUnpacked[2], reading);
        m.TextPrompt = reading[0];
        m.ReadDirection = reading[1];
        m.CompareCode = reading[2];
        m.ValidationCode = reading[3];
        m.ReadMethod = reading[4];
        m.MeterConstant = reading[5];
        m.ConstantFlag = reading[6];
        m.HHFPosition = reading[7];
        std::array<std::string_view, 6> device;
        Unpack(packed[3], mUnpacked[3], device);
        m.GeographicArea = Fitting<int16_t>(Val(device[0]));
        m.RFFrequency = device[1];
        m.RFTone = device[2];
        m.ERTType = device[3];
        m.DeviceID = device[4];
        m.WandProgram = device[5];
        std::array<std::string_view, 1> message;
        Unpack(packed[4], mUnpacked[4], message);
        m.SpecialMessageText = message[0];
        m.NewReadMethod = mStatus == 0 ? "N" : MethodOfReadType(mReadType).value_or("");
        return routeIndex;
    }

    // The date of a reading date yyyymmdd read month first; a date the handheld got wrong
    // is sent as no date rather than losing the reading. The meters of a route are mostly
    // read on a few days: the date of the last one is kept.
    const DateTime& ReadDateOf(int64_t readingDate) {
        if (readingDate == mLastReadingDate) return mLastReadDate;
        char digits[24];
        const std::string_view text(
            digits, static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, readingDate).ptr - digits));
        char date[16];
        size_t length = 0;
        for (const std::string_view part : {Mid(text, 5, 2), std::string_view("/"), Mid(text, 7, 2),
                                            std::string_view("/"), Mid(text, 1, 4)}) {
            std::memcpy(date + length, part.data(), part.size());
            length += part.size();
        }
        mLastReadDate = clsField::DateFromText(std::string_view(date, length)).value_or(clsField::ZeroDate());
        mLastReadingDate = readingDate;
        return mLastReadDate;
    }

    void Write(clsRecType& record) { mUpload.WriteRecord(record); }

    void WriteFileRecord(const FileColumns& r) {
        r.Kind->Init();
        r.NewServiceIndicator.Set("N");
        r.ChangeMeterIndicator.Set("N");
        r.NumberRoutes.Set(mNumberRoutes);
        r.NumberCustomerRecords.Set(mNumberMeters);
        r.NumberMeterRecords.Set(mNumberMeters);
        r.NumberReadRecords.Set(mNumberMeters);
        r.FileTrailerLineNumber.Set(0);
        r.ExtendedIndicator.Set("N");
        Write(*r.Kind);
    }

    void WriteRouteRecord(const RouteColumns& r, int64_t routeIndex) {
        const MVRSRouteInfo& route = RouteEntry(routeIndex, "Meter");
        r.Kind->Init();
        r.RouteNumber.Set(route.RouteNumber);
        r.SurveyIndicator.Set("N");
        r.RouteMessageIndicator.Set("N");
        r.TotalNumberKeys.Set(0);
        r.TotalNumberReadingRecords.Set(route.TotalReadingRecords);
        r.TotalNumberDemandMeters.Set(0);
        r.TotalNumberKeyedReadings.Set(route.TotalKeyedReadings);
        r.TotalNumberOpticalProbeReadings.Set(route.TotalOpticalProbeReadings);
        r.TotalNumberOffsiteRadioReadings.Set(route.TotalOffsiteRadioReadings);
        r.TotalCustomerRecords.Set(route.TotalCustomerRecords);
        r.TotalMeterRecords.Set(route.TotalMeterRecords);
        r.TimeUsedtoReadRoute.Set(0);
        r.ResequenceFlag.Set("N");
        r.OriginalSequenceFlag.Set("Y");
        r.NumberCustomerRecords.Set(route.CustomerRecords);
        r.NumberMeterRecords.Set(route.MeterRecords);
        r.NumberReadingRecords.Set(route.ReadingRecords);
        r.NumberMissedReadings.Set(route.MissedReadings);
        r.NumberSkippedReadings.Set(route.SkippedReadings);
        r.NumberGasMeters.Set(route.GasMeters);
        r.NumberWaterMeters.Set(route.WaterMeters);
        r.NumberElectricMeters.Set(route.ElectricMeters);
        r.NumberLocationMeters.Set(0);
        r.NumberExtraMeters.Set(0);
        r.Region.Set(route.Region);
        r.Zone.Set(route.Zone);
        r.Office.Set(route.Office);
        r.ScheduledReadDate.Set(route.ScheduledDate);
        r.MeterReaderStatisticsRecord.Set("N");
        r.ForceCompleteFlag.Set("N");
        r.ForceCompleteCode.Set("00");
        r.NumberRemoteWandReads.Set(route.RemoteWandReads);
        r.TypeRoute.Set(" ");
        r.TypeResequenceFlag.Set("N");
        Write(*r.Kind);
    }

    // The route number of every record of the meters of a route, written once per route.
    void FixRouteNumber(std::string_view routeNumber) {
        for (RecordLine* line : {&mCUS.Line, &mCSX.Line, &mMTR.Line, &mMTS.Line, &mRDG.Line, &mPRB.Line, &mRFF.Line,
                                 &mWRR.Line}) {
            line->Fix("RouteNumber", routeNumber);
        }
    }

    // The meter number as the upload writes it: a lone 0 is no meter number.
    std::string_view UploadMeterNumber() const { return TrimView(mMeter.MeterNumber) == "0" ? " " : mMeter.MeterNumber; }

    // The reading in whole units; the decimals the handheld keeps are dropped or rounded.
    double ScaledReading() const {
        const double reading = mMeter.CurrentReading;
        return mMeter.NumberDecimals != 0 ? reading / std::pow(10.0, mMeter.NumberDecimals) : reading;
    }

    // The meter location as two digits at least; "00" for a location with a point.
    std::string_view LocationDigits() {
        if (mMeter.MeterLocation.find('.') != std::string_view::npos) return "00";
        AssignNumberText(mLocation, Val(mMeter.MeterLocation));
        if (mLocation.size() < 2) mLocation.insert(0, 2 - mLocation.size(), '0');
        return mLocation;
    }

    void WriteMeterRecords() {
        const MVRSMeterView& m = mMeter;
        const MVRSCustomerView& c = mCustomer;
        const std::string_view specialMessage = TrimView(m.SpecialMessageText);
        const std::string_view meterNumber = UploadMeterNumber();
        char readTimeDigits[24];
        const std::string_view readTime = SixDigits(m.ReadTime, readTimeDigits);
        const DateTime& readDate = m.ReadDate;

        Attempt([&] {
            CustomerLine& r = mCUS;
            r.Line.Start();
            r.Line.Set(r.Account, c.Account);
            r.Line.Set(r.Name, c.Name);
            r.Line.Set(r.Address1, c.Address1);
            r.Line.Set(r.Address2, c.Address2);
            r.Line.Set(r.GroupCode, c.GroupCode);
            r.Line.Set(r.ExtraIndicator, c.ExtraIndicator);
            r.Line.Set(r.SegmentCode, c.SegmentCode);
            r.Line.Set(r.PassThru, c.PassThru);
            r.Line.Set(r.CustomerInfo, c.CustomerInfo);
            mUpload.WriteLine(r.Line.Line());
        });
        if (c.ExtraIndicator == "Y") {
            Attempt([&] {
                CustomerExtraLine& r = mCSX;
                r.Line.Start();
                r.Line.Set(r.Account, c.Account);
                r.Line.Set(r.Name, c.Name2);
                r.Line.Set(r.NewCustomerInfo, c.CustomerInfo);
                r.Line.Set(r.Address3, c.Address3);
                mUpload.WriteLine(r.Line.Line());
            });
        }
        Attempt([&] {
            MeterLine& r = mMTR;
            r.Line.Start();
            r.Line.Set(r.GroupCode, m.GroupCode);
            r.Line.Set(r.SurveyCode1DisplayIndicator, m.SurveyCode1DisplayIndicator);
            r.Line.Set(r.SurveyCode2DisplayIndicator, m.SurveyCode2DisplayIndicator);
            r.Line.Set(r.BillCode, m.BillCode);
            r.Line.Set(r.MeterStatus, m.MeterStatus);
            r.Line.Set(r.OpticalProbeID, m.OpticalProbeID);
            r.Line.Set(r.MeterNumber, meterNumber);
            r.Line.Set(r.MeterType, m.MeterTypeText);
            r.Line.Set(r.ReadSequence, m.Sequence);
            r.Line.Set(r.NewReadSequence, m.Sequence);
            r.Line.Set(r.MeterLocation, LocationDigits());
            r.Line.Set(r.ReadInstruction1, m.ReadInstruction1);
            r.Line.Set(r.ReadInstruction2, m.ReadInstruction2);
            r.Line.Set(r.SpecialMessageDisplayIndicator, m.SpecialMessageDisplayIndicator);
            // Said only when an "MTS" record follows with the message.
            r.Line.Set(r.SpecialMessageIndicator, specialMessage.empty() ? "N" : "Y");
            r.Line.Set(r.TroubleMessageIndicator, m.ResponseCode > 0 || !m.ResponseText.empty() ? "Y" : "N");
            r.Line.Set(r.MeterCategory, m.MeterCategory);
            r.Line.Set(r.LocationExtraMeter, m.LocationExtraMeter);
            r.Line.Set(r.OriginalAdditionalMeterInfo, meterNumber);
            mUpload.WriteLine(r.Line.Line());
        });
        if (!specialMessage.empty()) {
            Attempt([&] {
                MessageLine& r = mMTS;
                r.Line.Start();
                r.Line.Set(r.MeterNumber, meterNumber);
                r.Line.Set(r.SpecialMessageText, specialMessage);
                mUpload.WriteLine(r.Line.Line());
            });
        }
        Attempt([&] {
            ReadingLine& r = mRDG;
            r.Line.Start();
            r.Line.Set(r.TextPrompt, m.TextPrompt);
            r.Line.Set(r.ReadDirection, m.ReadDirection);
            r.Line.Set(r.CompareCode, m.CompareCode);
            r.Line.Set(r.ValidationCode, m.ValidationCode);
            r.Line.Set(r.ReadMethod, MethodOfReadType(mReadType).value_or(m.ReadMethod));
            r.Line.Set(r.MeterConstant, m.MeterConstant);
            r.Line.Set(r.ConstantFlag, m.ConstantFlag);
            r.Line.Set(r.Reading, std::trunc(ScaledReading()));
            r.Line.Set(r.ReadDate, readDate);
            r.Line.Set(r.ReadTime, readTime);
            r.Line.Set(r.ReadCode, ReadCode());
            r.Line.Set(r.NewNumberDials, m.NumberDials);
            r.Line.Set(r.NewNumberDecimals, m.NumberDecimals);
            r.Line.Set(r.NewReadMethod, m.NewReadMethod);
            r.Line.Set(r.HHFPosition, m.HHFPosition);
            r.Line.Set(r.NewMeterConstant, m.MeterConstant);
            r.Line.Set(r.PreviousReading, m.PreviousReading);
            mUpload.WriteLine(r.Line.Line());
        });
        if (m.ReadMethod == "P") {
            Attempt([&] {
                ProbeLine& r = mPRB;
                r.Line.Start();
                r.Line.Set(r.OpticalProbeRecorderID, m.OpticalProbeID);
                r.Line.Set(r.ReadDate, readDate);
                r.Line.Set(r.ReadTime, readTime);
                mUpload.WriteLine(r.Line.Line());
            });
        } else if (m.ReadMethod == "R") {
            Attempt([&] {
                RadioLine& r = mRFF;
                char tagDigits[24];
                const char* tagEnd = std::to_chars(tagDigits, tagDigits + sizeof tagDigits, m.TagNumber).ptr;
                r.Line.Start();
                r.Line.Set(r.RFERTID, std::string_view(tagDigits, static_cast<size_t>(tagEnd - tagDigits)));
                r.Line.Set(r.GeographicArea, m.GeographicArea);
                r.Line.Set(r.RFFrequency, m.RFFrequency);
                r.Line.Set(r.RFTone, m.RFTone);
                // Rounded (halves away from zero) by the zero-filled column, where "RDG" drops the decimals.
                r.Line.Set(r.ReadDate, readDate);
                r.Line.Set(r.ReadTime, readTime);
                r.Line.Set(r.Reading, ScaledReading());
                r.Line.Set(r.VisualReadIndicator, mReadType == 2 ? "Y" : "N");
                r.Line.Set(r.ERTType, m.ERTType);
                mUpload.WriteLine(r.Line.Line());
            });
        } else if (m.ReadMethod == "W") {
            Attempt([&] {
                WandLine& r = mWRR;
                r.Line.Start();
                r.Line.Set(r.ReadDate, readDate);
                r.Line.Set(r.ReadTime, readTime);
                r.Line.Set(r.Reading, ScaledReading());
                r.Line.Set(r.VisualReadIndicator, mReadType == 2 ? "Y" : "N");
                r.Line.Set(r.DeviceID, m.DeviceID);
                r.Line.Set(r.WandProgram, m.WandProgram);
                mUpload.WriteLine(r.Line.Line());
            });
        }
    }

    std::string_view ReadCode() const {
        if (mStatus == 0) return mReadType == 4 || (mReadType == 2 && mMeter.CurrentReading == 0) ? "S" : " ";
        switch (mReadType) {
        case 1:
        case 3: return "N";
        case 2: return "O";
        case 4: return "S";
        default: return " ";
        }
    }

    // The readings database's field numbers, looked up once per opening.
    struct RecordFields {
        // The high and low limits (MaxReading, MinReading) have no place in the upload.
        int16_t RecType, RouteNbr, Sequence, MeterTagNbr, MeterType, Digits, Decimals, PrvReading, CurReading,
            ReadingDate, ReadingTime, Status, ReadType, ResponseCode, Initials, ServiceAddress, BillingName,
            MeterSerialNbr, ResponseText, User1, User2, User3, User4, User5;
    };

    clsExchange& mEngine;
    ConversionRun& mRun;
    int mFileVersion;
    std::string mSource;
    clsMVRSUpload mUpload;
    const FileColumns mFileHeader, mFileTrailer;
    const RouteColumns mRouteHeader, mRouteTrailer;
    CustomerLine mCUS;
    CustomerExtraLine mCSX;
    MeterLine mMTR;
    MessageLine mMTS;
    ReadingLine mRDG;
    ProbeLine mPRB;
    RadioLine mRFF;
    WandLine mWRR;
    clsQVF* mDatabase = nullptr;
    clsPalmDB* mRecords = nullptr; // mDatabase's records
    RecordFields mFields{};
    int32_t mRecordNumber = 0;
    int64_t mRecordType = 0; // of the record read last

    // File totals and the route table.
    int16_t mNumberRoutes = 0;
    int16_t mNumberMeters = 0;
    std::vector<MVRSRouteInfo> mRoutes; // route k at k - 1

    // The route of the meters being written, and the meter.
    int64_t mCurrentRoute = 0;
    MVRSCustomerView mCustomer;
    MVRSMeterView mMeter;
    std::string mUnpacked[5]; // User1..User5 with character 0 restored, where they carry it
    std::string mLocation;    // the meter location's digits
    mutable std::string mScratch;    // a number field's text, for TextView
    int64_t mStatus = 0;
    int64_t mReadType = 0;
    int64_t mLastReadingDate = 0; // ReadDateOf's last reading date (0: none) and its date
    DateTime mLastReadDate = clsField::ZeroDate();
};

bool clsExchange::ConvertReadingMVRS(int FileVersion) { return MVRSReadingExport(*this, FileVersion).Export(); }

} // namespace dovrex
