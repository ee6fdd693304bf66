#pragma once

// The settings store ("registry"): keys, subkeys and named values kept in one text file,
// with the model of the Windows registry. Several programs (the desktop program and the
// command line) may use the same file at once: every change is applied under a file lock
// to a fresh reading of the file and saved atomically, and reads notice other programs'
// saves.

#include "AtomicFile.h"
#include "IMessageBox.h"
#include "RegistryTree.h"
#include "Value.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dovrex {

class clsRegistry {
public:
    using ValueKind = RegistryValue::ValueKind;
    using enum RegistryValue::ValueKind;

    // One value of a SaveValues batch: the path as for SaveValue, and the value.
    struct ValueSave {
        std::vector<std::string> Path;
        Value Data;
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
    // Stores several values as SaveValue does, in their order, with one locked rewrite of
    // the file: all of them or, when a path names no hive or the file cannot be saved,
    // none.
    bool SaveValues(const std::vector<ValueSave>& values);
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
    // Why the last operation could not read or save the store file ("cannot read the
    // settings store <path>: <reason>"); empty when it could. The operations themselves
    // answer as for a missing key or value, as the registry does.
    const std::string& LastError() const { return mLastError; }
    // Reads the store file when it changed; like LastError, empty when it could be read
    // or does not exist yet.
    const std::string& ReadError();

private:
    struct KeyRef {
        int Hive = 0;
        std::vector<std::string> Levels;
    };

    bool ResolveKey(const std::vector<std::string>& path, size_t keyParts, KeyRef& key) const;
    // Brings the in-memory tree up to date with the file (no-op when it did not change).
    void Refresh();
    // Applies a change under the file lock to a fresh reading of the file and saves the
    // result atomically when change returns true. False when the file could not be
    // read, locked or written.
    bool Modify(const std::function<bool(RegistryTree&)>& change);

    std::string mStorePath;
    IMessageBox* mMessageBox;
    RegistryTree mTree;
    std::optional<FileStamp> mStamp; // of the file mTree was read from; none: read again
    std::string mLastError;
    std::map<uint32_t, KeyRef> mHandles;
    uint32_t mNextHandle = 1;
};

} // namespace dovrex
