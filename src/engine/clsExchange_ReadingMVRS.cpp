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

#include "billing/clsMVRSUpload.h"
#include "handheld_db/clsQVF.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <cmath>

namespace dovrex {

namespace {

// The values of a packed text, as many as expected: missing trailing values are empty.
std::vector<std::string> Unpack(const std::string& text, size_t count) {
    std::vector<std::string> values = clsExchange::ExtractUser(text);
    values.resize(std::max(values.size(), count));
    return values;
}

// Characters from (1-based) of a text, fewer or none where it ends earlier.
std::string Mid(const std::string& text, size_t from, size_t length) {
    return from - 1 < text.size() ? text.substr(from - 1, length) : std::string();
}

// A time of day hhnnss as its six digits.
std::string SixDigits(int64_t number) {
    std::string digits = std::to_string(number < 0 ? -number : number);
    if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
    return number < 0 ? "-" + digits : digits;
}

std::string MeterCategoryOfType(int64_t meterType) {
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
std::optional<std::string> MethodOfReadType(int64_t readType) {
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

} // namespace

class clsExchange::MVRSReadingExport {
public:
    MVRSReadingExport(clsExchange& engine, int FileVersion)
        : mEngine(engine), mRun(engine.Run()), mFileVersion(FileVersion),
          mSource(engine.ResolvedPath(engine.mvarReadingSource)), mUpload(&engine.mMessages) {}

    bool Export() {
        // A file that cannot be created is shown by the writer; each write then fails and asks.
        mUpload.CreateFile(mEngine.ResolvedPath(mEngine.mvarReadingDestination));
        if (Attempt([&] { OpenDatabase(); })) CountPass();
        mRun.ClearRoute();
        for (const MVRSRouteInfo& route : mRoutes) mRun.RouteList.push_back(route.RouteNumber);
        const bool open = Attempt([&] { OpenDatabase(); });
        Attempt([&] { WriteFileRecord("FHD"); });
        if (open) WritePass();
        if (mCurrentRoute != 0) Attempt([&] { WriteRouteRecord("RTR", mCurrentRoute); });
        Attempt([&] { WriteFileRecord("FTR"); });
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
        return field != 0 ? static_cast<int64_t>(mDatabase->DB().Item(field).ToNumber()) : 0;
    }
    std::string Text(int16_t field) const { return field != 0 ? mDatabase->DB().Item(field).ToText() : std::string(); }

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
        const std::vector<std::string> values = Unpack(Text(mFields.User1), 5);
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
                if (mCurrentRoute != 0) Attempt([&] { WriteRouteRecord("RTR", mCurrentRoute); });
                mCurrentRoute = routeIndex;
                Attempt([&] { WriteRouteRecord("RHD", mCurrentRoute); });
            }
            WriteMeterRecords();
        }
    }

    // Rebuilds the current customer and meter from the meter record; returns its route.
    int64_t DecodeMeter() {
        const int64_t routeIndex = Number(mFields.RouteNbr);
        RouteEntry(routeIndex, "Meter");
        MVRSCustomer c;
        MVRSMeter m;
        const std::string address = Text(mFields.ServiceAddress);
        const std::string name = Text(mFields.BillingName);
        c.Address1 = MVRSCustomer::Part(Mid(address, 1, 20));
        c.Address2 = MVRSCustomer::Part(Mid(address, 21, 20));
        c.Address3 = MVRSCustomer::Part(Mid(address, 41, 20));
        c.Name = MVRSCustomer::Part(Mid(name, 1, 20));
        c.Name2 = MVRSCustomer::Part(Mid(name, 21, 20));
        const std::vector<std::string> customer = Unpack(Text(mFields.User1), 7);
        c.Account = customer[1];
        c.GroupCode = customer[2];
        c.ExtraIndicator = customer[3];
        c.SegmentCode = customer[4];
        c.PassThru = customer[5];
        c.CustomerInfo = customer[6];

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
        const std::string readingDate = Text(mFields.ReadingDate);
        if (mStatus != 0 && Val(readingDate) != 0) {
            // A date the handheld got wrong is sent as no date rather than losing the reading.
            const auto date = clsField::DateFromText(Mid(readingDate, 5, 2) + "/" + Mid(readingDate, 7, 2) + "/" +
                                                     Mid(readingDate, 1, 4));
            m.ReadDate = date.value_or(clsField::ZeroDate());
            m.ReadTime = Fitting<int32_t>(static_cast<double>(Number(mFields.ReadingTime)));
        }
        m.ResponseCode = Text(mFields.ResponseCode);
        m.ResponseText = Text(mFields.ResponseText);

        const std::vector<std::string> meter = Unpack(Text(mFields.User2), 15);
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
        const std::vector<std::string> reading = Unpack(Text(mFields.User3), 9);
        m.TextPrompt = reading[0];
        m.ReadDirection = reading[1];
        m.CompareCode = reading[2];
        m.ValidationCode = reading[3];
        m.ReadMethod = reading[4];
        m.MeterConstant = reading[5];
        m.ConstantFlag = reading[6];
        m.HHFPosition = reading[7];
        const std::vector<std::string> device = Unpack(Text(mFields.User4), 6);
        m.GeographicArea = Fitting<int16_t>(Val(device[0]));
        m.RFFrequency = device[1];
        m.RFTone = device[2];
        m.ERTType = device[3];
        m.DeviceID = device[4];
        m.WandProgram = device[5];
        m.SpecialMessageText = Unpack(Text(mFields.User5), 1)[0];
        m.NewReadMethod = mStatus == 0 ? "N" : MethodOfReadType(mReadType).value_or("");
        mCustomer = std::move(c);
        mMeter = std::move(m);
        return routeIndex;
    }

