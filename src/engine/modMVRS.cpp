#include "modMVRS.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace dovrex {

namespace {

// How many characters of a text are "~" or NUL, eight at a time.
size_t CountRare(std::string_view text) {
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kLow7 = kOnes * 0x7F;
    // The top bit of every byte of x that is zero, and of no other.
    const auto zeros = [](uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); };
    // One bit per rare character, summed into the top byte.
    const auto count = [&](uint64_t word) {
        return static_cast<size_t>((((zeros(word) | zeros(word ^ (kOnes * '~'))) >> 7) * kOnes) >> 56);
    };
    size_t rare = 0;
    size_t at = 0;
    for (; at + 8 <= text.size(); at += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        rare += count(word);
    }
    if (at < text.size()) {
        uint64_t word = kOnes * ' ';
        std::memcpy(&word, text.data() + at, text.size() - at);
        rare += count(word);
    }
    return rare;
}

} // namespace

bool CopyNotingRare(char* out, std::string_view text) {
    const size_t n = text.size();
    const char* in = text.data();
    if (n < 16) {
        bool rare = false;
        for (size_t i = 0; i != n; ++i) {
            out[i] = in[i];
            rare |= in[i] == '~' || in[i] == '\0';
        }
        return rare;
    }
    // Sixteen bytes at a time (a GCC vector; plain code where the machine has no such
    // registers), the last sixteen overlapping those before when the length is not a multiple.
    using Bytes = signed char __attribute__((vector_size(16)));
    const Bytes tilde = Bytes{} + static_cast<signed char>('~');
    Bytes seen{};
    const auto copy = [&](size_t at) {
        Bytes bytes;
        std::memcpy(&bytes, in + at, sizeof bytes);
        std::memcpy(out + at, &bytes, sizeof bytes);
        seen |= (bytes == tilde) | (bytes == Bytes{});
    };
    for (size_t at = 0; at + 16 <= n; at += 16) copy(at);
    if (n % 16 != 0) copy(n - 16);
    uint64_t halves[2];
    std::memcpy(halves, &seen, sizeof halves);
    return (halves[0] | halves[1]) != 0;
}

void MendPacked(char* begin, char* end) {
    for (char* c = begin; c != end; ++c) {
        if (*c == '~') *c = '-';
        else if (*c == '\0') *c = '\x01';
    }
}

std::string PackUser(std::initializer_list<std::string_view> Values) {
    std::string packed;
    PackUser(packed, Values);
    return packed;
}

void PackUser(std::string& packed, std::initializer_list<std::string_view> Values, bool MayHoldRare) {
    // A buffer kept for texts of one kind mostly keeps its size: no bytes to fill first.
    packed.resize(PackedSize(Values));
    PackUserInto(packed.data(), Values, MayHoldRare);
}

size_t PackedSize(std::initializer_list<std::string_view> Values) {
    size_t size = Values.size();
    for (std::string_view value : Values) size += value.size();
    return size > 0 ? size - 1 : 0;
}

void PackUserInto(char* const packed, std::initializer_list<std::string_view> Values, bool MayHoldRare) {
    // CombineUser, written out so that a meter's texts are packed without copies.
    char* out = packed;
    bool first = true;
    for (std::string_view value : Values) {
        if (!first) *out++ = '~';
        first = false;
        CopyShort(out, value.data(), value.size());
        out += value.size();
    }
    // Rare characters: one look through the whole text, where the separators are all
    // there is of them unless a value needs mending.
    if (!MayHoldRare ||
        CountRare(std::string_view(packed, static_cast<size_t>(out - packed))) + 1 == std::max<size_t>(Values.size(), 1)) {
        return;
    }
    out = packed;
    first = true;
    for (std::string_view value : Values) {
        if (!first) ++out;
        first = false;
        MendPacked(out, out + value.size());
        out += value.size();
    }
}

std::string ScheduledDateText(const DateTime& date) { return FormatDateTime(date, "MM/dd/yyyy"); }

} // namespace dovrex
