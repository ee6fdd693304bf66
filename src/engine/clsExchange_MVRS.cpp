// The MVRS route import: an MVRS download read twice, first for the file, cycle and
// route totals, then to build one meter record from the records around each "MTR".

#include "MVRSCustomer.h"
#include "MVRSMeter.h"
#include "MVRSRouteInfo.h"
#include "clsExchange.h"
#include "modMVRS.h"

#include "billing/clsMVRSDownload.h"
#include "handheld_db/clsQVF.h"
#include "maps/clsExchMap.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <optional>

namespace dovrex {

namespace {

// The progress scale of both passes together (the third share is never reached).
constexpr int32_t kProgressMax = 765;

// A column's value as text and as a number.
std::string TextOf(const clsRecType& record, std::string_view field) { return record.Value(field).ToText(); }
double NumberOf(const clsRecType& record, std::string_view field) { return record.Value(field).ToNumber(); }

// A field's columns as they stand in the line (a number field reads them as a number).
std::string ColumnText(const clsRecType& record, std::string_view field) {
    const std::string& line = record.LastBuffer();
    for (const clsField& f : record.Fields()) {
        if (f.FieldName() != field) continue;
        const size_t start = static_cast<size_t>(f.FieldPos()) - 1;
        return start < line.size() ? line.substr(start, static_cast<size_t>(f.FieldLen())) : std::string();
    }
    return {};
}

// The meter type code of a meter category.
std::optional<int> MeterTypeOfCategory(const std::string& category) {
    if (category == "W") return 1;
    if (category == "G") return 2;
    if (category == "E") return 3;
    if (category == "S") return 4;
    if (category == "I") return 5;
    return std::nullopt;
}

// The read type code of a read method.
std::optional<int> ReadTypeOfMethod(const std::string& method) {
    if (method == "K") return 2;
    if (method == "P" || method == "W") return 3;
    if (method == "R") return 1;
    if (method == "N") return 0;
    return std::nullopt;
}

} // namespace

class clsExchange::MVRSRouteImport {
public:
    explicit MVRSRouteImport(clsExchange& engine)
        : mEngine(engine), mRun(engine.Run()), mSource(engine.ResolvedPath(engine.mvarRouteSource)),
          mRadioProcessing(mRun.CurrentMap->MapOptions(1) == "Y") {}

    bool Convert() {
        if (!CountPass()) return false;
        if (!CreateDatabase()) return false;
        WriteOpeningRecords();
        return BuildPass();
    }

private:
    // The route table entry k (from 1); raises when the table has none.
    MVRSRouteInfo& RouteEntry(int32_t k, const char* recordKind, int32_t line) {
        if (k < 1 || static_cast<size_t>(k) > mRoutes.size()) {
            RaiseError(ErrSubscript, std::string("The ") + recordKind + " record in line " +
                                         NumberText(static_cast<int64_t>(line)) + " of " + mSource +
                                         (k < 1 ? " comes before any route of the file"
                                                : " is not announced by the CHD records before it"));
        }
        return mRoutes[static_cast<size_t>(k) - 1];
    }

    bool OpenDownload(clsMVRSDownload& download) {
        if (download.OpenFile(mSource)) return true;
        // The file was there a moment ago: whatever stops it now, nothing usable is written.
        mRun.ConversionProblems = true;
        return false;
    }

    static int16_t Add16(int16_t total, double amount) {
        return CheckInt16(static_cast<int64_t>(total) + static_cast<int64_t>(amount));
    }

