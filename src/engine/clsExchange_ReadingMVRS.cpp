// The MVRS upload export of the reading conversion: the readings database read twice,
// first for the route and file totals, then to write the upload: a file header, per run
// of meters of one route a route header, each meter's customer, meter and reading
// records and a route trailer, and a file trailer. What the upload needs of the download
// travels in the route records and the User1..User5 texts of the meter records.

#include "MVRSCustomer.h"
#include "MVRSMeter.h"
#include "MVRSRouteInfo.h"
#include "clsExchange.h"
#include "modMVRS.h"

#include "billing/RecordColumn.h"
#include "billing/clsMVRSUpload.h"
#include "handheld_db/clsQVF.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <cmath>

namespace dovrex {

namespace {

// The values of a packed text as ExtractUser gives them: views of the text (or of scratch,
// when the text carries character 0 as character 1), as many as expected, missing
// trailing values empty. Valid while the text and scratch are.
const std::vector<std::string_view>& Unpack(std::string_view text, size_t count, std::string& scratch,
                                            std::vector<std::string_view>& values) {
    if (text.find('\x01') != std::string_view::npos) {
        scratch.assign(text);
        std::replace(scratch.begin(), scratch.end(), '\x01', '\0');
        text = scratch;
    }
    values.clear();
    size_t start = 0;
    for (;;) {
        const size_t tilde = text.find('~', start);
        if (tilde == std::string_view::npos) {
            values.push_back(text.substr(start));
            break;
        }
        values.push_back(text.substr(start, tilde - start));
        start = tilde + 1;
    }
    if (values.size() < count) values.resize(count);
    return values;
}

// Characters from (1-based) of a text, fewer or none where it ends earlier.
std::string_view Mid(std::string_view text, size_t from, size_t length) {
    return from - 1 < text.size() ? text.substr(from - 1, length) : std::string_view();
}

// A name or address part: the text cut or padded with blanks to the part width.
void AssignPart(std::string& part, std::string_view text) {
    part.assign(text.substr(0, MVRSCustomer::PartWidth));
    part.resize(MVRSCustomer::PartWidth, ' ');
}

// A time of day hhnnss as its six digits.
std::string SixDigits(int64_t number) {
    std::string digits = std::to_string(number < 0 ? -number : number);
    if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
    return number < 0 ? "-" + digits : digits;
}

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

struct CustomerColumns {
    explicit CustomerColumns(const clsMVRSUpload& upload)
        : Kind(upload.RecordType("CUS")), RouteNumber(Kind, "RouteNumber"), NumberMeters(Kind, "NumberMeters"),
          Account(Kind, "Account"), Name(Kind, "Name"), Address1(Kind, "Address1"), Address2(Kind, "Address2"),
          Reserved(Kind, "Reserved"), GroupCode(Kind, "GroupCode"), ExtraIndicator(Kind, "ExtraIndicator"),
          ExceptionCode(Kind, "ExceptionCode"), SegmentCode(Kind, "SegmentCode"), UtilityID(Kind, "UtilityID"),
          PassThru(Kind, "PassThru"), CustomerInfo(Kind, "CustomerInfo") {}
    clsRecType* Kind;
    RecordColumn RouteNumber, NumberMeters, Account, Name, Address1, Address2, Reserved, GroupCode, ExtraIndicator,
        ExceptionCode, SegmentCode, UtilityID, PassThru, CustomerInfo;
};

struct CustomerExtraColumns {
    explicit CustomerExtraColumns(const clsMVRSUpload& upload)
        : Kind(upload.RecordType("CSX")), RouteNumber(Kind, "RouteNumber"), Account(Kind, "Account"),
          Name(Kind, "Name"), NewCustomerInfo(Kind, "NewCustomerInfo"), Address3(Kind, "Address3") {}
    clsRecType* Kind;
    RecordColumn RouteNumber, Account, Name, NewCustomerInfo, Address3;
};

struct MeterColumns {
    explicit MeterColumns(const clsMVRSUpload& upload)
        : Kind(upload.RecordType("MTR")), RouteNumber(Kind, "RouteNumber"), NumberReadings(Kind, "NumberReadings"),
          GroupCode(Kind, "GroupCode"), Reserved2(Kind, "Reserved2"),
          SurveyCode1DisplayIndicator(Kind, "SurveyCode1DisplayIndicator"), Reserved3(Kind, "Reserved3"),
          SurveyCode2DisplayIndicator(Kind, "SurveyCode2DisplayIndicator"), BillCode(Kind, "BillCode"),
          MeterStatus(Kind, "MeterStatus"), OpticalProbeID(Kind, "OpticalProbeID"), MeterNumber(Kind, "MeterNumber"),
          Reserved4(Kind, "Reserved4"), MeterType(Kind, "MeterType"), ReadSequence(Kind, "ReadSequence"),
          NewReadSequence(Kind, "NewReadSequence"), Reserved5(Kind, "Reserved5"), MeterLocation(Kind, "MeterLocation"),
          Reserved6(Kind, "Reserved6"), ReadInstruction1(Kind, "ReadInstruction1"), Reserved7(Kind, "Reserved7"),
          ReadInstruction2(Kind, "ReadInstruction2"),
          SpecialMessageDisplayIndicator(Kind, "SpecialMessageDisplayIndicator"),
          SpecialMessageIndicator(Kind, "SpecialMessageIndicator"), TroubleMessageIndicator(Kind, "TroubleMessageIndicator"),
          SurveyResponse1(Kind, "SurveyResponse1"), SurveyResponse2(Kind, "SurveyResponse2"),
          MeterChangeOutIndicator(Kind, "MeterChangeOutIndicator"),
          ChangeMeterRecordIndicator(Kind, "ChangeMeterRecordIndicator"), MeterCategory(Kind, "MeterCategory"),
          LocationExtraMeter(Kind, "LocationExtraMeter"), TimeCode(Kind, "TimeCode"),
          OriginalAdditionalMeterInfo(Kind, "OriginalAdditionalMeterInfo") {}
    clsRecType* Kind;
    RecordColumn RouteNumber, NumberReadings, GroupCode, Reserved2, SurveyCode1DisplayIndicator, Reserved3,
        SurveyCode2DisplayIndicator, BillCode, MeterStatus, OpticalProbeID, MeterNumber, Reserved4, MeterType,
        ReadSequence, NewReadSequence, Reserved5, MeterLocation, Reserved6, ReadInstruction1, Reserved7,
        ReadInstruction2, SpecialMessageDisplayIndicator, SpecialMessageIndicator, TroubleMessageIndicator,
        SurveyResponse1, SurveyResponse2, MeterChangeOutIndicator, ChangeMeterRecordIndicator, MeterCategory,
        LocationExtraMeter, TimeCode, OriginalAdditionalMeterInfo;
};

struct MessageColumns {
    explicit MessageColumns(const clsMVRSUpload& upload)
        : Kind(upload.RecordType("MTS")), RouteNumber(Kind, "RouteNumber"), MeterNumber(Kind, "MeterNumber"),
          SpecialMessageText(Kind, "SpecialMessageText") {}
    clsRecType* Kind;
    RecordColumn RouteNumber, MeterNumber, SpecialMessageText;
};

struct ReadingColumns {
    explicit ReadingColumns(const clsMVRSUpload& upload)
        : Kind(upload.RecordType("RDG")), RouteNumber(Kind, "RouteNumber"), TextPrompt(Kind, "TextPrompt"),
          ReadDirection(Kind, "ReadDirection"), CompareCode(Kind, "CompareCode"),
          ValidationCode(Kind, "ValidationCode"), Reserved1(Kind, "Reserved1"), ChannelNumber(Kind, "ChannelNumber"),
          ReadMethod(Kind, "ReadMethod"), MeterConstant(Kind, "MeterConstant"), ConstantFlag(Kind, "ConstantFlag"),
          Reading(Kind, "Reading"), ReadOrder(Kind, "ReadOrder"), ReadDate(Kind, "ReadDate"), ReadTime(Kind, "ReadTime"),
          ReadCode(Kind, "ReadCode"), Reserved3(Kind, "Reserved3"), ReadReason(Kind, "ReadReason"),
          ReadAuditResult(Kind, "ReadAuditResult"), Reserved4(Kind, "Reserved4"), TroubleCode1(Kind, "TroubleCode1"),
          Reserved5(Kind, "Reserved5"), TroubleCode2(Kind, "TroubleCode2"), AuditCounter(Kind, "AuditCounter"),
          ClearCounter(Kind, "ClearCounter"), UnprocessedReadFlag(Kind, "UnprocessedReadFlag"),
          MeterReaderID(Kind, "MeterReaderID"), ElapsedTime(Kind, "ElapsedTime"),
          NewNumberDials(Kind, "NewNumberDials"), NewNumberDecimals(Kind, "NewNumberDecimals"),
          NewReadMethod(Kind, "NewReadMethod"), MeterConstantVerified(Kind, "MeterConstantVerified"),
          HHFPosition(Kind, "HHFPosition"), NewMeterConstant(Kind, "NewMeterConstant"), Reserved6(Kind, "Reserved6"),
          ReadTypeCode(Kind, "ReadTypeCode"), PreviousReading(Kind, "PreviousReading") {}
    clsRecType* Kind;
    RecordColumn RouteNumber, TextPrompt, ReadDirection, CompareCode, ValidationCode, Reserved1, ChannelNumber,
        ReadMethod, MeterConstant, ConstantFlag, Reading, ReadOrder, ReadDate, ReadTime, ReadCode, Reserved3,
        ReadReason, ReadAuditResult, Reserved4, TroubleCode1, Reserved5, TroubleCode2, AuditCounter, ClearCounter,
        UnprocessedReadFlag, MeterReaderID, ElapsedTime, NewNumberDials, NewNumberDecimals, NewReadMethod,
        MeterConstantVerified, HHFPosition, NewMeterConstant, Reserved6, ReadTypeCode, PreviousReading;
};

struct ProbeColumns {
    explicit ProbeColumns(const clsMVRSUpload& upload)
        : Kind(upload.RecordType("PRB")), RouteNumber(Kind, "RouteNumber"),
          OpticalProbeRecorderID(Kind, "OpticalProbeRecorderID"), ExpectedDeviceID(Kind, "ExpectedDeviceID"),
          DeviceID(Kind, "DeviceID"), ReadDate(Kind, "ReadDate"), ReadTime(Kind, "ReadTime"),
          DeviceDate(Kind, "DeviceDate"), DeviceTime(Kind, "DeviceTime"), TIMName(Kind, "TIMName"),
          Statuses{RecordColumn(Kind, "StatusOpen"),      RecordColumn(Kind, "StatusTOU"),
                   RecordColumn(Kind, "StatusLPAll"),     RecordColumn(Kind, "StatusLPPartial"),
                   RecordColumn(Kind, "StatusStatusCheck"), RecordColumn(Kind, "StatusResetDemand"),
                   RecordColumn(Kind, "StatusAutoTimeSet"), RecordColumn(Kind, "StatusCodes1"),
                   RecordColumn(Kind, "StatusCodes2"),    RecordColumn(Kind, "StatusCodes3"),
                   RecordColumn(Kind, "StatusCodes4"),    RecordColumn(Kind, "StatusCodes5"),
                   RecordColumn(Kind, "StatusCodes6")} {}
    clsRecType* Kind;
    RecordColumn RouteNumber, OpticalProbeRecorderID, ExpectedDeviceID, DeviceID, ReadDate, ReadTime, DeviceDate,
        DeviceTime, TIMName;
    std::vector<RecordColumn> Statuses;
};

struct RadioColumns {
    explicit RadioColumns(const clsMVRSUpload& upload)
        : Kind(upload.RecordType("RFF")), RouteNumber(Kind, "RouteNumber"), RFERTID(Kind, "RFERTID"),
          GeographicArea(Kind, "GeographicArea"), RFFrequency(Kind, "RFFrequency"), RFTone(Kind, "RFTone"),
          Tamper(Kind, "Tamper"), ReadDate(Kind, "ReadDate"), ReadTime(Kind, "ReadTime"), Reading(Kind, "Reading"),
          ERTType(Kind, "ERTType"), VisualReadIndicator(Kind, "VisualReadIndicator") {}
    clsRecType* Kind;
    RecordColumn RouteNumber, RFERTID, GeographicArea, RFFrequency, RFTone, Tamper, ReadDate, ReadTime, Reading,
        ERTType, VisualReadIndicator;
};

struct WandColumns {
    explicit WandColumns(const clsMVRSUpload& upload)
        : Kind(upload.RecordType("WRR")), RouteNumber(Kind, "RouteNumber"), DeviceID(Kind, "DeviceID"),
          WandProgram(Kind, "WandProgram"), TamperStatus(Kind, "TamperStatus"), ReadDate(Kind, "ReadDate"),
          ReadTime(Kind, "ReadTime"), Reading(Kind, "Reading"), VisualReadIndicator(Kind, "VisualReadIndicator") {}
    clsRecType* Kind;
    RecordColumn RouteNumber, DeviceID, WandProgram, TamperStatus, ReadDate, ReadTime, Reading, VisualReadIndicator;
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
        clsQVF& db = mEngine.OpenReadingsDatabase(mFileVersion);
        clsPalmDB& records = db.DB();
        auto field = [&records](const char* name) { return records.FindItem(name); };
        mFields = RecordFields{field("RecType"),        field("RouteNbr"),       field("Sequence"),
                               field("MeterTagNbr"),    field("MeterType"),      field("Digits"),
                               field("Decimals"),       field("PrvReading"),     field("MaxReading"),
                               field("MinReading"),     field("CurReading"),     field("ReadingDate"),
                               field("ReadingTime"),    field("Status"),         field("ReadType"),
                               field("ResponseCode"),   field("Initials"),       field("ServiceAddress"),
                               field("BillingName"),    field("MeterSerialNbr"), field("ResponseText"),
                               field("User1"),          field("User2"),          field("User3"),
                               field("User4"),          field("User5")};
        mRecordNumber = 0;
        mDatabase = &db;
    }

