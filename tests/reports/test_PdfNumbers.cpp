#include "reports/PdfNumbers.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

using namespace dovrex::pdf_numbers;

namespace {

// The number written the long way: whole units, a point and the fraction padded to its
// decimals, trailing zeros (and a bare point) dropped.
std::string GeneralFixed(int64_t value, int decimals) {
    const int64_t unit = decimals == 2 ? 100 : 1000;
    const bool negative = value < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char text[64];
    std::snprintf(text, sizeof text, "%s%" PRIu64 ".%0*" PRIu64, negative ? "-" : "", magnitude / unit, decimals,
                  magnitude % unit);
    std::string out = text;
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
    return out;
}

template <int Decimals>
std::string Fixed(int64_t value) {
    char text[24];
    return std::string(text, PutFixed<Decimals>(text, value));
}

} // namespace

TEST(PdfNumbers, RoundToIntegerRoundsAsLlround) {
    const double limit = 0x1p62;
    const double values[] = {0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, 0.49999999999999994, -0.49999999999999994,
                             0.5000000000000001, 1234.4999, 1234.5, -1234.5, 0x1p52 - 0.5, -(0x1p52 - 0.5),
                             0x1p52 + 1, 0x1p53 + 2, std::nextafter(limit, 0.0), -std::nextafter(limit, 0.0), limit,
                             -limit, 0x1p62 * 1.5, 792 * 1000.0, 13199.999 * 0.06 * 1000};
    for (const double value : values) EXPECT_EQ(RoundToInteger(value), std::llround(value)) << value;
}

TEST(PdfNumbers, PutFixedWritesTheShortestDecimals) {
    const int64_t values[] = {0, 1, -1, 9, 10, 99, 100, 101, 110, 999, 1000, 1001, 1010, 1100, 12345, -12345, 100000,
                              -99999, std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min(),
                              std::numeric_limits<int64_t>::min() + 1};
    for (const int64_t value : values) {
        EXPECT_EQ(Fixed<2>(value), GeneralFixed(value, 2)) << value;
        EXPECT_EQ(Fixed<3>(value), GeneralFixed(value, 3)) << value;
    }
    // Each power of ten and one below it, either sign: the edges of every digit count, and of
    // whole parts below 1000 written from a table (10^5 for two decimals, 10^6 for three).
    for (int64_t power = 1;; power *= 10) {
        for (const int64_t value : {power, power - 1, -power, 1 - power}) {
            EXPECT_EQ(Fixed<2>(value), GeneralFixed(value, 2)) << value;
            EXPECT_EQ(Fixed<3>(value), GeneralFixed(value, 3)) << value;
        }
        if (power > std::numeric_limits<int64_t>::max() / 10) break;
    }
    // Every fraction, and whole parts of one to six digits.
    for (int64_t value = -10000; value <= 10000; ++value) {
        ASSERT_EQ(Fixed<2>(value), GeneralFixed(value, 2)) << value;
        ASSERT_EQ(Fixed<3>(value), GeneralFixed(value, 3)) << value;
        ASSERT_EQ(Fixed<3>(value * 997), GeneralFixed(value * 997, 3)) << value * 997;
    }
}
