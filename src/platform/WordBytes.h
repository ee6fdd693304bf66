#pragma once

// Eight bytes of a text at a time, for the scans that run over every byte of a large
// file: which bytes of a 64-bit word are zero, and a byte repeated over a word. And 64
// bytes at a time: which of them are each of three values, as one bit a byte.

#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// HasExponentLetter of a text of at least 16 bytes, as blocks of sixteen with SSE2 (a
// span of a line, say), the last block overlapping the one before, never past the text's
// end; out of line (in modRuntime.cpp), so that the short texts' test stays small.
bool HasExponentLetterInBlocks(std::string_view text);
#endif

// Whether a text holds a 'D', 'E', 'd' or 'e' (an exponent letter of a number): the four
// codes that are 'e' once the lower-case bit and the lowest bit are set. Meant for short
// texts such as a number's: read as words of eight (or two overlapping words of four)
// bytes, the last word overlapping the one before, never past the text's end.
[[gnu::always_inline]] inline bool HasExponentLetter(std::string_view text) {
    const char* const p = text.data();
    const size_t n = text.size();
    const auto found = [](uint64_t word) { return ZeroBytes((word | SpreadByte(0x21)) ^ SpreadByte('e')) != 0; };
    if (n >= 8) {
#if defined(__SSE2__)
        if (n >= 16) return HasExponentLetterInBlocks(text);
#endif
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

// Which of 64 bytes are a, b and c: bit k of each mask stands for byte k.
struct ByteMatches {
    uint64_t A = 0, B = 0, C = 0;
};

// The matches of the 64 bytes from p (all of them readable), sixteen at a time with SSE2
// (part of every x86-64 processor), else one at a time.
inline ByteMatches MatchBytes64(const char* p, char a, char b, char c) {
    ByteMatches found;
#if defined(__SSE2__)
    const __m128i spreadA = _mm_set1_epi8(a), spreadB = _mm_set1_epi8(b), spreadC = _mm_set1_epi8(c);
    const auto sixteen = [&](int k) __attribute__((always_inline)) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const auto mask = [&](__m128i spread) __attribute__((always_inline)) {
            return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, spread))))
                   << (16 * k);
        };
        found.A |= mask(spreadA);
        found.B |= mask(spreadB);
        found.C |= mask(spreadC);
    };
    sixteen(0);
    sixteen(1);
    sixteen(2);
    sixteen(3);
#else
    for (int k = 0; k < 64; ++k) {
        const uint64_t bit = uint64_t{1} << k;
        if (p[k] == a) found.A |= bit;
        if (p[k] == b) found.B |= bit;
        if (p[k] == c) found.C |= bit;
    }
#endif
    return found;
}

// Bit k of the result is the parity of bits 0 to k of x: over the mask of a text's quotes,
// whether byte k lies after an odd number of them (an opening quote counts as inside).
constexpr uint64_t PrefixXor(uint64_t x) {
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}

} // namespace dovrex
