#pragma once

#include <cmath>
#include <cstdint>

namespace dovrex::pdf_numbers {

// std::llround without the library call for the values a page takes (|value| < 2^62): the
// fraction that truncation leaves is exact, so halves round away from zero as llround does.
// Other values (huge ones, not-a-number) go to llround itself.
inline int64_t RoundToInteger(double value) {
    if (!(std::fabs(value) < 0x1p62)) return std::llround(value);
    auto whole = static_cast<int64_t>(value);
    const double fraction = value - static_cast<double>(whole);
    if (fraction >= 0.5) {
        ++whole;
    } else if (fraction <= -0.5) {
        --whole;
    }
    return whole;
}

// A number given in 10^-Decimals units (Decimals 1 to 3), written into room the caller has
// made with no trailing zeros (1.5, -0.25, 12): at most 24 bytes. Returns the end of what it
// wrote.
template <int Decimals>
char* PutFixed(char* at, int64_t value) {
    static_assert(Decimals >= 1 && Decimals <= 3);
    constexpr int64_t Unit = Decimals == 1 ? 10 : Decimals == 2 ? 100 : 1000;
    // The magnitude as unsigned, so that the most negative value has one too.
    uint64_t magnitude = static_cast<uint64_t>(value);
    if (value < 0) {
        *at++ = '-';
        magnitude = 0 - magnitude;
    }
    uint64_t whole = magnitude / Unit;
    auto fraction = static_cast<uint32_t>(magnitude % Unit);
    char digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    while (count > 0) *at++ = digits[--count];
    if (fraction != 0) {
        *at++ = '.';
        char decimals[Decimals];
        for (int i = Decimals - 1; i >= 0; --i) {
            decimals[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        int kept = Decimals;
        while (decimals[kept - 1] == '0') --kept;
        for (int i = 0; i < kept; ++i) *at++ = decimals[i];
    }
    return at;
}

} // namespace dovrex::pdf_numbers
