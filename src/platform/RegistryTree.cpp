#include "RegistryTree.h"

#include "modRuntime.h"

namespace dovrex {

RegistryValue* RegistryKey::FindValue(std::string_view name) {
    const auto found = mValueIndex.find(UCase(name));
    return found == mValueIndex.end() ? nullptr : &Values[found->second];
}

void RegistryKey::AddValue(RegistryValue value) {
    mValueIndex.emplace(UCase(value.Name), Values.size());
    Values.push_back(std::move(value));
}

bool RegistryKey::EraseValue(std::string_view name) {
    const auto found = mValueIndex.find(UCase(name));
    if (found == mValueIndex.end()) return false;
    Values.erase(Values.begin() + static_cast<std::ptrdiff_t>(found->second));
    mValueIndex.clear();
    for (size_t i = 0; i < Values.size(); ++i) mValueIndex.emplace(UCase(Values[i].Name), i);
    return true;
}

RegistryKey* RegistryKey::FindSubkey(std::string_view name) {
    const auto found = Subkeys.find(UCase(name));
    return found == Subkeys.end() ? nullptr : found->second.get();
}

RegistryKey& RegistryKey::Subkey(const std::string& name, bool& created) {
    auto& slot = Subkeys[UCase(name)];
    if (!slot) {
        slot = std::make_unique<RegistryKey>();
        slot->Name = name;
        created = true;
    }
    return *slot;
}

const std::array<const char*, RegistryTree::HiveCount> RegistryTree::HiveNames = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

int RegistryTree::HiveIndex(std::string_view name) {
    for (size_t i = 0; i < HiveCount; ++i) {
        if (name == HiveNames[i]) return static_cast<int>(i);
    }
    return -1;
}

RegistryKey* RegistryTree::FindKey(int hive, const std::vector<std::string>& levels) {
    RegistryKey* key = &Hives[static_cast<size_t>(hive)];
    for (const auto& level : levels) {
        key = key->FindSubkey(level);
        if (key == nullptr) return nullptr;
    }
    return key;
}

RegistryKey& RegistryTree::CreateKey(int hive, const std::vector<std::string>& levels, bool& created) {
    RegistryKey* key = &Hives[static_cast<size_t>(hive)];
    for (const auto& level : levels) key = &key->Subkey(level, created);
    return *key;
}

} // namespace dovrex
