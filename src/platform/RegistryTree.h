#pragma once

// What the settings store holds: seven hives, each a tree of keys with named values,
// in the model of the Windows registry. Names of keys and values are matched without
// regard to letter case and keep the case they were created with.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dovrex {

struct RegistryValue {
    // Kinds of values; the program itself only writes plain strings.
    enum ValueKind : uint32_t {
        KindNone = 0,
        KindString = 1,
        KindExpandString = 2,
        KindBinary = 3,
        KindNumber = 4, // 32 bits, least significant byte first
        KindNumberBigEndian = 5,
        KindLink = 6,
        KindMultiString = 7,
        KindResourceList = 8,
        KindFullResourceDescriptor = 9,
        KindResourceRequirementsList = 10,
    };

    std::string Name; // empty for the key's default value
    uint32_t Kind = KindString; // any number: kinds this program does not know are kept
    std::string Data; // the value's bytes
};

struct RegistryKey {
    std::string Name;
    std::vector<RegistryValue> Values;                           // in creation order
    std::map<std::string, std::unique_ptr<RegistryKey>> Subkeys; // upper-cased name -> key
    std::vector<std::string> Foreign; // lines of the store file that could not be read, kept as they were

    RegistryValue* FindValue(std::string_view name);
    void AddValue(RegistryValue value);
    // True when the value existed.
    bool EraseValue(std::string_view name);
    RegistryKey* FindSubkey(std::string_view name);
    // The subkey of that name, created (with the name's letter case) when missing;
    // created is set when it was.
    RegistryKey& Subkey(const std::string& name, bool& created);

private:
    std::unordered_map<std::string, size_t> mValueIndex; // upper-cased name -> position in Values
};

struct RegistryTree {
    static constexpr size_t HiveCount = 7;
    // As the Windows registry allows; also bounds the recursion over a hand-made file.
    static constexpr size_t MaxLevels = 512;
    // "HKEY_CLASSES_ROOT" .. "HKEY_DYN_DATA", in the order of their root keys.
    static const std::array<const char*, HiveCount> HiveNames;

    std::array<RegistryKey, HiveCount> Hives;
    std::vector<std::string> Foreign; // unreadable lines before the first key

    // The hive's number, or -1 when name (matched exactly) is no hive.
    static int HiveIndex(std::string_view name);
    // The key below the hive, or null.
    RegistryKey* FindKey(int hive, const std::vector<std::string>& levels);
    // The key below the hive, created with its missing parents; created is set when any was.
    RegistryKey& CreateKey(int hive, const std::vector<std::string>& levels, bool& created);
};

} // namespace dovrex
