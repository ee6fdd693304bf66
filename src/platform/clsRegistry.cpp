// The settings store file.
//
// A text file in the spirit of a REGEDIT4 export; lines end in LF (a CR before the LF is
// ignored, so a file edited on Windows still reads). Texts are Windows-1252 bytes and are
// written as they are, except for the escapes below.
//
//   ; Dovrex settings store
//
//   [HKEY_LOCAL_MACHINE\Software\Kelmora, Inc.\Dovrex\Route]
//   "Source"="C:\\routes\\route.txt"
//   @="the key's default value"
//   "Count"=dword:0000002a
//   "Path"=expand:"%HOME%\\maps"
//   "Blob"=hex:01,ff,00
//   "Lines"=hex(7):61,00,00
//
// - A section header names a key: the hive name, then the key's levels, separated by "\".
//   In a level, bytes below 20 hex, 7F hex and "%" are written as "%" and two hex digits
//   (a "%" not followed by two hex digits reads as itself). Empty levels are ignored.
//   Every key has a header, even one without values, so that empty keys and the letter
//   case of every level survive; a hive gets one only when it holds values itself.
// - A value line is a name, "=", and the data. The name is "@" for the default (unnamed)
//   value, otherwise a quoted text. Data: a quoted text is a plain string, "expand:" and a
//   quoted text an expandable string, "dword:" and up to eight hex digits a 32-bit number,
//   "hex:" a comma-separated list of two-digit hex bytes a binary value, and "hex(N):"
//   with N in hex the bytes of a value of kind N (how any other kind is kept).
// - In a quoted text, \\ \" \r \n \t stand for backslash, quote, CR, LF and tab, and \x
//   with two hex digits for any byte; other bytes below 20 hex and 7F hex are written that
//   way. A backslash before anything else reads as itself.
// - Blank lines are ignored. Values come in the order they were created; subkeys follow
//   their parent in alphabetical order.
// - A line that cannot be read (a comment, a broken header and every line under it, a
//   garbled or repeated value) takes no effect but is kept: it is written back after the
//   values of the key it appeared under, so that saving never drops what another program
//   or a person put into the file.

#include "clsRegistry.h"

#include "modRuntime.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <unordered_map>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dovrex {

namespace registry_detail {

struct RegValue {
    std::string Name;
    uint32_t Kind = clsRegistry::KindString;
    std::string Data;
};

struct RegKey {
    std::string Name;
    std::vector<RegValue> Values;                            // in creation order
    std::unordered_map<std::string, size_t> ValueIndex;     // upper-cased name -> position
    std::map<std::string, std::unique_ptr<RegKey>> Subkeys; // upper-cased name -> key
    std::vector<std::string> Foreign;                        // unreadable lines kept as they were

    RegValue* FindValue(std::string_view name) {
        const auto found = ValueIndex.find(UCase(name));
        return found == ValueIndex.end() ? nullptr : &Values[found->second];
    }
    void AddValue(RegValue value) {
        ValueIndex.emplace(UCase(value.Name), Values.size());
        Values.push_back(std::move(value));
    }
    bool EraseValue(std::string_view name) {
        const auto found = ValueIndex.find(UCase(name));
        if (found == ValueIndex.end()) return false;
        Values.erase(Values.begin() + static_cast<std::ptrdiff_t>(found->second));
        ValueIndex.clear();
        for (size_t i = 0; i < Values.size(); ++i) ValueIndex.emplace(UCase(Values[i].Name), i);
        return true;
    }
    RegKey* FindSubkey(std::string_view name) {
        const auto found = Subkeys.find(UCase(name));
        return found == Subkeys.end() ? nullptr : found->second.get();
    }
    // The subkey of that name, created (with the name's letter case) when missing.
    RegKey& Subkey(const std::string& name, bool& created) {
        auto& slot = Subkeys[UCase(name)];
        if (!slot) {
            slot = std::make_unique<RegKey>();
            slot->Name = name;
            created = true;
        }
        return *slot;
    }
};

} // namespace registry_detail

using registry_detail::RegKey;
using registry_detail::RegValue;

constexpr size_t kHiveCount = 7;

struct clsRegistry::Tree {
    std::array<RegKey, kHiveCount> Hives;
    std::vector<std::string> Foreign; // unreadable lines before the first header
};

