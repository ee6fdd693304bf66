#include "modMVRS.h"

#include "clsExchange.h"

#include <algorithm>

namespace dovrex {

std::string PackUser(std::vector<std::string> Values) {
    for (std::string& value : Values) std::replace(value.begin(), value.end(), '~', '-');
    return clsExchange::CombineUser(Values);
}

std::string ScheduledDateText(const DateTime& date) { return FormatDateTime(date, "MM/dd/yyyy"); }

} // namespace dovrex
