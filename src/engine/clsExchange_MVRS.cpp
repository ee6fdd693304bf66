// The MVRS route import: an MVRS download read twice, first for the file, cycle and
// route totals, then to build one meter record from the records around each "MTR".

#include "BufferedText.h"
#include "MVRSCustomer.h"
#include "MVRSRouteInfo.h"
#include "MeterFieldNumbers.h"
#include "clsExchange.h"

#include <array>
#include "modMVRS.h"

#include "billing/clsMVRSDownload.h"
#include "advanced/clsAdvanced.h"
#include "handheld_db/RecordAssembly.h"
#include "handheld_db/clsPalmDB.h"
#include "handheld_db/clsQVF.h"
#include "maps/clsExchMap.h"
#include "platform/NumberChars.h"
#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <optional>

namespace dovrex {

namespace {

// The progress scale of both passes together (the third share is never reached).
constexpr int32_t kProgressMax = 765;

// One field of one download record kind, found by name once and read from lines of that
// kind as they stand (as the kind's value would read it after parsing the line): the
// reader only recognises each line's kind.
class LineColumn {
public:
    // Raises when the kind is missing or has no such field: a program error, not bad input.
    LineColumn(const clsRecType* kind, std::string_view name) {
        const auto number = kind ? kind->FieldNumber(name) : std::nullopt;
        if (!number) RaiseError(ErrInvalidCall, "No record field " + std::string(name));
        mField = &kind->Fields()[*number];
        mText = mField->FieldType() == clsField::ftText;
        mZeroFilled = mField->FieldType() == clsField::ftZeroFilled;
        mStart = static_cast<size_t>(mField->FieldPos()) - 1;
        mWidth = static_cast<size_t>(mField->FieldLen());
        mEnd = mStart + mWidth;
    }

    Value Get(std::string_view line) const { return mField->Extract(line); }
    double Number(std::string_view line) const { return mField->ExtractNumber(line); }
    // Fitting<Int>(Number(line)), straight from the digits when the columns are plain digits
    // (as the number reads them exactly): a number past the working value's range does not
    // fit and leaves 0 (read sequences of long routes are such numbers).
    // Inline with the digits' reading: the meter reads eight numbers so.
    template <class Int> [[gnu::always_inline, gnu::flatten]] Int Whole(std::string_view line) const {
        if (mText || mZeroFilled) {
            // Counts and codes of one or two digits, which most number columns are.
            if (mWidth - 1 < 2 && mEnd <= line.size()) {
                const auto high = static_cast<unsigned char>(line[mStart] - '0');
                const auto low = static_cast<unsigned char>(line[mEnd - 1] - '0');
                if (high <= 9 && low <= 9) return static_cast<Int>(mWidth == 1 ? low : high * 10 + low);
            }
            if (const auto digits = clsField::PlainDigits(Columns(line))) {
                return *digits <= std::numeric_limits<Int>::max() ? static_cast<Int>(*digits) : Int{0};
            }
        }
        return Fitting<Int>(Number(line));
    }
    // The field's text: a view of the line, or of scratch for a value that is converted.
    [[gnu::always_inline]] std::string_view Text(std::string_view line, std::string& scratch) const {
        if (mText) return Columns(line);
        if (mZeroFilled) {
            // Digits only: the number without its leading zeros, "0" for none but zeros.
            if constexpr (std::endian::native == std::endian::little) {
                // Most such fields are a few columns of a line with eight bytes from the
                // first: the columns read as one word, zeros past them.
                if (mWidth != 0 && mWidth <= 8 && mStart + 8 <= line.size()) {
                    constexpr uint64_t kOnes = 0x0101010101010101u;
                    const uint64_t kept = mWidth == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * mWidth)) - 1;
                    uint64_t word;
                    std::memcpy(&word, line.data() + mStart, sizeof word);
                    word = (word & kept) | (kOnes * '0' & ~kept);
                    // Every byte from 0x30 to 0x39: high half 3, and still 3 with 6 added.
                    if ((word & (kOnes * 0xF0)) == kOnes * 0x30 && ((word + kOnes * 6) & (kOnes * 0xF0)) == kOnes * 0x30) {
                        // The first byte that is not "0" (the first column is the lowest byte).
                        const uint64_t other = word ^ (kOnes * '0');
                        const size_t zeros = other == 0 ? 8 : static_cast<size_t>(std::countr_zero(other)) / 8;
                        const size_t first = std::min(zeros, mWidth - 1);
                        return std::string_view(line.data() + mStart + first, mWidth - first);
                    }
                }
            }
            const std::string_view col = Columns(line);
            const size_t n = col.size();
            if (n != 0 && n <= 9) {
                size_t first = 0;
                while (first + 1 < n && col[first] == '0') ++first;
                size_t i = first;
                while (i != n && static_cast<unsigned char>(col[i] - '0') <= 9) ++i;
                if (i == n) return std::string_view(col.data() + first, n - first);
            }
        }
        return Converted(line, scratch);
    }
    std::string Text(std::string_view line) const {
        std::string scratch;
        return std::string(Text(line, scratch));
    }
    // The field's columns of the line, fewer or none where it ends earlier.
    [[gnu::always_inline]] std::string_view Columns(std::string_view line) const {
        // Most lines hold every column of their kind.
        if (mEnd <= line.size()) [[likely]] return std::string_view(line.data() + mStart, mWidth);
        return mStart < line.size() ? line.substr(mStart) : std::string_view();
    }

private:
    // Text of a value that is converted first.
    [[gnu::noinline]] std::string_view Converted(std::string_view line, std::string& scratch) const {
        scratch = mField->Extract(line).ToText();
        return scratch;
    }

