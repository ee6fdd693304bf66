#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace dovrex {

// Copies n bytes, a text of a few characters, without calling out for it.
[[gnu::always_inline]] inline void CopyShort(char* out, const char* in, size_t n) {
    // Most packed values and many columns are one-character flags or empty.
    if (n <= 1) {
        if (n == 1) *out = *in;
    } else if (n > 16) {
        std::memcpy(out, in, n);
    } else if (n >= 8) {
        // Two copies of eight that overlap in the middle.
        std::memcpy(out, in, 8);
        std::memcpy(out + n - 8, in + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(out, in, 4);
        std::memcpy(out + n - 4, in + n - 4, 4);
    } else {
        std::memcpy(out, in, 2);
        std::memcpy(out + n - 2, in + n - 2, 2);
    }
}

// Sets n bytes to fill, as memset does, without calling out for a few.
[[gnu::always_inline]] inline void FillShort(char* out, char fill, size_t n) {
    if (n > 16) {
        std::memset(out, fill, n);
    } else if (n >= 8) {
        const uint64_t word = 0x0101010101010101u * static_cast<unsigned char>(fill);
        std::memcpy(out, &word, 8);
        std::memcpy(out + n - 8, &word, 8);
    } else if (n >= 4) {
        const uint32_t word = 0x01010101u * static_cast<unsigned char>(fill);
        std::memcpy(out, &word, 4);
        std::memcpy(out + n - 4, &word, 4);
    } else if (n != 0) {
        // 1 to 3 bytes: the first, the middle and the last.
        out[0] = fill;
        out[n / 2] = fill;
        out[n - 1] = fill;
    }
}

} // namespace dovrex
