// The E5000 upload export of the reading conversion: the readings database read twice,
// first for the routes' counts, read dates and sequence ranges, then to write per run of
// read meters of one route an "A" record, per account a "C" (and "S") record, per meter
// a "D" and an "E" record, and a closing "Z". What the upload needs of the download
// travels in the route records and the User1..User3 texts of the meter records.

#include "clsExchange.h"

#include "billing/RecordColumn.h"
#include "billing/clsE5KUpload.h"
#include "handheld_db/clsQVF.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

namespace dovrex {

namespace {

// Route positions are 16-bit numbers throughout the route database.
constexpr int64_t kMaxRoutes = 32767;

struct E5KUploadRoute {
    std::string Route;
    int16_t Accounts = 0;
    int16_t MetersRead = 0;
    std::string ProcessorNumber;
    std::string ReadDate; // yymmdd of the route's first read meter
    int32_t BeginningSequence = 0, EndingSequence = 0;
};

// Characters from (1-based) of a text, fewer or none where it ends earlier.
std::string Mid(const std::string& text, size_t from, size_t length) {
    return from - 1 < text.size() ? text.substr(from - 1, length) : std::string();
}

int16_t Plus1(int16_t counter) { return CheckInt16(static_cast<int64_t>(counter) + 1); }

template <class Int> Int Fitting(int64_t value) {
    return value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max() ? 0
                                                                                              : static_cast<Int>(value);
}

// The upload's record kinds and the fields the export writes, each found once.
struct UploadColumns {
    explicit UploadColumns(const clsE5KUpload& upload)
        : A(upload.RecordType("A")), C(upload.RecordType("C")), S(upload.RecordType("S")), D(upload.RecordType("D")),
          E(upload.RecordType("E")), Z(upload.RecordType("Z")), Route{{A, "Route"},
                                                                       {A, "NoofAccounts"},
                                                                       {A, "NoofMeters"},
                                                                       {A, "ProcessorNumber"},
                                                                       {A, "ReadDate"},
                                                                       {A, "BeginningSequenceNumber"},
                                                                       {A, "EndingSequenceNumber"}},
          Account{{C, "Route"}, {C, "AccountNumber"}, {C, "ReadingStatus"}, {C, "ResequenceFlag"}, {C, "ReadDate"}},
          Property{{S, "RecordCategory"}, {S, "PropertyVGKey"}},
          Meter{{D, "RelativeMeterNumber"}, {D, "MeterNumber"}, {D, "MeterSize"}},
          Reading{{E, "NumberofDials"}, {E, "CurrentReading"}, {E, "Decimals"},      {E, "ReadTime"},
                  {E, "ReadCount"},     {E, "ReadVerifyFlag"}, {E, "NoReadCode"}},
          Trailer{{Z, "Route"}, {Z, "ProcessorNumber"}, {Z, "EmployerNumber"}} {}

    clsRecType *A, *C, *S, *D, *E, *Z;
    // The fields left out of each kind (survey, resequencing, condition and change codes)
    // are written blank.
    struct {
        RecordColumn Route, NoofAccounts, NoofMeters, ProcessorNumber, ReadDate, BeginningSequenceNumber,
            EndingSequenceNumber;
    } Route;
    struct {
        RecordColumn Route, AccountNumber, ReadingStatus, ResequenceFlag, ReadDate;
    } Account;
    struct {
        RecordColumn RecordCategory, PropertyVGKey;
    } Property;
    struct {
        RecordColumn RelativeMeterNumber, MeterNumber, MeterSize;
    } Meter;
    struct {
        RecordColumn NumberofDials, CurrentReading, Decimals, ReadTime, ReadCount, ReadVerifyFlag, NoReadCode;
    } Reading;
    struct {
        RecordColumn Route, ProcessorNumber, EmployerNumber;
    } Trailer;
};

} // namespace

class clsExchange::E5KReadingExport {
public:
    E5KReadingExport(clsExchange& engine, int FileVersion)
        : mEngine(engine), mRun(engine.Run()), mFileVersion(FileVersion),
          mSource(engine.ResolvedPath(engine.mvarReadingSource)), mUpload(&engine.mMessages), mColumns(mUpload) {}

    bool Export() {
        const std::string destination = mEngine.ResolvedPath(mEngine.mvarReadingDestination);
        // The writer has shown why; without a file every record would be lost unnoticed.
        if (!mUpload.CreateFile(destination)) {
            RaiseError(ErrPathFileAccess, "The upload file " + destination + " could not be created");
        }
        OpenDatabase();
        CountPass();
        mRun.ClearRoute();
        for (const E5KUploadRoute& route : mRoutes) mRun.RouteList.push_back(route.Route);
        mDatabase->Rewind();
        mRecordNumber = 0;
        WritePass();
        // Whatever cannot be written fails the export rather than leaving a short upload.
        mUpload.CloseFile();
        // The readings database stays open, read to its end, for the automatic re-read.
        return true;
    }

private:
    void OpenDatabase() {
        clsQVF& db = mEngine.OpenReadingsDatabase(mFileVersion);
        clsPalmDB& records = db.DB();
        auto field = [&records](const char* name) { return records.FindItem(name); };
        mFields = RecordFields{field("RouteNbr"),      field("Sequence"),        field("CurReading"),
                               field("ReadingDate"),   field("ReadingTime"),     field("ReadType"),
                               field("Initials"),      field("ResponseText"),    field("ServiceUniqueID"),
                               field("MeterSerialNbr"), field("User1"),          field("User2"),
                               field("User3")};
        mDatabase = &db;
        mRecords = &records;
    }

