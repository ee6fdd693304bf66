#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
    // The length of every text Write gives: the pattern's.
    size_t Length() const { return mZero.size(); }
    // The value written in the pattern; the pattern in zeros when the value's number is 0
    // or it is no calendar date or time of day.
    void Write(std::string_view value, std::string& out) const;
    std::string Write(std::string_view value) const;
    // The same into out, which has room for Length() characters (at most ten); gives Length().
    size_t Write(std::string_view value, char* out) const;
    // Write of a whole number's decimal text, read from the number without making the text.
    size_t WriteNumber(int64_t value, char* out) const;

private:
    // The pattern read once: runs of one letter (a part of the date or time, written in
    // that many digits) and the separators between them.
    struct Piece {
        char Literal = 0; // a separator; 0 for a part
        int Part = 0;     // 0 year or hours, 1 month or minutes, 2 day or seconds
        int Width = 0;
    };
    void ReadPattern();
    // The parts read (year or hours, month or minutes, day or seconds) in the pattern.
    size_t WriteParts(const int (&parts)[3], char* out) const;
    // The pattern in zeros: no date or time.
    size_t WriteZeros(char* out) const;

    // The number written last and its text: the readings of a route are mostly taken on
    // one day, so a date repeats from meter to meter.
    mutable int64_t mLastNumber = 0;
    mutable size_t mLastLength = 0; // 0: nothing written yet
    mutable char mLastText[16] = {};

    bool mDate = false;
    std::string mPattern;
    std::string mZero;
    std::vector<Piece> mPieces;
};

} // namespace dovrex
