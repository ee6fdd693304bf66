#pragma once

// Eight bytes of a text at a time, for the scans that run over every byte of a large
// file: which bytes of a 64-bit word are zero, and a byte repeated over a word.

#include <cstdint>
#include <cstring>
#include <string_view>

namespace dovrex {

// The top bit of each zero byte of v is set (and perhaps of bytes above the lowest zero
// byte: the lowest set bit is exact, and the result is 0 exactly when no byte is zero).
constexpr uint64_t ZeroBytes(uint64_t v) { return (v - 0x0101010101010101u) & ~v & 0x8080808080808080u; }

// The top bit of each zero byte of v, and of no other byte.
constexpr uint64_t ExactZeroBytes(uint64_t v) {
    return ~(((v & 0x7F7F7F7F7F7F7F7Fu) + 0x7F7F7F7F7F7F7F7Fu) | v | 0x7F7F7F7F7F7F7F7Fu);
}

// The byte c in each of the eight bytes of a word.
constexpr uint64_t SpreadByte(char c) { return 0x0101010101010101u * static_cast<unsigned char>(c); }

// Whether a text holds a 'D', 'E', 'd' or 'e' (an exponent letter of a number): the four
// codes that are 'e' once the lower-case bit and the lowest bit are set. Meant for short
// texts such as a number's: read as words of eight (or two overlapping words of four)
// bytes, the last word overlapping the one before, never past the text's end.
inline bool HasExponentLetter(std::string_view text) {
    const char* const p = text.data();
    const size_t n = text.size();
    const auto found = [](uint64_t word) { return ZeroBytes((word | SpreadByte(0x21)) ^ SpreadByte('e')) != 0; };
    if (n >= 8) {
        uint64_t word;
        for (size_t i = 0; i + 8 < n; i += 8) {
            std::memcpy(&word, p + i, sizeof word);
            if (found(word)) return true;
        }
        std::memcpy(&word, p + n - 8, sizeof word);
        return found(word);
    }
    if (n >= 4) {
        uint32_t low, high;
        std::memcpy(&low, p, sizeof low);
        std::memcpy(&high, p + n - 4, sizeof high);
        return found(low | static_cast<uint64_t>(high) << 32);
    }
    bool exponent = false;
    for (size_t i = 0; i < n; ++i) exponent |= (p[i] | 0x21) == 'e';
    return exponent;
}

} // namespace dovrex
