#include "modMVRS.h"

#include <algorithm>

namespace dovrex {

std::string PackUser(std::initializer_list<std::string_view> Values) {
    std::string packed;
    PackUser(packed, Values);
    return packed;
}

void PackUser(std::string& packed, std::initializer_list<std::string_view> Values) {
    // CombineUser, written out so that a meter's texts are packed without copies.
    size_t size = Values.size();
    for (std::string_view value : Values) size += value.size();
    packed.assign(size > 0 ? size - 1 : 0, '~');
    char* out = packed.data();
    bool first = true;
    for (std::string_view value : Values) {
        if (!first) ++out; // the "~" between two values is already there
        first = false;
        value.copy(out, value.size());
        out += value.size();
    }
    // Rare characters: one look through the whole text for each before mending the values.
    const bool tildes = std::count(packed.begin(), packed.end(), '~') != static_cast<std::ptrdiff_t>(Values.size()) - 1;
    if (!tildes && packed.find('\0') == std::string::npos) return;
    out = packed.data();
    first = true;
    for (std::string_view value : Values) {
        if (!first) ++out;
        first = false;
        for (char* c = out; c != out + value.size(); ++c) {
            if (*c == '~') *c = '-';
            else if (*c == '\0') *c = '\x01';
        }
        out += value.size();
    }
}

std::string ScheduledDateText(const DateTime& date) { return FormatDateTime(date, "MM/dd/yyyy"); }

} // namespace dovrex
