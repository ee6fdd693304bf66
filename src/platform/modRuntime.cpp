#include "modRuntime.h"

#include "RuntimeError.h"
#include "WordBytes.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>

namespace dovrex {

namespace {

// A blank, tab or line feed: one comparison and one bit test.
bool IsValBlank(char c) {
    constexpr uint64_t kBlanks = (uint64_t{1} << ' ') | (uint64_t{1} << '\t') | (uint64_t{1} << '\n');
    const auto code = static_cast<unsigned char>(c);
    return code <= ' ' && ((kBlanks >> code) & 1) != 0;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

namespace {

// Digits from i on (blanks between them are dropped) up to the first other character;
// false when there are more than 18 in all, too many for the short path.
inline bool ReadValDigits(std::string_view text, size_t& i, uint64_t& mantissa, int& digits) {
    const char* p = text.data() + i;
    const char* const end = text.data() + text.size();
    uint64_t value = mantissa;
    int count = digits;
    for (; p != end; ++p) {
        const char c = *p;
        if (IsDigit(c)) {
            if (++count > 18) return false;
            value = value * 10 + static_cast<uint64_t>(c - '0');
        } else if (!IsValBlank(c)) {
            break;
        }
    }
    i = static_cast<size_t>(p - text.data());
    mantissa = value;
    digits = count;
    return true;
}

// The leading number of a plain text ("  00123", "-42", "0012.50", "7 days"): its sign, its
// digits as one whole number and how many of them follow the decimal point. False when the
// text needs the full parse: an exponent, or more than 18 digits.
struct PlainNumber {
    bool Negative = false;
    uint64_t Mantissa = 0;
    int Digits = 0;
    int FractionDigits = 0;
};

inline bool ReadPlainNumber(std::string_view text, PlainNumber& number) {
    // The usual shape first, as fixed-width files right-align their numbers: spaces, then
    // digits up to the end.
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && *p == ' ') ++p;
    const char* const first = p;
    uint64_t whole = 0;
    for (unsigned digit; p != end && (digit = static_cast<unsigned char>(*p) - 0x30u) <= 9; ++p) whole = whole * 10 + digit;
    if (p == end && end - first <= 18) {
        number.Mantissa = whole;
        number.Digits = static_cast<int>(end - first);
        return true;
    }
    size_t i = 0;
    while (i < text.size() && IsValBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) number.Negative = text[i++] == '-';
    if (!ReadValDigits(text, i, number.Mantissa, number.Digits)) return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const int wholeDigits = number.Digits;
        if (!ReadValDigits(text, i, number.Mantissa, number.Digits)) return false;
        number.FractionDigits = number.Digits - wholeDigits;
    }
    // An exponent needs the full parse; anything else ends the number.
    if (i < text.size()) {
        const char c = text[i];
        if (c == 'E' || c == 'e' || c == 'D' || c == 'd') return false;
    }
    return true;
}

// A plain number read without building a text for the standard parser.
std::optional<double> ValPlainNumber(std::string_view text) {
    PlainNumber number;
    if (!ReadPlainNumber(text, number)) return std::nullopt;
    if (number.Digits == 0) return 0.0;
    // A whole number converts with the rounding of the standard parser; so does a fraction
    // whose digits and power of ten are both exact doubles, divided once.
    constexpr uint64_t kExactMantissa = uint64_t{1} << 53;
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    double value = static_cast<double>(number.Mantissa);
    if (number.FractionDigits > 0) {
        if (number.Mantissa > kExactMantissa) return std::nullopt;
        value /= kPowers[number.FractionDigits];
    }
    return number.Negative ? -value : value;
}

// A plain number without a fraction, as a whole number.
std::optional<int64_t> ValWholeNumber(std::string_view text) {
    PlainNumber number;
    if (!ReadPlainNumber(text, number) || number.FractionDigits > 0) return std::nullopt;
    const auto value = static_cast<int64_t>(number.Mantissa);
    return number.Negative ? -value : value;
}

template <class Whole> Whole WholeVal(std::string_view text, Whole (*convert)(double)) {
    if (const std::optional<int64_t> whole = ValWholeNumber(text)) {
        if (*whole < std::numeric_limits<Whole>::min() || *whole > std::numeric_limits<Whole>::max()) {
            RaiseError(ErrOverflow);
        }
        return static_cast<Whole>(*whole);
    }
    return convert(Val(text));
}

} // namespace

double Val(std::string_view text) {
    if (const std::optional<double> plain = ValPlainNumber(text)) return *plain;
    // Collect the characters of the leading number, dropping blanks, then let the
    // standard parser read the cleaned text.
    std::string number;
    number.reserve(text.size());
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && IsValBlank(text[i])) ++i;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        number += text[i++];
    }
    bool digits = false;
    for (skipBlanks(); i < text.size(); skipBlanks()) {
        if (!IsDigit(text[i])) break;
        number += text[i++];
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        number += text[i++];
        for (skipBlanks(); i < text.size(); skipBlanks()) {
            if (!IsDigit(text[i])) break;
            number += text[i++];
            digits = true;
        }
    }
    if (!digits) return 0.0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        std::string exponent = "e";
        size_t j = i + 1;
        while (j < text.size() && IsValBlank(text[j])) ++j;
        if (j < text.size() && (text[j] == '-' || text[j] == '+')) exponent += text[j++];
        bool expDigits = false;
        while (j < text.size()) {
            if (IsValBlank(text[j])) { ++j; continue; }
            if (!IsDigit(text[j])) break;
            exponent += text[j++];
            expDigits = true;
        }
        if (expDigits) number += exponent;
    }
    const double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value)) RaiseError(ErrOverflow);
    return value;
}

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    const double floorValue = std::floor(value);
    const double diff = value - floorValue;
    if (diff < 0.5) return floorValue;
    if (diff > 0.5) return floorValue + 1.0;
    return std::fmod(floorValue, 2.0) == 0.0 ? floorValue : floorValue + 1.0;
}

