// The E5000 route import: an E5000 download read twice, first for its routes and their
// meter and account counts, then to build one meter record per "H" or "I" record from the
// account records before it ("A", "B", "E", "C", "D") and the location records after it
// ("K01", "K05", "L").

#include "MeterRecordPlan.h"
#include "MeterFieldNumbers.h"
#include "clsExchange.h"

#include "advanced/clsAdvanced.h"
#include "billing/RecordColumn.h"
#include "billing/clsE5KDownload.h"
#include "handheld_db/RecordAssembly.h"
#include "handheld_db/clsQVF.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <cmath>
#include <limits>
#include <optional>

namespace dovrex {

namespace {

// The progress scale of both passes together (the third share is never reached).
constexpr int32_t kProgressMax = 765;

// The fields of a meter record ("H" and "I" share the layout but are kinds of their own).
struct MeterColumns {
    MeterColumns(clsRecType* kind)
        : Kind(kind), RelativeMeterNumber(kind, "RelativeMeterNumber"), MeterSerialNumber(kind, "MeterSerialNumber"),
          NumberofDials(kind, "NumberofDials"), MinimumRead(kind, "MinimumRead"), MaximumRead(kind, "MaximumRead"),
          PriorRead(kind, "PriorRead"), MeterType(kind, "MeterType"), MeterSize(kind, "MeterSize"),
          MeterMake(kind, "MeterMake"), DisplayCode(kind, "DisplayCode"), NoDecimals(kind, "NoDecimals"),
          MustReadFlag(kind, "MustReadFlag"), MeterStatus(kind, "MeterStatus"), MeterLocation(kind, "MeterLocation"),
          MeterReference(kind, "MeterReference") {}
    const clsRecType* Kind;
    RecordColumn RelativeMeterNumber, MeterSerialNumber, NumberofDials, MinimumRead, MaximumRead, PriorRead, MeterType,
        MeterSize, MeterMake, DisplayCode, NoDecimals, MustReadFlag, MeterStatus, MeterLocation, MeterReference;
};

// The download reader of one pass and the fields the import reads, each found once.
struct DownloadFields {
    explicit DownloadFields(IMessageBox* messages) : File(messages) {}

    clsE5KDownload File;
    clsRecType* Kind(const char* id) const { return File.RecordType(id); }
    RecordColumn Field(const char* id, const char* name) const { return RecordColumn(Kind(id), name); }

    const clsRecType* F = Kind("F");
    const clsRecType* A = Kind("A");
    const clsRecType* B = Kind("B");
    const clsRecType* E = Kind("E");
    const clsRecType* C = Kind("C");
    const clsRecType* D = Kind("D");
    const clsRecType* K01 = Kind("K01");
    const clsRecType* K05 = Kind("K05");
    const clsRecType* L = Kind("L");
    const clsRecType* Z = Kind("Z");
    const clsRecType* Unknown = Kind(clsE5KDownload::UnknownKind);

    RecordColumn Route = Field("F", "Route");
    struct {
        RecordColumn AccountNumber, MeterSequenceNumber, AccountType, SpecialInstruction;
    } Account{Field("A", "AccountNumber"), Field("A", "MeterSequenceNumber"), Field("A", "AccountType"),
              Field("A", "SpecialInstruction")};
    struct {
        RecordColumn CustomerName, Address;
    } Customer{Field("B", "CustomerName"), Field("B", "Address")};
    RecordColumn LotandPlan = Field("E", "CustomerAddressLotandPlan");
    RecordColumn PropertyVGKey = Field("C", "PropertyVGKey");
    RecordColumn SpecialInstructions = Field("D", "SpecialInstructions");
    MeterColumns H{Kind("H")};
    MeterColumns I{Kind("I")};
    struct {
        RecordColumn PropertyLocationDesc1, MeterLocationDesc1, PropertyLocationDesc2, MeterLocationDesc2;
    } Locations{Field("K01", "PropertyLocationDesc1"), Field("K01", "MeterLocationDesc1"),
                Field("K05", "PropertyLocationDesc2"), Field("K05", "MeterLocationDesc2")};
    RecordColumn Location = Field("L", "Location");
    RecordColumn NumberofAccounts = Field("Z", "NumberofAccounts");
    RecordColumn UnknownID = Field(clsE5KDownload::UnknownKind, "RecID");