    // Pass 1: file, cycle and route totals, and the meters of each route.
    bool CountPass() {
        clsMVRSDownload download(&mEngine.mMessages);
        if (!OpenDownload(download)) return false;
        int32_t routeEntry = 0;
        for (;;) {
            mEngine.SetProgress(kProgressMax, download.Position255());
            clsRecType* record = download.ReadNext();
            if (record == nullptr) break;
            const std::string& kind = record->RIValue();
            if (kind == "FHD") {
                mNumberCustomers = 0;
                mNumberMeters = 0;
                mNumberRoutes = 0;
            } else if (kind == "CHD") {
                mCycleDate = record->Value("CycleDate").IsDate() ? record->Value("CycleDate").Date() : clsField::ZeroDate();
                const double announced = NumberOf(*record, "NumberRoutes");
                mNumberRoutes = Add16(mNumberRoutes, announced == 0 ? 1 : announced);
                mRoutes.resize(static_cast<size_t>(std::max<int16_t>(mNumberRoutes, 0)));
            } else if (kind == "RHD") {
                mNumberCustomers = Add16(mNumberCustomers, NumberOf(*record, "NumberCustomerRecords"));
                mNumberMeters = Add16(mNumberMeters, NumberOf(*record, "NumberMeterRecords"));
                MVRSRouteInfo& route = RouteEntry(++routeEntry, "RHD", download.LineNo());
                route.RouteNumber = TextOf(*record, "RouteNumber");
                route.Region = TextOf(*record, "Region");
                route.Zone = TextOf(*record, "Zone");
                route.Office = TextOf(*record, "Office");
                route.ScheduledDate = mCycleDate;
                route.RemoteWandReads = Fitting<int16_t>(NumberOf(*record, "NumberRemoteWandReads"));
            } else if (kind == "MTR") {
                MVRSRouteInfo& route = RouteEntry(routeEntry, "MTR", download.LineNo());
                route.MeterCount = Add16(route.MeterCount, 1);
                mMeterCount = Add16(mMeterCount, 1);
                mDatabaseSize = CheckInt32(static_cast<int64_t>(mDatabaseSize) + 1);
            }
        }
        return true;
    }

    bool CreateDatabase() {
        const int64_t reserve = static_cast<int64_t>(mNumberRoutes) + mDatabaseSize + 2 + 4200;
        const std::string destination = mEngine.ResolvedPath(mEngine.mvarRouteDestination);
        if (mRun.RouteDatabase->CreateQVF(destination, mEngine.RouteFileType(mEngine.mvarRouteQVFType),
                                          CheckInt32(reserve)) != 0) {
            mEngine.WriteLog("Error: Could not Create Route QVF File");
            // Nothing usable was written: the closing line must say so.
            mRun.ConversionProblems = true;
            return false;
        }
        return true;
    }

    // The header record and one route record per entry of the route table.
    void WriteOpeningRecords() {
        const DateTime now = mEngine.mClock.Now();
        clsQVF& db = *mRun.RouteDatabase;
        db.AddNew();
        db.SetItem("RecType", Value(int64_t{0}));
        db.SetItem("RouteNbr", Value(mNumberRoutes));
        db.SetItem("Sequence", Value(DateNumber(now)));
        db.SetItem("MeterTagNbr", Value(TimeNumberHHNN(now)));
        db.SetItem("MeterType", Value(static_cast<int64_t>(db.Version())));
        db.SetItem("PrvReading", Value(mMeterCount));
        db.SetItem("ReadingDate", Value(DateNumber(now)));
        db.SetItem("Initials", Value("QVF loaded from " + mSource));
        db.SetItem("User1", Value(PackUser({NumberText(mNumberCustomers), NumberText(mNumberMeters)})));
        db.WriteData();

        // The route list is what a caller reports on; the route records carry the texts.
        mRun.ClearRoute();
        for (int16_t k = 1; k <= mNumberRoutes; ++k) {
            const MVRSRouteInfo& route = mRoutes[static_cast<size_t>(k) - 1];
            db.AddNew();
            db.SetItem("RecType", Value(int64_t{1}));
            db.SetItem("RouteNbr", Value(k));
            db.SetItem("PrvReading", Value(route.MeterCount));
            db.SetItem("Initials", Value(route.RouteNumber));
            db.SetItem("ResponseText", Value(route.RouteNumber));
            db.SetItem("User1", Value(PackUser({route.Region, route.Zone, route.Office,
                                                 ScheduledDateText(route.ScheduledDate),
                                                 NumberText(route.RemoteWandReads)})));
            db.WriteData();
            mRun.RouteList.push_back(route.RouteNumber);
            mRun.RouteMeterCount.push_back(route.MeterCount);
        }
    }

    // Pass 2: one meter record per "MTR", written when the next meter, customer or route
    // starts, or at the end of the file.
    bool BuildPass() {
        ResolveFields();
        clsMVRSDownload download(&mEngine.mMessages);
        if (!OpenDownload(download)) return false;
        mRouteIndex = 0;
        for (;;) {
            mEngine.SetProgress(kProgressMax, download.Position255() + 255);
            clsRecType* record = download.ReadNext();
            if (record == nullptr) break;
            const std::string& kind = record->RIValue();
            if (kind == "RHD") StartRoute(*record);
            else if (kind == "CUS") StartCustomer(*record);
            else if (kind == "CSX") AddCustomerExtra(*record);
            else if (kind == "MTR") StartMeter(*record);
            else if (kind == "RDG") TakeReading(*record);
            else if (kind == "MTS") mMeter.SpecialMessageText = TextOf(*record, "SpecialMessageText");
            else if (kind == "WRR") TakeWand(*record);
            else if (kind == "RFF") TakeRadio(*record, download.LineNo());
            else if (kind == "RTS") {
                // A survey record before its meter's "MTR" is lost when that starts the meter afresh.
                mMeter.SurveyText1 = TextOf(*record, "SurveyText1");
                mMeter.SurveyText2 = TextOf(*record, "SurveyText2");
            }
        }
        WritePendingMeter();
        return !mRun.ConversionProblems;
    }

