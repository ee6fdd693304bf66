#pragma once

#include "platform/DateTime.h"
#include "platform/Value.h"

#include <string>

namespace dovrex {

// A value as a report prints it when no format is given: numbers in plain decimal, dates in
// the locale's short date (and short time when the time is not midnight), empty and Null as
// nothing.
std::string ReportText(const Value& value, const LocaleFormats& locale);

// A value formatted with a pattern, as a report element's FormatString gives it:
// - numbers (and texts that are whole numbers in decimal form): sections "positive;negative;
//   zero" of placeholders 0 (digit or zero) and # (digit or nothing), "." decimal point, ","
//   digit grouping, "%" times 100, literal text in double quotes or after a backslash; or the
//   names "General Number", "Fixed", "Standard", "Percent", "Yes/No", "True/False", "On/Off";
// - dates: "Short Date", "Short Time", "General Date" or a FormatDateTime pattern;
// - other texts: ">" upper case, "<" lower case, anything else leaves the text as it is.
std::string FormatValue(const Value& value, const std::string& pattern, const LocaleFormats& locale);

} // namespace dovrex