    const clsField* mField;
    bool mText, mZeroFilled;
    size_t mStart, mWidth, mEnd;
};

// The message of the meters written through one record, which keeps its fields from one
// meter to the next. Without supervisor messages a meter's message is its billing message
// alone (clsAdvanced::LookupMessage), so a meter whose billing message is that of the
// meter before (mostly none: most meters have no "MTS" record) leaves the field as it is:
// no message is made or set.
class KeptMessage {
public:
    // The configuration stays the same while a conversion runs.
    explicit KeptMessage(const clsAdvanced& advanced)
        : mAdvanced(advanced), mSupervisor(advanced.HasSupervisorMessages()) {}

    // Whether the meter with this billing message needs Set: its message may differ from
    // the one in the field.
    bool Changes(std::string_view billing) const { return mSupervisor || !mSet || billing != mBilling; }
    // Sets the field to the meter's message, as LookupMessage makes it.
    void Set(RecordAssembly& record, int16_t field, std::string_view billing, std::string_view routeNbr,
             std::string_view account, std::string_view serialNbr, std::string_view tagNbr) {
        // A set that raises leaves nothing known of the field.
        mSet = false;
        mAdvanced.LookupMessage(mMessage, billing, routeNbr, account, serialNbr, tagNbr);
        record.SetText(field, mMessage);
        mBilling.assign(billing);
        mSet = true;
    }

private:
    const clsAdvanced& mAdvanced;
    bool mSupervisor;
    bool mSet = false;     // the field holds the message of mBilling
    std::string mBilling;  // the billing message of the message in the field
    std::string mMessage;  // room for the message made
};

// The download reader of one pass and the fields the import reads, each found once.
struct DownloadFields {
    explicit DownloadFields(IMessageBox* messages) : File(messages) {}

