#pragma once

// Eight bytes of a text at a time, for the scans that run over every byte of a large
// file: which bytes of a 64-bit word are zero, and a byte repeated over a word.

#include <cstdint>

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

} // namespace dovrex
