#include "modMVRS.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace dovrex {

namespace {

// How many characters of a text are "~", and whether one is a NUL: eight at a time.
struct RareCharacters {
    size_t Tildes = 0;
    bool Nul = false;
};

RareCharacters FindRare(std::string_view text) {
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kLow7 = kOnes * 0x7F;
    // The top bit of every byte of x that is zero, and of no other.
    const auto zeros = [](uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); };
    uint64_t nul = 0;
    size_t tildes = 0;
    const auto scan = [&](uint64_t word) {
        nul |= zeros(word);
        // One bit per "~", summed into the top byte.
        tildes += static_cast<size_t>(((zeros(word ^ (kOnes * '~')) >> 7) * kOnes) >> 56);
    };
    size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        scan(word);
    }
    if (at < text.size()) {
        uint64_t word = kOnes * ' ';
        std::memcpy(&word, text.data() + at, text.size() - at);
        scan(word);
    }
    return {tildes, nul != 0};
}

} // namespace

std::string PackUser(std::initializer_list<std::string_view> Values) {
    std::string packed;
    PackUser(packed, Values);
    return packed;
}

void PackUser(std::string& packed, std::initializer_list<std::string_view> Values) {
    // CombineUser, written out so that a meter's texts are packed without copies.
    size_t size = Values.size();
    for (std::string_view value : Values) size += value.size();
    packed.assign(size > 0 ? size - 1 : 0, '~');
    char* out = packed.data();
    bool first = true;
    for (std::string_view value : Values) {
        if (!first) ++out; // the "~" between two values is already there
        first = false;
        value.copy(out, value.size());
        out += value.size();
    }
    // Rare characters: one look through the whole text before mending the values.
    const RareCharacters rare = FindRare(packed);
    if (rare.Tildes + 1 == std::max<size_t>(Values.size(), 1) && !rare.Nul) return;
    out = packed.data();
    first = true;
    for (std::string_view value : Values) {
        if (!first) ++out;
        first = false;
        for (char* c = out; c != out + value.size(); ++c) {
            if (*c == '~') *c = '-';
            else if (*c == '\0') *c = '\x01';
        }
        out += value.size();
    }
}

std::string ScheduledDateText(const DateTime& date) { return FormatDateTime(date, "MM/dd/yyyy"); }

} // namespace dovrex
