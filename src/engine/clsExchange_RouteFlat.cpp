// The flat route import: a billing route file of one meter per line, fixed-width or
// delimited, read twice (to count routes and meters, then to write the records).

#include "MeterRecordPlan.h"
#include "clsExchange.h"
#include "RouteLineLayout.h"

#include "advanced/clsAdvanced.h"
#include "handheld_db/RecordAssembly.h"
#include "handheld_db/clsPalmDB.h"
#include "handheld_db/clsQVF.h"
#include "maps/clsExchMap.h"
#include "platform/RuntimeError.h"
#include "platform/WordBytes.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <unordered_map>

namespace dovrex {

namespace {

constexpr int32_t kProgressBlock = 128;

bool IsManualReadType(const std::string& readType) {
    return readType.size() == 1 && (readType[0] == 'M' || readType[0] == 'P' || readType[0] == 'S');
}

bool IsNumericType(int32_t dataType) {
    return dataType == DataTypeInt16 || dataType == DataTypeInt32 || dataType == DataTypeDouble;
}

// Whether converting a number's text could raise "Overflow": only an exponent or more
// digits than the type holds can make it too large. Inline: counting calls it for every
// number column of every line.
[[gnu::always_inline]] inline bool MayOverflow(int32_t dataType, std::string_view text) {
    return text.size() > RouteLineLayout::PlainDigits(dataType) || HasExponentLetter(text);
}

// The next number of the run's autonumber fields, one for each such field of each line.
int16_t NextAutoNumber(ConversionRun& run) {
    int16_t& counter = run.AutoNumberCounter;
    counter = CheckInt16(static_cast<int64_t>(counter) + 1);
    return counter;
}

// A parsed value as a number and as a text, as ToNumber and TextIn give them, with the
// usual kinds (a whole number, a text) taken in place.
double NumberOf(const ParsedField& value) {
    return value.Kind == Value::Kind::Integer ? static_cast<double>(value.Integer) : value.ToNumber();
}
std::string_view TextOf(const ParsedField& value, std::string& scratch) {
    // A whole number that kept the text of its digits is that text.
    if (value.Kind == Value::Kind::Text || (value.Kind == Value::Kind::Integer && !value.Text.empty())) return value.Text;
    return value.TextIn(scratch);
}

bool IsDateOrTime(int32_t dataType) { return dataType == DataTypeDate || dataType == DataTypeTime; }

// "R" 1, "M" and "S" 2, "P" 3; anything else is the parsed ReadType number.
double ReadTypeCode(const std::string& readType, const ParsedField& parsed) {
    if (readType.size() == 1) {
        switch (readType[0]) {
        case 'R': return 1;
        case 'M':
        case 'S': return 2;
        case 'P': return 3;
        default: break;
        }
    }
    return parsed.ToNumber();
}

// A text that sorts at or after "A" is a meter type letter, stored as its character code.
double MeterTypeCode(std::string_view meterType) {
    if (!meterType.empty() && static_cast<unsigned char>(meterType[0]) >= 'A') {
        return static_cast<unsigned char>(meterType[0]);
    }
    return Val(meterType);
}

bool HoldsNoNul(std::string_view text) {
    return text.empty() || std::memchr(text.data(), '\0', text.size()) == nullptr;
}

// Stores a parsed value as SetItem would store the Value it stands for; withoutNul when
// its text is known to hold no NUL byte. Inlined: it runs for most fields of every line.
// The field is its number or, resolved, a RecordAssembly::Field.
template <class RecordField>
inline __attribute__((always_inline)) void SetParsed(RecordAssembly& record, const RecordField& field,
                                                     const ParsedField& value, bool withoutNul = false) {
    switch (value.Kind) {
    case Value::Kind::Text:
        if (withoutNul) record.SetTextWithoutNul(field, value.Text);
        else record.SetText(field, value.Text);
        break;
    case Value::Kind::Integer: record.SetInteger(field, value.Integer); break;
    case Value::Kind::Double: record.SetNumber(field, value.Double); break;
    // Nothing: an empty text, or zero bytes in a number field.
    default: record.SetText(field, {}); break;
    }
}

// A text that starts with a letter has no leading number: Val reads it as 0 (a letter
// code such as a read type in a number field).
bool StartsWithLetter(std::string_view text) {
    return !text.empty() && static_cast<unsigned char>((text[0] | 0x20) - 'a') <= 'z' - 'a';
}

// A field's text as the value it stands for: a trimmed text or a number. Inlined: it runs
// for every field of every line.
inline __attribute__((always_inline)) ParsedField ParsedValue(const RouteLineLayout::Field& field, std::string_view raw, bool fixedWidth) {
    switch (field.DataType) {
    // Delimited texts keep their leading blanks.
    case DataTypeText: return ParsedField::OfText(fixedWidth ? TrimView(raw) : RTrimView(raw));
    case DataTypeInt16:
        if (int64_t whole; ReadPaddedDigits(raw, whole) && whole <= INT16_MAX) return ParsedField::OfInteger(whole);
        return ParsedField::OfInteger(StartsWithLetter(raw) ? 0 : CIntVal(raw));
    case DataTypeInt32:
        if (int64_t whole; ReadPaddedDigits(raw, whole) && whole <= INT32_MAX) return ParsedField::OfInteger(whole);
        return ParsedField::OfInteger(StartsWithLetter(raw) ? 0 : CLngVal(raw));
    case DataTypeDouble:
        // A plain whole number stores and reads as the same double would.
        if (int64_t whole; ReadPaddedDigits(raw, whole)) return ParsedField::OfInteger(whole);
        return ParsedField::OfDouble(StartsWithLetter(raw) ? 0.0 : Val(raw));
    case DataTypeDate:
    case DataTypeTime: return ParsedField::OfText(RTrimView(raw));
    default: return ParsedField::OfEmpty();
    }
}

// The text of a whole number read by ReadPaddedDigits from raw (blanks, then digits): its
// digits without leading zeros, as the number's own text reads.
std::string_view WholeNumberText(std::string_view raw) {
    const char* p = raw.data();
    const char* const end = p + raw.size();
    while (p != end && (*p == ' ' || *p == '0')) ++p;
    return p == end ? std::string_view("0") : std::string_view(p, static_cast<size_t>(end - p));
}

// How a text from the line goes into the record: as a view of the line, as a copy known
// to hold no NUL byte, or as a copy that ends at its first NUL.
enum class TextInto { View, CopyWithoutNul, Copy };

// A varying text field's trimmed text from the line as its value and, where the value goes
// into the record unchanged, set there (and its meter type code, where the plan fused that
// step). Inlined: it runs for most text fields of every line. (LineField is
// MeterRecordPlan::LineField.)
template <class LineField>
inline __attribute__((always_inline)) ParsedField ParseLineText(const LineField& lf, std::string_view text,
                                                                TextInto into, RecordAssembly& record) {
    if (lf.Direct) {
        if (into == TextInto::View) record.SetTextView(lf.Target, text);
        else if (into == TextInto::CopyWithoutNul) record.SetTextWithoutNul(lf.Target, text);
        else record.SetText(lf.Target, text);
    }
    if (lf.ThenStep == LineField::Then::MeterType) record.SetNumber(lf.ThenTarget, MeterTypeCode(text));
    return ParsedField::OfText(text);
}

// A varying number field's text from the line as its value and, where the value goes into
// the record unchanged, set there: plain digits up to its type's MaxWhole as they stand,
// anything else as its type reads a text. Inlined: it runs for most number fields of every
// line.
template <class LineField>
inline __attribute__((always_inline)) ParsedField ParseLineNumber(const LineField& lf, std::string_view raw,
                                                                  RecordAssembly& record) {
    int64_t whole;
    if (ReadPaddedDigits(raw, whole) && whole <= lf.MaxWhole) {
        if (lf.Direct) record.SetInteger(lf.Target, whole);
        if (lf.KeepDigits) return ParsedField{Value::Kind::Integer, whole, 0, WholeNumberText(raw)};
        return ParsedField::OfInteger(whole);
    }
    if (lf.Field->DataType == DataTypeDouble) {
        const double number = StartsWithLetter(raw) ? 0.0 : Val(raw);
        if (lf.Direct) record.SetNumber(lf.Target, number);
        return ParsedField::OfDouble(number);
    }
    const bool int16 = lf.Field->DataType == DataTypeInt16;
    whole = StartsWithLetter(raw) ? 0 : int16 ? CIntVal(raw) : CLngVal(raw);
    if (lf.Direct) record.SetInteger(lf.Target, whole);
    return ParsedField::OfInteger(whole);
}

// A varying field's text from the line parsed into its value and, where the value goes
// into the record unchanged, set there: ParsedValue and SetParsed in one, for a field
// whose target and slot the plan resolved. Inlined: it runs for the fields of every line
// that the plan does not parse by their kind.
template <class LineField>
inline __attribute__((always_inline)) ParsedField ParseLineField(const LineField& lf,
                                                                 std::string_view raw, bool fixedWidth,
                                                                 bool withoutNul, const ParsedLine& line,
                                                                 RecordAssembly& record) {
    const RouteLineLayout::Field& field = *lf.Field;
    switch (field.DataType) {
    case DataTypeText: {
        // Delimited texts keep their leading blanks.
        const std::string_view text = fixedWidth ? TrimView(raw) : RTrimView(raw);
        const TextInto into = !withoutNul          ? TextInto::Copy
                              : line.Viewable(text) ? TextInto::View
                                                    : TextInto::CopyWithoutNul;
        return ParseLineText(lf, text, into, record);
    }
    case DataTypeInt16:
    case DataTypeInt32:
    case DataTypeDouble: return ParseLineNumber(lf, raw, record);
    default: {
        const ParsedField value = ParsedValue(field, raw, fixedWidth);
        if (lf.Direct) SetParsed(record, lf.Target, value, withoutNul);
        if (lf.ThenStep == LineField::Then::DateNumber) {
            // A date or time in a number field: its yyyymmdd / hhnn digits (WriteMeterSteps).
            if (int64_t whole; ReadPaddedDigits(value.Text, whole)) record.SetInteger(lf.ThenTarget, whole);
            else record.SetNumber(lf.ThenTarget, Val(value.Text));
        }
        return value;
    }
    }
}

// Route number texts to their positions in the run's route list, which the flat import
// alone fills: a line finds its route without a search of the list.
class RouteLookup {
public:
    explicit RouteLookup(ConversionRun& run) : mRun(run) {}
    // Inline: a route's meters mostly come one after another, so that most lines find the
    // route of the line before.
    int16_t Add(std::string_view route) {
        if (mLastPosition != 0 && route == mLastRoute) return mLastPosition;
        return AddOther(route);
    }

private:
    // Add of a route other than the last one's.
    __attribute__((noinline)) int16_t AddOther(std::string_view route) {
        int16_t position;
        if (const auto found = mPositions.find(route); found != mPositions.end()) {
            position = found->second;
        } else {
            position = mRun.AddRoute(std::string(route));
            mPositions.emplace(std::string(route), position);
        }
        mLastRoute.assign(route);
        mLastPosition = position;
        return position;
    }

    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    ConversionRun& mRun;
    std::unordered_map<std::string, int16_t, Hash, std::equal_to<>> mPositions;
    std::string mLastRoute;
    int16_t mLastPosition = 0;
};

} // namespace

clsExchange::MeterRecordPlan clsExchange::PlanRouteMeterRecord(const RouteLineLayout& layout, clsQVF& db,
                                                                bool reRead) const {
    MeterRecordPlan plan;
    plan.Record.emplace(db.DB());
    plan.Record->AddNew();
    auto field = [&](const char* name) {
        const int16_t number = db.DB().FindItem(name);
        if (number == 0) RaiseError(ErrInvalidCall, std::string(name) + " not valid field in Record");
        return number;
    };
    // The read type letter of a line comes from a source field.
    bool readTypeVaries = false;
    for (const auto& f : layout.Fields()) readTypeVaries |= f.IsReadType && !f.FixedForRun;
    auto add = [&](std::initializer_list<const char*> names, MeterRecordPlan::From kind) {
        for (const char* name : names) {
            const int slot = layout.Slot(name);
            bool dateText = false;
            bool constant = kind != MeterRecordPlan::From::Message &&
                            (kind != MeterRecordPlan::From::ReadType || !readTypeVaries);
            for (const auto& f : layout.Fields()) {
                if (f.Slot != slot || slot < 0) continue;
                dateText = IsDateOrTime(f.DataType);
                constant &= f.FixedForRun;
            }
            plan.Steps.push_back({field(name), slot, kind, kind == MeterRecordPlan::From::Number && dateText, constant});
        }
    };
    using From = MeterRecordPlan::From;
    plan.RecType = field("RecType");
    plan.Record->SetInteger(plan.RecType, 2);
    plan.RouteNbr = field("RouteNbr");
    add({"Sequence", "MeterTagNbr"}, From::Number);
    // A re-read meter type is stored as parsed, without the letter rule.
    add({"MeterType"}, reRead ? From::Text : From::MeterType);
    add({"Digits", "Decimals", "PrvReading", "MaxReading", "MinReading"}, From::Number);
    add({"ReadType"}, From::ReadType);
    if (reRead) add({"InitPulseCount", "InitTamperCount"}, From::Number);
    add({"LstReadingDate", "UtilityCode", "Lat", "Lng"}, From::Number);
    add({"Message"}, From::Message);
    add({"ServiceAddress", "BillingName", "ServiceUniqueID", "MeterSerialNbr"}, From::Text);
    // A re-read meter carries no scaling or initial values of a radio register.
    if (!reRead) add({"ScaleFactor", "InitReading", "InitPulseCount", "InitTamperCount"}, From::Number);
    add({"ReceiverData"}, From::Empty);
    add({"User1", "User2", "User3", "User4", "User5"}, From::Text);
    plan.DirectTargets.assign(layout.SlotCount(), 0);
    for (size_t i = 0; i < plan.Steps.size(); ++i) {
        const MeterRecordPlan::Step& step = plan.Steps[i];
        if (step.Constant) {
            plan.ConstantSteps.push_back(i);
            continue;
        }
        const bool direct = step.Kind == From::Text || (step.Kind == From::Number && !step.DateText);
        if (direct) plan.DirectTargets[static_cast<size_t>(step.Slot)] = step.Target;
        else plan.VaryingSteps.push_back(i);
    }
    plan.MessageSlot = layout.Slot("Message");
    plan.RouteSlot = layout.Slot("RouteNbr");
    plan.AccountSlot = layout.Slot("ServiceUniqueID");
    plan.SerialSlot = layout.Slot("MeterSerialNbr");
    plan.TagSlot = layout.Slot("MeterTagNbr");
    plan.IndexFields = {field("MeterTagNbr"), field("MeterSerialNbr"), field("BillingName"), field("ServiceAddress"),
                        field("ServiceUniqueID")};
    const RecordAssembly& record = *plan.Record;
    for (size_t i = 0; i < plan.IndexFields.size(); ++i) {
        const int16_t target = plan.IndexFields[i];
        const auto direct = std::find(plan.DirectTargets.begin(), plan.DirectTargets.end(), target);
        if (direct == plan.DirectTargets.end()) continue;
        const int slot = static_cast<int>(direct - plan.DirectTargets.begin());
        // Every field of the slot comes from the line, so each line sets the record field
        // from it; their data types tell what the slot holds.
        bool texts = true, numbers = true;
        for (const auto& f : layout.Fields()) {
            if (f.Slot != slot) continue;
            texts &= f.Option == MapOptionFromSource && f.DataType == DataTypeText;
            numbers &= f.Option == MapOptionFromSource && IsNumericType(f.DataType);
        }
        using IndexFrom = MeterRecordPlan::IndexFrom;
        const int16_t type = record.FieldType(target);
        const IndexFrom from = texts && type == clsPalmDB::ftString    ? IndexFrom::Text
                               : numbers && type == clsPalmDB::ftInt32 ? IndexFrom::Number
                                                                       : IndexFrom::Record;
        if (from == IndexFrom::Record) continue;
        plan.IndexSlots[i] = slot;
        plan.IndexKinds[i] = from;
    }
    for (const size_t index : layout.VaryingFields()) {
        const RouteLineLayout::Field& f = layout.Fields()[index];
        const int16_t target = plan.DirectTargets[static_cast<size_t>(f.Slot)];
        bool keepDigits = f.Slot == plan.TagSlot;
        for (size_t i = 0; i < plan.IndexSlots.size(); ++i) {
            keepDigits |= f.Slot == plan.IndexSlots[i] && plan.IndexKinds[i] == MeterRecordPlan::IndexFrom::Number;
        }
        MeterRecordPlan::LineField& lf = plan.LineFields.emplace_back(MeterRecordPlan::LineField{
            &f, f.Slot, f.Option == MapOptionFromSource, target != 0, keepDigits,
            target != 0 ? record.Resolve(target) : RecordAssembly::Field{}});
        lf.MaxWhole = f.DataType == DataTypeInt16 ? INT16_MAX : f.DataType == DataTypeInt32 ? INT32_MAX : INT64_MAX;
    }
    // The meter type and date steps of a slot that one varying field from the line alone
    // fills, a text or a date or time, are done as that field is parsed.
    for (const size_t i : plan.VaryingSteps) {
        const MeterRecordPlan::Step& step = plan.Steps[i];
        using Then = MeterRecordPlan::LineField::Then;
        const Then then = step.Kind == From::MeterType                ? Then::MeterType
                          : step.Kind == From::Number && step.DateText ? Then::DateNumber
                                                                       : Then::Nothing;
        MeterRecordPlan::LineField* only = nullptr;
        const auto fills = [&](const RouteLineLayout::Field& f) { return f.Slot == step.Slot; };
        if (step.Slot >= 0 && std::count_if(layout.Fields().begin(), layout.Fields().end(), fills) == 1) {
            for (MeterRecordPlan::LineField& lf : plan.LineFields) {
                if (lf.Slot == step.Slot) only = &lf;
            }
        }
        const bool fused = then != Then::Nothing && only != nullptr && only->FromSource &&
                           (then == Then::MeterType ? only->Field->DataType == DataTypeText
                                                    : IsDateOrTime(only->Field->DataType));
        if (!fused) {
            plan.LineVaryingSteps.push_back(i);
            continue;
        }
        only->ThenStep = then;
        only->ThenTarget = record.Resolve(step.Target);
    }
    std::vector<int> slots;
    for (const MeterRecordPlan::LineField& lf : plan.LineFields) slots.push_back(lf.Slot);
    std::sort(slots.begin(), slots.end());
    const bool slotsShared = std::adjacent_find(slots.begin(), slots.end()) != slots.end();
    for (const MeterRecordPlan::LineField& lf : plan.LineFields) {
        const int32_t type = lf.Field->DataType;
        if (slotsShared || !lf.FromSource) plan.LineOthers.push_back(lf);
        else if (type == DataTypeText) plan.LineTexts.push_back(lf);
        else if (IsNumericType(type)) plan.LineNumbers.push_back(lf);
        else plan.LineOthers.push_back(lf);
    }
    // A route position (1 to 32767) reads back as set from a 16- or 32-bit field or a text.
    const int16_t routeType = record.FieldType(plan.RouteNbr);
    plan.RouteReadsBack =
        routeType == clsPalmDB::ftInt16 || routeType == clsPalmDB::ftInt32 || routeType == clsPalmDB::ftString;
    return plan;
}

std::string_view clsExchange::RawFieldText(const RouteLineLayout::Field& field, std::string_view sourceText,
                                          ParsedLine& line) {
    switch (field.Option) {
    case MapOptionFromSource: return sourceText;
    case MapOptionConstant:
    case MapOptionPrompt: return field.Constant;
    case MapOptionAutonumber: {
        char digits[8];
        const char* end = std::to_chars(digits, digits + sizeof digits, NextAutoNumber(Run())).ptr;
        return line.Keep(std::string_view(digits, static_cast<size_t>(end - digits)));
    }
    default: return {};
    }
}

template <class SourceText>
void clsExchange::ParseFields(const SourceText& sourceText, bool fixedWidth, ParsedLine& line, MeterRecordPlan* plan) {
    ConversionRun& run = Run();
    const RouteLineLayout& layout = *run.Layout;
    const auto raw = [&](const RouteLineLayout::Field& field) {
        return field.Option == MapOptionFromSource ? sourceText(field) : RawFieldText(field, {}, line);
    };
    if (run.CountingOnly) {
        // While counting, only the route matters; numbers are still converted, since a
        // number too large for its type ends the conversion before anything is written.
        for (const size_t counted :
             line.CountingSpanPlain() ? layout.CountingFieldsOutsideSpan() : layout.CountingFields()) {
            const RouteLineLayout::Field& field = layout.Fields()[counted];
            if (field.Slot == layout.RouteSlot()) {
                line.Set(field.Slot, ParsedValue(field, raw(field), fixedWidth));
            } else if (field.Option == MapOptionAutonumber) {
                // Its text is a number of the 16-bit range, which no number type overflows.
                NextAutoNumber(run);
            } else if (IsNumericType(field.DataType)) {
                if (field.InCountingSpan && line.CountingSpanPlain()) continue;
                const std::string_view text = raw(field);
                if (MayOverflow(field.DataType, text)) ParsedValue(field, text, fixedWidth);
            }
        }
        if (!line.FixedCounted()) {
            for (const size_t counted : layout.FixedCountingFields()) {
                const RouteLineLayout::Field& field = layout.Fields()[counted];
                const std::string_view text = raw(field);
                if (MayOverflow(field.DataType, text)) ParsedValue(field, text, fixedWidth);
            }
            line.SetFixedCounted();
        }
        return;
    }
    // The fields fixed for the run keep their values from the first line.
    const bool first = !line.FixedKept();
    const bool sourceWithoutNul = plan != nullptr && line.SourceWithoutNul();
    const auto otherValue = [&](const RouteLineLayout::Field& field) {
        // An autonumber's text would parse as the number itself.
        if (field.Option == MapOptionAutonumber && IsNumericType(field.DataType)) {
            return ParsedField::OfInteger(NextAutoNumber(run));
        }
        return ParsedValue(field, RawFieldText(field, {}, line), fixedWidth);
    };
    if (plan != nullptr) plan->FieldsResolved = !first;
    if (plan != nullptr && !first) {
        // Every later line: the varying fields as the plan resolved them.
        RecordAssembly& record = *plan->Record;
        const bool textViews = sourceWithoutNul && line.ColumnsInView();
        for (const MeterRecordPlan::LineField& lf : plan->LineTexts) {
            const std::string_view raw = sourceText(*lf.Field);
            // Delimited texts keep their leading blanks.
            const std::string_view text = fixedWidth ? TrimView(raw) : RTrimView(raw);
            const TextInto into = textViews             ? TextInto::View
                                  : !sourceWithoutNul   ? TextInto::Copy
                                  : line.Viewable(text) ? TextInto::View
                                                        : TextInto::CopyWithoutNul;
            line.Set(lf.Slot, ParseLineText(lf, text, into, record));
        }
        for (const MeterRecordPlan::LineField& lf : plan->LineNumbers) {
            line.Set(lf.Slot, ParseLineNumber(lf, sourceText(*lf.Field), record));
        }
        for (const MeterRecordPlan::LineField& lf : plan->LineOthers) {
            if (lf.FromSource) {
                line.Set(lf.Slot, ParseLineField(lf, sourceText(*lf.Field), fixedWidth, sourceWithoutNul, line, record));
            } else {
                const ParsedField value = otherValue(*lf.Field);
                line.Set(lf.Slot, value);
                if (lf.Direct) SetParsed(record, lf.Target, value);
            }
        }
    } else {
        for (const size_t parsed : first ? layout.ParsedFields() : layout.VaryingFields()) {
            const RouteLineLayout::Field& field = layout.Fields()[parsed];
            const bool fromSource = field.Option == MapOptionFromSource;
            const ParsedField value =
                fromSource ? ParsedValue(field, sourceText(field), fixedWidth) : otherValue(field);
            line.Set(field.Slot, value);
            if (plan == nullptr) continue;
            if (const int16_t target = plan->DirectTargets[static_cast<size_t>(field.Slot)]; target != 0) {
                SetParsed(*plan->Record, target, value, fromSource && sourceWithoutNul);
            }
        }
    }
    // The read type letter is the source text of the last read type field, upper-cased.
    std::string& readType = run.CurrentReadType;
    if (const int field = layout.ReadTypeField(); field >= 0) {
        // Most lines' letter is as long as the line before's: it is written over in place.
        const std::string_view source = sourceText(layout.Fields()[static_cast<size_t>(field)]);
        readType.resize(source.size());
        for (size_t i = 0; i < source.size(); ++i) readType[i] = UpperChar(source[i]);
    } else {
        readType.clear();
    }
    if (first) line.SetFixedKept();
}

void clsExchange::ParseRouteFixed(std::string_view Buffer, ParsedLine& line, MeterRecordPlan* plan) {
    const ConversionRun& run = Run();
    const RouteLineLayout& layout = *run.Layout;
    line.Reset(layout.SlotCount());
    if (plan != nullptr) {
        line.SetSourceWithoutNul(run.SourceFile.WithoutNul() || HoldsNoNul(Buffer));
        line.SetViewSource(plan->LineViews ? Buffer : std::string_view());
    }
    if (run.CountingOnly) {
        const auto [first, end] = layout.CountingSpan();
        line.SetCountingSpanPlain(!HasExponentLetter(Buffer.substr(std::min(first, Buffer.size()), end - first)));
    }
    if (Buffer.size() >= layout.ColumnEnd()) {
        // Every column lies in the line whole.
        line.SetColumnsInView(plan != nullptr && plan->LineViews && !Buffer.empty());
        ParseFields([&](const RouteLineLayout::Field& field) { return std::string_view(Buffer.data() + field.Start, field.Length); },
                    true, line, plan);
        return;
    }
    ParseFields(
        [&](const RouteLineLayout::Field& field) {
            // A line that ends before the field gives a shorter or empty text.
            if (field.Position < 1 || field.Width <= 0 || static_cast<size_t>(field.Position) > Buffer.size()) {
                return std::string_view();
            }
            return Buffer.substr(static_cast<size_t>(field.Position) - 1, static_cast<size_t>(field.Width));
        },
        true, line, plan);
}

void clsExchange::ParseRouteDelimited(std::string_view Buffer, ParsedLine& line, MeterRecordPlan* plan) {
    const RouteLineLayout& layout = *Run().Layout;
    const std::string& delimiter = layout.Delimiter();
    const std::string& quote = layout.Quote();
    line.Reset(layout.SlotCount());
    // A column rebuilt with its hidden delimiters put back holds the delimiter.
    if (plan != nullptr) {
        line.SetSourceWithoutNul((Run().SourceFile.WithoutNul() || HoldsNoNul(Buffer)) && HoldsNoNul(delimiter));
        line.SetViewSource(plan->LineViews ? Buffer : std::string_view());
    }
    // Counting routes needs only the first columns.
    line.SplitColumns(Buffer, delimiter, quote, Run().CountingOnly ? layout.CountingColumns() : SIZE_MAX);
    const std::span<const std::string_view> columns = line.Columns();
    ParseFields(
        [columns](const RouteLineLayout::Field& field) {
            return field.Column < columns.size() ? columns[field.Column] : std::string_view();
        },
        false, line, plan);
}

void clsExchange::ParseRoute(std::string_view Source, ParsedLine& line, MeterRecordPlan* plan) {
    const RouteLineLayout& layout = *Run().Layout;
    switch (layout.MapType()) {
    case MapTypeFixed: ParseRouteFixed(Source, line, plan); break;
    case MapTypeDelimited: ParseRouteDelimited(Source, line, plan); break;
    default:
        RaiseError(ErrInvalidCall, "The conversion map " + Run().CurrentMap->MapName() +
                                       " is neither a fixed-width nor a delimited map");
    }
}

void clsExchange::ReportValidation(const std::string& message, int16_t& result) {
    int16_t& count = Run().ValidationMessageCount;
    if (count < 50) {
        WriteLog(message);
        ++count;
        result = std::max<int16_t>(result, ValidationWarned);
    } else if (count == 50) {
        WriteLog("Remaining validation messages suppressed");
        WriteLog("Fatal Error limit reached");
        ++count;
        result = ValidationStop;
    }
}

int16_t clsExchange::ValidateRoute(const ParsedLine& Values) {
    ConversionRun& run = Run();
    const RouteLineLayout& layout = *run.Layout;
    int16_t result = ValidationClean;
    const bool manual = IsManualReadType(run.CurrentReadType);
    auto line = [&] { return NumberText(static_cast<int64_t>(run.LineNumber)); };
    std::string scratch;
    for (const RouteLineLayout::Check& check : layout.Checks()) {
        if (manual && check.IsMeterTag) continue;
        const ParsedField& value = Values.Item(check.Slot);
        const auto name = [&]() -> const std::string& { return layout.Fields()[check.Field].Name; };
        if (check.MaxValue > 0 || check.RequiredNumber) {
            const double number = NumberOf(value);
            if (check.MaxValue > 0 && number > check.MaxValue) {
                ReportValidation("Value of " + name() + "(" + value.ToText() +
                                     ") exceeds maximum permitted value in Line " + line(),
                                 result);
            }
            if (check.RequiredNumber && number == 0) ReportValidation(name() + " zero in Line " + line(), result);
        }
        // A parsed text has no trailing blanks: it is blank when it is empty.
        if (check.RequiredText && !check.RequiredNumber &&
            (value.IsText() ? value.Text.empty() : TrimView(TextOf(value, scratch)).empty())) {
            ReportValidation(name() + " empty in Line " + line(), result);
        }
    }
    if (!manual) {
        const auto info = [&] {
            return Values.Item(layout.AddressSlot()).ToText() + " " + Values.Item(layout.NameSlot()).ToText();
        };
        // A whole number's text is made in place: the tag of nearly every line is one.
        const ParsedField& tag = Values.Item(layout.TagSlot());
        char digits[24];
        std::string_view tagText;
        if (tag.Kind == Value::Kind::Integer && !tag.Text.empty()) {
            tagText = tag.Text;
        } else if (tag.Kind == Value::Kind::Integer) {
            const char* end = std::to_chars(digits, digits + sizeof digits, tag.Integer).ptr;
            tagText = std::string_view(digits, static_cast<size_t>(end - digits));
        } else {
            tagText = tag.TextIn(scratch);
        }
        // The run's tag set is at hand here: the tag goes into it in place, and only a
        // duplicate is reported. A tag the set could not take is reported by the set's error
        // and counts as new, as AddSeenTag has it.
        bool added;
        try {
            added = run.SeenTags.Insert(tagText);
        } catch (const std::exception& e) {
            mMessages.Inform(DescribeException(e));
            added = true;
        }
        if (!added && ReportDuplicateTag(tagText, info, run.LineNumber)) result = ValidationStop;
    }
    return result;
}

bool clsExchange::CheckDuplicateTag(const std::string& tag, const std::string& info, int32_t line) {
    return CheckDuplicateTag(std::string_view(tag), [&] { return info; }, line);
}

bool clsExchange::AddSeenTag(std::string_view tag) {
    try {
        return Run().SeenTags.Insert(tag);
    } catch (const std::exception& e) {
        mMessages.Inform(DescribeException(e));
        return true;
    }
}

bool clsExchange::ReportDuplicateTag(std::string_view tag, const std::function<std::string()>& info, int32_t line) {
    try {
        WriteLog("Meter Tag Number of " + std::string(tag) + " is duplicate in Line " +
                 NumberText(static_cast<int64_t>(line)));
        WriteLog("   Info: " + info());
        return true;
    } catch (const std::exception& e) {
        mMessages.Inform(DescribeException(e));
        return false;
    }
}

std::string_view clsExchange::LookupMessage(MeterRecordPlan& plan, const ParsedLine& Values) {
    std::array<std::string, 5>& scratch = plan.MessageScratch;
    std::string& message = plan.Message;
    if (plan.Advanced == nullptr) {
        plan.Advanced = &Advanced();
        plan.SupervisorMessages = plan.Advanced->HasSupervisorMessages();
    }
    const clsAdvanced& advanced = *plan.Advanced;
    // The identifiers only matter when there are supervisor messages to find.
    const std::string_view prior = TextOf(Values.Item(plan.MessageSlot), scratch[0]);
    if (!plan.SupervisorMessages) {
        // Without supervisor messages, a meter without a billing message has no message.
        if (prior.empty()) return {};
        advanced.LookupMessage(message, prior, {}, {}, {}, {});
        return message;
    }
    advanced.LookupMessage(message, prior, TextOf(Values.Item(plan.RouteSlot), scratch[1]),
                           TextOf(Values.Item(plan.AccountSlot), scratch[2]),
                           TextOf(Values.Item(plan.SerialSlot), scratch[3]), TextOf(Values.Item(plan.TagSlot), scratch[4]));
    return message;
}

void clsExchange::WriteMeterRecord(MeterRecordPlan& plan, const ParsedLine& Values, int16_t routePosition) {
    RecordAssembly& record = *plan.Record;
    if (!plan.ConstantsWritten) {
        // What is the same on every line is written once: every later meter overwrites
        // only the fields that vary from line to line.
        WriteMeterSteps(plan, Values, MeterSteps::Constant);
        plan.ConstantsWritten = true;
    }
    record.SetInteger(plan.RouteNbr, routePosition);
    WriteMeterSteps(plan, Values, MeterSteps::Varying);
    record.WriteTo(Run().RouteDatabase->DB());
}

void clsExchange::WriteMeterSteps(MeterRecordPlan& plan, const ParsedLine& Values, MeterSteps which) {
    const ConversionRun& run = Run();
    RecordAssembly& record = *plan.Record;
    using From = MeterRecordPlan::From;
    std::string& scratch = plan.Scratch;
    const std::vector<size_t>& varying = plan.FieldsResolved ? plan.LineVaryingSteps : plan.VaryingSteps;
    for (const size_t index : which == MeterSteps::Varying ? varying : plan.ConstantSteps) {
        const MeterRecordPlan::Step& step = plan.Steps[index];
        const ParsedField& value = Values.Item(step.Slot);
        switch (step.Kind) {
        case From::Text: SetParsed(record, step.Target, value); break;
        case From::Number:
            // Dates and times arrive as text; in a numeric field they are yyyymmdd / hhnn numbers.
            if (step.DateText && value.IsText()) {
                if (int64_t whole; ReadPaddedDigits(value.Text, whole)) record.SetInteger(step.Target, whole);
                else record.SetNumber(step.Target, Val(value.Text));
            } else {
                SetParsed(record, step.Target, value);
            }
            break;
        case From::MeterType: record.SetNumber(step.Target, MeterTypeCode(TextOf(value, scratch))); break;
        case From::ReadType: record.SetNumber(step.Target, ReadTypeCode(run.CurrentReadType, value)); break;
        case From::Message:
            // Most meters have no message, which holds no NUL.
            if (const std::string_view message = LookupMessage(plan, Values); message.empty()) {
                record.SetTextWithoutNul(step.Target, message);
            } else {
                record.SetText(step.Target, message);
            }
            break;
        case From::Empty: record.SetText(step.Target, ""); break;
        }
    }
}

void clsExchange::IndexWrittenMeter(MeterRecordPlan& plan, const RecordAssembly& record) {
    ConversionRun& run = Run();
    // The words come from the record as written, in the texts the fields hold there.
    std::array<std::string, 5>& scratch = plan.IndexScratch;
    std::array<std::string_view, 5> texts;
    for (size_t i = 0; i < texts.size(); ++i) texts[i] = record.ItemText(plan.IndexFields[i], scratch[i]);
    IndexMeter(static_cast<int32_t>(record.ItemView(plan.RouteNbr).ToNumber()), run.IndexPosition, texts[0], texts[1],
               texts[2], texts[3], texts[4]);
    run.IndexPosition = CheckInt16(static_cast<int64_t>(run.IndexPosition) + 1);
}

void clsExchange::IndexParsedMeter(MeterRecordPlan& plan, const ParsedLine& Values, int16_t routePosition) {
    ConversionRun& run = Run();
    using IndexFrom = MeterRecordPlan::IndexFrom;
    const RecordAssembly& record = *plan.Record;
    std::array<std::string, 5>& scratch = plan.IndexScratch;
    std::array<std::string_view, 5> texts;
    for (size_t i = 0; i < texts.size(); ++i) {
        // A text the record took without a search for a NUL, and a whole number that a
        // 32-bit field stores as it is, read back as they were set.
        const ParsedField& value = Values.Item(plan.IndexSlots[i]);
        if (plan.IndexKinds[i] == IndexFrom::Text && value.Kind == Value::Kind::Text && Values.SourceWithoutNul()) {
            texts[i] = value.Text;
        } else if (plan.IndexKinds[i] == IndexFrom::Number && value.Kind == Value::Kind::Integer &&
                   value.Integer >= 0 && value.Integer <= INT32_MAX) {
            if (!value.Text.empty()) {
                texts[i] = value.Text;
                continue;
            }
            char digits[16];
            const char* end = std::to_chars(digits, digits + sizeof digits, value.Integer).ptr;
            scratch[i].assign(digits, static_cast<size_t>(end - digits));
            texts[i] = scratch[i];
        } else {
            texts[i] = record.ItemText(plan.IndexFields[i], scratch[i]);
        }
    }
    const int32_t route = plan.RouteReadsBack ? routePosition
                                              : static_cast<int32_t>(record.ItemView(plan.RouteNbr).ToNumber());
    IndexMeter(route, run.IndexPosition, texts[0], texts[1], texts[2], texts[3], texts[4]);
    run.IndexPosition = CheckInt16(static_cast<int64_t>(run.IndexPosition) + 1);
}

bool clsExchange::ConvertRouteFlat() {
    ConversionRun& run = Run();
    run.Layout = std::make_unique<RouteLineLayout>(*run.CurrentMap, mPrompts);
    const int routeSlot = run.Layout->RouteSlot();
    const std::string source = ResolvedPath(mvarRouteSource);
    if (const int status = run.SourceFile.Open(source); status != 0) throw RuntimeError(status);
    const auto blocks = static_cast<int32_t>((run.SourceFile.Length() + kProgressBlock - 1) / kProgressBlock);
    const int32_t progressMax = CheckInt32(3 * static_cast<int64_t>(blocks));
    auto progressAt = [&](int32_t base) {
        SetProgress(progressMax, base + static_cast<int32_t>(run.SourceFile.Position() / kProgressBlock));
    };

    // First pass: the routes, their meter counts and the number of lines.
    int16_t lines = 0;
    std::string_view text;
    ParsedLine line;
    RouteLookup routes(run);
    std::string routeText;
    run.CountingOnly = true;
    for (;;) {
        progressAt(0);
        if (!run.SourceFile.ReadLine(text)) break;
        ++run.LineNumber;
        ParseRoute(text, line);
        const int16_t route = routes.Add(TextOf(line.Item(routeSlot), routeText));
        int16_t& count = run.RouteMeterCount[static_cast<size_t>(route) - 1];
        count = CheckInt16(static_cast<int64_t>(count) + 1);
        lines = CheckInt16(static_cast<int64_t>(lines) + 1);
    }

    run.CountingOnly = false;
    run.SourceFile.Close();
    if (const int status = run.SourceFile.Open(source); status != 0) throw RuntimeError(status);
    // Until the reader meets a NUL byte, no line needs a search for one.
    run.SourceFile.WatchForNul();
    run.LineNumber = 0;
    run.SeenTags.Reserve(static_cast<size_t>(lines));

    if (!CreateRouteDatabase(static_cast<int64_t>(lines) + static_cast<int64_t>(run.RouteList.size()) + 2 + 2100)) {
        return false;
    }
    WriteOpeningRecords(lines, source);
    MeterRecordPlan plan = PlanRouteMeterRecord(*run.Layout, *run.RouteDatabase);
    // Each line is a view of the reader's buffer, kept until the meter is written.
    static_assert(TextLineReader::LineSlack >= RecordSource::Slack);
    plan.LineViews = true;

    run.AutoNumberCounter = 0;
    run.ValidationMessageCount = 0;
    for (;;) {
        progressAt(blocks);
        if (!run.SourceFile.ReadLine(text)) break;
        ++run.LineNumber;
        ParseRoute(text, line, &plan);
        const int16_t validation = ValidateRoute(line);
        if (validation == ValidationWarned) run.ConversionWarnings = true;
        if (validation == ValidationStop) return false;
        const int16_t route = routes.Add(TextOf(line.Item(routeSlot), routeText));
        WriteMeterRecord(plan, line, route);
        ++run.MetersWritten;
        IndexParsedMeter(plan, line, route);
    }
    return !run.ConversionProblems;
}

} // namespace dovrex