int16_t CInt(double value) {
    // A whole number in range is its own rounding.
    if (value >= -32768.0 && value <= 32767.0 && static_cast<double>(static_cast<int16_t>(value)) == value) {
        return static_cast<int16_t>(value);
    }
    const double r = RoundHalfEven(value);
    if (!(r >= -32768.0 && r <= 32767.0)) RaiseError(ErrOverflow);
    return static_cast<int16_t>(r);
}

int32_t CLng(double value) {
    if (value >= -2147483648.0 && value <= 2147483647.0 && static_cast<double>(static_cast<int32_t>(value)) == value) {
        return static_cast<int32_t>(value);
    }
    const double r = RoundHalfEven(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) RaiseError(ErrOverflow);
    return static_cast<int32_t>(r);
}

int16_t CIntVal(std::string_view text) { return WholeVal<int16_t>(text, CInt); }

int32_t CLngVal(std::string_view text) { return WholeVal<int32_t>(text, CLng); }

int16_t CheckInt16(int64_t value) {
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
        RaiseError(ErrOverflow);
    return static_cast<int16_t>(value);
}

int32_t CheckInt32(int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        RaiseError(ErrOverflow);
    return static_cast<int32_t>(value);
}

std::string NumberText(int64_t value) { return std::to_string(value); }

void AssignNumberText(std::string& out, int64_t value) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.assign(digits, static_cast<size_t>(end - digits));
}

void AssignNumberText(std::string& out, double value) {
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        AssignNumberText(out, static_cast<int64_t>(value));
    } else {
        out = NumberText(value);
    }
}

std::string NumberText(double value) {
    if (std::isnan(value)) return "NaN";
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<int64_t>(value));
    }
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text = buffer;
    // Drop trailing zeros of the fraction ("%G" keeps none, but be explicit about exponents).
    if (text.find('E') == std::string::npos && text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0') text.pop_back();
        if (!text.empty() && text.back() == '.') text.pop_back();
    }
    return text;
}

std::string LTrim(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    return std::string(text.substr(start));
}

std::string RTrim(std::string_view text) { return std::string(RTrimView(text)); }

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

namespace {

// Windows-1252 letter case, as tables: ASCII letters, the Latin-1 letters (not the
// multiplication and division signs) and the four letter pairs of 80..9F.
struct CaseTables {
    unsigned char Upper[256];
    unsigned char Lower[256];
    CaseTables() {
        for (int c = 0; c < 256; ++c) Upper[c] = Lower[c] = static_cast<unsigned char>(c);
        auto pair = [this](int upper, int lower) {
            Upper[lower] = static_cast<unsigned char>(upper);
            Lower[upper] = static_cast<unsigned char>(lower);
        };
        for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
        for (int c = 0xC0; c <= 0xDE; ++c) {
            if (c != 0xD7) pair(c, c + 32);
        }
        pair(0x8A, 0x9A); // S caron
        pair(0x8C, 0x9C); // OE
        pair(0x8E, 0x9E); // Z caron
        pair(0x9F, 0xFF); // Y diaeresis
    }
};

const CaseTables kCase;

} // namespace

char UpperChar(char c) { return static_cast<char>(kCase.Upper[static_cast<unsigned char>(c)]); }

char LowerChar(char c) { return static_cast<char>(kCase.Lower[static_cast<unsigned char>(c)]); }

std::string UCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = UpperChar(c);
    return result;
}

std::string LCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = LowerChar(c);
    return result;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (kCase.Upper[static_cast<unsigned char>(a[i])] != kCase.Upper[static_cast<unsigned char>(b[i])]) return false;
    }
    return true;
}

size_t NoCaseHash::operator()(std::string_view text) const noexcept {
    // FNV-1a over the upper-cased bytes: every character counts, so keys that share their
    // ends (meter tags, account numbers) still spread over the table.
    size_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<size_t>(kCase.Upper[static_cast<unsigned char>(c)]);
        hash *= 1099511628211ull;
    }
    return hash;
}

std::vector<std::string> Split(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    size_t start = 0;
    for (;;) {
        const size_t found = text.find(separator, start);
        if (found == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            return pieces;
        }
        pieces.emplace_back(text.substr(start, found - start));
        start = found + separator.size();
    }
}

std::string Join(const std::vector<std::string>& pieces, std::string_view separator) {
    std::string result;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) result += separator;
        result += pieces[i];
    }
    return result;
}

std::string Replace(std::string_view text, std::string_view find, std::string_view replacement) {
    if (find.empty()) return std::string(text);
    std::string result;
    result.reserve(text.size());
    size_t start = 0;
    for (;;) {
        const size_t found = text.find(find, start);
        if (found == std::string_view::npos) break;
        result.append(text.substr(start, found - start));
        result.append(replacement);
        start = found + find.size();
    }
    result.append(text.substr(start));
    return result;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

#if defined(__SSE2__)
bool HasExponentLetterInBlocks(std::string_view text) {
    const char* const p = text.data();
    const size_t n = text.size();
    const __m128i lowest = _mm_set1_epi8(0x21), e = _mm_set1_epi8('e');
    const auto found = [&](const char* q) __attribute__((always_inline)) {
        const __m128i bytes = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)), lowest);
        return _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, e)) != 0;
    };
    for (size_t i = 0; i + 16 < n; i += 16) {
        if (found(p + i)) return true;
    }
    return found(p + n - 16);
}
#endif

} // namespace dovrex