    // The meter columns of a record, when it is a meter record.
    const MeterColumns* Meter(const clsRecType* record) const {
        if (record == H.Kind) return &H;
        if (record == I.Kind) return &I;
        return nullptr;
    }
};

struct E5KRoute {
    std::string Route;
    int16_t MeterCount = 0;
    int16_t Accounts = 0;
};

// The account an "A" record starts; every text without blanks at either end.
struct E5KCustomer {
    std::string AccountNumber, MeterSequenceNumber, AccountType, SpecialInstruction, CustomerName, Address, LotandPlan,
        PropertyKey;

    // Back to no values, keeping the texts' storage for the next account.
    void Reset() {
        for (std::string* text : {&AccountNumber, &MeterSequenceNumber, &AccountType, &SpecialInstruction,
                                  &CustomerName, &Address, &LotandPlan, &PropertyKey}) {
            text->clear();
        }
    }
};

// The meter of an "H" or "I" record with what the records around it add.
struct E5KMeter {
    bool Pending = false;
    std::string SpecialInstructions, RelativeMeterNumber, MeterSerialNumber;
    int16_t NumberofDials = 0;
    int32_t MinimumRead = 0, MaximumRead = 0, PriorRead = 0;
    std::string MeterType;
    int32_t MeterSize = 0;
    std::string MeterMake, DisplayCode;
    int16_t NoDecimals = 0, MustReadFlag = 0;
    std::string MeterStatus, MeterLocation, MeterReference, PropertyLocationDesc1, MeterLocationDesc1,
        PropertyLocationDesc2, MeterLocationDesc2, Location;

    // Back to no values, keeping the texts' storage for the next meter.
    void Reset() {
        Pending = false;
        NumberofDials = NoDecimals = MustReadFlag = 0;
        MinimumRead = MaximumRead = PriorRead = MeterSize = 0;
        for (std::string* text : {&SpecialInstructions, &RelativeMeterNumber, &MeterSerialNumber, &MeterType, &MeterMake,
                                  &DisplayCode, &MeterStatus, &MeterLocation, &MeterReference, &PropertyLocationDesc1,
                                  &MeterLocationDesc1, &PropertyLocationDesc2, &MeterLocationDesc2, &Location}) {
            text->clear();
        }
    }
};

// A whole number of a download column in a working value of that width; a number that
// does not fit (only a text of many digits can be one) leaves 0.
template <class Int> Int Fitting(double value) {
    if (!std::isfinite(value)) return 0;
    const double rounded = RoundHalfEven(value);
    if (rounded < std::numeric_limits<Int>::min() || rounded > std::numeric_limits<Int>::max()) return 0;
    return static_cast<Int>(rounded);
}

// The meter type code of a meter type letter.
std::optional<int> MeterTypeCode(const std::string& meterType) {
    if (meterType == "W") return 1;
    if (meterType == "G") return 2;
    if (meterType == "E") return 3;
    if (meterType == "S") return 4;
    if (meterType == "I") return 5;
    return std::nullopt;
}

// Texts joined with one blank each, without blanks at either end of each or of the whole:
// a view of text, which holds the joined texts.
std::string_view Joined(std::string& text, std::initializer_list<std::string_view> parts) {
    text.clear();
    bool first = true;
    for (std::string_view part : parts) {
        if (!first) text += ' ';
        text += TrimView(part);
        first = false;
    }
    return TrimView(text);
}

} // namespace

class clsExchange::E5KRouteImport {
public:
    explicit E5KRouteImport(clsExchange& engine)
        : mEngine(engine), mRun(engine.Run()), mSource(engine.ResolvedPath(engine.mvarRouteSource)) {}

