#include "ReportFormat.h"

#include "platform/modRuntime.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace dovrex {

namespace {

bool IsPlaceholder(char c) { return c == '0' || c == '#' || c == '.' || c == ','; }

// The sections of a number pattern, split at ";" outside quoted literals.
std::vector<std::string> Sections(const std::string& pattern) {
    std::vector<std::string> sections(1);
    bool quoted = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '"') quoted = !quoted;
        if (c == '\\' && i + 1 < pattern.size()) {
            sections.back() += pattern.substr(i++, 2);
            continue;
        }
        if (c == ';' && !quoted) {
            sections.emplace_back();
        } else {
            sections.back() += c;
        }
    }
    return sections;
}

std::string FormatSection(double value, const std::string& section, bool minus) {
    // Literal text before the first placeholder and after the last one; the placeholders
    // between them say how the digits are written.
    std::string prefix, suffix, digits;
    bool quoted = false;
    bool percent = false;
    for (size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        std::string literal;
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted) {
            literal = std::string(1, c);
        } else if (c == '\\' && i + 1 < section.size()) {
            literal = std::string(1, section[++i]);
        } else if (IsPlaceholder(c) && (c == '0' || c == '#' || !digits.empty() || c == '.')) {
            if (suffix.empty()) {
                digits += c;
                continue;
            }
            literal = std::string(1, c);
        } else {
            if (c == '%') percent = true;
            literal = std::string(1, c);
        }
        (digits.empty() ? prefix : suffix) += literal;
    }
    if (percent) value *= 100;

    const size_t point = digits.find('.');
    const std::string whole = digits.substr(0, point);
    const std::string fraction = point == std::string::npos ? std::string() : digits.substr(point + 1);
    size_t minWhole = 0, minFraction = 0, maxFraction = 0;
    for (const char c : whole) minWhole += c == '0';
    for (const char c : fraction) {
        if (c == '0') ++minFraction;
        if (c == '0' || c == '#') ++maxFraction;
    }
    const bool grouping = whole.find(',') != std::string::npos;

    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", static_cast<int>(maxFraction), std::fabs(value));
    std::string text = buffer;
    const size_t dot = text.find('.');
    std::string intPart = text.substr(0, dot);
    std::string fracPart = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    while (fracPart.size() > minFraction && fracPart.back() == '0') fracPart.pop_back();
    if (intPart == "0" && minWhole == 0) intPart.clear();
    while (intPart.size() < minWhole) intPart.insert(intPart.begin(), '0');
    if (grouping) {
        for (int i = static_cast<int>(intPart.size()) - 3; i > 0; i -= 3) intPart.insert(static_cast<size_t>(i), ",");
    }
    std::string number = intPart;
    if (point != std::string::npos) number += "." + fracPart;
    const bool nonzero = number.find_first_of("123456789") != std::string::npos;
    return (minus && value < 0 && nonzero ? "-" : "") + prefix + number + suffix;
}

std::string FormatNumber(double value, const std::string& pattern) {
    if (EqualsNoCase(pattern, "General Number")) return NumberText(value);
    if (EqualsNoCase(pattern, "Yes/No")) return value != 0 ? "Yes" : "No";
    if (EqualsNoCase(pattern, "True/False")) return value != 0 ? "True" : "False";
    if (EqualsNoCase(pattern, "On/Off")) return value != 0 ? "On" : "Off";
    std::string effective = pattern;
    if (EqualsNoCase(pattern, "Fixed")) effective = "0.00";
    if (EqualsNoCase(pattern, "Standard")) effective = "#,##0.00";
    if (EqualsNoCase(pattern, "Percent")) effective = "0.00%";

    const std::vector<std::string> sections = Sections(effective);
    if (value < 0 && sections.size() >= 2 && !sections[1].empty()) return FormatSection(-value, sections[1], false);
    if (value == 0 && sections.size() >= 3 && !sections[2].empty()) return FormatSection(value, sections[2], false);
    return FormatSection(value, sections[0], true);
}

// A text that is a number written plainly: optional sign, digits, optional decimals.
bool IsPlainNumber(const std::string& text) {
    const std::string t = Trim(text);
    size_t i = (!t.empty() && (t[0] == '-' || t[0] == '+')) ? 1 : 0;
    bool digit = false, point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9') {
            digit = true;
        } else if (t[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

} // namespace

std::string ReportText(const Value& value, const LocaleFormats& locale) {
    if (!value.IsDate()) return value.ToText();
    const DateTime& d = value.Date();
    std::string text = locale.ShortDate(d);
    if (d.Hour != 0 || d.Minute != 0 || d.Second != 0) text += " " + locale.ShortTime(d);
    return text;
}

std::string FormatValue(const Value& value, const std::string& pattern, const LocaleFormats& locale) {
    if (pattern.empty() || value.IsEmpty() || value.IsNull()) return ReportText(value, locale);
    if (value.IsDate()) {
        if (EqualsNoCase(pattern, "Short Date")) return locale.ShortDate(value.Date());
        if (EqualsNoCase(pattern, "Short Time")) return locale.ShortTime(value.Date());
        if (EqualsNoCase(pattern, "General Date")) return ReportText(value, locale);
        return FormatDateTime(value.Date(), pattern);
    }
    if (value.IsNumber() || IsPlainNumber(value.Text())) return FormatNumber(value.ToNumber(), pattern);
    if (pattern[0] == '>') return UCase(value.Text());
    if (pattern[0] == '<') return LCase(value.Text());
    return value.Text();
}

} // namespace dovrex