namespace {

constexpr std::array<const char*, kHiveCount> kHiveNames = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};
constexpr uint32_t kFirstRootKey = 0x80000000u;
// As the Windows registry allows; also bounds the recursion over a hand-made file.
constexpr size_t kMaxLevels = 512;
// A bigger file is not a settings store; it is left alone rather than read into memory.
constexpr uint64_t kMaxFileSize = 64ull << 20;
constexpr std::string_view kFirstLine = "; Dovrex settings store";
constexpr auto kLockTimeout = std::chrono::seconds(10);

int HiveIndex(std::string_view name) {
    for (size_t i = 0; i < kHiveCount; ++i) {
        if (name == kHiveNames[i]) return static_cast<int>(i);
    }
    return -1;
}

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

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

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

std::string ValueLine(const RegValue& value) {
    std::string line = value.Name.empty() ? "@" : QuoteText(value.Name);
    line += '=';
    switch (value.Kind) {
    case clsRegistry::KindString: return line + QuoteText(value.Data);
    case clsRegistry::KindExpandString: return line + "expand:" + QuoteText(value.Data);
    case clsRegistry::KindBinary: return line + "hex:" + ByteList(value.Data);
    case clsRegistry::KindNumber:
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

void FormatKey(const RegKey& key, const std::string& header, bool isHive, std::string& out) {
    if (!isHive || !key.Values.empty() || !key.Foreign.empty()) {
        out += "\n[" + header + "]\n";
        for (const auto& value : key.Values) out += ValueLine(value) + "\n";
        for (const auto& line : key.Foreign) out += line + "\n";
    }
    for (const auto& [folded, subkey] : key.Subkeys) {
        FormatKey(*subkey, header + "\\" + EscapeLevel(subkey->Name), false, out);
    }
}

std::string FormatStore(const clsRegistry::Tree& tree) {
    std::string out(kFirstLine);
    out += '\n';
    for (const auto& line : tree.Foreign) out += line + "\n";
    for (size_t i = 0; i < kHiveCount; ++i) FormatKey(tree.Hives[i], kHiveNames[i], true, out);
    return out;
}

// ---- Reading the file --------------------------------------------------------------------

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
bool ParseValueLine(std::string_view line, RegValue& value) {
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
        value.Kind = clsRegistry::KindExpandString;
        ok = cursor.TakeQuoted(value.Data);
    } else if (cursor.TakeWord("dword:")) {
        uint32_t number = 0;
        value.Kind = clsRegistry::KindNumber;
        ok = cursor.TakeHexNumber(8, number);
        value.Data.clear();
        for (int i = 0; i < 4; ++i) value.Data += static_cast<char>((number >> (8 * i)) & 0xFF);
    } else if (cursor.TakeWord("hex:")) {
        value.Kind = clsRegistry::KindBinary;
        ok = cursor.TakeByteList(value.Data);
    } else if (cursor.TakeWord("hex(")) {
        ok = cursor.TakeHexNumber(8, value.Kind) && cursor.TakeChar(')') && cursor.TakeChar(':') &&
             cursor.TakeByteList(value.Data);
    } else {
        value.Kind = clsRegistry::KindString;
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
    hive = HiveIndex(inner.substr(0, firstSlash));
    if (hive < 0) return false;
    if (firstSlash == std::string_view::npos) return true;
    for (const auto& piece : Split(inner.substr(firstSlash + 1), "\\")) {
        if (piece.empty()) continue;
        if (levels.size() == kMaxLevels) return false;
        levels.push_back(UnescapeLevel(piece));
    }
    return true;
}

std::unique_ptr<clsRegistry::Tree> ParseStore(std::string_view text) {
    auto tree = std::make_unique<clsRegistry::Tree>();
    RegKey* current = nullptr;              // the key of the section; none before the first
                                            // header and under a broken one
    std::vector<std::string>* keep = &tree->Foreign; // where unreadable lines go
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
                current = &tree->Hives[static_cast<size_t>(hive)];
                bool created = false;
                for (const auto& level : levels) current = &current->Subkey(level, created);
                keep = &current->Foreign;
                continue;
            }
            current = nullptr; // the lines under a broken header belong to no known key
        } else if (current != nullptr && (line.front() == '"' || line.front() == '@')) {
            RegValue value;
            if (ParseValueLine(line, value) && current->FindValue(value.Name) == nullptr) {
                current->AddValue(std::move(value));
                continue;
            }
        }
        keep->emplace_back(raw);
    }
    return tree;
}

// ---- Files -------------------------------------------------------------------------------

enum class ReadOutcome { Read, Missing, Unreadable };

