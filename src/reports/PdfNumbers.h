#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

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

// The fractions of a unit of 10^-Decimals, each as the point and its digits without trailing
// zeros (none at all for 0): Text[f] holds Length[f] bytes of the four.
template <int Decimals>
struct FractionTexts {
    static constexpr int Unit = Decimals == 1 ? 10 : Decimals == 2 ? 100 : 1000;
    std::array<std::array<char, 4>, Unit> Text{};
    std::array<uint8_t, Unit> Length{};
    constexpr FractionTexts() {
        for (int fraction = 1; fraction < Unit; ++fraction) {
            auto& text = Text[fraction];
            text[0] = '.';
            int left = fraction;
            for (int i = Decimals; i >= 1; --i) {
                text[i] = static_cast<char>('0' + left % 10);
                left /= 10;
            }
            int length = Decimals + 1;
            while (text[length - 1] == '0') --length;
            Length[fraction] = static_cast<uint8_t>(length);
        }
    }
};

// "00" to "99".
inline constexpr auto DigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// The whole numbers 0 to 999, each as its digits: Text[n] holds Length[n] bytes of the four.
struct SmallWholeTexts {
    static constexpr int Count = 1000;
    std::array<std::array<char, 4>, Count> Text{};
    std::array<uint8_t, Count> Length{};
    constexpr SmallWholeTexts() {
        for (int whole = 0; whole < Count; ++whole) {
            const int length = whole < 10 ? 1 : whole < 100 ? 2 : 3;
            int left = whole;
            for (int i = length - 1; i >= 0; --i) {
                Text[whole][i] = static_cast<char>('0' + left % 10);
                left /= 10;
            }
            Length[whole] = static_cast<uint8_t>(length);
        }
    }
};

template <int Decimals>
inline constexpr FractionTexts<Decimals> FractionTextsOf{};
inline constexpr SmallWholeTexts SmallWholeTextsOf{};

// The magnitude of a number of 10^-Decimals units, written as PutFixed writes it, for any
// whole part: its digits counted, then written two at a time from the last.
template <int Decimals>
[[gnu::noinline]] char* PutFixedMagnitude(char* at, uint64_t magnitude) {
    constexpr auto& Fractions = FractionTextsOf<Decimals>;
    constexpr uint64_t Unit = FractionTexts<Decimals>::Unit;
    uint64_t whole = magnitude / Unit;
    const auto fraction = static_cast<size_t>(magnitude % Unit);
    int count = 1;
    for (uint64_t rest = whole; rest >= 10; rest /= 10) ++count;
    char* digit = at + count;
    at = digit;
    while (whole >= 10) {
        const auto pair = static_cast<size_t>(whole % 100);
        whole /= 100;
        digit -= 2;
        digit[0] = DigitPairs[2 * pair];
        digit[1] = DigitPairs[2 * pair + 1];
    }
    if (digit != at - count) *--digit = static_cast<char>('0' + whole);
    std::memcpy(at, Fractions.Text[fraction].data(), 4);
    return at + Fractions.Length[fraction];
}

// A number given in 10^-Decimals units (Decimals 1 to 3), written into room the caller has
// made with no trailing zeros (1.5, -0.25, 12): at most 24 bytes, all of which it may fill
// (the whole part below 1000 and the fraction are copied four bytes at a time). Returns the
// end of what it wrote. Short enough to be written where it is called; larger whole parts
// are written out of line.
template <int Decimals>
char* PutFixed(char* at, int64_t value) {
    static_assert(Decimals >= 1 && Decimals <= 3);
    constexpr auto& Fractions = FractionTextsOf<Decimals>;
    constexpr auto& SmallWholes = SmallWholeTextsOf;
    constexpr uint64_t Unit = FractionTexts<Decimals>::Unit;
    // Moves along a line are often none at all.
    if (value == 0) {
        *at = '0';
        return at + 1;
    }
    // The magnitude as unsigned, so that the most negative value has one too.
    uint64_t magnitude = static_cast<uint64_t>(value);
    if (value < 0) {
        *at++ = '-';
        magnitude = 0 - magnitude;
    }
    // Positions on a page: a whole part of at most three digits, both parts from tables.
    if (magnitude >= SmallWholeTexts::Count * Unit) return PutFixedMagnitude<Decimals>(at, magnitude);
    const auto small = static_cast<uint32_t>(magnitude);
    const uint32_t whole = small / static_cast<uint32_t>(Unit);
    const uint32_t fraction = small - whole * static_cast<uint32_t>(Unit);
    std::memcpy(at, SmallWholes.Text[whole].data(), 4);
    at += SmallWholes.Length[whole];
    std::memcpy(at, Fractions.Text[fraction].data(), 4);
    return at + Fractions.Length[fraction];
}

} // namespace dovrex::pdf_numbers
