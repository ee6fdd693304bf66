#pragma once

// The value semantics of the old runtime, used everywhere instead of ad hoc code:
// the lenient numeric parse, rounding half to even, 16- and 32-bit range checks,
// number-to-text conversion and the text helpers (blank trimming, letter case).

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace dovrex {

// The leading number of a text. Blanks (space, tab, line feed) anywhere inside it are
// ignored; a sign, digits, a decimal point and an exponent (E or D) are accepted;
// a text without a leading number gives 0.
double Val(std::string_view text);

// Round to the nearest whole number, halves to the even neighbour.
double RoundHalfEven(double value);

// Whole-number conversions that round half to even and raise "Overflow" when the
// result does not fit.
int16_t CInt(double value);
int32_t CLng(double value);
// CInt(Val(text)) and CLng(Val(text)); a plain whole number is read without a double.
int16_t CIntVal(std::string_view text);
int32_t CLngVal(std::string_view text);

// The usual shape of a number in a fixed-width or delimited file, read without the lenient
// parse: blanks, then at most 15 digits up to the end (none for a blank text). False for any
// other text, which needs Val. Fifteen digits keep the number below 1e15, where its Value as
// a whole number and as a double convert to the same text. Inline: the imports read every
// number field of every line through it.
inline bool ReadPaddedDigits(std::string_view text, int64_t& value) {
    const char* p = text.data();
    const char* const end = p + text.size();
    if constexpr (std::endian::native == std::endian::little) {
        // Right-aligned numbers: their leading blanks are skipped eight at a time.
        for (uint64_t word; end - p >= 8; p += 8) {
            std::memcpy(&word, p, sizeof word);
            if (const uint64_t other = word ^ 0x2020202020202020u; other != 0) {
                p += std::countr_zero(other) / 8;
                break;
            }
        }
    }
    while (p != end && *p == ' ') ++p;
    if (end - p > 15) return false;
    uint64_t whole = 0;
    if constexpr (std::endian::native == std::endian::little) {
        if (text.size() >= 8) {
            // The digits before the text's last eight bytes one by one, then those eight at
            // once, the blanks among them read as the digit zero.
            const char* const last = end - 8;
            for (; p < last; ++p) {
                const unsigned digit = static_cast<unsigned char>(*p) - 0x30u;
                if (digit > 9) return false;
                whole = whole * 10 + digit;
            }
            uint64_t word;
            std::memcpy(&word, last, sizeof word);
            if (const auto blankBits = static_cast<unsigned>(p - last) * 8; blankBits != 0) {
                const uint64_t blanks = blankBits == 64 ? ~uint64_t{0} : (uint64_t{1} << blankBits) - 1;
                word = (word & ~blanks) | (0x3030303030303030u & blanks);
            }
            // A byte outside '0' to '9' sets its top bit in one of the two.
            if ((((word + 0x4646464646464646u) | (word - 0x3030303030303030u)) & 0x8080808080808080u) != 0) return false;
            word -= 0x3030303030303030u;
            word = word * 10 + (word >> 8);
            word = (((word & 0x000000FF000000FFu) * (100 + (uint64_t{1000000} << 32))) +
                    (((word >> 16) & 0x000000FF000000FFu) * (1 + (uint64_t{10000} << 32)))) >> 32;
            value = static_cast<int64_t>(whole * 100000000u + static_cast<uint32_t>(word));
            return true;
        }
    }
    for (; p != end; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - 0x30u;
        if (digit > 9) return false;
        whole = whole * 10 + digit;
    }
    value = static_cast<int64_t>(whole);
    return true;
}

// Range checks for counters and offsets: raise "Overflow" when value does not fit.
int16_t CheckInt16(int64_t value);
int32_t CheckInt32(int64_t value);

// A number as plain decimal text: no grouping, no exponent for whole numbers,
// at most 15 significant digits otherwise.
std::string NumberText(double value);
std::string NumberText(int64_t value);
inline std::string NumberText(int32_t value) { return NumberText(static_cast<int64_t>(value)); }
inline std::string NumberText(int16_t value) { return NumberText(static_cast<int64_t>(value)); }
// The same text written over out, whose buffer is reused.
void AssignNumberText(std::string& out, double value);
void AssignNumberText(std::string& out, int64_t value);

// Blank trimming trims spaces only, as the old runtime did.
std::string Trim(std::string_view text);
std::string LTrim(std::string_view text);
std::string RTrim(std::string_view text);
// The same, as views of the text. Inline: the imports trim every text field of every
// line, most of them padded with blanks, which are skipped eight at a time.
inline std::string_view RTrimView(std::string_view text) {
    constexpr uint64_t kEightBlanks = 0x2020202020202020u;
    const char* const begin = text.data();
    const char* end = begin + text.size();
    for (uint64_t word; end - begin >= 8; end -= 8) {
        std::memcpy(&word, end - 8, sizeof word);
        if (word == kEightBlanks) continue;
        if constexpr (std::endian::native == std::endian::little) {
            // The blanks at the end of the word are its highest bytes that are blanks.
            end -= std::countl_zero(word ^ kEightBlanks) / 8;
            return std::string_view(begin, static_cast<size_t>(end - begin));
        }
        break;
    }
    while (end != begin && end[-1] == ' ') --end;
    return std::string_view(begin, static_cast<size_t>(end - begin));
}
inline std::string_view TrimView(std::string_view text) {
    // The trailing blanks first: a blank text is then empty at once.
    text = RTrimView(text);
    size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    return text.substr(start);
}

// Letter case in Windows-1252.
char UpperChar(char c);
char LowerChar(char c);
std::string UCase(std::string_view text);
std::string LCase(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Hash and equality that ignore letter case, for keyed lookups without allocation.
struct NoCaseHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const noexcept;
};
struct NoCaseEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept { return EqualsNoCase(a, b); }
};

// Split at every occurrence of a non-empty separator; always yields at least one piece.
std::vector<std::string> Split(std::string_view text, std::string_view separator);
std::string Join(const std::vector<std::string>& pieces, std::string_view separator);
// Every occurrence of find (non-empty) replaced by replacement.
std::string Replace(std::string_view text, std::string_view find, std::string_view replacement);

bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);

} // namespace dovrex
