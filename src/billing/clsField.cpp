#include "clsField.h"

#include "platform/RuntimeError.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace dovrex {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The two digits of 0 to 99, at twice the number.
constexpr char kDigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                               "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                               "8081828384858687888990919293949596979899";

// A whole text as a number, as the runtime's conversion functions read it: blanks
// around it, a sign, digits with an optional point, an optional exponent. Nothing for
// any other text (those conversions fail where the lenient parse would give 0).
std::optional<double> StrictNumber(std::string_view text) {
    std::string t = Trim(text);
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < t.size() && (t[i] == 'E' || t[i] == 'e' || t[i] == 'D' || t[i] == 'd')) {
        t[i++] = 'e';
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < t.size() && IsDigit(t[i])) ++i, ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    const double value = std::strtod(t.c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

// Digits 1-4 long, blanks around them allowed.
std::optional<int> SmallNumber(std::string_view part) {
    const std::string_view t = TrimView(part);
    if (t.empty() || t.size() > 4) return std::nullopt;
    int n = 0;
    for (char c : t) {
        if (!IsDigit(c)) return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

// The pieces of a text between separators, as Split gives them, into at most Max views;
// returns how many pieces there are (more than Max when there are more).
template <size_t Max> size_t SplitView(std::string_view text, char separator, std::string_view (&pieces)[Max]) {
    size_t count = 0;
    size_t start = 0;
    for (;;) {
        const size_t found = text.find(separator, start);
        if (count < Max) pieces[count] = text.substr(start, found == std::string_view::npos ? found : found - start);
        ++count;
        if (found == std::string_view::npos) return count;
        start = found + 1;
    }
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

std::optional<DateTime> MakeDate(int year, int month, int day) {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return std::nullopt;
    return DateTime{year, month, day, 0, 0, 0};
}

std::string TwoDigits(int n) {
    const int v = n % 100;
    if (v >= 0) return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", v);
    return buffer;
}

// The magnitude of value rounded half away from zero to fracDigits decimals, working on
// its 15 significant decimal digits (so 1.005 rounds up as it reads), with at least
// intDigits integer digits and a minus sign unless the result is zero.
std::string FormatFixed(double value, int intDigits, int fracDigits) {
    if (!std::isfinite(value)) RaiseError(ErrOverflow);
    const bool negative = value < 0;
    std::string intPart = "0";
    std::string fracPart(static_cast<size_t>(fracDigits), '0');
    if (value != 0) {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
        std::string digits(1, buffer[0]);
        digits.append(buffer + 2, 14);
        int intCount = std::atoi(std::strchr(buffer, 'e') + 1) + 1;
        const int keep = intCount + fracDigits;
        if (keep >= 0) {
            std::string kept;
            if (keep >= static_cast<int>(digits.size())) {
                kept = digits + std::string(static_cast<size_t>(keep) - digits.size(), '0');
            } else {
                kept = digits.substr(0, static_cast<size_t>(keep));
                if (digits[static_cast<size_t>(keep)] >= '5') {
                    int i = keep - 1;
                    for (; i >= 0 && kept[static_cast<size_t>(i)] == '9'; --i) kept[static_cast<size_t>(i)] = '0';
                    if (i >= 0) {
                        ++kept[static_cast<size_t>(i)];
                    } else {
                        kept.insert(kept.begin(), '1');
                        ++intCount;
                    }
                }
            }
            if (intCount <= 0) {
                fracPart = std::string(static_cast<size_t>(-intCount), '0') + kept;
            } else {
                intPart = kept.substr(0, static_cast<size_t>(intCount));
                fracPart = kept.substr(static_cast<size_t>(intCount));
            }
        }
    }
    if (intDigits == 0 && intPart == "0") intPart.clear();
    if (static_cast<int>(intPart.size()) < intDigits) intPart.insert(0, static_cast<size_t>(intDigits) - intPart.size(), '0');
    const bool zero = intPart.find_first_not_of('0') == std::string::npos &&
                      fracPart.find_first_not_of('0') == std::string::npos;
    std::string text = negative && !zero ? "-" : "";
    text += intPart;
    if (fracDigits > 0) text += "." + fracPart;
    return text;
}

// The number a value stands for in a number column; nothing for an empty value or a
// blank text (the columns then stay blank). Other texts are read leniently.
std::optional<double> NumberOf(const Value& value) {
    switch (value.GetKind()) {
    case Value::Kind::Empty:
    case Value::Kind::Null: return std::nullopt;
    case Value::Kind::Integer: return static_cast<double>(value.Integer());
    case Value::Kind::Double: return value.Double();
    case Value::Kind::Text:
        if (value.Text().find_first_not_of(' ') == std::string::npos) return std::nullopt;
        return Val(value.Text());
    case Value::Kind::Date: break;
    }
    RaiseError(ErrTypeMismatch);
}

std::string ZeroFilledWhole(int64_t n, int width) {
    const uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
    std::string digits = std::to_string(magnitude);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return n < 0 ? "-" + digits : digits;
}

std::string ZeroFilled(const Value& value, int width) {
    if (value.GetKind() == Value::Kind::Integer) return ZeroFilledWhole(value.Integer(), width);
    const std::optional<double> number = NumberOf(value);
    if (!number) return {};
    // A whole number (most texts of digits) needs no rounding: written as digits directly.
    if (std::fabs(*number) < 1e15 && *number == std::trunc(*number)) {
        return ZeroFilledWhole(static_cast<int64_t>(*number), width);
    }
    return FormatFixed(*number, width, 0);
}

DateTime DateFromSerial(double serial) {
    if (!std::isfinite(serial) || std::fabs(serial) > 3.0e6) RaiseError(ErrOverflow);
    const double days = std::floor(serial);
    const int64_t seconds = std::llround((serial - days) * 86400.0);
    DateTime result = clsField::ZeroDate();
    CivilFromDays(DaysFromCivil(1899, 12, 30) + static_cast<int64_t>(days), result.Year, result.Month, result.Day);
    if (result.Year < 100 || result.Year > 9999) RaiseError(ErrOverflow);
    result.Hour = static_cast<int>(seconds / 3600);
    result.Minute = static_cast<int>(seconds / 60 % 60);
    result.Second = static_cast<int>(seconds % 60);
    return result;
}

// The date a value stands for in a date column; nothing for no date (empty, zero,
// blank or a text that is no date).
std::optional<DateTime> DateOf(const Value& value) {
    switch (value.GetKind()) {
    case Value::Kind::Date: return value.Date();
    case Value::Kind::Integer:
    case Value::Kind::Double:
        if (value.ToNumber() == 0) return std::nullopt;
        return DateFromSerial(value.ToNumber());
    case Value::Kind::Text: return clsField::DateFromText(value.Text());
    default: return std::nullopt;
    }
}

} // namespace

clsField::clsField(std::string FieldName, int16_t FieldType, int16_t FieldPos, int16_t FieldLen, IMessageBox* messages)
    : mFieldName(std::move(FieldName)), mFieldType(FieldType), mFieldPos(FieldPos), mFieldLen(FieldLen),
      mKeepsText(FieldType == ftText || FieldType == ftLong || FieldType == ftSingle || FieldType == ftDouble ||
                 FieldType == ftTime),
      mZeroFillsWhole((FieldType == ftZeroFilled || FieldType == ftInteger) && FieldLen <= 20), mMessages(messages) {
    if (FieldPos < 1 || FieldLen < 0) RaiseError(ErrInvalidCall);
}

void clsField::UndefinedKind() const {
    if (mMessages) mMessages->Inform("Undefined Field Type");
}

std::optional<DateTime> clsField::DateFromText(std::string_view text) {
    // mm/dd/yyyy, as the record columns are rebuilt, read without splitting.
    if (text.size() == 10 && text[2] == '/' && text[5] == '/') {
        int digits[8];
        size_t count = 0;
        for (const size_t at : {0, 1, 3, 4, 6, 7, 8, 9}) {
            if (!IsDigit(text[at])) break;
            digits[count++] = text[at] - '0';
        }
        if (count == 8) {
            return MakeDate(digits[4] * 1000 + digits[5] * 100 + digits[6] * 10 + digits[7], digits[0] * 10 + digits[1],
                            digits[2] * 10 + digits[3]);
        }
    }
    const std::string_view t = TrimView(text);
    std::string_view parts[3];
    if (SplitView(t, '/', parts) == 3) {
        const auto month = SmallNumber(parts[0]);
        const auto day = SmallNumber(parts[1]);
        auto year = SmallNumber(parts[2]);
        if (!month || !day || !year) return std::nullopt;
        if (TrimView(parts[2]).size() <= 2) *year += *year < 30 ? 2000 : 1900;
        return MakeDate(*year, *month, *day);
    }
    // yyyy-mm-dd, as dates turn into text inside the program, with an optional time.
    const size_t blank = t.find(' ');
    std::string_view iso[3];
    if (SplitView(t.substr(0, blank), '-', iso) != 3 || iso[0].size() != 4) return std::nullopt;
    const auto year = SmallNumber(iso[0]);
    const auto month = SmallNumber(iso[1]);
    const auto day = SmallNumber(iso[2]);
    if (!year || !month || !day) return std::nullopt;
    std::optional<DateTime> date = MakeDate(*year, *month, *day);
    if (date && blank != std::string_view::npos) {
        const std::optional<DateTime> time = TimeFromText(t.substr(blank + 1));
        if (!time) return std::nullopt;
        date->Hour = time->Hour;
        date->Minute = time->Minute;
        date->Second = time->Second;
    }
    return date;
}

std::optional<DateTime> clsField::TimeFromText(std::string_view text) {
    std::string_view parts[3];
    const size_t count = SplitView(text, ':', parts);
    if (count < 2 || count > 3) return std::nullopt;
    int values[3] = {0, 0, 0};
    for (size_t i = 0; i < count; ++i) {
        const auto n = SmallNumber(parts[i]);
        if (!n || TrimView(parts[i]).size() > 2) return std::nullopt;
        values[i] = *n;
    }
    if (values[0] > 23 || values[1] > 59 || values[2] > 59) return std::nullopt;
    DateTime result = ZeroDate();
    result.Hour = values[0];
    result.Minute = values[1];
    result.Second = values[2];
    return result;
}

double clsField::ExtractOtherNumber(std::string_view Buffer) const {
    switch (mFieldType) {
    case ftText: return Val(Columns(Buffer));
    case ftZeroFilled:
        try {
            return CLng(Val(Columns(Buffer)));
        } catch (const RuntimeError&) {
            return 0;
        }
    default: return Extract(Buffer).ToNumber();
    }
}

Value clsField::Extract(std::string_view Buffer) const {
    const std::string_view col = Columns(Buffer);
    auto mid = [&col](size_t from, size_t length) { return from < col.size() ? col.substr(from, length) : ""; };
    switch (mFieldType) {
    case ftText: return Value(std::string(col));
    case ftZeroFilled:
        try {
            return Value(CLng(Val(col)));
        } catch (const RuntimeError&) {
            return Value(int32_t{0});
        }
    case ftDate: {
        std::string text(col);
        if (mFieldLen == 6 || mFieldLen == 8)
            text = std::string(mid(0, 2)) + "/" + std::string(mid(2, 2)) + "/" + std::string(mid(4, mFieldLen - 4));
        return Value(DateFromText(text).value_or(ZeroDate()));
    }
    case ftTime: {
        if (mFieldLen == 4) {
            const auto time = TimeFromText(std::string(mid(0, 2)) + ":" + std::string(mid(2, 2)));
            return time ? Value(*time) : Value();
        }
        if (mFieldLen != 6) return Value();
        if (col == "      ") return Value(ZeroDate());
        const auto time =
            TimeFromText(std::string(mid(0, 2)) + ":" + std::string(mid(2, 2)) + ":" + std::string(mid(4, 2)));
        return Value(time.value_or(ZeroDate()));
    }
    case ftInteger:
    case ftLong: {
        const std::optional<double> number = StrictNumber(col);
        try {
            if (mFieldType == ftInteger) return Value(CInt(number.value_or(0)));
            return Value(CLng(number.value_or(0)));
        } catch (const RuntimeError&) {
            return Value(mFieldType == ftInteger ? Value(int16_t{0}) : Value(int32_t{0}));
        }
    }
    case ftSingle: {
        // Keep the single-precision value with the digits it reads as (1.1, not 1.10000002).
        const double number = StrictNumber(col).value_or(0);
        if (std::fabs(number) > FLT_MAX) return Value(0.0);
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.7G", static_cast<double>(static_cast<float>(number)));
        return Value(std::strtod(buffer, nullptr));
    }
    case ftDouble:
    case ftAmount: return Value(StrictNumber(col).value_or(0));
    default: UndefinedKind(); return Value();
    }
}

std::string clsField::Format(const Value& NewValue) const {
    switch (mFieldType) {
    case ftText:
    case ftLong:
    case ftSingle:
    case ftDouble: return NewValue.ToText();
    case ftZeroFilled:
    case ftInteger: return ZeroFilled(NewValue, mFieldLen);
    case ftAmount: {
        const std::optional<double> number = NumberOf(NewValue);
        return number ? FormatFixed(*number, std::max(mFieldLen - 3, 0), 2) : std::string();
    }
    case ftDate: {
        if (mFieldLen != 6 && mFieldLen != 8) return {};
        const std::optional<DateTime> date = DateOf(NewValue);
        if (!date || *date == ZeroDate()) return std::string(static_cast<size_t>(mFieldLen), '0');
        const std::string year = mFieldLen == 6 ? TwoDigits(date->Year) : TwoDigits(date->Year / 100) + TwoDigits(date->Year);
        return TwoDigits(date->Month) + TwoDigits(date->Day) + year;
    }
    case ftTime:
        // Callers hand over the digits; a time value is turned into them.
        if (NewValue.IsDate()) {
            const DateTime& t = NewValue.Date();
            return TwoDigits(t.Hour) + TwoDigits(t.Minute) + (mFieldLen == 4 ? "" : TwoDigits(t.Second));
        }
        return NewValue.ToText();
    default: UndefinedKind(); return {};
    }
}

namespace {

// Text written into columns: its leftmost characters, then blanks; the line grows with
// blanks as needed.
void Place(std::string& Buffer, size_t start, size_t width, std::string_view text) {
    const size_t length = std::min(text.size(), width);
    if (Buffer.size() < start + width) Buffer.resize(start + width, ' ');
    const auto at = Buffer.begin() + static_cast<std::ptrdiff_t>(start);
    std::copy_n(text.begin(), length, at);
    std::fill_n(at + static_cast<std::ptrdiff_t>(length), width - length, ' ');
}

// The whole number of a value for a zero-filled column, when it is one (as ZeroFilled
// writes it without rounding); nothing when the column stays blank or needs rounding.
std::optional<int64_t> WholeOf(const ValueView& value, bool& blank) {
    blank = false;
    double number = 0;
    switch (value.Kind) {
    case Value::Kind::Integer: return value.Integer;
    case Value::Kind::Double: number = value.Double; break;
    case Value::Kind::Text:
        if (value.Text.find_first_not_of(' ') == std::string_view::npos) {
            blank = true;
            return std::nullopt;
        }
        number = Val(value.Text);
        break;
    default: blank = true; return std::nullopt;
    }
    if (std::fabs(number) < 1e15 && number == std::trunc(number)) return static_cast<int64_t>(number);
    return std::nullopt;
}

// A value other than a date as a view of it (the text stays the value's own).
ValueView ViewOf(const Value& value) {
    switch (value.GetKind()) {
    case Value::Kind::Empty: return ValueView::OfEmpty();
    case Value::Kind::Integer: return ValueView::OfInteger(value.Integer());
    case Value::Kind::Double: return ValueView::OfDouble(value.Double());
    case Value::Kind::Text: return ValueView::OfText(value.Text());
    default: return ValueView{};
    }
}

} // namespace

void clsField::Insert(std::string& Buffer, const Value& NewValue) const {
    if (!NewValue.IsDate()) return Insert(Buffer, ViewOf(NewValue));
    if (TryInsertDate(Buffer, NewValue.Date())) return;
    Place(Buffer, static_cast<size_t>(mFieldPos) - 1, static_cast<size_t>(mFieldLen), Format(NewValue));
}

bool clsField::TryInsertDate(std::string& Buffer, const DateTime& Date) const {
    const size_t start = static_cast<size_t>(mFieldPos) - 1;
    const size_t width = static_cast<size_t>(mFieldLen);
    if (mFieldType != ftDate || (width != 6 && width != 8)) return false;
    if (Date == ZeroDate()) {
        Place(Buffer, start, width, std::string_view("00000000", width));
        return true;
    }
    // mm dd yy, or mm dd cc yy: each part as two digits.
    const int parts[] = {Date.Month, Date.Day, width == 6 ? Date.Year : Date.Year / 100, Date.Year};
    char text[8];
    for (size_t i = 0; i < width / 2; ++i) {
        const int v = parts[i] % 100;
        if (v < 0) return false;
        std::memcpy(text + 2 * i, kDigitPairs + 2 * v, 2);
    }
    if (Buffer.size() < start + width) Buffer.resize(start + width, ' ');
    std::memcpy(Buffer.data() + start, text, width);
    return true;
}

void clsField::PlaceWhole(std::string& Line, int64_t Number) const {
    // Digits right-aligned in zeros after any minus sign, as ZeroFilledWhole gives them,
    // then cut to the width.
    const size_t width = static_cast<size_t>(mFieldLen);
    char* at = Line.data() + (mFieldPos - 1);
    if (Number >= 0 && width != 0 && width <= 18) {
        // Digits that fit: written from the right, zeros before them.
        static constexpr uint64_t kLimits[] = {1,
                                               10,
                                               100,
                                               1000,
                                               10000,
                                               100000,
                                               1000000,
                                               10000000,
                                               100000000,
                                               1000000000,
                                               10000000000,
                                               100000000000,
                                               1000000000000,
                                               10000000000000,
                                               100000000000000,
                                               1000000000000000,
                                               10000000000000000,
                                               100000000000000000,
                                               1000000000000000000};
        uint64_t value = static_cast<uint64_t>(Number);
        if (value < kLimits[width]) {
            // Two digits at a time from the right, then the zeros.
            char* digit = at + width;
            while (value >= 100) {
                digit -= 2;
                std::memcpy(digit, kDigitPairs + 2 * (value % 100), 2);
                value /= 100;
            }
            if (value >= 10) {
                digit -= 2;
                std::memcpy(digit, kDigitPairs + 2 * value, 2);
            } else {
                *--digit = static_cast<char>('0' + value);
            }
            FillShort(at, '0', static_cast<size_t>(digit - at));
            return;
        }
    }
    const uint64_t magnitude = Number < 0 ? 0 - static_cast<uint64_t>(Number) : static_cast<uint64_t>(Number);
    char digits[24];
    const size_t count = static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
    size_t length = 0;
    if (Number < 0 && width != 0) at[length++] = '-';
    if (count < width) {
        std::memset(at + length, '0', width - count);
        length += width - count;
    }
    if (length < width) std::memcpy(at + length, digits, std::min(count, width - length));
}

void clsField::Insert(std::string& Buffer, const ValueView& NewValue) const {
    if (!TryInsert(Buffer, NewValue)) {
        Place(Buffer, static_cast<size_t>(mFieldPos) - 1, static_cast<size_t>(mFieldLen), Format(NewValue.ToValue()));
    }
}

bool clsField::TryInsert(std::string& Buffer, const ValueView& NewValue) const {
    const size_t start = static_cast<size_t>(mFieldPos) - 1;
    const size_t width = static_cast<size_t>(mFieldLen);
    switch (mFieldType) {
    case ftText:
    case ftLong:
    case ftSingle:
    case ftDouble:
    case ftTime:
        // These kinds write a text as it stands: in place, without a copy.
        if (!NewValue.IsText()) return false;
        Place(Buffer, start, width, NewValue.Text);
        return true;
    case ftZeroFilled:
    case ftInteger: {
        if (width > 20) return false;
        bool blank = false;
        const std::optional<int64_t> whole = WholeOf(NewValue, blank);
        if (blank) {
            Place(Buffer, start, width, {});
            return true;
        }
        if (!whole) return false;
        if (Buffer.size() < start + width) Buffer.resize(start + width, ' ');
        PlaceWhole(Buffer, *whole);
        return true;
    }
    default: return false;
    }
}

} // namespace dovrex
