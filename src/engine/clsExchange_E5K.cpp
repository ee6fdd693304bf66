// The E5000 route import: an E5000 download read twice, first for its routes and their
// meter and account counts, then to build one meter record per "H" or "I" record from the
// account records before it ("A", "B", "E", "C", "D") and the location records after it
// ("K01", "K05", "L").

#include "BufferedText.h"
#include "MeterRecordPlan.h"
#include "MeterFieldNumbers.h"
#include "clsExchange.h"

#include "advanced/clsAdvanced.h"
#include "billing/clsE5KDownload.h"
#include "handheld_db/RecordAssembly.h"
#include "handheld_db/clsPalmDB.h"
#include "handheld_db/clsQVF.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace dovrex {

namespace {

// The progress scale of both passes together (the third share is never reached).
constexpr int32_t kProgressMax = 765;

// One field of one download record kind, found by name once per pass and read from the
// line as it stands: the reader only recognises each line's kind.
class Column {
public:
    Column(const clsRecType* kind, std::string_view name, int16_t type) {
        const auto number = kind ? kind->FieldNumber(name) : std::nullopt;
        if (!number || kind->Fields()[*number].FieldType() != type) {
            RaiseError(ErrInvalidCall, "No record field " + std::string(name));
        }
        mField = &kind->Fields()[*number];
        mStart = static_cast<size_t>(mField->FieldPos()) - 1;
        mWidth = static_cast<size_t>(mField->FieldLen());
        mEnd = mStart + mWidth;
        // A field of 2 to 8 columns with 8 bytes of the line up to its end is read as one word.
        mAsWord = std::endian::native == std::endian::little && mWidth >= 2 && mWidth <= 8 && mEnd >= 8;
        mBefore = mAsWord && mWidth < 8 ? (uint64_t{1} << (8 * (8 - mWidth))) - 1 : 0;
    }
    // A text field's columns, not trimmed: fewer or none where the line ends earlier.
    [[gnu::always_inline]] std::string_view Text(std::string_view line) const {
        // Most lines hold every column of their kind.
        if (mEnd <= line.size()) [[likely]] return std::string_view(line.data() + mStart, mWidth);
        return mStart < line.size() ? line.substr(mStart, mWidth) : std::string_view();
    }
    // A zero-filled field's number, which is whole and within 32 bits; 0 when it does not
    // fit the working value (only a column of many digits can be one).
    // A meter line has seven of them: they are read in place.
    template <class Int> [[gnu::always_inline]] Int Whole(std::string_view line) const {
        // Most number columns hold digits only, which read as they stand: a field of a word
        // at most as the word up to its end, the bytes before it taken as leading zeros.
        if (mAsWord && mEnd <= line.size()) [[likely]] {
            uint64_t word;
            std::memcpy(&word, line.data() + mEnd - 8, sizeof word);
            constexpr uint64_t kZeros = 0x3030303030303030u;
            if (int64_t whole; clsField::ReadEightDigits((word & ~mBefore) | (kZeros & mBefore), whole)) {
                return Within<Int>(static_cast<int32_t>(whole));
            }
        }
        const std::string_view digits = Text(line);
        if (digits.size() == 1) {
            const auto digit = static_cast<unsigned char>(digits[0] - '0');
            if (digit <= 9) return static_cast<Int>(digit);
        } else if (digits.size() <= 9) {
            if (const auto whole = clsField::PlainDigits(digits)) return Within<Int>(static_cast<int32_t>(*whole));
        }
        return OtherWhole<Int>(line);
    }

private:
    template <class Int> [[gnu::noinline]] Int OtherWhole(std::string_view line) const {
        return Within<Int>(mField->ExtractNumber(line));
    }
    template <class Int, class Number> static Int Within(Number number) {
        if (number < std::numeric_limits<Int>::min() || number > std::numeric_limits<Int>::max()) return 0;
        return static_cast<Int>(number);
    }