    bool Convert() {
        if (!CountPass()) return false;
        if (!mEngine.CreateRouteDatabase(static_cast<int64_t>(mRoutes.size()) + mMeterCount + 2 + 2100)) return false;
        WriteOpeningRecords();
        return BuildPass();
    }

private:
    bool OpenDownload(DownloadFields& download) {
        if (download.File.OpenFile(mSource)) return true;
        // The file was there a moment ago: whatever stops it now, nothing usable is written.
        mRun.ConversionProblems = true;
        return false;
    }

    static int16_t Plus1(int16_t counter) { return CheckInt16(static_cast<int64_t>(counter) + 1); }

    // The route the record belongs to: the last one a "F" record started.
    E5KRoute& CurrentRoute(const char* recordKind, int32_t line) {
        if (mRoutes.empty()) {
            RaiseError(ErrSubscript, std::string("The ") + recordKind + " record in line " +
                                         NumberText(static_cast<int64_t>(line)) + " of " + mSource +
                                         " comes before any route of the file");
        }
        return mRoutes.back();
    }

    // Pass 1: the routes, their meters and accounts, and the meters of the file; lines of
    // no known kind are reported here only.
    bool CountPass() {
        DownloadFields d(&mEngine.mMessages);
        if (!OpenDownload(d)) return false;
        for (;;) {
            mEngine.SetProgress(kProgressMax, d.File.Position255());
            const clsRecType* record = d.File.ReadNext();
            if (record == nullptr) break;
            if (record == d.F) {
                CheckInt16(static_cast<int64_t>(mRoutes.size()) + 1);
                mRoutes.push_back(E5KRoute{Trim(d.Route.Text()), 0, 0});
            } else if (d.Meter(record) != nullptr) {
                E5KRoute& route = CurrentRoute(record->RIValue().c_str(), d.File.LineNo());
                route.MeterCount = Plus1(route.MeterCount);
                mMeterCount = Plus1(mMeterCount);
            } else if (record == d.Z) {
                CurrentRoute("Z", d.File.LineNo()).Accounts = Fitting<int16_t>(d.NumberofAccounts.Number());
            } else if (record == d.Unknown) {
                mEngine.WriteLog("Error: Unknown record type '" + d.UnknownID.Text() + "' at line " +
                                 NumberText(static_cast<int64_t>(d.File.LineNo())));
            }
        }
        return true;
    }

    // The header record ("0" accounts) and one route record per "F" record, which carries
    // the route's number of accounts for the upload.
    void WriteOpeningRecords() {
        mRun.ClearRoute();
        std::vector<std::string> accounts;
        for (const E5KRoute& route : mRoutes) {
            mRun.RouteList.push_back(route.Route);
            mRun.RouteMeterCount.push_back(route.MeterCount);
            accounts.push_back(NumberText(route.Accounts));
        }
        mEngine.WriteOpeningRecords(mMeterCount, mSource, "0", accounts);
    }