    void StartRoute(const clsRecType& record) {
        WritePendingMeter();
        mRouteNumber = TextOf(record, "RouteNumber");
        mRouteIndex = static_cast<int16_t>(mNumberRoutes + 1);
        for (int16_t k = 1; k <= mNumberRoutes; ++k) {
            if (mRoutes[static_cast<size_t>(k) - 1].RouteNumber == mRouteNumber) {
                mRouteIndex = k;
                break;
            }
        }
    }

    void StartCustomer(const clsRecType& record) {
        WritePendingMeter();
        mCustomer = MVRSCustomer{};
        mCustomer.Name = MVRSCustomer::Part(TextOf(record, "Name"));
        mCustomer.Address1 = MVRSCustomer::Part(TextOf(record, "Address1"));
        mCustomer.Address2 = MVRSCustomer::Part(TextOf(record, "Address2"));
        mCustomer.UtilityID = TextOf(record, "UtilityID");
        mCustomer.Account = TextOf(record, "Account");
        mCustomer.GroupCode = TextOf(record, "GroupCode");
        mCustomer.ExtraIndicator = TextOf(record, "ExtraIndicator");
        mCustomer.SegmentCode = TextOf(record, "SegmentCode");
        mCustomer.PassThru = TextOf(record, "PassThru");
        mCustomer.CustomerInfo = TextOf(record, "CustomerInfo");
    }

    void AddCustomerExtra(const clsRecType& record) {
        mCustomer.Name2 = MVRSCustomer::Part(TextOf(record, "Name"));
        mCustomer.Address3 = MVRSCustomer::Part(TextOf(record, "Address3"));
    }

    void StartMeter(const clsRecType& record) {
        WritePendingMeter();
        mMeter = MVRSMeter{};
        mMeter.Pending = true;
        mMeter.MeterNumber = TextOf(record, "MeterNumber");
        mRadio = false;
        const std::string number = Trim(mMeter.MeterNumber);
        if (mRadioProcessing && number.size() == 8 && IsAllDigits(number)) {
            mMeter.TagNumber = Fitting<int32_t>(Val(number));
            mRadio = true;
        }
        mMeter.MeterCategory = TextOf(record, "MeterCategory");
        mMeter.MeterTypeText = TextOf(record, "MeterType");
        mMeter.Sequence = Fitting<int16_t>(NumberOf(record, "ReadSequence"));
        mMeter.GroupCode = TextOf(record, "GroupCode");
        mMeter.MeterLocation = NumberText(Val(TextOf(record, "MeterLocation")));
        mMeter.ReadInstruction1 = TextOf(record, "ReadInstruction1");
        mMeter.ReadInstruction2 = TextOf(record, "ReadInstruction2");
        mMeter.SurveyCode1DisplayIndicator = TextOf(record, "SurveyCode1DisplayIndicator");
        mMeter.SurveyCode2DisplayIndicator = TextOf(record, "SurveyCode2DisplayIndicator");
        mMeter.BillCode = TextOf(record, "BillCode");
        mMeter.MeterStatus = TextOf(record, "MeterStatus");
        mMeter.OpticalProbeID = TextOf(record, "OpticalProbeID");
        mMeter.SpecialMessageDisplayIndicator = Fitting<int16_t>(NumberOf(record, "SpecialMessageDisplayIndicator"));
        mMeter.LocationExtraMeter = TextOf(record, "LocationExtraMeter");
        mMeter.AdditionalMeterInfo = TextOf(record, "AdditionalMeterInfo");
        mMeter.ReadSequenceText = ColumnText(record, "ReadSequence");
    }

