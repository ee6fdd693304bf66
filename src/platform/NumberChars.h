#pragma once

#include <charconv>
#include <cstdint>
#include <string_view>

namespace dovrex {

// A whole number as its decimal digits, kept without building a string. The view lives as
// long as the object: keep the object, not only its view.
class NumberChars {
public:
    explicit NumberChars(int64_t number) : mEnd(std::to_chars(mText, mText + sizeof mText, number).ptr) {}
    std::string_view View() const { return std::string_view(mText, static_cast<size_t>(mEnd - mText)); }

private:
    char mText[24];
    char* mEnd;
};

} // namespace dovrex
