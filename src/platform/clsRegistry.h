#pragma once

// The settings store ("registry"): keys, subkeys and named values kept in one text file,
// with the model of the Windows registry. Several programs (the desktop program and the
// command line) may use the same file at once: every change is applied under a file lock
// to a fresh reading of the file and saved atomically, and reads notice other programs'
// saves.

#include "IMessageBox.h"
#include "Value.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dovrex {

class clsRegistry {
public:
    // Kinds of values; the program itself only writes plain strings.
    enum ValueKind : uint32_t {
        KindNone = 0,
        KindString = 1,
        KindExpandString = 2,
        KindBinary = 3,
        KindNumber = 4,
        KindNumberBigEndian = 5,
        KindLink = 6,
        KindMultiString = 7,
        KindResourceList = 8,
        KindFullResourceDescriptor = 9,
        KindResourceRequirementsList = 10,
    };

    // storePath: the store file (missing means an empty store; it is created by the
    // first change). messageBox: where GetKeyInfo reports keys it cannot open or close.
    explicit clsRegistry(std::string storePath, IMessageBox* messageBox = nullptr);
    ~clsRegistry();
    clsRegistry(const clsRegistry&) = delete;
    clsRegistry& operator=(const clsRegistry&) = delete;

    // Every path is a hive name followed by key parts; for SaveValue, GetValue and
    // DeleteValue the last part is the value name (empty for the key's default value).

    // True when path[0] is a hive name; RootKey receives its root key (80000000 hex for
    // HKEY_CLASSES_ROOT up to 80000006 hex for HKEY_DYN_DATA) and CombinedPath the
    // remaining parts joined with "\" (NULs removed), followed by one NUL character.
    bool KeyPath(uint32_t& RootKey, std::string& CombinedPath, const std::vector<std::string>& path) const;
    // A handle to the key, or 0 when it does not exist (and, with CreateIfNeeded, could
    // not be created).
    uint32_t OpenKey(bool CreateIfNeeded, const std::vector<std::string>& path);
    // False when keyhandle is not an open handle.
    bool CloseKey(uint32_t keyhandle);
    // Stores value as a plain string, creating missing keys.
    bool SaveValue(const Value& value, const std::vector<std::string>& path);
    // Text for string kinds (up to the first NUL), a number for 32-bit numbers, empty
    // for other kinds and for missing keys or values.
    Value GetValue(const std::vector<std::string>& path);
    // Value names of the key in the order they were created.
    std::vector<std::string> GetValues(const std::vector<std::string>& path);
    // Subkey names in alphabetical order, letter case ignored.
    std::vector<std::string> GetKeys(const std::vector<std::string>& path);
    // True when the value existed and was deleted. A missing key is created.
    bool DeleteValue(const std::vector<std::string>& path);
    // The key tree listing (values, then each subkey with its default value and its own
    // listing indented four more spaces), lines ending in CR LF; empty when the key
    // cannot be opened.
    std::string GetKeyInfo(int Indent, const std::vector<std::string>& path);

    const std::string& StorePath() const { return mStorePath; }

    struct Tree; // the parsed file (defined with the file format)

private:
    struct KeyRef {
        int Hive = 0;
        std::vector<std::string> Levels;
    };
    struct FileStamp {
        bool Exists = false;
        uint64_t Device = 0, Inode = 0, Size = 0;
        int64_t ModifiedNs = 0, ChangedNs = 0;
        friend bool operator==(const FileStamp&, const FileStamp&) = default;
    };

    bool ResolveKey(const std::vector<std::string>& path, size_t keyParts, KeyRef& key) const;
    // Brings the in-memory tree up to date with the file (no-op when it did not change).
    void Refresh();
    // Applies a change under the file lock to a fresh reading of the file and saves the
    // result atomically when change returns true. False when the file could not be
    // read, locked or written.
    template <class Change> bool Modify(Change&& change);
    bool WriteLocked(const Tree& tree);

    std::string mStorePath;
    IMessageBox* mMessageBox;
    std::unique_ptr<Tree> mTree;
    std::optional<FileStamp> mStamp; // of the file mTree was read from; none: read again
    std::map<uint32_t, KeyRef> mHandles;
    uint32_t mNextHandle = 1;
};

} // namespace dovrex
