#pragma once

#include <cstdint>
#include <string>

namespace dovrex {

// A calendar date and wall-clock time without a time zone.
struct DateTime {
    int Year = 1904;
    int Month = 1;
    int Day = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;

    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Palm header dates: unsigned seconds since 1904-01-01 00:00:00.
DateTime DateFromPdbSeconds(uint32_t seconds);
uint32_t PdbSecondsFromDate(const DateTime& date);

// Dates and times inside QVF records are numbers.
int32_t DateNumber(const DateTime& date);     // yyyymmdd
int32_t TimeNumberHHNN(const DateTime& time); // hhnn, 24-hour
int32_t TimeNumberHHNNSS(const DateTime& time);

// Days since 1970-01-01 for a civil date, and back.
int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(int64_t days, int& year, int& month, int& day);

// "yyyy-MM-dd hh:mm:ss", for listings.
std::string IsoText(const DateTime& date);

// Formats with a pattern of d, dd, M, MM, yy, yyyy, h, hh, H, HH, m, mm, s, ss,
// AP/ap (which make h and hh 12-hour) and literal text in single quotes.
std::string FormatDateTime(const DateTime& value, const std::string& pattern);

class IClock {
public:
    virtual ~IClock() = default;
    virtual DateTime Now() const = 0;
};

class SystemClock final : public IClock {
public:
    DateTime Now() const override;
};

class FixedClock final : public IClock {
public:
    explicit FixedClock(DateTime now) : mNow(now) {}
    DateTime Now() const override { return mNow; }
    void Set(DateTime now) { mNow = now; }

private:
    DateTime mNow;
};

// The locale's short date and short time forms, as patterns for FormatDateTime.
struct LocaleFormats {
    std::string ShortDatePattern = "M/d/yyyy";
    std::string ShortTimePattern = "h:mm AP";

    std::string ShortDate(const DateTime& value) const { return FormatDateTime(value, ShortDatePattern); }
    std::string ShortTime(const DateTime& value) const { return FormatDateTime(value, ShortTimePattern); }

    // The forms of the system locale (LC_TIME), or the fixed fallback under the C locale.
    static LocaleFormats System();
};

} // namespace dovrex
