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

constexpr uint64_t Ones = 0x0101010101010101;

// Nonzero when one of the word's eight bytes is not plain, zero when all are. Bytes below 32
// borrow when 32 is taken from each (a borrow only reaches bytes above one that is not plain),
// bytes from 128 have the high bit already, and the escaped bytes are the zero bytes of the
// word compared with them: '(' and ')' differ in their low bit only, so one comparison finds
// both.
constexpr uint64_t NotPlain(uint64_t word) {
    const uint64_t parenthesis = (word | Ones) ^ (Ones * ')');
    const uint64_t backslash = word ^ (Ones * '\\');
    const uint64_t zeros = ((parenthesis - Ones) & ~parenthesis) | ((backslash - Ones) & ~backslash);
    return ((word - Ones * ' ') | word | zeros) & (Ones * 0x80);
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
// plain. Reads and writes those bytes only, eight (or four) at a time, the last eight
// overlapping the ones before: a text of up to 16 bytes is checked in one or two words.
inline bool CopyPlain(char* to, const char* from, size_t size) {
    using namespace detail;
    if (size > 16) {
        uint64_t notPlain = 0;
        for (size_t i = 0; i + 8 < size; i += 8) {
            const uint64_t word = Load8(from + i);
            std::memcpy(to + i, &word, 8);
            notPlain |= NotPlain(word);
        }
        const uint64_t last = Load8(from + size - 8);
        std::memcpy(to + size - 8, &last, 8);
        return (notPlain | NotPlain(last)) == 0;
    }
    if (size >= 8) {
        const uint64_t first = Load8(from), last = Load8(from + size - 8);
        std::memcpy(to, &first, 8);
        std::memcpy(to + size - 8, &last, 8);
        return (NotPlain(first) | NotPlain(last)) == 0;
    }
    if (size >= 4) {
        const uint32_t first = Load4(from), last = Load4(from + size - 4);
        std::memcpy(to, &first, 4);
        std::memcpy(to + size - 4, &last, 4);
        return NotPlain(first | uint64_t{last} << 32) == 0;
    }
    if (size == 0) return true;
    // One to three bytes: the first, the middle and the last, repeated to fill the word.
    const auto first = static_cast<unsigned char>(from[0]);
    const auto middle = static_cast<unsigned char>(from[size / 2]);
    const auto last = static_cast<unsigned char>(from[size - 1]);
    to[0] = static_cast<char>(first);
    to[size / 2] = static_cast<char>(middle);
    to[size - 1] = static_cast<char>(last);
    const uint64_t bytes = first | uint64_t{middle} << 8 | uint64_t{last} << 16 | uint64_t{first} << 24;
    return NotPlain(bytes | bytes << 32) == 0;
}

} // namespace dovrex::pdf_literal