    const clsField* mField;
    size_t mStart, mWidth, mEnd; // the field's columns in a line that holds them all
    bool mAsWord;                // whether Whole reads the field as one word
    uint64_t mBefore;            // the bytes of that word before the field
};

constexpr int16_t kText = clsField::ftText;
constexpr int16_t kWhole = clsField::ftZeroFilled;

// The fields of a meter record ("H" and "I" share the layout but are kinds of their own).
// The meter make, display code, status, location and reference are read by no field of the
// meter record, so they are not taken.
struct MeterColumns {
    MeterColumns(const clsRecType* kind)
        : Kind(kind), RelativeMeterNumber(kind, "RelativeMeterNumber", kText),
          MeterSerialNumber(kind, "MeterSerialNumber", kText), NumberofDials(kind, "NumberofDials", kWhole),
          MinimumRead(kind, "MinimumRead", kWhole), MaximumRead(kind, "MaximumRead", kWhole),
          PriorRead(kind, "PriorRead", kWhole), MeterType(kind, "MeterType", kText),
          MeterSize(kind, "MeterSize", kWhole), NoDecimals(kind, "NoDecimals", kWhole),
          MustReadFlag(kind, "MustReadFlag", kWhole) {}
    const clsRecType* Kind;
    Column RelativeMeterNumber, MeterSerialNumber, NumberofDials, MinimumRead, MaximumRead, PriorRead, MeterType,
        MeterSize, NoDecimals, MustReadFlag;
};

// The download reader of one pass and the fields the import reads, each found once.
struct DownloadFields {
    explicit DownloadFields(IMessageBox* messages) : File(messages) {}

    clsE5KDownload File;
    const clsRecType* Kind(const char* id) const { return File.RecordType(id); }
    Column Text(const char* id, const char* name) const { return Column(Kind(id), name, kText); }

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

    Column Route = Text("F", "Route");
    struct {
        Column AccountNumber, MeterSequenceNumber, SpecialInstruction;
    } Account{Text("A", "AccountNumber"), Column(A, "MeterSequenceNumber", kWhole), Text("A", "SpecialInstruction")};
    struct {
        Column CustomerName, Address;
    } Customer{Text("B", "CustomerName"), Text("B", "Address")};
    Column LotandPlan = Text("E", "CustomerAddressLotandPlan");
    Column PropertyVGKey = Text("C", "PropertyVGKey");
    Column SpecialInstructions = Text("D", "SpecialInstructions");
    MeterColumns H{Kind("H")};
    MeterColumns I{Kind("I")};
    // The property location descriptions of "K01" and "K05" go into no field of the meter record.
    Column MeterLocationDesc1 = Text("K01", "MeterLocationDesc1");
    Column MeterLocationDesc2 = Text("K05", "MeterLocationDesc2");
    Column Location = Text("L", "Location");
    Column NumberofAccounts{Z, "NumberofAccounts", kWhole};
    Column UnknownID = Text(clsE5KDownload::UnknownKind, "RecID");

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

// The account an "A" record starts; every text without blanks at either end. The account
// type is read by no field of the meter record, so it is not kept.
struct E5KCustomer {
    BufferedText AccountNumber, SpecialInstruction, CustomerName, Address, LotandPlan, PropertyKey;
    int32_t MeterSequenceNumber = 0;

    // Back to no values, keeping the texts' storage for the next account.
    void Reset() {
        AccountNumber.clear();
        SpecialInstruction.clear();
        CustomerName.clear();
        Address.clear();
        LotandPlan.clear();
        PropertyKey.clear();
        MeterSequenceNumber = 0;
    }
};

// The meter of an "H" or "I" record with what the records around it add. The texts that
// only go into joined texts are kept without blanks at either end, as they are joined.
struct E5KMeter {
    bool Pending = false;
    BufferedText SpecialInstructions, RelativeMeterNumber, MeterSerialNumber;
    int16_t NumberofDials = 0;
    int32_t MinimumRead = 0, MaximumRead = 0, PriorRead = 0;
    BufferedText MeterType;
    int32_t MeterSize = 0;
    int16_t NoDecimals = 0, MustReadFlag = 0;
    BufferedText MeterLocationDesc1, MeterLocationDesc2, Location;

