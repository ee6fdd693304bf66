#include "TrueTypeFontFile.h"

#include <utility>
#include <vector>

namespace dovrex {

uint32_t FontTableUnsigned(std::string_view table, size_t at, int bytes) {
    if (at > table.size() || static_cast<size_t>(bytes) > table.size() - at) return 0;
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = (value << 8) | static_cast<unsigned char>(table[at + i]);
    return value;
}

int32_t FontTableSigned16(std::string_view table, size_t at) {
    return static_cast<int16_t>(FontTableUnsigned(table, at, 2));
}

std::string FontPostScriptName(std::string_view names) {
    const uint32_t count = FontTableUnsigned(names, 2, 2);
    const uint32_t strings = FontTableUnsigned(names, 4, 2);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t record = 6 + 12 * static_cast<size_t>(i);
        const uint32_t platform = FontTableUnsigned(names, record, 2);
        if (FontTableUnsigned(names, record + 6, 2) != 6) continue;
        const size_t length = FontTableUnsigned(names, record + 8, 2);
        const size_t at = strings + FontTableUnsigned(names, record + 10, 2);
        if (at + length > names.size()) continue;
        std::string name;
        // Windows and Unicode names are UTF-16; a PostScript name is ASCII in either.
        const size_t step = platform == 1 ? 1 : 2;
        for (size_t c = at + step - 1; c < at + length; c += step) name += names[c];
        if (!name.empty()) return name;
    }
    return {};
}

namespace {

// The tables of a TrueType font file, in the order of a font file's table directory.
constexpr const char* EmbeddedTables[] = {"OS/2", "cmap", "cvt ", "fpgm", "glyf", "head",
                                          "hhea", "hmtx", "loca", "maxp", "name", "post", "prep"};

void AppendUnsigned(std::string& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The sum of the big-endian 32-bit words of data, the last one padded with zeros.
uint32_t CheckSum(const std::string& data, size_t at, size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data() + at);
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 4 <= length; i += 4) {
        sum += (uint32_t{bytes[i]} << 24) | (uint32_t{bytes[i + 1]} << 16) | (uint32_t{bytes[i + 2]} << 8) | bytes[i + 3];
    }
    if (i < length) {
        uint32_t last = 0;
        for (size_t b = 0; b < 4; ++b) last = (last << 8) | (i + b < length ? bytes[i + b] : 0);
        sum += last;
    }
    return sum;
}

} // namespace

std::string TrueTypeFontFile(const std::function<std::string(const char* tag)>& tableOf) {
    std::vector<std::pair<const char*, std::string>> tables;
    for (const char* tag : EmbeddedTables) {
        std::string table = tableOf(tag);
        if (!table.empty()) tables.emplace_back(tag, std::move(table));
    }
    const auto count = static_cast<uint32_t>(tables.size());
    uint32_t power = 1, log2 = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log2;
    }
    std::string file;
    AppendUnsigned(file, 0x00010000, 4);
    AppendUnsigned(file, count, 2);
    AppendUnsigned(file, power * 16, 2);
    AppendUnsigned(file, log2, 2);
    AppendUnsigned(file, count * 16 - power * 16, 2);
    size_t offset = 12 + 16 * tables.size();
    size_t headAt = 0;
    std::string bodies;
    for (auto& [tag, body] : tables) {
        if (std::string_view(tag) == "head" && body.size() >= 12) {
            body.replace(8, 4, 4, '\0'); // the whole file's checksum, set below
            headAt = offset + bodies.size();
        }
        file += tag;
        AppendUnsigned(file, CheckSum(body, 0, body.size()), 4);
        AppendUnsigned(file, static_cast<uint32_t>(offset + bodies.size()), 4);
        AppendUnsigned(file, static_cast<uint32_t>(body.size()), 4);
        bodies += body;
        bodies.append((4 - body.size() % 4) % 4, '\0');
    }
    file += bodies;
    if (headAt != 0) {
        std::string adjustment;
        AppendUnsigned(adjustment, 0xB1B0AFBA - CheckSum(file, 0, file.size()), 4);
        file.replace(headAt + 8, 4, adjustment);
    }
    return file;
}

} // namespace dovrex
