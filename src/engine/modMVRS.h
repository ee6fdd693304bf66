#pragma once

// How the MVRS route import packs download values into the texts of the route database
// that the reading export unpacks again.

#include "platform/DateTime.h"
#include "platform/modRuntime.h"

#include "billing/ShortCopy.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace dovrex {

// The values joined with "~" (CombineUser). A "~" inside a value would split it in two
// when unpacked and move every later value to the wrong place, so it is carried as "-".
std::string PackUser(std::initializer_list<std::string_view> Values);
// As PackUser, into Packed (replacing what it held), so that a caller reuses one buffer.
// MayHoldRare false: the caller knows that no value holds "~" or NUL, and nothing is looked for.
void PackUser(std::string& Packed, std::initializer_list<std::string_view> Values, bool MayHoldRare = true);
// The length of the text PackUser makes of Values.
size_t PackedSize(std::initializer_list<std::string_view> Values);
// As PackUser, into room for PackedSize(Values) bytes at Out: a text packed where it is kept.
void PackUserInto(char* Out, std::initializer_list<std::string_view> Values, bool MayHoldRare = true);

// Copies text to out (room for text.size() bytes), telling whether it holds a "~" or NUL,
// the characters that packing has to mend.
bool CopyNotingRare(char* out, std::string_view text);
// Mends a value packed at [begin, end): "~" as "-", NUL as the byte 1.
void MendPacked(char* begin, char* end);

// A scheduled date as the text packed into a route record: mm/dd/yyyy.
std::string ScheduledDateText(const DateTime& date);

// A number kept in a 16- or 32-bit working value; one that does not fit leaves 0.
template <class Int> Int Fitting(double value) {
    // Whole numbers in range, the common case, need no rounding.
    if (value >= static_cast<double>(std::numeric_limits<Int>::min()) &&
        value <= static_cast<double>(std::numeric_limits<Int>::max()) &&
        static_cast<double>(static_cast<Int>(value)) == value) {
        return static_cast<Int>(value);
    }
    if (!std::isfinite(value)) return 0;
    const double rounded = RoundHalfEven(value);
    if (rounded < std::numeric_limits<Int>::min() || rounded > std::numeric_limits<Int>::max()) return 0;
    return static_cast<Int>(rounded);
}

} // namespace dovrex
