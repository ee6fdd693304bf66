#pragma once

#include "platform/DateTime.h"
#include "platform/IMessageBox.h"
#include "platform/Value.h"
#include "ShortCopy.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace dovrex {

// One column range of a fixed-width record and the conversion between its column text
// and a typed value.
class clsField {
public:
    // Field kind codes (FieldType).
    enum FieldKind : int16_t {
        ftText = 8,         // column text unchanged; written as the leftmost characters
        ftZeroFilled = -3,  // whole number written with FieldLen zero digits
        ftDate = 7,         // mmddyy (width 6) or mmddyyyy (width 8)
        ftTime = -4,        // hhnn (width 4) or hhnnss (width 6)
        ftInteger = 2,      // 16-bit
        ftLong = 3,         // 32-bit
        ftSingle = 4,
        ftDouble = 5,
        ftAmount = -2,      // digits, a point and two decimals
    };

    // Raises "Invalid procedure call" for a first column below 1 or a negative width.
    clsField(std::string FieldName, int16_t FieldType, int16_t FieldPos, int16_t FieldLen,
             IMessageBox* messages = nullptr);

    const std::string& FieldName() const { return mFieldName; }
    int16_t FieldType() const { return mFieldType; }
    int16_t FieldPos() const { return mFieldPos; }
    int16_t FieldLen() const { return mFieldLen; }