    // Back to no values, keeping the texts' storage for the next meter.
    void Reset() {
        Pending = false;
        NumberofDials = NoDecimals = MustReadFlag = 0;
        MinimumRead = MaximumRead = PriorRead = MeterSize = 0;
        SpecialInstructions.clear();
        RelativeMeterNumber.clear();
        MeterSerialNumber.clear();
        MeterType.clear();
        MeterLocationDesc1.clear();
        MeterLocationDesc2.clear();
        Location.clear();
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

// The lenient numeric value of a meter serial number (without blanks at either end) as a
// 32-bit tag number, and whether the serial number is all digits. Most serial numbers are a
// few digits, which read as they stand.
struct SerialTag {
    int32_t Tag;
    bool AllDigits;
    // The tag number's text when it is the serial number's own digits without leading
    // zeros (or its last "0"); empty when it has to be formatted.
    std::string_view Text;
};
SerialTag TagOfSerial(std::string_view serial) {
    if (!serial.empty() && serial.size() <= 9) {
        // Nine digits at most always fit.
        const auto number = clsField::PlainDigits(serial);
        if (!number) return {Fitting<int32_t>(Val(serial)), false, {}};
        const size_t first = serial.find_first_not_of('0');
        return {static_cast<int32_t>(*number), true,
                serial.substr(first == std::string_view::npos ? serial.size() - 1 : first)};
    }
    return {Fitting<int32_t>(Val(serial)), clsExchange::IsAllDigits(serial), {}};
}

// The meter type code of a meter type letter.
std::optional<int> MeterTypeCode(std::string_view meterType) {
    if (meterType == "W") return 1;
    if (meterType == "G") return 2;
    if (meterType == "E") return 3;
    if (meterType == "S") return 4;
    if (meterType == "I") return 5;
    return std::nullopt;
}

// Texts without blanks at either end joined with one blank each, without blanks at either
// end of the whole (empty texts at either end add none): a view of text, which is only the
// room that holds them (it never shrinks, so it is filled without clearing it first), or of
// the one text that is not empty.
[[gnu::always_inline]] inline std::string_view Joined(std::string& text, std::initializer_list<std::string_view> parts) {
    const std::string_view* first = parts.begin();
    const std::string_view* last = parts.end();
    while (first != last && first->empty()) ++first;
    while (last != first && last[-1].empty()) --last;
    if (first == last) return {};
    // A text alone is its own join (most addresses are).
    if (last - first == 1) return *first;
    size_t size = static_cast<size_t>(last - first) - 1;
    for (const std::string_view* part = first; part != last; ++part) size += part->size();
    if (text.size() < size) text.resize(size);
    char* out = text.data();
    for (const std::string_view* part = first; part != last; ++part) {
        if (part != first) *out++ = ' ';
        // An empty part may be a view of nothing at all.
        if (!part->empty()) std::memcpy(out, part->data(), part->size());
        out += part->size();
    }
    return std::string_view(text.data(), size);
}

// A number field of the meter record set only when its value changes: the record keeps
// every field from one meter to the next. Nothing is known of the field until it is first
// set (nor after a set that raised).
struct KeptNumber {
    // What Last holds while nothing is known: never a number of the download.
    static constexpr int64_t kUnknown = std::numeric_limits<int64_t>::min();
    explicit KeptNumber(int16_t field) : Field(field) {}
    int16_t Field;
    int64_t Last = kUnknown;
    void Set(RecordAssembly& db, int64_t value) {
        if (Last == value) return;
        Last = kUnknown;
        db.SetInteger(Field, value);
        Last = value;
    }
};
// The meter record's fields that often keep their value from meter to meter.
struct KeptFields {
    explicit KeptFields(const MeterFieldNumbers& f)
        : RouteNbr{f.RouteNbr}, Sequence{f.Sequence}, MeterTagNbr{f.MeterTagNbr}, MeterType{f.MeterType},
          Digits{f.Digits}, Decimals{f.Decimals}, PrvReading{f.PrvReading}, MaxReading{f.MaxReading},
          MinReading{f.MinReading}, ReadType{f.ReadType} {}
    KeptNumber RouteNbr, Sequence, MeterTagNbr, MeterType, Digits, Decimals, PrvReading, MaxReading, MinReading,
        ReadType;
    std::optional<int32_t> MeterSize; // of the text in User3
};

} // namespace

class clsExchange::E5KRouteImport {
public:
    explicit E5KRouteImport(clsExchange& engine)
        : mEngine(engine), mRun(engine.Run()), mSource(engine.ResolvedPath(engine.mvarRouteSource)) {}