    // Pass 2: one meter record per "H" or "I", written when the next meter, account or
    // route starts, or at the end of the file.
    bool BuildPass() {
        ResolveFields();
        DownloadFields d(&mEngine.mMessages);
        if (!OpenDownload(d)) return false;
        mRouteIndex = 0;
        for (;;) {
            mEngine.SetProgress(kProgressMax, d.File.Position255() + 255);
            const clsRecType* record = d.File.ReadNext();
            if (record == nullptr) break;
            mLine = d.File.LineNo();
            if (record == d.F) {
                StartRoute(Trim(d.Route.Text()));
            } else if (record == d.A) {
                WritePendingMeter();
                E5KCustomer& c = mCustomer;
                c.Reset();
                c.AccountNumber.assign(TrimView(Text(d.Account.AccountNumber)));
                c.MeterSequenceNumber.assign(TrimView(Text(d.Account.MeterSequenceNumber)));
                c.AccountType.assign(TrimView(Text(d.Account.AccountType)));
                c.SpecialInstruction.assign(TrimView(Text(d.Account.SpecialInstruction)));
            } else if (record == d.B) {
                mCustomer.CustomerName.assign(TrimView(Text(d.Customer.CustomerName)));
                mCustomer.Address.assign(TrimView(Text(d.Customer.Address)));
            } else if (record == d.E) {
                mCustomer.LotandPlan.assign(TrimView(Text(d.LotandPlan)));
            } else if (record == d.C) {
                mCustomer.PropertyKey.assign(TrimView(Text(d.PropertyVGKey)));
            } else if (record == d.D) {
                // The instructions belong to the meter that follows, not to one already read.
                WritePendingMeter();
                mMeter.SpecialInstructions.assign(Text(d.SpecialInstructions));
            } else if (const MeterColumns* meter = d.Meter(record)) {
                WritePendingMeter();
                TakeMeter(*meter);
            } else if (record == d.K01) {
                mMeter.PropertyLocationDesc1.assign(Text(d.Locations.PropertyLocationDesc1));
                mMeter.MeterLocationDesc1.assign(Text(d.Locations.MeterLocationDesc1));
            } else if (record == d.K05) {
                mMeter.PropertyLocationDesc2.assign(Text(d.Locations.PropertyLocationDesc2));
                mMeter.MeterLocationDesc2.assign(Text(d.Locations.MeterLocationDesc2));
            } else if (record == d.L) {
                mMeter.Location.assign(Text(d.Location));
            }
        }
        WritePendingMeter();
        return !mRun.ConversionProblems;
    }

    void StartRoute(std::string route) {
        WritePendingMeter();
        mRouteNumber = std::move(route);
        mRouteIndex = CheckInt16(static_cast<int64_t>(mRoutes.size()) + 1);
        for (size_t k = 0; k < mRoutes.size(); ++k) {
            if (mRoutes[k].Route == mRouteNumber) {
                mRouteIndex = static_cast<int16_t>(k + 1);
                break;
            }
        }
    }

    // A text field of the record last read, as a view (valid until the next record).
    std::string_view Text(const RecordColumn& column) { return column.TextIn(mScratch); }

    // Fills the current meter; instructions and locations it already has stay.
    void TakeMeter(const MeterColumns& f) {
        E5KMeter& m = mMeter;
        m.Pending = true;
        m.RelativeMeterNumber.assign(Text(f.RelativeMeterNumber));
        m.MeterSerialNumber.assign(Text(f.MeterSerialNumber));
        m.NumberofDials = Fitting<int16_t>(f.NumberofDials.Number());
        m.MinimumRead = Fitting<int32_t>(f.MinimumRead.Number());
        m.MaximumRead = Fitting<int32_t>(f.MaximumRead.Number());
        m.PriorRead = Fitting<int32_t>(f.PriorRead.Number());
        m.MeterSize = Fitting<int32_t>(f.MeterSize.Number());
        m.MeterType.assign(Text(f.MeterType));
        m.MeterMake.assign(Text(f.MeterMake));
        m.DisplayCode.assign(Text(f.DisplayCode));
        m.NoDecimals = Fitting<int16_t>(f.NoDecimals.Number());
        m.MustReadFlag = Fitting<int16_t>(f.MustReadFlag.Number());
        m.MeterStatus.assign(Text(f.MeterStatus));
        m.MeterLocation.assign(Text(f.MeterLocation));
        m.MeterReference.assign(Text(f.MeterReference));
    }

    void ResolveFields() {
        mFields = MeterFieldNumbers::Resolve(mRun.RouteDatabase->DB());
        // What the word index reads back from each written meter.
        mIndexPlan.RouteNbr = mFields.RouteNbr;
        mIndexPlan.IndexFields = {mFields.MeterTagNbr, mFields.MeterSerialNbr, mFields.BillingName,
                                  mFields.ServiceAddress, mFields.ServiceUniqueID};
        mRecord.emplace(mRun.RouteDatabase->DB());
    }

