#include "clsRegistry.h"

#include "RegistryText.h"
#include "modRuntime.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace dovrex {

namespace {

constexpr uint32_t kFirstRootKey = 0x80000000u;
// A bigger file is not a settings store; it is left alone rather than read into memory.
constexpr uint64_t kMaxFileSize = 64ull << 20;
// The store file and the folders made for it are the owner's only.
constexpr unsigned kFileMode = 0600;

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

void AppendHexByte(std::string& out, unsigned char byte) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    out += digits;
}

// What the listing shows for a subkey's default value.
std::string DefaultValueText(RegistryKey& key) {
    const RegistryValue* value = key.FindValue("");
    if (value == nullptr) return {};
    if (value->Kind != RegistryValue::KindString && value->Kind != RegistryValue::KindExpandString) return "Error";
    return std::string(UpToNul(value->Data));
}

void ListKey(RegistryKey& key, int indent, std::string& out) {
    const std::string blanks(static_cast<size_t>(indent), ' ');
    for (const auto& value : key.Values) {
        out += blanks + "> " + value.Name;
        switch (value.Kind) {
        case RegistryValue::KindString: out += " = \"" + std::string(UpToNul(value.Data)) + "\""; break;
        case RegistryValue::KindNumber:
            out += " = &H";
            for (size_t i = value.Data.size(); i-- > 0;) AppendHexByte(out, static_cast<unsigned char>(value.Data[i]));
            break;
        case RegistryValue::KindNone: out += " = [none]"; break;
        case RegistryValue::KindExpandString: out += " = [expand sz]"; break;
        case RegistryValue::KindBinary: out += " = [binary]"; break;
        case RegistryValue::KindNumberBigEndian: out += " = [dword big endian]"; break;
        case RegistryValue::KindLink: out += " = [link]"; break;
        case RegistryValue::KindMultiString: out += " = [multi sz]"; break;
        case RegistryValue::KindResourceList: out += " = [resource list]"; break;
        case RegistryValue::KindFullResourceDescriptor: out += " = [full resource descriptor]"; break;
        case RegistryValue::KindResourceRequirementsList: out += " = [resource requirements list]"; break;
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
    : mStorePath(std::move(storePath)), mMessageBox(messageBox) {}

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
    const int hive = RegistryTree::HiveIndex(path[0]);
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
        if (key.Levels.size() == RegistryTree::MaxLevels) return false;
        key.Levels.push_back(std::move(level));
    }
    return true;
}


void clsRegistry::Refresh() {
    mLastError.clear();
    if (mStamp && *mStamp == FileStamp::Of(mStorePath)) return;
    FileContent file = ReadFileContent(mStorePath, kMaxFileSize);
    if (!file.Readable()) {
        mLastError = "cannot read the settings store " + mStorePath + ": " + file.Reason;
        mTree = RegistryTree();
        mStamp.reset(); // try again next time
        return;
    }
    mTree = ParseRegistryText(file.Bytes);
    mStamp = file.Stamp; // of no file when it is missing
}

const std::string& clsRegistry::ReadError() {
    Refresh();
    return mLastError;
}

bool clsRegistry::Modify(const std::function<bool(RegistryTree&)>& change) {
    mLastError.clear();
    const FileUpdate update = UpdateFileLocked(mStorePath, kMaxFileSize, kFileMode, [&](const FileContent& current) {
        mTree = ParseRegistryText(current.Bytes);
        return change(mTree) ? std::optional<std::string>(FormatRegistryText(mTree)) : std::nullopt;
    });
    switch (update.FailedAt) {
    case FileUpdate::Done: mStamp = update.Stamp; return true;
    case FileUpdate::Folder: mLastError = "cannot create the folder of the settings store "; break;
    case FileUpdate::Lock: mLastError = "cannot lock the settings store "; break;
    case FileUpdate::Read:
        mLastError = "cannot read the settings store ";
        mTree = RegistryTree(); // as a reading that fails leaves it
        break;
    case FileUpdate::Save: mLastError = "cannot save the settings store "; break;
    }
    mLastError += mStorePath + ": " + update.Reason;
    mStamp.reset(); // the tree may hold a change the file does not: read the file again
    return false;
}

uint32_t clsRegistry::OpenKey(bool CreateIfNeeded, const std::vector<std::string>& path) {
    KeyRef key;
    if (!ResolveKey(path, path.size(), key)) return 0;
    Refresh();
    if (mTree.FindKey(key.Hive, key.Levels) == nullptr) {
        if (!CreateIfNeeded) return 0;
        const bool saved = Modify([&](RegistryTree& tree) {
            bool created = false;
            tree.CreateKey(key.Hive, key.Levels, created);
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
    return SaveValues({ValueSave{path, value}});
}

bool clsRegistry::SaveValues(const std::vector<ValueSave>& values) {
    struct Target {
        KeyRef Key;
        std::string Name;
        std::string Text;
    };
    std::vector<Target> targets;
    targets.reserve(values.size());
    for (const ValueSave& save : values) {
        Target target;
        if (!ResolveKey(save.Path, save.Path.size() - (save.Path.empty() ? 0 : 1), target.Key)) return false;
        target.Name = UpToNul(save.Path.back()); // what the old API saw of the name
        target.Text = save.Data.ToText();
        targets.push_back(std::move(target));
    }
    return Modify([&](RegistryTree& tree) {
        bool changed = false;
        for (const Target& target : targets) {
            RegistryKey& key = tree.CreateKey(target.Key.Hive, target.Key.Levels, changed);
            if (RegistryValue* existing = key.FindValue(target.Name)) {
                if (existing->Kind == KindString && existing->Data == target.Text) continue;
                existing->Kind = KindString; // keeps its place and the letter case of its name
                existing->Data = target.Text;
            } else {
                key.AddValue({target.Name, KindString, target.Text});
            }
            changed = true;
        }
        return changed;
    });
}

Value clsRegistry::GetValue(const std::vector<std::string>& path) {
    KeyRef key;
    if (!ResolveKey(path, path.size() - (path.empty() ? 0 : 1), key)) return {};
    Refresh();
    RegistryKey* found = mTree.FindKey(key.Hive, key.Levels);
    const RegistryValue* value = found == nullptr ? nullptr : found->FindValue(UpToNul(path.back()));
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
    if (RegistryKey* found = mTree.FindKey(key.Hive, key.Levels)) {
        for (const auto& value : found->Values) names.push_back(value.Name);
    }
    return names;
}

std::vector<std::string> clsRegistry::GetKeys(const std::vector<std::string>& path) {
    KeyRef key;
    if (!ResolveKey(path, path.size(), key)) return {};
    Refresh();
    std::vector<std::string> names;
    if (RegistryKey* found = mTree.FindKey(key.Hive, key.Levels)) {
        for (const auto& [folded, subkey] : found->Subkeys) names.push_back(subkey->Name);
    }
    return names;
}

bool clsRegistry::DeleteValue(const std::vector<std::string>& path) {
    KeyRef key;
    if (!ResolveKey(path, path.size() - (path.empty() ? 0 : 1), key)) return false;
    const std::string name(UpToNul(path.back()));
    bool deleted = false;
    const bool saved = Modify([&](RegistryTree& tree) {
        bool created = false;
        deleted = tree.CreateKey(key.Hive, key.Levels, created).EraseValue(name);
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
    if (RegistryKey* found = mTree.FindKey(key.Hive, key.Levels)) {
        ListKey(*found, std::clamp(Indent, 0, 32767), listing);
    }
    if (!CloseKey(handle) && mMessageBox != nullptr) mMessageBox->Inform("Error closing key.");
    return listing;
}

} // namespace dovrex
