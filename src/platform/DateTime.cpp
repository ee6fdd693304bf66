#include "DateTime.h"

#include <clocale>
#include <cstdio>
#include <ctime>
#include <langinfo.h>
#include <locale.h>

namespace dovrex {

// Howard Hinnant's days-from-civil algorithm.
int64_t DaysFromCivil(int year, int month, int day) {
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

namespace {
const int64_t kEpoch1904 = DaysFromCivil(1904, 1, 1);
}

DateTime DateFromPdbSeconds(uint32_t seconds) {
    const int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    DateTime result;
    CivilFromDays(kEpoch1904 + days, result.Year, result.Month, result.Day);
    result.Hour = static_cast<int>(rest / 3600);
    rest %= 3600;
    result.Minute = static_cast<int>(rest / 60);
    result.Second = static_cast<int>(rest % 60);
    return result;
}

uint32_t PdbSecondsFromDate(const DateTime& date) {
    const int64_t days = DaysFromCivil(date.Year, date.Month, date.Day) - kEpoch1904;
    const int64_t seconds = days * 86400 + date.Hour * 3600 + date.Minute * 60 + date.Second;
    if (seconds < 0) return 0;
    if (seconds > 0xFFFFFFFFLL) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(seconds);
}

int32_t DateNumber(const DateTime& date) { return date.Year * 10000 + date.Month * 100 + date.Day; }

int32_t TimeNumberHHNN(const DateTime& time) { return time.Hour * 100 + time.Minute; }

int32_t TimeNumberHHNNSS(const DateTime& time) {
    return time.Hour * 10000 + time.Minute * 100 + time.Second;
}

std::string IsoText(const DateTime& d) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", d.Year, d.Month, d.Day, d.Hour,
                  d.Minute, d.Second);
    return buffer;
}

std::string FormatDateTime(const DateTime& value, const std::string& pattern) {
    const bool twelveHour = pattern.find("AP") != std::string::npos || pattern.find("ap") != std::string::npos;
    auto twoDigits = [](int n) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, "%02d", n);
        return std::string(buffer);
    };
    std::string out;
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) ++run;
        if (c == '\'') {
            const size_t close = pattern.find('\'', i + 1);
            if (close == std::string::npos) {
                out += pattern.substr(i + 1);
                break;
            }
            out += close == i + 1 ? std::string("'") : pattern.substr(i + 1, close - i - 1);
            i = close + 1;
            continue;
        }
        if ((c == 'A' || c == 'a') && i + 1 < pattern.size() && (pattern[i + 1] == 'P' || pattern[i + 1] == 'p')) {
            const bool pm = value.Hour >= 12;
            out += c == 'A' ? (pm ? "PM" : "AM") : (pm ? "pm" : "am");
            i += 2;
            continue;
        }
        int hour12 = value.Hour % 12;
        if (hour12 == 0) hour12 = 12;
        switch (c) {
        case 'd': out += run >= 2 ? twoDigits(value.Day) : std::to_string(value.Day); break;
        case 'M': out += run >= 2 ? twoDigits(value.Month) : std::to_string(value.Month); break;
        case 'y': out += run >= 4 ? std::to_string(value.Year) : twoDigits(value.Year % 100); break;
        case 'h': {
            const int h = twelveHour ? hour12 : value.Hour;
            out += run >= 2 ? twoDigits(h) : std::to_string(h);
            break;
        }
        case 'H': out += run >= 2 ? twoDigits(value.Hour) : std::to_string(value.Hour); break;
        case 'm': out += run >= 2 ? twoDigits(value.Minute) : std::to_string(value.Minute); break;
        case 's': out += run >= 2 ? twoDigits(value.Second) : std::to_string(value.Second); break;
        default: out.append(run, c); break;
        }
        i += run;
    }
    return out;
}

DateTime SystemClock::Now() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

namespace {

// Turns a strftime format into a FormatDateTime pattern; the time form drops its seconds.
std::string PatternFromStrftime(const std::string& format, bool dropSeconds) {
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            if (format[i] == '\'') out += "''";
            else if (std::string("dMyhHmsAa").find(format[i]) != std::string::npos) out += "'" + std::string(1, format[i]) + "'";
            else out += format[i];
            continue;
        }
        char conversion = format[++i];
        if (conversion == 'E' || conversion == 'O') {
            if (i + 1 >= format.size()) break;
            conversion = format[++i];
        }
        switch (conversion) {
        case 'd': out += "dd"; break;
        case 'e': out += "d"; break;
        case 'm': out += "MM"; break;
        case 'y': out += "yy"; break;
        case 'Y': out += "yyyy"; break;
        case 'H': out += "HH"; break;
        case 'k': out += "H"; break;
        case 'I': out += "hh"; break;
        case 'l': out += "h"; break;
        case 'M': out += "mm"; break;
        case 'S':
            if (dropSeconds) {
                while (!out.empty() && (out.back() == ':' || out.back() == '.')) out.pop_back();
            } else {
                out += "ss";
            }
            break;
        case 'p': out += "AP"; break;
        case 'P': out += "ap"; break;
        case 'D': out += "MM/dd/yy"; break;
        case 'T': out += dropSeconds ? "HH:mm" : "HH:mm:ss"; break;
        case 'R': out += "HH:mm"; break;
        case 'r': out += dropSeconds ? "hh:mm AP" : "hh:mm:ss AP"; break;
        case '%': out += "%"; break;
        default: break;
        }
    }
    return out;
}

} // namespace

LocaleFormats LocaleFormats::System() {
    LocaleFormats formats;
    locale_t loc = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) return formats;
    const char* name = nl_langinfo_l(_NL_LOCALE_NAME(LC_TIME), loc);
    const std::string localeName = name ? name : "C";
    if (localeName != "C" && localeName != "POSIX" && localeName.rfind("C.", 0) != 0) {
        const std::string date = PatternFromStrftime(nl_langinfo_l(D_FMT, loc), false);
        const std::string time = PatternFromStrftime(nl_langinfo_l(T_FMT, loc), true);
        if (!date.empty()) formats.ShortDatePattern = date;
        if (!time.empty()) formats.ShortTimePattern = time;
    }
    freelocale(loc);
    return formats;
}

} // namespace dovrex
