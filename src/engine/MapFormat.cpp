#include "MapFormat.h"

#include "platform/modRuntime.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cstdint>
#include <limits>

namespace dovrex {

namespace {

int32_t UnitFlags(int32_t code) { return ((code % 10) + 10) % 10; }

// The two digits of every number 0..99, one after another.
constexpr char kTwoDigits[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                              "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                              "8081828384858687888990919293949596979899";

std::string Zeros(std::string pattern) {
    for (char& c : pattern) {
        if (c == 'Y' || c == 'M' || c == 'D' || c == 'H' || c == 'N' || c == 'S') c = '0';
    }
    return pattern;
}

std::string_view TrimBlanks(std::string_view text) {
    size_t first = 0;
    size_t end = text.size();
    while (first < end && text[first] == ' ') ++first;
    while (end > first && text[end - 1] == ' ') --end;
    return text.substr(first, end - first);
}

// A number of digits only, not empty, that an int holds.
bool Digits(std::string_view text, int& value) {
    if (text.empty()) return false;
    int64_t number = 0;
    for (const char c : text) {
        const unsigned digit = static_cast<unsigned char>(c) - 0x30u;
        if (digit > 9) return false;
        number = number * 10 + digit;
        if (number > std::numeric_limits<int>::max()) return false;
    }
    value = static_cast<int>(number);
    return true;
}

// Year from 1, month and day of a calendar date.
bool ValidDate(const int (&parts)[3]) {
    const int y = parts[0];
    const int m = parts[1];
    const int d = parts[2];
    if (y < 1 || m < 1 || m > 12 || d < 1) return false;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= (m == 2 && leap ? 29 : days[m - 1]);
}

bool ReadDate(std::string_view text, int (&parts)[3]) {
    // yyyymmdd: the year from the first four characters, then month and day.
    const std::string_view year = text.substr(0, 4);
    const std::string_view month = text.size() > 4 ? text.substr(4, 2) : std::string_view();
    const std::string_view day = text.size() > 6 ? text.substr(6, 2) : std::string_view();
    int& y = parts[0];
    int& m = parts[1];
    int& d = parts[2];
    if (!Digits(year, y) || !Digits(month, m) || !Digits(day, d)) return false;
    return ValidDate(parts);
}

// hhnnss of 1 to 6 digits; 0 is no time.
bool ReadTime(std::string_view text, int (&parts)[3]) {
    int value = 0;
    if (text.size() > 6 || !Digits(text, value) || value == 0) return false;
    parts[0] = value / 10000;
    parts[1] = value / 100 % 100;
    parts[2] = value % 100;
    return parts[0] <= 23 && parts[1] <= 59 && parts[2] <= 59;
}

} // namespace

MapFormat MapFormat::Date(int32_t code) {
    MapFormat format;
    format.mDate = true;
    const char* order = nullptr;
    switch (code / 10) {
    case 1: order = "YYMMDD"; break;
    case 2: order = "MMDDYY"; break;
    case 3: order = "DDMMYY"; break;
    default: return format; // no order: no pattern
    }
    const int32_t flags = UnitFlags(code);
    const std::string separator = (flags & 2) != 0 ? "/" : (flags & 1) != 0 ? "-" : "";
    const std::string base = order;
    format.mPattern = base.substr(0, 2) + separator + base.substr(2, 2) + separator + base.substr(4, 2);
    if ((flags & 4) != 0) format.mPattern = Replace(format.mPattern, "YY", "YYYY");
    format.ReadPattern();
    return format;
}

MapFormat MapFormat::Time(int32_t code) {
    MapFormat format;
    const int32_t flags = UnitFlags(code);
    const std::string separator = (flags & 2) != 0 ? ":" : "";
    format.mPattern = "HH" + separator + "NN" + ((flags & 1) != 0 ? separator + "SS" : "");
    format.ReadPattern();
    return format;
}

void MapFormat::ReadPattern() {
    mZero = Zeros(mPattern);
    mPieces.clear();
    for (size_t i = 0; i < mPattern.size();) {
        const char c = mPattern[i];
        // Year, month, day of a date; hours, minutes, seconds of a time.
        const int part = c == 'Y' || c == 'H' ? 0 : c == 'M' || c == 'N' ? 1 : c == 'D' || c == 'S' ? 2 : -1;
        if (part < 0) {
            mPieces.push_back({c, 0, 0});
            ++i;
            continue;
        }
        size_t width = 1;
        while (i + width < mPattern.size() && mPattern[i + width] == c) ++width;
        mPieces.push_back({0, part, static_cast<int>(std::min<size_t>(width, 8))});
        i += width;
    }
}

size_t MapFormat::WriteParts(const int (&parts)[3], char* out) const {
    char* p = out;
    for (const Piece& piece : mPieces) {
        if (piece.Literal != 0) {
            *p++ = piece.Literal;
            continue;
        }
        // The part's low digits, two at a time from the right.
        int number = parts[piece.Part];
        int d = piece.Width;
        for (; d >= 2; d -= 2, number /= 100) std::memcpy(p + d - 2, kTwoDigits + 2 * (number % 100), 2);
        if (d == 1) p[0] = static_cast<char>('0' + number % 10);
        p += piece.Width;
    }
    return static_cast<size_t>(p - out);
}

size_t MapFormat::WriteZeros(char* out) const {
    std::copy(mZero.begin(), mZero.end(), out);
    return mZero.size();
}

size_t MapFormat::Write(std::string_view value, char* out) const {
    // A text read as a date starts with a year from 1 and a time is read whole, so a
    // value whose number is 0 is read as neither.
    const std::string_view text = TrimBlanks(value);
    int parts[3] = {};
    return (mDate ? ReadDate(text, parts) : ReadTime(text, parts)) ? WriteParts(parts, out) : WriteZeros(out);
}

size_t MapFormat::WriteNumber(int64_t value, char* out) const {
    // The common texts, read from the number: a date of eight digits (yyyymmdd) and a time
    // of one to six digits (hhnnss). Any other number is read as its text.
    if (mDate && value >= 10000000 && value <= 99999999) {
        if (mLastLength != 0 && value == mLastNumber) {
            std::memcpy(out, mLastText, mLastLength);
            return mLastLength;
        }
        const int number = static_cast<int>(value);
        const int parts[3] = {number / 10000, number / 100 % 100, number % 100};
        const size_t length = ValidDate(parts) ? WriteParts(parts, out) : WriteZeros(out);
        if (length != 0 && length <= sizeof mLastText) {
            std::memcpy(mLastText, out, length);
            mLastNumber = value;
            mLastLength = length;
        }
        return length;
    }
    if (!mDate && value >= 0 && value <= 999999) {
        const int number = static_cast<int>(value);
        const int parts[3] = {number / 10000, number / 100 % 100, number % 100};
        const bool time = number != 0 && parts[0] <= 23 && parts[1] <= 59 && parts[2] <= 59;
        return time ? WriteParts(parts, out) : WriteZeros(out);
    }
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return Write(std::string_view(digits, static_cast<size_t>(end - digits)), out);
}

void MapFormat::Write(std::string_view value, std::string& out) const {
    // Patterns are at most ten characters ("YYYY/MM/DD"); value may be a view of out.
    char text[16];
    out.assign(text, Write(value, text));
}

std::string MapFormat::Write(std::string_view value) const {
    std::string out;
    Write(value, out);
    return out;
}

} // namespace dovrex
