#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace dovrex {

// A whole number as its decimal digits, kept without building a string. The view lives as
// long as the object: keep the object, not only its view.
class NumberChars {
public:
    // The digits are written from the end of the room backwards, two at a time, so that
    // their count need not be known first.
    explicit NumberChars(int64_t number) {
        uint64_t rest = number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
        char* p = mText + sizeof mText;
        while (rest >= 100) {
            p -= 2;
            std::memcpy(p, Pairs + 2 * (rest % 100), 2);
            rest /= 100;
        }
        if (rest >= 10) {
            p -= 2;
            std::memcpy(p, Pairs + 2 * rest, 2);
        } else {
            *--p = static_cast<char>('0' + rest);
        }
        if (number < 0) *--p = '-';
        mBegin = p;
    }
    std::string_view View() const {
        return std::string_view(mBegin, static_cast<size_t>(mText + sizeof mText - mBegin));
    }

private:
    static constexpr char Pairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                    "8081828384858687888990919293949596979899";
    char mText[20]; // a sign and the 19 digits of the largest magnitude
    char* mBegin;
};

} // namespace dovrex
