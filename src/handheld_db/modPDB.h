#pragma once

// Byte helpers shared by the containers and the typed record layer: big-endian
// numbers and one-byte-per-character texts.

#include "platform/RuntimeError.h"
#include "platform/Value.h"
#include "platform/modRuntime.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace dovrex {

// A big-endian array of 1, 2 or 4 bytes as a signed 32-bit number; a 4-byte value
// with its top bit set does not fit and gives 0.
// Inline: the record readers decode every number field of every record through it.
inline int32_t BytesToLong(std::string_view bytes) {
    uint32_t value = 0;
    for (const char c : bytes) value = (value << 8) | static_cast<unsigned char>(c);
    if (bytes.size() >= 4 && (value & 0x80000000u) != 0) return 0;
    return static_cast<int32_t>(value);
}

// Fills size (1, 2 or 4) bytes from a value. Numbers are rounded half to even and
// stored big-endian: the top byte of a 4-byte array is value / 16777216 (integer
// division, which raises "Overflow" below -16777215), the rest are the low bits.
// A text is stored as its bytes, NUL-filled or cut to size. Empty stores zeros.
std::string ValueToBytes(const Value& value, size_t size);
// The same, written over size bytes at out.
void WriteValueBytes(const Value& value, size_t size, char* out);
// The same for a text, and (below) for a whole number checked against the 32-bit range.
void WriteTextBytes(std::string_view text, size_t size, char* out);
// Inline: the record writers store every number field of every record through it. A
// value that does not fit raises before any byte is written.
inline void WriteIntegerBytes(int64_t number, size_t size, char* out) {
    number = CheckInt32(number);
    if (size == 4) {
        // Integer division truncates toward zero; the quotient must fit a byte.
        const int64_t top = number / 16777216;
        if (top < 0 || top > 255) RaiseError(ErrOverflow);
        out[0] = static_cast<char>(top);
        out[1] = static_cast<char>((number >> 16) & 0xFF);
        out[2] = static_cast<char>((number >> 8) & 0xFF);
        out[3] = static_cast<char>(number & 0xFF);
    } else if (size == 2) {
        out[0] = static_cast<char>((number >> 8) & 0xFF);
        out[1] = static_cast<char>(number & 0xFF);
    } else if (size == 1) {
        out[0] = static_cast<char>(number & 0xFF);
    } else {
        std::fill(out, out + size, '\0');
    }
}

// Big-endian helpers for the container layouts.
std::string BigEndian16(uint32_t value);
std::string BigEndian32(uint32_t value);
uint32_t ReadBigEndian16(std::string_view bytes, size_t offset);
uint32_t ReadBigEndian32(std::string_view bytes, size_t offset);

// One character per byte; the core's texts are byte strings already.
inline std::string BytesToString(std::string_view bytes) { return std::string(bytes); }

} // namespace dovrex