    bool Convert() {
        // One reader for both passes: the second takes the lines where the first found them.
        DownloadFields download(&mEngine.mMessages);
        if (!CountPass(download)) return false;
        if (!mEngine.CreateRouteDatabase(static_cast<int64_t>(mRoutes.size()) + mMeterCount + 2 + 2100)) return false;
        WriteOpeningRecords();
        return BuildPass(download);
    }

private:
    // The progress of both passes, reported as it changes (it changes once in many lines).
    void ShowProgress(int32_t position) {
        if (position == mShownProgress) return;
        mEngine.SetProgress(kProgressMax, position);
        mShownProgress = position;
    }

    bool OpenDownload(DownloadFields& download, bool again) {
        if (again ? download.File.OpenFileAgain(mSource) : download.File.OpenFile(mSource)) return true;
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
    bool CountPass(DownloadFields& d) {
        if (!OpenDownload(d, false)) return false;
        for (;;) {
            ShowProgress(d.File.Position255());
            const clsRecType* record = d.File.ReadNextLineNoting();
            if (record == nullptr) break;
            const std::string_view line = d.File.Line();
            if (record == d.F) {
                CheckInt16(static_cast<int64_t>(mRoutes.size()) + 1);
                mRoutes.push_back(E5KRoute{Trim(d.Route.Text(line)), 0, 0});
            } else if (d.Meter(record) != nullptr) {
                E5KRoute& route = CurrentRoute(record->RIValue().c_str(), d.File.LineNo());
                route.MeterCount = Plus1(route.MeterCount);
                mMeterCount = Plus1(mMeterCount);
            } else if (record == d.Z) {
                CurrentRoute("Z", d.File.LineNo()).Accounts = d.NumberofAccounts.Whole<int16_t>(line);
            } else if (record == d.Unknown) {
                mEngine.WriteLog("Error: Unknown record type '" + std::string(d.UnknownID.Text(line)) + "' at line " +
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
    bool BuildPass(DownloadFields& d) {
        ResolveFields();
        if (!OpenDownload(d, true)) return false;
        d.File.WatchForNul();
        mDownload = &d.File;
        mRouteIndex = 0;
        mRun.SeenTags.Reserve(static_cast<size_t>(mMeterCount));
        for (;;) {
            ShowProgress(d.File.Position255() + 255);
            // The texts taken are views of the read buffer until a read refills it.
            const clsRecType* record;
            if (!d.File.ReadNextLineAgainInBuffer(record)) {
                OwnBufferedTexts();
                record = d.File.ReadNextLineAgain();
            }
            if (record == nullptr) break;
            const std::string_view line = d.File.Line();
            mLine = d.File.LineNo();
            if (record == d.F) {
                StartRoute(TrimView(d.Route.Text(line)));
            } else if (record == d.A) {
                WritePendingMeter();
                E5KCustomer& c = mCustomer;
                c.Reset();
                mAccountChanged = true;
                c.AccountNumber.assign(TrimView(d.Account.AccountNumber.Text(line)));
                c.MeterSequenceNumber = d.Account.MeterSequenceNumber.Whole<int32_t>(line);
                c.SpecialInstruction.assign(TrimView(d.Account.SpecialInstruction.Text(line)));
            } else if (record == d.B) {
                mCustomer.CustomerName.assign(TrimView(d.Customer.CustomerName.Text(line)));
                mCustomer.Address.assign(TrimView(d.Customer.Address.Text(line)));
                mAccountChanged = true;
            } else if (record == d.E) {
                mCustomer.LotandPlan.assign(TrimView(d.LotandPlan.Text(line)));
                mAccountChanged = true;
            } else if (record == d.C) {
                mCustomer.PropertyKey.assign(TrimView(d.PropertyVGKey.Text(line)));
                mAccountChanged = true;
            } else if (record == d.D) {
                // The instructions belong to the meter that follows, not to one already read.
                WritePendingMeter();
                mMeter.SpecialInstructions.assign(TrimView(d.SpecialInstructions.Text(line)));
            } else if (const MeterColumns* meter = d.Meter(record)) {
                WritePendingMeter();
                TakeMeter(*meter, line);
            } else if (record == d.K01) {
                mMeter.MeterLocationDesc1.assign(TrimView(d.MeterLocationDesc1.Text(line)));
            } else if (record == d.K05) {
                mMeter.MeterLocationDesc2.assign(TrimView(d.MeterLocationDesc2.Text(line)));
            } else if (record == d.L) {
                mMeter.Location.assign(TrimView(d.Location.Text(line)));
            }
        }
        WritePendingMeter();
        return !mRun.ConversionProblems;
    }

    // Copies of every text that views the read buffer: the record's address first, which
    // may view one of the texts (or their own copies, which owning them renews).
    void OwnBufferedTexts() {
        if (!mAddress.empty() && mAddress.data() != mAddressRoom.data()) {
            mAddressRoom.assign(mAddress);
            mAddress = mAddressRoom;
        }
        E5KCustomer& c = mCustomer;
        E5KMeter& m = mMeter;
        for (BufferedText* text : {&c.AccountNumber, &c.SpecialInstruction, &c.CustomerName, &c.Address, &c.LotandPlan,
                               &c.PropertyKey, &m.SpecialInstructions, &m.RelativeMeterNumber, &m.MeterSerialNumber,
                               &m.MeterType, &m.MeterLocationDesc1, &m.MeterLocationDesc2, &m.Location}) {
            text->Own();
        }
    }

    void StartRoute(std::string_view route) {
        WritePendingMeter();
        mRouteNumber.assign(route);
        mRouteIndex = CheckInt16(static_cast<int64_t>(mRoutes.size()) + 1);
        for (size_t k = 0; k < mRoutes.size(); ++k) {
            if (mRoutes[k].Route == mRouteNumber) {
                mRouteIndex = static_cast<int16_t>(k + 1);
                break;
            }
        }
    }

    // Fills the current meter; instructions and locations it already has stay.
    void TakeMeter(const MeterColumns& f, std::string_view line) {
        E5KMeter& m = mMeter;
        m.Pending = true;
        m.RelativeMeterNumber.assign(f.RelativeMeterNumber.Text(line));
        m.MeterSerialNumber.assign(f.MeterSerialNumber.Text(line));
        m.NumberofDials = f.NumberofDials.Whole<int16_t>(line);
        m.MinimumRead = f.MinimumRead.Whole<int32_t>(line);
        m.MaximumRead = f.MaximumRead.Whole<int32_t>(line);
        m.PriorRead = f.PriorRead.Whole<int32_t>(line);
        m.MeterSize = f.MeterSize.Whole<int32_t>(line);
        m.MeterType.assign(f.MeterType.Text(line));
        m.NoDecimals = f.NoDecimals.Whole<int16_t>(line);
        m.MustReadFlag = f.MustReadFlag.Whole<int16_t>(line);
    }

    void ResolveFields() {
        mFields = MeterFieldNumbers::Resolve(mRun.RouteDatabase->DB());
        // What the word index reads back from each written meter.
        mIndexPlan.RouteNbr = mFields.RouteNbr;
        mIndexPlan.IndexFields = {mFields.MeterTagNbr, mFields.MeterSerialNbr, mFields.BillingName,
                                  mFields.ServiceAddress, mFields.ServiceUniqueID};
        mRecord.emplace(mRun.RouteDatabase->DB());
        const RecordAssembly& db = *mRecord;
        mIndexAsSet = db.FieldType(mFields.RouteNbr) == clsPalmDB::ftInt32 &&
                               db.FieldType(mFields.MeterTagNbr) == clsPalmDB::ftInt32;
        for (const int16_t text : {mFields.MeterSerialNbr, mFields.BillingName, mFields.ServiceAddress,
                                   mFields.ServiceUniqueID}) {
            if (db.FieldType(text) != clsPalmDB::ftString) mIndexAsSet = false;
        }
        WriteConstantFields();
        mKept.emplace(mFields);
        // The shared configuration stays the same object while a conversion runs.
        mAdvanced = &mEngine.Advanced();
        mSupervisorMessages = mAdvanced->HasSupervisorMessages();
    }

    // What is the same in every meter record is set once: each meter overwrites only the
    // fields that vary.
    void WriteConstantFields() {
        const MeterFieldNumbers& f = mFields;
        RecordAssembly& db = *mRecord;
        db.AddNew();
        db.SetInteger(f.RecType, 2);
        db.SetInteger(f.Status, 0);
        for (int16_t zero : {f.LstReadingDate, f.TamperCount, f.UtilityCode, f.Lat, f.Lng, f.InitPulseCount,
                             f.InitTamperCount}) {
            db.SetInteger(zero, 0);
        }
        db.SetText(f.ReceiverData, "");
        db.SetText(f.User5, "");
    }

    void WritePendingMeter() {
        if (!mMeter.Pending) return;
        const MeterFieldNumbers& f = mFields;
        const E5KMeter& m = mMeter;
        const E5KCustomer& c = mCustomer;
        const std::string_view serial = TrimView(m.MeterSerialNumber);
        RecordAssembly& db = *mRecord;
        KeptFields& k = *mKept;
        // While no NUL has been read from the file, the record holds its texts as they are set.
        const bool noNul = !mDownload->NulRead();
        const bool plain = mIndexAsSet && noNul;
        k.RouteNbr.Set(db, mRouteIndex);
        k.Sequence.Set(db, c.MeterSequenceNumber);
        // A serial number of letters, or of more digits than a tag number holds, gives tag 0.
        const SerialTag tag = TagOfSerial(serial);
        k.MeterTagNbr.Set(db, tag.Tag);
        if (const auto type = MeterTypeCode(m.MeterType)) {
            k.MeterType.Set(db, *type);
        } else if (db.FieldType(f.MeterType) == clsPalmDB::ftString) {
            k.MeterType.Last = KeptNumber::kUnknown;
            db.SetText(f.MeterType, ""); // as a new record holds it
        } else {
            k.MeterType.Set(db, 0);
        }
        k.Digits.Set(db, m.NumberofDials);
        k.Decimals.Set(db, m.NoDecimals);
        k.PrvReading.Set(db, m.PriorRead);
        k.MaxReading.Set(db, m.MaximumRead);
        k.MinReading.Set(db, m.MinimumRead);
        k.ReadType.Set(db, tag.AllDigits ? 1 : 2);
        const std::string_view prior =
            Joined(mJoined, {c.SpecialInstruction, m.SpecialInstructions, m.MeterLocationDesc1, m.MeterLocationDesc2});
        // Without supervisor messages, a meter without a billing message has no message.
        if (mSupervisorMessages) {
            mAdvanced->LookupMessage(mMessage, prior, mRouteNumber, c.AccountNumber, serial, serial);
        } else if (prior.empty()) {
            mMessage.clear();
        } else {
            mAdvanced->LookupMessage(mMessage, prior, {}, {}, {}, {});
        }
        db.SetText(f.Message, mMessage);
        // The address changes with the account or the meter's location.
        // The address stays a view of texts that keep until it is set again.
        if (mAccountChanged || !m.Location.empty() || mAddressHadLocation) {
            mAddress = Joined(mAddressRoom, {c.Address, c.LotandPlan, m.Location});
            SetFileText(plain, f.ServiceAddress, mAddress);
            mAddressHadLocation = !m.Location.empty();
        }
        if (mAccountChanged) {
            SetFileText(plain, f.BillingName, c.CustomerName);
            SetFileText(plain, f.ServiceUniqueID, c.AccountNumber);
            // The upload's "S" record takes the property key.
            SetFileText(noNul, f.User1, c.PropertyKey);
            mAccountChanged = false;
        }
        SetFileText(plain, f.MeterSerialNbr, m.MeterSerialNumber);
        const auto info = [&] { return std::string(c.CustomerName) + " " + std::string(c.Address); };
        if (mEngine.CheckDuplicateTag(serial, info, mLine)) mRun.ConversionProblems = true;
        // The upload's "D" record takes the relative meter number and the meter size.
        // Most meters share their relative number with the meter before: the record holds it.
        if (!mUser2Set || std::string_view(m.RelativeMeterNumber) != std::string_view(mUser2)) {
            mUser2Set = false;
            SetFileText(noNul, f.User2, m.RelativeMeterNumber);
            mUser2.assign(m.RelativeMeterNumber);
            mUser2Set = true;
        }
        if (k.MeterSize != m.MeterSize) {
            k.MeterSize.reset();
            // The number's text made in place: most meters change it.
            char digits[12];
            const char* end = std::to_chars(digits, digits + sizeof digits, m.MeterSize).ptr;
            db.SetTextWithoutNul(f.User3, std::string_view(digits, static_cast<size_t>(end - digits)));
            k.MeterSize = m.MeterSize;
        }
        db.WriteTo(mRun.RouteDatabase->DB());
        ++mRun.MetersWritten;
        IndexMeter(tag, plain);
        // The next meter starts afresh: instructions and locations belong to one meter.
        mMeter.Reset();
    }

    // A text of the file into a field, which a plain text goes into as it stands.
    void SetFileText(bool plain, int16_t field, std::string_view text) {
        if (plain) mRecord->SetTextWithoutNul(field, text);
        else mRecord->SetText(field, text);
    }

    // The word index takes the meter's texts as the written record holds them: the texts
    // from the record itself, the route and tag numbers as they went in (their fields hold
    // them whole).
    // With plain texts, the record holds the indexed ones as they were set.
    void IndexMeter(const SerialTag& tag, bool plain) {
        const RecordAssembly& db = *mRecord;
        if (!mIndexAsSet) {
            mEngine.IndexWrittenMeter(mIndexPlan, db);
            return;
        }
        std::string_view tagText = tag.Text;
        if (tagText.empty()) {
            AssignNumberText(mTagText, int64_t{tag.Tag});
            tagText = mTagText;
        }
        if (plain) {
            mEngine.IndexMeter(mRouteIndex, mRun.IndexPosition, tagText, mMeter.MeterSerialNumber,
                               mCustomer.CustomerName, mAddress, mCustomer.AccountNumber);
            mRun.IndexPosition = CheckInt16(static_cast<int64_t>(mRun.IndexPosition) + 1);
            return;
        }
        const MeterFieldNumbers& f = mFields;
        std::string& none = mIndexScratch; // text fields need no scratch
        mEngine.IndexMeter(mRouteIndex, mRun.IndexPosition, tagText, db.ItemText(f.MeterSerialNbr, none),
                           db.ItemText(f.BillingName, none), db.ItemText(f.ServiceAddress, none),
                           db.ItemText(f.ServiceUniqueID, none));
        mRun.IndexPosition = CheckInt16(static_cast<int64_t>(mRun.IndexPosition) + 1);
    }

    clsExchange& mEngine;
    ConversionRun& mRun;
    std::string mSource;
    int32_t mShownProgress = -1; // the progress reported last (none yet)

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
    const clsAdvanced* mAdvanced = nullptr;
    bool mSupervisorMessages = false; // whether the configuration has any
    std::optional<KeptFields> mKept;
    // Whether the account's texts changed since the last meter was written, and whether
    // that meter's address took its location.
    bool mAccountChanged = true;
    bool mAddressHadLocation = false;
    // The relative meter number in the record's User2, once it has been set.
    std::string mUser2;
    bool mUser2Set = false;
    std::string mJoined;  // texts joined for the meter record being written
    // The record's address, in its own room or in the texts it is alone of.
    std::string mAddressRoom;
    std::string_view mAddress;
    const clsE5KDownload* mDownload = nullptr; // the file of pass 2
    std::string mMessage; // the meter's message
    // Whether the route and tag numbers read back from the record as they were set and the
    // indexed texts are text fields, as the database's schema has them.
    bool mIndexAsSet = false;
    std::string mTagText, mIndexScratch; // a tag number's text for the word index
};

bool clsExchange::ConvertRouteE5K() { return E5KRouteImport(*this).Convert(); }

} // namespace dovrex