    clsMVRSDownload File;
    clsRecType* Kind(const char* id) const { return File.RecordType(id); }
    LineColumn Field(const char* id, const char* name) const { return LineColumn(Kind(id), name); }

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
        LineColumn CycleDate, NumberRoutes;
    } Cycle{Field("CHD", "CycleDate"), Field("CHD", "NumberRoutes")};
    struct {
        LineColumn NumberCustomerRecords, NumberMeterRecords, RouteNumber, Region, Zone, Office, NumberRemoteWandReads;
    } Route{Field("RHD", "NumberCustomerRecords"), Field("RHD", "NumberMeterRecords"), Field("RHD", "RouteNumber"),
            Field("RHD", "Region"), Field("RHD", "Zone"), Field("RHD", "Office"), Field("RHD", "NumberRemoteWandReads")};
    struct {
        LineColumn Name, Address1, Address2, UtilityID, Account, GroupCode, ExtraIndicator, SegmentCode, PassThru,
            CustomerInfo;
    } Customer{Field("CUS", "Name"),         Field("CUS", "Address1"),       Field("CUS", "Address2"),
               Field("CUS", "UtilityID"),    Field("CUS", "Account"),        Field("CUS", "GroupCode"),
               Field("CUS", "ExtraIndicator"), Field("CUS", "SegmentCode"),  Field("CUS", "PassThru"),
               Field("CUS", "CustomerInfo")};
    struct {
        LineColumn Name, Address3;
    } CustomerExtra{Field("CSX", "Name"), Field("CSX", "Address3")};
    struct {
        LineColumn MeterNumber, MeterCategory, MeterType, ReadSequence, GroupCode, MeterLocation, ReadInstruction1,
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
        LineColumn NumberDials, PreviousReading, TextPrompt, ReadDirection, CompareCode, ValidationCode, ReadMethod,
            MeterConstant, ConstantFlag, HHFPosition, NumberDecimals, High1, Low1;
    } Reading{Field("RDG", "NumberDials"),    Field("RDG", "PreviousReading"), Field("RDG", "TextPrompt"),
              Field("RDG", "ReadDirection"),  Field("RDG", "CompareCode"),     Field("RDG", "ValidationCode"),
              Field("RDG", "ReadMethod"),     Field("RDG", "MeterConstant"),   Field("RDG", "ConstantFlag"),
              Field("RDG", "HHFPosition"),    Field("RDG", "NumberDecimals"),  Field("RDG", "High1"),
              Field("RDG", "Low1")};
    LineColumn SpecialMessageText = Field("MTS", "SpecialMessageText");
    struct {
        LineColumn WandProgram, DeviceID;
    } Wand{Field("WRR", "WandProgram"), Field("WRR", "DeviceID")};
    struct {
        LineColumn RFERTID, GeographicArea, RFFrequency, RFTone, Tamper;
    } Radio{Field("RFF", "RFERTID"), Field("RFF", "GeographicArea"), Field("RFF", "RFFrequency"),
            Field("RFF", "RFTone"), Field("RFF", "Tamper")};
    struct {
        LineColumn SurveyText1, SurveyText2;
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

// Fitting<int32_t>(Val(text)), straight from the digits when the text is digits in blanks
// (as Val reads them exactly).
int32_t WholeVal32(std::string_view text) {
    if (const auto digits = clsField::PlainDigits(TrimView(text))) {
        return *digits <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(*digits) : 0;
    }
    return Fitting<int32_t>(Val(text));
}

// The text of the number that Val reads from a text, in scratch or, for a text that
// starts with a letter (it reads as 0) or is digits only (they read as they stand, without
// their leading zeros), without building one: meter locations are mostly one or the other.
std::string_view ValText(std::string_view text, std::string& scratch) {
    const unsigned char first = text.empty() ? 0 : static_cast<unsigned char>(text.front());
    if ((first | 0x20) >= 'a' && (first | 0x20) <= 'z') return "0";
    if (clsField::PlainDigits(text)) {
        size_t lead = 0;
        while (lead + 1 < text.size() && text[lead] == '0') ++lead;
        return text.substr(lead);
    }
    AssignNumberText(scratch, Val(text));
    return scratch;
}

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
        // One reader for both passes: the second takes the lines where the first found them.
        DownloadFields download(&mEngine.mMessages);
        if (!CountPass(download)) return false;
        if (!mEngine.CreateRouteDatabase(static_cast<int64_t>(mNumberRoutes) + mDatabaseSize + 2 + 4200)) return false;
        WriteOpeningRecords();
        return BuildPass(download);
    }