    void TakeReading(const clsRecType& record) {
        mMeter.NumberDials = Fitting<int16_t>(NumberOf(record, "NumberDials"));
        mMeter.PreviousReading = Fitting<int32_t>(NumberOf(record, "PreviousReading"));
        mMeter.TextPrompt = TextOf(record, "TextPrompt");
        mMeter.ReadDirection = TextOf(record, "ReadDirection");
        mMeter.CompareCode = TextOf(record, "CompareCode");
        mMeter.ValidationCode = TextOf(record, "ValidationCode");
        mMeter.ReadMethod = mRadio ? "R" : TextOf(record, "ReadMethod");
        mMeter.MeterConstant = TextOf(record, "MeterConstant");
        mMeter.ConstantFlag = TextOf(record, "ConstantFlag");
        mMeter.HHFPosition = TextOf(record, "HHFPosition");
        mMeter.NumberDecimals = Fitting<int16_t>(NumberOf(record, "NumberDecimals"));
        mMeter.HighLimit = Fitting<int32_t>(NumberOf(record, "High1"));
        mMeter.LowLimit = Fitting<int32_t>(NumberOf(record, "Low1"));
    }

    void TakeWand(const clsRecType& record) {
        mMeter.WandProgram = TextOf(record, "WandProgram");
        mMeter.DeviceID = TextOf(record, "DeviceID");
    }

    void TakeRadio(const clsRecType& record, int32_t line) {
        mMeter.TagNumber = Fitting<int32_t>(Val(TextOf(record, "RFERTID")));
        mMeter.GeographicArea = Fitting<int16_t>(NumberOf(record, "GeographicArea"));
        mMeter.RFFrequency = TextOf(record, "RFFrequency");
        mMeter.RFTone = TextOf(record, "RFTone");
        mMeter.TamperCount = Fitting<int16_t>(NumberOf(record, "Tamper"));
        if (mEngine.CheckDuplicateTag(NumberText(mMeter.TagNumber), mCustomer.Address1 + " " + mCustomer.Name, line)) {
            mRun.ConversionProblems = true;
        }
    }

    // The meter record's field numbers, looked up once for all meters.
    struct MeterFields {
        int16_t RecType, RouteNbr, Sequence, MeterTagNbr, MeterType, Digits, Decimals, PrvReading, MaxReading,
            MinReading, Status, ReadType, LstReadingDate, TamperCount, UtilityCode, Lat, Lng, InitPulseCount,
            InitTamperCount, Message, ServiceAddress, BillingName, ServiceUniqueID, MeterSerialNbr, ReceiverData,
            User1, User2, User3, User4, User5;
    };

    void ResolveFields() {
        clsPalmDB& db = mRun.RouteDatabase->DB();
        auto field = [&db](const char* name) {
            const int16_t number = db.FindItem(name);
            if (number == 0) RaiseError(ErrInvalidCall, std::string(name) + " not valid field in Record");
            return number;
        };
        mFields = MeterFields{
            field("RecType"),         field("RouteNbr"),       field("Sequence"),       field("MeterTagNbr"),
            field("MeterType"),       field("Digits"),         field("Decimals"),       field("PrvReading"),
            field("MaxReading"),      field("MinReading"),     field("Status"),         field("ReadType"),
            field("LstReadingDate"),  field("TamperCount"),    field("UtilityCode"),    field("Lat"),
            field("Lng"),             field("InitPulseCount"), field("InitTamperCount"), field("Message"),
            field("ServiceAddress"),  field("BillingName"),    field("ServiceUniqueID"), field("MeterSerialNbr"),
            field("ReceiverData"),    field("User1"),          field("User2"),          field("User3"),
            field("User4"),           field("User5"),
        };
    }

    std::string LookupMessage() const {
        const std::string prior = Trim(mMeter.SpecialMessageText);
        if (mEngine.mAdvanced == nullptr) return BillingMessageOnly(prior);
        return mEngine.mAdvanced->LookupMessage(prior, mRouteNumber, Trim(mCustomer.Account), Trim(mMeter.MeterNumber),
                                                NumberText(mMeter.TagNumber));
    }