    // The next record, its kind in mKind; false at the end of the database. A header, route
    // or meter record too short for its fields is damaged: the export stops with the reason.
    bool ReadNext(int32_t progressBase) {
        mEngine.SetProgress(255, mDatabase->Position255() / 2 + progressBase);
        if (!mDatabase->ReadData()) return false;
        ++mRecordNumber;
        mKind = mDatabase->RecordType();
        const bool schema = mKind == clsQVF::rtHeader || mKind == clsQVF::rtRoute ||
                            mKind == clsQVF::rtReadingRoute || mKind == clsQVF::rtMeter;
        const size_t length = mDatabase->RawData().size();
        const auto fixed = static_cast<size_t>(mRecords->FixedLength());
        if (schema && length < fixed) {
            RaiseError(ErrBadRecordLength, "Record " + std::to_string(mRecordNumber) + " of " + mSource +
                                               " is damaged: " + std::to_string(length) + " bytes, fewer than the " +
                                               std::to_string(fixed) + " bytes of its fields");
        }
        // Decoded once, for the fields read from it.
        if (schema) mRecords->ViewRecord();
        return true;
    }

    // Read as views of the record: no value or string is made for a field read.
    int64_t Number(int16_t field) const {
        return field != 0 ? mRecords->ViewWhole(field) : 0;
    }
    std::string Text(int16_t field) const {
        return field != 0 ? mRecords->View(field).ToText() : std::string();
    }
    // The same as a view, valid until the next record is read (a number's text in scratch).
    std::string_view TextView(int16_t field, std::string& scratch) const {
        return field != 0 ? mRecords->View(field).TextIn(scratch) : std::string_view();
    }

    // A meter record the upload carries: one with a reading date, neither skipped (read
    // type 4) nor keyed without a reading.
    bool IsReadMeter() const {
        if (mKind != clsQVF::rtMeter || Number(mFields.ReadingDate) == 0) return false;
        const int64_t readType = Number(mFields.ReadType);
        return readType != 4 && !(readType == 2 && Number(mFields.CurReading) == 0);
    }

    // The route of the record in work; raises when the route table has no such route.
    E5KUploadRoute& RouteEntry(int64_t k) {
        if (k < 1 || static_cast<size_t>(k) > mRoutes.size()) {
            RaiseError(ErrSubscript, "Meter record " + std::to_string(mRecordNumber) + " of " + mSource +
                                         " names route " + std::to_string(k) + ", outside the " +
                                         std::to_string(mRoutes.size()) + " routes of the file");
        }
        return mRoutes[static_cast<size_t>(k) - 1];
    }

    // Pass 1: the routes from the header and route records; the read meters, read date and
    // sequence range of each from its read meters.
    void CountPass() {
        while (ReadNext(0)) {
            if (mKind == clsQVF::rtHeader) {
                mRoutes.assign(static_cast<size_t>(std::clamp<int64_t>(Number(mFields.RouteNbr), 0, kMaxRoutes)), {});
                mEmployerNumber = Text(mFields.Initials).substr(0, 3);
                const std::string processor = Text(mFields.ResponseText);
                mProcessorNumber = processor.substr(processor.size() - std::min<size_t>(processor.size(), 3));
            } else if (mKind == clsQVF::rtRoute || mKind == clsQVF::rtReadingRoute) {
                const int64_t k = Number(mFields.RouteNbr);
                if (k < 1 || k > kMaxRoutes) {
                    RaiseError(ErrSubscript, "Route record " + std::to_string(mRecordNumber) + " of " + mSource +
                                                 " names route position " + std::to_string(k));
                }
                // A route beyond the header's count is still a route.
                if (static_cast<size_t>(k) > mRoutes.size()) mRoutes.resize(static_cast<size_t>(k));
                E5KUploadRoute& route = mRoutes[static_cast<size_t>(k) - 1];
                route.Route = Text(mFields.Initials);
                route.ProcessorNumber = mProcessorNumber;
                route.Accounts = Fitting<int16_t>(static_cast<int64_t>(RoundHalfEven(Val(Text(mFields.User1)))));
            } else if (IsReadMeter()) {
                E5KUploadRoute& route = RouteEntry(Number(mFields.RouteNbr));
                const auto sequence = Fitting<int32_t>(Number(mFields.Sequence));
                route.MetersRead = Plus1(route.MetersRead);
                if (route.ReadDate.empty()) route.ReadDate = Mid(Text(mFields.ReadingDate), 3, 6);
                if (route.BeginningSequence == 0) route.BeginningSequence = sequence;
                route.EndingSequence = sequence;
            }
        }
    }

