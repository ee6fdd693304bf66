#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dovrex {

// A date or time format code of a map field (`MapFormat`), resolved once: its pattern
// ("MM/DD/YYYY", "HH:NN:SS") and the writing of a stored yyyymmdd date or hhnnss time in it.
class MapFormat {
public:
    // No format: Write gives empty text.
    MapFormat() = default;
    // Tens 10 YYMMDD, 20 MMDDYY, 30 DDMMYY; unit flags 1 "-", 2 "/", 4 a four-digit year.
    static MapFormat Date(int32_t code);
    // HHNN; unit flags 1 seconds, 2 ":".
    static MapFormat Time(int32_t code);

    const std::string& Pattern() const { return mPattern; }
    // The value written in the pattern; the pattern in zeros when the value's number is 0
    // or it is no calendar date or time of day.
    void Write(std::string_view value, std::string& out) const;
    std::string Write(std::string_view value) const;

private:
    bool mDate = false;
    std::string mPattern;
    std::string mZero;
};

} // namespace dovrex
