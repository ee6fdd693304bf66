#include "RegistryText.h"

#include "modRuntime.h"

#include <cstdio>
#include <utility>

namespace dovrex {

namespace {

constexpr std::string_view kFirstLine = "; Dovrex settings store";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

const char kHex[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, unsigned char byte) {
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// ---- Writing the file --------------------------------------------------------------------

std::string QuoteText(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                out += "\\x";
                AppendHexByte(out, byte);
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

std::string EscapeLevel(std::string_view name) {
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%') {
            out += '%';
            AppendHexByte(out, byte);
        } else {
            out += c;
        }
    }
    return out;
}

std::string ByteList(std::string_view data) {
    std::string out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i > 0) out += ',';
        AppendHexByte(out, static_cast<unsigned char>(data[i]));
    }
    return out;
}

std::string ValueLine(const RegistryValue& value) {
    std::string line = value.Name.empty() ? "@" : QuoteText(value.Name);
    line += '=';
    switch (value.Kind) {
    case RegistryValue::KindString: return line + QuoteText(value.Data);
    case RegistryValue::KindExpandString: return line + "expand:" + QuoteText(value.Data);
    case RegistryValue::KindBinary: return line + "hex:" + ByteList(value.Data);
    case RegistryValue::KindNumber:
        if (value.Data.size() == 4) {
            line += "dword:";
            for (size_t i = 4; i-- > 0;) AppendHexByte(line, static_cast<unsigned char>(value.Data[i]));
            return line;
        }
        break;
    default: break;
    }
    char kind[16];
    std::snprintf(kind, sizeof kind, "hex(%x):", static_cast<unsigned>(value.Kind));
    return line + kind + ByteList(value.Data);
}

// A kept line as it was read: the reader drops one CR before the LF, so a line that
// itself ends in CR gets another one.
void AppendForeignLine(std::string& out, const std::string& line) {
    out += line;
    if (!line.empty() && line.back() == '\r') out += '\r';
    out += '\n';
}

void FormatKey(const RegistryKey& key, const std::string& header, bool isHive, std::string& out) {
    if (!isHive || !key.Values.empty() || !key.Foreign.empty()) {
        out += "\n[" + header + "]\n";
        for (const auto& value : key.Values) out += ValueLine(value) + "\n";
        for (const auto& line : key.Foreign) AppendForeignLine(out, line);
    }
    for (const auto& [folded, subkey] : key.Subkeys) {
        FormatKey(*subkey, header + "\\" + EscapeLevel(subkey->Name), false, out);
    }
}

} // namespace

std::string FormatRegistryText(const RegistryTree& tree) {
    std::string out(kFirstLine);
    out += '\n';
    for (const auto& line : tree.Foreign) AppendForeignLine(out, line);
    for (size_t i = 0; i < RegistryTree::HiveCount; ++i) FormatKey(tree.Hives[i], RegistryTree::HiveNames[i], true, out);
    return out;
}

// ---- Reading the file --------------------------------------------------------------------

namespace {

// Reads the pieces of one line, left to right; every Take... fails without a partial result.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : mText(text) {}

    bool AtEnd() const { return mPos >= mText.size(); }
    void SkipBlanks() {
        while (!AtEnd() && IsBlank(mText[mPos])) ++mPos;
    }
    bool TakeChar(char c) {
        if (AtEnd() || mText[mPos] != c) return false;
        ++mPos;
        return true;
    }
    bool TakeWord(std::string_view word) { // letter case ignored
        if (!EqualsNoCase(mText.substr(mPos, word.size()), word)) return false;
        mPos += word.size();
        return true;
    }
    bool TakeQuoted(std::string& out) {
        if (!TakeChar('"')) return false;
        out.clear();
        while (!AtEnd()) {
            const char c = mText[mPos++];
            if (c == '"') return true;
            if (c != '\\' || AtEnd()) {
                out += c;
                continue;
            }
            switch (mText[mPos]) {
            case '\\': out += '\\'; ++mPos; break;
            case '"': out += '"'; ++mPos; break;
            case 'r': out += '\r'; ++mPos; break;
            case 'n': out += '\n'; ++mPos; break;
            case 't': out += '\t'; ++mPos; break;
            case 'x':
                if (mPos + 2 < mText.size() && HexDigit(mText[mPos + 1]) >= 0 && HexDigit(mText[mPos + 2]) >= 0) {
                    out += static_cast<char>(HexDigit(mText[mPos + 1]) * 16 + HexDigit(mText[mPos + 2]));
                    mPos += 3;
                } else {
                    out += '\\';
                }
                break;
            default: out += '\\'; break;
            }
        }
        return false; // no closing quote
    }
    // One to maxDigits hex digits.
    bool TakeHexNumber(size_t maxDigits, uint32_t& number) {
        size_t digits = 0;
        number = 0;
        while (!AtEnd() && HexDigit(mText[mPos]) >= 0) {
            if (++digits > maxDigits) return false;
            number = number * 16 + static_cast<uint32_t>(HexDigit(mText[mPos++]));
        }
        return digits > 0;
    }
    // Two-digit hex bytes separated by commas, possibly none, up to the end of the line.
    bool TakeByteList(std::string& out) {
        out.clear();
        SkipBlanks();
        if (AtEnd()) return true;
        while (true) {
            SkipBlanks();
            if (mPos + 1 >= mText.size()) return false;
            const int high = HexDigit(mText[mPos]);
            const int low = HexDigit(mText[mPos + 1]);
            if (high < 0 || low < 0) return false;
            out += static_cast<char>(high * 16 + low);
            mPos += 2;
            SkipBlanks();
            if (AtEnd()) return true;
            if (!TakeChar(',')) return false;
        }
    }

private:
    std::string_view mText;
    size_t mPos = 0;
};