    clsRecType& Record(const char* kind) {
        clsRecType* record = mUpload.SetupRecord(kind);
        if (record == nullptr) RaiseError(ErrInvalidCall, std::string("No upload record of kind ") + kind);
        return *record;
    }

    void Write(clsRecType& record) { mUpload.WriteRecord(record); }

    void WriteFileRecord(const char* kind) {
        clsRecType& r = Record(kind);
        r.SetValue("NewServiceIndicator", "N");
        r.SetValue("ChangeMeterIndicator", "N");
        r.SetValue("NumberRoutes", mNumberRoutes);
        r.SetValue("NumberCustomerRecords", mNumberMeters);
        r.SetValue("NumberMeterRecords", mNumberMeters);
        r.SetValue("NumberReadRecords", mNumberMeters);
        r.SetValue("FileTrailerLineNumber", 0);
        r.SetValue("ExtendedIndicator", "N");
        Write(r);
    }

    void WriteRouteRecord(const char* kind, int64_t routeIndex) {
        const MVRSRouteInfo& route = RouteEntry(routeIndex, "Meter");
        clsRecType& r = Record(kind);
        r.SetValue("RouteNumber", route.RouteNumber);
        r.SetValue("SurveyIndicator", "N");
        r.SetValue("RouteMessageIndicator", "N");
        r.SetValue("TotalNumberKeys", 0);
        r.SetValue("TotalNumberReadingRecords", route.TotalReadingRecords);
        r.SetValue("TotalNumberDemandMeters", 0);
        r.SetValue("TotalNumberKeyedReadings", route.TotalKeyedReadings);
        r.SetValue("TotalNumberOpticalProbeReadings", route.TotalOpticalProbeReadings);
        r.SetValue("TotalNumberOffsiteRadioReadings", route.TotalOffsiteRadioReadings);
        r.SetValue("TotalCustomerRecords", route.TotalCustomerRecords);
        r.SetValue("TotalMeterRecords", route.TotalMeterRecords);
        r.SetValue("TimeUsedtoReadRoute", 0);
        r.SetValue("ResequenceFlag", "N");
        r.SetValue("OriginalSequenceFlag", "Y");
        r.SetValue("NumberCustomerRecords", route.CustomerRecords);
        r.SetValue("NumberMeterRecords", route.MeterRecords);
        r.SetValue("NumberReadingRecords", route.ReadingRecords);
        r.SetValue("NumberMissedReadings", route.MissedReadings);
        r.SetValue("NumberSkippedReadings", route.SkippedReadings);
        r.SetValue("NumberGasMeters", route.GasMeters);
        r.SetValue("NumberWaterMeters", route.WaterMeters);
        r.SetValue("NumberElectricMeters", route.ElectricMeters);
        r.SetValue("NumberLocationMeters", 0);
        r.SetValue("NumberExtraMeters", 0);
        r.SetValue("Region", route.Region);
        r.SetValue("Zone", route.Zone);
        r.SetValue("Office", route.Office);
        r.SetValue("ScheduledReadDate", route.ScheduledDate);
        r.SetValue("MeterReaderStatisticsRecord", "N");
        r.SetValue("ForceCompleteFlag", "N");
        r.SetValue("ForceCompleteCode", "00");
        r.SetValue("NumberRemoteWandReads", route.RemoteWandReads);
        r.SetValue("TypeRoute", " ");
        r.SetValue("TypeResequenceFlag", "N");
        Write(r);
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

        Attempt([&] {
            clsRecType& r = Record("CUS");
            r.SetValue("RouteNumber", routeNumber);
            r.SetValue("NumberMeters", 1);
            r.SetValue("Account", c.Account);
            r.SetValue("Name", c.Name);
            r.SetValue("Address1", c.Address1);
            r.SetValue("Address2", c.Address2);
            r.SetValue("GroupCode", c.GroupCode);
            r.SetValue("ExtraIndicator", c.ExtraIndicator);
            r.SetValue("ExceptionCode", " ");
            r.SetValue("SegmentCode", c.SegmentCode);
            r.SetValue("UtilityID", c.UtilityID);
            r.SetValue("PassThru", c.PassThru);
            r.SetValue("CustomerInfo", c.CustomerInfo);
            r.SetValue("Reserved", "00");
            Write(r);
        });
        if (c.ExtraIndicator == "Y") {
            Attempt([&] {
                clsRecType& r = Record("CSX");
                r.SetValue("RouteNumber", routeNumber);
                r.SetValue("Account", c.Account);
                r.SetValue("Name", c.Name2);
                r.SetValue("NewCustomerInfo", c.CustomerInfo);
                r.SetValue("Address3", c.Address3);
                Write(r);
            });
        }
        Attempt([&] {
            clsRecType& r = Record("MTR");
            r.SetValue("RouteNumber", routeNumber);
            r.SetValue("NumberReadings", 1);
            r.SetValue("GroupCode", m.GroupCode);
            r.SetValue("SurveyCode1DisplayIndicator", m.SurveyCode1DisplayIndicator);
            r.SetValue("SurveyCode2DisplayIndicator", m.SurveyCode2DisplayIndicator);
            r.SetValue("BillCode", m.BillCode);
            r.SetValue("MeterStatus", m.MeterStatus);
            r.SetValue("OpticalProbeID", m.OpticalProbeID);
            r.SetValue("MeterNumber", UploadMeterNumber());
            r.SetValue("MeterType", m.MeterTypeText);
            r.SetValue("ReadSequence", m.Sequence);
            r.SetValue("NewReadSequence", m.Sequence);
            std::string location = "00";
            if (m.MeterLocation.find('.') == std::string::npos) {
                location = NumberText(Val(m.MeterLocation));
                if (location.size() < 2) location.insert(0, 2 - location.size(), '0');
            }
            r.SetValue("MeterLocation", location);
            r.SetValue("ReadInstruction1", m.ReadInstruction1);
            r.SetValue("ReadInstruction2", m.ReadInstruction2);
            r.SetValue("SpecialMessageDisplayIndicator", m.SpecialMessageDisplayIndicator);
            // Said only when an "MTS" record follows with the message.
            r.SetValue("SpecialMessageIndicator", specialMessage.empty() ? "N" : "Y");
            r.SetValue("TroubleMessageIndicator", Val(m.ResponseCode) > 0 || !m.ResponseText.empty() ? "Y" : "N");
            r.SetValue("SurveyResponse1", " ");
            r.SetValue("SurveyResponse2", " ");
            r.SetValue("MeterChangeOutIndicator", "N");
            r.SetValue("ChangeMeterRecordIndicator", "N");
            r.SetValue("MeterCategory", m.MeterCategory);
            r.SetValue("LocationExtraMeter", m.LocationExtraMeter);
            r.SetValue("TimeCode", 0);
            r.SetValue("OriginalAdditionalMeterInfo", UploadMeterNumber());
            r.SetValue("Reserved2", "0000000000");
            r.SetValue("Reserved3", "00");
            r.SetValue("Reserved4", "0000000000");
            for (const char* reserved : {"Reserved5", "Reserved6", "Reserved7"}) r.SetValue(reserved, "0");
            Write(r);
        });
        if (!specialMessage.empty()) {
            Attempt([&] {
                clsRecType& r = Record("MTS");
                r.SetValue("RouteNumber", routeNumber);
                r.SetValue("MeterNumber", UploadMeterNumber());
                r.SetValue("SpecialMessageText", specialMessage);
                Write(r);
            });
        }
        const std::string readTime = SixDigits(m.ReadTime);
        Attempt([&] {
            clsRecType& r = Record("RDG");
            r.SetValue("RouteNumber", routeNumber);
            r.SetValue("TextPrompt", m.TextPrompt);
            r.SetValue("PromptCode", " ");
            r.SetValue("ReadDirection", m.ReadDirection);
            r.SetValue("CompareCode", m.CompareCode);
            r.SetValue("ValidationCode", m.ValidationCode);
            r.SetValue("ChannelNumber", 0);
            r.SetValue("ReadMethod", MethodOfReadType(mReadType).value_or(m.ReadMethod));
            r.SetValue("MeterConstant", m.MeterConstant);
            r.SetValue("ConstantFlag", m.ConstantFlag);
            r.SetValue("Reading", std::trunc(ScaledReading()));
            r.SetValue("ReadOrder", 1);
            r.SetValue("ReadDate", m.ReadDate);
            r.SetValue("ReadTime", readTime);
            r.SetValue("ReadCode", ReadCode());
            for (const char* zero : {"ReadReason", "ReadAuditResult", "TroubleCode1", "TroubleCode2", "AuditCounter",
                                     "ClearCounter", "ElapsedTime", "ReadTypeCode"}) {
                r.SetValue(zero, 0);
            }
            r.SetValue("UnprocessedReadFlag", "N");
            r.SetValue("MeterReaderID", "TRAV");
            r.SetValue("NewNumberDials", m.NumberDials);
            r.SetValue("NewNumberDecimals", m.NumberDecimals);
            r.SetValue("NewReadMethod", m.NewReadMethod);
            r.SetValue("MeterConstantVerified", " ");
            r.SetValue("HHFPosition", m.HHFPosition);
            r.SetValue("NewMeterConstant", m.MeterConstant);
            r.SetValue("PreviousReading", m.PreviousReading);
            for (const char* reserved : {"Reserved1", "Reserved3", "Reserved4", "Reserved5", "Reserved6"}) {
                r.SetValue(reserved, "0");
            }
            Write(r);
        });
        if (m.ReadMethod == "P") {
            Attempt([&] {
                clsRecType& r = Record("PRB");
                r.SetValue("RouteNumber", routeNumber);
                r.SetValue("OpticalProbeRecorderID", m.OpticalProbeID);
                for (const char* empty : {"ExpectedDeviceID", "DeviceID", "DeviceDate", "DeviceTime", "TIMName"}) {
                    r.SetValue(empty, "");
                }
                r.SetValue("ReadDate", m.ReadDate);
                r.SetValue("ReadTime", readTime);
                for (const char* status : {"StatusOpen", "StatusTOU", "StatusLPAll", "StatusLPPartial", "StatusStatusCheck",
                                           "StatusResetDemand", "StatusAutoTimeSet", "StatusCodes1", "StatusCodes2",
                                           "StatusCodes3", "StatusCodes4", "StatusCodes5", "StatusCodes6"}) {
                    r.SetValue(status, "00");
                }
                Write(r);
            });
        } else if (m.ReadMethod == "R") {
            Attempt([&] {
                clsRecType& r = Record("RFF");
                r.SetValue("RouteNumber", routeNumber);
                r.SetValue("RFERTID", NumberText(m.TagNumber));
                r.SetValue("GeographicArea", m.GeographicArea);
                r.SetValue("RFFrequency", m.RFFrequency);
                r.SetValue("RFTone", m.RFTone);
                r.SetValue("Tamper", m.TamperCount);
                SetRemoteReading(r, readTime);
                r.SetValue("ERTType", m.ERTType);
                Write(r);
            });
        } else if (m.ReadMethod == "W") {
            Attempt([&] {
                clsRecType& r = Record("WRR");
                r.SetValue("RouteNumber", routeNumber);
                r.SetValue("TamperStatus", m.TamperCount);
                SetRemoteReading(r, readTime);
                r.SetValue("DeviceID", m.DeviceID);
                r.SetValue("WandProgram", m.WandProgram);
                Write(r);
            });
        }
    }

    // The reading of a radio or wand record: rounded (halves away from zero) by the
    // zero-filled column, where "RDG" drops the decimals.
    void SetRemoteReading(clsRecType& r, const std::string& readTime) const {
        r.SetValue("ReadDate", mMeter.ReadDate);
        r.SetValue("ReadTime", readTime);
        r.SetValue("Reading", ScaledReading());
        r.SetValue("VisualReadIndicator", mReadType == 2 ? "Y" : "N");
    }

    std::string ReadCode() const {
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
    int64_t mStatus = 0;
    int64_t mReadType = 0;
};

bool clsExchange::ConvertReadingMVRS(int FileVersion) { return MVRSReadingExport(*this, FileVersion).Export(); }

} // namespace dovrex
