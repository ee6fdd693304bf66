#include "platform/NumberChars.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using namespace dovrex;

// The digits of a number are std::to_chars's: at each change in the count of digits (one
// below and at every power of ten), at both signs, at the ends of the range, and for every
// pair of digits.
TEST(NumberChars, DigitsAsToChars) {
    std::vector<int64_t> numbers = {std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::min() + 1,
                                    std::numeric_limits<int64_t>::max()};
    for (int64_t power = 1;; power *= 10) {
        for (const int64_t n : {power - 1, power, power + 1}) {
            numbers.push_back(n);
            numbers.push_back(-n);
        }
        if (power > std::numeric_limits<int64_t>::max() / 10) break;
    }
    for (int64_t n = -1000; n <= 1000; ++n) numbers.push_back(n);
    for (const int64_t number : numbers) {
        char expected[24];
        const char* end = std::to_chars(expected, expected + sizeof expected, number).ptr;
        EXPECT_EQ(NumberChars(number).View(), std::string_view(expected, static_cast<size_t>(end - expected))) << number;
    }
}
