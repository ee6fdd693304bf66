#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace dovrex::pdf_literal {

// A byte that a literal string holds as it is: printable ASCII or DEL (32 to 127), but for the
// parentheses and the backslash, which it escapes.
constexpr bool IsPlain(unsigned char byte) {
    return byte >= 32 && byte < 128 && byte != '(' && byte != ')' && byte != '\\';
}

namespace detail {

// Sixteen bytes as signed numbers, compared all at once (SSE2 on x86-64; the compiler writes
// plain code where there is no such unit).
using Bytes16 = signed char __attribute__((vector_size(16)));

// Whether one of the sixteen bytes of two words is not plain: as signed numbers, those from
// 128 are below 32 with the control bytes; '(' and ')' differ in their low bit only, so one
// comparison finds both.
inline bool AnyNotPlain(uint64_t low, uint64_t high) {
    const uint64_t words[2] = {low, high};
    Bytes16 bytes;
    std::memcpy(&bytes, words, 16);
    const Bytes16 notPlain = (bytes < ' ') | ((bytes | 1) == ')') | (bytes == '\\');
    uint64_t found[2];
    std::memcpy(found, &notPlain, 16);
    return (found[0] | found[1]) != 0;
}

inline uint64_t Load8(const char* from) {
    uint64_t word;
    std::memcpy(&word, from, 8);
    return word;
}

inline uint32_t Load4(const char* from) {
    uint32_t word;
    std::memcpy(&word, from, 4);
    return word;
}

} // namespace detail

// Copies size bytes to room that does not overlap them and tells whether all of them are
// plain. Reads and writes those bytes only, sixteen (or eight, or four) at a time, the last
// ones overlapping those before: a text of up to 16 bytes is checked at once.
inline bool CopyPlain(char* to, const char* from, size_t size) {
    using namespace detail;
    if (size > 16) {
        bool notPlain = false;
        for (size_t i = 0; i + 16 < size; i += 16) {
            const uint64_t low = Load8(from + i), high = Load8(from + i + 8);
            std::memcpy(to + i, &low, 8);
            std::memcpy(to + i + 8, &high, 8);
            notPlain |= AnyNotPlain(low, high);
        }
        const uint64_t low = Load8(from + size - 16), high = Load8(from + size - 8);
        std::memcpy(to + size - 16, &low, 8);
        std::memcpy(to + size - 8, &high, 8);
        return !(notPlain | AnyNotPlain(low, high));
    }
    if (size >= 8) {
        const uint64_t first = Load8(from), last = Load8(from + size - 8);
        std::memcpy(to, &first, 8);
        std::memcpy(to + size - 8, &last, 8);
        return !AnyNotPlain(first, last);
    }
    if (size >= 4) {
        const uint32_t first = Load4(from), last = Load4(from + size - 4);
        std::memcpy(to, &first, 4);
        std::memcpy(to + size - 4, &last, 4);
        const uint64_t word = first | uint64_t{last} << 32;
        return !AnyNotPlain(word, word);
    }
    if (size == 0) return true;
    // One to three bytes: the first, the middle and the last, repeated to fill the words.
    const auto first = static_cast<unsigned char>(from[0]);
    const auto middle = static_cast<unsigned char>(from[size / 2]);
    const auto last = static_cast<unsigned char>(from[size - 1]);
    to[0] = static_cast<char>(first);
    to[size / 2] = static_cast<char>(middle);
    to[size - 1] = static_cast<char>(last);
    const uint64_t bytes = first | uint64_t{middle} << 8 | uint64_t{last} << 16 | uint64_t{first} << 24;
    return !AnyNotPlain(bytes | bytes << 32, bytes | bytes << 32);
}

} // namespace dovrex::pdf_literal