    // The next record of the database; false at its end. A record that cannot be read
    // ends the pass when ignored, since the records after it cannot be found reliably.
    bool ReadNext(int32_t progressBase) {
        mEngine.SetProgress(255, mDatabase->Position255() / 2 + progressBase);
        bool more = false;
        if (!Attempt([&] {
                more = mDatabase->ReadData();
                if (more) RequireFixedPart();
            })) {
            return false;
        }
        if (more) ++mRecordNumber;
        return more;
    }

    void RequireFixedPart() const {
        const size_t length = mDatabase->RawData().size();
        const auto fixed = static_cast<size_t>(mDatabase->DB().FixedLength());
        // Code and index records have layouts of their own; schema records hold the fields.
        const int32_t type = mDatabase->RecordType();
        const bool schema = (type >= clsQVF::rtHeader && type <= clsQVF::rtOrphan) || type == clsQVF::rtReadingRoute;
        if (type != -1 && (!schema || length >= fixed)) return;
        RaiseError(ErrBadRecordLength, "Record " + std::to_string(mRecordNumber + 1) + " of " + mSource +
                                           " is damaged: " + std::to_string(length) + " bytes, fewer than the " +
                                           std::to_string(fixed) + " bytes of its fields");
    }

    int64_t Number(int16_t field) const {
        return field != 0 ? static_cast<int64_t>(mDatabase->DB().ItemView(field).ToNumber()) : 0;
    }
    std::string Text(int16_t field) const { return std::string(TextView(field)); }
    // A view of the record read last, or of mScratch for a number.
    std::string_view TextView(int16_t field) const {
        return field != 0 ? mDatabase->DB().ItemView(field).TextIn(mScratch) : std::string_view();
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
                switch (Number(mFields.RecType)) {
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
        const auto& values = Unpack(TextView(mFields.User1), 5, mUnpacked, mParts);
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
        // Every counter is raised together, so that a retried record is not counted twice.
        MVRSRouteInfo counted = route;
        const int16_t meters = Plus1(mNumberMeters);
        counted.MeterRecords = Plus1(route.MeterRecords);
        counted.CustomerRecords = Plus1(route.CustomerRecords);
        counted.TotalCustomerRecords = Plus1(route.TotalCustomerRecords);
        counted.TotalMeterRecords = Plus1(route.TotalMeterRecords);
        counted.TotalReadingRecords = Plus1(route.TotalReadingRecords);
        counted.ReadingRecords = Plus1(route.ReadingRecords);
        switch (Number(mFields.MeterType)) {
        case 1: counted.WaterMeters = Plus1(route.WaterMeters); break;
        case 2: counted.GasMeters = Plus1(route.GasMeters); break;
        case 3: counted.ElectricMeters = Plus1(route.ElectricMeters); break;
        default: break;
        }
        const int64_t status = Number(mFields.Status);
        if (status == 0) counted.MissedReadings = Plus1(route.MissedReadings);
        if (status == 1) {
            switch (Number(mFields.ReadType)) {
            case 0: counted.MissedReadings = Plus1(route.MissedReadings); break;
            case 1: counted.TotalOffsiteRadioReadings = Plus1(route.TotalOffsiteRadioReadings); break;
            case 2: counted.TotalKeyedReadings = Plus1(route.TotalKeyedReadings); break;
            case 3: counted.TotalOpticalProbeReadings = Plus1(route.TotalOpticalProbeReadings); break;
            case 4: counted.SkippedReadings = Plus1(route.SkippedReadings); break;
            default: break;
            }
        }
        route = std::move(counted);
        mNumberMeters = meters;
    }

    // Pass 2: the records of every meter, with a route header and trailer around each run
    // of meters of one route.
    void WritePass() {
        while (ReadNext(127)) {
            if (Number(mFields.RecType) != clsQVF::rtMeter) continue;
            int64_t routeIndex = 0;
            // A meter that cannot be taken apart is left out when ignored.
            if (!Attempt([&] { routeIndex = DecodeMeter(); })) continue;
            if (routeIndex != mCurrentRoute) {
                if (mCurrentRoute != 0) Attempt([&] { WriteRouteRecord(mRouteTrailer, mCurrentRoute); });
                mCurrentRoute = routeIndex;
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
        MVRSCustomer& c = mCustomer;
        MVRSMeter& m = mMeter;
        const std::string_view address = TextView(mFields.ServiceAddress);
        AssignPart(c.Address1, Mid(address, 1, 20));
        AssignPart(c.Address2, Mid(address, 21, 20));
        AssignPart(c.Address3, Mid(address, 41, 20));
        const std::string_view name = TextView(mFields.BillingName);
        AssignPart(c.Name, Mid(name, 1, 20));
        AssignPart(c.Name2, Mid(name, 21, 20));
        const auto& customer = Unpack(TextView(mFields.User1), 7, mUnpacked, mParts);
        c.Account = customer[1];
        c.GroupCode = customer[2];
        c.ExtraIndicator = customer[3];
        c.SegmentCode = customer[4];
        c.PassThru = customer[5];
        c.CustomerInfo = customer[6];
        c.UtilityID.clear();

        m.MeterNumber = Text(mFields.MeterSerialNbr);
        m.Sequence = Fitting<int32_t>(static_cast<double>(Number(mFields.Sequence)));
        m.TagNumber = Fitting<int32_t>(static_cast<double>(Number(mFields.MeterTagNbr)));
        m.MeterCategory = MeterCategoryOfType(Number(mFields.MeterType));
        m.NumberDials = Fitting<int16_t>(static_cast<double>(Number(mFields.Digits)));
        m.NumberDecimals = Fitting<int16_t>(static_cast<double>(Number(mFields.Decimals)));
        m.CurrentReading = Fitting<int32_t>(static_cast<double>(Number(mFields.CurReading)));
        m.PreviousReading = Fitting<int32_t>(static_cast<double>(Number(mFields.PrvReading)));
        m.HighLimit = Fitting<int32_t>(static_cast<double>(Number(mFields.MaxReading)));
        m.LowLimit = Fitting<int32_t>(static_cast<double>(Number(mFields.MinReading)));
        mStatus = Number(mFields.Status);
        mReadType = Number(mFields.ReadType);
        m.ReadDate = clsField::ZeroDate();
        m.ReadTime = 0;
        const std::string_view readingDate = TextView(mFields.ReadingDate);
        if (mStatus != 0 && Val(readingDate) != 0) {
            // A date the handheld got wrong is sent as no date rather than losing the reading.
            std::string text(Mid(readingDate, 5, 2));
            text += '/';
            text += Mid(readingDate, 7, 2);
            text += '/';
            text += Mid(readingDate, 1, 4);
            const auto date = clsField::DateFromText(text);
            m.ReadDate = date.value_or(clsField::ZeroDate());
            m.ReadTime = Fitting<int32_t>(static_cast<double>(Number(mFields.ReadingTime)));
        }
        m.ResponseCode = Text(mFields.ResponseCode);
        m.ResponseText = Text(mFields.ResponseText);

        const auto& meter = Unpack(TextView(mFields.User2), 15, mUnpacked, mParts);
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
        m.SurveyText1 = meter[11];
        m.LocationExtraMeter = meter[12];
        m.AdditionalMeterInfo = meter[13];
        m.ReadSequenceText = meter[14];
        const auto& reading = Unpack(TextView(mFields.User3), 9, mUnpacked, mParts);
        m.TextPrompt = reading[0];
        m.ReadDirection = reading[1];
        m.CompareCode = reading[2];
        m.ValidationCode = reading[3];
        m.ReadMethod = reading[4];
        m.MeterConstant = reading[5];
        m.ConstantFlag = reading[6];
        m.HHFPosition = reading[7];
        const auto& device = Unpack(TextView(mFields.User4), 6, mUnpacked, mParts);
        m.GeographicArea = Fitting<int16_t>(Val(device[0]));
        m.RFFrequency = device[1];
        m.RFTone = device[2];
        m.ERTType = device[3];
        m.DeviceID = device[4];
        m.WandProgram = device[5];
        m.SpecialMessageText = Unpack(TextView(mFields.User5), 1, mUnpacked, mParts)[0];
        m.NewReadMethod = mStatus == 0 ? "N" : MethodOfReadType(mReadType).value_or("");
        m.TamperCount = 0;
        return routeIndex;
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

    // The meter number as the upload writes it: a lone 0 is no meter number.
    std::string UploadMeterNumber() const { return Trim(mMeter.MeterNumber) == "0" ? " " : mMeter.MeterNumber; }

    // The reading in whole units; the decimals the handheld keeps are dropped or rounded.
    double ScaledReading() const {
        const double reading = mMeter.CurrentReading;
        return mMeter.NumberDecimals != 0 ? reading / std::pow(10.0, mMeter.NumberDecimals) : reading;
    }

    void WriteMeterRecords() {
        const MVRSMeter& m = mMeter;
        const MVRSCustomer& c = mCustomer;
        const std::string& routeNumber = RouteEntry(mCurrentRoute, "Meter").RouteNumber;
        const std::string specialMessage = Trim(m.SpecialMessageText);
        const std::string meterNumber = UploadMeterNumber();
        const std::string readTime = SixDigits(m.ReadTime);

        Attempt([&] {
            const CustomerColumns& r = mCUS;
            r.Kind->Init();
            r.RouteNumber.Set(routeNumber);
            r.NumberMeters.Set(1);
            r.Account.Set(c.Account);
            r.Name.Set(c.Name);
            r.Address1.Set(c.Address1);
            r.Address2.Set(c.Address2);
            r.GroupCode.Set(c.GroupCode);
            r.ExtraIndicator.Set(c.ExtraIndicator);
            r.ExceptionCode.Set(" ");
            r.SegmentCode.Set(c.SegmentCode);
            r.UtilityID.Set(c.UtilityID);
            r.PassThru.Set(c.PassThru);
            r.CustomerInfo.Set(c.CustomerInfo);
            r.Reserved.Set("00");
            Write(*r.Kind);
        });
        if (c.ExtraIndicator == "Y") {
            Attempt([&] {
                const CustomerExtraColumns& r = mCSX;
                r.Kind->Init();
                r.RouteNumber.Set(routeNumber);
                r.Account.Set(c.Account);
                r.Name.Set(c.Name2);
                r.NewCustomerInfo.Set(c.CustomerInfo);
                r.Address3.Set(c.Address3);
                Write(*r.Kind);
            });
        }
        Attempt([&] {
            const MeterColumns& r = mMTR;
            r.Kind->Init();
            r.RouteNumber.Set(routeNumber);
            r.NumberReadings.Set(1);
            r.GroupCode.Set(m.GroupCode);
            r.SurveyCode1DisplayIndicator.Set(m.SurveyCode1DisplayIndicator);
            r.SurveyCode2DisplayIndicator.Set(m.SurveyCode2DisplayIndicator);
            r.BillCode.Set(m.BillCode);
            r.MeterStatus.Set(m.MeterStatus);
            r.OpticalProbeID.Set(m.OpticalProbeID);
            r.MeterNumber.Set(meterNumber);
            r.MeterType.Set(m.MeterTypeText);
            r.ReadSequence.Set(m.Sequence);
            r.NewReadSequence.Set(m.Sequence);
            std::string location = "00";
            if (m.MeterLocation.find('.') == std::string::npos) {
                location = NumberText(Val(m.MeterLocation));
                if (location.size() < 2) location.insert(0, 2 - location.size(), '0');
            }
            r.MeterLocation.Set(location);
            r.ReadInstruction1.Set(m.ReadInstruction1);
            r.ReadInstruction2.Set(m.ReadInstruction2);
            r.SpecialMessageDisplayIndicator.Set(m.SpecialMessageDisplayIndicator);
            // Said only when an "MTS" record follows with the message.
            r.SpecialMessageIndicator.Set(specialMessage.empty() ? "N" : "Y");
            r.TroubleMessageIndicator.Set(Val(m.ResponseCode) > 0 || !m.ResponseText.empty() ? "Y" : "N");
            r.SurveyResponse1.Set(" ");
            r.SurveyResponse2.Set(" ");
            r.MeterChangeOutIndicator.Set("N");
            r.ChangeMeterRecordIndicator.Set("N");
            r.MeterCategory.Set(m.MeterCategory);
            r.LocationExtraMeter.Set(m.LocationExtraMeter);
            r.TimeCode.Set(0);
            r.OriginalAdditionalMeterInfo.Set(meterNumber);
            r.Reserved2.Set("0000000000");
            r.Reserved3.Set("00");
            r.Reserved4.Set("0000000000");
            for (const RecordColumn* reserved : {&r.Reserved5, &r.Reserved6, &r.Reserved7}) reserved->Set("0");
            Write(*r.Kind);
        });
        if (!specialMessage.empty()) {
            Attempt([&] {
                const MessageColumns& r = mMTS;
                r.Kind->Init();
                r.RouteNumber.Set(routeNumber);
                r.MeterNumber.Set(meterNumber);
                r.SpecialMessageText.Set(specialMessage);
                Write(*r.Kind);
            });
        }
        Attempt([&] {
            const ReadingColumns& r = mRDG;
            r.Kind->Init();
            r.RouteNumber.Set(routeNumber);
            r.TextPrompt.Set(m.TextPrompt);
            // The download's PromptCode has no column in the upload.
            r.ReadDirection.Set(m.ReadDirection);
            r.CompareCode.Set(m.CompareCode);
            r.ValidationCode.Set(m.ValidationCode);
            r.ChannelNumber.Set(0);
            r.ReadMethod.Set(MethodOfReadType(mReadType).value_or(m.ReadMethod));
            r.MeterConstant.Set(m.MeterConstant);
            r.ConstantFlag.Set(m.ConstantFlag);
            r.Reading.Set(std::trunc(ScaledReading()));
            r.ReadOrder.Set(1);
            r.ReadDate.Set(m.ReadDate);
            r.ReadTime.Set(readTime);
            r.ReadCode.Set(ReadCode());
            for (const RecordColumn* zero : {&r.ReadReason, &r.ReadAuditResult, &r.TroubleCode1, &r.TroubleCode2,
                                             &r.AuditCounter, &r.ClearCounter, &r.ElapsedTime, &r.ReadTypeCode}) {
                zero->Set(0);
            }
            r.UnprocessedReadFlag.Set("N");
            r.MeterReaderID.Set("TRAV");
            r.NewNumberDials.Set(m.NumberDials);
            r.NewNumberDecimals.Set(m.NumberDecimals);
            r.NewReadMethod.Set(m.NewReadMethod);
            r.MeterConstantVerified.Set(" ");
            r.HHFPosition.Set(m.HHFPosition);
            r.NewMeterConstant.Set(m.MeterConstant);
            r.PreviousReading.Set(m.PreviousReading);
            for (const RecordColumn* reserved : {&r.Reserved1, &r.Reserved3, &r.Reserved4, &r.Reserved5, &r.Reserved6}) {
                reserved->Set("0");
            }
            Write(*r.Kind);
        });
        if (m.ReadMethod == "P") {
            Attempt([&] {
                const ProbeColumns& r = mPRB;
                r.Kind->Init();
                r.RouteNumber.Set(routeNumber);
                r.OpticalProbeRecorderID.Set(m.OpticalProbeID);
                for (const RecordColumn* empty : {&r.ExpectedDeviceID, &r.DeviceID, &r.DeviceDate, &r.DeviceTime,
                                                  &r.TIMName}) {
                    empty->Set("");
                }
                r.ReadDate.Set(m.ReadDate);
                r.ReadTime.Set(readTime);
                for (const RecordColumn& status : r.Statuses) status.Set("00");
                Write(*r.Kind);
            });
        } else if (m.ReadMethod == "R") {
            Attempt([&] {
                const RadioColumns& r = mRFF;
                r.Kind->Init();
                r.RouteNumber.Set(routeNumber);
                r.RFERTID.Set(NumberText(m.TagNumber));
                r.GeographicArea.Set(m.GeographicArea);
                r.RFFrequency.Set(m.RFFrequency);
                r.RFTone.Set(m.RFTone);
                r.Tamper.Set(m.TamperCount);
                // Rounded (halves away from zero) by the zero-filled column, where "RDG" drops the decimals.
                r.ReadDate.Set(m.ReadDate);
                r.ReadTime.Set(readTime);
                r.Reading.Set(ScaledReading());
                r.VisualReadIndicator.Set(mReadType == 2 ? "Y" : "N");
                r.ERTType.Set(m.ERTType);
                Write(*r.Kind);
            });
        } else if (m.ReadMethod == "W") {
            Attempt([&] {
                const WandColumns& r = mWRR;
                r.Kind->Init();
                r.RouteNumber.Set(routeNumber);
                r.TamperStatus.Set(m.TamperCount);
                r.ReadDate.Set(m.ReadDate);
                r.ReadTime.Set(readTime);
                r.Reading.Set(ScaledReading());
                r.VisualReadIndicator.Set(mReadType == 2 ? "Y" : "N");
                r.DeviceID.Set(m.DeviceID);
                r.WandProgram.Set(m.WandProgram);
                Write(*r.Kind);
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
        int16_t RecType, RouteNbr, Sequence, MeterTagNbr, MeterType, Digits, Decimals, PrvReading, MaxReading,
            MinReading, CurReading, ReadingDate, ReadingTime, Status, ReadType, ResponseCode, Initials, ServiceAddress,
            BillingName, MeterSerialNbr, ResponseText, User1, User2, User3, User4, User5;
    };

    clsExchange& mEngine;
    ConversionRun& mRun;
    int mFileVersion;
    std::string mSource;
    clsMVRSUpload mUpload;
    const FileColumns mFileHeader, mFileTrailer;
    const RouteColumns mRouteHeader, mRouteTrailer;
    const CustomerColumns mCUS;
    const CustomerExtraColumns mCSX;
    const MeterColumns mMTR;
    const MessageColumns mMTS;
    const ReadingColumns mRDG;
    const ProbeColumns mPRB;
    const RadioColumns mRFF;
    const WandColumns mWRR;
    clsQVF* mDatabase = nullptr;
    RecordFields mFields{};
    int32_t mRecordNumber = 0;

    // File totals and the route table.
    int16_t mNumberRoutes = 0;
    int16_t mNumberMeters = 0;
    std::vector<MVRSRouteInfo> mRoutes; // route k at k - 1

    // The route of the meters being written, and the meter.
    int64_t mCurrentRoute = 0;
    MVRSCustomer mCustomer;
    MVRSMeter mMeter;
    std::vector<std::string_view> mParts; // the values of one packed text
    std::string mUnpacked;                // a packed text with character 0 restored
    mutable std::string mScratch;    // a number field's text, for TextView
    int64_t mStatus = 0;
    int64_t mReadType = 0;
};

bool clsExchange::ConvertReadingMVRS(int FileVersion) { return MVRSReadingExport(*this, FileVersion).Export(); }

} // namespace dovrex