    void WritePendingMeter() {
        if (!mMeter.Pending) return;
        const MeterFieldNumbers& f = mFields;
        const E5KMeter& m = mMeter;
        const E5KCustomer& c = mCustomer;
        const std::string serial = Trim(m.MeterSerialNumber);
        RecordAssembly& db = *mRecord;
        db.AddNew();
        db.SetInteger(f.RecType, 2);
        db.SetInteger(f.RouteNbr, mRouteIndex);
        db.SetInteger(f.Sequence, Fitting<int32_t>(Val(c.MeterSequenceNumber)));
        // A serial number of letters, or of more digits than a tag number holds, gives tag 0.
        db.SetInteger(f.MeterTagNbr, Fitting<int32_t>(Val(serial)));
        if (const auto type = MeterTypeCode(m.MeterType)) db.SetInteger(f.MeterType, *type);
        db.SetInteger(f.Digits, m.NumberofDials);
        db.SetInteger(f.Decimals, m.NoDecimals);
        db.SetInteger(f.PrvReading, m.PriorRead);
        db.SetInteger(f.MaxReading, m.MaximumRead);
        db.SetInteger(f.MinReading, m.MinimumRead);
        db.SetInteger(f.Status, 0);
        db.SetInteger(f.ReadType, IsAllDigits(serial) ? 1 : 2);
        for (int16_t zero : {f.LstReadingDate, f.TamperCount, f.UtilityCode, f.Lat, f.Lng, f.InitPulseCount,
                             f.InitTamperCount}) {
            db.SetInteger(zero, 0);
        }
        const std::string_view prior =
            Joined(mJoined, {c.SpecialInstruction, m.SpecialInstructions, m.MeterLocationDesc1, m.MeterLocationDesc2});
        db.SetText(f.Message, mEngine.Advanced().LookupMessage(prior, mRouteNumber, c.AccountNumber, serial, serial));
        db.SetText(f.ServiceAddress, Joined(mJoined, {c.Address, c.LotandPlan, m.Location}));
        db.SetText(f.BillingName, c.CustomerName);
        db.SetText(f.ServiceUniqueID, c.AccountNumber);
        db.SetText(f.MeterSerialNbr, m.MeterSerialNumber);
        const auto info = [&] { return c.CustomerName + " " + c.Address; };
        if (mEngine.CheckDuplicateTag(std::string_view(serial), info, mLine)) mRun.ConversionProblems = true;
        db.SetText(f.ReceiverData, "");
        // The upload's "S" record takes the property key, its "D" record the relative meter
        // number and the meter size.
        db.SetText(f.User1, c.PropertyKey);
        db.SetText(f.User2, m.RelativeMeterNumber);
        db.SetText(f.User3, NumberText(m.MeterSize));
        db.SetText(f.User5, "");
        db.WriteTo(mRun.RouteDatabase->DB());
        ++mRun.MetersWritten;
        // The next meter starts afresh: instructions and locations belong to one meter.
        mMeter.Reset();
        mEngine.IndexWrittenMeter(mIndexPlan, db);
    }

    clsExchange& mEngine;
    ConversionRun& mRun;
    std::string mSource;

    // The routes of the file, entry k at k - 1, and its meters.
    std::vector<E5KRoute> mRoutes;
    int16_t mMeterCount = 0;

    // The route, account and meter being built, and the line of the record in work.
    int16_t mRouteIndex = 0;
    std::string mRouteNumber;
    E5KCustomer mCustomer;
    E5KMeter mMeter;
    int32_t mLine = 0;
    MeterFieldNumbers mFields{};
    MeterRecordPlan mIndexPlan;
    std::optional<RecordAssembly> mRecord;
    std::string mScratch; // a field's text when it is not read from the line as it stands
    std::string mJoined;  // texts joined for the meter record being written
};

bool clsExchange::ConvertRouteE5K() { return E5KRouteImport(*this).Convert(); }

} // namespace dovrex