    void WritePendingMeter() {
        if (!mMeter.Pending) return;
        const MeterFields& f = mFields;
        const MVRSMeter& m = mMeter;
        const MVRSCustomer& c = mCustomer;
        clsPalmDB& db = mRun.RouteDatabase->DB();
        db.AddNew();
        db.SetItem(f.RecType, Value(int64_t{2}));
        db.SetItem(f.RouteNbr, Value(mRouteIndex));
        db.SetItem(f.Sequence, Value(m.Sequence));
        db.SetItem(f.MeterTagNbr, Value(m.TagNumber));
        if (const auto type = MeterTypeOfCategory(m.MeterCategory)) db.SetItem(f.MeterType, Value(int64_t{*type}));
        db.SetItem(f.Digits, Value(m.NumberDials));
        db.SetItem(f.Decimals, Value(m.NumberDecimals));
        db.SetItem(f.PrvReading, Value(m.PreviousReading));
        db.SetItem(f.MaxReading, Value(m.HighLimit));
        db.SetItem(f.MinReading, Value(m.LowLimit));
        db.SetItem(f.Status, Value(int64_t{0}));
        if (const auto type = ReadTypeOfMethod(m.ReadMethod)) db.SetItem(f.ReadType, Value(int64_t{*type}));
        db.SetItem(f.LstReadingDate, Value(int64_t{0}));
        db.SetItem(f.TamperCount, Value(m.TamperCount));
        // The billing system's utility ID is a text; a numeric field keeps its character codes.
        db.SetItem(f.UtilityCode, Value(c.UtilityID));
        for (int16_t zero : {f.Lat, f.Lng, f.InitPulseCount, f.InitTamperCount}) db.SetItem(zero, Value(int64_t{0}));
        db.SetItem(f.Message, Value(LookupMessage()));
        db.SetItem(f.ServiceAddress, Value(Trim(c.Address1 + c.Address2 + c.Address3)));
        db.SetItem(f.BillingName, Value(Trim(c.Name + c.Name2)));
        db.SetItem(f.ServiceUniqueID, Value(c.Account));
        db.SetItem(f.MeterSerialNbr, Value(m.MeterNumber));
        db.SetItem(f.ReceiverData, Value(""));
        db.SetItem(f.User1, Value(PackUser({"0", c.Account, c.GroupCode, c.ExtraIndicator, c.SegmentCode, c.PassThru,
                                            c.CustomerInfo})));
        db.SetItem(f.User2, Value(PackUser({m.GroupCode, m.SurveyCode1DisplayIndicator, m.SurveyCode2DisplayIndicator,
                                            m.BillCode, m.MeterStatus, m.OpticalProbeID, m.MeterTypeText,
                                            m.MeterLocation, m.ReadInstruction1, m.ReadInstruction2,
                                            NumberText(m.SpecialMessageDisplayIndicator), m.SurveyText1,
                                            m.LocationExtraMeter, m.AdditionalMeterInfo, m.ReadSequenceText})));
        db.SetItem(f.User3, Value(PackUser({m.TextPrompt, m.ReadDirection, m.CompareCode, m.ValidationCode,
                                            m.ReadMethod, m.MeterConstant, m.ConstantFlag, m.HHFPosition,
                                            NumberText(m.NumberDecimals)})));
        db.SetItem(f.User4, Value(PackUser({NumberText(m.GeographicArea), m.RFFrequency, m.RFTone, "", m.DeviceID,
                                            m.WandProgram})));
        db.SetItem(f.User5, Value(PackUser({m.SpecialMessageText})));
        db.WriteData();
        ++mRun.MetersWritten;
        mMeter = MVRSMeter{};
        if (mRun.CreateIndexes && mEngine.mIndexer) {
            mEngine.mIndexer->IndexMeter(*mRun.RouteDatabase, true, static_cast<int32_t>(db.Item(f.RouteNbr).ToNumber()),
                                         mRun.IndexPosition, db.Item(f.MeterTagNbr).ToText(),
                                         db.Item(f.MeterSerialNbr).ToText(), db.Item(f.BillingName).ToText(),
                                         db.Item(f.ServiceAddress).ToText(), db.Item(f.ServiceUniqueID).ToText());
        }
        mRun.IndexPosition = CheckInt16(static_cast<int64_t>(mRun.IndexPosition) + 1);
    }

    clsExchange& mEngine;
    ConversionRun& mRun;
    std::string mSource;
    bool mRadioProcessing;

    // File totals and the route table.
    int16_t mNumberRoutes = 0;
    int16_t mNumberCustomers = 0;
    int16_t mNumberMeters = 0;
    DateTime mCycleDate = clsField::ZeroDate();
    std::vector<MVRSRouteInfo> mRoutes; // entry k at k - 1
    int16_t mMeterCount = 0;
    int32_t mDatabaseSize = 0;

    // The route, customer and meter being built.
    int16_t mRouteIndex = 0;
    std::string mRouteNumber;
    MVRSCustomer mCustomer;
    MVRSMeter mMeter;
    bool mRadio = false;
    MeterFields mFields{};
};

bool clsExchange::ConvertRouteMVRS() { return MVRSRouteImport(*this).Convert(); }

} // namespace dovrex