template <class Stamp> void StampFrom(const struct stat& info, Stamp& stamp) {
    stamp.Exists = true;
    stamp.Device = static_cast<uint64_t>(info.st_dev);
    stamp.Inode = static_cast<uint64_t>(info.st_ino);
    stamp.Size = static_cast<uint64_t>(info.st_size);
    stamp.ModifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.ChangedNs = static_cast<int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : mFd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return mFd; }
    bool Close() {
        if (mFd < 0) return true;
        const int status = ::close(std::exchange(mFd, -1));
        return status == 0;
    }

private:
    int mFd;
};

template <class Stamp> ReadOutcome ReadStoreFile(const std::string& path, std::string& content, Stamp& stamp) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) return errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Unreadable;
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<uint64_t>(info.st_size) > kMaxFileSize) {
        return ReadOutcome::Unreadable;
    }
    StampFrom(info, stamp);
    content.clear();
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            return ReadOutcome::Unreadable;
        }
        content.append(buffer, static_cast<size_t>(got));
        if (content.size() > kMaxFileSize) return ReadOutcome::Unreadable;
    }
    return ReadOutcome::Read;
}

// Missing parent folders are created for the owner only, like the file.
bool MakeParentFolders(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty()) return true;
    std::filesystem::path partial;
    for (const auto& piece : parent) {
        partial /= piece;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat info {};
    return ::stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// An exclusive lock on the sidecar lock file, held while it lives. The lock file is never
// removed: removing it would let two programs lock different files.
class StoreLock {
public:
    explicit StoreLock(const std::string& storePath)
        : mFile(::open((storePath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (mFile.Get() < 0) return;
        // A program that dies releases its lock; one that hangs must not hang us as well.
        const auto deadline = std::chrono::steady_clock::now() + kLockTimeout;
        while (true) {
            if (::flock(mFile.Get(), LOCK_EX | LOCK_NB) == 0) {
                mLocked = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) return;
            if (std::chrono::steady_clock::now() >= deadline) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    bool Locked() const { return mLocked; }

private:
    FileDescriptor mFile;
    bool mLocked = false;
};

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// ---- Tree access -------------------------------------------------------------------------

RegKey* FindKey(clsRegistry::Tree& tree, int hive, const std::vector<std::string>& levels) {
    RegKey* key = &tree.Hives[static_cast<size_t>(hive)];
    for (const auto& level : levels) {
        key = key->FindSubkey(level);
        if (key == nullptr) return nullptr;
    }
    return key;
}

RegKey& CreateKey(clsRegistry::Tree& tree, int hive, const std::vector<std::string>& levels, bool& created) {
    RegKey* key = &tree.Hives[static_cast<size_t>(hive)];
    for (const auto& level : levels) key = &key->Subkey(level, created);
    return *key;
}

// What the listing shows for a subkey's default value.
std::string DefaultValueText(RegKey& key) {
    const RegValue* value = key.FindValue("");
    if (value == nullptr) return {};
    if (value->Kind != clsRegistry::KindString && value->Kind != clsRegistry::KindExpandString) return "Error";
    return std::string(UpToNul(value->Data));
}

void ListKey(RegKey& key, int indent, std::string& out) {
    const std::string blanks(static_cast<size_t>(indent), ' ');
    for (const auto& value : key.Values) {
        out += blanks + "> " + value.Name;
        switch (value.Kind) {
        case clsRegistry::KindString: out += " = \"" + std::string(UpToNul(value.Data)) + "\""; break;
        case clsRegistry::KindNumber:
            out += " = &H";
            for (size_t i = value.Data.size(); i-- > 0;) AppendHexByte(out, static_cast<unsigned char>(value.Data[i]));
            break;
        case clsRegistry::KindNone: out += " = [none]"; break;
        case clsRegistry::KindExpandString: out += " = [expand sz]"; break;
        case clsRegistry::KindBinary: out += " = [binary]"; break;
        case clsRegistry::KindNumberBigEndian: out += " = [dword big endian]"; break;
        case clsRegistry::KindLink: out += " = [link]"; break;
        case clsRegistry::KindMultiString: out += " = [multi sz]"; break;
        case clsRegistry::KindResourceList: out += " = [resource list]"; break;
        case clsRegistry::KindFullResourceDescriptor: out += " = [full resource descriptor]"; break;
        case clsRegistry::KindResourceRequirementsList: out += " = [resource requirements list]"; break;
        default: break; // a kind newer than the listing knows: the name alone
        }
        out += "\r\n";
    }
    for (auto& [folded, subkey] : key.Subkeys) {
        out += blanks + subkey->Name + ": " + DefaultValueText(*subkey) + "\r\n";
        ListKey(*subkey, indent + 4, out);
    }
}

} // namespace

// ---- clsRegistry -------------------------------------------------------------------------

clsRegistry::clsRegistry(std::string storePath, IMessageBox* messageBox)
    : mStorePath(std::move(storePath)), mMessageBox(messageBox), mTree(std::make_unique<Tree>()) {}

clsRegistry::~clsRegistry() = default;

bool clsRegistry::KeyPath(uint32_t& RootKey, std::string& CombinedPath, const std::vector<std::string>& path) const {
    RootKey = 0;
    CombinedPath.clear();
    if (path.empty()) return false;
    for (size_t i = 1; i < path.size(); ++i) {
        std::string part = path[i];
        std::erase(part, '\0');
        if (!CombinedPath.empty() && CombinedPath.back() != '\\') CombinedPath += '\\';
        CombinedPath += part;
    }
    CombinedPath += '\0';
    const int hive = HiveIndex(path[0]);
    if (hive < 0) return false;
    RootKey = kFirstRootKey + static_cast<uint32_t>(hive);
    return true;
}

bool clsRegistry::ResolveKey(const std::vector<std::string>& path, size_t keyParts, KeyRef& key) const {
    if (keyParts == 0 || keyParts > path.size()) return false;
    uint32_t root = 0;
    std::string combined;
    if (!KeyPath(root, combined, std::vector<std::string>(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(keyParts)))) {
        return false;
    }
    combined.pop_back(); // the closing NUL
    key.Hive = static_cast<int>(root - kFirstRootKey);
    key.Levels.clear();
    // Empty levels (a trailing "\", "\\") name no key.
    for (auto& level : Split(combined, "\\")) {
        if (level.empty()) continue;
        if (key.Levels.size() == kMaxLevels) return false;
        key.Levels.push_back(std::move(level));
    }
    return true;
}

void clsRegistry::Refresh() {
    FileStamp now;
    struct stat info {};
    if (::stat(mStorePath.c_str(), &info) == 0) StampFrom(info, now);
    if (mStamp && *mStamp == now) return;

    std::string content;
    FileStamp read;
    switch (ReadStoreFile(mStorePath, content, read)) {
    case ReadOutcome::Read:
        mTree = ParseStore(content);
        mStamp = read;
        break;
    case ReadOutcome::Missing:
        mTree = std::make_unique<Tree>();
        mStamp = FileStamp{};
        break;
    case ReadOutcome::Unreadable:
        mTree = std::make_unique<Tree>();
        mStamp.reset(); // try again next time
        break;
    }
}

template <class Change> bool clsRegistry::Modify(Change&& change) {
    if (!MakeParentFolders(mStorePath)) return false;
    const StoreLock lock(mStorePath);
    if (!lock.Locked()) return false;

    // Apply the change to what is in the file now, not to what this object read earlier,
    // so that other programs' saves since then are kept.
    std::string content;
    FileStamp read;
    switch (ReadStoreFile(mStorePath, content, read)) {
    case ReadOutcome::Read: mTree = ParseStore(content); break;
    case ReadOutcome::Missing: mTree = std::make_unique<Tree>(); break;
    case ReadOutcome::Unreadable:
        // Writing now would replace a file we could not read, losing its contents.
        mTree = std::make_unique<Tree>();
        mStamp.reset();
        return false;
    }
    mStamp = read;
    if (!change(*mTree)) return true;
    if (WriteLocked(*mTree)) return true;
    mStamp.reset(); // the tree holds a change the file does not: read the file again
    return false;
}

bool clsRegistry::WriteLocked(const Tree& tree) {
    const std::string text = FormatStore(tree);
    // Only one writer holds the lock, so the name cannot collide; a leftover from a
    // crash is simply replaced.
    const std::string temporary = mStorePath + ".tmp" + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (file.Get() < 0) return false;
    const bool written = WriteAll(file.Get(), text) && ::fsync(file.Get()) == 0;
    if (!file.Close() || !written || ::rename(temporary.c_str(), mStorePath.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself becomes durable with the folder.
    const std::string folder = std::filesystem::path(mStorePath).parent_path().string();
    FileDescriptor directory(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() >= 0) ::fsync(directory.Get());

    struct stat info {};
    FileStamp saved;
    if (::stat(mStorePath.c_str(), &info) == 0) {
        StampFrom(info, saved);
        mStamp = saved;
    } else {
        mStamp.reset();
    }
    return true;
}

uint32_t clsRegistry::OpenKey(bool CreateIfNeeded, const std::vector<std::string>& path) {
    KeyRef key;
    if (!ResolveKey(path, path.size(), key)) return 0;
    Refresh();
    if (FindKey(*mTree, key.Hive, key.Levels) == nullptr) {
        if (!CreateIfNeeded) return 0;
        const bool saved = Modify([&](Tree& tree) {
            bool created = false;
            CreateKey(tree, key.Hive, key.Levels, created);
            return created;
        });
        if (!saved) return 0;
    }
    while (mNextHandle == 0 || mHandles.contains(mNextHandle)) ++mNextHandle;
    const uint32_t handle = mNextHandle++;
    mHandles.emplace(handle, std::move(key));
    return handle;
}

bool clsRegistry::CloseKey(uint32_t keyhandle) { return mHandles.erase(keyhandle) == 1; }

bool clsRegistry::SaveValue(const Value& value, const std::vector<std::string>& path) {
    KeyRef key;
    if (!ResolveKey(path, path.size() - (path.empty() ? 0 : 1), key)) return false;
    const std::string name(UpToNul(path.back())); // what the old API saw of the name
    const std::string text = value.ToText();
    return Modify([&](Tree& tree) {
        bool changed = false;
        RegKey& target = CreateKey(tree, key.Hive, key.Levels, changed);
        if (RegValue* existing = target.FindValue(name)) {
            if (existing->Kind == KindString && existing->Data == text) return changed;
            existing->Kind = KindString; // keeps its place and the letter case of its name
            existing->Data = text;
        } else {
            target.AddValue({name, KindString, text});
        }
        return true;
    });
}

Value clsRegistry::GetValue(const std::vector<std::string>& path) {
    KeyRef key;
    if (!ResolveKey(path, path.size() - (path.empty() ? 0 : 1), key)) return {};
    Refresh();
    RegKey* found = FindKey(*mTree, key.Hive, key.Levels);
    const RegValue* value = found == nullptr ? nullptr : found->FindValue(UpToNul(path.back()));
    if (value == nullptr) return {};
    if (value->Kind == KindString || value->Kind == KindExpandString) return Value(std::string(UpToNul(value->Data)));
    if (value->Kind == KindNumber) {
        uint32_t number = 0;
        for (size_t i = 0; i < 4 && i < value->Data.size(); ++i) {
            number |= static_cast<uint32_t>(static_cast<unsigned char>(value->Data[i])) << (8 * i);
        }
        return Value(static_cast<int32_t>(number));
    }
    return {};
}

std::vector<std::string> clsRegistry::GetValues(const std::vector<std::string>& path) {
    KeyRef key;
    if (!ResolveKey(path, path.size(), key)) return {};
    Refresh();
    std::vector<std::string> names;
    if (RegKey* found = FindKey(*mTree, key.Hive, key.Levels)) {
        for (const auto& value : found->Values) names.push_back(value.Name);
    }
    return names;
}

std::vector<std::string> clsRegistry::GetKeys(const std::vector<std::string>& path) {
    KeyRef key;
    if (!ResolveKey(path, path.size(), key)) return {};
    Refresh();
    std::vector<std::string> names;
    if (RegKey* found = FindKey(*mTree, key.Hive, key.Levels)) {
        for (const auto& [folded, subkey] : found->Subkeys) names.push_back(subkey->Name);
    }
    return names;
}

bool clsRegistry::DeleteValue(const std::vector<std::string>& path) {
    KeyRef key;
    if (!ResolveKey(path, path.size() - (path.empty() ? 0 : 1), key)) return false;
    const std::string name(UpToNul(path.back()));
    bool deleted = false;
    const bool saved = Modify([&](Tree& tree) {
        bool created = false;
        deleted = CreateKey(tree, key.Hive, key.Levels, created).EraseValue(name);
        return created || deleted;
    });
    return saved && deleted;
}

std::string clsRegistry::GetKeyInfo(int Indent, const std::vector<std::string>& path) {
    const uint32_t handle = OpenKey(false, path);
    if (handle == 0) {
        if (mMessageBox != nullptr) mMessageBox->Inform("Error opening key.");
        return {};
    }
    // OpenKey has just brought the tree up to date; the listing is of that one reading.
    std::string listing;
    const KeyRef& key = mHandles.at(handle);
    if (RegKey* found = FindKey(*mTree, key.Hive, key.Levels)) {
        ListKey(*found, std::clamp(Indent, 0, 32767), listing);
    }
    if (!CloseKey(handle) && mMessageBox != nullptr) mMessageBox->Inform("Error closing key.");
    return listing;
}

} // namespace dovrex
