// The MVRS route import: an MVRS download read twice, first for the file, cycle and
// route totals, then to build one meter record from the records around each "MTR".

#include "MVRSCustomer.h"
#include "MVRSMeter.h"
#include "MVRSRouteInfo.h"
#include "MeterFieldNumbers.h"
#include "clsExchange.h"

#include <array>
#include "modMVRS.h"

#include "billing/RecordColumn.h"
#include "billing/clsMVRSDownload.h"
#include "advanced/clsAdvanced.h"
#include "handheld_db/RecordAssembly.h"
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

// The download reader of one pass and the fields the import reads, each found once.
struct DownloadFields {
    explicit DownloadFields(IMessageBox* messages) : File(messages) {}

    clsMVRSDownload File;
    clsRecType* Kind(const char* id) const { return File.RecordType(id); }
    RecordColumn Field(const char* id, const char* name) const { return RecordColumn(Kind(id), name); }

    const clsRecType* FHD = Kind("FHD");
    const clsRecType* CHD = Kind("CHD");
    const clsRecType* RHD = Kind("RHD");
    const clsRecType* CUS = Kind("CUS");
    const clsRecType* CSX = Kind("CSX");
    const clsRecType* MTR = Kind("MTR");
    const clsRecType* RDG = Kind("RDG");
    const clsRecType* MTS = Kind("MTS");
    const clsRecType* WRR = Kind("WRR");
    const clsRecType* RFF = Kind("RFF");
    const clsRecType* RTS = Kind("RTS");