    // The typed value of this field's columns of Buffer. Columns past the end of the line
    // are missing characters; text that cannot be converted gives the kind's default.
    dovrex::Value Extract(std::string_view Buffer) const;
    // Extract(Buffer).ToNumber(), without building the value for the common kinds.
    double ExtractNumber(std::string_view Buffer) const {
        // Most number columns hold digits only, which read as they stand; a zero-filled
        // number past the 32-bit range reads as 0, as Extract gives it.
        if (mFieldType == ftText || mFieldType == ftZeroFilled) {
            if (const auto digits = PlainDigits(Columns(Buffer))) {
                return mFieldType == ftZeroFilled && *digits > 2147483647 ? 0 : static_cast<double>(*digits);
            }
        }
        return ExtractOtherNumber(Buffer);
    }
    // Reads the number of eight digit characters in the bytes of a word, the first character
    // in its lowest byte (as a little-endian machine reads them from a text); false when a
    // byte is not a digit.
    [[gnu::always_inline]] static bool ReadEightDigits(uint64_t word, int64_t& number) {
        constexpr uint64_t kOnes = 0x0101010101010101u;
        // Every byte from 0x30 to 0x39: high half 3, and still 3 with 6 added.
        if ((word & (kOnes * 0xF0)) != kOnes * 0x30 || ((word + kOnes * 6) & (kOnes * 0xF0)) != kOnes * 0x30) {
            return false;
        }
        word -= kOnes * '0';
        word = word * 10 + (word >> 8); // two-digit numbers in the even bytes
        word = (((word & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
                (((word >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >> 32;
        number = static_cast<int64_t>(word);
        return true;
    }
    // The number of a text of 1 to 15 digits (as the lenient parse reads it, exactly);
    // nothing for any other text.
    static std::optional<int64_t> PlainDigits(std::string_view text) {
        if (text.empty() || text.size() > 15) return std::nullopt;
        const char* c = text.data();
        const char* const end = c + text.size();
        int64_t number = 0;
        if constexpr (std::endian::native == std::endian::little) {
            // Eight digits at a time: the first character is the word's lowest byte.
            if (text.size() >= 8) {
                uint64_t word;
                std::memcpy(&word, c, 8);
                if (!ReadEightDigits(word, number)) return std::nullopt;
                c += 8;
            }
        }
        for (; c != end; ++c) {
            const uint32_t digit = static_cast<uint32_t>(static_cast<unsigned char>(*c)) - '0';
            if (digit > 9) return std::nullopt;
            number = number * 10 + digit;
        }
        return number;
    }
    // This field's columns of Buffer, fewer or none where it ends earlier.
    std::string_view Columns(std::string_view Buffer) const {
        const size_t start = static_cast<size_t>(mFieldPos) - 1;
        return start < Buffer.size() ? Buffer.substr(start, static_cast<size_t>(mFieldLen)) : std::string_view();
    }
    // For a zero-filled field whose columns are 1 to 9 digits: the text of the number
    // Extract reads from them (the digits without leading zeros, or "0"), as a view of
    // Buffer. Empty for any other field or columns.
    std::string_view PlainWholeText(std::string_view Buffer) const {
        if (mFieldType != ftZeroFilled) return {};
        const std::string_view col = Columns(Buffer);
        if (col.empty() || col.size() > 9) return {};
        size_t first = col.size();
        for (size_t i = 0; i < col.size(); ++i) {
            const char c = col[i];
            if (c < '0' || c > '9') return {};
            if (c != '0' && first == col.size()) first = i;
        }
        return first == col.size() ? col.substr(col.size() - 1) : col.substr(first);
    }
    // Writes the value into this field's columns of Buffer, which grows with blanks as
    // needed. Raises when the value cannot be formatted for the kind.
    void Insert(std::string& Buffer, const dovrex::Value& NewValue) const;
    // As Insert of the value the view stands for, without building it for the common kinds.
    void Insert(std::string& Buffer, const ValueView& NewValue) const;
    // Insert for the common kinds of value, which cannot fail; false (and Buffer
    // untouched) when the value has to be formatted first.
    bool TryInsert(std::string& Buffer, const ValueView& NewValue) const;
    // Insert of a date for the date kinds that write its digits (widths 6 and 8); false
    // (and Buffer untouched) for any other field or a date whose digits need formatting.
    bool TryInsertDate(std::string& Buffer, const DateTime& Date) const;
    // True when the kind writes a text as it stands (cut or padded to the width).
    bool KeepsText() const { return mKeepsText; }
    // True when the kind writes a whole number as zero-filled digits that PlaceWhole gives.
    bool ZeroFillsWhole() const { return mZeroFillsWhole; }
    // A text written as the kinds that KeepsText write it, into a line that already
    // holds this field's columns.
    void PlaceText(std::string& Line, std::string_view Text) const {
        char* at = Line.data() + (mFieldPos - 1);
        const size_t width = static_cast<size_t>(mFieldLen);
        const size_t length = std::min(Text.size(), width);
        if (length != 0) std::memcpy(at, Text.data(), length);
        if (length != width) std::memset(at + length, ' ', width - length);
    }
    // PlaceText written out at the caller, without library calls for the few bytes most
    // columns take: for writers that place a whole line of texts at once (RecordLine).
    // Callers with many other paths keep PlaceText, which leaves them small enough to be
    // written out at theirs.
    [[gnu::always_inline]] void PlaceTextInline(std::string& Line, std::string_view Text) const {
        char* at = Line.data() + (mFieldPos - 1);
        const size_t width = static_cast<size_t>(mFieldLen);
        const size_t length = std::min(Text.size(), width);
        CopyShort(at, Text.data(), length);
        FillShort(at + length, ' ', width - length);
    }
    // For a field that ZeroFillsWhole, into a line that already holds its columns: a text
    // of 1 to 15 digits, no more than the width, written as PlaceWhole writes its number
    // (right-aligned in zeros, which the text's own leading zeros continue). False, and
    // the line untouched, for any other text.
    [[gnu::always_inline]] bool PlaceDigits(std::string& Line, std::string_view Text) const {
        const size_t width = static_cast<size_t>(mFieldLen);
        const size_t length = Text.size();
        if (length == 0 || length > width || length > 15) return false;
        for (const char c : Text) {
            if (c < '0' || c > '9') return false;
        }
        char* at = Line.data() + (mFieldPos - 1);
        FillShort(at, '0', width - length);
        CopyShort(at + (width - length), Text.data(), length);
        return true;
    }
    // A whole number written as the kinds that ZeroFillsWhole write it, into a line that
    // already holds this field's columns.
    void PlaceWhole(std::string& Line, int64_t Number) const;
    // The column text of a value before it is cut or padded to the width.
    std::string Format(const dovrex::Value& NewValue) const;

    // The date (and time) of the value 0: 30 December 1899, midnight. Date fields read
    // it for "no date" and write it as zeros; time fields read it for midnight.
    static DateTime ZeroDate() { return DateTime{1899, 12, 30, 0, 0, 0}; }
    // A date text read month first: m/d/yy or m/d/yyyy (two-digit years 30-99 are 19xx,
    // 00-29 are 20xx), or yyyy-mm-dd with an optional hh:mm:ss. Nothing when no valid date.
    static std::optional<DateTime> DateFromText(std::string_view text);
    // A time of day h:n or h:n:s on the zero date. Nothing when no valid time.
    static std::optional<DateTime> TimeFromText(std::string_view text);

private:
    void UndefinedKind() const;
    // ExtractNumber of the columns that are not plain digits, and of the other kinds.
    double ExtractOtherNumber(std::string_view Buffer) const;

    std::string mFieldName;
    int16_t mFieldType;
    int16_t mFieldPos;
    int16_t mFieldLen;
    bool mKeepsText;      // ftText, ftLong, ftSingle, ftDouble and ftTime
    bool mZeroFillsWhole; // ftZeroFilled and ftInteger up to 20 columns wide
    IMessageBox* mMessages;
};

} // namespace dovrex