private:
    // Up to three name or address parts, joined.
    using JoinedParts = std::array<char, 3 * MVRSCustomer::PartWidth>;

    // The route table entry k (from 1); raises when the table has none.
    MVRSRouteInfo& RouteEntry(int32_t k, const char* recordKind, int32_t line) {
        if (k < 1 || static_cast<size_t>(k) > mRoutes.size()) NoRouteEntry(k, recordKind, line);
        return mRoutes[static_cast<size_t>(k) - 1];
    }
    [[noreturn, gnu::cold, gnu::noinline]] void NoRouteEntry(int32_t k, const char* recordKind, int32_t line) const {
        RaiseError(ErrSubscript, std::string("The ") + recordKind + " record in line " +
                                     NumberText(static_cast<int64_t>(line)) + " of " + mSource +
                                     (k < 1 ? " comes before any route of the file"
                                            : " is not announced by the CHD records before it"));
    }

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

    static int16_t Add16(int16_t total, double amount) {
        return CheckInt16(static_cast<int64_t>(total) + static_cast<int64_t>(amount));
    }

    // Pass 1: file, cycle and route totals, and the meters of each route.
    bool CountPass(DownloadFields& d) {
        if (!OpenDownload(d, false)) return false;
        int32_t routeEntry = 0;
        for (;;) {
            ShowProgress(d.File.Position255());
            // The meters are only counted.
            const clsRecType* record = d.File.ReadNextLineNoting();
            if (record == nullptr) break;
            const std::string_view line = d.File.Line();
            if (record == d.FHD) {
                mNumberCustomers = 0;
                mNumberMeters = 0;
                mNumberRoutes = 0;
            } else if (record == d.CHD) {
                const Value& date = d.Cycle.CycleDate.Get(line);
                mCycleDate = date.IsDate() ? date.Date() : clsField::ZeroDate();
                const double announced = d.Cycle.NumberRoutes.Number(line);
                mNumberRoutes = Add16(mNumberRoutes, announced == 0 ? 1 : announced);
                mRoutes.resize(static_cast<size_t>(std::max<int16_t>(mNumberRoutes, 0)));
            } else if (record == d.RHD) {
                mNumberCustomers = Add16(mNumberCustomers, d.Route.NumberCustomerRecords.Number(line));
                mNumberMeters = Add16(mNumberMeters, d.Route.NumberMeterRecords.Number(line));
                MVRSRouteInfo& route = RouteEntry(++routeEntry, "RHD", d.File.LineNo());
                route.RouteNumber = d.Route.RouteNumber.Text(line);
                route.Region = d.Route.Region.Text(line);
                route.Zone = d.Route.Zone.Text(line);
                route.Office = d.Route.Office.Text(line);
                route.ScheduledDate = mCycleDate;
                route.RemoteWandReads = Fitting<int16_t>(d.Route.NumberRemoteWandReads.Number(line));
            } else if (record == d.MTR) {
                MVRSRouteInfo& route = RouteEntry(routeEntry, "MTR", d.File.LineNo());
                route.MeterCount = Add16(route.MeterCount, 1);
                mMeterCount = Add16(mMeterCount, 1);
                mDatabaseSize = CheckInt32(static_cast<int64_t>(mDatabaseSize) + 1);
            } else if (record == d.RFF) {
                ++mRadioRecords;
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
    bool BuildPass(DownloadFields& d) {
        mFields = MeterFieldNumbers::Resolve(mRun.RouteDatabase->DB());
        if (!OpenDownload(d, true)) return false;
        // Until the file shows a character that packing mends, no line needs looking through.
        d.File.WatchForNul();
        d.File.WatchForByte('~');
        mDownload = &d;
        SizePackRoom(d);
        mMessage.emplace(mEngine.Advanced()); // the configuration taken once for the run
        mRun.SeenTags.Reserve(mRadioRecords); // room for the tags checked, one per "RFF"
        mRouteIndex = 0;
        for (;;) {
            ShowProgress(d.File.Position255() + 255);
            // The lines are only recognised; the meter's own are kept until it is written,
            // as views of the read buffer until a read refills it.
            const clsRecType* record;
            if (!d.File.ReadNextLineAgainInBuffer(record)) {
                OwnBufferedTexts();
                record = d.File.ReadNextLineAgain();
            }
            if (record == nullptr) break;
            const std::string_view line = d.File.Line();
            if (record == d.RHD) {
                StartRoute(d, line);
            } else if (record == d.CUS) {
                // The customer's records start afresh; the meter before is the previous customer's.
                WritePendingMeter();
                Keep(mCUS, kCUS, line);
                mCSX.clear();
                mRareLines &= ~kCSX;
            } else if (record == d.CSX) {
                Keep(mCSX, kCSX, line);
            } else if (record == d.MTR) {
                StartMeter(d, line);
            } else if (record == d.RDG) {
                Keep(mRDG, kRDG, line);
            } else if (record == d.MTS) {
                Keep(mMTS, kMTS, line);
            } else if (record == d.WRR) {
                Keep(mWRR, kWRR, line);
            } else if (record == d.RFF) {
                TakeRadio(d, line);
            } else if (record == d.RTS) {
                // A survey record before its meter's "MTR" is lost when that starts the meter afresh.
                Keep(mRTS, kRTS, line);
            }
        }
        WritePendingMeter();
        return !mRun.ConversionProblems;
    }

    void OwnBufferedTexts() {
        for (BufferedText* kept : {&mCUS, &mCSX, &mMTR, &mRDG, &mMTS, &mWRR, &mRFF, &mRTS}) kept->Own();
    }

    void StartRoute(const DownloadFields& d, std::string_view line) {
        WritePendingMeter();
        mRouteNumber = d.Route.RouteNumber.Text(line);
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
        mRDG.clear();
        mMTS.clear();
        mWRR.clear();
        mRFF.clear();
        mRTS.clear();
        mRareLines &= kCUS | kCSX;
        Keep(mMTR, kMTR, line);
        mPending = true;
        mTagNumber = 0;
        mRadio = false;
        const std::string_view number = TrimView(d.Meter.MeterNumber.Columns(mMTR));
        if (mRadioProcessing && number.size() == 8 &&
            std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            mTagNumber = WholeVal32(number);
            mRadio = true;
        }
    }

    void TakeRadio(const DownloadFields& d, std::string_view line) {
        Keep(mRFF, kRFF, line);
        mTagNumber = WholeVal32(d.Radio.RFERTID.Columns(mRFF));
        const auto info = [&] {
            std::string text;
            AppendPart(text, d.Customer.Address1.Columns(mCUS));
            text += ' ';
            AppendPart(text, d.Customer.Name.Columns(mCUS));
            return text;
        };
        if (mEngine.CheckDuplicateTag(NumberChars(mTagNumber).View(), info, d.File.LineNo())) {
            mRun.ConversionProblems = true;
        }
    }

    // Keeps a line that texts are read from, noting whether it holds a character that
    // packing has to mend or that ends a record text (NUL). Inline: most lines are kept.
    [[gnu::always_inline]] void Keep(BufferedText& kept, uint32_t bit, std::string_view line) {
        const clsMVRSDownload& file = mDownload->File;
        if (!file.NulRead() && !file.ByteRead()) [[likely]] {
            kept.assign(line);
            mRareLines &= ~bit;
            return;
        }
        KeepNotingRare(kept, bit, line);
    }
    // Keep once the file has shown a "~" or NUL: a copy of the line, looked through.
    [[gnu::noinline]] void KeepNotingRare(BufferedText& kept, uint32_t bit, std::string_view line) {
        const bool rare = CopyNotingRare(kept.Room(line.size()), line);
        mRareLines = rare ? mRareLines | bit : mRareLines & ~bit;
    }

    // A field of one of the meter's records: nothing when the meter has no such record.
    // Each text field has its own scratch, for the few that are not read as they stand.
    [[gnu::always_inline]] std::string_view Text(std::string_view line, const LineColumn& column, size_t scratch) {
        return line.empty() ? std::string_view() : column.Text(line, mScratch[scratch]);
    }
    template <class Int> static Int Number(std::string_view line, const LineColumn& column) {
        return line.empty() ? Int{0} : column.Whole<Int>(line);
    }

    // Up to three name or address parts joined as AppendPart joins them, in mJoined.
    std::string_view JoinParts(JoinedParts& joined, std::initializer_list<std::string_view> parts) {
        constexpr size_t width = MVRSCustomer::PartWidth;
        char* at = joined.data();
        for (std::string_view part : parts) {
            // The columns are mostly the whole part width.
            if (part.size() >= width) {
                std::memcpy(at, part.data(), width);
            } else {
                std::memset(at, ' ', width);
                if (!part.empty()) std::memcpy(at, part.data(), part.size());
            }
            at += width;
        }
        return std::string_view(joined.data(), static_cast<size_t>(at - joined.data()));
    }

    // The meter record, with the fields that are the same for every meter set once.
    void StartMeterRecord() {
        const MeterFieldNumbers& f = mFields;
        RecordAssembly& db = mRecord.emplace(mRun.RouteDatabase->DB());
        db.AddNew();
        db.SetInteger(f.RecType, 2);
        for (int16_t zero : {f.Status, f.LstReadingDate, f.Lat, f.Lng, f.InitPulseCount, f.InitTamperCount}) {
            db.SetInteger(zero, 0);
        }
        db.SetText(f.ReceiverData, "");
        const auto wide = [&db](int16_t field) {
            return db.FieldType(field) == clsPalmDB::ftInt16 || db.FieldType(field) == clsPalmDB::ftInt32;
        };
        mNumbersReadBack = wide(f.RouteNbr) && db.FieldType(f.MeterTagNbr) == clsPalmDB::ftInt32;
        mTextsReadBack = true;
        for (int16_t text : {f.MeterSerialNbr, f.BillingName, f.ServiceAddress, f.ServiceUniqueID}) {
            mTextsReadBack = mTextsReadBack && db.FieldType(text) == clsPalmDB::ftString;
        }
    }

    // What a number field of the kept record holds, as set by SetNumber; neighbouring meters
    // mostly share their route, dials, decimals and codes.
    struct HeldNumber {
        static constexpr int64_t kUnset = std::numeric_limits<int64_t>::min(); // never a field's number
        static constexpr int64_t kCleared = kUnset + 1;                        // as a new record has it
        int64_t Value = kUnset;
    };

    // Sets a number field unless it holds that number already. A number that does not fit
    // raises before the field or what it holds changes.
    void SetNumber(int16_t field, int64_t number, HeldNumber& held) {
        if (held.Value == number) return;
        mRecord->SetInteger(field, number);
        held.Value = number;
    }

    // A code field: the code, or the field as a new record has it when there is none.
    void SetCode(int16_t field, std::optional<int> code, HeldNumber& held) {
        if (code) return SetNumber(field, *code, held);
        if (held.Value == HeldNumber::kCleared) return;
        mRecord->SetText(field, "");
        held.Value = HeldNumber::kCleared;
    }

    // Room for any packed text of a meter record: every column of the kinds whose lines
    // are packed, and as much for each value again (a number's text, a value converted).
    void SizePackRoom(const DownloadFields& d) {
        size_t room = 0;
        for (const clsRecType* kind : {d.CUS, d.CSX, d.MTR, d.RDG, d.MTS, d.WRR, d.RFF, d.RTS}) {
            for (const clsField& field : kind->Fields()) room += static_cast<size_t>(field.FieldLen());
        }
        mPackRoom.resize(room + kMostPackedValues * (kMostConverted + 1));
    }
    // The values a packed text holds at most, and the most characters of a value that is
    // not a column of a line as it stands.
    static constexpr size_t kMostPackedValues = 16, kMostConverted = 32;

    // One value packed at out (CombineUser), as PackUser packs it: a "~" inside it as "-",
    // a NUL as the byte 1, when the values may hold either (Mend). The end of the value
    // and the separator after it.
    template <bool Mend> [[gnu::always_inline]] static char* PutPacked(char* out, std::string_view value) {
        CopyShort(out, value.data(), value.size());
        if constexpr (Mend) MendPacked(out, out + value.size());
        out += value.size();
        *out++ = '~';
        return out;
    }

    // User1 to User5 of the meter, each value copied from its line as it is read: a text
    // field's columns as they stand (an absent line has none), a zero-filled one as its
    // number's digits, numbers as the working value holds them. Mend: values may hold a
    // "~" or NUL, which are mended.
    template <bool Mend>
    void SetPackedTexts(std::string_view account, std::string_view readMethod, int16_t decimals,
                        std::string_view specialMessage) {
        const MeterFieldNumbers& f = mFields;
        const DownloadFields& d = *mDownload;
        const auto& cus = d.Customer;
        const auto& mtr = d.Meter;
        const auto& rdg = d.Reading;
        const auto& rff = d.Radio;
        // The lines as plain views, which the copies into the room cannot change.
        const std::string_view cusLine = mCUS, mtrLine = mMTR, rdgLine = mRDG, rffLine = mRFF, wrrLine = mWRR,
                               rtsLine = mRTS;
        char* const room = mPackRoom.data();
        char* out = room;
        out = PutPacked<Mend>(out, "0");
        out = PutPacked<Mend>(out, account);
        out = PutPacked<Mend>(out, cus.GroupCode.Columns(cusLine));
        out = PutPacked<Mend>(out, cus.ExtraIndicator.Columns(cusLine));
        out = PutPacked<Mend>(out, cus.SegmentCode.Columns(cusLine));
        out = PutPacked<Mend>(out, cus.PassThru.Columns(cusLine));
        out = PutPacked<Mend>(out, cus.CustomerInfo.Columns(cusLine));
        SetPacked(f.User1, out);
        // The location as the number it reads as.
        const std::string_view location = ValText(Text(mtrLine, mtr.MeterLocation, 18), mScratch[19]);
        out = room;
        out = PutPacked<Mend>(out, mtr.GroupCode.Columns(mtrLine));
        out = PutPacked<Mend>(out, mtr.SurveyCode1DisplayIndicator.Columns(mtrLine));
        out = PutPacked<Mend>(out, mtr.SurveyCode2DisplayIndicator.Columns(mtrLine));
        out = PutPacked<Mend>(out, mtr.BillCode.Columns(mtrLine));
        out = PutPacked<Mend>(out, mtr.MeterStatus.Columns(mtrLine));
        out = PutPacked<Mend>(out, mtr.OpticalProbeID.Columns(mtrLine));
        out = PutPacked<Mend>(out, Text(mtrLine, mtr.MeterType, 3));
        out = PutPacked<Mend>(out, location);
        out = PutPacked<Mend>(out, Text(mtrLine, mtr.ReadInstruction1, 3));
        out = PutPacked<Mend>(out, Text(mtrLine, mtr.ReadInstruction2, 3));
        out = PutPacked<Mend>(out, NumberChars(Number<int16_t>(mtrLine, mtr.SpecialMessageDisplayIndicator)).View());
        out = PutPacked<Mend>(out, d.Survey.SurveyText1.Columns(rtsLine));
        out = PutPacked<Mend>(out, mtr.LocationExtraMeter.Columns(mtrLine));
        out = PutPacked<Mend>(out, mtr.AdditionalMeterInfo.Columns(mtrLine));
        out = PutPacked<Mend>(out, mtr.ReadSequence.Columns(mtrLine));
        SetPacked(f.User2, out);
        out = room;
        out = PutPacked<Mend>(out, rdg.TextPrompt.Columns(rdgLine));
        out = PutPacked<Mend>(out, rdg.ReadDirection.Columns(rdgLine));
        out = PutPacked<Mend>(out, Text(rdgLine, rdg.CompareCode, 3));
        out = PutPacked<Mend>(out, Text(rdgLine, rdg.ValidationCode, 3));
        out = PutPacked<Mend>(out, readMethod);
        out = PutPacked<Mend>(out, Text(rdgLine, rdg.MeterConstant, 3));
        out = PutPacked<Mend>(out, Text(rdgLine, rdg.ConstantFlag, 3));
        out = PutPacked<Mend>(out, Text(rdgLine, rdg.HHFPosition, 3));
        out = PutPacked<Mend>(out, NumberChars(decimals).View());
        SetPacked(f.User3, out);
        out = room;
        out = PutPacked<Mend>(out, NumberChars(Number<int16_t>(rffLine, rff.GeographicArea)).View());
        out = PutPacked<Mend>(out, rff.RFFrequency.Columns(rffLine));
        out = PutPacked<Mend>(out, rff.RFTone.Columns(rffLine));
        out = PutPacked<Mend>(out, "");
        out = PutPacked<Mend>(out, d.Wand.DeviceID.Columns(wrrLine));
        out = PutPacked<Mend>(out, d.Wand.WandProgram.Columns(wrrLine));
        SetPacked(f.User4, out);
        out = room;
        out = PutPacked<Mend>(out, specialMessage);
        SetPacked(f.User5, out);
    }

    // The text packed in mPackRoom up to end (after its last separator) into a field of
    // the meter record. A packed text holds no NUL: packing mends any it finds.
    void SetPacked(int16_t field, const char* end) {
        const char* begin = mPackRoom.data();
        mRecord->SetTextWithoutNul(field, std::string_view(begin, end == begin ? 0 : static_cast<size_t>(end - begin) - 1));
    }

    // A text of the kept lines into a field: as it stands when Plain (its lines hold no NUL).
    [[gnu::always_inline]] void SetLineText(int16_t field, std::string_view text, bool plain) {
        if (plain) mRecord->SetTextWithoutNul(field, text);
        else mRecord->SetText(field, text);
    }

    void WritePendingMeter() {
        if (!mPending) return;
        const MeterFieldNumbers& f = mFields;
        const DownloadFields& d = *mDownload;
        const auto& cus = d.Customer;
        const auto& mtr = d.Meter;
        const auto& rdg = d.Reading;
        const auto& rff = d.Radio;
        if (!mRecord) StartMeterRecord();
        // Every field below is set for every meter, so the record needs no clearing between them.
        RecordAssembly& db = *mRecord;
        HeldNumbers& held = mHeld;
        SetNumber(f.RouteNbr, mRouteIndex, held.RouteNbr);
        SetNumber(f.Sequence, Number<int16_t>(mMTR, mtr.ReadSequence), held.Sequence);
        SetNumber(f.MeterTagNbr, mTagNumber, held.MeterTagNbr);
        SetCode(f.MeterType, MeterTypeOfCategory(Text(mMTR, mtr.MeterCategory, 0)), held.MeterType);
        SetNumber(f.Digits, Number<int16_t>(mRDG, rdg.NumberDials), held.Digits);
        const int16_t decimals = Number<int16_t>(mRDG, rdg.NumberDecimals);
        SetNumber(f.Decimals, decimals, held.Decimals);
        SetNumber(f.PrvReading, Number<int32_t>(mRDG, rdg.PreviousReading), held.PrvReading);
        SetNumber(f.MaxReading, Number<int32_t>(mRDG, rdg.High1), held.MaxReading);
        SetNumber(f.MinReading, Number<int32_t>(mRDG, rdg.Low1), held.MinReading);
        // A radio meter reads as "R" once it has a reading record.
        const std::string_view readMethod = mRDG.empty() ? std::string_view() : mRadio ? "R" : Text(mRDG, rdg.ReadMethod, 17);
        SetCode(f.ReadType, ReadTypeOfMethod(readMethod), held.ReadType);
        SetNumber(f.TamperCount, Number<int16_t>(mRFF, rff.Tamper), held.TamperCount);
        // The billing system's utility ID is a text; a numeric field keeps its character codes.
        const std::string_view account = Text(mCUS, cus.Account, 1);
        const std::string_view meterNumber = Text(mMTR, mtr.MeterNumber, 2);
        // The billing system's utility is mostly the same for every meter.
        if (const std::string_view utility = Text(mCUS, cus.UtilityID, 0); utility != mHeldUtility) {
            SetLineText(f.UtilityCode, utility, (mRareLines & kCUS) == 0);
            mHeldUtility.assign(utility);
        }
        const std::string_view specialMessage = Text(mMTS, d.SpecialMessageText, 16);
        const NumberChars tag(mTagNumber);
        if (const std::string_view billing = TrimView(specialMessage); mMessage->Changes(billing)) {
            mMessage->Set(db, f.Message, billing, mRouteNumber, TrimView(account), TrimView(meterNumber), tag.View());
        }
        const bool mayHoldRare = (mRareLines & ~kCSX) != 0; // the customer's extra record is not packed
        const std::string_view serviceAddress =
            TrimView(JoinParts(mJoinedAddress, {cus.Address1.Columns(mCUS), cus.Address2.Columns(mCUS),
                                                d.CustomerExtra.Address3.Columns(mCSX)}));
        const std::string_view billingName =
            TrimView(JoinParts(mJoinedName, {cus.Name.Columns(mCUS), d.CustomerExtra.Name.Columns(mCSX)}));
        // Texts of the customer's and meter's lines, which hold no NUL unless they were noted.
        const bool plain = (mRareLines & (kCUS | kCSX | kMTR)) == 0;
        SetLineText(f.ServiceAddress, serviceAddress, plain);
        SetLineText(f.BillingName, billingName, plain);
        SetLineText(f.ServiceUniqueID, account, plain);
        SetLineText(f.MeterSerialNbr, meterNumber, plain);
        // The five packed texts; whether values are mended is decided once for them.
        if (mayHoldRare) {
            SetPackedTexts<true>(account, readMethod, decimals, specialMessage);
        } else {
            SetPackedTexts<false>(account, readMethod, decimals, specialMessage);
        }
        db.WriteTo(mRun.RouteDatabase->DB());
        ++mRun.MetersWritten;
        // The next "MTR" starts the next meter afresh; until then nothing is pending.
        mPending = false;
        if (mRun.CreateIndexes) {
            // The words come from the record as written, in the texts the fields hold there.
            std::array<std::string, 5>& scratch = mIndexScratch;
            // Numbers of 0 or more that a 16- or 32-bit field took read back as they were set
            // (a negative one down to -16777215 is taken and reads back as another number).
            const int32_t routeNbr = mNumbersReadBack && mRouteIndex >= 0
                                         ? mRouteIndex
                                         : static_cast<int32_t>(db.ItemView(f.RouteNbr).ToNumber());
            // Texts that text fields took whole (no NUL ended them early) read back as set.
            const bool textsAsSet = mTextsReadBack && plain;
            mEngine.IndexMeter(routeNbr, mRun.IndexPosition,
                               mNumbersReadBack && mTagNumber >= 0 ? tag.View() : db.ItemText(f.MeterTagNbr, scratch[0]),
                               textsAsSet ? meterNumber : db.ItemText(f.MeterSerialNbr, scratch[1]),
                               textsAsSet ? billingName : db.ItemText(f.BillingName, scratch[2]),
                               textsAsSet ? serviceAddress : db.ItemText(f.ServiceAddress, scratch[3]),
                               textsAsSet ? account : db.ItemText(f.ServiceUniqueID, scratch[4]));
        }
        mRun.IndexPosition = CheckInt16(static_cast<int64_t>(mRun.IndexPosition) + 1);
    }

    clsExchange& mEngine;
    ConversionRun& mRun;
    std::string mSource;
    int32_t mShownProgress = -1; // the progress reported last (none yet)
    bool mRadioProcessing;

    // File totals and the route table.
    int16_t mNumberRoutes = 0;
    int16_t mNumberCustomers = 0;
    int16_t mNumberMeters = 0;
    DateTime mCycleDate = clsField::ZeroDate();
    std::vector<MVRSRouteInfo> mRoutes; // entry k at k - 1
    int16_t mMeterCount = 0;
    int32_t mDatabaseSize = 0;
    size_t mRadioRecords = 0; // the "RFF" records, whose tags are checked for duplicates

    // The route, customer and meter being built: the last record of each kind that the
    // meter is built from, as read (none: empty), and what is worked out as they come.
    const DownloadFields* mDownload = nullptr;
    int16_t mRouteIndex = 0;
    std::string mRouteNumber;
    BufferedText mCUS, mCSX;                     // since the customer's "CUS"
    BufferedText mMTR, mRDG, mMTS, mWRR, mRFF, mRTS; // since the meter's "MTR"
    // The kept lines that texts are read from, by bit, and those of them that hold a "~"
    // or NUL (the other texts packed are numbers).
    enum : uint32_t { kCUS = 1, kMTR = 2, kRDG = 4, kMTS = 8, kWRR = 16, kRFF = 32, kRTS = 64, kCSX = 128 };
    uint32_t mRareLines = 0;
    bool mPending = false;
    int32_t mTagNumber = 0;
    bool mRadio = false;
    MeterFieldNumbers mFields{};
    std::optional<RecordAssembly> mRecord;
    struct HeldNumbers {
        HeldNumber RouteNbr, Sequence, MeterTagNbr, MeterType, Digits, Decimals, PrvReading, MaxReading, MinReading,
            ReadType, TamperCount;
    } mHeld; // what the kept record's number fields hold
    std::string mHeldUtility; // what its utility code was set to (a new record's: nothing)
    bool mNumbersReadBack = false; // the route number and tag read back from the record as set
    bool mTextsReadBack = false;   // so do the indexed texts of lines without a "~" or NUL
    std::array<std::string, 20> mScratch; // field texts that are not read from a line as they stand
    std::string mPackRoom;                // room for a packed text of the meter record being written
    std::optional<KeptMessage> mMessage;  // the message in the meter record
    JoinedParts mJoinedAddress, mJoinedName; // the parts JoinParts joins
    std::array<std::string, 5> mIndexScratch;
};

bool clsExchange::ConvertRouteMVRS() { return MVRSRouteImport(*this).Convert(); }

} // namespace dovrex