// A trimmed value line into a value; false when it is not one.
bool ParseValueLine(std::string_view line, RegistryValue& value) {
    LineCursor cursor(line);
    if (cursor.TakeChar('@')) {
        value.Name.clear();
    } else if (!cursor.TakeQuoted(value.Name)) {
        return false;
    }
    cursor.SkipBlanks();
    if (!cursor.TakeChar('=')) return false;
    cursor.SkipBlanks();
    bool ok = false;
    if (cursor.TakeWord("expand:")) {
        cursor.SkipBlanks();
        value.Kind = RegistryValue::KindExpandString;
        ok = cursor.TakeQuoted(value.Data);
    } else if (cursor.TakeWord("dword:")) {
        uint32_t number = 0;
        value.Kind = RegistryValue::KindNumber;
        ok = cursor.TakeHexNumber(8, number);
        value.Data.clear();
        for (int i = 0; i < 4; ++i) value.Data += static_cast<char>((number >> (8 * i)) & 0xFF);
    } else if (cursor.TakeWord("hex:")) {
        value.Kind = RegistryValue::KindBinary;
        ok = cursor.TakeByteList(value.Data);
    } else if (cursor.TakeWord("hex(")) {
        ok = cursor.TakeHexNumber(8, value.Kind) && cursor.TakeChar(')') && cursor.TakeChar(':') &&
             cursor.TakeByteList(value.Data);
    } else {
        value.Kind = RegistryValue::KindString;
        ok = cursor.TakeQuoted(value.Data);
    }
    cursor.SkipBlanks();
    return ok && cursor.AtEnd();
}

std::string UnescapeLevel(std::string_view level) {
    std::string out;
    for (size_t i = 0; i < level.size(); ++i) {
        if (level[i] == '%' && i + 2 < level.size() && HexDigit(level[i + 1]) >= 0 && HexDigit(level[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(level[i + 1]) * 16 + HexDigit(level[i + 2]));
            i += 2;
        } else {
            out += level[i];
        }
    }
    return out;
}

// The text between the brackets of a header into a hive and levels; false when it names
// no hive or goes too deep.
bool ParseHeader(std::string_view inner, int& hive, std::vector<std::string>& levels) {
    levels.clear();
    const size_t firstSlash = inner.find('\\');
    hive = RegistryTree::HiveIndex(inner.substr(0, firstSlash));
    if (hive < 0) return false;
    if (firstSlash == std::string_view::npos) return true;
    for (const auto& piece : Split(inner.substr(firstSlash + 1), "\\")) {
        if (piece.empty()) continue;
        if (levels.size() == RegistryTree::MaxLevels) return false;
        levels.push_back(UnescapeLevel(piece));
    }
    return true;
}

} // namespace

RegistryTree ParseRegistryText(std::string_view text) {
    RegistryTree tree;
    RegistryKey* current = nullptr; // the key of the section; none before the first
                                    // header and under a broken one
    std::vector<std::string>* keep = &tree.Foreign; // where unreadable lines go
    bool firstLine = true;
    std::vector<std::string> levels;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        const std::string_view line = TrimBlanks(raw);
        const bool isFirst = std::exchange(firstLine, false);
        if (line.empty() || (isFirst && line == kFirstLine)) continue;

        if (line.front() == '[') {
            int hive = -1;
            if (line.size() >= 2 && line.back() == ']' && ParseHeader(line.substr(1, line.size() - 2), hive, levels)) {
                current = &tree.Hives[static_cast<size_t>(hive)];
                bool created = false;
                for (const auto& level : levels) current = &current->Subkey(level, created);
                keep = &current->Foreign;
                continue;
            }
            current = nullptr; // the lines under a broken header belong to no known key
        } else if (current != nullptr && (line.front() == '"' || line.front() == '@')) {
            RegistryValue value;
            if (ParseValueLine(line, value) && current->FindValue(value.Name) == nullptr) {
                current->AddValue(std::move(value));
                continue;
            }
        }
        keep->emplace_back(raw);
    }
    return tree;
}

} // namespace dovrex
