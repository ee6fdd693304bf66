// The MVRS route import: an MVRS download read twice, first for the file, cycle and
// route totals, then to build one meter record from the records around each "MTR".

#include "MVRSCustomer.h"
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
#include <charconv>
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
std::optional<int> MeterTypeOfCategory(std::string_view category) {
    if (category == "W") return 1;
    if (category == "G") return 2;
    if (category == "E") return 3;
    if (category == "S") return 4;
    if (category == "I") return 5;
    return std::nullopt;
}

// The read type code of a read method.
std::optional<int> ReadTypeOfMethod(std::string_view method) {
    if (method == "K") return 2;
    if (method == "P" || method == "W") return 3;
    if (method == "R") return 1;
    if (method == "N") return 0;
    return std::nullopt;
}

// A whole number as its decimal digits, kept without building a string.
class NumberChars {
public:
    explicit NumberChars(int64_t number) : mEnd(std::to_chars(mText, mText + sizeof mText, number).ptr) {}
    std::string_view View() const { return std::string_view(mText, static_cast<size_t>(mEnd - mText)); }

private:
    char mText[24];
    char* mEnd;
};

// A name or address part as the meter record joins them: cut or padded with blanks to
// the part width.
void AppendPart(std::string& joined, std::string_view part) {
    part = part.substr(0, MVRSCustomer::PartWidth);
    joined.append(part).append(MVRSCustomer::PartWidth - part.size(), ' ');
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
            // Only the few header lines are parsed; the meters are only counted.
            const clsRecType* record = d.File.ReadNextLine();
            if (record == nullptr) break;
            if (record == d.CHD || record == d.RHD) d.File.ParseLine();
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
        mDownload = &d;
        mRouteIndex = 0;
        for (;;) {
            mEngine.SetProgress(kProgressMax, d.File.Position255() + 255);
            // The lines are only recognised; the meter's own are kept until it is written.
            const clsRecType* record = d.File.ReadNextLine();
            if (record == nullptr) break;
            const std::string_view line = d.File.Line();
            if (record == d.RHD) {
                StartRoute(d);
            } else if (record == d.CUS) {
                // The customer's records start afresh; the meter before is the previous customer's.
                WritePendingMeter();
                mCUS.assign(line);
                mCSX.clear();
            } else if (record == d.CSX) {
                mCSX.assign(line);
            } else if (record == d.MTR) {
                StartMeter(d, line);
            } else if (record == d.RDG) {
                mRDG.assign(line);
            } else if (record == d.MTS) {
                mMTS.assign(line);
            } else if (record == d.WRR) {
                mWRR.assign(line);
            } else if (record == d.RFF) {
                TakeRadio(d, line);
            } else if (record == d.RTS) {
                // A survey record before its meter's "MTR" is lost when that starts the meter afresh.
                mRTS.assign(line);
            }
        }
        WritePendingMeter();
        return !mRun.ConversionProblems;
    }

    void StartRoute(DownloadFields& d) {
        WritePendingMeter();
        d.File.ParseLine();
        mRouteNumber = d.Route.RouteNumber.Text();
        mRouteIndex = static_cast<int16_t>(mNumberRoutes + 1);
        for (int16_t k = 1; k <= mNumberRoutes; ++k) {
            if (mRoutes[static_cast<size_t>(k) - 1].RouteNumber == mRouteNumber) {
                mRouteIndex = k;
                break;
            }
        }
    }

    // The meter's records start afresh: those before its "MTR" are not its own.
    void StartMeter(const DownloadFields& d, std::string_view line) {
        WritePendingMeter();
        mMTR.assign(line);
        for (std::string* line : {&mRDG, &mMTS, &mWRR, &mRFF, &mRTS}) line->clear();
        mPending = true;
        mTagNumber = 0;
        mRadio = false;
        const std::string_view number = TrimView(d.Meter.MeterNumber.ColumnsOf(mMTR));
        if (mRadioProcessing && number.size() == 8 &&
            std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            mTagNumber = Fitting<int32_t>(Val(number));
            mRadio = true;
        }
    }

    void TakeRadio(const DownloadFields& d, std::string_view line) {
        mRFF.assign(line);
        mTagNumber = Fitting<int32_t>(Val(d.Radio.RFERTID.ColumnsOf(mRFF)));
        const auto info = [&] {
            std::string text;
            AppendPart(text, d.Customer.Address1.ColumnsOf(mCUS));
            text += ' ';
            AppendPart(text, d.Customer.Name.ColumnsOf(mCUS));
            return text;
        };
        if (mEngine.CheckDuplicateTag(NumberChars(mTagNumber).View(), info, d.File.LineNo())) {
            mRun.ConversionProblems = true;
        }
    }

    // A field of one of the meter's records: nothing when the meter has no such record.
    // Each text field has its own scratch, for the few that are not read as they stand.
    std::string_view Text(const std::string& line, const RecordColumn& column, size_t scratch) {
        return line.empty() ? std::string_view() : column.TextOf(line, mScratch[scratch]);
    }
    template <class Int> static Int Number(const std::string& line, const RecordColumn& column) {
        return line.empty() ? Int{0} : Fitting<Int>(column.NumberOf(line));
    }

    void WritePendingMeter() {
        if (!mPending) return;
        const MeterFieldNumbers& f = mFields;
        const DownloadFields& d = *mDownload;
        const auto& cus = d.Customer;
        const auto& mtr = d.Meter;
        const auto& rdg = d.Reading;
        const auto& rff = d.Radio;
        if (!mRecord) mRecord.emplace(mRun.RouteDatabase->DB());
        RecordAssembly& db = *mRecord;
        db.AddNew();
        db.SetInteger(f.RecType, 2);
        db.SetInteger(f.RouteNbr, mRouteIndex);
        db.SetInteger(f.Sequence, Number<int16_t>(mMTR, mtr.ReadSequence));
        db.SetInteger(f.MeterTagNbr, mTagNumber);
        if (const auto type = MeterTypeOfCategory(Text(mMTR, mtr.MeterCategory, 0))) db.SetInteger(f.MeterType, *type);
        db.SetInteger(f.Digits, Number<int16_t>(mRDG, rdg.NumberDials));
        const int16_t decimals = Number<int16_t>(mRDG, rdg.NumberDecimals);
        db.SetInteger(f.Decimals, decimals);
        db.SetInteger(f.PrvReading, Number<int32_t>(mRDG, rdg.PreviousReading));
        db.SetInteger(f.MaxReading, Number<int32_t>(mRDG, rdg.High1));
        db.SetInteger(f.MinReading, Number<int32_t>(mRDG, rdg.Low1));
        db.SetInteger(f.Status, 0);
        // A radio meter reads as "R" once it has a reading record.
        const std::string_view readMethod = mRDG.empty() ? std::string_view() : mRadio ? "R" : Text(mRDG, rdg.ReadMethod, 17);
        if (const auto type = ReadTypeOfMethod(readMethod)) db.SetInteger(f.ReadType, *type);
        db.SetInteger(f.LstReadingDate, 0);
        db.SetInteger(f.TamperCount, Number<int16_t>(mRFF, rff.Tamper));
        // The billing system's utility ID is a text; a numeric field keeps its character codes.
        const std::string_view account = Text(mCUS, cus.Account, 1);
        const std::string_view meterNumber = Text(mMTR, mtr.MeterNumber, 2);
        db.SetText(f.UtilityCode, Text(mCUS, cus.UtilityID, 0));
        for (int16_t zero : {f.Lat, f.Lng, f.InitPulseCount, f.InitTamperCount}) db.SetInteger(zero, 0);
        const std::string_view specialMessage = Text(mMTS, d.SpecialMessageText, 16);
        db.SetText(f.Message, mEngine.Advanced().LookupMessage(TrimView(specialMessage), mRouteNumber, TrimView(account),
                                                               TrimView(meterNumber), NumberChars(mTagNumber).View()));
        mPacked.clear();
        for (std::string_view part : {cus.Address1.ColumnsOf(mCUS), cus.Address2.ColumnsOf(mCUS)}) AppendPart(mPacked, part);
        AppendPart(mPacked, d.CustomerExtra.Address3.ColumnsOf(mCSX));
        db.SetText(f.ServiceAddress, TrimView(mPacked));
        mPacked.clear();
        AppendPart(mPacked, cus.Name.ColumnsOf(mCUS));
        AppendPart(mPacked, d.CustomerExtra.Name.ColumnsOf(mCSX));
        db.SetText(f.BillingName, TrimView(mPacked));
        db.SetText(f.ServiceUniqueID, account);
        db.SetText(f.MeterSerialNbr, meterNumber);
        db.SetText(f.ReceiverData, "");
        PackUser(mPacked, {"0", account, Text(mCUS, cus.GroupCode, 3), Text(mCUS, cus.ExtraIndicator, 4),
                           Text(mCUS, cus.SegmentCode, 5), Text(mCUS, cus.PassThru, 6), Text(mCUS, cus.CustomerInfo, 7)});
        db.SetText(f.User1, mPacked);
        // The location as the number it reads as.
        AssignNumberText(mScratch[19], Val(Text(mMTR, mtr.MeterLocation, 18)));
        PackUser(mPacked, {Text(mMTR, mtr.GroupCode, 3), Text(mMTR, mtr.SurveyCode1DisplayIndicator, 4),
                           Text(mMTR, mtr.SurveyCode2DisplayIndicator, 5), Text(mMTR, mtr.BillCode, 6),
                           Text(mMTR, mtr.MeterStatus, 7), Text(mMTR, mtr.OpticalProbeID, 9),
                           Text(mMTR, mtr.MeterType, 10), mScratch[19], Text(mMTR, mtr.ReadInstruction1, 11),
                           Text(mMTR, mtr.ReadInstruction2, 12),
                           NumberChars(Number<int16_t>(mMTR, mtr.SpecialMessageDisplayIndicator)).View(),
                           Text(mRTS, d.Survey.SurveyText1, 13), Text(mMTR, mtr.LocationExtraMeter, 14),
                           Text(mMTR, mtr.AdditionalMeterInfo, 15), mtr.ReadSequence.ColumnsOf(mMTR)});
        db.SetText(f.User2, mPacked);
        PackUser(mPacked, {Text(mRDG, rdg.TextPrompt, 3), Text(mRDG, rdg.ReadDirection, 4),
                           Text(mRDG, rdg.CompareCode, 5), Text(mRDG, rdg.ValidationCode, 6), readMethod,
                           Text(mRDG, rdg.MeterConstant, 7), Text(mRDG, rdg.ConstantFlag, 8),
                           Text(mRDG, rdg.HHFPosition, 9), NumberChars(decimals).View()});
        db.SetText(f.User3, mPacked);
        PackUser(mPacked, {NumberChars(Number<int16_t>(mRFF, rff.GeographicArea)).View(), Text(mRFF, rff.RFFrequency, 3),
                           Text(mRFF, rff.RFTone, 4), "", Text(mWRR, d.Wand.DeviceID, 5),
                           Text(mWRR, d.Wand.WandProgram, 6)});
        db.SetText(f.User4, mPacked);
        PackUser(mPacked, {specialMessage});
        db.SetText(f.User5, mPacked);
        db.WriteTo(mRun.RouteDatabase->DB());
        ++mRun.MetersWritten;
        // The next "MTR" starts the next meter afresh; until then nothing is pending.
        mPending = false;
        if (mRun.CreateIndexes) {
            // The words come from the record as written, in the texts the fields hold there.
            std::array<std::string, 5>& scratch = mIndexScratch;
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

    // The route, customer and meter being built: the last record of each kind that the
    // meter is built from, as read (none: empty), and what is worked out as they come.
    const DownloadFields* mDownload = nullptr;
    int16_t mRouteIndex = 0;
    std::string mRouteNumber;
    std::string mCUS, mCSX;                     // since the customer's "CUS"
    std::string mMTR, mRDG, mMTS, mWRR, mRFF, mRTS; // since the meter's "MTR"
    bool mPending = false;
    int32_t mTagNumber = 0;
    bool mRadio = false;
    MeterFieldNumbers mFields{};
    std::optional<RecordAssembly> mRecord;
    std::array<std::string, 20> mScratch; // field texts that are not read from a line as they stand
    std::string mPacked;                  // a text of the meter record being written
    std::array<std::string, 5> mIndexScratch;
};

bool clsExchange::ConvertRouteMVRS() { return MVRSRouteImport(*this).Convert(); }

} // namespace dovrex