    // Pass 2: the read meters in database order, an "A" ... "Z" group around each run of
    // one route's meters and a "C" whenever the account changes.
    void WritePass() {
        while (ReadNext(127)) {
            if (!IsReadMeter()) continue;
            const int64_t routeIndex = Number(mFields.RouteNbr);
            RouteEntry(routeIndex);
            if (routeIndex != mCurrentRoute) {
                if (mCurrentRoute != 0) WriteTrailer();
                mCurrentRoute = routeIndex;
                WriteRouteHeader();
                mLastAccount.reset();
            }
            const std::string_view account = TextView(mFields.ServiceUniqueID, mScratch[0]);
            if (!mLastAccount.has_value() || *mLastAccount != account) {
                mLastAccount.emplace(account);
                WriteAccount(*mLastAccount);
            }
            WriteMeter();
        }
        if (mCurrentRoute != 0) WriteTrailer();
    }

    const E5KUploadRoute& Current() const { return mRoutes[static_cast<size_t>(mCurrentRoute) - 1]; }

    void WriteRouteHeader() {
        const E5KUploadRoute& route = Current();
        const auto& r = mColumns.Route;
        mColumns.A->Init();
        r.Route.Set(route.Route);
        r.NoofAccounts.Set(route.Accounts);
        r.NoofMeters.Set(route.MetersRead);
        r.ProcessorNumber.Set(route.ProcessorNumber);
        r.ReadDate.Set(route.ReadDate);
        r.BeginningSequenceNumber.Set(route.BeginningSequence);
        r.EndingSequenceNumber.Set(route.EndingSequence);
        mUpload.WriteRecord(*mColumns.A);
    }

    void WriteAccount(const std::string& account) {
        const auto& c = mColumns.Account;
        mColumns.C->Init();
        c.Route.Set(Current().Route);
        c.AccountNumber.Set(account);
        c.ReadingStatus.Set("2");
        c.ResequenceFlag.Set("0");
        c.ReadDate.Set(Mid(Text(mFields.ReadingDate), 5, 4));
        mUpload.WriteRecord(*mColumns.C);
        const std::string propertyKey = Text(mFields.User1);
        if (propertyKey.empty()) return;
        mColumns.S->Init();
        mColumns.Property.RecordCategory.Set("02");
        mColumns.Property.PropertyVGKey.Set(propertyKey);
        mUpload.WriteRecord(*mColumns.S);
    }

    void WriteMeter() {
        const auto& d = mColumns.Meter;
        mColumns.D->Init();
        d.RelativeMeterNumber.Set(TextView(mFields.User2, mScratch[0]));
        d.MeterNumber.Set(TextView(mFields.MeterSerialNbr, mScratch[1]));
        // A meter record without a meter size (from another route import) gives zeros.
        d.MeterSize.Set(Val(TextView(mFields.User3, mScratch[2])));
        mUpload.WriteRecord(*mColumns.D);

        const auto& e = mColumns.Reading;
        mColumns.E->Init();
        e.NumberofDials.Set(0);
        e.CurrentReading.Set(Number(mFields.CurReading));
        e.Decimals.Set(0);
        e.ReadTime.Set(Number(mFields.ReadingTime));
        e.ReadCount.Set(1);
        e.ReadVerifyFlag.Set(0);
        e.NoReadCode.Set("00");
        mUpload.WriteRecord(*mColumns.E);
    }

    void WriteTrailer() {
        const auto& z = mColumns.Trailer;
        mColumns.Z->Init();
        z.Route.Set(Current().Route);
        z.ProcessorNumber.Set(mProcessorNumber);
        z.EmployerNumber.Set(mEmployerNumber);
        mUpload.WriteRecord(*mColumns.Z);
    }

    // The record fields the export reads, looked up once; 0 when the schema has none.
    struct RecordFields {
        int16_t RouteNbr, Sequence, CurReading, ReadingDate, ReadingTime, ReadType, Initials, ResponseText,
            ServiceUniqueID, MeterSerialNbr, User1, User2, User3;
    };

    clsExchange& mEngine;
    ConversionRun& mRun;
    int mFileVersion;
    std::string mSource;
    clsE5KUpload mUpload;
    UploadColumns mColumns;
    clsQVF* mDatabase = nullptr;
    clsPalmDB* mRecords = nullptr; // mDatabase's records
    RecordFields mFields{};
    int32_t mRecordNumber = 0;
    int32_t mKind = -1;

    std::vector<E5KUploadRoute> mRoutes; // route k at k - 1
    std::string mEmployerNumber, mProcessorNumber;
    int64_t mCurrentRoute = 0;
    std::optional<std::string> mLastAccount;
    std::array<std::string, 3> mScratch; // numbers' texts read as views
};

bool clsExchange::ConvertReadingE5K(int FileVersion) { return E5KReadingExport(*this, FileVersion).Export(); }

} // namespace dovrex