    struct {
        RecordColumn CycleDate, NumberRoutes;
    } Cycle{Field("CHD", "CycleDate"), Field("CHD", "NumberRoutes")};
    struct {
        RecordColumn NumberCustomerRecords, NumberMeterRecords, RouteNumber, Region, Zone, Office, NumberRemoteWandReads;
    } Route{Field("RHD", "NumberCustomerRecords"), Field("RHD", "NumberMeterRecords"), Field("RHD", "RouteNumber"),
            Field("RHD", "Region"), Field("RHD", "Zone"), Field("RHD", "Office"), Field("RHD", "NumberRemoteWandReads")};
    struct {
        RecordColumn Name, Address1, Address2, UtilityID, Account, GroupCode, ExtraIndicator, SegmentCode, PassThru,
            CustomerInfo;
    } Customer{Field("CUS", "Name"),         Field("CUS", "Address1"),       Field("CUS", "Address2"),
               Field("CUS", "UtilityID"),    Field("CUS", "Account"),        Field("CUS", "GroupCode"),
               Field("CUS", "ExtraIndicator"), Field("CUS", "SegmentCode"),  Field("CUS", "PassThru"),
               Field("CUS", "CustomerInfo")};
    struct {
        RecordColumn Name, Address3;
    } CustomerExtra{Field("CSX", "Name"), Field("CSX", "Address3")};
    struct {
        RecordColumn MeterNumber, MeterCategory, MeterType, ReadSequence, GroupCode, MeterLocation, ReadInstruction1,
            ReadInstruction2, SurveyCode1DisplayIndicator, SurveyCode2DisplayIndicator, BillCode, MeterStatus,
            OpticalProbeID, SpecialMessageDisplayIndicator, LocationExtraMeter, AdditionalMeterInfo;
    } Meter{Field("MTR", "MeterNumber"),
            Field("MTR", "MeterCategory"),
            Field("MTR", "MeterType"),
            Field("MTR", "ReadSequence"),
            Field("MTR", "GroupCode"),
            Field("MTR", "MeterLocation"),
            Field("MTR", "ReadInstruction1"),
            Field("MTR", "ReadInstruction2"),
            Field("MTR", "SurveyCode1DisplayIndicator"),
            Field("MTR", "SurveyCode2DisplayIndicator"),
            Field("MTR", "BillCode"),
            Field("MTR", "MeterStatus"),
            Field("MTR", "OpticalProbeID"),
            Field("MTR", "SpecialMessageDisplayIndicator"),
            Field("MTR", "LocationExtraMeter"),
            Field("MTR", "AdditionalMeterInfo")};
    struct {
        RecordColumn NumberDials, PreviousReading, TextPrompt, ReadDirection, CompareCode, ValidationCode, ReadMethod,
            MeterConstant, ConstantFlag, HHFPosition, NumberDecimals, High1, Low1;
    } Reading{Field("RDG", "NumberDials"),    Field("RDG", "PreviousReading"), Field("RDG", "TextPrompt"),
              Field("RDG", "ReadDirection"),  Field("RDG", "CompareCode"),     Field("RDG", "ValidationCode"),
              Field("RDG", "ReadMethod"),     Field("RDG", "MeterConstant"),   Field("RDG", "ConstantFlag"),
              Field("RDG", "HHFPosition"),    Field("RDG", "NumberDecimals"),  Field("RDG", "High1"),
              Field("RDG", "Low1")};
    RecordColumn SpecialMessageText = Field("MTS", "SpecialMessageText");
    struct {
        RecordColumn WandProgram, DeviceID;
    } Wand{Field("WRR", "WandProgram"), Field("WRR", "DeviceID")};
    struct {
        RecordColumn RFERTID, GeographicArea, RFFrequency, RFTone, Tamper;
    } Radio{Field("RFF", "RFERTID"), Field("RFF", "GeographicArea"), Field("RFF", "RFFrequency"),
            Field("RFF", "RFTone"), Field("RFF", "Tamper")};
    struct {
        RecordColumn SurveyText1, SurveyText2;
    } Survey{Field("RTS", "SurveyText1"), Field("RTS", "SurveyText2")};
};

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
        if (!mEngine.CreateRouteDatabase(static_cast<int64_t>(mNumberRoutes) + mDatabaseSize + 2 + 4200)) return false;
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

    bool OpenDownload(DownloadFields& download) {
        if (download.File.OpenFile(mSource)) return true;
        // The file was there a moment ago: whatever stops it now, nothing usable is written.
        mRun.ConversionProblems = true;
        return false;
    }

    static int16_t Add16(int16_t total, double amount) {
        return CheckInt16(static_cast<int64_t>(total) + static_cast<int64_t>(amount));
    }

    // Pass 1: file, cycle and route totals, and the meters of each route.
    bool CountPass() {
        DownloadFields d(&mEngine.mMessages);
        if (!OpenDownload(d)) return false;
        int32_t routeEntry = 0;
        for (;;) {
            mEngine.SetProgress(kProgressMax, d.File.Position255());
            const clsRecType* record = d.File.ReadNext();
            if (record == nullptr) break;
            if (record == d.FHD) {
                mNumberCustomers = 0;
                mNumberMeters = 0;
                mNumberRoutes = 0;
            } else if (record == d.CHD) {
                const Value& date = d.Cycle.CycleDate.Get();
                mCycleDate = date.IsDate() ? date.Date() : clsField::ZeroDate();
                const double announced = d.Cycle.NumberRoutes.Number();
                mNumberRoutes = Add16(mNumberRoutes, announced == 0 ? 1 : announced);
                mRoutes.resize(static_cast<size_t>(std::max<int16_t>(mNumberRoutes, 0)));
            } else if (record == d.RHD) {
                mNumberCustomers = Add16(mNumberCustomers, d.Route.NumberCustomerRecords.Number());
                mNumberMeters = Add16(mNumberMeters, d.Route.NumberMeterRecords.Number());
                MVRSRouteInfo& route = RouteEntry(++routeEntry, "RHD", d.File.LineNo());
                route.RouteNumber = d.Route.RouteNumber.Text();
                route.Region = d.Route.Region.Text();
                route.Zone = d.Route.Zone.Text();
                route.Office = d.Route.Office.Text();
                route.ScheduledDate = mCycleDate;
                route.RemoteWandReads = Fitting<int16_t>(d.Route.NumberRemoteWandReads.Number());
            } else if (record == d.MTR) {
                MVRSRouteInfo& route = RouteEntry(routeEntry, "MTR", d.File.LineNo());
                route.MeterCount = Add16(route.MeterCount, 1);
                mMeterCount = Add16(mMeterCount, 1);
                mDatabaseSize = CheckInt32(static_cast<int64_t>(mDatabaseSize) + 1);
            }
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
        mFields = MeterFieldNumbers::Resolve(mRun.RouteDatabase->DB());
        DownloadFields d(&mEngine.mMessages);
        if (!OpenDownload(d)) return false;
        mRouteIndex = 0;
        for (;;) {
            mEngine.SetProgress(kProgressMax, d.File.Position255() + 255);
            const clsRecType* record = d.File.ReadNext();
            if (record == nullptr) break;
            if (record == d.RHD) StartRoute(d);
            else if (record == d.CUS) StartCustomer(d);
            else if (record == d.CSX) AddCustomerExtra(d);
            else if (record == d.MTR) StartMeter(d);
            else if (record == d.RDG) TakeReading(d);
            else if (record == d.MTS) mMeter.SpecialMessageText.assign(Text(d.SpecialMessageText));
            else if (record == d.WRR) TakeWand(d);
            else if (record == d.RFF) TakeRadio(d);
            else if (record == d.RTS) {
                // A survey record before its meter's "MTR" is lost when that starts the meter afresh.
                mMeter.SurveyText1.assign(Text(d.Survey.SurveyText1));
                mMeter.SurveyText2.assign(Text(d.Survey.SurveyText2));
            }
        }
        WritePendingMeter();
        return !mRun.ConversionProblems;
    }

    void StartRoute(const DownloadFields& d) {
        WritePendingMeter();
        mRouteNumber = d.Route.RouteNumber.Text();
        mRouteIndex = static_cast<int16_t>(mNumberRoutes + 1);
        for (int16_t k = 1; k <= mNumberRoutes; ++k) {
            if (mRoutes[static_cast<size_t>(k) - 1].RouteNumber == mRouteNumber) {
                mRouteIndex = k;
                break;
            }
        }
    }

    // A text field of the record last read, as a view (valid until the next record).
    std::string_view Text(const RecordColumn& column) { return column.TextIn(mScratch); }

    void StartCustomer(const DownloadFields& d) {
        WritePendingMeter();
        const auto& f = d.Customer;
        MVRSCustomer& c = mCustomer;
        c.Reset();
        MVRSCustomer::AssignPart(c.Name, Text(f.Name));
        MVRSCustomer::AssignPart(c.Address1, Text(f.Address1));
        MVRSCustomer::AssignPart(c.Address2, Text(f.Address2));
        c.UtilityID.assign(Text(f.UtilityID));
        c.Account.assign(Text(f.Account));
        c.GroupCode.assign(Text(f.GroupCode));
        c.ExtraIndicator.assign(Text(f.ExtraIndicator));
        c.SegmentCode.assign(Text(f.SegmentCode));
        c.PassThru.assign(Text(f.PassThru));
        c.CustomerInfo.assign(Text(f.CustomerInfo));
    }

    void AddCustomerExtra(const DownloadFields& d) {
        MVRSCustomer::AssignPart(mCustomer.Name2, Text(d.CustomerExtra.Name));
        MVRSCustomer::AssignPart(mCustomer.Address3, Text(d.CustomerExtra.Address3));
    }

    void StartMeter(const DownloadFields& d) {
        WritePendingMeter();
        const auto& f = d.Meter;
        MVRSMeter& m = mMeter;
        m.Reset();
        m.Pending = true;
        m.MeterNumber.assign(Text(f.MeterNumber));
        mRadio = false;
        const std::string_view number = TrimView(m.MeterNumber);
        if (mRadioProcessing && number.size() == 8 &&
            std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            m.TagNumber = Fitting<int32_t>(Val(number));
            mRadio = true;
        }
        m.MeterCategory.assign(Text(f.MeterCategory));
        m.MeterTypeText.assign(Text(f.MeterType));
        m.Sequence = Fitting<int16_t>(f.ReadSequence.Number());
        m.GroupCode.assign(Text(f.GroupCode));
        m.MeterLocation = NumberText(Val(Text(f.MeterLocation)));
        m.ReadInstruction1.assign(Text(f.ReadInstruction1));
        m.ReadInstruction2.assign(Text(f.ReadInstruction2));
        m.SurveyCode1DisplayIndicator.assign(Text(f.SurveyCode1DisplayIndicator));
        m.SurveyCode2DisplayIndicator.assign(Text(f.SurveyCode2DisplayIndicator));
        m.BillCode.assign(Text(f.BillCode));
        m.MeterStatus.assign(Text(f.MeterStatus));
        m.OpticalProbeID.assign(Text(f.OpticalProbeID));
        m.SpecialMessageDisplayIndicator = Fitting<int16_t>(f.SpecialMessageDisplayIndicator.Number());
        m.LocationExtraMeter.assign(Text(f.LocationExtraMeter));
        m.AdditionalMeterInfo.assign(Text(f.AdditionalMeterInfo));
        // The columns as they stand: the number a long sequence reads as is 0.
        m.ReadSequenceText = f.ReadSequence.Columns();
    }

    void TakeReading(const DownloadFields& d) {
        const auto& f = d.Reading;
        MVRSMeter& m = mMeter;
        m.NumberDials = Fitting<int16_t>(f.NumberDials.Number());
        m.PreviousReading = Fitting<int32_t>(f.PreviousReading.Number());
        m.TextPrompt.assign(Text(f.TextPrompt));
        m.ReadDirection.assign(Text(f.ReadDirection));
        m.CompareCode.assign(Text(f.CompareCode));
        m.ValidationCode.assign(Text(f.ValidationCode));
        if (mRadio) {
            m.ReadMethod = "R";
        } else {
            m.ReadMethod.assign(Text(f.ReadMethod));
        }
        m.MeterConstant.assign(Text(f.MeterConstant));
        m.ConstantFlag.assign(Text(f.ConstantFlag));
        m.HHFPosition.assign(Text(f.HHFPosition));
        m.NumberDecimals = Fitting<int16_t>(f.NumberDecimals.Number());
        m.HighLimit = Fitting<int32_t>(f.High1.Number());
        m.LowLimit = Fitting<int32_t>(f.Low1.Number());
    }

    void TakeWand(const DownloadFields& d) {
        mMeter.WandProgram.assign(Text(d.Wand.WandProgram));
        mMeter.DeviceID.assign(Text(d.Wand.DeviceID));
    }

    void TakeRadio(const DownloadFields& d) {
        const auto& f = d.Radio;
        mMeter.TagNumber = Fitting<int32_t>(Val(Text(f.RFERTID)));
        mMeter.GeographicArea = Fitting<int16_t>(f.GeographicArea.Number());
        mMeter.RFFrequency.assign(Text(f.RFFrequency));
        mMeter.RFTone.assign(Text(f.RFTone));
        mMeter.TamperCount = Fitting<int16_t>(f.Tamper.Number());
        const auto info = [&] { return mCustomer.Address1 + " " + mCustomer.Name; };
        if (mEngine.CheckDuplicateTag(std::string_view(NumberText(mMeter.TagNumber)), info, d.File.LineNo())) {
            mRun.ConversionProblems = true;
        }
    }

    std::string LookupMessage() const {
        return mEngine.Advanced().LookupMessage(TrimView(mMeter.SpecialMessageText), mRouteNumber,
                                                TrimView(mCustomer.Account), TrimView(mMeter.MeterNumber),
                                                NumberText(mMeter.TagNumber));
    }

    void WritePendingMeter() {
        if (!mMeter.Pending) return;
        const MeterFieldNumbers& f = mFields;
        const MVRSMeter& m = mMeter;
        const MVRSCustomer& c = mCustomer;
        if (!mRecord) mRecord.emplace(mRun.RouteDatabase->DB());
        RecordAssembly& db = *mRecord;
        db.AddNew();
        db.SetInteger(f.RecType, 2);
        db.SetInteger(f.RouteNbr, mRouteIndex);
        db.SetInteger(f.Sequence, m.Sequence);
        db.SetInteger(f.MeterTagNbr, m.TagNumber);
        if (const auto type = MeterTypeOfCategory(m.MeterCategory)) db.SetInteger(f.MeterType, *type);
        db.SetInteger(f.Digits, m.NumberDials);
        db.SetInteger(f.Decimals, m.NumberDecimals);
        db.SetInteger(f.PrvReading, m.PreviousReading);
        db.SetInteger(f.MaxReading, m.HighLimit);
        db.SetInteger(f.MinReading, m.LowLimit);
        db.SetInteger(f.Status, 0);
        if (const auto type = ReadTypeOfMethod(m.ReadMethod)) db.SetInteger(f.ReadType, *type);
        db.SetInteger(f.LstReadingDate, 0);
        db.SetInteger(f.TamperCount, m.TamperCount);
        // The billing system's utility ID is a text; a numeric field keeps its character codes.
        db.SetText(f.UtilityCode, c.UtilityID);
        for (int16_t zero : {f.Lat, f.Lng, f.InitPulseCount, f.InitTamperCount}) db.SetInteger(zero, 0);
        db.SetText(f.Message, LookupMessage());
        mPacked.assign(c.Address1).append(c.Address2).append(c.Address3);
        db.SetText(f.ServiceAddress, TrimView(mPacked));
        mPacked.assign(c.Name).append(c.Name2);
        db.SetText(f.BillingName, TrimView(mPacked));
        db.SetText(f.ServiceUniqueID, c.Account);
        db.SetText(f.MeterSerialNbr, m.MeterNumber);
        db.SetText(f.ReceiverData, "");
        PackUser(mPacked, {"0", c.Account, c.GroupCode, c.ExtraIndicator, c.SegmentCode, c.PassThru, c.CustomerInfo});
        db.SetText(f.User1, mPacked);
        PackUser(mPacked, {m.GroupCode, m.SurveyCode1DisplayIndicator, m.SurveyCode2DisplayIndicator, m.BillCode,
                           m.MeterStatus, m.OpticalProbeID, m.MeterTypeText, m.MeterLocation, m.ReadInstruction1,
                           m.ReadInstruction2, NumberText(m.SpecialMessageDisplayIndicator), m.SurveyText1,
                           m.LocationExtraMeter, m.AdditionalMeterInfo, m.ReadSequenceText});
        db.SetText(f.User2, mPacked);
        PackUser(mPacked, {m.TextPrompt, m.ReadDirection, m.CompareCode, m.ValidationCode, m.ReadMethod,
                           m.MeterConstant, m.ConstantFlag, m.HHFPosition, NumberText(m.NumberDecimals)});
        db.SetText(f.User3, mPacked);
        PackUser(mPacked, {NumberText(m.GeographicArea), m.RFFrequency, m.RFTone, "", m.DeviceID, m.WandProgram});
        db.SetText(f.User4, mPacked);
        PackUser(mPacked, {m.SpecialMessageText});
        db.SetText(f.User5, mPacked);
        db.WriteTo(mRun.RouteDatabase->DB());
        ++mRun.MetersWritten;
        // The next "MTR" starts the next meter afresh; until then nothing is pending.
        mMeter.Pending = false;
        if (mRun.CreateIndexes) {
            // The words come from the record as written, in the texts the fields hold there.
            std::array<std::string, 5> scratch;
            mEngine.IndexMeter(static_cast<int32_t>(db.ItemView(f.RouteNbr).ToNumber()), mRun.IndexPosition,
                               db.ItemText(f.MeterTagNbr, scratch[0]), db.ItemText(f.MeterSerialNbr, scratch[1]),
                               db.ItemText(f.BillingName, scratch[2]), db.ItemText(f.ServiceAddress, scratch[3]),
                               db.ItemText(f.ServiceUniqueID, scratch[4]));
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
    MeterFieldNumbers mFields{};
    std::optional<RecordAssembly> mRecord;
    std::string mScratch; // a field's text when it is not read from the line as it stands
    std::string mPacked;  // a text of the meter record being written
};

bool clsExchange::ConvertRouteMVRS() { return MVRSRouteImport(*this).Convert(); }

} // namespace dovrex
