#include "modMVRS.h"

namespace dovrex {

std::string PackUser(std::initializer_list<std::string_view> Values) {
    // CombineUser, written out so that a meter's texts are packed without copies.
    size_t size = Values.size();
    for (std::string_view value : Values) size += value.size();
    std::string packed;
    packed.reserve(size);
    bool first = true;
    for (std::string_view value : Values) {
        if (!first) packed += '~';
        first = false;
        const size_t start = packed.size();
        packed += value;
        // Rare characters: look for them before walking the text.
        if (value.find('~') == std::string_view::npos && value.find('\0') == std::string_view::npos) continue;
        for (size_t i = start; i < packed.size(); ++i) {
            if (packed[i] == '~') packed[i] = '-';
            else if (packed[i] == '\0') packed[i] = '\x01';
        }
    }
    return packed;
}

std::string ScheduledDateText(const DateTime& date) { return FormatDateTime(date, "MM/dd/yyyy"); }

} // namespace dovrex
