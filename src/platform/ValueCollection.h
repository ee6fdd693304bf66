#pragma once

#include "Value.h"
#include "modRuntime.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace dovrex {

// A keyed collection of values in insertion order; keys are looked up without
// regard to letter case and must be unique.
class ValueCollection {
public:
    // Raises the duplicate-key error when the key is already present.
    void Add(std::string key, Value value);
    bool Contains(std::string_view key) const;
    // The value under key, or Null when there is none.
    const Value& Item(std::string_view key) const;
    // Replaces the value under an existing key, or adds it.
    void Set(std::string key, Value value);
    void Clear();

    size_t Count() const { return mItems.size(); }
    const std::vector<std::pair<std::string, Value>>& Items() const { return mItems; }
    auto begin() const { return mItems.begin(); }
    auto end() const { return mItems.end(); }

private:
    std::optional<size_t> Find(std::string_view key) const;

    std::vector<std::pair<std::string, Value>> mItems;
    std::unordered_map<std::string, size_t, NoCaseHash, NoCaseEqual> mIndex; // key -> position
};

// A set of texts compared without regard to letter case. The texts lie end to end in one
// buffer and an open-addressing table of their hashes finds them: a route's meter tags go
// in with one probe each and no allocation per tag.
class CaseInsensitiveSet {
public:
    // False when the text was already present.
    bool Insert(std::string_view text);
    bool Contains(std::string_view text) const;
    void Clear();
    size_t Count() const { return mEnds.size(); }
    // Room for that many texts, so that filling the set does not rebuild its table.
    void Reserve(size_t count);

private:
    struct Slot {
        uint32_t Hash = 0; // the low bits of the text's hash
        uint32_t Text = 0; // 1-based number of the text; 0 = empty
    };
    // The slot of the text, or the empty slot where it would go.
    size_t Find(std::string_view text, uint32_t hash) const;
    // A slot keeps 32 bits of the hash, so that a table of many texts stays small. The
    // hash is of the upper-cased text, taken eight bytes at a time.
    static uint32_t ShortHash(std::string_view text);
    void Rebuild(size_t slots);
    std::string_view TextNumbered(uint32_t number) const {
        const uint32_t start = number > 1 ? mEnds[number - 2] : 0;
        return std::string_view(mTexts).substr(start, mEnds[number - 1] - start);
    }

    std::string mTexts;          // the texts, end to end, then room for more
    std::vector<uint32_t> mEnds; // where each text ends in mTexts
    std::vector<Slot> mSlots;    // a power of two, at most half full
};

} // namespace dovrex
